// GLib before Qt: its headers use names Qt defines as macros.
#include <gio/gio.h>

#include "platform/fileops.h"

#include "platform/paths.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bv {

namespace {

FileOps* g_ops = nullptr;

OpResult fromErrno(int err)
{
    OpResult r;
    r.status = err == ENOENT ? OpStatus::NotFound : OpStatus::Failed;
    r.message = QString::fromLocal8Bit(std::strerror(err));
    return r;
}

// Takes ownership of the error.
OpResult fromGError(GError* error)
{
    OpResult r;
    r.status = OpStatus::Failed;
    if (!error)
        return r;
    if (error->domain == G_IO_ERROR) {
        switch (error->code) {
        case G_IO_ERROR_NOT_SUPPORTED:
            r.status = OpStatus::NotSupported;
            break;
        case G_IO_ERROR_NOT_FOUND:
            r.status = OpStatus::NotFound;
            break;
        case G_IO_ERROR_EXISTS:
            r.status = OpStatus::Exists;
            break;
        default:
            break;
        }
    }
    r.message = QString::fromUtf8(error->message);
    g_error_free(error);
    return r;
}

OpResult noName()
{
    return {OpStatus::NotFound, QStringLiteral("No file name.")};
}

} // namespace

OpResult RealFileOps::trash(const QByteArray& path)
{
    if (path.isEmpty())
        return noName();
    GFile* file = g_file_new_for_path(path.constData());
    GError* error = nullptr;
    const bool done = g_file_trash(file, nullptr, &error);
    g_object_unref(file);
    if (done)
        return {OpStatus::Ok, {}};
    return fromGError(error);
}

OpResult RealFileOps::remove(const QByteArray& path)
{
    if (path.isEmpty())
        return noName();
    if (::unlink(path.constData()) == 0)
        return {OpStatus::Ok, {}};
    return fromErrno(errno);
}

OpResult RealFileOps::move(const QByteArray& path, const QByteArray& destFolder)
{
    if (path.isEmpty() || destFolder.isEmpty())
        return noName();
    const QByteArray target = joinPath(destFolder, baseName(path));
    GFile* src = g_file_new_for_path(path.constData());
    GFile* dst = g_file_new_for_path(target.constData());
    GError* error = nullptr;
    // No OVERWRITE: a taken name fails with G_IO_ERROR_EXISTS (moving a file onto itself, too).
    // ALL_METADATA keeps the access time as well across file systems: it is what the next
    // "haven't been used" search looks at.
    const auto flags = GFileCopyFlags(G_FILE_COPY_NOFOLLOW_SYMLINKS | G_FILE_COPY_ALL_METADATA);
    const bool done = g_file_move(src, dst, flags, nullptr, nullptr, nullptr, &error);
    g_object_unref(src);
    g_object_unref(dst);
    if (done)
        return {OpStatus::Ok, {}};
    return fromGError(error);
}

OpResult RealFileOps::restoreAccessTime(const QByteArray& path, const timespec& atime)
{
    if (path.isEmpty())
        return noName();
    timespec times[2];
    times[0] = atime;
    times[1].tv_sec = 0;
    times[1].tv_nsec = UTIME_OMIT;
    if (::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW) == 0)
        return {OpStatus::Ok, {}};
    return fromErrno(errno);
}

FileOps& fileOps()
{
    static RealFileOps real;
    return g_ops ? *g_ops : real;
}

void setFileOps(FileOps* ops)
{
    g_ops = ops;
}

RecordingFileOps::RecordingFileOps() : m_previous(&fileOps())
{
    setFileOps(this);
}

RecordingFileOps::~RecordingFileOps()
{
    setFileOps(m_previous);
}

OpResult RecordingFileOps::trash(const QByteArray& path)
{
    calls.append({"trash", path, {}, {}});
    if (failTrash)
        return *failTrash;
    return passThrough ? m_real.trash(path) : OpResult{OpStatus::Ok, {}};
}

OpResult RecordingFileOps::remove(const QByteArray& path)
{
    calls.append({"remove", path, {}, {}});
    if (failRemove)
        return *failRemove;
    return passThrough ? m_real.remove(path) : OpResult{OpStatus::Ok, {}};
}

OpResult RecordingFileOps::move(const QByteArray& path, const QByteArray& destFolder)
{
    calls.append({"move", path, destFolder, {}});
    if (failMove)
        return *failMove;
    return passThrough ? m_real.move(path, destFolder) : OpResult{OpStatus::Ok, {}};
}

OpResult RecordingFileOps::restoreAccessTime(const QByteArray& path, const timespec& atime)
{
    calls.append({"restoreAccessTime", path, {}, atime});
    if (failRestore)
        return *failRestore;
    return passThrough ? m_real.restoreAccessTime(path, atime) : OpResult{OpStatus::Ok, {}};
}

QList<QByteArray> RecordingFileOps::ops() const
{
    QList<QByteArray> out;
    for (const Call& c : calls)
        out.append(c.op);
    return out;
}

} // namespace bv
