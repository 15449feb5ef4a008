// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for the PE version parser: any bytes must give "N/A" or four numbers, after a
// bounded number of bytes read; a crash, a hang, a read out of bounds or a large allocation is
// a finding (the sanitizers and libFuzzer's limits report those).
#include "duplicates/peversion.h"

#include <QRegularExpression>

#include <cstdint>
#include <cstdlib>

namespace {

class CountingReader : public bv::MemoryReader
{
public:
    using MemoryReader::MemoryReader;
    bool readAt(std::uint64_t offset, void* out, std::size_t n) override
    {
        bytes += n;
        return MemoryReader::readAt(offset, out, n);
    }
    std::uint64_t bytes = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CountingReader reader(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    const QString text = bv::peVersionText(reader);
    static const QRegularExpression version(QStringLiteral("^\\d{1,5}\\.\\d{1,5}\\.\\d{1,5}\\.\\d{1,5}$"));
    if (text != QLatin1String("N/A") && !version.match(text).hasMatch())
        std::abort();
    // Headers, at most 1024 section records and three directories of at most 4096 entries.
    if (reader.bytes > 256 * 1024)
        std::abort();
    return 0;
}
