// SPDX-License-Identifier: GPL-3.0-or-later
// DOS wildcards and name order.
#include "platform/wildcard.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace bv {
namespace {

struct MatchCase
{
    const char* pattern;
    const char* name;
    bool expected;
};

TEST(Wildcard, DosRulesIgnoringCase)
{
    const MatchCase cases[] = {
        {"*", "anything", true},
        {"*", ".hidden", true},
        {"*.*", "readme", true}, // every name, one without a dot too
        {"*.*", "a.b.c", true},
        {"*.*", ".bashrc", true},
        {"*.tmp", "A.TMP", true},
        {"*.tmp", "a.tmp.bak", false},
        {"*.tmp", "tmp", false},
        {"~*.*", "~a.tmp", true},
        {"~*.*", "~a", true},
        {"~*.*", "a~", false},
        {"?.txt", "x.txt", true},
        {"?.txt", "xy.txt", false},
        {"?.txt", ".txt", false},
        {"a?c", "ac", false},
        {"readme.*", "README", true},
        {"readme.*", "readme.md", true},
        {"readme.*", "readmes", false},
        {"*a*b*", "xxaYYbzz", true},
        {"*a*b*", "ba", false},
        {"*a*a*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
        {"abc", "abcd", false},
        {"", "x", false},
        {"[ab]", "a", false}, // brackets are plain characters
        {"[ab]", "[AB]", true},
        {"ünï.txt", "ÜNÏ.TXT", true}, // Unicode case folding
        {"*.txt", "ÜNÏ.TXT", true},
        {"?", "é", true}, // one character, two bytes
        {"??", "é", false},
        {"caf?-latin1.txt", "caf\xe9-latin1.txt", true}, // a stray byte is one character
        {"*.txt", "x\nACTION: Delete.txt", true},
    };
    for (const MatchCase& c : cases)
        EXPECT_EQ(wildcardMatch(c.pattern, c.name), c.expected) << c.pattern << " vs " << c.name;
}

TEST(Wildcard, SetMatchesWhenAnyPatternDoes)
{
    const WildcardSet none;
    EXPECT_TRUE(none.matchesEverything());
    EXPECT_TRUE(none.matches("x"));

    const WildcardSet set({"*.TMP", "~*.*", "ünï*"});
    EXPECT_FALSE(set.matchesEverything());
    EXPECT_TRUE(set.matches("a.tmp"));
    EXPECT_TRUE(set.matches("~a.doc"));
    EXPECT_TRUE(set.matches("ÜNÏ.doc"));
    EXPECT_FALSE(set.matches("a.doc"));

    const WildcardSet empty({""});
    EXPECT_FALSE(empty.matches("a"));
}

TEST(Wildcard, NameOrderIsCaseInsensitiveWithBytesBreakingTies)
{
    struct Case
    {
        const char* a;
        const char* b;
        int sign;
    };
    const Case cases[] = {
        {"a", "B", -1},         {"B", "a", 1},      {"A", "a", -1}, // tie: by bytes
        {"a", "a", 0},          {"abc", "ABD", -1}, {"ab", "abc", -1},
        {"Z", "_", 1}, // '_' sorts before letters once they are folded
        {"é", "E", 1},          {"Éa", "éb", -1},   {"Éa", "éa", -1},
        {"caf\xe9", "café", 1},
    };
    for (const Case& c : cases) {
        const int got = compareNames(c.a, c.b);
        EXPECT_EQ((got > 0) - (got < 0), c.sign) << c.a << " vs " << c.b;
        const int back = compareNames(c.b, c.a);
        EXPECT_EQ((back > 0) - (back < 0), -c.sign) << c.b << " vs " << c.a;
    }
    EXPECT_EQ(compareNamesIgnoringCase("Readme.TXT", "readme.txt"), 0);
    EXPECT_EQ(compareNamesIgnoringCase("ÉA", "éa"), 0);
}

TEST(Wildcard, NameOrderIsATotalOrderOverMixedNames)
{
    QList<QByteArray> names = {"b", "A", "a", "B", "_x", "Z", "é", "É", "E", "f", "caf\xe9", "café", "Ä1", "a1", "~"};
    std::sort(names.begin(), names.end(),
              [](const QByteArray& x, const QByteArray& y) { return compareNames(x, y) < 0; });
    const QList<QByteArray> expected = {"_x", "A", "a", "a1", "B",  "b", "café", "caf\xe9",
                                        "E",  "f", "Z", "~",  "Ä1", "É", "é"};
    EXPECT_EQ(names, expected);
}

} // namespace
} // namespace bv
