#include "app/ui/features.h"

#include "disk/ui/diskspace.h"
#include "disk/ui/overhangform.h"
#include "duplicates/ui/dupfilesframe.h"
#include "quickclean/ui/quickclean.h"
#include "search/ui/filesearchframe.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace bv {

namespace {

// A tools window that is not built yet says so plainly instead of doing nothing.
void notBuiltYet(PanelHost& host, const QString& caption)
{
    QDialog dialog(host.dialogParent());
    dialog.setObjectName(QStringLiteral("NotBuiltYet"));
    dialog.setWindowTitle(caption);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("%1 is not built yet in this version of Brisvane.").arg(caption)));
    auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignRight);
    dialog.exec();
}

} // namespace

QList<FeatureEntry> brisvaneFeatures()
{
    QList<FeatureEntry> features;
    features.append({"FileSearchOption",
                     QStringLiteral("File &Search"),
                     QKeySequence(Qt::Key_F2),
                     "FileSearchIcon",
                     [](PanelHost& host, QWidget* area) -> Panel* { return new FileSearchFrame(host, area); },
                     {}});
    features.append({"NewFilesOption",
                     QStringLiteral("Find &Duplicates"),
                     QKeySequence(Qt::Key_F3),
                     "NewFilesIcon",
                     [](PanelHost& host, QWidget* area) -> Panel* { return new DupFilesFrame(host, area); },
                     {}});
    features.append({"DiskSpaceOption",
                     QStringLiteral("D&isk Space..."),
                     QKeySequence(Qt::Key_F4),
                     nullptr,
                     {},
                     [](PanelHost& host) { openDiskSpace(host); }});
    features.append({"ClusterOption",
                     QStringLiteral("Cluster Over&hang..."),
                     QKeySequence(Qt::Key_F5),
                     nullptr,
                     {},
                     [](PanelHost& host) { openOverhang(host); }});
    features.append({"QuickCleanOption",
                     QStringLiteral("&Quick Clean..."),
                     QKeySequence(Qt::Key_F6),
                     nullptr,
                     {},
                     [](PanelHost& host) { openQuickClean(host); }});
    return features;
}

} // namespace bv
