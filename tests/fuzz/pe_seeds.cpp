// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the PE version fuzzer's seed corpus: small well-formed and slightly odd PE files made
// by the tests' builder, so the fuzzer starts from inputs that reach deep into the parser.
#include "tests/duplicates/pe_builder.h"
#include "tests/fuzz/seed_writer.h"

using bv::test::buildPe;
using bv::test::PeShape;

namespace {

bv::test::Seeds seeds()
{
    bv::test::Seeds out;
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
    return bv::test::writeOrCheckSeeds(argc, argv, seeds());
}
