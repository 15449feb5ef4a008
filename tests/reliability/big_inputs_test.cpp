// SPDX-License-Identifier: GPL-3.0-or-later
// Big and deep inputs hold: a folder of 200,000 entries, a chain of folders 10,000 levels deep
// (paths five times PATH_MAX), a 100 GB sparse file and a path of 4,000 bytes, each searched by
// the file search's core pieces (walk, criteria, recorded removal) and its selected files
// removed. No crash; the work grows linearly (the same shape a quarter the size is the
// yardstick: linear is 4 times, quadratic 16); the memory grows by what the run keeps (one
// folder's listing), not by what it saw; the numbers and the log stay exact.
//
// Work is counted, not timed: the system calls a run makes and the folder entries it reads
// (traced in a child process), and the bytes of files it reads. A busy machine changes how long a run takes, never how
// much it does; speed is measured by the benchmarks (bench/README.md).
//
//   BV_BIG_SCALE=K multiplies the entry count and the depth (bigger variants, by hand).
#include "tests/reliability/world.h"
#include "tests/support/tree_fixture.h"

#include <gtest/gtest.h>

#include <QFile>

#include <functional>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace bv;
using namespace bv::test;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true; // memory means little under AddressSanitizer
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

// The work a piece of a run did, as the kernel saw it: the system calls it made, and the bytes
// of folder entries it read (a folder listed again and again shows here, however few the calls).
struct Work
{
    long long syscalls = -1; // -1: not counted (tracing refused here)
    long long entryBytes = 0;
};

struct Measured
{
    double seconds = 0; // shown, never judged
    long rssGrowthKb = 0;
    Work work; // counted runs only
    RunValues run;
    QList<QByteArray> log;
};

// Bytes this process has read through read(2) and its kin so far.
long long bytesRead()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : io.readAll().split('\n')) {
        if (line.startsWith("rchar: "))
            return line.mid(7).toLongLong();
    }
    return -1;
}

// Runs body in a child process traced by this one and counts its work. body's text comes back
// in `output` (keep it short: the child writes it while still traced).
Work countWork(const std::function<QByteArray()>& body, QByteArray& output)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return {};
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0)
            ::_exit(77);
        ::raise(SIGSTOP);
        const QByteArray out = body();
        ::_exit(::write(fds[1], out.constData(), size_t(out.size())) == out.size() ? 0 : 1);
    }
    ::close(fds[1]);
    Work work;
    long long calls = 0;
    std::uint64_t lastCall = 0;
    int status = 0;
    bool traced = ::waitpid(pid, &status, 0) == pid && WIFSTOPPED(status) &&
                  ::ptrace(PTRACE_SETOPTIONS, pid, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL) == 0;
    int signal = 0;
    while (traced && ::ptrace(PTRACE_SYSCALL, pid, nullptr, signal) == 0 && ::waitpid(pid, &status, 0) == pid &&
           WIFSTOPPED(status)) {
        signal = WSTOPSIG(status) == (SIGTRAP | 0x80) ? 0 : WSTOPSIG(status);
        if (signal != 0)
            continue;
        __ptrace_syscall_info info{};
        if (::ptrace(PTRACE_GET_SYSCALL_INFO, pid, sizeof info, &info) <= 0) {
            traced = false;
            break;
        }
        if (info.op == PTRACE_SYSCALL_INFO_ENTRY) {
            ++calls;
            lastCall = info.entry.nr;
        } else if (info.op == PTRACE_SYSCALL_INFO_EXIT && lastCall == SYS_getdents64 && info.exit.rval > 0) {
            work.entryBytes += info.exit.rval;
        }
    }
    if (!traced)
        ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    char buf[4096];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
        output.append(buf, n);
    ::close(fds[0]);
    if (traced && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        work.syscalls = calls;
    return work;
}

// Four times the input, about four times the work: a quadratic run does sixteen.
void expectLinear(const Work& quarter, const Work& whole, const char* what)
{
    EXPECT_LT(whole.syscalls, 5 * quarter.syscalls) << what << ": system calls";
    EXPECT_LT(whole.entryBytes, 5 * quarter.entryBytes) << what << ": folder entries read";
}

// Removes every *.tmp file below start not used since 2030 (all of them: they were made now),
// or, with minSize, only those at least that large. Counted: the run goes in a traced child.
Measured removeTmpFiles(const QByteArray& start, const QString& minSize = {}, bool recycle = false,
                        bool counted = false)
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
    const QByteArray appFolder = start + "-app";
    ::mkdir(appFolder.constData(), 0755);
    const QByteArray logPath = appFolder + "/temp.bv";
    Measured m;
    auto run = [&] {
        const long rss = maxRssKb();
        const auto began = std::chrono::steady_clock::now();
        m.run = runCoreSearch(c, logPath);
        m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        m.rssGrowthKb = maxRssKb() - rss;
    };
    if (counted) {
        QByteArray out;
        m.work = countWork(
            [&] {
                run();
                return QByteArray::number(m.run.FilesRemoved) + ' ' + QByteArray::number(m.rssGrowthKb) + ' ' +
                       QByteArray::number(m.seconds);
            },
            out);
        const QList<QByteArray> parts = out.split(' ');
        if (parts.size() == 3) {
            m.run.FilesRemoved = parts[0].toLongLong();
            m.rssGrowthKb = parts[1].toLong();
            m.seconds = parts[2].toDouble();
        } else if (m.work.syscalls < 0) {
            run(); // tracing refused before the run began: it runs here, uncounted
        }
    } else {
        run();
    }
    m.log = readLogLines(logPath);
    ::unlink(logPath.constData());
    ::rmdir(appFolder.constData());
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
        runs[i] = removeTmpFiles(t.path(folder), {}, false, true);
        EXPECT_EQ(runs[i].run.FilesRemoved, selected);
        EXPECT_EQ(runs[i].log.count("ACTION: Delete"), selected);
    }
    EXPECT_FALSE(exists(t.path("wide1/x0.tmp")));
    EXPECT_TRUE(exists(t.path("wide1/f0000")));
    std::printf("wide folder: %lld system calls and %lld bytes of entries (%.2f s) for %d entries, %lld and %lld "
                "(%.2f s) for %d; memory +%ld KB\n",
                runs[0].work.syscalls, runs[0].work.entryBytes, runs[0].seconds, 50'000 * kScale, runs[1].work.syscalls,
                runs[1].work.entryBytes, runs[1].seconds, 200'000 * kScale, runs[1].rssGrowthKb);
    if (!kSanitized) {
        // The folder's listing (names and their order) is all the walk keeps: well under 1 KB an
        // entry. Anything kept per file seen would show here.
        EXPECT_LT(runs[1].rssGrowthKb, 64L * 1024 * kScale);
    }
    if (runs[0].work.syscalls < 0 || runs[1].work.syscalls < 0)
        GTEST_SKIP() << "the work cannot be counted here (tracing refused): its growth is not checked";
    expectLinear(runs[0].work, runs[1].work, "in the folder's size");
}

// A chain 10,000 folders deep (paths of 20,000 bytes) with ten selected files along it, the last
// at the bottom; and the same at a quarter depth.
TEST(BigInputs, ADeepChain)
{
    ScratchTree t;
    Measured runs[2], walks[2];
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
        // The walk alone is counted (a size no file reaches): a removal reaches its file through
        // every folder above it, a single call below PATH_MAX and one per folder beyond it, so
        // the removals' calls grow with how many of the paths pass that limit, not with the walk.
        walks[i] = removeTmpFiles(t.path(chain), QStringLiteral("1000000000"), false, true);
        EXPECT_EQ(walks[i].run.FilesRemoved, 0) << "depth " << depth;
        runs[i] = removeTmpFiles(t.path(chain));
        EXPECT_EQ(runs[i].run.FilesRemoved, files) << "depth " << depth;
        EXPECT_EQ(runs[i].log.count("ACTION: Delete"), files);
        // The log names each file by its whole path, however long.
        const QByteArray deepest = t.path(bottom + "/deepest.tmp");
        EXPECT_TRUE(runs[i].log.contains(deepest)) << "depth " << depth;
    }
    std::printf("deep chain: the walk %lld system calls and %lld bytes of entries at depth %d, %lld and %lld at depth "
                "%d; the run %.2f s, %.2f s; memory +%ld KB\n",
                walks[0].work.syscalls, walks[0].work.entryBytes, 2'500 * kScale, walks[1].work.syscalls,
                walks[1].work.entryBytes, 10'000 * kScale, runs[0].seconds, runs[1].seconds, runs[1].rssGrowthKb);
    if (!kSanitized) {
        EXPECT_LT(runs[1].rssGrowthKb, 64L * 1024 * kScale);
    }
    if (walks[0].work.syscalls < 0 || walks[1].work.syscalls < 0)
        GTEST_SKIP() << "the work cannot be counted here (tracing refused): its growth is not checked";
    expectLinear(walks[0].work, walks[1].work, "the walk in the depth");
}

// A 100 GB sparse file: its size counted to the byte in 64 bits, nothing of it read; and a path
// of 4,000 bytes (just under PATH_MAX), deleted and recycled.
TEST(BigInputs, AHugeSparseFileAndALongPath)
{
    TreeFixture t;
    constexpr qint64 huge = 100LL * 1024 * 1024 * 1024;
    t.makeFile("big/huge.tmp", huge, true);
    t.makeFile("big/small.tmp", 10);
    const long long readBefore = bytesRead();
    const Measured big = removeTmpFiles(t.path("big"), QStringLiteral("1000000000"));
    const long long read = bytesRead() - readBefore;
    EXPECT_EQ(big.run.FilesRemoved, 1);
    EXPECT_EQ(big.run.BytesReclaimed, huge);
    EXPECT_TRUE(big.log.contains("...File Size is  107374182400 Bytes"));
    EXPECT_TRUE(big.log.contains("Total bytes reclaimed:  107374182400"));
    EXPECT_TRUE(exists(t.path("big/small.tmp")));
    EXPECT_LT(read, 16LL * 1024 * 1024) << "the file was read"; // the search reads little else (mountinfo)

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
