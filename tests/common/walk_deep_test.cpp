// SPDX-License-Identifier: GPL-3.0-or-later
// A chain of folders thousands of levels deep, walked with a descriptor limit far below its
// depth. Its own executable: the lowered limit holds for the whole process.
#include "common/walk.h"
#include "tests/common/walk_test_support.h"
#include "tests/support/tree_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sys/resource.h>

namespace bv {
namespace {

constexpr int depth = 5000;

class DeepWalk : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        rlimit lim;
        ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &lim), 0);
        lim.rlim_cur = 64;
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lim), 0);
    }
};

TEST_F(DeepWalk, ChainFarDeeperThanTheDescriptorLimit)
{
    test::TreeFixture t;
    const QByteArray bottom = t.makeChain("c", depth);
    t.makeFile(bottom + "/deepest.txt");
    // A sibling half-way down: reaching it needs a folder that was closed on the way down.
    const QByteArray middle = "c" + QByteArray("/d").repeated(depth / 2);
    t.makeFile(middle + "/e/side.txt");

    // 1: every folder reopened on demand; 1000: more than the limit allows, the walk gives
    // descriptors back when the system refuses a new one.
    for (const int maxOpen : {32, 1, 1000}) {
        QList<QByteArray> paths;
        test::RecordingHooks h(t.root());
        h.onFile = [&](const WalkFile& f) { paths.append(f.path); };
        WalkOptions o;
        o.start = t.root();
        o.maxOpenFolders = maxOpen;
        const auto began = std::chrono::steady_clock::now();
        const WalkResult r = walkTree(o, h);
        const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        EXPECT_EQ(r.end, WalkEnd::Complete) << maxOpen;
        EXPECT_EQ(r.unreadable, 0) << maxOpen;
        EXPECT_EQ(r.folders, 1 + 1 + depth + 1) << maxOpen; // root, c, the chain, e
        // The deepest file's folder is walked before the sibling "e" of its ancestor.
        EXPECT_EQ(paths, (QList<QByteArray>{t.path(bottom + "/deepest.txt"), t.path(middle + "/e/side.txt")}));
        EXPECT_TRUE(h.only("error ").isEmpty()) << maxOpen;
        // Linear in the depth: a quadratic walk of this chain would take far longer.
        EXPECT_LT(seconds, 10.0) << maxOpen;
    }
}

} // namespace
} // namespace bv
