// SPDX-License-Identifier: GPL-3.0-or-later
// The file version a Windows program carries in its version resource, read without Windows.
//
// The review window shows each duplicate's version: for a PE file (.exe, .dll, ...) the fixed
// file version of its VS_VERSION_INFO resource, as four numbers ("4.0.0.950" = high and low
// word of the most significant half, then of the least significant half); "N/A" for every
// other file and for any file whose headers or resource tree do not hold together.
//
// The resource looked for is type RT_VERSION, name VS_VERSION_INFO (1), its first language. A
// file whose version block is filed under another name (some build tools do that) is read
// too: the block names itself, and its key and the fixed info's signature must be right.
//
// The parser trusts nothing in the file. It reads through a ByteReader, checks every offset
// and length against the size before it reads, follows the resource tree exactly three levels
// (type, name, language) so a directory that points at itself or an ancestor cannot make it
// loop, and looks at a bounded number of sections and directory entries: whatever the input,
// it reads a few hundred kilobytes at most and allocates nothing in proportion to the file.
#pragma once

#include <QByteArrayView>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace bv {

// Positional reads over some bytes (a file, a buffer).
class ByteReader
{
public:
    virtual ~ByteReader() = default;
    virtual std::uint64_t size() const = 0;
    // Exactly n bytes at offset; false when they are not all there or the read fails.
    virtual bool readAt(std::uint64_t offset, void* out, std::size_t n) = 0;
};

// Bytes in memory.
class MemoryReader : public ByteReader
{
public:
    explicit MemoryReader(QByteArrayView bytes) : m_bytes(bytes) {}
    std::uint64_t size() const override { return static_cast<std::uint64_t>(m_bytes.size()); }
    bool readAt(std::uint64_t offset, void* out, std::size_t n) override;

private:
    QByteArrayView m_bytes;
};

struct FixedFileVersion
{
    std::uint32_t ms = 0; // dwFileVersionMS
    std::uint32_t ls = 0; // dwFileVersionLS

    QString text() const; // "4.0.0.950"
    bool operator==(const FixedFileVersion&) const = default;
};

// Limits of the parser (public so tests can build files just inside and just outside them).
inline constexpr int kPeMaxSections = 1024;            // real files have a few dozen at most
inline constexpr int kPeMaxEntriesPerDirectory = 4096; // resource directory entries looked at

// The fixed file version of a PE file's version resource; nothing for anything else.
std::optional<FixedFileVersion> peFixedFileVersion(ByteReader& reader);

// The version as the review window shows it: the four numbers, or "N/A".
QString peVersionText(ByteReader& reader);
QString peVersionText(QByteArrayView bytes);

} // namespace bv
