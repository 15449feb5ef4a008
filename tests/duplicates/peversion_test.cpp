// SPDX-License-Identifier: GPL-3.0-or-later
// The PE version parser: the version of well-formed files, "N/A" for everything else, and
// bounded work on damaged and hostile files. Files are built byte by byte (pe_builder.h); real
// Windows programs shipped in Debian packages are read too when the machine has some.
#include "duplicates/peversion.h"
#include "duplicates/rowvalues.h"
#include "common/walk.h"
#include "platform/paths.h"
#include "tests/duplicates/pe_builder.h"

#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>

void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace bv {
namespace {

using test::buildPe;
using test::BuiltPe;
using test::PeShape;
using test::put16;
using test::put32;

QString version(const QByteArray& bytes)
{
    return peVersionText(bytes);
}

// Counts what the parser reads, to hold it to its bounds.
class CountingReader : public MemoryReader
{
public:
    using MemoryReader::MemoryReader;
    bool readAt(std::uint64_t offset, void* out, std::size_t n) override
    {
        ++reads;
        bytes += n;
        return MemoryReader::readAt(offset, out, n);
    }
    std::uint64_t reads = 0, bytes = 0;
};

TEST(PeVersion, WellFormedFilesGiveTheirFixedFileVersion)
{
    struct Case
    {
        const char* what;
        PeShape shape;
        QString expected;
    };
    PeShape pe32plus;
    pe32plus.pe32plus = true;
    pe32plus.ms = 0xFFFF0001;
    pe32plus.ls = 0x0002FFFE;
    PeShape plain;
    plain.otherTypes = {};
    plain.namedType = false;
    PeShape noVersion;
    noVersion.withVersion = false;
    PeShape noResources;
    noResources.withResources = false;
    const Case cases[] = {
        {"PE32 with icon, manifest and a named type beside the version", PeShape{}, "4.0.0.950"},
        {"PE32+ with every word at its edge", pe32plus, "65535.1.2.65534"},
        {"only the version resource", plain, "4.0.0.950"},
        {"resources without a version", noVersion, "N/A"},
        {"no resource directory", noResources, "N/A"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(version(buildPe(c.shape).bytes), c.expected) << c.what;

    for (const QByteArray& other : {QByteArray(), QByteArray("MZ"),
                                    QByteArray("\x7f"
                                               "ELF\2\1\1",
                                               7),
                                    QByteArray(4096, 'M'), QByteArray("plain text\n")})
        EXPECT_EQ(version(other), "N/A");
}

TEST(PeVersion, TruncatedAtEveryOffsetIsNotAVersion)
{
    for (const bool plus : {false, true}) {
        PeShape shape;
        shape.pe32plus = plus;
        const QByteArray whole = buildPe(shape).bytes;
        ASSERT_EQ(version(whole), "4.0.0.950");
        for (qsizetype n = 0; n < whole.size(); ++n)
            ASSERT_EQ(version(whole.left(n)), "N/A") << "cut at " << n;
    }
}

// One damaged field at a time: each must give "N/A" (or, where the damage is harmless, the
// version), never a crash, a hang or a read of more than a bounded amount.
TEST(PeVersion, DamagedAndHostileFilesAreBounded)
{
    const BuiltPe pe = buildPe();
    const std::uint32_t hb = 0x80000000u;
    const auto rootOffset = [&pe](int fileOffset) { return std::uint32_t(fileOffset - pe.rsrc); };
    struct Case
    {
        const char* what;
        std::function<void(QByteArray&)> damage;
        QString expected = "N/A";
    };
    const Case cases[] = {
        {"PE header offset far outside the file", [&](QByteArray& b) { put32(b, 0x3C, 0xFFFFFFF0u); }},
        {"PE header offset pointing at the DOS header itself", [&](QByteArray& b) { put32(b, 0x3C, 0); }},
        {"unknown optional header magic", [&](QByteArray& b) { put16(b, pe.optionalHeader, 0x107); }},
        {"optional header too small for the resource directory", [&](QByteArray& b) { put16(b, pe.lfanew + 20, 100); }},
        {"only two data directories", [&](QByteArray& b) { put32(b, pe.dataDirectories - 4, 2); }},
        {"no sections", [&](QByteArray& b) { put16(b, pe.lfanew + 6, 0); }},
        {"65535 sections", [&](QByteArray& b) { put16(b, pe.lfanew + 6, 0xFFFF); }},
        {"section data outside the file", [&](QByteArray& b) { put32(b, pe.sectionTable + 20, 0xFFFFFF00u); }},
        {"section raw size past the file end (what is read is there)",
         [&](QByteArray& b) { put32(b, pe.sectionTable + 16, 0x7FFFFFFF); }, "4.0.0.950"},
        {"resource directory outside every section", [&](QByteArray& b) { put32(b, pe.dataDirectories + 16, 0x9000); }},
        {"root entry leading back to the root (a cycle)",
         [&](QByteArray& b) { put32(b, pe.rootVersionEntry + 4, hb | 0); }},
        {"type entry leading back to the root", [&](QByteArray& b) { put32(b, pe.typeEntry + 4, hb | 0); }},
        {"type entry leading to itself",
         [&](QByteArray& b) { put32(b, pe.typeEntry + 4, hb | rootOffset(pe.typeDir)); }},
        {"language entry is a directory leading back to the root",
         [&](QByteArray& b) { put32(b, pe.nameEntry + 4, hb | 0); }},
        {"RT_VERSION is a leaf, not a directory", [&](QByteArray& b) { put32(b, pe.rootVersionEntry + 4, 0); }},
        {"the version block filed under name 2", [&](QByteArray& b) { put32(b, pe.typeEntry, 2); }, "4.0.0.950"},
        {"...and name 2 is a leaf",
         [&](QByteArray& b) {
             put32(b, pe.typeEntry, 2);
             put32(b, pe.typeEntry + 4, rootOffset(pe.dataEntry));
         }},
        {"65535 named and 65535 id entries in the root",
         [&](QByteArray& b) {
             put16(b, pe.rsrc + 12, 0xFFFF);
             put16(b, pe.rsrc + 14, 0xFFFF);
         }},
        {"entry offsets with every bit set", [&](QByteArray& b) { put32(b, pe.rootVersionEntry + 4, 0xFFFFFFFFu); }},
        {"version data outside every section", [&](QByteArray& b) { put32(b, pe.dataEntry, 0xFFFFFFF0u); }},
        {"version data size of 4 GiB", [&](QByteArray& b) { put32(b, pe.dataEntry + 4, 0xFFFFFFFFu); }, "4.0.0.950"},
        {"version data size too small", [&](QByteArray& b) { put32(b, pe.dataEntry + 4, 91); }},
        {"version block length too small", [&](QByteArray& b) { put16(b, pe.version, 60); }},
        {"no fixed file info", [&](QByteArray& b) { put16(b, pe.version + 2, 0); }},
        {"another key", [&](QByteArray& b) { b[pe.version + 6] = 'W'; }},
        {"fixed file info without its signature", [&](QByteArray& b) { put32(b, pe.version + 40, 0xFEEF04BCu); }},
    };
    for (const Case& c : cases) {
        QByteArray bytes = pe.bytes;
        c.damage(bytes);
        CountingReader reader(bytes);
        EXPECT_EQ(peVersionText(reader), c.expected) << c.what;
        EXPECT_LE(reader.reads, 16u) << c.what;
        EXPECT_LE(reader.bytes, 64u * 1024u) << c.what;
    }
}

// Where a real file has a version resource, its fixed file info follows the UTF-16 key
// "VS_VERSION_INFO" at a fixed distance: a plain byte search finds it without parsing anything.
QString versionBySearch(const QByteArray& bytes)
{
    const QByteArray key = QByteArray("V\0S\0_\0V\0E\0R\0S\0I\0O\0N\0_\0I\0N\0F\0O\0\0\0", 32);
    const QByteArray signature("\xbd\x04\xef\xfe", 4);
    for (qsizetype at = bytes.indexOf(key); at >= 0; at = bytes.indexOf(key, at + 1)) {
        const qsizetype fixed = at - 6 + 40;
        if (fixed >= 0 && fixed + 16 <= bytes.size() && bytes.mid(fixed, 4) == signature) {
            const auto word = [&bytes](qsizetype i) {
                return std::uint32_t(std::uint8_t(bytes[i])) | std::uint32_t(std::uint8_t(bytes[i + 1])) << 8 |
                       std::uint32_t(std::uint8_t(bytes[i + 2])) << 16 |
                       std::uint32_t(std::uint8_t(bytes[i + 3])) << 24;
            };
            return FixedFileVersion{word(fixed + 8), word(fixed + 12)}.text();
        }
    }
    return QStringLiteral("N/A");
}

class FindPrograms : public WalkHooks
{
public:
    bool stopRequested() override { return paths.size() >= 60 || clock.hasExpired(20000); }
    void file(const WalkFile& f) override
    {
        if (f.info && f.info->size > 64 && f.info->size < 64 * 1024 * 1024 && !f.info->isSymlink())
            paths.append(f.path);
    }
    QList<QByteArray> paths;
    QElapsedTimer clock;
};

TEST(PeVersion, RealProgramsFromInstalledPackages)
{
    FindPrograms found;
    found.clock.start();
    for (const char* root : {"/usr/lib", "/usr/share"}) {
        WalkOptions o;
        o.start = root;
        o.files = FileClass::All;
        o.dirs = DirClass::All;
        o.patterns = {"*.exe", "*.dll", "*.efi"};
        walkTree(o, found);
    }
    int pe = 0, versioned = 0;
    for (const QByteArray& path : found.paths) {
        QFile f(QString::fromLocal8Bit(path));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = f.readAll();
        if (!bytes.startsWith("MZ"))
            continue;
        ++pe;
        const QString expected = versionBySearch(bytes);
        versioned += expected != "N/A";
        EXPECT_EQ(readReviewRow(folderOf(path), baseName(path))->version, expected) << path.constData();
    }
    if (pe == 0)
        GTEST_SKIP() << "no Windows programs under /usr/lib or /usr/share";
    std::printf("checked %d Windows programs, %d with a version resource\n", pe, versioned);
}

} // namespace
} // namespace bv
