#include "cli/cliuser.h"

#include "platform/terminal.h"

namespace bv::cli {

namespace {
constexpr std::int64_t kProgressEveryMs = 100;
}

CommandLineUser::CommandLineUser(AppState& program, Printer& printer)
    : m_program(program), m_printer(printer), m_progress(kProgressEveryMs)
{
}

bool CommandLineUser::stopAsked()
{
    if (stopSignal() != 0 || m_printer.outputFailed())
        m_program.StopRequested = true;
    return m_program.StopRequested;
}

void CommandLineUser::tell(const QString& text, int, const QString&)
{
    m_printer.problem(text);
}

bool CommandLineUser::ask(const QString& text, int, const QString&)
{
    m_printer.problem(text + (answer ? QStringLiteral(" Yes.") : QStringLiteral(" No.")));
    return answer;
}

void CommandLineUser::showFigures(const RunValues& figures)
{
    stopAsked();
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

void CommandLineUser::review(std::span<const ReviewRow> rows, GroupActions& actions)
{
    if (onGroup)
        onGroup(rows, actions);
}

} // namespace bv::cli
