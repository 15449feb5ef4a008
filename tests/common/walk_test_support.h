// SPDX-License-Identifier: GPL-3.0-or-later
// A WalkHooks that writes down what the walk handed out, as lines relative to a root, so a test
// compares one list with another.
#pragma once

#include "common/walk.h"

#include <QByteArray>
#include <QList>

#include <functional>

namespace bv::test {

class RecordingHooks : public WalkHooks
{
public:
    explicit RecordingHooks(QByteArray root) : m_root(std::move(root)) {}

    QList<QByteArray> events;  // "started 2", "enter a 1", "file a/x.txt", "error b 13"
    QList<FileInfo> infos;     // one per file event when statFiles
    int stopAfterFiles = -1;   // stopRequested() turns true once this many files came
    int stopAfterFolders = -1; // ... or once this many folders were entered
    bool takeFolders = false;  // handleFolder() answers true
    std::function<void(const WalkFolder&)> onEnter;
    std::function<void(const WalkFile&)> onFile;
    int yields = 0;
    int files = 0;

    int folders = 0;

    bool stopRequested() override
    {
        return (stopAfterFiles >= 0 && files >= stopAfterFiles) ||
               (stopAfterFolders >= 0 && folders >= stopAfterFolders);
    }
    void yield() override { ++yields; }
    void started(int n) override { events.append("started " + QByteArray::number(n)); }
    void folderEntered(const WalkFolder& f) override
    {
        ++folders;
        events.append("enter " + rel(f.path) + ' ' + QByteArray::number(f.depth));
        if (onEnter)
            onEnter(f);
    }
    bool handleFolder(const WalkFolder&) override { return takeFolders; }
    void file(const WalkFile& f) override
    {
        ++files;
        events.append("file " + rel(f.path));
        if (f.info)
            infos.append(*f.info);
        if (onFile)
            onFile(f);
    }
    void folderError(const QByteArray& path, int err) override
    {
        events.append("error " + rel(path) + ' ' + QByteArray::number(err));
    }

    QList<QByteArray> only(const QByteArray& prefix) const
    {
        QList<QByteArray> out;
        for (const QByteArray& e : events) {
            if (e.startsWith(prefix))
                out.append(e.mid(prefix.size()));
        }
        return out;
    }

private:
    QByteArray rel(const QByteArray& path) const
    {
        if (path == m_root)
            return ".";
        return path.startsWith(m_root + '/') ? path.mid(m_root.size() + 1) : path;
    }
    QByteArray m_root;
};

} // namespace bv::test
