// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/isolated_desktop.h"

#include <QDir>
#include <QFile>

namespace bv::test {

namespace {

void writeFile(const QString& path, const QByteArray& bytes, QFile::Permissions perms = {})
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    if (perms)
        f.setPermissions(perms);
}

} // namespace

void isolateDesktop(const QString& root, const TestApplication& app)
{
    for (const char* sub : {"home", "data/applications", "share", "config", "etc"})
        QDir().mkpath(root + QLatin1Char('/') + QString::fromLatin1(sub));
    QFile::link(QStringLiteral("/usr/share/mime"), root + QStringLiteral("/share/mime"));
    if (!app.mimeTypes.isEmpty()) {
        const QString script = root + QStringLiteral("/test-viewer.sh");
        writeFile(script, "#!/bin/sh\n" + app.script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString types = app.mimeTypes.join(QLatin1Char(';')) + QLatin1Char(';');
        writeFile(root + QStringLiteral("/data/applications/bv-test-viewer.desktop"),
                  QStringLiteral("[Desktop Entry]\nType=Application\nName=Test viewer\nExec=%1 %f\nMimeType=%2\n")
                      .arg(script, types)
                      .toUtf8());
        QByteArray cache = "[MIME Cache]\n";
        for (const QString& type : app.mimeTypes)
            cache += type.toUtf8() + "=bv-test-viewer.desktop;\n";
        writeFile(root + QStringLiteral("/data/applications/mimeinfo.cache"), cache);
    }
    qputenv("HOME", QFile::encodeName(root + QStringLiteral("/home")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(root + QStringLiteral("/data")));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(root + QStringLiteral("/share")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + QStringLiteral("/config")));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(root + QStringLiteral("/etc")));
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
}

} // namespace bv::test
