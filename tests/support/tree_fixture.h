// SPDX-License-Identifier: GPL-3.0-or-later
// A folder tree built for one test, described as data.
//
// TreeFixture makes a fresh temporary folder and fills it from entry strings, one per entry,
// paths relative to the root (missing parent folders are made on the way):
//
//   "a/b.tmp"          an empty file
//   "big.bin:4097"     a file of 4097 bytes (written, so it occupies disk blocks)
//   "hole.bin:~4097"   a sparse file of 4097 bytes (ftruncate: no blocks)
//   "dir/"             a folder
//   "loop -> .."       a symbolic link with that target (dangling targets are fine)
//   "twin => a/b.tmp"  a hard link to an entry made before
//
// A name is taken literally up to the markers above, so it may hold spaces. The hard cases that
// an entry string cannot spell have helpers: folders with a mode (000), FIFOs, exact atime and
// mtime in nanoseconds, deep chains and wide folders, raw byte names (not UTF-8, a newline).
//
// runInChild() runs a piece of a test in a forked child, optionally as the unprivileged user
// 65534 (root ignores permission bits, and CI runs as root), with a lowered descriptor limit or
// in a private mount namespace, and returns what the child wrote. The destructor removes the
// tree, modes restored first, even when a test made parts of it unreadable.
#pragma once

#include <QByteArray>
#include <QList>

#include <functional>
#include <initializer_list>
#include <sys/types.h>
#include <time.h>

namespace bv::test {

class TreeFixture
{
public:
    TreeFixture();
    explicit TreeFixture(std::initializer_list<const char*> entries);
    ~TreeFixture();
    TreeFixture(const TreeFixture&) = delete;
    TreeFixture& operator=(const TreeFixture&) = delete;

    const QByteArray& root() const { return m_root; }
    // root joined with a relative path ("" gives the root).
    QByteArray path(const QByteArray& relative) const;

    // One entry string as described above; aborts the test program on a malformed one.
    void add(const QByteArray& entry);
    void add(std::initializer_list<const char*> entries);

    void makeFile(const QByteArray& relative, qint64 size = 0, bool sparse = false);
    void makeFolder(const QByteArray& relative, mode_t mode = 0755);
    void makeSymlink(const QByteArray& relative, const QByteArray& target);
    void makeHardLink(const QByteArray& relative, const QByteArray& existingRelative);
    void makeFifo(const QByteArray& relative);
    // chmod (never through a link); the destructor makes folders accessible again.
    void setMode(const QByteArray& relative, mode_t mode);
    // Exact times on the entry itself, never on a link's target.
    void setTimes(const QByteArray& relative, timespec atime, timespec mtime);

    // relative/name/name/... `depth` folders deep, made with descriptors (no path length
    // limit); returns the deepest folder's relative path.
    QByteArray makeChain(const QByteArray& relative, int depth, const QByteArray& name = "d");
    // `count` empty files prefix0000 ... in one folder.
    void makeWide(const QByteArray& relative, int count, const QByteArray& prefix = "f");

    // Names a test can pass to makeFile and friends.
    static QByteArray nonUtf8Name() { return QByteArray("caf\xe9-latin1.txt"); }
    static QByteArray newlineName() { return QByteArray("x\nACTION: Delete.txt"); }

    // Lets other users reach the root (for tests that drop to uid 65534).
    void openToOthers();

private:
    class Parent;

    QByteArray m_root;
    QList<QByteArray> m_restrictedFolders;
};

struct ChildSetup
{
    bool asNobody = false;      // setresgid/setresuid 65534 when running as root
    int maxOpenFiles = 0;       // RLIMIT_NOFILE for the child, 0 = unchanged
    bool privateMounts = false; // unshare a mount namespace (a user namespace if not root)
};

struct ChildResult
{
    bool ran = false; // false: the setup (user switch, namespace) was not possible here
    int exitCode = -1;
    QByteArray output; // what body returned
};

// Puts the calling process into a mount namespace of its own (with a user namespace when not
// root), mounts private, so what a test mounts is seen by it alone and goes when it ends. Call
// it before any thread starts. False where the system refuses.
bool enterPrivateMounts();

// Forks, applies setup, runs body and hands its text back. A body that crashes shows up as
// ran && exitCode != 0.
ChildResult runInChild(const ChildSetup& setup, const std::function<QByteArray()>& body);

} // namespace bv::test
