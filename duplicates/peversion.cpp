// SPDX-License-Identifier: GPL-3.0-or-later
#include "duplicates/peversion.h"

#include <cstring>
#include <vector>

namespace bv {

namespace {

// Layout of the structures read here (all little-endian, offsets in bytes).
constexpr std::uint64_t kDosHeaderSize = 64;
constexpr std::uint64_t kDosLfanew = 0x3C;
constexpr std::uint64_t kCoffSize = 24; // "PE\0\0" and the COFF file header
constexpr std::uint64_t kSectionSize = 40;
constexpr std::uint64_t kResourceDirSize = 16;
constexpr std::uint64_t kResourceEntrySize = 8;
constexpr std::uint64_t kResourceDataEntrySize = 16;
constexpr std::uint32_t kRtVersion = 16;
constexpr std::uint32_t kVsVersionInfoId = 1;
constexpr std::uint32_t kHighBit = 0x80000000u;
// VS_VERSIONINFO: wLength, wValueLength, wType, L"VS_VERSION_INFO\0", padding to 4, then
// VS_FIXEDFILEINFO (52 bytes) starting with its signature.
constexpr std::uint64_t kVersionKeyOffset = 6;
constexpr std::uint64_t kFixedInfoOffset = 40;
constexpr std::uint64_t kFixedInfoSize = 52;
constexpr std::uint64_t kVersionHeadSize = kFixedInfoOffset + kFixedInfoSize;
constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BDu;

std::uint16_t u16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t u32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

class PeImage
{
public:
    explicit PeImage(ByteReader& reader) : m_r(reader) {}

    std::optional<FixedFileVersion> version();

private:
    bool read(std::uint64_t offset, void* out, std::uint64_t n)
    {
        const std::uint64_t size = m_r.size();
        return offset <= size && n <= size - offset && m_r.readAt(offset, out, static_cast<std::size_t>(n));
    }
    // Where n bytes at a relative virtual address are in the file: inside the raw data of one
    // section, or nowhere.
    std::optional<std::uint64_t> fileOffset(std::uint64_t rva, std::uint64_t n) const;
    bool readRva(std::uint64_t rva, void* out, std::uint64_t n)
    {
        const auto off = fileOffset(rva, n);
        return off && read(*off, out, n);
    }
    // The entry of the resource directory at dirRva whose id is `id` (any entry when id is
    // empty); its offset field, or nothing.
    std::optional<std::uint32_t> findEntry(std::uint64_t dirRva, std::optional<std::uint32_t> id);

    struct Section
    {
        std::uint32_t va, rawSize, rawPtr;
    };

    ByteReader& m_r;
    std::vector<Section> m_sections;
};

std::optional<std::uint64_t> PeImage::fileOffset(std::uint64_t rva, std::uint64_t n) const
{
    for (const Section& s : m_sections) {
        if (rva >= s.va && rva - s.va < s.rawSize && n <= s.rawSize - (rva - s.va))
            return std::uint64_t(s.rawPtr) + (rva - s.va);
    }
    return std::nullopt;
}

std::optional<std::uint32_t> PeImage::findEntry(std::uint64_t dirRva, std::optional<std::uint32_t> id)
{
    unsigned char head[kResourceDirSize];
    if (!readRva(dirRva, head, sizeof head))
        return std::nullopt;
    const std::uint32_t named = u16(head + 12);
    const std::uint32_t ids = u16(head + 14);
    // Named entries come first, then the id entries in ascending order.
    const std::uint32_t first = id ? named : 0;
    std::uint32_t count = id ? ids : named + ids;
    if (count == 0)
        return std::nullopt;
    if (count > kPeMaxEntriesPerDirectory)
        count = kPeMaxEntriesPerDirectory;
    std::vector<unsigned char> entries(count * kResourceEntrySize);
    if (!readRva(dirRva + kResourceDirSize + first * kResourceEntrySize, entries.data(), entries.size()))
        return std::nullopt;
    for (std::uint32_t i = 0; i < count; ++i) {
        const unsigned char* e = entries.data() + i * kResourceEntrySize;
        const std::uint32_t name = u32(e);
        if (!id || name == *id)
            return u32(e + 4);
    }
    return std::nullopt;
}

std::optional<FixedFileVersion> PeImage::version()
{
    unsigned char dos[kDosHeaderSize];
    if (!read(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z')
        return std::nullopt;
    const std::uint64_t pe = u32(dos + kDosLfanew);
    unsigned char coff[kCoffSize];
    if (!read(pe, coff, sizeof coff) || std::memcmp(coff, "PE\0\0", 4) != 0)
        return std::nullopt;
    const std::uint32_t sectionCount = u16(coff + 6);
    const std::uint32_t optionalSize = u16(coff + 20);

    // The optional header: its magic says where the data directories are.
    unsigned char magic[2];
    if (!read(pe + kCoffSize, magic, sizeof magic))
        return std::nullopt;
    std::uint32_t countAt = 0;
    switch (u16(magic)) {
    case 0x10B: // PE32
        countAt = 92;
        break;
    case 0x20B: // PE32+
        countAt = 108;
        break;
    default:
        return std::nullopt;
    }
    const std::uint32_t resourceDirAt = countAt + 4 + 2 * 8; // the third data directory
    unsigned char optional[108 + 4 + 2 * 8 + 8];
    const std::uint32_t needed = resourceDirAt + 8;
    if (optionalSize < needed || !read(pe + kCoffSize, optional, needed) || u32(optional + countAt) < 3)
        return std::nullopt;
    const std::uint32_t resourceRva = u32(optional + resourceDirAt);
    if (resourceRva == 0)
        return std::nullopt;

    if (sectionCount == 0 || sectionCount > kPeMaxSections)
        return std::nullopt;
    std::vector<unsigned char> table(sectionCount * kSectionSize);
    if (!read(pe + kCoffSize + optionalSize, table.data(), table.size()))
        return std::nullopt;
    m_sections.reserve(sectionCount);
    for (std::uint32_t i = 0; i < sectionCount; ++i) {
        const unsigned char* s = table.data() + i * kSectionSize;
        m_sections.push_back({u32(s + 12), u32(s + 16), u32(s + 20)});
    }

    // Exactly three levels: type RT_VERSION, name VS_VERSION_INFO, the first language.
    // Each level must be a directory and the last one a data entry, so a cycle in the tree
    // ends at the next level's check instead of going round.
    const auto type = findEntry(resourceRva, kRtVersion);
    if (!type || !(*type & kHighBit))
        return std::nullopt;
    // The name is VS_VERSION_INFO (1) by the rules of the resource compiler, but some tools
    // file the block under another id; the block identifies itself (key and signature are
    // checked below), so the first name stands in when there is no 1.
    const std::uint64_t names = resourceRva + (*type & ~kHighBit);
    auto name = findEntry(names, kVsVersionInfoId);
    if (!name)
        name = findEntry(names, std::nullopt);
    if (!name || !(*name & kHighBit))
        return std::nullopt;
    const auto language = findEntry(resourceRva + (*name & ~kHighBit), std::nullopt);
    if (!language || (*language & kHighBit))
        return std::nullopt;
    unsigned char data[kResourceDataEntrySize];
    if (!readRva(resourceRva + *language, data, sizeof data))
        return std::nullopt;
    const std::uint32_t dataRva = u32(data);
    const std::uint32_t dataSize = u32(data + 4);
    if (dataSize < kVersionHeadSize)
        return std::nullopt;

    unsigned char v[kVersionHeadSize];
    if (!readRva(dataRva, v, sizeof v))
        return std::nullopt;
    static const char16_t key[] = u"VS_VERSION_INFO";
    const std::uint32_t length = u16(v);
    const std::uint32_t valueLength = u16(v + 2);
    if (length < kVersionHeadSize || length > dataSize || valueLength < kFixedInfoSize)
        return std::nullopt;
    for (std::size_t i = 0; i < sizeof key / sizeof key[0]; ++i) { // with the terminating NUL
        if (u16(v + kVersionKeyOffset + 2 * i) != key[i])
            return std::nullopt;
    }
    const unsigned char* fixed = v + kFixedInfoOffset;
    if (u32(fixed) != kFixedInfoSignature)
        return std::nullopt;
    return FixedFileVersion{u32(fixed + 8), u32(fixed + 12)};
}

} // namespace

bool MemoryReader::readAt(std::uint64_t offset, void* out, std::size_t n)
{
    const auto size = static_cast<std::uint64_t>(m_bytes.size());
    if (offset > size || n > size - offset)
        return false;
    if (n)
        std::memcpy(out, m_bytes.data() + offset, n);
    return true;
}

QString FixedFileVersion::text() const
{
    return QStringLiteral("%1.%2.%3.%4").arg(ms >> 16).arg(ms & 0xFFFF).arg(ls >> 16).arg(ls & 0xFFFF);
}

std::optional<FixedFileVersion> peFixedFileVersion(ByteReader& reader)
{
    return PeImage(reader).version();
}

QString peVersionText(ByteReader& reader)
{
    const auto v = peFixedFileVersion(reader);
    return v ? v->text() : QStringLiteral("N/A");
}

QString peVersionText(QByteArrayView bytes)
{
    MemoryReader reader(bytes);
    return peVersionText(reader);
}

} // namespace bv
