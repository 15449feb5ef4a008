// SPDX-License-Identifier: GPL-3.0-or-later
// A file descriptor that closes itself: the platform's code opens folders and files by
// descriptor (openat, O_NOFOLLOW) and must not leak one on any of its early returns.
#pragma once

#include <unistd.h>

namespace bv {

class Fd
{
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    // Closes the descriptor held and holds `fd` instead.
    void reset(int fd)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }
    int get() const { return m_fd; }
    bool ok() const { return m_fd >= 0; }
    // Hands the descriptor over: it is no longer closed here.
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

} // namespace bv
