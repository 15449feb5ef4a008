// SPDX-License-Identifier: GPL-3.0-or-later
// Small Windows PE files built byte by byte, for the version parser's tests and the fuzzer's
// seed corpus: a DOS header, the PE headers (PE32 or PE32+), one ".rsrc" section and a resource
// tree type -> name -> language -> data holding a VS_VERSION_INFO with its fixed file info.
// The builder records where each structure lies, so a test can damage exactly one of them.
#pragma once

#include <QByteArray>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace bv::test {

struct PeShape
{
    bool pe32plus = false;
    bool withResources = true;
    bool withVersion = true;                         // false: the resource tree holds only an icon type
    std::uint32_t ms = 0x00040000;                   // 4.0
    std::uint32_t ls = 0x000003B6;                   // 0.950
    std::vector<std::uint32_t> otherTypes = {3, 24}; // id entries beside RT_VERSION (sorted in)
    bool namedType = true;                           // a named type entry in front of the id entries
};

struct BuiltPe
{
    QByteArray bytes;
    // File offsets of the structures.
    int lfanew = 0;         // "PE\0\0"
    int optionalHeader = 0; // its magic
    int dataDirectories = 0;
    int sectionTable = 0;
    int rsrc = 0;      // resource root directory
    int typeDir = 0;   // the RT_VERSION type's directory (names)
    int nameDir = 0;   // the name's directory (languages)
    int dataEntry = 0; // IMAGE_RESOURCE_DATA_ENTRY
    int version = 0;   // VS_VERSIONINFO
    std::uint32_t rsrcRva = 0;
    // Offset of the root entry that leads to RT_VERSION, and of the type and name entries.
    int rootVersionEntry = 0, typeEntry = 0, nameEntry = 0;
};

inline void put16(QByteArray& b, int at, std::uint32_t v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char((v >> 8) & 0xFF);
}

inline void put32(QByteArray& b, int at, std::uint32_t v)
{
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

inline BuiltPe buildPe(const PeShape& shape = {})
{
    BuiltPe pe;
    QByteArray& b = pe.bytes;
    constexpr std::uint32_t kSectionVa = 0x1000;
    constexpr int kRawStart = 0x200;
    const int optionalSize = shape.pe32plus ? 240 : 224;
    const int countAt = shape.pe32plus ? 108 : 92;

    // Resource tree, laid out in the section from offset 0.
    QByteArray r;
    auto dir = [&r](int named, int ids) {
        const int at = int(r.size());
        r.append(16, '\0');
        put16(r, at + 12, std::uint32_t(named));
        put16(r, at + 14, std::uint32_t(ids));
        r.append((named + ids) * 8, '\0');
        return at;
    };
    std::vector<std::uint32_t> types = shape.otherTypes;
    if (shape.withVersion)
        types.push_back(16);
    std::sort(types.begin(), types.end());
    const int named = shape.namedType ? 1 : 0;
    const int root = dir(named, int(types.size()));
    const int typeDir = dir(0, 1);
    const int nameDir = dir(0, 1);
    const int dataEntry = int(r.size());
    r.append(16, '\0');
    const int nameString = int(r.size()); // the named type's name: length and UTF-16 text
    r.append("\x04\0P\0N\0G\0S\0", 10);
    while (r.size() % 4)
        r.append('\0');
    const int version = int(r.size());
    r.append(92, '\0');

    int entry = root + 16;
    if (shape.namedType) {
        put32(r, entry, 0x80000000u | std::uint32_t(nameString));
        put32(r, entry + 4, 0x80000000u | std::uint32_t(typeDir));
        entry += 8;
    }
    for (std::uint32_t t : types) {
        put32(r, entry, t);
        put32(r, entry + 4, 0x80000000u | std::uint32_t(typeDir));
        if (t == 16)
            pe.rootVersionEntry = entry;
        entry += 8;
    }
    pe.typeEntry = typeDir + 16;
    put32(r, pe.typeEntry, 1);
    put32(r, pe.typeEntry + 4, 0x80000000u | std::uint32_t(nameDir));
    pe.nameEntry = nameDir + 16;
    put32(r, pe.nameEntry, 0x409);
    put32(r, pe.nameEntry + 4, std::uint32_t(dataEntry));
    put32(r, dataEntry, kSectionVa + std::uint32_t(version));
    put32(r, dataEntry + 4, 92);
    put16(r, version, 92);     // wLength
    put16(r, version + 2, 52); // wValueLength
    const char16_t key[] = u"VS_VERSION_INFO";
    for (int i = 0; i < 16; ++i)
        put16(r, version + 6 + 2 * i, key[i]);
    put32(r, version + 40, 0xFEEF04BDu);
    put32(r, version + 44, 0x00010000u);
    put32(r, version + 48, shape.ms);
    put32(r, version + 52, shape.ls);
    put32(r, version + 56, shape.ms); // product version
    put32(r, version + 60, shape.ls);

    // Headers.
    b = QByteArray(kRawStart, '\0');
    b[0] = 'M';
    b[1] = 'Z';
    pe.lfanew = 0x40;
    put32(b, 0x3C, std::uint32_t(pe.lfanew));
    b.replace(pe.lfanew, 4, QByteArray("PE\0\0", 4));
    put16(b, pe.lfanew + 4, shape.pe32plus ? 0x8664 : 0x14C);
    put16(b, pe.lfanew + 6, 1); // sections
    put16(b, pe.lfanew + 20, std::uint32_t(optionalSize));
    pe.optionalHeader = pe.lfanew + 24;
    put16(b, pe.optionalHeader, shape.pe32plus ? 0x20B : 0x10B);
    put32(b, pe.optionalHeader + countAt, 16);
    pe.dataDirectories = pe.optionalHeader + countAt + 4;
    pe.rsrcRva = shape.withResources ? kSectionVa : 0;
    put32(b, pe.dataDirectories + 16, pe.rsrcRva);
    put32(b, pe.dataDirectories + 20, shape.withResources ? std::uint32_t(r.size()) : 0);
    pe.sectionTable = pe.optionalHeader + optionalSize;
    b.replace(pe.sectionTable, 8, QByteArray(".rsrc\0\0\0", 8));
    put32(b, pe.sectionTable + 8, std::uint32_t(r.size()));  // virtual size
    put32(b, pe.sectionTable + 12, kSectionVa);              // virtual address
    put32(b, pe.sectionTable + 16, std::uint32_t(r.size())); // raw size
    put32(b, pe.sectionTable + 20, kRawStart);               // raw pointer
    b.append(r);

    pe.rsrc = kRawStart + root;
    pe.typeDir = kRawStart + typeDir;
    pe.nameDir = kRawStart + nameDir;
    pe.dataEntry = kRawStart + dataEntry;
    pe.version = kRawStart + version;
    pe.rootVersionEntry += kRawStart;
    pe.typeEntry += kRawStart;
    pe.nameEntry += kRawStart;
    return pe;
}

} // namespace bv::test
