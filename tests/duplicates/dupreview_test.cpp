// SPDX-License-Identifier: GPL-3.0-or-later
// What the review shows per row (size, date, version), which rows hold the same bytes, and
// that reading contents for either leaves the files' access times alone.
#include "duplicates/rowvalues.h"
#include "duplicates/samecontent.h"
#include "platform/filecontent.h"
#include "platform/fileops.h"
#include "platform/paths.h"
#include "tests/duplicates/pe_builder.h"
#include "tests/support/tree_fixture.h"

#include <QFile>

#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace bv {
namespace {

using test::TreeFixture;

const QLocale kUs(QLocale::English, QLocale::UnitedStates);

void writeFile(TreeFixture& t, const QByteArray& relative, const QByteArray& bytes)
{
    t.makeFile(relative);
    QFile f(QString::fromLocal8Bit(t.path(relative)));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

timespec accessTime(const QByteArray& path)
{
    FileInfo info;
    EXPECT_EQ(lstatPath(path, info), 0);
    return info.atime;
}

bool operator==(const timespec& a, const timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

TEST(RowValues, SizeTexts)
{
    const QLocale german(QLocale::German, QLocale::Germany);
    const struct
    {
        std::int64_t bytes;
        const QLocale* locale;
        const char* expected;
    } cases[] = {
        {0, &kUs, " 0"},
        {1023, &kUs, " 1023"},
        {1024, &kUs, "1.0 Kb"},
        {1075, &kUs, "1.0 Kb"}, // 1.0498...
        {1076, &kUs, "1.1 Kb"}, // 1.0507...
        {1048575, &kUs, "1,024.0 Kb"},
        {1264128, &kUs, "1,234.5 Kb"},
        {1572864, &kUs, "1,536.0 Kb"},
        {5LL << 40, &kUs, "5,368,709,120.0 Kb"},
        {1264128, &german, "1.234,5 Kb"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sizeText(c.bytes, c.locale), c.expected) << c.bytes;
}

TEST(RowValues, FileTimeTextIsTheStoredDay)
{
    const struct
    {
        timespec time;
        const char* expected;
    } cases[] = {
        {{0, 0}, "1/1/1970"},
        {{86399, 999999999}, "1/1/1970"}, // the last instant of the day, no time-zone shift
        {{-1, 0}, "12/31/1969"},
        {{1781049600, 0}, "6/10/2026"},
        {{253402300799, 0}, "12/31/9999"},
        {{253402300800, 0}, ""}, // year 10000: no short date shows it
        {{LLONG_MAX, 0}, ""},
        {{LLONG_MIN, 0}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileTimeText(c.time, kUs), c.expected) << c.time.tv_sec;
}

TEST(RowValues, ReviewRowReadsTheFileAsItIsNow)
{
    TreeFixture t{"a/plain.txt:1536", "a/link -> plain.txt", "a/gone.txt"};
    test::PeShape shape;
    shape.ms = 0x00050001;
    shape.ls = 0x00020003;
    writeFile(t, "a/setup.exe", test::buildPe(shape).bytes);
    t.setTimes("a/plain.txt", {1781049600, 0}, {1781049600, 0});
    ::unlink(t.path("a/gone.txt").constData());
    t.makeFifo("a/fifo");

    const auto plain = readReviewRow(t.path("a"), "plain.txt", kUs);
    ASSERT_TRUE(plain.has_value());
    EXPECT_EQ(plain->path, t.path("a/plain.txt"));
    EXPECT_EQ(plain->size, "1.5 Kb");
    EXPECT_EQ(plain->version, "N/A");
    EXPECT_EQ(plain->lastAccess, "6/10/2026");
    EXPECT_EQ(plain->info.size, 1536);

    const auto setup = readReviewRow(t.path("a"), "setup.exe", kUs);
    ASSERT_TRUE(setup.has_value());
    EXPECT_EQ(setup->version, "5.1.2.3");

    const auto link = readReviewRow(t.path("a"), "link", kUs); // the link itself, not followed
    ASSERT_TRUE(link.has_value());
    EXPECT_TRUE(link->info.isSymlink());
    EXPECT_EQ(link->size, " 9");
    EXPECT_EQ(link->version, "N/A");

    EXPECT_FALSE(readReviewRow(t.path("a"), "gone.txt", kUs).has_value());
    EXPECT_FALSE(readReviewRow(t.path("a"), "fifo", kUs).has_value()); // never opened: no hang

    // A group's rows: the ones still there, in discovery order.
    DuplicateStore store;
    for (const char* name : {"gone.txt", "fifo"})
        ASSERT_TRUE(store.add(t.path("a"), name));
    writeFile(t, "b/Gone.txt", "x");
    writeFile(t, "b/FIFO", "x");
    ASSERT_TRUE(store.add(t.path("b"), "Gone.txt"));
    ASSERT_TRUE(store.add(t.path("b"), "FIFO"));
    const auto groups = groupDuplicates(store);
    ASSERT_TRUE(groups && groups->count() == 2);
    int skipped = -1;
    const std::vector<ReviewRow> fifo = readGroupRows(store, *groups, 0, kUs, &skipped);
    ASSERT_EQ(fifo.size(), 1u);
    EXPECT_EQ(fifo[0].path, t.path("b/FIFO"));
    EXPECT_EQ(skipped, 1);
    const std::vector<ReviewRow> gone = readGroupRows(store, *groups, 1, kUs, &skipped);
    ASSERT_EQ(gone.size(), 1u);
    EXPECT_EQ(gone[0].name, "Gone.txt");
    EXPECT_EQ(skipped, 1);
}

// A group large enough to be read by several threads at once: every row still in its discovery
// slot with its own values, the gone and replaced ones left out wherever they fall (at the
// edges of the threads' shares too).
TEST(RowValues, LargeGroupKeepsDiscoveryOrder)
{
    TreeFixture t;
    constexpr int kRows = 1100;
    const std::set<int> gone{0, 255, 256, 274, 275, 549, 550, 824, 825, 1098};
    test::PeShape shape;
    shape.ms = 0x00070008;
    shape.ls = 0x00010002;
    const QByteArray pe = test::buildPe(shape).bytes;
    DuplicateStore store;
    for (int i = 0; i < kRows; ++i) {
        const QByteArray folder = "f" + QByteArray::number(i);
        if (i % 100 == 7)
            writeFile(t, folder + "/Same.exe", pe);
        else
            t.makeFile(folder + "/Same.exe", 64 + i);
        ASSERT_TRUE(store.add(t.path(folder), "Same.exe"));
    }
    for (int i : gone) {
        const QByteArray file = "f" + QByteArray::number(i) + "/Same.exe";
        ASSERT_EQ(::unlink(t.path(file).constData()), 0);
        if (i % 2)
            t.makeFifo(file); // replaced by what is not a file
    }
    const auto groups = groupDuplicates(store);
    ASSERT_TRUE(groups && groups->count() == 1);
    int skipped = -1;
    const std::vector<ReviewRow> rows = readGroupRows(store, *groups, 0, kUs, &skipped);
    EXPECT_EQ(skipped, int(gone.size()));
    ASSERT_EQ(rows.size(), kRows - gone.size());
    std::size_t r = 0;
    for (int i = 0; i < kRows; ++i) {
        if (gone.count(i))
            continue;
        const ReviewRow& row = rows[r++];
        ASSERT_EQ(row.folder, t.path("f" + QByteArray::number(i))) << i;
        EXPECT_EQ(row.version, i % 100 == 7 ? "7.8.1.2" : "N/A") << i;
        if (i % 100 != 7) {
            EXPECT_EQ(row.info.size, 64 + i) << i;
        }
    }
}

QStringList toolTips(const QList<QByteArray>& paths, const std::function<bool()>& stop = {})
{
    QStringList out;
    for (const ContentMatch& m : compareContents(paths, stop))
        out.append(contentToolTip(m));
    return out;
}

TEST(SameContent, EachRowNamesItsFirstTwin)
{
    TreeFixture t{"g/gone.txt"};
    const QByteArray big(200 * 1024, 'b');
    QByteArray bigOtherEnd = big;
    bigOtherEnd[bigOtherEnd.size() - 1] = 'c'; // alike in the first chunks
    const struct
    {
        const char* name;
        QByteArray bytes;
    } files[] = {{"a", "hello"}, {"b", "hello"}, {"c", "hellp"}, {"d", "hello world"}, {"e", big}, {"f", bigOtherEnd},
                 {"g", big},     {"i", ""},      {"j", ""}};
    for (const auto& f : files)
        writeFile(t, QByteArray(f.name) + "/f", f.bytes);
    t.add({"h/f => c/f", "l/f -> ../a/f"});
    t.makeFifo("p/f");
    ::unlink(t.path("g/gone.txt").constData());

    QList<QByteArray> clean;
    for (const char* folder : {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"})
        clean.append(t.path(QByteArray(folder) + "/f"));
    EXPECT_EQ(toolTips(clean),
              (QStringList{"Same content as row 2", "Same content as row 1", "Same content as row 8",
                           "Content differs from every other row", "Same content as row 7",
                           "Content differs from every other row", "Same content as row 5", "Same content as row 3",
                           "Same content as row 10", "Same content as row 9"}));

    const QList<QByteArray> messy = {t.path("a/f"), t.path("l/f"), t.path("g/gone.txt"),
                                     t.path("p/f"), t.path("c/f"), t.path("b/f")};
    EXPECT_EQ(toolTips(messy),
              (QStringList{"Same content as row 6", "A symbolic link: content not compared",
                           "Content could not be read", "Content could not be read",
                           "Content differs from every other row that could be read", "Same content as row 1"}));

    // Stopped at the first chunk: the big pair stays open, the size-unique row is decided.
    int polls = 0;
    EXPECT_EQ(toolTips({t.path("e/f"), t.path("g/f"), t.path("d/f")}, [&polls] { return ++polls > 1; }),
              (QStringList{"Content not compared", "Content not compared",
                           "Content differs from every other row that could be read"}));
}

// A file that looks unused must still look unused after the review read its version and
// compared its contents, whichever way the access time is kept.
TEST(ContentReading, LeavesTheAccessTimeAlone)
{
    TreeFixture t;
    const QByteArray program = test::buildPe().bytes;
    writeFile(t, "a/setup.exe", program);
    writeFile(t, "b/setup.exe", program);
    const timespec old{978307200, 123456789}; // 2001-01-01, older than a day: relatime updates it
    const timespec older{946684800, 0};
    const QByteArray a = t.path("a/setup.exe"), b = t.path("b/setup.exe");
    t.setTimes("a/setup.exe", old, older);
    t.setTimes("b/setup.exe", old, older);

    // The control: on this file system a plain read does move the access time.
    {
        QFile f(QString::fromLocal8Bit(a));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        f.readAll();
    }
    if (accessTime(a) == old)
        GTEST_SKIP() << "this file system does not record reads in the access time";
    t.setTimes("a/setup.exe", old, older);

    EXPECT_EQ(readReviewRow(folderOf(a), baseName(a))->version, "4.0.0.950");
    EXPECT_EQ(toolTips({a, b}), (QStringList{"Same content as row 2", "Same content as row 1"}));
    EXPECT_TRUE(accessTime(a) == old);
    EXPECT_TRUE(accessTime(b) == old);

    // Without O_NOATIME the time is put back on close.
    {
        ContentFile f(a, INT64_MAX, AtimeRule::RestoreOnly);
        ASSERT_TRUE(f.isOpen());
        EXPECT_FALSE(f.usesNoAtime());
        char buf[64];
        EXPECT_TRUE(f.readExactly(0, buf, sizeof buf));
        EXPECT_TRUE(f.close());
    }
    EXPECT_TRUE(accessTime(a) == old);

    // A reader that does not own the files could neither keep their access time nor put it
    // back: it leaves them unread, and the review says so.
    t.openToOthers();
    const test::ChildResult child = test::runInChild({.asNobody = true}, [&]() -> QByteArray {
        const std::optional<ReviewRow> row = readReviewRow(folderOf(a), baseName(a));
        return (toolTips({a, b}).join(QLatin1Char('|')) + QLatin1Char('|') + (row ? row->version : "gone")).toUtf8();
    });
    if (child.ran) {
        EXPECT_EQ(child.output, "Content not compared|Content not compared|N/A");
        EXPECT_TRUE(accessTime(a) == old);
        EXPECT_TRUE(accessTime(b) == old);
    }
}

TEST(ContentReading, OnlyRegularFilesAreOpenedAndReadsStopAtTheLimit)
{
    TreeFixture t{"dir/", "link -> file"};
    writeFile(t, "file", QByteArray(100, 'x'));
    t.makeFifo("fifo"); // no writer: a blocking open would hang here
    const struct
    {
        const char* name;
        ContentOpen status;
    } cases[] = {{"file", ContentOpen::Ok},
                 {"link", ContentOpen::Link},
                 {"fifo", ContentOpen::NotAFile},
                 {"dir", ContentOpen::NotAFile},
                 {"none", ContentOpen::Missing}};
    for (const auto& c : cases)
        EXPECT_EQ(ContentFile(t.path(c.name)).status(), c.status) << c.name;
    EXPECT_EQ(ContentFile("/dev/null").status(), ContentOpen::NotAFile);
    EXPECT_EQ(ContentFile("").status(), ContentOpen::Missing);

    ContentFile f(t.path("file"), 30);
    char buf[100];
    EXPECT_EQ(f.readAt(0, buf, 20), 20);
    EXPECT_EQ(f.readAt(90, buf, 20), 10);    // the end of the file
    EXPECT_FALSE(f.readExactly(0, buf, 20)); // 30 - 30 left
    EXPECT_EQ(f.readAt(0, buf, 1), -1);
    EXPECT_EQ(f.bytesRead(), 30);

    // Opened through its folder after a look: only the file that was looked at is read.
    FileInfo seen;
    ASSERT_EQ(lstatPath(t.path("file"), seen), 0);
    const FolderOfListed folder(t.path(""));
    EXPECT_EQ(ContentFile(folder.fd(), "file", seen).status(), ContentOpen::Ok);
    ASSERT_EQ(::rename(t.path("file").constData(), t.path("old").constData()), 0);
    writeFile(t, "file", QByteArray(100, 'y')); // another file under the name since the look
    EXPECT_EQ(ContentFile(folder.fd(), "file", seen).status(), ContentOpen::Missing);
    EXPECT_EQ(ContentFile(folder.fd(), "sub/file", seen).status(), ContentOpen::Missing);
}

} // namespace
} // namespace bv
