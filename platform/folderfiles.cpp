// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/folderfiles.h"

#include <cerrno>
#include <chrono>
#include <future>
#include <system_error>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bv {

namespace {

// A folder's own size grows with its entries on the usual file systems (ext4: about 32 bytes an
// entry; tmpfs: 20; XFS and Btrfs: the names' bytes): above this there are some ten thousand.
constexpr off_t kLargeFolderBytes = 256 * 1024;
constexpr std::chrono::milliseconds kWaitStep{5};

} // namespace

int FolderFiles::read(int dirFd, const WildcardSet* patterns, const std::function<void()>& whileReading)
{
    struct stat st;
    if (!whileReading || ::fstat(dirFd, &st) != 0 || st.st_size < kLargeFolderBytes)
        return readNow(dirFd, patterns);
    std::future<int> done;
    try {
        done = std::async(std::launch::async, [&] { return readNow(dirFd, patterns); });
    } catch (const std::system_error&) {
        return readNow(dirFd, patterns); // no thread to be had: the window waits this once
    }
    while (done.wait_for(kWaitStep) != std::future_status::ready)
        whileReading();
    return done.get();
}

int FolderFiles::readNow(int dirFd, const WildcardSet* patterns)
{
    if (::lseek(dirFd, 0, SEEK_SET) < 0) {
        const int err = errno;
        m_scan.read(-1, FolderId{}, ScanFilter{}); // empties the lists
        return err;
    }
    if (m_shortReadIsEnd < 0)
        m_shortReadIsEnd = readsFillTheBuffer(dirFd) ? 1 : 0;
    ScanFilter filter;
    filter.files = FileClass::All;
    filter.dirs = DirClass::All;
    filter.patterns = patterns;
    filter.wantFolders = false;
    filter.examineFolders = false;
    filter.shortReadIsEnd = m_shortReadIsEnd == 1;
    // No folders are listed, so the folder's own identity is never asked for.
    return m_scan.read(dirFd, FolderId{}, filter);
}

int lstatWithOwner(int dirFd, const char* name, FileInfo& info, uid_t& owner)
{
    return lstatWithMount(dirFd, name, info, &owner);
}

std::optional<FolderId> folderIdentity(const QByteArray& path)
{
    const int fd = openFolderPath(path);
    if (fd < 0)
        return std::nullopt;
    FolderId id;
    const int err = identifyFolder(fd, id);
    ::close(fd);
    if (err != 0)
        return std::nullopt;
    return id;
}

} // namespace bv
