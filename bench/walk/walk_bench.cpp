// SPDX-License-Identifier: GPL-3.0-or-later
// Times the walk engine against GNU find on one tree, side by side, warm cache:
//   1. listing every file:       walkTree(statFiles = false)  vs  find DIR -xdev
//   2. one lstat per file:       walkTree(statFiles = true)   vs  find DIR -xdev -printf '%s %A@\n'
// Each side runs once to warm up, then `runs` times alternating; the best run counts. Wall time
// and CPU time (user + system) are both shown: on a busy machine the CPU time is the steadier
// measure of the work each side does.
//
//   walk_bench DIR [runs]
//   walk_bench DIR --engine [--stat]     one engine run only, for a profiler
#include "common/walk.h"

#include <QByteArray>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Timing
{
    double wall = 1e9;
    double cpu = 1e9;
    void keepBest(const Timing& t)
    {
        wall = std::min(wall, t.wall);
        cpu = std::min(cpu, t.cpu);
    }
};

double cpuSeconds(const rusage& r)
{
    return double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) + double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

class CountingHooks : public bv::WalkHooks
{
public:
    bool stopRequested() override { return false; }
    void file(const bv::WalkFile& f) override
    {
        ++files;
        bytes += f.name.size();
        if (f.info)
            bytes += f.info->size + f.info->atime.tv_sec;
    }
    long files = 0;
    long long bytes = 0;
};

Timing runEngine(const char* dir, bool statFiles, long* files)
{
    rusage before, after;
    getrusage(RUSAGE_SELF, &before);
    bv::WalkOptions o;
    o.start = dir;
    o.files = bv::FileClass::All;
    o.dirs = bv::DirClass::All;
    o.statFiles = statFiles;
    CountingHooks h;
    const auto t0 = Clock::now();
    const bv::WalkResult r = bv::walkTree(o, h);
    const double s = std::chrono::duration<double>(Clock::now() - t0).count();
    getrusage(RUSAGE_SELF, &after);
    if (r.end != bv::WalkEnd::Complete) {
        std::fprintf(stderr, "walk failed: %s\n", qPrintable(r.reason));
        std::exit(1);
    }
    *files = h.files;
    return {s, cpuSeconds(after) - cpuSeconds(before)};
}

// Runs a command with its output going to outFd.
Timing runCommand(std::vector<std::string> args, int outFd)
{
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, outFd, 1);
    pid_t pid = 0;
    const auto t0 = Clock::now();
    if (posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), environ) != 0) {
        std::perror("posix_spawnp");
        std::exit(1);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double s = std::chrono::duration<double>(Clock::now() - t0).count();
    posix_spawn_file_actions_destroy(&fa);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", args[0].c_str());
        std::exit(1);
    }
    return {s, cpuSeconds(usage)};
}

long countFindFiles(const char* dir)
{
    char tmpl[] = "/tmp/walk_bench_XXXXXX";
    const int fd = mkstemp(tmpl);
    runCommand({"find", dir, "-xdev", "(", "-type", "f", "-o", "-type", "l", ")"}, fd);
    lseek(fd, 0, SEEK_SET);
    long lines = 0;
    char buf[65536];
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;)
        lines += std::count(buf, buf + n, '\n');
    close(fd);
    unlink(tmpl);
    return lines;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DIR [runs]\n", argv[0]);
        return 2;
    }
    const char* dir = argv[1];
    if (argc > 2 && std::string(argv[2]) == "--engine") {
        long files = 0;
        const Timing t = runEngine(dir, argc > 3 && std::string(argv[3]) == "--stat", &files);
        std::printf("%ld files in %.3f s (cpu %.3f s)\n", files, t.wall, t.cpu);
        return 0;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const int devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);

    const long findFiles = countFindFiles(dir);
    std::printf("tree %s: %ld files (find)\n", dir, findFiles);
    std::printf("%-20s %9s %9s %6s | %9s %9s %6s | %14s\n", "case", "engine s", "find s", "ratio", "engine cpu",
                "find cpu", "ratio", "engine files/s");

    struct Case
    {
        const char* name;
        bool statFiles;
        std::vector<std::string> find;
        double target;
    };
    const Case cases[] = {
        {"list every file", false, {"find", dir, "-xdev"}, 0.6},
        {"one lstat per file", true, {"find", dir, "-xdev", "-printf", "%s %A@\n"}, 0.8},
    };
    int missed = 0;
    for (const Case& c : cases) {
        long files = 0;
        runEngine(dir, c.statFiles, &files); // warm-up
        runCommand(c.find, devNull);
        Timing engine, find;
        for (int i = 0; i < runs; ++i) {
            engine.keepBest(runEngine(dir, c.statFiles, &files));
            find.keepBest(runCommand(c.find, devNull));
        }
        const double ratio = engine.wall / find.wall;
        const double cpuRatio = engine.cpu / find.cpu;
        std::printf("%-20s %9.3f %9.3f %5.2fx | %9.3f %9.3f %5.2fx | %14.0f   (target <= %.1fx%s)\n", c.name,
                    engine.wall, find.wall, ratio, engine.cpu, find.cpu, cpuRatio, files / engine.wall, c.target,
                    ratio <= c.target ? "" : ", MISSED");
        if (files != findFiles)
            std::printf("  note: engine handed %ld files, find lists %ld\n", files, findFiles);
        missed += ratio > c.target;
    }
    return missed ? 1 : 0;
}
