// SPDX-License-Identifier: GPL-3.0-or-later
// An XDG desktop of the test's own: HOME, the data, config and system folders in a temporary
// root, the shared MIME database linked in (so content types still resolve from names), and,
// when asked, one test application registered as the default for some content types.
// GLib reads these folders once per process: call it first thing in main(), before anything
// touches GIO. No session bus is reachable, so a launch never waits for one.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace bv::test {

struct TestApplication
{
    QByteArray script;     // body of the shell script the application runs; "$1" is the file
    QStringList mimeTypes; // content types it is the default application for
};

// With an empty TestApplication::mimeTypes no application is registered at all.
void isolateDesktop(const QString& root, const TestApplication& app = {});

} // namespace bv::test
