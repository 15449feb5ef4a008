// SPDX-License-Identifier: GPL-3.0-or-later
// The file search's core: Begin's checks, typed sizes and dates, the date criteria at their
// day boundaries, attribute texts and the log's header lines.
#include "search/filesearch.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

using namespace bv;

namespace {

const QLocale kUs(QLocale::English, QLocale::UnitedStates);
const QLocale kUk(QLocale::English, QLocale::UnitedKingdom);
const QLocale kDe(QLocale::German, QLocale::Germany);

timespec utc(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0)
{
    return {QDateTime(QDate(y, m, d), QTime(hh, mm, ss), Qt::UTC).toSecsSinceEpoch(), 0};
}

FileSearchEntries goodEntries()
{
    FileSearchEntries e;
    e.pattern0 = QStringLiteral("*.tmp");
    e.instruction = QStringLiteral("haven't been used");
    e.sinceText = QStringLiteral("since");
    e.dateText = QStringLiteral("6/1/2026");
    return e;
}

} // namespace

TEST(FileSearchCore, ValidationStopsAtTheFirstWrongEntryInBeginsOrder)
{
    struct Case
    {
        const char* what;
        void (*edit)(FileSearchEntries&);
        const char* message; // "" = accepted
        EntryControl control;
        bool selectAll;
    };
    const Case cases[] = {
        {"all good", [](FileSearchEntries&) {}, "", EntryControl::None, false},
        {"size not a number", [](FileSearchEntries& e) { e.bytesText = "12ab"; }, "An invalid file size was entered.",
         EntryControl::BytesText, true},
        {"size checked before patterns",
         [](FileSearchEntries& e) {
             e.bytesText = "x";
             e.pattern0.clear();
         },
         "An invalid file size was entered.", EntryControl::BytesText, true},
        {"negative size", [](FileSearchEntries& e) { e.bytesText = "-5"; }, "An invalid file size was entered.",
         EntryControl::BytesText, true},
        {"no pattern",
         [](FileSearchEntries& e) {
             e.pattern0 = "  ";
             e.pattern1 = "";
         },
         "A search pattern was not specified.", EntryControl::SearchPattern0, false},
        {"same patterns ignoring case",
         [](FileSearchEntries& e) {
             e.pattern0 = "*.TMP";
             e.pattern1 = "*.tmp";
         },
         "The search patterns cannot be the same.", EntryControl::SearchPattern0, false},
        {"only the second pattern",
         [](FileSearchEntries& e) {
             e.pattern0 = "";
             e.pattern1 = "*.bak";
         },
         "", EntryControl::None, false},
        {"unknown criterion", [](FileSearchEntries& e) { e.instruction = "was used"; },
         "The search criteria specified is invalid.", EntryControl::InstructionList, true},
        {"criterion in capitals", [](FileSearchEntries& e) { e.instruction = "Modified Or Created"; }, "",
         EntryControl::None, false},
        {"empty date", [](FileSearchEntries& e) { e.dateText = ""; }, "The date specified is invalid.",
         EntryControl::DateText, true},
        {"no such day", [](FileSearchEntries& e) { e.dateText = "2/30/2026"; }, "The date specified is invalid.",
         EntryControl::DateText, true},
    };
    for (const Case& c : cases) {
        FileSearchEntries e = goodEntries();
        c.edit(e);
        const ValidationResult r = validateEntries(e, kUs);
        if (*c.message == 0) {
            EXPECT_FALSE(r.issue) << c.what << ": " << r.issue->message.toStdString();
            continue;
        }
        ASSERT_TRUE(r.issue) << c.what;
        EXPECT_EQ(r.issue->message.toStdString(), c.message) << c.what;
        EXPECT_EQ(r.issue->control, c.control) << c.what;
        EXPECT_EQ(r.issue->selectAll, c.selectAll) << c.what;
    }
}

TEST(FileSearchCore, SizeTextIsReformattedToDigits)
{
    struct Case
    {
        const char* text;
        std::optional<std::int64_t> value;
        const char* reformatted;
    };
    const Case cases[] = {
        {"1500", 1500, "1500"},
        {"1,500", 1500, "1500"},
        {" 1500 ", 1500, "1500"},
        {"1500.5", 1501, "1501"},
        {"1500.49", 1500, "1500"},
        {"+7", 7, "7"},
        {"0", 0, ""},
        {"abc", std::nullopt, nullptr},
        {"1e3", std::nullopt, nullptr},
        {"1.2.3", std::nullopt, nullptr},
        {"9999999999999999999", std::nullopt, nullptr},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseByteCount(QString::fromLatin1(c.text), kUs), c.value) << c.text;
        FileSearchEntries e = goodEntries();
        e.bytesText = QString::fromLatin1(c.text);
        const ValidationResult r = validateEntries(e, kUs);
        if (c.reformatted) {
            ASSERT_TRUE(r.reformattedBytes) << c.text;
            EXPECT_EQ(r.reformattedBytes->toStdString(), c.reformatted) << c.text;
        } else {
            EXPECT_FALSE(r.reformattedBytes) << c.text;
        }
    }
    // Where the comma is the decimal sign, the group separator is the point.
    EXPECT_EQ(parseByteCount(QStringLiteral("1.500"), kDe), 1500);
    EXPECT_EQ(parseByteCount(QStringLiteral("1,5"), kDe), 2);
}

TEST(FileSearchCore, TypedDatesFollowTheLocaleAndIso)
{
    struct Case
    {
        const QLocale* locale;
        const char* text;
        QDate expected; // invalid = refused
    };
    const Case cases[] = {
        {&kUs, "12/8/2026", QDate(2026, 12, 8)},
        {&kUk, "8/12/2026", QDate(2026, 12, 8)},
        {&kDe, "08.12.26", QDate(2026, 12, 8)},
        {&kUs, "2026-12-08", QDate(2026, 12, 8)},
        {&kDe, "2026-12-08", QDate(2026, 12, 8)},
        {&kUs, "1/1/30", QDate(1930, 1, 1)},
        {&kUs, "12/31/29", QDate(2029, 12, 31)},
        {&kUs, "1/1/00", QDate(2000, 1, 1)},
        {&kUs, "2/29/2024", QDate(2024, 2, 29)},
        {&kUs, "2/29/2026", QDate()},
        {&kUs, "13/1/2026", QDate()},
        {&kUs, "12/8/226", QDate()},
        {&kUs, "today", QDate()},
        {&kUs, "2026-13-01", QDate()},
    };
    for (const Case& c : cases) {
        const std::optional<QDate> d = parseUserDate(QString::fromLatin1(c.text), *c.locale);
        if (c.expected.isValid()) {
            ASSERT_TRUE(d) << c.text;
            EXPECT_EQ(*d, c.expected) << c.text;
        } else {
            EXPECT_FALSE(d) << c.text;
        }
    }
}

TEST(FileSearchCore, CriteriaCompareCalendarDaysAtTheBoundaries)
{
    // Limit 6/1/2026; the file's times are as stored, in UTC.
    struct Case
    {
        const char* criterion;
        timespec atime;
        timespec mtime;
        bool matched;
    };
    const timespec noon = utc(2026, 3, 1, 12);
    const Case cases[] = {
        {"haven't been used", utc(2026, 5, 31, 23, 59, 59), noon, true},
        {"haven't been used", utc(2026, 6, 1, 0, 0, 0), noon, false}, // used on the day: neither
        {"haven't been used", utc(2026, 6, 1, 23, 59, 59), noon, false},
        {"have been used", utc(2026, 6, 1, 23, 59, 59), noon, false},
        {"have been used", utc(2026, 6, 2, 0, 0, 0), noon, true},
        {"have been used", utc(2026, 5, 31, 12), noon, false},
        {"modified or created", noon, utc(2026, 6, 1, 0, 0, 0), true},
        {"modified or created", noon, utc(2026, 6, 1, 23, 59, 59), true},
        {"modified or created", noon, utc(2026, 5, 31, 23, 59, 59), false},
        {"modified or created", noon, utc(2026, 6, 2), false},
    };
    for (const Case& c : cases) {
        FileSearchEntries e = goodEntries();
        e.instruction = QString::fromLatin1(c.criterion);
        const ValidationResult r = validateEntries(e, kUs);
        ASSERT_FALSE(r.issue);
        FileInfo info;
        info.mode = S_IFREG | 0644;
        info.atime = c.atime;
        info.mtime = c.mtime;
        EXPECT_EQ(checkFile(r.criteria, "f.tmp", info).matched, c.matched)
            << c.criterion << " atime " << c.atime.tv_sec << " mtime " << c.mtime.tv_sec;
    }
}

TEST(FileSearchCore, SizeThresholdAdmitsFilesOfExactlyThatSize)
{
    FileSearchEntries e = goodEntries();
    e.bytesText = QStringLiteral("1,500");
    const ValidationResult r = validateEntries(e, kUs);
    ASSERT_FALSE(r.issue);
    FileInfo info;
    info.atime = utc(2020, 1, 1);
    for (const auto& [size, ok] : {std::pair{1499, false}, {1500, true}, {1501, true}}) {
        info.size = size;
        const FileCheck check = checkFile(r.criteria, "f.tmp", info);
        EXPECT_EQ(check.sizeOk, ok) << size;
        EXPECT_EQ(check.matched, ok) << size;
    }
}

TEST(FileSearchCore, AttributeTextsAndCaptions)
{
    struct Case
    {
        const char* name;
        mode_t mode;
        const char* text;
    };
    const Case cases[] = {
        {"a.tmp", 0644, "A Normal"},
        {"a.tmp", 0444, "A Read-Only"},
        {".a.tmp", 0600, "A Hidden"},
        {".a.tmp", 0400, "An Unknown"}, // hidden and read-only together has no text of its own
    };
    FileSearchEntries e = goodEntries();
    const FileSearchCriteria criteria = validateEntries(e, kUs).criteria;
    for (const Case& c : cases) {
        FileInfo info;
        info.mode = S_IFREG | c.mode;
        info.size = 2000;
        info.atime = utc(2026, 2, 3, 4);
        const FileCheck check = checkFile(criteria, c.name, info);
        EXPECT_EQ(check.attributeText.toStdString(), c.text) << c.name << " " << c.mode;
        const FileCaptions caps = verifyCaptions(criteria, check, info);
        EXPECT_EQ(caps.attribute.toStdString(), std::string("...It's ") + c.text + " File");
        EXPECT_EQ(caps.lastUsed.toStdString(), "...It Was Last Used On 2/3/2026");
        EXPECT_EQ(caps.bytes.toStdString(), "...File Size Is  2000 Bytes");
        EXPECT_EQ(unattendedBlock(criteria, check, info).at(1).toStdString(), "...File Size is  2000 Bytes");
    }
    EXPECT_EQ(attributeText(35).toStdString(), "An Archive, Hidden, && Read-Only");
}

TEST(FileSearchCore, ModifiedOrCreatedNamesTheModificationDay)
{
    FileSearchEntries e = goodEntries();
    e.instruction = QStringLiteral("modified or created");
    e.sinceText = QStringLiteral("on");
    e.dateText = QStringLiteral("2026-06-01");
    const FileSearchCriteria criteria = validateEntries(e, kUs).criteria;
    FileInfo info;
    info.atime = utc(2026, 7, 4);
    info.mtime = utc(2026, 6, 1, 8);
    const FileCheck check = checkFile(criteria, "f", info);
    ASSERT_TRUE(check.matched);
    EXPECT_EQ(check.referenceDate.toStdString(), "6/1/2026");
    EXPECT_EQ(unattendedBlock(criteria, check, info).at(0).toStdString(),
              "...It Was Last Modified Or Created On 6/1/2026");
    EXPECT_EQ(verifyCaptions(criteria, check, info).lastUsed.toStdString(),
              "...It Was Last Modified Or Created On 2026-06-01");
}

TEST(FileSearchCore, HeaderLinesNameEveryChoice)
{
    FileSearchEntries e = goodEntries();
    e.pattern1 = QStringLiteral("*.bak");
    e.bytesText = QStringLiteral("0");
    e.verify = false;
    e.ignoreHiddenDirs = false;
    FileSearchCriteria c = validateEntries(e, kUs).criteria;
    c.folder = QByteArray("/data/caf\xe9");
    const QDateTime now(QDate(2026, 12, 8), QTime(15, 38), Qt::UTC);
    const QList<QByteArray> expected{
        "This search was made on Tuesday December 08, 2026  3:38 PM",
        "Search for files of type(s): *.tmp  *.bak",
        "Files that haven't been used since 6/1/2026 will be removed.",
        QByteArray("Reclaim files in the following location (Including sub directories): /data/caf\xe9"),
        "Search Options:",
        "   Send all files to the Recycle Bin",
        "   Ignore Hidden and System files",
        "",
    };
    EXPECT_EQ(headerLines(c, now), expected);

    e.bytesText = QStringLiteral("1,500");
    c = validateEntries(e, kUs).criteria;
    EXPECT_EQ(headerLines(c, now).at(3), QByteArray("Only files larger than: 1500 bytes will be checked."));
    EXPECT_EQ(summaryLines({3, 2, 1, 0}),
              QStringList({"Files matching the specified file type(s):  3", "Number of files checked:  2",
                           "Number of files removed:  1", "Total bytes reclaimed:  0"}));
}
