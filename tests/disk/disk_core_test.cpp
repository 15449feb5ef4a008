// SPDX-License-Identifier: GPL-3.0-or-later
// Disk geometry from the system, the disk space report's figures and the cluster overhang
// accounting, without windows.
#include "disk/diskspace.h"
#include "disk/overhang.h"
#include "platform/diskgeometry.h"
#include "tests/support/tree_fixture.h"

#include <gtest/gtest.h>

#include <QLocale>

#include <cstdio>
#include <future>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <thread>

namespace bv {
namespace {

const QLocale english(QLocale::English, QLocale::UnitedStates);

FileInfo regularFile(std::int64_t size, dev_t dev = 1, ino_t ino = 1, std::int64_t nlink = 1)
{
    FileInfo f;
    f.mode = S_IFREG | 0644;
    f.size = size;
    f.dev = dev;
    f.ino = ino;
    f.nlink = nlink;
    return f;
}

TEST(Overhang, EveryFileTakesWholeClustersAndAtLeastOne)
{
    struct Case
    {
        std::int64_t size;
        std::uint64_t allocation;
    };
    const Case cases[] = {
        {1, 4096}, {4097, 8192}, {8192, 8192},
        {0, 4096}, {4095, 4096}, {5'000'000'001, 5'000'003'584}, // beyond 32 bits
    };
    OverhangTally all(4096);
    std::uint64_t sizes = 0, used = 0;
    for (const Case& c : cases) {
        OverhangTally one(4096);
        ASSERT_EQ(one.add(regularFile(c.size)), OverhangTally::Added::Accounted);
        EXPECT_EQ(one.totalFileSizes(), std::uint64_t(c.size)) << c.size;
        EXPECT_EQ(one.actualSpaceUsed(), c.allocation) << c.size;
        EXPECT_EQ(one.totalWasted(), c.allocation - std::uint64_t(c.size)) << c.size;
        all.add(regularFile(c.size, 1, ino_t(c.size + 10)));
        sizes += std::uint64_t(c.size);
        used += c.allocation;
    }
    EXPECT_EQ(all.totalFileSizes(), sizes);
    EXPECT_EQ(all.actualSpaceUsed(), used);
}

TEST(Overhang, WastedShareStaysAPercentage)
{
    struct Case
    {
        const char* what;
        std::uint64_t sizes, used;
        std::uint64_t unit;
        int usedPercent, wastedPercent;
        const char* text;
        double barTwips;
    };
    const Case cases[] = {
        {"worked example", 1'000'000, 1'200'000, 12'000, 83, 17, " 17% Wasted", 770.1},
        {"one byte in a cluster", 1, 4096, 40, 0, 100, " 100% Wasted", 4530},
        // sizes \ (used \ 100) would give 125 here, and a wasted share of -25.
        {"files fill their clusters exactly", 250, 250, 2, 100, 0, " 0% Wasted", 0},
        // used \ 100 is 0: the quotient would divide by zero.
        {"less than 100 bytes used", 50, 60, 0, 83, 17, " 17% Wasted", 770.1},
        {"nothing accounted", 0, 0, 0, 0, 0, " 0% Wasted", 0},
        // sizes × 100 exceeds 64 bits.
        {"petabytes", 300'000'000'000'000'000, 400'000'000'000'000'000, 4'000'000'000'000'000, 75, 25, " 25% Wasted",
         1132.5},
    };
    for (const Case& c : cases) {
        const WastedShare s = wastedShare(c.sizes, c.used);
        EXPECT_EQ(s.unit, c.unit) << c.what;
        EXPECT_EQ(s.usedPercent, c.usedPercent) << c.what;
        EXPECT_EQ(s.wastedPercent, c.wastedPercent) << c.what;
        EXPECT_EQ(wastedPercentText(s.wastedPercent), QString::fromLatin1(c.text)) << c.what;
        EXPECT_NEAR(s.barTwips(), c.barTwips, 1e-9) << c.what;
    }
}

TEST(Overhang, AFileIsAccountedOnceWhateverItsLinks)
{
    OverhangTally t(4096);
    EXPECT_EQ(t.add(regularFile(10, 1, 5, 2)), OverhangTally::Added::Accounted);
    EXPECT_EQ(t.add(regularFile(10, 1, 5, 2)), OverhangTally::Added::SameFile);
    // The same inode number on another device is another file.
    EXPECT_EQ(t.add(regularFile(10, 2, 5, 2)), OverhangTally::Added::Accounted);
    FileInfo link = regularFile(30, 1, 9);
    link.mode = S_IFLNK | 0777;
    EXPECT_EQ(t.add(link), OverhangTally::Added::NotAFile);
    EXPECT_EQ(t.totalFileSizes(), 20u);
    EXPECT_EQ(t.actualSpaceUsed(), 8192u);
}

TEST(Overhang, PrintedFigures)
{
    EXPECT_EQ(filesScannedText(0, &english), QStringLiteral("0"));
    EXPECT_EQ(filesScannedText(3'000'000'000, &english), QStringLiteral("3,000,000,000"));
    EXPECT_EQ(kilobytesText(1023, &english), QStringLiteral("0 Kb"));
    EXPECT_EQ(kilobytesText(5'000'003'584, &english), QStringLiteral("4,882,816 Kb"));
    EXPECT_EQ(clusterSizeText(4096, &english), QStringLiteral("4,096  Bytes"));
}

TEST(DiskSpace, CaptionsBarAndPercentage)
{
    struct Case
    {
        const char* what;
        DiskGeometry g;
        const char* total;
        const char* free;
        const char* used;
        bool barVisible;
        std::optional<double> bar; // twips; nothing = left as it was
        const char* percentage;
    };
    const Case cases[] = {
        {"1,023 bytes used",
         {1, 1, 977, 2000},
         " 2,000 Bytes     1 Kb",
         " 977 Bytes     0 Kb",
         " 1,023 Bytes     0 Kb",
         true,
         std::nullopt,
         "51% used space"},
        {"nothing used",
         {512, 8, 100, 100},
         " 409,600 Bytes     400 Kb",
         " 409,600 Bytes     400 Kb",
         " 0 Bytes     0 Kb",
         false,
         0.0,
         "0% used space"},
        // unit = 10,000 / 4607 rounded = 2; 10,000 / 2 = 5,000 twips would overrun the bar.
        {"full, unit rounded down",
         {1, 1, 0, 10'000},
         " 10,000 Bytes     9 Kb",
         " 0 Bytes     0 Kb",
         " 10,000 Bytes     9 Kb",
         true,
         4607.0,
         "100% used space"},
        {"half a percent rounds up",
         {1, 1, 575'000, 1'000'000},
         " 1,000,000 Bytes     976 Kb",
         " 575,000 Bytes     561 Kb",
         " 425,000 Bytes     415 Kb",
         true,
         425'000.0 / 217,
         "43% used space"},
        {"empty volume",
         {512, 8, 0, 0},
         " 0 Bytes     0 Kb",
         " 0 Bytes     0 Kb",
         " 0 Bytes     0 Kb",
         false,
         std::nullopt,
         "0% used space"},
        // 2^40 × 2^20 × 2^10 bytes do not fit in 64 bits: 0, not a wrapped figure.
        {"capacity beyond 64 bits",
         {1ull << 40, 1ull << 20, 0, 1ull << 10},
         " 0 Bytes     0 Kb",
         " 0 Bytes     0 Kb",
         " 0 Bytes     0 Kb",
         false,
         std::nullopt,
         "0% used space"},
    };
    for (const Case& c : cases) {
        const DriveSpaceReport r = driveSpaceReport(c.g, &english);
        EXPECT_EQ(r.totalCapacity, QString::fromLatin1(c.total)) << c.what;
        EXPECT_EQ(r.freeSpace, QString::fromLatin1(c.free)) << c.what;
        EXPECT_EQ(r.usedSpace, QString::fromLatin1(c.used)) << c.what;
        EXPECT_EQ(r.barVisible, c.barVisible) << c.what;
        ASSERT_EQ(r.barWidthTwips.has_value(), c.bar.has_value()) << c.what;
        if (c.bar) {
            EXPECT_NEAR(*r.barWidthTwips, *c.bar, 1e-6) << c.what;
        }
        EXPECT_LE(r.barWidthTwips.value_or(0), kSpaceBarTwips) << c.what;
        EXPECT_EQ(r.percentage, QString::fromLatin1(c.percentage)) << c.what;
    }
}

TEST(DiskSpace, GeometryFigures)
{
    const DriveSpaceReport r = driveSpaceReport(DiskGeometry{512, 8, 1ull << 30, 1ull << 32}, &english);
    EXPECT_EQ(r.bytesPerSector, QStringLiteral(" 512"));
    EXPECT_EQ(r.sectorsPerCluster, QStringLiteral(" 8"));
    EXPECT_EQ(r.totalClusters, QStringLiteral(" 4,294,967,296"));
}

TEST(DiskGeometry, FromStatvfsFigures)
{
    struct Case
    {
        const char* what;
        VolumeStats stats;
        std::uint64_t sector;
        std::optional<DiskGeometry> expected;
    };
    const Case cases[] = {
        {"ext4 on 512-byte sectors", {4096, 4096, 1000, 400}, 512, DiskGeometry{512, 8, 400, 1000}},
        {"4K-native disk", {4096, 4096, 1000, 400}, 4096, DiskGeometry{4096, 1, 400, 1000}},
        {"no block device", {4096, 4096, 1000, 400}, 0, DiskGeometry{512, 8, 400, 1000}},
        {"no fragment size", {0, 2048, 10, 5}, 512, DiskGeometry{512, 4, 5, 10}},
        {"cluster smaller than a sector", {1024, 1024, 10, 5}, 4096, DiskGeometry{1024, 1, 5, 10}},
        {"cluster not a whole number of sectors", {6000, 6000, 10, 5}, 4096, DiskGeometry{6000, 1, 5, 10}},
        {"no cluster size at all", {0, 0, 10, 5}, 512, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(geometryFromStats(c.stats, c.sector), c.expected) << c.what;
}

// `stat -f` is the independent witness: fragment size, total and available blocks.
TEST(DiskGeometry, RealVolumeAgreesWithStatF)
{
    test::TreeFixture tree({"a.txt:10"});
    const std::optional<DiskGeometry> g = queryDiskGeometryNow(tree.root());
    ASSERT_TRUE(g.has_value());
    const QByteArray cmd = "stat -f -c '%S %b %a' '" + tree.root() + "'";
    FILE* p = ::popen(cmd.constData(), "r");
    ASSERT_NE(p, nullptr);
    unsigned long long fragment = 0, blocks = 0, avail = 0;
    ASSERT_EQ(std::fscanf(p, "%llu %llu %llu", &fragment, &blocks, &avail), 3);
    ::pclose(p);
    EXPECT_EQ(g->clusterSize(), fragment);
    EXPECT_EQ(g->totalClusters, blocks);
    // Other processes write meanwhile: free space may move a little, never by a tenth.
    EXPECT_NEAR(double(g->freeClusters), double(avail), double(blocks) / 10);
    EXPECT_GE(g->bytesPerSector, 512u);
    EXPECT_EQ(g->clusterSize() % g->bytesPerSector, 0u);

    EXPECT_FALSE(queryDiskGeometryNow(tree.path("a.txt")).has_value()); // not a folder
    EXPECT_FALSE(queryDiskGeometryNow(tree.path("missing")).has_value());
    EXPECT_FALSE(queryDiskGeometryNow("").has_value());
}

TEST(DiskGeometry, AVolumeThatDoesNotAnswerIsGivenUp)
{
    // The work stays blocked until the call has given up on it, so only a call that stops
    // waiting can return at all (no clock decides).
    auto release = std::make_shared<std::promise<void>>();
    std::shared_future<void> released = release->get_future().share();
    const auto hung = runWithDeadline(
        [released] {
            released.wait();
            return std::optional<DiskGeometry>(DiskGeometry{512, 8, 1, 2});
        },
        std::chrono::milliseconds(100));
    EXPECT_FALSE(hung.has_value());
    release->set_value();

    const auto quick = runWithDeadline(
        [] {
            return std::optional<DiskGeometry>(DiskGeometry{512, 8, 1, 2});
        },
        std::chrono::milliseconds(2000));
    EXPECT_EQ(quick, (DiskGeometry{512, 8, 1, 2}));
}

// A volume whose root only its owner may list (a tmpfs mounted 0700, /boot/efi with umask 0077)
// still tells another user its figures, as df does.
TEST(DiskGeometry, ARootOthersMayNotListStillAnswers)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "acting as another user needs root";
    // Below /tmp, which everyone may pass: the checkout may lie below a folder they may not.
    QByteArray locked = "/tmp/bv-locked-XXXXXX";
    ASSERT_NE(::mkdtemp(locked.data()), nullptr);
    ::chmod(locked.constData(), 0700);
    const test::ChildResult child = test::runInChild(
        {.asNobody = true}, [&] { return QByteArray(queryDiskGeometryNow(locked) ? "answered" : "no answer"); });
    ::rmdir(locked.constData());
    if (!child.ran)
        GTEST_SKIP() << "cannot switch to another user here";
    EXPECT_EQ(child.output, "answered");
}

} // namespace
} // namespace bv
