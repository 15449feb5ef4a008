// SPDX-License-Identifier: GPL-3.0-or-later
// brisvane-cli as a script meets it: one scenario per output form and per exit status, the real
// program in a child process with a home and trash of the test's own.
#include "tests/support/tree_fixture.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <dirent.h>
#include <unistd.h>

using bv::test::TreeFixture;

namespace {

struct Result
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

class CliProgram : public ::testing::Test
{
protected:
    CliProgram()
    {
        // The home of the run: reachable by the unprivileged user a test may drop to.
        // Removed by its bytes, as Qt could not remove a name that is not UTF-8.
        m_home.setAutoRemove(false);
        QFile::setPermissions(m_home.path(), QFileDevice::Permissions(0x7777));
        m_env.insert(QStringLiteral("HOME"), m_home.path());
        m_env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.path() + QStringLiteral("/data"));
        m_env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        m_env.remove(QStringLiteral("DISPLAY"));
        m_env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    }

    ~CliProgram() override { QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), m_home.path()}); }

    QProcess* start(const QStringList& args, const QStringList& prefix = {})
    {
        auto* p = new QProcess;
        p->setProcessEnvironment(m_env);
        if (prefix.isEmpty()) {
            p->start(QStringLiteral(BRISVANE_CLI), args);
        } else {
            p->start(prefix.first(), prefix.mid(1) + QStringList{QStringLiteral(BRISVANE_CLI)} + args);
        }
        p->waitForStarted();
        m_processes.emplace_back(p);
        return p;
    }

    Result run(const QStringList& args, const QStringList& prefix = {})
    {
        QProcess* p = start(args, prefix);
        p->waitForFinished(120000);
        return {p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -1, p->readAllStandardOutput(),
                p->readAllStandardError()};
    }

    QByteArray trashFiles() const { return QFile::encodeName(m_home.path()) + "/data/Trash/files"; }
    QByteArray history() const { return QFile::encodeName(m_home.path()) + "/data/Brisvane/history"; }

    QTemporaryDir m_home;
    QProcessEnvironment m_env = QProcessEnvironment::systemEnvironment();
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

QString arg(const QByteArray& path)
{
    return QFile::decodeName(path);
}

// Entries of a folder by their bytes (Qt's listing skips names that are not UTF-8).
qsizetype countEntries(const QByteArray& folder)
{
    qsizetype n = 0;
    if (DIR* d = ::opendir(folder.constData())) {
        while (const dirent* e = ::readdir(d))
            n += QByteArrayView(e->d_name) != "." && QByteArrayView(e->d_name) != "..";
        ::closedir(d);
    }
    return n;
}

} // namespace

TEST_F(CliProgram, AMistakeIsAUsageErrorAndNothingRuns)
{
    const Result r = run({QStringLiteral("search"), QStringLiteral("/nonexistent"), QStringLiteral("--trash"),
                          QStringLiteral("--delete")});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_TRUE(r.err.contains("--help")) << r.err.toStdString();
}

TEST_F(CliProgram, AFolderThatIsNotThereStopsTheRunBeforeItStarts)
{
    const Result r = run({QStringLiteral("search"), QStringLiteral("/nonexistent/folder"), QStringLiteral("--trash")});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString(); // told once
    EXPECT_FALSE(QDir(arg(history())).exists());
}

TEST_F(CliProgram, TheListingOfADryRunNamesEveryFileReadablyAndTouchesNone)
{
    TreeFixture tree({"keep/a.log:10", "keep/b.txt"});
    tree.makeFile("keep/" + TreeFixture::newlineName());
    tree.makeFile("keep/caf\xe9.log");
    const Result r = run({QStringLiteral("search"), arg(tree.path("keep")), QStringLiteral("-t"),
                          QStringLiteral("*.log"), QStringLiteral("-t"), QStringLiteral("*.txt")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    // Four files, one line each, whatever their names hold; then the summary.
    EXPECT_EQ(r.out.count("\nlisted ") + r.out.startsWith("listed "), 4) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("/keep/x\\x0AACTION: Delete.txt\n")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("/keep/caf\\xE9.log\n"));
    EXPECT_TRUE(QFile::exists(arg(tree.path("keep/a.log"))));
    EXPECT_TRUE(QFile::exists(arg(tree.path("keep/" + TreeFixture::newlineName()))));
    EXPECT_FALSE(QDir(arg(history())).exists()); // a dry run is no run of the history
}

TEST_F(CliProgram, JsonOfARunToTheTrashIsOneObjectPerFileThenTheSummary)
{
    TreeFixture tree({"t/one.tmp:3", "t/sub/two.tmp:5", "t/stay.txt"});
    tree.makeFile("t/caf\xe9.tmp");
    const QByteArray log = tree.path("run.log");
    const Result r = run({QStringLiteral("search"), arg(tree.path("t")), QStringLiteral("-t"), QStringLiteral("*.tmp"),
                          QStringLiteral("--trash"), QStringLiteral("--json"), QStringLiteral("--log"), arg(log)});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    QList<QByteArray> lines = r.out.split('\n');
    ASSERT_TRUE(lines.takeLast().isEmpty());
    ASSERT_EQ(lines.size(), 4);
    QStringList files;
    for (const QByteArray& line : lines.mid(0, 3)) {
        QJsonParseError error;
        const QJsonObject o = QJsonDocument::fromJson(line, &error).object();
        ASSERT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
        EXPECT_EQ(o.value(QStringLiteral("action")).toString(), QStringLiteral("trash"));
        EXPECT_EQ(o.value(QStringLiteral("outcome")).toString(), QStringLiteral("trashed"));
        EXPECT_TRUE(o.value(QStringLiteral("modified")).toString().endsWith(u'Z'));
        files << o.value(QStringLiteral("file")).toString();
    }
    EXPECT_TRUE(r.out.contains("/t/caf\\udce9.tmp\"")) << r.out.toStdString();
    const QJsonObject summary = QJsonDocument::fromJson(lines.last()).object();
    EXPECT_EQ(summary.value(QStringLiteral("summary")).toString(), QStringLiteral("search"));
    EXPECT_EQ(summary.value(QStringLiteral("files_removed")).toInt(), 3);
    EXPECT_EQ(summary.value(QStringLiteral("bytes_reclaimed")).toInt(), 8);

    EXPECT_EQ(countEntries(trashFiles()), 3);
    EXPECT_TRUE(QFile::exists(arg(tree.path("t/stay.txt"))));
    // The log went to --log and to the history, the same text in both.
    QFile given(arg(log));
    ASSERT_TRUE(given.open(QIODevice::ReadOnly));
    const QByteArray text = given.readAll();
    EXPECT_EQ(text.count("ACTION: Recycle Bin\r\n"), 3);
    const QStringList runs = QDir(arg(history())).entryList(QDir::Files);
    ASSERT_EQ(runs.size(), 1);
    QFile kept(arg(history()) + u'/' + runs.first());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), text);
}

TEST_F(CliProgram, AFileTheSystemKeepsIsToldAndTheRunEndsWithOne)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "drops to uid 65534, which needs root";
    TreeFixture tree({"open/gone.tmp", "shut/kept.tmp"});
    tree.openToOthers();
    QFile::setPermissions(arg(tree.path("open")), QFileDevice::Permissions(0x7777));
    QFile::setPermissions(arg(tree.path("open/gone.tmp")), QFileDevice::Permissions(0x6666));
    const Result r = run({QStringLiteral("search"), arg(tree.root()), QStringLiteral("-t"), QStringLiteral("*.tmp"),
                          QStringLiteral("--delete"), QStringLiteral("--yes")},
                         {QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                          QStringLiteral("--clear-groups")});
    EXPECT_EQ(r.status, 1) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(arg(tree.path("open/gone.tmp"))));
    EXPECT_TRUE(QFile::exists(arg(tree.path("shut/kept.tmp"))));
    EXPECT_TRUE(r.err.contains("shut/kept.tmp")) << r.err.toStdString();
    EXPECT_EQ(r.err.count("kept.tmp"), 1) << r.err.toStdString(); // told once
    EXPECT_TRUE(r.out.contains("refused ")) << r.out.toStdString();
}

TEST_F(CliProgram, SigtermStopsBetweenFilesWithAWholeLogAndTheRestUntouched)
{
    TreeFixture tree;
    for (int i = 0; i < 10; ++i)
        tree.makeWide("w" + QByteArray::number(i), 1000);
    const QByteArray log = tree.path("run.log");
    QProcess* p = start(
        {QStringLiteral("search"), arg(tree.root()), QStringLiteral("--trash"), QStringLiteral("--log"), arg(log)});
    // Stopped once it has trashed its first file, long before its last.
    while (!p->readAllStandardOutput().contains("trashed") && p->state() == QProcess::Running)
        p->waitForReadyRead(100);
    ::kill(pid_t(p->processId()), SIGTERM);
    ASSERT_TRUE(p->waitForFinished(60000));
    EXPECT_EQ(p->exitCode(), 143) << p->readAllStandardError().toStdString();

    QFile given(arg(log));
    ASSERT_TRUE(given.open(QIODevice::ReadOnly));
    const QByteArray text = given.readAll();
    EXPECT_TRUE(text.endsWith("\r\n"));
    const qsizetype trashed = text.count("ACTION: Recycle Bin\r\n");
    const qsizetype left = [&] {
        qsizetype n = 0;
        for (int i = 0; i < 10; ++i)
            n += countEntries(tree.path("w" + QByteArray::number(i)));
        return n;
    }();
    EXPECT_GT(left, 0);
    EXPECT_EQ(trashed + left, 10000);
    EXPECT_EQ(countEntries(trashFiles()), trashed);
}
