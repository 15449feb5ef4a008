// SPDX-License-Identifier: GPL-3.0-or-later
// Fills a DuplicateStore with names like a user's home (the walk benchmark's tree, generated
// in memory), then reports what the store costs per entry and how long grouping takes.
//
//   dupgroups_bench [files [folders [runs [seed]]]]     default 1,000,000 files, 100,000 folders
//
// Bytes per entry come from the C library's own count of bytes in use (mallinfo2) before and
// after filling, so every allocation counts, names included, with malloc's overhead; the store's
// own figure (allocatedBytes) is printed beside it. Grouping: best of `runs`.
#include "bench/common/bench_common.h"
#include "bench/common/rng.h"
#include "duplicates/dupgroups.h"

#include <QByteArray>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <string>
#include <vector>

using namespace bv;

namespace {

const char* const words[] = {"report", "photo",      "IMG",    "notes", "backup",  "draft",  "Invoice",
                             "setup",  "cache",      "thumb",  "data",  "config",  "readme", "Budget",
                             "song",   "video",      "log",    "temp",  "index",   "main",   "test",
                             "build",  "Screenshot", "letter", "scan",  "project", "Résumé", "Übersicht"};
const char* const exts[] = {".txt", ".jpg", ".JPG",  ".png", ".tmp",  ".log", ".pdf", ".doc",   ".cpp", ".h",
                            ".mp3", ".bak", ".json", ".xml", ".html", ".o",   "",     ".cache", ".ini", ".dat"};
const char* const dirWords[] = {"Documents", "src", "lib",   "photos", "2019",    "2020",   "2021", "music",    "old",
                                "projects",  "tmp", "cache", "build",  "include", "assets", "misc", "Downloads"};

template <typename T, std::size_t N> const char* pick(bv::bench::Rng& r, T (&arr)[N])
{
    return arr[r.below(N)];
}

struct Tree
{
    std::vector<std::string> folders;
    std::vector<std::vector<std::string>> files; // per folder, in listing order
    std::vector<std::size_t> preorder;           // folders in the order a walk visits them
    std::size_t count = 0;
    std::size_t nameBytes = 0;
    std::size_t pathBytes = 0; // folders that hold files
};

// The walk benchmark's tree, without the disk: folders hang mostly below recent ones (depths of
// 3 to 12), a few folders hold many files and most a handful.
Tree makeTree(long fileCount, long folderCount, std::uint64_t seed)
{
    bv::bench::Rng rng{seed};
    Tree t;
    t.folders.push_back("/home/alice");
    std::vector<long> children(1, 0);
    std::vector<std::vector<std::size_t>> below(1);
    for (long i = 1; i < folderCount; ++i) {
        long parent;
        const auto size = static_cast<long>(t.folders.size());
        if (rng.chance(60))
            parent = size - 1 - static_cast<long>(rng.below(std::uint64_t(std::min<long>(size, 8))));
        else
            parent = static_cast<long>(rng.below(std::uint64_t(size)));
        std::string name = pick(rng, dirWords);
        if (rng.chance(8))
            name = "." + name;
        name += "_" + std::to_string(children[std::size_t(parent)]++);
        t.folders.push_back(t.folders[std::size_t(parent)] + "/" + name);
        children.push_back(0);
        below[std::size_t(parent)].push_back(t.folders.size() - 1);
        below.emplace_back();
    }
    std::vector<std::size_t> stack{0};
    while (!stack.empty()) {
        const std::size_t f = stack.back();
        stack.pop_back();
        t.preorder.push_back(f);
        stack.insert(stack.end(), below[f].rbegin(), below[f].rend());
    }
    t.files.resize(t.folders.size());
    for (long i = 0; i < fileCount; ++i) {
        std::size_t f = std::size_t(rng.below(t.folders.size()));
        if (rng.chance(30))
            f = std::size_t(rng.below(std::min<std::size_t>(t.folders.size(), 500)));
        std::string name = pick(rng, words);
        if (rng.chance(5))
            name = "." + name;
        if (rng.chance(20))
            name += " (" + std::to_string(rng.below(9) + 1) + ")";
        name += "-" + std::to_string(t.files[f].size()) + pick(rng, exts);
        if (rng.chance(30)) // other spellings of case, as copies made on other systems have
            for (char& c : name)
                c = (c >= 'a' && c <= 'z') ? char(c - 32) : c;
        t.nameBytes += name.size();
        t.files[f].push_back(std::move(name));
        ++t.count;
    }
    for (std::size_t f = 0; f < t.folders.size(); ++f) {
        if (!t.files[f].empty())
            t.pathBytes += t.folders[f].size();
    }
    return t;
}

} // namespace

int main(int argc, char** argv)
{
    const long files = argc > 1 ? std::atol(argv[1]) : 1000000;
    const long folders = argc > 2 ? std::atol(argv[2]) : 100000;
    const int runs = argc > 3 ? std::atoi(argv[3]) : 3;
    const std::uint64_t seed = argc > 4 ? std::strtoull(argv[4], nullptr, 10) : 42;

    const Tree tree = makeTree(files, folders, seed);
    std::size_t usedFolders = 0;
    for (const auto& f : tree.files)
        usedFolders += !f.empty();
    std::printf("tree: %zu files in %zu folders (%zu holding files); names %.1f bytes, folder paths %.1f bytes "
                "on average\n",
                tree.count, tree.folders.size(), usedFolders, double(tree.nameBytes) / double(tree.count),
                double(tree.pathBytes) / double(usedFolders));

    // Files are handed over as the walk hands them: folder by folder, in pre-order.
    malloc_trim(0);
    const std::size_t before = mallinfo2().uordblks;
    DuplicateStore store;
    QElapsedTimer clock;
    clock.start();
    for (const std::size_t f : tree.preorder) {
        const QByteArrayView folder(tree.folders[f].data(), qsizetype(tree.folders[f].size()));
        for (const std::string& name : tree.files[f]) {
            if (!store.add(folder, QByteArrayView(name.data(), qsizetype(name.size())))) {
                std::fprintf(stderr, "the store refused an entry\n");
                return 1;
            }
        }
    }
    const double fillSeconds = double(clock.nsecsElapsed()) / 1e9;
    const std::size_t after = mallinfo2().uordblks;
    if (after <= before)
        std::printf("malloc does not count bytes in use here (a sanitizer build?): the store's own count follows\n");
    const double perEntry = double(after > before ? after - before : store.allocatedBytes()) / double(store.size());
    std::printf("store: %zu entries, %zu folders; %.1f bytes per entry in use by malloc (store's own count %.1f), "
                "names alone %.1f; filled in %.3f s\n",
                store.size(), store.folderCount(), perEntry, double(store.allocatedBytes()) / double(store.size()),
                double(tree.nameBytes) / double(tree.count), fillSeconds);

    double best = 1e9;
    std::size_t groups = 0, rows = 0;
    for (int r = 0; r < runs; ++r) {
        clock.restart();
        const auto g = groupDuplicates(store, [] { return false; });
        const double s = double(clock.nsecsElapsed()) / 1e9;
        best = std::min(best, s);
        if (!g)
            return 1;
        groups = g->count();
        rows = 0;
        for (std::size_t i = 0; i < groups; ++i)
            rows += g->entries(i).size();
    }
    std::printf("grouping: %zu groups holding %zu rows; best of %d: %.3f s\n", groups, rows, runs, best);
    return perEntry <= 40.0 ? 0 : 3;
}
