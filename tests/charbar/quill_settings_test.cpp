// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file and the character table: what is written reads back, files of older
// versions and damaged files read sensibly, and the file is replaced in one piece.
#include "charbar/core/cp1252.h"
#include "charbar/core/settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <future>
#include <ostream>
#include <sys/stat.h>
#include <unistd.h>

using namespace bv::quill;

namespace bv::quill {
void PrintTo(const QuillSettings& s, std::ostream* os)
{
    *os << "{top " << s.top << ", left " << s.left << ", host \"" << s.hostCaption.toStdString() << "\", font \""
        << s.buttonFont.toStdString() << "\", codes";
    for (const int code : s.codes)
        *os << ' ' << code;
    *os << ", on top " << s.alwaysOnTop << '}';
}
} // namespace bv::quill

namespace {

QuillSettings defaults()
{
    QuillSettings d;
    d.buttonFont = QStringLiteral("Default Sans");
    return d;
}

QByteArray fileOf(const QStringList& lines)
{
    return (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
}

QStringList fullFile()
{
    QStringList lines{
        "Quillbar Settings", "(Be careful when changing these settings.)", " 3000 ", " 1200 ", "Untitled - Editor",
        "Liberation Serif"};
    for (int i = 0; i < 12; ++i)
        lines << QString::number(i < 6 ? 65 + i : 0);
    lines << "1";
    return lines;
}

} // namespace

TEST(QuillSettings, RoundTripKeepsEveryValue)
{
    struct Case
    {
        const char* name;
        QString caption;
        QString font;
        std::array<int, 12> codes;
        bool topmost;
        int top, left;
    };
    const Case cases[] = {
        {"high codes", "Editor", "DejaVu Sans", {233, 128, 255, 169, 160, 32, 65, 0, 0, 0, 0, 159}, true, 5775, 5025},
        {"all empty", "", "Liberation Sans", {}, false, 0, 0},
        {"comma", "Report, final - Writer", "A, B", {37, 43}, false, -150, 30000},
        {"quote", "He said \"hi\"", "F", {34, 44}, true, 15, 15},
        {"blanks kept", "  padded  ", " Font ", {126}, false, 1, 2},
        {"quote first", "\"Quoted\" title, more", "F", {1 + 64}, false, 3, 4},
    };
    for (const Case& c : cases) {
        QuillSettings s;
        s.hostCaption = c.caption;
        s.buttonFont = c.font;
        s.codes = c.codes;
        s.alwaysOnTop = c.topmost;
        s.top = c.top;
        s.left = c.left;
        EXPECT_EQ(parseSettings(formatSettings(s), defaults()), s) << c.name;
    }
}

TEST(QuillSettings, WritesNineteenLinesInTheClassicForm)
{
    QuillSettings s;
    s.top = 5775;
    s.left = -30;
    s.hostCaption = QStringLiteral("Café");
    s.buttonFont = QStringLiteral("Arial");
    s.codes = {233, 0, 65};
    s.alwaysOnTop = true;
    QStringList expected{"Quillbar Settings",
                         "(Be careful when changing these settings.)",
                         " 5775 ",
                         "-30 ",
                         "Café",
                         "Arial",
                         " 233 ",
                         "0",
                         " 65 "};
    for (int i = 3; i < 12; ++i)
        expected << "0";
    expected << "1";
    EXPECT_EQ(formatSettings(s), fileOf(expected));
}

TEST(QuillSettings, OlderFilesReadAsBefore)
{
    // Older versions wrote captions unquoted: a comma ended the value there.
    QStringList lines = fullFile();
    lines[4] = "Report, final - Writer";
    EXPECT_EQ(parseSettings(fileOf(lines), defaults()).hostCaption, "Report");
    lines[4] = "\"Quoted\" rest";
    EXPECT_EQ(parseSettings(fileOf(lines), defaults()).hostCaption, "Quoted");
    lines[4] = "Say \"hi\"";
    EXPECT_EQ(parseSettings(fileOf(lines), defaults()).hostCaption, "Say \"hi\"");

    // ANSI bytes (Windows-1252), LF-only line ends, and a byte-order mark.
    QByteArray ansi = fileOf(fullFile());
    ansi.replace("Untitled - Editor", "Caf\xE9 \x80");
    EXPECT_EQ(parseSettings(ansi, defaults()).hostCaption, QString::fromUtf8("Café €"));
    QByteArray lf = "\xEF\xBB\xBF" + fileOf(fullFile());
    lf.replace("\r\n", "\n");
    const QuillSettings s = parseSettings(lf, defaults());
    EXPECT_EQ(s.top, 3000);
    EXPECT_EQ(s.left, 1200);
    EXPECT_EQ(s.codes[5], 70);
    EXPECT_TRUE(s.alwaysOnTop);
}

TEST(QuillSettings, DamagedFilesFallBackLineByLine)
{
    // Five lines: position and caption are read, everything after keeps its default.
    const QuillSettings five = parseSettings(fileOf(fullFile().mid(0, 5)), defaults());
    EXPECT_EQ(five.top, 3000);
    EXPECT_EQ(five.hostCaption, "Untitled - Editor");
    EXPECT_EQ(five.buttonFont, "Default Sans");
    EXPECT_EQ(five.codes, (std::array<int, 12>{}));
    EXPECT_FALSE(five.alwaysOnTop);

    struct Case
    {
        int line; // 1-based
        const char* text;
        const char* what;
    };
    const Case cases[] = {
        {9, "garbage", "button 2"}, {9, "", "button 2"},    {9, "65.5", "button 2"},      {9, "7", "button 2"},
        {9, "129", "button 2"},     {9, "300", "button 2"}, {9, "-1", "button 2"},        {3, "abc", "top"},
        {4, "1e300", "left"},       {6, "", "font"},        {19, "yes", "always on top"}, {19, "2", "always on top"},
    };
    for (const Case& c : cases) {
        QStringList lines = fullFile();
        lines[c.line - 1] = c.text;
        const QuillSettings s = parseSettings(fileOf(lines), defaults());
        QuillSettings expected = parseSettings(fileOf(fullFile()), defaults());
        if (QByteArray(c.what) == "button 2")
            expected.codes[2] = 0;
        else if (c.line == 3)
            expected.top = defaults().top;
        else if (c.line == 4)
            expected.left = defaults().left;
        else if (c.line == 6)
            expected.buttonFont = defaults().buttonFont;
        else
            expected.alwaysOnTop = false;
        EXPECT_EQ(s, expected) << c.what << " = \"" << c.text << "\"";
    }

    EXPECT_EQ(parseSettings(QByteArray(), defaults()), defaults());
    EXPECT_EQ(parseSettings(QByteArray("\0\xFF\r\n\r\r\n", 7), defaults()), defaults());
}

TEST(QuillSettings, DelimitedValues)
{
    const std::pair<const char*, const char*> cases[] = {
        {"  plain text  ", "plain text"},   {"a, b", "a"}, {"\"a, b\"", "a, b"}, {" \"x\"\"y\" ", "x\"y"},
        {"\"unterminated", "unterminated"}, {"", ""},      {"\t7\t", "7"},       {"\"\"", ""},
    };
    for (const auto& [line, value] : cases)
        EXPECT_EQ(delimitedValue(QString::fromUtf8(line)), QString::fromUtf8(value)) << line;
    EXPECT_EQ(delimitedText("two\r\nlines"), "two  lines"); // a line break would shift every line after it
}

TEST(QuillSettings, FileIsFoundAndReplacedWhole)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    EXPECT_EQ(settingsFilePath(), dir.path() + "/Quillbar/Quillbar.ini");
    qputenv("XDG_CONFIG_HOME", "relative/path");
    EXPECT_EQ(settingsFilePath(), QDir::homePath() + "/.config/Quillbar/Quillbar.ini");
    qunsetenv("XDG_CONFIG_HOME");

    const QString path = dir.path() + "/Quillbar/Quillbar.ini";
    QuillSettings s;
    s.hostCaption = "Host";
    s.buttonFont = "Some Font";
    s.codes[11] = 128;
    ASSERT_TRUE(saveSettings(path, s)); // creates the folder
    EXPECT_EQ(loadSettings(path, defaults()), s);
    s.codes[11] = 0;
    ASSERT_TRUE(saveSettings(path, s));
    EXPECT_EQ(loadSettings(path, defaults()), s);
    EXPECT_EQ(QDir(dir.path() + "/Quillbar").entryList(QDir::Files), QStringList{"Quillbar.ini"});

    // A folder that cannot be made: the save fails and says why.
    QFile blocker(dir.path() + "/file");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QString error;
    EXPECT_FALSE(saveSettings(dir.path() + "/file/Quillbar/Quillbar.ini", s, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(QuillSettings, AFirstStartOffersTheStarterSetAndKeepsIt)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.path() + "/Quillbar/Quillbar.ini";
    const QuillSettings first = loadSettings(path, defaults());
    QString characters;
    for (const int code : first.codes)
        characters += characterForCode(code);
    EXPECT_EQ(characters, QString::fromUtf8("©®™€£¥°±×éüß"));
    EXPECT_TRUE(first.hostCaption.isEmpty());
    EXPECT_EQ(first.buttonFont, defaults().buttonFont);
    EXPECT_FALSE(first.alwaysOnTop);

    ASSERT_TRUE(saveSettings(path, first));
    EXPECT_EQ(loadSettings(path, defaults()), first);
}

TEST(QuillSettings, ANameThatIsNoFileIsNeitherWaitedOnNorRead)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray fifo = QFile::encodeName(dir.path() + "/Quillbar.ini");
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);

    // Run the load aside; if it waits for a writer, become one so the test ends instead of hanging.
    auto loaded = std::async(std::launch::async, [&] {
        QString error;
        const QuillSettings s = loadSettings(QFile::decodeName(fifo), defaults(), &error);
        return std::make_pair(s, error);
    });
    if (loaded.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        const int writer = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            ::close(writer);
        ADD_FAILURE() << "loading the settings waited on a FIFO";
    }
    const auto [settings, error] = loaded.get();
    EXPECT_EQ(settings, defaults()); // not a first start: the buttons stay empty
    EXPECT_EQ(error, "it is not a regular file");

    QString folderError;
    EXPECT_EQ(loadSettings(dir.path(), defaults(), &folderError), defaults());
    EXPECT_EQ(folderError, "it is not a regular file");
}

TEST(QuillCharacters, Windows1252Table)
{
    int assignable = 0;
    for (int code = -1; code <= 256; ++code) {
        const QString ch = characterForCode(code);
        EXPECT_EQ(isAssignableCode(code), !ch.isEmpty()) << code;
        if (ch.isEmpty())
            continue;
        ++assignable;
        EXPECT_EQ(codeForCharacter(ch.at(0)), code) << code;
    }
    // 256 codes less the 32 controls, DEL and the five undefined ones.
    EXPECT_EQ(assignable, 218);
    const std::pair<int, char16_t> known[] = {{65, u'A'},  {128, u'€'}, {133, u'…'}, {153, u'™'},
                                              {159, u'Ÿ'}, {169, u'©'}, {233, u'é'}, {255, u'ÿ'}};
    for (const auto& [code, ch] : known)
        EXPECT_EQ(characterForCode(code), QString(QChar(ch))) << code;
    for (const int undefinedCode : {0, 10, 31, 127, 129, 141, 143, 144, 157})
        EXPECT_TRUE(characterForCode(undefinedCode).isEmpty()) << undefinedCode;
    EXPECT_EQ(codeForCharacter(QChar(0x0100)), -1);
    EXPECT_EQ(codeForCharacter(QChar(0x0081)), -1);
}
