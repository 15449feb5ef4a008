// SPDX-License-Identifier: GPL-3.0-or-later
// The headless user drives a run the way its script says: questions, files in question, groups,
// and the moments a run lets events in.
#include "common/headlessuser.h"

#include <gtest/gtest.h>

using namespace bv;

namespace {

// What the run would do, recorded; a move into "refuses" is refused, as a taken name is.
class RecordedActions : public FileActions, public GroupActions
{
public:
    QStringList calls;

    RemovalRecord remove() override { return record("remove", ActOutcome::Done); }
    RemovalRecord move(const QByteArray& folder) override
    {
        return record("move " + folder, folder == "refuses" ? ActOutcome::Refused : ActOutcome::Done);
    }
    bool ignore() override
    {
        calls << "ignore";
        return true;
    }
    void abort() override { calls << "abort"; }
    void opened() override { calls << "opened"; }

    RemovalRecord remove(int row) override { return record("remove " + QByteArray::number(row), ActOutcome::Done); }
    RemovalRecord move(int row, const QByteArray& folder) override
    {
        return record("move " + QByteArray::number(row) + " " + folder, ActOutcome::Done);
    }
    bool reread(int, ReviewRow&) override { return false; }

private:
    RemovalRecord record(const QByteArray& call, ActOutcome outcome)
    {
        calls << QString::fromUtf8(call);
        return {outcome, true, {}};
    }
};

} // namespace

TEST(HeadlessUser, QuestionsAreAnsweredFromTheScriptThenNo)
{
    HeadlessUser user;
    user.answers = {true};
    user.tell(QStringLiteral("Told."), 48, QStringLiteral("Brisvane!"));
    EXPECT_TRUE(user.ask(QStringLiteral("First?"), 36, QStringLiteral("Brisvane!")));
    EXPECT_FALSE(user.ask(QStringLiteral("Second?"), 292, QStringLiteral("Brisvane!")));
    ASSERT_EQ(user.told.size(), 3);
    EXPECT_EQ(user.told[0].text, QStringLiteral("Told."));
    EXPECT_EQ(user.told[0].style, 48);
    EXPECT_FALSE(user.told[0].question);
    EXPECT_TRUE(user.told[2].question);
    EXPECT_EQ(user.told[2].style, 292);
}

TEST(HeadlessUser, FilesAreDecidedInOrderAndARefusedMoveKeepsTheFileInQuestion)
{
    HeadlessUser user;
    using A = HeadlessUser::FileAnswer;
    user.fileAnswers = {A{FileChoice::Remove, {}}, A{FileChoice::Move, "refuses"}, A{FileChoice::Move, "keep"},
                        A{FileChoice::Abort, {}}};
    user.otherwise = A{FileChoice::Move, "refuses"};
    RecordedActions actions;
    const VerifyItem file;
    EXPECT_EQ(user.verify(file, actions), (FileDecision{FileChoice::Remove, ActOutcome::Done, true}));
    // The refused move is followed by the next answer, for the same file.
    EXPECT_EQ(user.verify(file, actions), (FileDecision{FileChoice::Move, ActOutcome::Done, true}));
    EXPECT_EQ(user.verify(file, actions).choice, FileChoice::Abort);
    // With the script spent, a move refused again leaves the file in place.
    EXPECT_EQ(user.verify(file, actions), (FileDecision{FileChoice::Ignore, ActOutcome::NotTouched, true}));
    EXPECT_EQ(actions.calls, QStringList({"remove", "move refuses", "move keep", "abort", "move refuses", "ignore"}));
    EXPECT_EQ(user.decisions.size(), 4);
}

TEST(HeadlessUser, GroupsFollowTheScriptThenStayAsTheyAre)
{
    HeadlessUser user;
    using R = HeadlessUser::RowAnswer;
    user.groupAnswers = {
        {{R{1, FileChoice::Remove, {}}, R{7, FileChoice::Remove, {}}, R{0, FileChoice::Move, "keep"}}, false},
        {{}, true}};
    RecordedActions actions;
    const std::vector<ReviewRow> rows(2);
    user.review(rows, actions);
    user.review(rows, actions);
    user.review(rows, actions); // after the script: Continue, nothing done
    EXPECT_EQ(actions.calls, QStringList({"remove 1", "move 0 keep", "abort"}));
}

TEST(HeadlessUser, EveryTurnOfTheEventLoopRunsTheCallersHook)
{
    HeadlessUser user;
    int turns = 0;
    user.onEvents = [&] { ++turns; };
    user.walkScreen().yieldToEvents();
    user.letEventsIn();
    user.walkScreen().appendFlood(2);
    EXPECT_EQ(turns, 2);
    EXPECT_EQ(user.floodBlocks, 2);
}
