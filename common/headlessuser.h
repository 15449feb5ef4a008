// SPDX-License-Identifier: GPL-3.0-or-later
// The user of a run without windows: the answers come from a script, and what the run told the
// user is kept for the caller to read. The tests, the benchmarks and the command line drive the
// very same runs as the windows do through it (common/runuser.h).
//
// - Questions are answered from `answers` in order, then No: the answer that changes nothing.
// - A file in question is decided from `fileAnswers` in order, then by `otherwise`. A move the
//   system refuses leaves the file in question: it takes the next answer, and once the script is
//   spent it is ignored (never moved again and again into a folder that refuses it).
// - A group is reviewed from `groupAnswers` in order (its rows' decisions, then Continue or
//   Abort); the groups after the script are left as they are (Continue).
// - Every turn of the event loop the run asks for (the walk's and its own) runs `onEvents`, so a
//   caller can cancel a run at a given moment, as a user's Cancel would.
#pragma once

#include "common/runuser.h"

#include <QList>
#include <QStringList>

#include <functional>

namespace bv {

class HeadlessUser : public RunUser, public FileVerifier, public GroupReviewer
{
public:
    struct FileAnswer
    {
        FileChoice choice = FileChoice::Ignore;
        QByteArray folder; // Move
    };
    struct RowAnswer
    {
        int row = 0;                            // index in the group's rows
        FileChoice choice = FileChoice::Remove; // Remove or Move
        QByteArray folder;                      // Move
    };
    struct GroupAnswer
    {
        QList<RowAnswer> rows;
        bool abort = false; // after the rows: Abort instead of Continue
    };
    struct Told
    {
        QString text;
        int style = 0;
        QString title;
        bool question = false;
    };

    HeadlessUser();

    // The script.
    QList<bool> answers;
    QList<FileAnswer> fileAnswers;
    FileAnswer otherwise;
    QList<GroupAnswer> groupAnswers;
    std::function<void()> onEvents;

    // What the run told and what became of its files, in order.
    QList<Told> told;
    QList<FileDecision> decisions;
    QStringList statuses;
    RunValues figures; // the last figures shown
    int figuresShown = 0;
    int floodBlocks = 0;

    // RunUser
    void tell(const QString& text, int style, const QString& title) override;
    bool ask(const QString& text, int style, const QString& title) override;
    void showFigures(const RunValues& values) override;
    void showStatus(const QString& text) override;
    WalkScreen& walkScreen() override { return m_screen; }
    void letEventsIn() override;

    // FileVerifier
    FileDecision verify(const VerifyItem& file, FileActions& actions) override;
    // GroupReviewer
    void review(std::span<const ReviewRow> rows, GroupActions& actions) override;

private:
    class Screen : public WalkScreen
    {
    public:
        explicit Screen(HeadlessUser& user) : m_user(user) {}
        void showStatusPath(const QByteArray&) override {}
        void flushStatus() override {}
        void appendFlood(int blocks) override { m_user.floodBlocks += blocks; }
        void yieldToEvents() override { m_user.letEventsIn(); }
        void setPointer(int) override {}

    private:
        HeadlessUser& m_user;
    };

    FileDecision decide(FileActions& actions);

    Screen m_screen;
};

} // namespace bv
