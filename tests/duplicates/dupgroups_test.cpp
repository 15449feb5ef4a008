// SPDX-License-Identifier: GPL-3.0-or-later
// The duplicate store and the grouping: which files make a group, in which order, and what a
// walk with the run's patterns puts in.
#include "duplicates/dupgroups.h"
#include "platform/paths.h"
#include "common/walk.h"
#include "tests/support/tree_fixture.h"

#include <QString>

#include <gtest/gtest.h>

#include <map>
#include <random>

// Paths in failure messages as text, not as lists of bytes.
void PrintTo(const QByteArray& bytes, std::ostream* os)
{
    *os << '"' << bytes.toStdString() << '"';
}

namespace bv {
namespace {

using Lines = QList<QByteArray>;
using Groups = QList<Lines>;
struct File
{
    const char* folder;
    QByteArray name;
};

// Each group as its rows' "folder/name" paths.
Groups render(const DuplicateStore& store, const DuplicateGroups& groups)
{
    Groups out;
    for (std::size_t g = 0; g < groups.count(); ++g) {
        Lines rows;
        for (const DuplicateStore::Index e : groups.entries(g))
            rows.append(store.path(e));
        out.append(rows);
    }
    return out;
}

DuplicateStore storeOf(const QList<File>& files)
{
    DuplicateStore store;
    for (const File& f : files)
        EXPECT_TRUE(store.add(f.folder, f.name));
    return store;
}

Groups grouped(const QList<File>& files)
{
    const DuplicateStore store = storeOf(files);
    const auto groups = groupDuplicates(store);
    EXPECT_TRUE(groups.has_value());
    return groups ? render(store, *groups) : Groups{};
}

TEST(DuplicateGroups, NamesEqualWithoutRegardToCaseInNameOrder)
{
    struct Case
    {
        const char* what;
        QList<File> files;
        Groups expected;
    };
    const QByteArray latin1 = "caf\xe9.txt"; // not UTF-8
    const Case cases[] = {
        {"case variants in three folders, real names kept, discovery order",
         {{"/b", "readme.txt"}, {"/a", "Readme.TXT"}, {"/c", "README.TXT"}},
         {{"/b/readme.txt", "/a/Readme.TXT", "/c/README.TXT"}}},
        {"case variants in one folder", {{"/a", "x.txt"}, {"/a", "X.TXT"}}, {{"/a/x.txt", "/a/X.TXT"}}},
        {"a name seen once gives nothing", {{"/a", "one.txt"}, {"/b", "two.txt"}}, {}},
        {"groups ascending without regard to case, each once",
         {{"/1", "b"}, {"/1", "Zeta"}, {"/2", "A"}, {"/2", "zeta"}, {"/3", "a"}, {"/3", "B"}, {"/4", "c"}, {"/5", "b"}},
         {{"/2/A", "/3/a"}, {"/1/b", "/3/B", "/5/b"}, {"/1/Zeta", "/2/zeta"}}},
        {"a root folder and the same path in two spellings of case",
         {{"/", "f.ini"}, {"/F", "f.ini"}, {"/f", "F.INI"}},
         {{"/f.ini", "/F/f.ini", "/f/F.INI"}}},
        {"non-ASCII UTF-8 folds as the wildcard matcher folds (one character for one)",
         {{"/1", "Ärger.txt"},
          {"/2", "ärger.TXT"},
          {"/3", "straße"},
          {"/4", "STRASSE"},
          {"/5", "Äbc"},
          {"/6", "\xc5\xbf"
                 "etup.exe"},
          {"/7", "SETUP.EXE"}},
         {{"/6/\xc5\xbf"
           "etup.exe",
           "/7/SETUP.EXE"},
          {"/1/Ärger.txt", "/2/ärger.TXT"}}},
        {"names that are not UTF-8 group by their bytes, ASCII letters aside",
         {{"/1", latin1}, {"/2", "CAF\xe9.TXT"}, {"/3", "caf\xc9.txt"}, {"/4", "café.txt"}, {"/5", "caf\xe8.txt"}},
         {{"/1/" + latin1, "/2/CAF\xe9.TXT"}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(grouped(c.files), c.expected) << c.what;
}

// The hash only narrows the search: with every name colliding the result must not change.
TEST(DuplicateGroups, SameResultWhenEveryHashCollides)
{
    std::mt19937 rng(7);
    const QList<QByteArray> stems = {"readme", "Setup", "index", "ärger", "STRASSE", "straße", "Ωmega", "x"};
    const QList<QByteArray> exts = {".txt", ".EXE", ".html", ""};
    DuplicateStore store;
    for (int i = 0; i < 3000; ++i) {
        QByteArray name =
            stems[int(rng() % stems.size())] + QByteArray::number(int(rng() % 40)) + exts[int(rng() % exts.size())];
        if (rng() % 2)
            name = QString::fromUtf8(name).toUpper().toUtf8();
        if (rng() % 17 == 0)
            name += rng() % 2 ? "\xff" : "\xfe"; // not UTF-8, and alike once decoded
        ASSERT_TRUE(store.add("/d" + QByteArray::number(i / 7), name));
    }
    const auto real = groupDuplicates(store);
    const auto colliding = detail::groupDuplicates(store, {}, [](QByteArrayView) { return std::uint64_t(1); });
    ASSERT_TRUE(real && colliding);
    EXPECT_GT(real->count(), 100u);
    EXPECT_EQ(render(store, *real), render(store, *colliding));

    // And both agree with the obvious reference for the UTF-8 names: a sorted map of folded names.
    std::map<QString, Lines> reference;
    for (DuplicateStore::Index e = 0; e < store.size(); ++e) {
        if (store.name(e).isValidUtf8())
            reference[QString::fromUtf8(store.name(e)).toCaseFolded()].append(store.path(e));
    }
    Groups expected;
    for (const auto& [key, rows] : reference) {
        if (rows.size() > 1)
            expected.append(rows);
    }
    Groups utf8Groups;
    for (const Lines& g : render(store, *real)) {
        if (g.first().isValidUtf8())
            utf8Groups.append(g);
    }
    EXPECT_EQ(utf8Groups, expected);
}

TEST(DuplicateGroups, StopEndsTheGroupingWithNothing)
{
    DuplicateStore store;
    for (int i = 0; i < 20000; ++i)
        ASSERT_TRUE(store.add("/d", "f" + QByteArray::number(i % 5000)));
    int polls = 0;
    EXPECT_FALSE(groupDuplicates(store, [&polls] { return ++polls > 3; }).has_value());
    EXPECT_EQ(polls, 4);
    const auto all = groupDuplicates(store, [] { return false; });
    ASSERT_TRUE(all.has_value());
    EXPECT_EQ(all->count(), 5000u);
}

TEST(DuplicateGroups, InstallationNamesComparedInUpperCase)
{
    const struct
    {
        QByteArray name;
        bool installation;
    } cases[] = {
        {"setup.exe", true},
        {"Setup.Exe", true},
        {"SETUP1.EXE", true},
        {"file_id.diz", true},
        {"MsCreate.Dir", true},
        {"unwise.exe", true},
        {"\xc5\xbf"
         "etup.exe",
         true}, // long s
        {"setup2.exe", false},
        {"setup.exe.bak", false},
        {" setup.exe", false},
        {"setup\xe9.exe", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isInstallationFile(c.name), c.installation) << c.name.constData();
}

TEST(DuplicateStore, GivesBackEveryFolderAndNameExactly)
{
    DuplicateStore store;
    const QByteArray longFolder = "/" + QByteArray(20000, 'L');
    const QByteArray longest(255, 'n');
    // Folders as a walk hands them (children, siblings, back up), some long, some prefixes of
    // the one before, across many restart points of the front coding.
    std::mt19937 rng(3);
    QList<QByteArray> stack = {"/"};
    QList<std::pair<QByteArray, QByteArray>> added;
    for (int i = 0; i < 300; ++i) {
        const int move = int(rng() % 4);
        if (move == 0 && stack.size() > 1)
            stack.removeLast();
        else if (move == 1)
            stack.append(joinPath(stack.last(), "d" + QByteArray::number(i)));
        else if (move == 2)
            stack.append(joinPath(stack.last(), i % 50 == 0 ? longFolder.mid(1) : "\xff\n sub"));
        const QByteArray folder = stack.last();
        for (unsigned k = 0; k <= rng() % 3; ++k) {
            const QByteArray name = k == 2 ? longest : "f" + QByteArray::number(i) + "\n" + QByteArray::number(k);
            ASSERT_TRUE(store.add(folder, name));
            added.append({folder, name});
        }
    }
    ASSERT_EQ(store.size(), std::size_t(added.size()));
    for (DuplicateStore::Index e = 0; e < store.size(); ++e) {
        ASSERT_EQ(store.folder(e), added[qsizetype(e)].first) << e;
        ASSERT_EQ(store.name(e), added[qsizetype(e)].second) << e;
        ASSERT_EQ(store.path(e), joinPath(added[qsizetype(e)].first, added[qsizetype(e)].second));
    }
    std::size_t runs = 0; // a folder is stored once per run of its files
    for (qsizetype i = 0; i < added.size(); ++i)
        runs += i == 0 || added[i].first != added[i - 1].first;
    EXPECT_EQ(store.folderCount(), runs);

    EXPECT_FALSE(store.add("/a", ""));
    EXPECT_FALSE(store.add("/a", QByteArray(256, 'n')));
    EXPECT_EQ(store.size(), std::size_t(added.size()));
    EXPECT_GT(store.allocatedBytes(), 0u);
    store.clear();
    EXPECT_TRUE(store.isEmpty());
    EXPECT_EQ(store.folderCount(), 0u);
    ASSERT_TRUE(store.add("/x", "y"));
    EXPECT_EQ(store.path(0), "/x/y");
}

// The walk with the run's patterns fills the store: each file once, whatever the patterns.
class Collect : public WalkHooks
{
public:
    explicit Collect(DuplicateStore& s) : store(s) {}
    bool stopRequested() override { return false; }
    void file(const WalkFile& f) override { EXPECT_TRUE(store.add(f.folder, f.name)); }
    DuplicateStore& store;
};

TEST(DuplicateGroups, FilledByTheWalkEachFileOnce)
{
    test::TreeFixture t{"a/setup2.exe", "b/SETUP2.EXE", "b/only.exe", "c/notes.txt", "d/Notes.TXT", "d/.hidden.exe"};
    const QByteArray nonUtf8 = "caf\xe9.dat";
    t.makeFile("e/" + nonUtf8);
    t.makeFile("f/" + nonUtf8);
    const QByteArray root = t.root();
    struct Case
    {
        const char* what;
        QStringList patterns;
        bool ignoreHidden;
        std::size_t entries;
        Groups expected;
    };
    const Case cases[] = {
        {"a file both patterns match is entered once",
         {"*.exe", "s*.*"},
         true,
         3,
         {{root + "/a/setup2.exe", root + "/b/SETUP2.EXE"}}},
        {"equal patterns enter each file once",
         {"*.TXT", "*.txt"},
         true,
         2,
         {{root + "/c/notes.txt", root + "/d/Notes.TXT"}}},
        {"hidden files too", {"*.exe"}, false, 4, {{root + "/a/setup2.exe", root + "/b/SETUP2.EXE"}}},
        {"names that are not UTF-8; an empty pattern box",
         {"caf*", ""},
         true,
         2,
         {{root + "/e/" + nonUtf8, root + "/f/" + nonUtf8}}},
    };
    for (const Case& c : cases) {
        DuplicateStore store;
        Collect hooks(store);
        ASSERT_EQ(walkTree(duplicateWalkOptions(root, c.patterns, c.ignoreHidden, true), hooks).end, WalkEnd::Complete);
        EXPECT_EQ(store.size(), c.entries) << c.what;
        const auto groups = groupDuplicates(store);
        ASSERT_TRUE(groups.has_value());
        EXPECT_EQ(render(store, *groups), c.expected) << c.what;
    }
}

} // namespace
} // namespace bv
