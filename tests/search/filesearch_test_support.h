// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the file-search panel tests: a main window with its own data folder and a fixed
// clock and locale, and helpers that fill the panel the way a user would.
#pragma once

#include "common/appstate.h"
#include "app/ui/mainwindow.h"
#include "common/ui/dirlist.h"
#include "search/filesearchrun.h"
#include "search/ui/filesearchframe.h"
#include "tests/support/scripted_messages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace bv::test {

struct PanelEntries
{
    QString pattern0 = QStringLiteral("*.tmp");
    QString pattern1;
    QString instruction = QStringLiteral("haven't been used");
    QString date = QStringLiteral("6/1/2026");
    QString bytes;
    bool recycle = false;
    bool verify = false;
    bool ignoreHidden = true;
    bool ignoreDirs = true;
};

class PanelHarness
{
public:
    // startFolder: as given on the command line (resolved).
    explicit PanelHarness(const QByteArray& startFolder = {})
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        state.AppFolder = QFile::encodeName(appFolder.path());
        state.StartFolder = startFolder;
        state.Now = [] { return QDateTime(QDate(2026, 12, 8), QTime(15, 38)); };
        form = std::make_unique<MainWindow>(state);
        form->showAtStart();
        form->openFeature(QStringLiteral("FileSearchOption"));
        panel = static_cast<FileSearchFrame*>(form->panel(QStringLiteral("FileSearchOption")));
    }

    template <typename T> T* child(const char* name) const { return panel->findChild<T*>(QString::fromLatin1(name)); }
    QComboBox* pattern(int i) const { return child<QComboBox>(i == 0 ? "SearchPattern0" : "SearchPattern1"); }
    QPushButton* button(const char* name) const { return child<QPushButton>(name); }
    RunValues& run() const { return form->run(); }

    void fill(const PanelEntries& e, const QByteArray& folder = {})
    {
        pattern(0)->setEditText(e.pattern0);
        pattern(1)->setEditText(e.pattern1);
        child<QComboBox>("InstructionList")->setEditText(e.instruction);
        child<QLineEdit>("DateText")->setText(e.date);
        child<QLineEdit>("BytesText")->setText(e.bytes);
        child<QCheckBox>("RecycleCheck")->setChecked(e.recycle);
        child<QCheckBox>("VerifyCheck")->setChecked(e.verify);
        child<QCheckBox>("IgnoreCheck")->setChecked(e.ignoreHidden);
        child<QCheckBox>("IgnoreDir")->setChecked(e.ignoreDirs);
        if (!folder.isEmpty()) {
            child<DirList>("Dir1")->setPath(folder);
            panel->onFolderOpened(); // as a click in the list does
        }
    }

    // Begin on a run that deletes without a look at each file. Its one question before the start
    // must be answered Yes by the script (first in line); it is checked here and left out of the
    // boxes the test looks at afterwards.
    void beginDeleting(ScriptedMessages& boxes)
    {
        panel->onBeginClicked();
        QVERIFY(!boxes.shown.isEmpty());
        QCOMPARE(boxes.shown[0].text, permanentDeletionQuestion());
        QCOMPARE(boxes.shown[0].style, int(MsgQuestionDefaultNo));
        boxes.shown.removeFirst();
    }

    QByteArray logBytes() const
    {
        QFile f(appFolder.path() + QStringLiteral("/temp.bv"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The log's lines with the tree's root replaced by @ROOT@.
    QList<QByteArray> logLines(const QByteArray& root) const
    {
        QByteArray text = logBytes();
        text.replace(root, "@ROOT@");
        QList<QByteArray> lines = text.split('\n');
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        for (QByteArray& l : lines)
            if (l.endsWith('\r'))
                l.chop(1);
        return lines;
    }

    QTemporaryDir appFolder;
    AppState state;
    std::unique_ptr<MainWindow> form;
    FileSearchFrame* panel = nullptr;
};

} // namespace bv::test
