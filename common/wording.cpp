// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/wording.h"

#include "platform/messages.h"

namespace bv {

namespace {

bool isRefusal(ActOutcome outcome)
{
    return outcome == ActOutcome::Refused || outcome == ActOutcome::NotSupported;
}

} // namespace

QByteArray actionLine(RemovalAction action, ActOutcome outcome, DecidedBy decidedBy, const QByteArray& destFolder)
{
    switch (outcome) {
    case ActOutcome::Done:
        switch (action) {
        case RemovalAction::Trash:
            return "ACTION: Recycle Bin";
        case RemovalAction::Delete:
            return "ACTION: Delete";
        case RemovalAction::Move:
            break;
        }
        return QByteArray("ACTION: Moved (") + destFolder + ')';
    case ActOutcome::Changed:
        return "ACTION: Skipped - File Changed Since It Was Listed";
    case ActOutcome::Vanished:
        return "ACTION: Skipped - File No Longer Exists";
    case ActOutcome::Refused:
    case ActOutcome::NotSupported:
        // A refused move leaves the file where it is and still to be decided: no record.
        if (action == RemovalAction::Move)
            return {};
        if (decidedBy == DecidedBy::Run)
            return "ACTION: Access Denied";
        return action == RemovalAction::Trash ? "ACTION: Recycle Bin - Action Denied"
                                              : "ACTION: Delete - Action Denied";
    case ActOutcome::NotTouched:
        break;
    }
    return {};
}

QByteArray ignoreLine()
{
    return "ACTION: Ignore";
}

QByteArray abortLine()
{
    return "ACTION: Abort Search";
}

QByteArray inUseLine()
{
    return "ACTION: Skipped - File In Use";
}

QByteArray sampleRunLine()
{
    return "ACTION: Sample Run - Not Removed";
}

QString changedSinceListedText(const QString& shownPath)
{
    return shownPath + QStringLiteral(" has changed since it was found. It was left in place.");
}

QString couldNotRemoveText(const QString& shownPath)
{
    return QStringLiteral("Could not remove: ") + shownPath;
}

OutcomeMessage outcomeMessage(Teller teller, RemovalAction action, ActOutcome outcome, const QString& shownPath)
{
    if (outcome == ActOutcome::Changed) {
        // Quick Clean keeps no log and has one word for every file it leaves.
        if (teller == Teller::QuickClean)
            return {couldNotRemoveText(shownPath), MsgCritical};
        return {changedSinceListedText(shownPath), MsgExclamation};
    }
    const bool refused = isRefusal(outcome);
    switch (teller) {
    case Teller::FileSearch:
        if (refused)
            return {QStringLiteral("Could not remove ") + shownPath + QStringLiteral(" . Access to this file denied."),
                    MsgCritical};
        break;
    case Teller::DecisionWindow:
        if (refused)
            return {QStringLiteral("Access was denied."), MsgExclamation};
        break;
    case Teller::MoveDialog:
        if (refused)
            return {QStringLiteral("Could not move this file."), MsgCritical};
        break;
    case Teller::QuickClean:
        // A file the trash did not take is passed over without a word (never deleted instead); a
        // deletion that failed is told.
        if ((refused || outcome == ActOutcome::Vanished) && action != RemovalAction::Trash)
            return {couldNotRemoveText(shownPath), MsgCritical};
        break;
    }
    return {};
}

} // namespace bv
