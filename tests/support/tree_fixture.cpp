// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/tree_fixture.h"

#include <QtGlobal>

#include <algorithm>
#include <climits>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace bv::test {

namespace {

[[noreturn]] void fail(const char* what, const QByteArray& path)
{
    qFatal("TreeFixture: %s %s: %s", what, path.constData(), std::strerror(errno));
}

bool allDigits(QByteArrayView s)
{
    if (s.isEmpty())
        return false;
    for (const char c : s) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

bool writeFileText(const char* path, const QByteArray& text)
{
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, text.constData(), static_cast<size_t>(text.size())) == text.size();
    ::close(fd);
    return ok;
}

} // namespace

bool enterPrivateMounts()
{
    if (::geteuid() == 0) {
        if (::unshare(CLONE_NEWNS) != 0)
            return false;
    } else {
        const uid_t uid = ::geteuid();
        const gid_t gid = ::getegid();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return false;
        writeFileText("/proc/self/setgroups", "deny");
        if (!writeFileText("/proc/self/uid_map", "0 " + QByteArray::number(uid) + " 1") ||
            !writeFileText("/proc/self/gid_map", "0 " + QByteArray::number(gid) + " 1"))
            return false;
    }
    // Mounts made by the test must not leak out of the namespace.
    return ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

// Every operation works from a descriptor of the entry's folder, reached component by
// component, so paths far longer than PATH_MAX (deep chains) work as well as short ones.
class TreeFixture::Parent
{
public:
    Parent(const TreeFixture& t, const QByteArray& relative)
    {
        const qsizetype slash = relative.lastIndexOf('/');
        leaf = slash < 0 ? relative : relative.mid(slash + 1);
        fd = ::open(t.m_root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            fail("open", t.m_root);
        if (slash < 0)
            return;
        for (const QByteArray& part : relative.left(slash).split('/')) {
            if (part.isEmpty())
                continue;
            int next = ::openat(fd, part.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (next < 0 && errno == ENOENT) {
                if (::mkdirat(fd, part.constData(), 0755) != 0)
                    fail("mkdir", relative);
                next = ::openat(fd, part.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            }
            if (next < 0)
                fail("open folder of", relative);
            ::close(fd);
            fd = next;
        }
    }
    ~Parent() { ::close(fd); }
    Parent(const Parent&) = delete;
    Parent& operator=(const Parent&) = delete;

    int fd = -1;
    QByteArray leaf;
};

TreeFixture::TreeFixture()
{
    QByteArray base = qgetenv("TMPDIR");
    if (!base.startsWith('/'))
        base = "/tmp";
    QByteArray templ = base + "/bv-tree-XXXXXX";
    if (!::mkdtemp(templ.data()))
        fail("mkdtemp", templ);
    char real[PATH_MAX];
    if (!::realpath(templ.constData(), real))
        fail("realpath", templ);
    m_root = real;
}

TreeFixture::TreeFixture(std::initializer_list<const char*> entries) : TreeFixture()
{
    add(entries);
}

TreeFixture::~TreeFixture()
{
    for (const QByteArray& rel : m_restrictedFolders) {
        const Parent at(*this, rel);
        ::fchmodat(at.fd, at.leaf.constData(), 0700, 0);
    }
    // rm copes with any depth and any name; the root is ours alone.
    pid_t pid = 0;
    char rm[] = "rm", rf[] = "-rf", dd[] = "--";
    char* argv[] = {rm, rf, dd, m_root.data(), nullptr};
    if (::posix_spawnp(&pid, "rm", nullptr, nullptr, argv, environ) == 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
}

QByteArray TreeFixture::path(const QByteArray& relative) const
{
    return relative.isEmpty() ? m_root : m_root + '/' + relative;
}

void TreeFixture::add(std::initializer_list<const char*> entries)
{
    for (const char* e : entries)
        add(QByteArray(e));
}

void TreeFixture::add(const QByteArray& entry)
{
    if (entry.isEmpty())
        qFatal("TreeFixture: empty entry");
    if (const qsizetype arrow = entry.indexOf(" -> "); arrow > 0) {
        makeSymlink(entry.left(arrow), entry.mid(arrow + 4));
    } else if (const qsizetype hard = entry.indexOf(" => "); hard > 0) {
        makeHardLink(entry.left(hard), entry.mid(hard + 4));
    } else if (entry.endsWith('/')) {
        makeFolder(entry.chopped(1));
    } else {
        const qsizetype colon = entry.lastIndexOf(':');
        if (colon > 0) {
            const QByteArray sizeText = entry.mid(colon + 1);
            const bool sparse = sizeText.startsWith('~');
            const QByteArray digits = sparse ? sizeText.mid(1) : sizeText;
            if (allDigits(digits)) {
                makeFile(entry.left(colon), digits.toLongLong(), sparse);
                return;
            }
        }
        makeFile(entry);
    }
}

void TreeFixture::makeFile(const QByteArray& relative, qint64 size, bool sparse)
{
    const Parent at(*this, relative);
    const int fd = ::openat(at.fd, at.leaf.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        fail("create", relative);
    if (sparse) {
        if (::ftruncate(fd, size) != 0)
            fail("ftruncate", relative);
    } else {
        const QByteArray block(4096, 'x');
        for (qint64 left = size; left > 0;) {
            const auto n = static_cast<size_t>(std::min<qint64>(left, block.size()));
            if (::write(fd, block.constData(), n) != static_cast<ssize_t>(n))
                fail("write", relative);
            left -= static_cast<qint64>(n);
        }
    }
    ::close(fd);
}

void TreeFixture::makeFolder(const QByteArray& relative, mode_t mode)
{
    const Parent at(*this, relative);
    if (!at.leaf.isEmpty() && ::mkdirat(at.fd, at.leaf.constData(), 0755) != 0 && errno != EEXIST)
        fail("mkdir", relative);
    if (mode != 0755)
        setMode(relative, mode);
}

void TreeFixture::makeSymlink(const QByteArray& relative, const QByteArray& target)
{
    const Parent at(*this, relative);
    if (::symlinkat(target.constData(), at.fd, at.leaf.constData()) != 0)
        fail("symlink", relative);
}

void TreeFixture::makeHardLink(const QByteArray& relative, const QByteArray& existingRelative)
{
    const Parent from(*this, existingRelative);
    const Parent at(*this, relative);
    if (::linkat(from.fd, from.leaf.constData(), at.fd, at.leaf.constData(), 0) != 0)
        fail("link", relative);
}

void TreeFixture::makeFifo(const QByteArray& relative)
{
    const Parent at(*this, relative);
    if (::mkfifoat(at.fd, at.leaf.constData(), 0644) != 0)
        fail("mkfifo", relative);
}

void TreeFixture::setMode(const QByteArray& relative, mode_t mode)
{
    const Parent at(*this, relative);
    struct stat st;
    if (::fstatat(at.fd, at.leaf.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        fail("lstat", relative);
    if (S_ISLNK(st.st_mode))
        qFatal("TreeFixture: setMode on a link: %s", relative.constData());
    if (::fchmodat(at.fd, at.leaf.constData(), mode, 0) != 0)
        fail("chmod", relative);
    if (S_ISDIR(st.st_mode) && (mode & 0700) != 0700)
        m_restrictedFolders.append(relative);
}

void TreeFixture::setTimes(const QByteArray& relative, timespec atime, timespec mtime)
{
    const Parent at(*this, relative);
    const timespec times[2] = {atime, mtime};
    if (::utimensat(at.fd, at.leaf.constData(), times, AT_SYMLINK_NOFOLLOW) != 0)
        fail("utimensat", relative);
}

QByteArray TreeFixture::makeChain(const QByteArray& relative, int depth, const QByteArray& name)
{
    makeFolder(relative);
    int fd = ::open(path(relative).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        fail("open", path(relative));
    QByteArray rel = relative;
    for (int i = 0; i < depth; ++i) {
        if (::mkdirat(fd, name.constData(), 0755) != 0)
            fail("mkdirat", name);
        const int next = ::openat(fd, name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (next < 0)
            fail("openat", name);
        ::close(fd);
        fd = next;
        rel += '/' + name;
    }
    ::close(fd);
    return rel;
}

void TreeFixture::makeWide(const QByteArray& relative, int count, const QByteArray& prefix)
{
    makeFolder(relative);
    const Parent at(*this, relative + "/x"); // the folder itself, opened once for all its files
    for (int i = 0; i < count; ++i) {
        const QByteArray name = prefix + QByteArray::number(i).rightJustified(4, '0');
        const int fd = ::openat(at.fd, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0)
            fail("create", relative + '/' + name);
        ::close(fd);
    }
}

void TreeFixture::openToOthers()
{
    if (::chmod(m_root.constData(), 0755) != 0)
        fail("chmod", m_root);
}

ChildResult runInChild(const ChildSetup& setup, const std::function<QByteArray()>& body)
{
    constexpr int notPossibleHere = 77;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return {};
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return {};
    }
    if (pid == 0) {
        ::close(fds[0]);
        if (setup.privateMounts && !enterPrivateMounts())
            ::_exit(notPossibleHere);
        if (setup.asNobody && ::geteuid() == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
                ::setresuid(65534, 65534, 65534) != 0)
                ::_exit(notPossibleHere);
        }
        if (setup.maxOpenFiles > 0) {
            rlimit lim;
            ::getrlimit(RLIMIT_NOFILE, &lim);
            lim.rlim_cur = static_cast<rlim_t>(setup.maxOpenFiles);
            if (::setrlimit(RLIMIT_NOFILE, &lim) != 0)
                ::_exit(notPossibleHere);
        }
        const QByteArray out = body();
        for (qsizetype done = 0; done < out.size();) {
            const ssize_t n = ::write(fds[1], out.constData() + done, static_cast<size_t>(out.size() - done));
            if (n <= 0)
                ::_exit(2);
            done += n;
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    ChildResult result;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n > 0)
            result.output.append(buf, n);
        else if (n == 0 || errno != EINTR)
            break;
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
        result.ran = result.exitCode != notPossibleHere;
    } else {
        result.ran = true;
        result.exitCode = 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    }
    return result;
}

} // namespace bv::test
