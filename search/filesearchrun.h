// SPDX-License-Identifier: GPL-3.0-or-later
// One file search from Begin to its summary, without a window.
//
// The panel (or a test, a benchmark, the command line) hands the run its criteria, the start
// folder among them, and the user it reaches: a RunUser for messages, questions, figures and the
// walk's screen, and a FileVerifier when the criteria ask for the verification window. The run
// then does the rest itself:
//
//   - before anything starts, it asks once when matching files would be deleted for good with no
//     look at each one (No starts nothing: no log, no walk);
//   - it opens the working log and writes its header, builds the walk's options from the
//     criteria and walks (common/walkdriver.h), on the caller's thread;
//   - per listed file it asks the core whether it matches (checkFile) and either puts it to the
//     verifier, handing it this run's FileActions for that file, or removes it at once;
//   - every removal and move goes through the recorded removal (common/recordedremoval.h): the
//     file's block reaches the log before the file is touched, the file is checked again, its
//     ACTION line records what happened, and a log that cannot be written stops the run;
//   - at the end it writes the summary, closes the log and shows the final figures.
//
// The counters live in the RunValues the caller hands in, so a panel can reprint them after the
// run. A confirmed Cancel (cancel(), which the verifier's Abort also runs) logs the abort and
// stops the run before its next file.
#pragma once

#include "common/appstate.h"
#include "common/runuser.h"
#include "common/walk.h"
#include "search/filesearch.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

namespace bv {

// The question asked before a run that deletes (no trash) without the verification window.
QString permanentDeletionQuestion();

class FileSearchRun
{
public:
    // How run() ended.
    enum class Outcome {
        Declined, // the user said No before the start: nothing was opened, walked or logged
        Failed,   // the start folder or the log could not be opened; the user was told
        Ran,      // walked (completely, cancelled or cut short: see walkResult())
    };

    // `criteria.folder` is the start folder as chosen; the run follows a link there once, at its
    // start, and the log names the folder actually searched. `verifier` is used only when the
    // criteria ask for the verification window, and must then be given.
    FileSearchRun(const FileSearchCriteria& criteria, AppState& program, RunValues& values, RunUser& user,
                  FileVerifier* verifier = nullptr);
    ~FileSearchRun();
    FileSearchRun(const FileSearchRun&) = delete;
    FileSearchRun& operator=(const FileSearchRun&) = delete;

    // What must be asked before anything starts; false when the user declined. run() asks it
    // itself unless it was asked already (a window asks first so it changes nothing on No).
    bool confirm();
    Outcome run();

    // The run's Cancel: asks, and on Yes logs the abort and stops before the next file.
    void cancel();

    // What the run does on the user's word about one file in question: the actions a verifier
    // is handed for it.
    std::unique_ptr<FileActions> actionsFor(const VerifyItem& item);

    const FileSearchCriteria& criteria() const { return m_criteria; }
    const WalkResult& walkResult() const { return m_walkResult; }

private:
    class Hooks;
    class Actions;

    bool start();
    void checkFile(const WalkFile& file);
    void verifyFile(const WalkFile& file, const FileInfo& info, const FileCheck& check);
    void removeUnattended(const WalkFile& file, const FileInfo& info, const FileCheck& check);
    void finish();
    // Lines in order with no event-loop turn between them; false (the run told to stop, the user
    // told once) when the log could not take them.
    bool writeLog(const QList<QByteArray>& lines);

    FileSearchCriteria m_criteria;
    AppState& m_program;
    RunValues& m_values;
    RunUser& m_user;
    FileVerifier* m_verifier;
    bool m_confirmed = false;
    WalkResult m_walkResult;
};

} // namespace bv
