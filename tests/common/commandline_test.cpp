// SPDX-License-Identifier: GPL-3.0-or-later
// The command line of both programs: what each argument list asks for, the start folder's bytes
// kept from argv to the walk, and a folder that cannot be used told in words.
#include "common/commandline.h"
#include "tests/support/tree_fixture.h"

#include <gtest/gtest.h>

using namespace bv;
using Action = CommandLineRequest::Action;

namespace {

const CommandLineSpec kBrisvane{QStringLiteral("brisvane"), QStringLiteral("Brisvane"), QStringLiteral("Finds."), true,
                                QByteArray("/usr/share/brisvane/brisvane-help.html")};
const CommandLineSpec kQuillbar{
    QStringLiteral("quillbar"), QStringLiteral("Quillbar"), QStringLiteral("Types."), false, {}};

} // namespace

TEST(CommandLine, EachArgumentListAsksForWhatItSays)
{
    struct Case
    {
        const char* name;
        const CommandLineSpec& spec;
        QList<QByteArray> args;
        Action action;
        QByteArray folder;
        const char* textHas; // nullptr: no text expected
    };
    const Case cases[] = {
        {"nothing", kBrisvane, {}, Action::Run, {}, nullptr},
        {"a folder", kBrisvane, {"/home/u/Downloads"}, Action::Run, "/home/u/Downloads", nullptr},
        {"a relative folder", kBrisvane, {"Downloads"}, Action::Run, "Downloads", nullptr},
        {"a folder named like an option", kBrisvane, {"--", "-old"}, Action::Run, "-old", nullptr},
        {"bytes that are not UTF-8", kBrisvane, {"/tmp/caf\xe9"}, Action::Run, "/tmp/caf\xe9", nullptr},
        {"help", kBrisvane, {"--help"}, Action::Help, {}, "Usage: brisvane [options] [folder]"},
        {"help names the document", kBrisvane, {"-h"}, Action::Help, {}, "/usr/share/brisvane/brisvane-help.html"},
        {"version", kBrisvane, {"--version"}, Action::Version, {}, "Brisvane " BV_VERSION "\n"},
        {"version with a folder", kBrisvane, {"/tmp", "-v"}, Action::Version, {}, "Brisvane " BV_VERSION},
        // Before the toolkit has taken its own options out, they must not hide --version.
        {"toolkit options first", kBrisvane, {"-platform", "offscreen", "--version"}, Action::Version, {}, nullptr},
        {"unknown option", kBrisvane, {"--frobnicate"}, Action::Error, {}, "Unknown option 'frobnicate'"},
        {"two folders", kBrisvane, {"/a", "/b"}, Action::Error, {}, "one folder at most"},
        {"quillbar help", kQuillbar, {"--help"}, Action::Help, {}, "Usage: quillbar [options]\n"},
        {"quillbar version", kQuillbar, {"-v"}, Action::Version, {}, "Quillbar " BV_VERSION "\n"},
        {"quillbar takes no folder", kQuillbar, {"/tmp"}, Action::Error, {}, "Quillbar takes no arguments."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CommandLineRequest r = parseCommandLine(c.spec, c.args);
        EXPECT_EQ(r.action, c.action);
        EXPECT_EQ(r.folder, c.folder);
        if (c.textHas) {
            EXPECT_TRUE(r.text.contains(QString::fromUtf8(c.textHas))) << r.text.toStdString();
        }
        if (c.action == Action::Error) {
            EXPECT_TRUE(r.text.endsWith(QStringLiteral("Try '%1 --help'.\n").arg(c.spec.program)));
        }
    }
    // Quillbar's help offers no folder.
    EXPECT_FALSE(parseCommandLine(kQuillbar, {"--help"}).text.contains(QStringLiteral("folder")));
}

TEST(CommandLine, StartFolderIsResolvedOrToldWhyNot)
{
    test::TreeFixture tree{"real/", "file.txt", "link -> real", "dangling -> gone"};
    tree.makeFolder("caf\xe9");

    struct Case
    {
        QByteArray given;
        QByteArray path;
        QString problem;
    };
    const Case cases[] = {
        {tree.path("real"), tree.path("real"), {}},
        {tree.path("real/../real/"), tree.path("real"), {}},
        {tree.path("link"), tree.path("real"), {}}, // a link the user named is followed
        {tree.path("caf\xe9"), tree.path("caf\xe9"), {}},
        {tree.path("missing"), {}, QString::fromUtf8(tree.path("missing")) + " does not exist."},
        {tree.path("file.txt"), {}, QString::fromUtf8(tree.path("file.txt")) + " is not a folder."},
        {tree.path("dangling"), {}, QString::fromUtf8(tree.path("dangling")) + " is not a folder."},
        // A folder of no drive (the system's own state): no panel could show it.
        {"/proc", {}, QStringLiteral("/proc is not on a drive (proc is a system file system).")},
        {{}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given.toStdString());
        const StartFolder folder = resolveStartFolder(c.given);
        EXPECT_EQ(folder.path, c.path);
        if (c.problem.isEmpty()) {
            EXPECT_TRUE(folder.problem.isEmpty()) << folder.problem.toStdString();
        } else {
            EXPECT_EQ(folder.problem, c.problem + QStringLiteral(" Brisvane starts with its usual folder."));
        }
    }
}
