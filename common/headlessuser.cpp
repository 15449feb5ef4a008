// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/headlessuser.h"

namespace bv {

namespace {

bool refused(ActOutcome outcome)
{
    return outcome == ActOutcome::Refused || outcome == ActOutcome::NotSupported;
}

} // namespace

HeadlessUser::HeadlessUser() : m_screen(*this) {}

void HeadlessUser::tell(const QString& text, int style, const QString& title)
{
    told.append({text, style, title, false});
}

bool HeadlessUser::ask(const QString& text, int style, const QString& title)
{
    told.append({text, style, title, true});
    return !answers.isEmpty() && answers.takeFirst();
}

void HeadlessUser::showFigures(const RunValues& values)
{
    figures = values;
    ++figuresShown;
}

void HeadlessUser::showStatus(const QString& text)
{
    statuses.append(text);
}

void HeadlessUser::letEventsIn()
{
    if (onEvents)
        onEvents();
}

FileDecision HeadlessUser::verify(const VerifyItem& file, FileActions& actions)
{
    (void)file;
    const FileDecision decision = decide(actions);
    decisions.append(decision);
    return decision;
}

FileDecision HeadlessUser::decide(FileActions& actions)
{
    for (;;) {
        const bool scripted = !fileAnswers.isEmpty();
        const FileAnswer answer = scripted ? fileAnswers.takeFirst() : otherwise;
        switch (answer.choice) {
        case FileChoice::Remove: {
            const RemovalRecord r = actions.remove();
            return {FileChoice::Remove, r.outcome, r.logged};
        }
        case FileChoice::Move: {
            const RemovalRecord r = actions.move(answer.folder);
            if (!refused(r.outcome))
                return {FileChoice::Move, r.outcome, r.logged};
            if (scripted)
                continue; // still in question: the next answer decides
            return {FileChoice::Ignore, ActOutcome::NotTouched, actions.ignore()};
        }
        case FileChoice::Abort:
            actions.abort();
            return {FileChoice::Abort, ActOutcome::NotTouched, true};
        case FileChoice::Close:
            return {FileChoice::Close, ActOutcome::NotTouched, actions.ignore()};
        case FileChoice::Ignore:
        case FileChoice::Undecided:
            break;
        }
        return {FileChoice::Ignore, ActOutcome::NotTouched, actions.ignore()};
    }
}

void HeadlessUser::review(std::span<const ReviewRow> rows, GroupActions& actions)
{
    if (groupAnswers.isEmpty())
        return;
    const GroupAnswer group = groupAnswers.takeFirst();
    for (const RowAnswer& answer : group.rows) {
        if (answer.row < 0 || answer.row >= int(rows.size()))
            continue;
        if (answer.choice == FileChoice::Move)
            actions.move(answer.row, answer.folder);
        else if (answer.choice == FileChoice::Remove)
            actions.remove(answer.row);
    }
    if (group.abort)
        actions.abort();
}

} // namespace bv
