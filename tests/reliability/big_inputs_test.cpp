// Big and deep inputs hold: a folder of 200,000 entries, a chain of folders 10,000 levels deep
// (paths five times PATH_MAX), a 100 GB sparse file and a path of 4,000 bytes, each searched by
// the file search's core pieces (walk, criteria, recorded removal) and its selected files
// removed. No crash; the time grows linearly (the same shape a quarter the size is the
// yardstick: linear is 4 times, quadratic 16); the memory grows by what the run keeps (one
// folder's listing), not by what it saw; the numbers and the log stay exact.
//
//   BV_BIG_SCALE=K multiplies the entry count and the depth (bigger variants, by hand).
#include "tests/reliability/world.h"
#include "tests/support/tree_fixture.h"

#include <gtest/gtest.h>

#include <QFile>

#include <chrono>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace bv;
using namespace bv::test;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true; // time and memory mean little under AddressSanitizer
#else
constexpr bool kSanitized = false;
#endif

const int kScale = qMax(1, qEnvironmentVariableIntValue("BV_BIG_SCALE"));

long maxRssKb()
{
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

struct Measured
{
    double seconds = 0;
    long rssGrowthKb = 0;
    RunValues run;
    QList<QByteArray> log;
};

// Removes every *.tmp file below start not used since 2030 (all of them: they were made now),
// or, with minSize, only those at least that large.
Measured removeTmpFiles(const QByteArray& start, const QString& minSize = {}, bool recycle = false)
{
    FileSearchEntries e;
    e.pattern0 = QStringLiteral("*.tmp");
    e.instruction = QStringLiteral("haven't been used");
    e.sinceText = QStringLiteral("since");
    e.dateText = QStringLiteral("1/1/2030");
    e.bytesText = minSize;
    e.recycle = recycle;
    e.verify = false;
    FileSearchCriteria c = validateEntries(e, QLocale(QLocale::English, QLocale::UnitedStates)).criteria;
    c.folder = start;
    const QByteArray logPath = start + ".log";
    Measured m;
    const long rss = maxRssKb();
    const auto began = std::chrono::steady_clock::now();
    m.run = runCoreSearch(c, logPath);
    m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    m.rssGrowthKb = maxRssKb() - rss;
    m.log = readLogLines(logPath);
    ::unlink(logPath.constData());
    return m;
}

bool exists(const QByteArray& path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

bool g_mayMount = false;

// A fixture tree on a tmpfs of its own where the test may mount (made and dropped at once, where
// a disk takes most of a minute to make and remove 250,000 entries), else on the disk.
class ScratchTree : public TreeFixture
{
public:
    ScratchTree() : m_mounted(g_mayMount && ::mount("none", root().constData(), "tmpfs", 0, "size=512m") == 0) {}
    ~ScratchTree()
    {
        if (m_mounted)
            ::umount2(root().constData(), MNT_DETACH);
    }

private:
    bool m_mounted;
};

} // namespace

// 200,000 entries in one folder, one in 200 of them selected; and the same at a quarter size.
TEST(BigInputs, AWideFolder)
{
    ScratchTree t;
    Measured runs[2];
    for (int i = 0; i < 2; ++i) {
        const int entries = (i == 0 ? 50'000 : 200'000) * kScale;
        const int selected = entries / 200;
        const QByteArray folder = "wide" + QByteArray::number(i);
        t.makeWide(folder, entries - selected, "f");
        const int fd = ::open(t.path(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (int n = 0; n < selected; ++n)
            ::close(::openat(fd, ("x" + QByteArray::number(n) + ".tmp").constData(), O_WRONLY | O_CREAT, 0644));
        ::close(fd);
        runs[i] = removeTmpFiles(t.path(folder));
        EXPECT_EQ(runs[i].run.FilesRemoved, selected);
        EXPECT_EQ(runs[i].log.count("ACTION: Delete"), selected);
    }
    EXPECT_FALSE(exists(t.path("wide1/x0.tmp")));
    EXPECT_TRUE(exists(t.path("wide1/f0000")));
    std::printf("wide folder: %.2f s for %d entries, %.2f s for %d; memory +%ld KB\n", runs[0].seconds, 50'000 * kScale,
                runs[1].seconds, 200'000 * kScale, runs[1].rssGrowthKb);
    if (!kSanitized) {
        EXPECT_LT(runs[1].seconds, 10 * qMax(runs[0].seconds, 0.05)) << "not linear in the folder's size";
        EXPECT_LT(runs[1].seconds, 30.0 * kScale);
        // The folder's listing (names and their order) is all the walk keeps: well under 1 KB an
        // entry. Anything kept per file seen would show here.
        EXPECT_LT(runs[1].rssGrowthKb, 64L * 1024 * kScale);
    }
}

// A chain 10,000 folders deep (paths of 20,000 bytes) with ten selected files along it, the last
// at the bottom; and the same at a quarter depth.
TEST(BigInputs, ADeepChain)
{
    ScratchTree t;
    Measured runs[2];
    for (int i = 0; i < 2; ++i) {
        const int depth = (i == 0 ? 2'500 : 10'000) * kScale;
        const QByteArray chain = "c" + QByteArray::number(i);
        const QByteArray bottom = t.makeChain(chain, depth);
        int files = 0;
        for (int level = depth / 10; level < depth; level += depth / 10, ++files)
            t.makeFile(chain + QByteArray("/d").repeated(level) + "/f.tmp", 10);
        t.makeFile(bottom + "/deepest.tmp", 10);
        t.makeFile(bottom + "/keep.txt", 10);
        ++files;
        runs[i] = removeTmpFiles(t.path(chain));
        EXPECT_EQ(runs[i].run.FilesRemoved, files) << "depth " << depth;
        EXPECT_EQ(runs[i].log.count("ACTION: Delete"), files);
        // The log names each file by its whole path, however long.
        const QByteArray deepest = t.path(bottom + "/deepest.tmp");
        EXPECT_TRUE(runs[i].log.contains(deepest)) << "depth " << depth;
    }
    std::printf("deep chain: %.2f s at depth %d, %.2f s at depth %d; memory +%ld KB\n", runs[0].seconds, 2'500 * kScale,
                runs[1].seconds, 10'000 * kScale, runs[1].rssGrowthKb);
    if (!kSanitized) {
        EXPECT_LT(runs[1].seconds, 10 * qMax(runs[0].seconds, 0.05)) << "not linear in the depth";
        EXPECT_LT(runs[1].seconds, 30.0 * kScale);
        EXPECT_LT(runs[1].rssGrowthKb, 64L * 1024 * kScale);
    }
}

// A 100 GB sparse file: its size counted to the byte in 64 bits, nothing of it read; and a path
// of 4,000 bytes (just under PATH_MAX), deleted and recycled.
TEST(BigInputs, AHugeSparseFileAndALongPath)
{
    TreeFixture t;
    constexpr qint64 huge = 100LL * 1024 * 1024 * 1024;
    t.makeFile("big/huge.tmp", huge, true);
    t.makeFile("big/small.tmp", 10);
    const Measured big = removeTmpFiles(t.path("big"), QStringLiteral("1000000000"));
    EXPECT_EQ(big.run.FilesRemoved, 1);
    EXPECT_EQ(big.run.BytesReclaimed, huge);
    EXPECT_TRUE(big.log.contains("...File Size is  107374182400 Bytes"));
    EXPECT_TRUE(big.log.contains("Total bytes reclaimed:  107374182400"));
    EXPECT_TRUE(exists(t.path("big/small.tmp")));
    EXPECT_LT(big.seconds, 5.0); // a read of 100 GB would take minutes

    // 19 folders of 200 bytes and a name: 3,999 bytes with the root.
    for (const bool recycle : {false, true}) {
        const QByteArray top = recycle ? "r" : "d";
        QByteArray rel = top;
        while (t.path(rel).size() + 201 + 40 < 4000)
            rel += '/' + QByteArray(200, recycle ? 'r' : 'd');
        QByteArray name = "f.tmp";
        name.prepend(QByteArray(qMax<qsizetype>(1, 3999 - t.path(rel).size() - 1 - name.size()), 'n'));
        const QByteArray file = rel + '/' + name;
        t.makeFile(file, 10);
        ASSERT_EQ(t.path(file).size(), 3999);
        const Measured m = removeTmpFiles(t.path(top), {}, recycle);
        EXPECT_EQ(m.run.FilesRemoved, 1) << (recycle ? "recycle" : "delete");
        EXPECT_FALSE(exists(t.path(file)));
        EXPECT_TRUE(m.log.contains(recycle ? "ACTION: Recycle Bin" : "ACTION: Delete"));
    }
}

int main(int argc, char** argv)
{
    g_mayMount = enterPrivateMounts(); // before any thread starts
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
