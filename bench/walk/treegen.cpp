// SPDX-License-Identifier: GPL-3.0-or-later
// Makes a deterministic folder tree for the walk benchmark: by default 500,000 files in 50,000
// folders, names and extensions like a user's home, some hidden, sizes 0 to 4 KiB made with
// ftruncate (sparse, so the tree costs inodes, not disk space), plus a few deep chains.
//
//   walk_treegen DIR [files [folders [seed]]]
//
// The same arguments always give the same tree, so figures from different runs compare.
#include "bench/common/rng.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const char* const words[] = {"report", "photo",      "IMG",    "notes", "backup", "draft",  "Invoice",
                             "setup",  "cache",      "thumb",  "data",  "config", "readme", "Budget",
                             "song",   "video",      "log",    "temp",  "index",  "main",   "test",
                             "build",  "Screenshot", "letter", "scan",  "project"};
const char* const exts[] = {".txt", ".jpg", ".JPG",  ".png", ".tmp",  ".log", ".pdf", ".doc",   ".cpp", ".h",
                            ".mp3", ".bak", ".json", ".xml", ".html", ".o",   "",     ".cache", ".ini", ".dat"};
const char* const dirWords[] = {"Documents", "src", "lib",   "photos", "2019",    "2020",   "2021", "music",    "old",
                                "projects",  "tmp", "cache", "build",  "include", "assets", "misc", "Downloads"};

template <typename T, std::size_t N> const char* pick(bv::bench::Rng& r, T (&arr)[N])
{
    return arr[r.below(N)];
}

[[noreturn]] void die(const char* what, const std::string& path)
{
    std::fprintf(stderr, "walk_treegen: %s %s: %s\n", what, path.c_str(), std::strerror(errno));
    std::exit(1);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIR [files [folders [seed]]]\n", argv[0]);
        return 2;
    }
    const std::string root = argv[1];
    const long files = argc > 2 ? std::atol(argv[2]) : 500000;
    const long folders = argc > 3 ? std::atol(argv[3]) : 50000;
    bv::bench::Rng rng{argc > 4 ? std::strtoull(argv[4], nullptr, 10) : 42};

    if (::mkdir(root.c_str(), 0755) != 0 && errno != EEXIST)
        die("mkdir", root);

    // Folder i > 0 hangs below an earlier one; preferring recent ones gives realistic depths
    // (mostly 3 to 12) instead of a flat fan.
    std::vector<std::string> paths{root};
    paths.reserve(static_cast<std::size_t>(folders) + 1000);
    std::vector<long> children(1, 0);
    for (long i = 1; i < folders; ++i) {
        long parent;
        if (rng.chance(60))
            parent = static_cast<long>(paths.size()) - 1 -
                     static_cast<long>(rng.below(std::min<std::size_t>(paths.size(), 8)));
        else
            parent = static_cast<long>(rng.below(paths.size()));
        std::string name = pick(rng, dirWords);
        if (rng.chance(8))
            name = "." + name;
        name += "_" + std::to_string(children[static_cast<std::size_t>(parent)]++);
        const std::string p = paths[static_cast<std::size_t>(parent)] + "/" + name;
        if (::mkdir(p.c_str(), 0755) != 0)
            die("mkdir", p);
        paths.push_back(p);
        children.push_back(0);
    }
    // A few deep chains, as build trees and node_modules produce them.
    for (int c = 0; c < 3; ++c) {
        std::string p = paths[static_cast<std::size_t>(rng.below(paths.size()))] + "/deep" + std::to_string(c);
        for (int d = 0; d < 150; ++d) {
            if (::mkdir(p.c_str(), 0755) != 0)
                die("mkdir", p);
            paths.push_back(p);
            p += "/level";
        }
    }

    // Files go to folders with a skew: a few folders hold many files, most hold a handful.
    std::vector<std::vector<long>> perFolder(paths.size());
    for (long i = 0; i < files; ++i) {
        std::size_t f = static_cast<std::size_t>(rng.below(paths.size()));
        if (rng.chance(30))
            f = static_cast<std::size_t>(rng.below(std::min<std::size_t>(paths.size(), 500)));
        perFolder[f].push_back(i);
    }
    long made = 0;
    for (std::size_t f = 0; f < paths.size(); ++f) {
        if (perFolder[f].empty())
            continue;
        const int dfd = ::open(paths[f].c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dfd < 0)
            die("open", paths[f]);
        long n = 0;
        for (long id : perFolder[f]) {
            (void)id;
            std::string name = pick(rng, words);
            if (rng.chance(5))
                name = "." + name;
            if (rng.chance(20))
                name += " (" + std::to_string(rng.below(9) + 1) + ")";
            name += "-" + std::to_string(n++) + pick(rng, exts);
            const int fd = ::openat(dfd, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            if (fd < 0)
                die("create", paths[f] + "/" + name);
            const off_t size = rng.chance(10) ? 0 : static_cast<off_t>(rng.below(4097));
            if (size && ::ftruncate(fd, size) != 0)
                die("ftruncate", name);
            ::close(fd);
            ++made;
        }
        ::close(dfd);
    }
    std::printf("%s: %ld files in %zu folders\n", root.c_str(), made, paths.size());
    return 0;
}
