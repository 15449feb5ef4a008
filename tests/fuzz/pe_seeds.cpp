// Writes the PE version fuzzer's seed corpus: small well-formed and slightly odd PE files made
// by the tests' builder, so the fuzzer starts from inputs that reach deep into the parser.
//
//   fuzz_pe_version_seeds DIR            writes the seeds into DIR
//   fuzz_pe_version_seeds --check DIR    exit 1 unless DIR holds exactly these seeds
#include "tests/duplicates/pe_builder.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <map>
#include <string>

using bv::test::buildPe;
using bv::test::PeShape;

namespace {

std::map<QString, QByteArray> seeds()
{
    std::map<QString, QByteArray> out;
    out["pe32.exe"] = buildPe().bytes;
    PeShape plus;
    plus.pe32plus = true;
    plus.ms = 0x000A0000;
    plus.ls = 0x4A610001;
    out["pe32plus.dll"] = buildPe(plus).bytes;
    PeShape bare;
    bare.otherTypes = {};
    bare.namedType = false;
    out["version-only.exe"] = buildPe(bare).bytes;
    PeShape icons;
    icons.withVersion = false;
    out["no-version.exe"] = buildPe(icons).bytes;
    PeShape none;
    none.withResources = false;
    out["no-resources.exe"] = buildPe(none).bytes;
    QByteArray otherName = buildPe().bytes;
    const bv::test::BuiltPe layout = buildPe();
    bv::test::put32(otherName, layout.typeEntry, 0x66);
    out["version-as-name-102.exe"] = otherName;
    out["dos-only.exe"] = buildPe().bytes.left(64);
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    const bool check = argc == 3 && std::string(argv[1]) == "--check";
    if (argc != 2 && !check) {
        std::fprintf(stderr, "usage: %s [--check] DIR\n", argv[0]);
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[argc - 1]));
    const auto all = seeds();
    if (check) {
        const QStringList present = dir.entryList(QDir::Files, QDir::Name);
        bool ok = present.size() == qsizetype(all.size());
        for (const auto& [name, bytes] : all) {
            QFile f(dir.filePath(name));
            if (!f.open(QIODevice::ReadOnly) || f.readAll() != bytes) {
                std::fprintf(stderr, "%s is missing or differs from what the generator writes\n", qPrintable(name));
                ok = false;
            }
        }
        if (!ok)
            std::fprintf(stderr, "regenerate: %s %s (after removing the folder's files)\n", argv[0], argv[2]);
        return ok ? 0 : 1;
    }
    if (!dir.mkpath(QStringLiteral(".")))
        return 1;
    for (const auto& [name, bytes] : all) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(f.fileName()));
            return 1;
        }
    }
    std::printf("%zu seeds written to %s\n", all.size(), qPrintable(dir.path()));
    return 0;
}
