// SPDX-License-Identifier: GPL-3.0-or-later
// The main() of every seed generator: writes a fuzz target's seeds into a folder, or checks that
// a folder holds exactly those seeds (the test that keeps the committed corpus reproducible).
//
//   fuzz_NAME_seeds DIR            writes the seeds into DIR
//   fuzz_NAME_seeds --check DIR    exit 1 unless DIR holds exactly these seeds
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <cstdio>
#include <map>
#include <string>

namespace bv::test {

using Seeds = std::map<QString, QByteArray>;

inline int writeOrCheckSeeds(int argc, char** argv, const Seeds& all)
{
    const bool check = argc == 3 && std::string(argv[1]) == "--check";
    if (argc != 2 && !check) {
        std::fprintf(stderr, "usage: %s [--check] DIR\n", argv[0]);
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[argc - 1]));
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

} // namespace bv::test
