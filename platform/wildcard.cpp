// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wildcard.h"

#include <algorithm>
#include <cstring>

namespace bv {

namespace {

constexpr unsigned char asciiLower(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

bool isAscii(QByteArrayView s)
{
    for (const char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

QList<uint> foldedCodePoints(QByteArrayView s)
{
    return QString::fromUtf8(s).toCaseFolded().toUcs4();
}

// '*' any run, '?' one element, anything else itself after folding. One remembered star is
// enough: a later star supersedes an earlier one, which keeps this linear for usual patterns.
template <typename P, typename S, typename Fold>
bool matchRun(const P* p, qsizetype pn, const S* s, qsizetype sn, Fold fold)
{
    qsizetype pi = 0, si = 0, starP = -1, starS = 0;
    while (si < sn) {
        if (pi < pn && p[pi] == '*') {
            starP = pi++;
            starS = si;
        } else if (pi < pn && (p[pi] == '?' || p[pi] == fold(s[si]))) {
            ++pi;
            ++si;
        } else if (starP >= 0) {
            pi = starP + 1;
            si = ++starS;
        } else {
            return false;
        }
    }
    while (pi < pn && p[pi] == '*')
        ++pi;
    return pi == pn;
}

template <typename P, typename S, typename Fold>
bool matchDos(const P* p, qsizetype pn, const S* s, qsizetype sn, Fold fold)
{
    if (pn == 0)
        return false;
    if (matchRun(p, pn, s, sn, fold))
        return true;
    // A final ".*" may stand for nothing: "*.*" is every name, "readme.*" also "readme".
    return pn >= 2 && p[pn - 2] == '.' && p[pn - 1] == '*' && matchRun(p, pn - 2, s, sn, fold);
}

bool matchAsciiFolded(QByteArrayView foldedPattern, QByteArrayView name)
{
    const auto* p = reinterpret_cast<const unsigned char*>(foldedPattern.data());
    const auto* s = reinterpret_cast<const unsigned char*>(name.data());
    return matchDos(p, foldedPattern.size(), s, name.size(), [](unsigned char c) { return asciiLower(c); });
}

bool matchUnicode(QByteArrayView pattern, QByteArrayView name)
{
    const QList<uint> p = foldedCodePoints(pattern);
    const QList<uint> s = foldedCodePoints(name);
    return matchDos(p.constData(), p.size(), s.constData(), s.size(), [](uint c) { return c; });
}

QByteArray asciiFolded(QByteArrayView s)
{
    QByteArray out(s.data(), s.size());
    for (char& c : out)
        c = static_cast<char>(asciiLower(static_cast<unsigned char>(c)));
    return out;
}

int byteOrder(QByteArrayView a, QByteArrayView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    const int c = n ? std::memcmp(a.data(), b.data(), static_cast<size_t>(n)) : 0;
    if (c != 0)
        return c < 0 ? -1 : 1;
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// -2 when a non-ASCII byte is met before the names differ: the caller must fold properly.
int asciiOrderIgnoringCase(QByteArrayView a, QByteArrayView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if ((ca | cb) >= 0x80)
            return -2;
        const unsigned char la = asciiLower(ca), lb = asciiLower(cb);
        if (la != lb)
            return la < lb ? -1 : 1;
    }
    // Equal so far; a longer name might still hold a non-ASCII byte, which does not matter:
    // in every folding the shorter prefix sorts first.
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

} // namespace

bool wildcardMatch(QByteArrayView pattern, QByteArrayView name)
{
    if (isAscii(pattern) && isAscii(name))
        return matchAsciiFolded(asciiFolded(pattern), name);
    return matchUnicode(pattern, name);
}

int compareNamesIgnoringCase(QByteArrayView a, QByteArrayView b)
{
    const int fast = asciiOrderIgnoringCase(a, b);
    if (fast != -2)
        return fast;
    const int c = QString::fromUtf8(a).toCaseFolded().compare(QString::fromUtf8(b).toCaseFolded());
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int compareNames(QByteArrayView a, QByteArrayView b)
{
    const int c = compareNamesIgnoringCase(a, b);
    return c != 0 ? c : byteOrder(a, b);
}

WildcardSet::WildcardSet(const QList<QByteArray>& patterns) : m_all(patterns.isEmpty())
{
    m_patterns.reserve(static_cast<size_t>(patterns.size()));
    for (const QByteArray& p : patterns) {
        if (isAscii(p))
            m_patterns.push_back({asciiFolded(p), true});
        else
            m_patterns.push_back({p, false});
    }
}

bool WildcardSet::matches(QByteArrayView name) const
{
    if (m_all)
        return true;
    const bool asciiName = isAscii(name);
    for (const Pattern& p : m_patterns) {
        const bool hit = (asciiName && p.ascii) ? matchAsciiFolded(p.folded, name) : matchUnicode(p.folded, name);
        if (hit)
            return true;
    }
    return false;
}

} // namespace bv
