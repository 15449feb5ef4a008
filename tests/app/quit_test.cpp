// SPDX-License-Identifier: GPL-3.0-or-later
// The real program, ended by the system rather than by the user: it must end cleanly, taking
// its working log (a record of the user's paths) with it.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>

TEST(Quit, ASignalEndsTheProgramCleanlyAndTakesTheWorkingLog)
{
    for (const int sig : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(sig);
        QTemporaryDir home;
        const QString appFolder = home.filePath(QStringLiteral("data/Brisvane"));
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(BRISVANE_EXE), {});
        ASSERT_TRUE(program.waitForStarted());

        // Running: it holds its lock. Leave a log behind as a search would.
        QElapsedTimer clock;
        clock.start();
        while (!QFile::exists(appFolder + QStringLiteral("/brisvane.lock")) && clock.elapsed() < 20000)
            QThread::msleep(20);
        ASSERT_TRUE(QFile::exists(appFolder + QStringLiteral("/brisvane.lock")));
        for (const char* name : {"temp.bv", "temp.doc"}) {
            QFile f(appFolder + QLatin1Char('/') + QLatin1String(name));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("C:/private/path\r\n");
        }

        ::kill(pid_t(program.processId()), sig);
        ASSERT_TRUE(program.waitForFinished(20000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
        EXPECT_FALSE(QFile::exists(appFolder + QStringLiteral("/temp.bv")));
        EXPECT_FALSE(QFile::exists(appFolder + QStringLiteral("/temp.doc")));
        EXPECT_FALSE(QFile::exists(appFolder + QStringLiteral("/brisvane.lock")));
    }
}
