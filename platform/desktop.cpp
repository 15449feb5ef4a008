// SPDX-License-Identifier: GPL-3.0-or-later
#include <gio/gio.h>

#include "platform/desktop.h"

#include "platform/paths.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace bv {

namespace {

// Starts app with the file; takes ownership of both.
OpenOutcome launch(GAppInfo* app, GFile* file)
{
    OpenOutcome out;
    GError* error = nullptr;
    GList* files = g_list_append(nullptr, file);
    if (g_app_info_launch(app, files, nullptr, &error)) {
        out.result = OpenResult::Opened;
    } else {
        out.result = OpenResult::Failed;
        out.message = error ? QString::fromUtf8(error->message) : QString();
    }
    if (error)
        g_error_free(error);
    g_list_free(files);
    g_object_unref(app);
    g_object_unref(file);
    return out;
}

// No application: a missing file is a failure of its own; only a file that exists but whose
// type has no registered handler counts as "no association".
OpenOutcome noApplication(GFile* file, GError* error)
{
    OpenOutcome out;
    out.result = g_file_query_exists(file, nullptr) ? OpenResult::NoAssociation : OpenResult::Failed;
    out.message = error ? QString::fromUtf8(error->message) : QString();
    if (error)
        g_error_free(error);
    g_object_unref(file);
    return out;
}

} // namespace

OpenOutcome openWithDefaultApp(const QByteArray& path)
{
    if (path.isEmpty())
        return {OpenResult::Failed, QStringLiteral("No file name.")};
    GFile* file = g_file_new_for_path(path.constData());
    GError* error = nullptr;
    GAppInfo* app = g_file_query_default_handler(file, nullptr, &error);
    if (!app)
        return noApplication(file, error);
    if (error)
        g_error_free(error);
    return launch(app, file);
}

QString openFailureText(const QString& what, const QByteArray& path, const OpenOutcome& outcome)
{
    QString reason = outcome.message;
    struct stat st;
    if (path.isEmpty() || ::lstat(path.constData(), &st) != 0)
        reason = QString::fromLocal8Bit(std::strerror(path.isEmpty() ? ENOENT : errno)); // GIO's words repeat the path
    else if (reason.isEmpty())
        reason = QStringLiteral("No application is registered as handling this file");
    while (reason.endsWith(QLatin1Char('.')))
        reason.chop(1);
    return QStringLiteral("%1 %2 could not be opened: %3.").arg(what, displayPath(path), reason);
}

OpenOutcome openWithDefaultAppForType(const QByteArray& path, const char* contentType)
{
    if (path.isEmpty())
        return {OpenResult::Failed, QStringLiteral("No file name.")};
    GFile* file = g_file_new_for_path(path.constData());
    GAppInfo* app = g_app_info_get_default_for_type(contentType, FALSE);
    if (!app)
        return noApplication(file, nullptr);
    return launch(app, file);
}

} // namespace bv
