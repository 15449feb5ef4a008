// SPDX-License-Identifier: GPL-3.0-or-later
// Names compared the way a Windows user expects: DOS wildcards and name order, both without
// regard to letter case.
//
// The walk and the folder listing filter every file name through a WildcardSet and sort every
// folder with compareNames(), so this is on the hot path of a tree walk: names that are plain
// ASCII (nearly all of them) are folded with a table; only a name or pattern holding a byte of
// 0x80 or above is decoded as UTF-8 and folded through Unicode case folding. Names are bytes
// and need not be valid UTF-8; such bytes compare as U+FFFD, and the raw bytes break ties, so
// the order is total and reproducible.
//
// Wildcard rules: "*" matches any run of characters (also none), "?" exactly one character,
// everything else itself, ignoring case. A pattern that ends in ".*" also matches when the name
// has nothing there, so "*.*" matches every name, one without a dot too, and "readme.*" matches
// "readme". An empty pattern matches nothing.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <vector>

namespace bv {

bool wildcardMatch(QByteArrayView pattern, QByteArrayView name);

// Order of names in a listing: case-insensitive, then by bytes. 0 only for identical bytes.
int compareNames(QByteArrayView a, QByteArrayView b);
// Case-insensitive comparison alone: 0 for "Readme.TXT" and "readme.txt".
int compareNamesIgnoringCase(QByteArrayView a, QByteArrayView b);

// Several patterns prepared once for many names; a name matches when any pattern does.
class WildcardSet
{
public:
    WildcardSet() = default; // no patterns: every name matches
    explicit WildcardSet(const QList<QByteArray>& patterns);

    bool matchesEverything() const { return m_all; }
    bool matches(QByteArrayView name) const;

private:
    struct Pattern
    {
        QByteArray folded; // ASCII letters lowered; non-ASCII bytes as they are
        bool ascii = true;
    };
    std::vector<Pattern> m_patterns;
    bool m_all = true;
};

} // namespace bv
