// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the verification window and move dialog tests: an isolated desktop (its own HOME,
// trash and default applications), a main window with a working log, files with exact times,
// and a way to press buttons of a modal window once it runs.
#pragma once

#include "common/appstate.h"
#include "search/filesearchrun.h"
#include "search/ui/filesearchframe.h"
#include "search/ui/verificationwindow.h"
#include "tests/support/isolated_desktop.h"
#include "tests/support/scripted_messages.h"
#include "tests/support/ui/fake_host.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace bv {

// A decision as a failed comparison prints it.
inline char* toString(const FileDecision& d)
{
    return QTest::toString(QStringLiteral("choice %1, outcome %2, logged %3")
                               .arg(int(d.choice))
                               .arg(int(d.outcome))
                               .arg(d.logged ? "yes" : "no"));
}

} // namespace bv

namespace bv::test {

inline QString g_xdgRoot;

// The decisions the window is expected to come back with: what the user chose, what became of
// the file, whether its record is whole in the log.
namespace decided {
inline const FileDecision Ignored{FileChoice::Ignore, ActOutcome::NotTouched, true};
inline const FileDecision Closed{FileChoice::Close, ActOutcome::NotTouched, true};
inline const FileDecision Removed{FileChoice::Remove, ActOutcome::Done, true};
inline const FileDecision Moved{FileChoice::Move, ActOutcome::Done, true};
inline FileDecision removal(ActOutcome outcome, bool logged = true)
{
    return {FileChoice::Remove, outcome, logged};
}
inline FileDecision move(ActOutcome outcome, bool logged = true)
{
    return {FileChoice::Move, outcome, logged};
}
// A log that could not take the file's record: nothing was done.
inline const FileDecision RemovalNotLogged{FileChoice::Remove, ActOutcome::NotTouched, false};
} // namespace decided

inline void writeBytes(const QByteArray& path, const QByteArray& bytes, mode_t mode = 0644)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, mode);
    if (fd < 0 || ::write(fd, bytes.constData(), size_t(bytes.size())) != ssize_t(bytes.size()))
        qFatal("cannot write %s", path.constData());
    ::fchmod(fd, mode);
    ::close(fd);
}

inline QByteArray readBytes(const QByteArray& path)
{
    QByteArray out;
    const int fd = ::open(path.constData(), O_RDONLY);
    if (fd < 0)
        return "<unreadable>";
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0)
        out.append(buf, n);
    ::close(fd);
    return out;
}

inline bool exists(const QByteArray& path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

inline FileInfo infoOf(const QByteArray& path)
{
    struct stat st
    {
    };
    ::lstat(path.constData(), &st);
    return FileInfo::fromStat(st);
}

inline QByteArray trashFolder()
{
    return QFile::encodeName(g_xdgRoot) + "/data/Trash";
}

// A viewer registered for text/plain that stamps the file's access time the way a program
// reading it would, whatever the mount options, then leaves a marker.
inline QByteArray openedMarker()
{
    return QFile::encodeName(g_xdgRoot) + "/opened.marker";
}

// GLib reads the XDG folders once per process: call this first thing in main().
inline void isolateViewerDesktop(const QString& root)
{
    g_xdgRoot = root;
    test::TestApplication viewer;
    viewer.script = "touch -a \"$1\"\necho opened > '" + openedMarker() + "'\n";
    viewer.mimeTypes = {QStringLiteral("text/plain")};
    test::isolateDesktop(root, viewer);
}

// Runs f once the modal windows that are about to open run their event loop. If f leaves
// a modal window open (a failed check returns early), it is closed, so a failure never hangs.
inline void whenModal(std::function<void()> f)
{
    QTimer::singleShot(0, qApp, [f = std::move(f)] {
        f();
        while (auto* open = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            if (!QTest::currentTestFailed())
                break;
            open->done(0);
        }
    });
}

inline void clickButton(QWidget* window, const char* name)
{
    auto* b = window->findChild<QPushButton*>(QString::fromLatin1(name));
    if (!b)
        qFatal("no button %s", name);
    QTest::mouseClick(b, Qt::LeftButton);
}

// A verification window working for a file-search panel, on a fake host with its working log
// open in a temporary folder; files go into work().
class VerifyFixture
{
public:
    VerifyFixture() : m_work(QFile::decodeName(QFile::encodeName(g_xdgRoot) + "/home/work-XXXXXX"))
    {
        state.AppFolder = QFile::encodeName(m_app.path());
        host = std::make_unique<FakeHost>(state);
        panel = new FileSearchFrame(*host, host->dialogParent());
        if (!state.Log.open(logPath()))
            qFatal("cannot open the log");
        window = new VerificationWindow(*host, host->dialogParent());
        search = std::make_unique<FileSearchRun>(FileSearchCriteria{}, state, host->run(), *panel, window);
    }
    ~VerifyFixture() { state.Log.close(); }

    // The window shows the file with the run's actions for it, as a search puts it there.
    FileDecision verify(const VerifyItem& item)
    {
        const std::unique_ptr<FileActions> actions = search->actionsFor(item);
        return window->verify(item, *actions);
    }
    void load(const VerifyItem& item)
    {
        m_actions = search->actionsFor(item);
        window->load(item, *m_actions);
    }

    QByteArray work() const { return QFile::encodeName(m_work.path()); }
    QByteArray logPath() const { return state.AppFolder + "/temp.bv"; }

    QByteArray file(const QByteArray& name, const QByteArray& data = "contents")
    {
        const QByteArray p = work() + '/' + name;
        writeBytes(p, data);
        return p;
    }

    VerifyItem item(const QByteArray& path, bool recycle)
    {
        VerifyItem it;
        it.path = path;
        it.info = infoOf(path);
        it.lastUsedText = QStringLiteral("...It Was Last Used On 1/2/2020");
        it.bytesText = QStringLiteral("...File Size Is %1 Bytes").arg(QLatin1Char(' ') + QString::number(it.info.size));
        it.attributeText = QStringLiteral("...It's An Archive && Read-Only File");
        it.referenceDate = QStringLiteral("1/2/2020");
        it.referenceAtime = it.info.atime;
        it.recycle = recycle;
        return it;
    }

    // The block the window writes for an item.
    static QList<QByteArray> block(const VerifyItem& it)
    {
        return {it.path, it.lastUsedText.toUtf8(), it.bytesText.toUtf8(), it.attributeText.toUtf8()};
    }

    // The block, then one ACTION line and the empty line after it.
    static QList<QByteArray> logged(const VerifyItem& it, const QByteArray& action)
    {
        return block(it) << action << QByteArray();
    }

    QList<QByteArray> logLines() const
    {
        QByteArray all = readBytes(logPath());
        QList<QByteArray> lines = all.split('\n');
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        for (QByteArray& l : lines)
            l.chop(l.endsWith('\r') ? 1 : 0);
        return lines;
    }

    RunValues& run() { return host->run(); }

    AppState state;
    std::unique_ptr<FakeHost> host;
    FileSearchFrame* panel = nullptr;
    VerificationWindow* window = nullptr;
    std::unique_ptr<FileSearchRun> search;
    ScriptedMessages boxes;

private:
    std::unique_ptr<FileActions> m_actions;
    QTemporaryDir m_app;
    QTemporaryDir m_work;
};

} // namespace bv::test
