// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/options.h"
#include "cli/output.h"

#include <gtest/gtest.h>

using namespace bv::cli;

namespace {

Parsed parse(std::initializer_list<const char*> args)
{
    QList<QByteArray> list;
    for (const char* a : args)
        list.append(QByteArray(a));
    return parseArguments(list);
}

// What a surrogateescape decoder gives back for jsonName's output (the JSON string's body).
QByteArray decodeJson(const QByteArray& json)
{
    QByteArray out;
    for (qsizetype i = 1; i + 1 < json.size(); ++i) {
        if (json[i] != '\\') {
            out += json[i];
            continue;
        }
        const char kind = json[++i];
        if (kind != 'u') {
            out += kind;
            continue;
        }
        const unsigned code = json.mid(i + 1, 4).toUInt(nullptr, 16);
        i += 4;
        if (code >= 0xDC80 && code <= 0xDCFF)
            out += char(code - 0xDC00);
        else
            out += QString(QChar(char16_t(code))).toUtf8();
    }
    return out;
}

QByteArray decodeListing(const QByteArray& text)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && text[i + 1] == 'x') {
            out += char(text.mid(i + 2, 2).toUInt(nullptr, 16));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

TEST(CliOptions, ASearchCommandKeepsItsFolderBytesAndCriteria)
{
    const Parsed p = parse({"search", "/tmp/caf\xe9", "-t", "*.log", "--type=*.bak", "--unused-since", "2024-01-31",
                            "--min-size", "4K", "--include-hidden", "--trash", "--json", "--log", "/tmp/run.log"});
    ASSERT_EQ(p.action, Parsed::Action::Run) << p.text.toStdString();
    const Options& o = p.options;
    EXPECT_EQ(o.place, QByteArray("/tmp/caf\xe9"));
    EXPECT_EQ(o.patterns, (QList<QByteArray>{"*.log", "*.bak"}));
    EXPECT_EQ(o.dateTest, DateTest::UnusedSince);
    EXPECT_EQ(o.date, QDate(2024, 1, 31));
    EXPECT_EQ(o.minSize, 4096);
    EXPECT_TRUE(o.includeHidden);
    EXPECT_EQ(o.disposal, Disposal::Trash);
    EXPECT_TRUE(o.json);
    EXPECT_EQ(o.logFile, QByteArray("/tmp/run.log"));
}

TEST(CliOptions, MistakesAreRefusedBeforeAnythingRuns)
{
    for (const auto& args : std::initializer_list<std::initializer_list<const char*>>{
             {},
             {"clean"},
             {"search"},                                       // no folder
             {"search", "/tmp", "--frobnicate"},               // unknown option
             {"duplicates", "/tmp", "--trash"},                // no removal from the command line
             {"space", "/", "--delete"},                       // a report removes nothing
             {"search", "/tmp", "--trash", "--delete"},        // one or the other
             {"search", "/tmp", "--used-since", "2024-02-30"}, // no such day
             {"search", "/tmp", "--used-since", "2024-01-01", "--changed-on", "2024-01-01"},
             {"search", "/tmp", "--changed-since", "2024-01-01"}, // the search has no such test
             {"search", "/tmp", "--min-size", "12X"},
             {"search", "/tmp", "-t", "a", "-t", "b", "-t", "c"}, // two patterns at most
             {"search", "/tmp", "-t", "*.LOG", "-t", "*.log"},    // the same pattern twice
             {"quick-clean", "--types", "TMP,EXE"},
             {"search", "/tmp", "/var"},
             {"search", "/tmp", "--log"},
         }) {
        const Parsed p = parse(args);
        EXPECT_EQ(p.action, Parsed::Action::Error) << (args.size() ? *(args.end() - 1) : "(none)");
        EXPECT_FALSE(p.text.isEmpty());
    }
    // --help wins over a mistake, and "--" ends the options: a folder may be called "--help".
    EXPECT_EQ(parse({"search", "--bogus", "--help"}).action, Parsed::Action::Help);
    const Parsed folder = parse({"search", "--", "--help"});
    EXPECT_EQ(folder.action, Parsed::Action::Run);
    EXPECT_EQ(folder.options.place, QByteArray("--help"));
}

TEST(CliOptions, SizesTakeSuffixesInPowersOf1024)
{
    EXPECT_EQ(parseSize(QStringLiteral("1,500")), 1500);
    EXPECT_EQ(parseSize(QStringLiteral("2.5M")), 2621440);
    EXPECT_EQ(parseSize(QStringLiteral("1 GiB")), 1073741824);
    EXPECT_EQ(parseSize(QStringLiteral("3kb")), 3072);
    for (const char* bad : {"", "K", "-1", "1e30", "nan", "12 apples"})
        EXPECT_EQ(parseSize(QString::fromLatin1(bad)), std::nullopt) << bad;
}

TEST(CliOutput, EveryNameReadsBackExactlyInBothForms)
{
    // A lone byte that is not UTF-8, a cut sequence, a surrogate written as UTF-8, a newline,
    // a terminal escape, quotes and backslashes, and valid UTF-8 beside them.
    const QByteArray names[] = {"/tmp/caf\xe9.tmp",
                                "/tmp/\xc3",
                                "/tmp/\xed\xb2\x80",
                                "/tmp/a\nACTION: x",
                                "/tmp/\x1b[31mred",
                                "/tmp/\"q\"\\b",
                                "/tmp/caf\xc3\xa9 \xe2\x82\xac"};
    for (const QByteArray& name : names) {
        const QByteArray json = jsonName(name);
        EXPECT_EQ(decodeJson(json), name) << json.toStdString();
        // Strict UTF-8 with no raw control character: any JSON reader takes it.
        EXPECT_TRUE(QString::fromUtf8(json).toUtf8() == json) << json.toStdString();
        for (char c : json)
            EXPECT_GE(std::uint8_t(c), 0x20);

        const QByteArray listed = listingName(name);
        EXPECT_EQ(decodeListing(listed), name) << listed.toStdString();
        EXPECT_FALSE(listed.contains('\n'));
        EXPECT_FALSE(listed.contains('\x1b'));
    }
    EXPECT_EQ(jsonName("/tmp/caf\xe9"), QByteArray("\"/tmp/caf\\udce9\""));
}
