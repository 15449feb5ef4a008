// SPDX-License-Identifier: GPL-3.0-or-later
#include "duplicates/dupgroups.h"

#include "platform/paths.h"
#include "platform/wildcard.h"

#include <QString>

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

namespace bv {

namespace {

// An append-only array in fixed chunks: no copying while it grows and no doubling slack,
// which a plain vector of a million entries would waste.
template <typename T, unsigned Shift> class ChunkedArray
{
public:
    static constexpr std::size_t kChunk = std::size_t(1) << Shift;

    std::size_t size() const { return m_size; }
    const T& operator[](std::size_t i) const { return m_chunks[i >> Shift][i & (kChunk - 1)]; }
    T& operator[](std::size_t i) { return m_chunks[i >> Shift][i & (kChunk - 1)]; }
    const T& back() const { return (*this)[m_size - 1]; }

    // Makes room for one more element (may throw std::bad_alloc); push() then cannot fail.
    void reserveOne()
    {
        if (m_size == m_chunks.size() * kChunk) {
            m_chunks.reserve(m_chunks.size() + 1);
            m_chunks.push_back(std::make_unique<T[]>(kChunk));
        }
    }
    void push(const T& v)
    {
        m_chunks[m_size >> Shift][m_size & (kChunk - 1)] = v;
        ++m_size;
    }
    void pop() { --m_size; }

    std::size_t allocatedBytes() const
    {
        return m_chunks.size() * kChunk * sizeof(T) + m_chunks.capacity() * sizeof(std::unique_ptr<T[]>);
    }

private:
    std::vector<std::unique_ptr<T[]>> m_chunks;
    std::size_t m_size = 0;
};

// Bytes in fixed chunks, handed out in pieces that never span two chunks.
class ByteArena
{
public:
    explicit ByteArena(std::size_t chunk) : m_chunk(chunk) {}

    // Room for n bytes (n <= chunk size); may throw std::bad_alloc.
    char* take(std::size_t n)
    {
        if (m_chunks.empty() || m_used + n > m_chunk) {
            m_chunks.reserve(m_chunks.size() + 1);
            m_chunks.push_back(std::make_unique<char[]>(m_chunk));
            m_used = 0;
        }
        char* p = m_chunks.back().get() + m_used;
        m_used += n;
        return p;
    }
    // Gives back the last piece taken (a failed add).
    void giveBack(std::size_t n) { m_used -= n; }
    std::size_t chunkCount() const { return m_chunks.size(); }
    std::size_t used() const { return m_used; }
    const char* chunk(std::size_t i) const { return m_chunks[i].get(); }
    std::size_t allocatedBytes() const
    {
        return m_chunks.size() * m_chunk + m_chunks.capacity() * sizeof(std::unique_ptr<char[]>);
    }

private:
    std::size_t m_chunk;
    std::size_t m_used = 0;
    std::vector<std::unique_ptr<char[]>> m_chunks;
};

// A name is a length byte and its bytes in the name arena, found through a 32-bit reference:
// chunk number above, offset in the chunk below.
constexpr unsigned kNameChunkShift = 18; // 256 KiB chunks; 16,384 of them make 4 GiB
constexpr std::size_t kNameChunk = std::size_t(1) << kNameChunkShift;
constexpr std::size_t kMaxNameChunks = std::size_t(1) << (32 - kNameChunkShift);
constexpr std::size_t kMaxName = 255; // NAME_MAX: what a listing can give
constexpr std::size_t kPathChunk = 64 * 1024;
constexpr std::size_t kMaxEntries = 0xFFFFFFFEu;

// A folder's path is stored as the difference to the folder stored before it (the walk hands
// folders in pre-order, so that one is usually its parent or a sibling): the length of the
// prefix they share and the rest. Every kRestart-th folder holds its whole path, so rebuilding
// one never applies more than kRestart - 1 differences. Lengths are written as varints.
constexpr std::size_t kRestart = 16;

struct Folder
{
    const char* data; // varint shared, varint rest length, rest bytes
    std::uint32_t firstEntry;
};

std::size_t varintSize(std::size_t v)
{
    std::size_t n = 1;
    while (v >= 0x80) {
        v >>= 7;
        ++n;
    }
    return n;
}

char* putVarint(char* p, std::size_t v)
{
    while (v >= 0x80) {
        *p++ = static_cast<char>((v & 0x7F) | 0x80);
        v >>= 7;
    }
    *p++ = static_cast<char>(v);
    return p;
}

const char* getVarint(const char* p, std::size_t& v)
{
    v = 0;
    for (unsigned shift = 0;; shift += 7) {
        const auto b = static_cast<unsigned char>(*p++);
        v |= std::size_t(b & 0x7F) << shift;
        if (!(b & 0x80))
            return p;
    }
}

} // namespace

struct DuplicateStore::Data
{
    ByteArena names{kNameChunk};
    ByteArena paths{kPathChunk};
    std::vector<std::unique_ptr<char[]>> longPaths; // path records too long for a path chunk
    std::size_t longPathBytes = 0;
    ChunkedArray<std::uint32_t, 16> nameRefs;
    ChunkedArray<Folder, 12> folders;
    QByteArray lastFolder; // the path of the last folder stored, whole

    std::size_t folderIndex(Index entry) const
    {
        // The last folder whose first entry is at or before this one.
        std::size_t lo = 0, hi = folders.size();
        while (hi - lo > 1) {
            const std::size_t mid = lo + (hi - lo) / 2;
            if (folders[mid].firstEntry <= entry)
                lo = mid;
            else
                hi = mid;
        }
        return lo;
    }

    QByteArray folderPath(std::size_t index) const
    {
        QByteArray path;
        for (std::size_t k = index - index % kRestart; k <= index; ++k) {
            std::size_t shared = 0, rest = 0;
            const char* p = getVarint(getVarint(folders[k].data, shared), rest);
            path.truncate(qsizetype(shared));
            path.append(p, qsizetype(rest));
        }
        return path;
    }
};

DuplicateStore::DuplicateStore() : d(std::make_unique<Data>()) {}
DuplicateStore::~DuplicateStore() = default;
DuplicateStore::DuplicateStore(DuplicateStore&&) noexcept = default;
DuplicateStore& DuplicateStore::operator=(DuplicateStore&&) noexcept = default;

bool DuplicateStore::add(QByteArrayView folder, QByteArrayView name)
{
    if (name.isEmpty() || std::size_t(name.size()) > kMaxName || m_count >= kMaxEntries)
        return false;
    const auto nameLen = static_cast<std::size_t>(name.size());
    if (d->names.chunkCount() == kMaxNameChunks && d->names.used() + nameLen + 1 > kNameChunk)
        return false; // 4 GiB of names
    try {
        // Everything that can fail comes first; the store changes only once nothing can.
        d->nameRefs.reserveOne();
        // A new folder unless it is the one the previous file came from.
        const bool newFolder = d->folders.size() == 0 || d->lastFolder != folder;
        char* record = nullptr;
        std::size_t shared = 0;
        QByteArray whole;
        if (newFolder) {
            d->folders.reserveOne();
            if (d->folders.size() % kRestart != 0) {
                const QByteArrayView last = d->lastFolder;
                const qsizetype n = std::min(last.size(), folder.size());
                while (qsizetype(shared) < n && last[qsizetype(shared)] == folder[qsizetype(shared)])
                    ++shared;
            }
            const std::size_t rest = std::size_t(folder.size()) - shared;
            const std::size_t size = varintSize(shared) + varintSize(rest) + rest;
            if (size > kPathChunk / 4) {
                d->longPaths.reserve(d->longPaths.size() + 1);
                d->longPaths.push_back(std::make_unique<char[]>(size));
                d->longPathBytes += size;
                record = d->longPaths.back().get();
            } else {
                record = d->paths.take(size);
            }
            whole = folder.toByteArray();
            char* p = putVarint(putVarint(record, shared), rest);
            if (rest)
                std::memcpy(p, folder.data() + shared, rest);
        }
        char* n = d->names.take(nameLen + 1);

        n[0] = static_cast<char>(nameLen);
        std::memcpy(n + 1, name.data(), nameLen);
        const std::size_t chunk = d->names.chunkCount() - 1;
        const std::size_t offset = static_cast<std::size_t>(n - d->names.chunk(chunk));
        d->nameRefs.push(static_cast<std::uint32_t>((chunk << kNameChunkShift) | offset));
        if (newFolder) {
            d->folders.push({record, static_cast<std::uint32_t>(m_count)});
            d->lastFolder.swap(whole);
        }
        ++m_count;
        return true;
    } catch (const std::bad_alloc&) {
        return false; // a path record may stay behind in the arena, unreferenced
    }
}

std::size_t DuplicateStore::folderCount() const
{
    return d->folders.size();
}

QByteArrayView DuplicateStore::name(Index entry) const
{
    const std::uint32_t ref = d->nameRefs[entry];
    const char* p = d->names.chunk(ref >> kNameChunkShift) + (ref & (kNameChunk - 1));
    return {p + 1, static_cast<qsizetype>(static_cast<unsigned char>(p[0]))};
}

QByteArray DuplicateStore::folder(Index entry) const
{
    return d->folderPath(d->folderIndex(entry));
}

QByteArray DuplicateStore::path(Index entry) const
{
    return joinPath(folder(entry), name(entry).toByteArray());
}

std::size_t DuplicateStore::allocatedBytes() const
{
    return sizeof(Data) + d->names.allocatedBytes() + d->paths.allocatedBytes() + d->longPathBytes +
           d->longPaths.capacity() * sizeof(std::unique_ptr<char[]>) + d->nameRefs.allocatedBytes() +
           d->folders.allocatedBytes() + std::size_t(d->lastFolder.capacity());
}

void DuplicateStore::clear()
{
    d = std::make_unique<Data>();
    m_count = 0;
}

// ---------------------------------------------------------------------------------------------

WalkOptions duplicateWalkOptions(const QByteArray& start, const QStringList& patterns, bool ignoreHiddenFiles,
                                 bool ignoreHiddenDirs)
{
    WalkOptions o;
    o.start = start;
    o.files = ignoreHiddenFiles ? FileClass::Normal : FileClass::All;
    o.dirs = ignoreHiddenDirs ? DirClass::Normal : DirClass::All;
    for (const QString& p : patterns) {
        if (!p.isEmpty())
            o.patterns.append(p.toUtf8());
    }
    o.statFiles = false;
    return o;
}

bool isInstallationFile(QByteArrayView name)
{
    static const char* const names[] = {"SETUP.EXE",   "SETUP1.EXE",   "INSTALL.EXE",  "INSTALLER.EXE", "INSTALL.LOG",
                                        "INSTALL.LST", "ASINSTAL.EXE", "LOAD.EXE",     "WININST.EXE",   "WINSETUP.EXE",
                                        "SETUP.LOG",   "SETUP.INI",    "SETUP.LST",    "ST4UNST.EXE",   "MSCREATE.DIR",
                                        "SETUP.BAT",   "FILE_ID.DIZ",  "VENDINFO.DIZ", "UNINSTAL.EXE",  "UNWISE.EXE"};
    // Upper case as Unicode knows it, so "ſetup.exe" is SETUP.EXE too. A byte that is not
    // UTF-8 turns into U+FFFD, which no installation name holds.
    const QString upper = QString::fromUtf8(name).toUpper();
    for (const char* n : names) {
        if (upper == QLatin1String(n))
            return true;
    }
    return false;
}

namespace {

// How names are keyed for grouping. Class 1: valid UTF-8 (ASCII included), key = the
// case-folded UTF-16 text; class 2: not UTF-8, key = the bytes with ASCII letters lowered.
enum class KeyClass : std::uint8_t { Text = 1, Bytes = 2 };

constexpr std::uint64_t kFnvPrime = 0x100000001b3ull;
constexpr std::uint64_t kTextSeed = 0xcbf29ce484222325ull;
constexpr std::uint64_t kBytesSeed = 0x84222325cbf29ce4ull;

constexpr unsigned char lowerAscii(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}

bool isAscii(QByteArrayView s)
{
    for (const char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

KeyClass keyClass(QByteArrayView name)
{
    return (isAscii(name) || name.isValidUtf8()) ? KeyClass::Text : KeyClass::Bytes;
}

// Equal keys give equal hashes: an ASCII name is hashed over its lowered bytes taken as
// UTF-16 units, which is what case folding makes of it.
std::uint64_t keyHash(QByteArrayView name)
{
    std::uint64_t h = kTextSeed;
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x80) {
            if (!name.isValidUtf8()) {
                h = kBytesSeed;
                for (const char b : name)
                    h = (h ^ lowerAscii(static_cast<unsigned char>(b))) * kFnvPrime;
                return h;
            }
            h = kTextSeed;
            const QString folded = QString::fromUtf8(name).toCaseFolded();
            for (const QChar u : folded)
                h = (h ^ u.unicode()) * kFnvPrime;
            return h;
        }
        h = (h ^ lowerAscii(c)) * kFnvPrime;
    }
    return h;
}

int bytesOrderIgnoringAscii(QByteArrayView a, QByteArrayView b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char la = lowerAscii(static_cast<unsigned char>(a[i]));
        const unsigned char lb = lowerAscii(static_cast<unsigned char>(b[i]));
        if (la != lb)
            return la < lb ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// A total order of keys: class, then the folded name. 0 exactly when two names belong to one
// group.
int keyOrder(QByteArrayView a, QByteArrayView b)
{
    const KeyClass ca = keyClass(a), cb = keyClass(b);
    if (ca != cb)
        return ca < cb ? -1 : 1;
    return ca == KeyClass::Text ? compareNamesIgnoringCase(a, b) : bytesOrderIgnoringAscii(a, b);
}

// True when two names differ at most in the case of ASCII letters: then they are one name
// under every folding used here (and both are UTF-8 or neither is). The common case, checked
// without decoding anything.
bool equalIgnoringAsciiCase(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (lowerAscii(static_cast<unsigned char>(a[i])) != lowerAscii(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool sameKey(QByteArrayView a, QByteArrayView b)
{
    if (equalIgnoringAsciiCase(a, b))
        return true;
    if (isAscii(a) && isAscii(b))
        return false;
    return keyOrder(a, b) == 0;
}

// The first 16 UTF-16 units of the case-folded name (what compareNamesIgnoringCase compares
// first), packed so that comparing the numbers compares the units. Zero fills a shorter name:
// no name holds U+0000, so a shorter name still sorts first.
constexpr std::size_t kPrefixUnits = 16;
using OrderPrefix = std::array<std::uint64_t, kPrefixUnits / 4>;

OrderPrefix orderPrefix(QByteArrayView name)
{
    std::array<std::uint16_t, kPrefixUnits> units{};
    if (isAscii(name)) {
        for (qsizetype n = 0; n < qsizetype(kPrefixUnits) && n < name.size(); ++n)
            units[std::size_t(n)] = lowerAscii(static_cast<unsigned char>(name[n]));
    } else {
        const QString folded = QString::fromUtf8(name).toCaseFolded();
        for (qsizetype n = 0; n < qsizetype(kPrefixUnits) && n < folded.size(); ++n)
            units[std::size_t(n)] = folded[n].unicode();
    }
    OrderPrefix out{};
    for (std::size_t i = 0; i < kPrefixUnits; ++i)
        out[i / 4] = (out[i / 4] << 16) | units[i];
    return out;
}

constexpr std::size_t kPollEvery = 4096;

} // namespace

std::optional<DuplicateGroups> groupDuplicates(const DuplicateStore& store, const std::function<bool()>& stop)
{
    return detail::groupDuplicates(store, stop, keyHash);
}

std::optional<DuplicateGroups> detail::groupDuplicates(const DuplicateStore& store, const std::function<bool()>& stop,
                                                       NameHash hashOf)
{
    using Index = DuplicateStore::Index;
    const auto stopped = [&stop] { return stop && stop(); };
    const std::size_t n = store.size();
    DuplicateGroups out;
    if (n < 2)
        return out;

    // 1. Hash every name, then bring equal hashes together: a stable counting sort on the top
    // 16 bits keeps discovery order, and the small buckets are sorted by hash and entry. The
    // names are hashed twice (once to count, once to place) rather than holding every hash in
    // a second array: the peak of a run is here, and hashing a name is cheap.
    // Packed to 12 bytes (16 with the usual padding): the peak of a run is here.
    struct __attribute__((packed, aligned(4))) Keyed
    {
        std::uint64_t h;
        Index entry;
        std::uint64_t hash() const { return h; }
    };
    static_assert(sizeof(Keyed) == 12);
    std::vector<std::uint32_t> bucketStart((1u << 16) + 1, 0);
    for (std::size_t i = 0; i < n; ++i) {
        if (i % kPollEvery == 0 && stopped())
            return std::nullopt;
        ++bucketStart[(hashOf(store.name(Index(i))) >> 48) + 1];
    }
    for (std::size_t b = 1; b < bucketStart.size(); ++b)
        bucketStart[b] += bucketStart[b - 1];
    std::vector<Keyed> keyed(n);
    {
        std::vector<std::uint32_t> next(bucketStart.begin(), bucketStart.end() - 1);
        for (std::size_t i = 0; i < n; ++i) {
            if (i % kPollEvery == 0 && stopped())
                return std::nullopt;
            const std::uint64_t h = hashOf(store.name(Index(i)));
            keyed[next[h >> 48]++] = {h, Index(i)};
        }
    }
    if (stopped())
        return std::nullopt;
    for (std::size_t bucket = 0; bucket + 1 < bucketStart.size(); ++bucket) {
        const std::size_t b = bucketStart[bucket], e = bucketStart[bucket + 1];
        if (e - b > 1)
            std::sort(keyed.begin() + std::ptrdiff_t(b), keyed.begin() + std::ptrdiff_t(e),
                      [](const Keyed& x, const Keyed& y) {
                          return x.hash() != y.hash() ? x.hash() < y.hash() : x.entry < y.entry;
                      });
    }
    bucketStart.clear();
    bucketStart.shrink_to_fit();
    if (stopped())
        return std::nullopt;

    // 2. Runs of equal hashes: confirm that the names are equal. A run of different names (a
    // hash collision) is sorted by key, stably, so discovery order survives inside each name.
    // The rows and groups are counted first, so their arrays are made to size, without the
    // slack of growing.
    struct Group
    {
        Index first;      // entry of the group's first row (its name)
        Index begin, end; // in `rows`
    };
    std::vector<Group> groups;
    std::vector<Index> rows;
    {
        std::size_t rowCount = 0, groupCount = 0;
        for (std::size_t i = 0; i < n;) {
            std::size_t j = i + 1;
            while (j < n && keyed[j].hash() == keyed[i].hash())
                ++j;
            if (j - i >= 2) {
                rowCount += j - i;
                ++groupCount;
            }
            i = j;
        }
        rows.reserve(rowCount);
        groups.reserve(groupCount);
    }
    const auto addGroup = [&](const Keyed* first, const Keyed* last) {
        if (last - first < 2)
            return;
        const auto begin = static_cast<Index>(rows.size());
        for (const Keyed* k = first; k != last; ++k)
            rows.push_back(k->entry);
        groups.push_back({first->entry, begin, static_cast<Index>(rows.size())});
    };
    std::size_t polled = 0;
    for (std::size_t i = 0; i < n;) {
        std::size_t j = i + 1;
        while (j < n && keyed[j].hash() == keyed[i].hash())
            ++j;
        if (j - i >= 2) {
            const QByteArrayView first = store.name(keyed[i].entry);
            bool oneName = true;
            for (std::size_t k = i + 1; k < j && oneName; ++k)
                oneName = sameKey(first, store.name(keyed[k].entry));
            if (!oneName) {
                std::stable_sort(keyed.begin() + std::ptrdiff_t(i), keyed.begin() + std::ptrdiff_t(j),
                                 [&store](const Keyed& a, const Keyed& b) {
                                     return keyOrder(store.name(a.entry), store.name(b.entry)) < 0;
                                 });
                for (std::size_t s = i; s < j;) {
                    std::size_t e = s + 1;
                    while (e < j && sameKey(store.name(keyed[s].entry), store.name(keyed[e].entry)))
                        ++e;
                    addGroup(&keyed[s], &keyed[e]);
                    s = e;
                }
            } else {
                addGroup(&keyed[i], &keyed[j]);
            }
        }
        polled += j - i;
        if (polled >= kPollEvery) {
            polled = 0;
            if (stopped())
                return std::nullopt;
        }
        i = j;
    }
    keyed.clear();
    keyed.shrink_to_fit();
    if (stopped())
        return std::nullopt;

    // 3. Groups in name order: case-insensitive, bytes breaking ties (as folders list). Sorted
    // by a prefix of each name first, made only now that the hashes are gone.
    struct Ordered
    {
        OrderPrefix prefix;
        Index group;
    };
    std::vector<Ordered> order;
    order.reserve(groups.size());
    for (std::size_t g = 0; g < groups.size(); ++g)
        order.push_back({orderPrefix(store.name(groups[g].first)), Index(g)});
    std::sort(order.begin(), order.end(), [&](const Ordered& a, const Ordered& b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        return compareNames(store.name(groups[a.group].first), store.name(groups[b.group].first)) < 0;
    });
    out.m_entries.reserve(rows.size());
    out.m_starts.reserve(groups.size() + 1);
    for (const Ordered& o : order) {
        const Group& g = groups[o.group];
        out.m_starts.push_back(static_cast<Index>(out.m_entries.size()));
        out.m_entries.insert(out.m_entries.end(), rows.begin() + g.begin, rows.begin() + g.end);
    }
    out.m_starts.push_back(static_cast<Index>(out.m_entries.size()));
    return out;
}

} // namespace bv
