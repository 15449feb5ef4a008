// The program's data folder ($XDG_DATA_HOME/Brisvane, default ~/.local/share/Brisvane), which
// holds the working log and its copy, and the lock that keeps one Brisvane per user: a second
// one would share the working log and erase the first one's at its exit.
#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class QLockFile;

namespace bv {

// Creates the folder when missing, private to the user (0700, like any folder it has to make on
// the way); returns its path, or "" with the reason in *error.
QByteArray prepareAppFolder(QString* error);

class SingleInstance
{
public:
    explicit SingleInstance(const QByteArray& appFolder);
    ~SingleInstance();
    bool acquired() const { return m_acquired; }

private:
    std::unique_ptr<QLockFile> m_lock;
    bool m_acquired = false;
};

} // namespace bv
