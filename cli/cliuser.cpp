// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cliuser.h"

#include "platform/messages.h"
#include "platform/terminal.h"

namespace bv::cli {

namespace {
constexpr std::int64_t kProgressEveryMs = 100;
// How often the listing follows the run's log between the figures' calls.
constexpr std::int64_t kPaceEveryMs = 50;
} // namespace

CommandLineUser::CommandLineUser(AppState& program, Printer& printer)
    : m_program(program), m_printer(printer), m_progress(kProgressEveryMs), m_pace(kPaceEveryMs)
{
}

bool CommandLineUser::stopAsked()
{
    if (stopSignal() != 0 || m_printer.outputFailed())
        m_program.StopRequested = true;
    return m_program.StopRequested;
}

void CommandLineUser::tell(const QString& text, int style, const QString&)
{
    const bool toldAlready = m_failureTold && style == MsgCritical;
    m_failureTold = false;
    if (!toldAlready)
        m_printer.problem(text);
}

bool CommandLineUser::ask(const QString& text, int, const QString&)
{
    m_printer.problem(text + (answer ? QStringLiteral(" Yes.") : QStringLiteral(" No.")));
    return answer;
}

void CommandLineUser::letEventsIn()
{
    stopAsked();
    if (onPace && m_pace.due())
        onPace();
}

void CommandLineUser::showFigures(const RunValues& figures)
{
    stopAsked();
    if (onPace)
        onPace();
    if (figuresText && m_progress.due())
        m_printer.progress(figuresText(figures));
}

void CommandLineUser::showStatus(const QString&) {}

FileDecision CommandLineUser::verify(const VerifyItem& file, FileActions& actions)
{
    if (onFile)
        return onFile(file, actions);
    actions.ignore();
    return FileDecision{FileChoice::Ignore, ActOutcome::NotTouched, true};
}

} // namespace bv::cli
