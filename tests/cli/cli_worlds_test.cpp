// SPDX-License-Identifier: GPL-3.0-or-later
// The reliability worlds (tests/reliability/world.h) cleaned through the command line: the
// same guarantees as the windows' runs, nothing outside the selection touched and races
// survived, for the file search's command with random criteria, half of them with races
// between the re-check and the act. Every fifth world is a dry run, which must leave the whole
// world exactly as it was.
//
//   BV_SEEDS=N (default 40) worlds from BV_SEED_BASE (default 1).
#include "cli/commands.h"
#include "platform/fileops.h"
#include "tests/reliability/world.h"
#include "tests/support/tree_fixture.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cstdio>

using namespace bv;
using namespace bv::test;

namespace {

bool g_mounts = false;

// The real file operations with a race planned on some paths.
class RacingOps : public FileOps
{
public:
    RacingOps(World& world, bool recycle) : m_world(world), m_recycle(recycle)
    {
        setFileOps(this);
        RealFileOps::setHookBeforeActing([this] { fire(RacePoint::BeforeAct); });
    }
    ~RacingOps() override
    {
        RealFileOps::setHookBeforeActing({});
        setFileOps(nullptr);
    }
    ActResult trash(const QByteArray& path, const FileInfo& listed) override
    {
        m_current = path;
        fire(RacePoint::BeforeCheck);
        return m_real.trash(path, listed);
    }
    ActResult remove(const QByteArray& path, const FileInfo& listed) override
    {
        m_current = path;
        fire(RacePoint::BeforeCheck);
        return m_real.remove(path, listed);
    }
    ActResult move(const QByteArray& path, const FileInfo& listed, const QByteArray& dest) override
    {
        return m_real.move(path, listed, dest);
    }
    ActResult restoreAccessTime(const QByteArray& path, const FileInfo& listed, const timespec& atime) override
    {
        return m_real.restoreAccessTime(path, listed, atime);
    }
    bool canTrashAt(const QByteArray& folder, QString* why) override { return m_real.canTrashAt(folder, why); }

    std::map<QByteArray, std::pair<RaceKind, RacePoint>> plans;
    int fired = 0;

private:
    void fire(RacePoint point)
    {
        const auto it = plans.find(m_current);
        if (it == plans.end() || it->second.second != point)
            return;
        const RaceKind kind = it->second.first;
        plans.erase(it);
        fired += !m_world.race(m_current, kind, point, m_recycle).isEmpty();
    }

    World& m_world;
    bool m_recycle;
    QByteArray m_current;
    RealFileOps m_real;
};

cli::Options optionsFor(const FileSearchCriteria& c, cli::Disposal disposal, const QByteArray& log)
{
    cli::Options o;
    o.command = cli::Command::Search;
    o.place = c.folder;
    o.patterns = c.patterns();
    o.dateTest = c.criterion == Criterion::HaveBeenUsed     ? cli::DateTest::UsedSince
                 : c.criterion == Criterion::HaventBeenUsed ? cli::DateTest::UnusedSince
                                                            : cli::DateTest::ChangedOn;
    o.date = c.limit;
    o.dateText = c.limit.toString(Qt::ISODate);
    o.minSize = c.minSize;
    o.includeHidden = !c.ignoreHidden;
    o.disposal = disposal;
    o.yes = true;
    o.json = true;
    o.logFile = log;
    return o;
}

} // namespace

TEST(CliWorlds, NothingOutsideTheSelectionIsTouchedAndRacesAreSurvived)
{
    const std::uint64_t base =
        qEnvironmentVariableIsSet("BV_SEED_BASE") ? qEnvironmentVariableIntValue("BV_SEED_BASE") : 1;
    const int count = qEnvironmentVariableIsSet("BV_SEEDS") ? qEnvironmentVariableIntValue("BV_SEEDS") : 40;
    TreeFixture trees;
    int races = 0;
    int removing = 0;
    for (std::uint64_t seed = base; seed < base + std::uint64_t(count); ++seed) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        const bool recycle = seed % 2;
        const bool dry = seed % 5 == 0;
        WorldOptions worldOptions;
        worldOptions.mounts = g_mounts && seed % 3 != 0;
        World world(seed, trees.root(), worldOptions);
        FileSearchEntries entries = world.randomEntries(recycle);
        // The command line has one switch for hidden files and hidden folders.
        entries.ignoreHiddenDirs = entries.ignoreHidden;
        const FileSearchCriteria criteria = world.criteriaFor(entries);
        world.record(criteria);
        const QByteArray trash = recycle ? emptiedTrashFiles() : QByteArray();
        const std::map<QByteArray, EntryState> before = snapshotTree(world.root());

        RacingOps ops(world, recycle);
        if (!dry && (seed / 2) % 2) {
            const QList<QByteArray> files = world.selectedFiles();
            for (int i = 0; i < 2 && !files.isEmpty(); ++i) {
                const QByteArray path = files.at(qsizetype(world.rng()() % std::uint64_t(files.size())));
                ops.plans[path] = {RaceKind(world.rng()() % 4),
                                   world.rng()() % 3 == 0 ? RacePoint::BeforeAct : RacePoint::BeforeCheck};
            }
        }
        QTemporaryDir logs;
        const QByteArray log = QFile::encodeName(logs.path()) + "/run.log";
        const cli::Disposal disposal = dry       ? cli::Disposal::List
                                       : recycle ? cli::Disposal::Trash
                                                 : cli::Disposal::Delete;
        FILE* out = std::tmpfile();
        FILE* err = std::tmpfile();
        cli::Printer printer(true, dry ? "list" : recycle ? "trash" : "delete", out, err);
        const int status = cli::runSearch(optionsFor(criteria, disposal, log), printer);
        std::fclose(out);
        std::fclose(err);

        EXPECT_EQ(status, 0);
        if (dry) {
            EXPECT_TRUE(snapshotTree(world.root()) == before) << "a dry run changed the world";
            continue;
        }
        races += ops.fired;
        removing += world.selectedCount() > 0;
        const QStringList problems = world.check(readLogLines(log), recycle, trash);
        EXPECT_TRUE(problems.isEmpty()) << problems.join(u'\n').toStdString();
    }
    // The run proves nothing about what never happened in it.
    if (count >= 20) {
        EXPECT_GT(races, count / 10);
        EXPECT_GT(removing, count / 4);
    }
}

int main(int argc, char** argv)
{
    // Before any thread starts: a namespace of our own for the worlds' mounts.
    g_mounts = enterPrivateMounts();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
