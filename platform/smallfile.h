// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a small file the program keeps for itself (a settings file) without ever waiting on
// it. open() of a FIFO for reading blocks until some writer comes, which may be never, and
// opening a device can act on it: the name is looked at first and read only when it leads to a
// regular file, and it is opened with O_NONBLOCK in case something else is put there between the
// look and the open. A symbolic link is followed: people keep settings files as links.
#pragma once

#include <QByteArray>

#include <cstdint>

namespace bv {

struct SmallFile
{
    enum class Status : std::uint8_t {
        Read,     // bytes holds the file's first `limit` bytes
        Missing,  // no such file: nothing there to read
        NotAFile, // a folder, FIFO, socket or device: not opened, or closed unread
        Failed,   // it is there but could not be read (error tells why)
    };
    Status status = Status::Failed;
    QByteArray bytes;
    int error = 0; // the errno value behind Missing and Failed
};

SmallFile readSmallFile(const QByteArray& path, std::int64_t limit);

} // namespace bv
