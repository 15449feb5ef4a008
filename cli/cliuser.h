// SPDX-License-Identifier: GPL-3.0-or-later
// The user of a run on the command line: what the run tells goes to standard error, its figures
// show as progress on a terminal, and a stop signal (or a reader of the output that went away)
// becomes the run's stop request, seen between files.
//
// Questions a run asks are answered by the command line's options, decided before the run
// starts (a script cannot answer); what was asked and answered is told on standard error.
#pragma once

#include "cli/output.h"
#include "common/runuser.h"

#include <QString>

#include <functional>

namespace bv::cli {

class CommandLineUser : public RunUser, public FileVerifier, private WalkScreen
{
public:
    CommandLineUser(AppState& program, Printer& printer);

    // The answer to every question of the run.
    bool answer = false;
    // How a file put to the user is decided (the command's own rule); unset: it is left in place.
    std::function<FileDecision(const VerifyItem&, FileActions&)> onFile;
    // The progress text from the run's figures.
    std::function<QString(const RunValues&)> figuresText;
    // Runs whenever the run shows its figures (at the status line's pace) and at every turn
    // of the event loop it asks for.
    std::function<void()> onPace;

    // A removal that failed was just told with the system's reason: the run's own message for
    // it is not told again.
    void failureTold() { m_failureTold = true; }

    // True once a stop was asked (signal or failed output); checked between files.
    bool stopAsked();

    void tell(const QString& text, int style, const QString& title) override;
    bool ask(const QString& text, int style, const QString& title) override;
    void showFigures(const RunValues& figures) override;
    void showStatus(const QString& text) override;
    WalkScreen& walkScreen() override { return *this; }
    void letEventsIn() override;

    FileDecision verify(const VerifyItem& file, FileActions& actions) override;

private:
    void showStatusPath(const QByteArray&) override {}
    void flushStatus() override {}
    void appendFlood(int) override {}
    void yieldToEvents() override { stopAsked(); }
    void setPointer(int) override {}

    AppState& m_program;
    Printer& m_printer;
    Pacer m_progress;
    Pacer m_pace;
    bool m_failureTold = false;
};

} // namespace bv::cli
