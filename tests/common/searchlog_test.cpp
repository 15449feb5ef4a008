// SPDX-License-Identifier: GPL-3.0-or-later
// The working search log as its writers and the viewer use it: line format, durability of each
// line, escaping of names, failures, and reading and copying a log back.
#include "common/searchlog.h"
#include "tests/support/tree_fixture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

using namespace bv;

namespace {

QByteArray slurp(const QByteArray& path)
{
    QFile f(QFile::decodeName(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void spit(const QByteArray& path, const QByteArray& bytes)
{
    QFile f(QFile::decodeName(path));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

class SearchLogTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QByteArray file(const char* name) const { return QFile::encodeName(dir.filePath(QString::fromUtf8(name))); }
};

TEST_F(SearchLogTest, HeaderLineWithFixedClock)
{
    struct Case
    {
        QDateTime when;
        const char* line;
    };
    const Case cases[] = {
        {QDateTime(QDate(2026, 12, 8), QTime(15, 38)), "This search was made on Tuesday December 08, 2026  3:38 PM"},
        {QDateTime(QDate(2027, 1, 1), QTime(0, 5)), "This search was made on Friday January 01, 2027  12:05 AM"},
        {QDateTime(QDate(2024, 2, 29), QTime(12, 0)), "This search was made on Thursday February 29, 2024  12:00 PM"},
    };
    for (const Case& c : cases) {
        SearchLog log;
        ASSERT_TRUE(log.open(file("temp.bv")));
        ASSERT_TRUE(log.writeHeader(c.when));
        log.close();
        EXPECT_EQ(slurp(file("temp.bv")), QByteArray(c.line) + "\r\n");
    }
}

TEST_F(SearchLogTest, EachLineIsOnDiskWithCrLfBeforeWriteReturns)
{
    spit(file("temp.bv"), "an older log that must go\r\n");
    SearchLog log;
    ASSERT_TRUE(log.open(file("temp.bv")));
    EXPECT_EQ(slurp(file("temp.bv")), QByteArray()); // emptied at open
    QByteArray expected;
    for (const char* line : {"first", "", "ACTION: Delete", "Grüße"}) {
        ASSERT_TRUE(log.writeLine(line));
        expected += QByteArray(line) + "\r\n";
        // Read through another descriptor while the log is still open: nothing is held back.
        EXPECT_EQ(slurp(file("temp.bv")), expected);
    }
    ASSERT_TRUE(log.writeLine(QStringLiteral("text \u00e9")));
    EXPECT_TRUE(slurp(file("temp.bv")).endsWith("text \xc3\xa9\r\n"));
    EXPECT_FALSE(log.failed());
}

TEST_F(SearchLogTest, AFileNameCannotFakeALogLine)
{
    SearchLog log;
    ASSERT_TRUE(log.open(file("temp.bv")));
    ASSERT_TRUE(log.writeLine(QByteArray("Found: /home/u/x\r\nACTION: Delete")));
    ASSERT_TRUE(log.writeLine(QStringLiteral("Found: y\u2028ACTION: Delete")));
    log.close();
    const QList<QByteArray> lines = slurp(file("temp.bv")).split('\n');
    ASSERT_EQ(lines.size(), 3); // two lines and what follows the last line end
    for (const QByteArray& line : lines)
        EXPECT_FALSE(line.startsWith("ACTION"));
}

TEST(SearchLogEscape, Table)
{
    struct Case
    {
        QByteArray in;
        QByteArray out;
    };
    const Case cases[] = {
        {"plain name.txt", "plain name.txt"},
        {"a\tb\rc\nd\x01\x1f\x7f", "a\\x09b\\x0Dc\\x0Ad\\x01\\x1F\\x7F"},
        {"C:\\x41", "C:\\x5Cx41"}, // a backslash cannot be read back as an escape
        {"caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x98\x80",
         "caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x98\x80"},
        {"bad\xff", "bad\\xFF"},
        {"cut\xc3", "cut\\xC3"},                                                // sequence cut short at the end
        {"\xc3(x", "\\xC3(x"},                                                  // lead byte without continuation
        {"\xc0\xaf", "\\xC0\\xAF"},                                             // overlong "/"
        {"\xed\xa0\x80", "\\xED\\xA0\\x80"},                                    // a surrogate
        {"\xf4\x90\x80\x80", "\\xF4\\x90\\x80\\x80"},                           // past U+10FFFF
        {"nel\xc2\x85", "nel\\xC2\\x85"},                                       // C1 control (next line)
        {"ls\xe2\x80\xa8ps\xe2\x80\xa9", "ls\\xE2\\x80\\xA8ps\\xE2\\x80\\xA9"}, // line, paragraph separators
        // bidirectional controls: right-to-left override, Arabic letter mark, first strong isolate
        {"b\xe2\x80\xae-fdp.sh", "b\\xE2\\x80\\xAE-fdp.sh"},
        {"\xd8\x9c\xe2\x81\xa8", "\\xD8\\x9C\\xE2\\x81\\xA8"},
        {QByteArray("nul\0z", 5), "nul\\x00z"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SearchLog::escape(c.in), c.out) << c.in.toHex(' ').constData();
}

TEST_F(SearchLogTest, FailuresAreReportedAndSticky)
{
    SearchLog log;
    EXPECT_FALSE(log.writeLine("not open"));
    EXPECT_TRUE(log.failed());

    // A full disk: /dev/full takes the open and refuses every write.
    ASSERT_TRUE(log.open("/dev/full"));
    EXPECT_FALSE(log.failed());
    EXPECT_FALSE(log.writeHeader(QDateTime(QDate(2026, 1, 1), QTime(9, 0))));
    EXPECT_TRUE(log.failed());
    EXPECT_FALSE(log.error().isEmpty());
    EXPECT_FALSE(log.writeLine("later"));
    log.close();
    EXPECT_TRUE(log.failed());

    // A new run starts clean.
    ASSERT_TRUE(log.open(file("temp.bv")));
    EXPECT_FALSE(log.failed());
    EXPECT_TRUE(log.writeLine("ok"));

    spit(file("plainfile"), "x");
    EXPECT_FALSE(log.open(file("plainfile") + "/temp.bv"));
    EXPECT_FALSE(log.isOpen());
    EXPECT_TRUE(log.failed());
}

TEST_F(SearchLogTest, OpeningASecondLogClosesTheFirst)
{
    SearchLog log;
    ASSERT_TRUE(log.open(file("one.bv")));
    ASSERT_TRUE(log.open(file("two.bv")));
    ASSERT_TRUE(log.writeLine("second"));
    log.close();
    EXPECT_EQ(slurp(file("one.bv")), QByteArray());
    EXPECT_EQ(slurp(file("two.bv")), QByteArray("second\r\n"));
}

TEST_F(SearchLogTest, ViewerReadsUpToItsLimit)
{
    const QByteArray exact = "ab\r\ncd\r\n";
    spit(file("exact.log"), exact);
    spit(file("over.log"), exact + "e");
    // A cut that falls inside "é" drops the half character.
    spit(file("utf8.log"), "xxxxxxx\xc3\xa9");
    spit(file("lines.log"), "a\nb\r\nc\n");
    ::mkfifo(file("fifo").constData(), 0600);

    struct Case
    {
        const char* name;
        qsizetype lines;
        LogLimit mode;
        LogContents::Status status;
        QString text;
    };
    const Case cases[] = {
        {"exact.log", 10, LogLimit::Refuse, LogContents::Loaded, QStringLiteral("ab\ncd\n")},
        {"over.log", 10, LogLimit::Refuse, LogContents::TooLarge, QString()},
        {"over.log", 10, LogLimit::Truncate, LogContents::Loaded, QStringLiteral("ab\ncd\n")},
        {"utf8.log", 10, LogLimit::Truncate, LogContents::Loaded, QStringLiteral("xxxxxxx")},
        {"lines.log", 3, LogLimit::Refuse, LogContents::Loaded, QStringLiteral("a\nb\nc\n")},
        {"lines.log", 2, LogLimit::Refuse, LogContents::TooLarge, QString()},
        {"lines.log", 2, LogLimit::Truncate, LogContents::Loaded, QStringLiteral("a\nb\n")},
        {"missing.log", 10, LogLimit::Refuse, LogContents::Unreadable, QString()},
        {"fifo", 10, LogLimit::Truncate, LogContents::Unreadable, QString()}, // must not wait for a writer
    };
    for (const Case& c : cases) {
        const LogContents got = readLogForViewer(file(c.name), exact.size(), c.lines, c.mode);
        EXPECT_EQ(got.status, c.status) << c.name << " " << c.lines;
        EXPECT_EQ(got.text, c.text) << c.name << " " << c.lines;
    }
    EXPECT_EQ(readLogForViewer(file("utf8.log"), 9, 10, LogLimit::Refuse).text, QStringLiteral("xxxxxxx\u00e9"));
}

TEST_F(SearchLogTest, ViewerGetsNoLineLongerThanItCanLayOutQuickly)
{
    // A file without line ends (any file can be opened as a saved log) comes back in pieces,
    // with nothing lost; ordinary lines are left alone.
    QByteArray oneLine;
    for (int i = 0; oneLine.size() < 100000; ++i)
        oneLine += "word" + QByteArray::number(i) + ' ';
    spit(file("oneline.log"), "short line\r\n" + oneLine);
    const LogContents got = readLogForViewer(file("oneline.log"), 1 << 20, 1000, LogLimit::Refuse);
    ASSERT_EQ(got.status, LogContents::Loaded);
    const QStringList lines = got.text.split(QLatin1Char('\n'));
    EXPECT_EQ(lines.first(), QStringLiteral("short line"));
    EXPECT_GT(lines.size(), 20);
    for (const QString& line : lines)
        EXPECT_LE(line.size(), 2000);
    EXPECT_EQ(QStringList(lines.mid(1)).join(QString()), QString::fromLatin1(oneLine));
}

TEST_F(SearchLogTest, CopyReplacesTheTargetAndAFailedCopyKeepsIt)
{
    const QByteArray log = QByteArray("This search was made on\r\n\xff raw\r\n");
    spit(file("temp.bv"), log);
    spit(file("old.log"), "an older, longer saved log\r\n");

    FileResult r = copyLogFile(file("temp.bv"), file("old.log"));
    EXPECT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(slurp(file("old.log")), log);

    spit(file("keep.log"), "keep me");
    r = copyLogFile(file("missing.bv"), file("keep.log"));
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.isEmpty());
    EXPECT_EQ(slurp(file("keep.log")), QByteArray("keep me"));

    // Under a regular file there is no folder to write to, whoever runs the test.
    spit(file("afile"), "x");
    r = copyLogFile(file("temp.bv"), file("afile") + "/x.log");
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.isEmpty());
}

// A log saved by the Windows version is in Windows-1252: its names must come back as written,
// not as replacement characters. One stray byte makes the whole file Windows-1252.
TEST_F(SearchLogTest, ViewerReadsAnOldAnsiLogAsWindows1252)
{
    struct Case
    {
        const char* name;
        QByteArray bytes;
        QString text;
    };
    const Case cases[] = {
        {"utf8.log", "C:\\Caf\xc3\xa9\\\xe2\x80\x9cx\xe2\x80\x9d.tmp\r\n",
         QStringLiteral("C:\\Caf\u00e9\\\u201cx\u201d.tmp\n")},
        {"ansi.log", "C:\\Caf\xe9\\\x93x\x94 \x80 5.tmp\r\n",
         QStringLiteral("C:\\Caf\u00e9\\\u201cx\u201d \u20ac 5.tmp\n")},
        {"mixed.log", "\xc3\xa9 then \xe9\r\n", QStringLiteral("\u00c3\u00a9 then \u00e9\n")},
    };
    for (const Case& c : cases) {
        spit(file(c.name), c.bytes);
        const LogContents got = readLogForViewer(file(c.name), 1000, 100, LogLimit::Truncate);
        EXPECT_EQ(got.status, LogContents::Loaded) << c.name;
        EXPECT_EQ(got.text, c.text) << c.name;
    }
}

// What a search found is the user's business: a new working log or copy is private, a replaced
// file keeps its mode. Where the folder cannot be written, a copy fails and the file there stays
// whole: writing it in place would cut it short when the disk is full.
TEST_F(SearchLogTest, LogsArePrivateAndACopyIsNeverWrittenInPlace)
{
    ::umask(022);
    const auto modeOf = [](const QByteArray& path) {
        struct stat st = {};
        return ::stat(path.constData(), &st) == 0 ? st.st_mode & 07777 : 0;
    };
    spit(file("older.bv"), "from an older version");
    ASSERT_EQ(::chmod(file("older.bv").constData(), 0644), 0);
    for (const char* name : {"temp.bv", "older.bv"}) {
        SearchLog log;
        ASSERT_TRUE(log.open(file(name)));
        ASSERT_TRUE(log.writeLine("line"));
        log.close();
        EXPECT_EQ(modeOf(file(name)), 0600u) << name;
    }
    spit(file("shared.log"), "replaced");
    ASSERT_EQ(::chmod(file("shared.log").constData(), 0640), 0);
    for (const auto& [name, mode] : {std::pair{"new.log", 0600u}, std::pair{"shared.log", 0640u}}) {
        const FileResult r = copyLogFile(file("temp.bv"), file(name));
        ASSERT_TRUE(r.ok) << r.error.toStdString();
        EXPECT_EQ(slurp(file(name)), QByteArray("line\r\n"));
        EXPECT_EQ(modeOf(file(name)), mode) << name;
    }

    test::TreeFixture t{"temp.bv", "locked/"};
    spit(t.path("temp.bv"), "the new log\r\n");
    spit(t.path("locked/saved.log"), "an older log that must stay whole\r\n");
    ASSERT_EQ(::chmod(t.path("locked/saved.log").constData(), 0666), 0);
    t.setMode("locked", 0555);
    t.openToOthers();
    const test::ChildResult child = test::runInChild({.asNobody = true}, [&] {
        const FileResult r = copyLogFile(t.path("temp.bv"), t.path("locked/saved.log"));
        return r.ok ? QByteArray("copied") : r.error.toUtf8();
    });
    if (!child.ran)
        GTEST_SKIP() << "cannot run as an unprivileged user here";
    EXPECT_TRUE(child.output.startsWith("The folder " + t.path("locked") + " cannot be written to"))
        << child.output.constData();
    EXPECT_EQ(slurp(t.path("locked/saved.log")), QByteArray("an older log that must stay whole\r\n"));
}

} // namespace
