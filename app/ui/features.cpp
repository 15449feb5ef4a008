// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/features.h"

#include "common/ui/moveform.h"
#include "disk/ui/diskspacewindow.h"
#include "disk/ui/overhangwindow.h"
#include "duplicates/ui/dupfilesframe.h"
#include "quickclean/ui/quickcleanwindow.h"
#include "restore/ui/restorewindow.h"
#include "search/ui/filesearchframe.h"
#include "search/ui/verificationwindow.h"

namespace bv {

QList<FeatureEntry> brisvaneFeatures()
{
    QList<FeatureEntry> features;
    features.append({"FileSearchOption",
                     QStringLiteral("File &Search"),
                     QKeySequence(Qt::Key_F2),
                     "FileSearchIcon",
                     [](PanelHost& host, QWidget* area) -> Panel* { return new FileSearchFrame(host, area); },
                     {},
                     {&FileSearchFrame::layout(), &VerificationWindow::layout(), &MoveForm::layout()}});
    features.append({FindDuplicatesPanel::kCommand,
                     QStringLiteral("Find &Duplicates"),
                     QKeySequence(Qt::Key_F3),
                     "NewFilesIcon",
                     [](PanelHost& host, QWidget* area) -> Panel* { return new FindDuplicatesPanel(host, area); },
                     {},
                     {&FindDuplicatesPanel::layout()}});
    features.append({"DiskSpaceOption",
                     QStringLiteral("D&isk Space..."),
                     QKeySequence(Qt::Key_F4),
                     nullptr,
                     {},
                     [](PanelHost& host) { openDiskSpace(host); },
                     {&DiskSpaceWindow::layout()}});
    features.append({"ClusterOption",
                     QStringLiteral("Cluster Over&hang..."),
                     QKeySequence(Qt::Key_F5),
                     nullptr,
                     {},
                     [](PanelHost& host) { openOverhang(host); },
                     {&ClusterOverhangWindow::layout()}});
    features.append({"QuickCleanOption",
                     QStringLiteral("&Quick Clean..."),
                     QKeySequence(Qt::Key_F6),
                     nullptr,
                     {},
                     [](PanelHost& host) { openQuickClean(host); },
                     {&QuickCleanWindow::layout()}});
    features.append({"RestoreOption",
                     QStringLiteral("R&estore Removed Files..."),
                     QKeySequence(Qt::CTRL | Qt::Key_Z),
                     nullptr,
                     {},
                     [](PanelHost& host) { openRestoreWindow(host); },
                     {&RestoreWindow::layout()},
                     true});
    return features;
}

} // namespace bv
