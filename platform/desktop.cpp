#include <gio/gio.h>

#include "platform/desktop.h"

namespace bv {

OpenOutcome openWithDefaultApp(const QByteArray& path)
{
    if (path.isEmpty())
        return {OpenResult::Failed, QStringLiteral("No file name.")};
    GFile* file = g_file_new_for_path(path.constData());
    GError* error = nullptr;
    GAppInfo* app = g_file_query_default_handler(file, nullptr, &error);
    OpenOutcome out;
    if (!app) {
        // A missing file is a failure of its own; only a file that exists but whose type has
        // no registered handler counts as "no association".
        const bool exists = g_file_query_exists(file, nullptr);
        out.result = exists ? OpenResult::NoAssociation : OpenResult::Failed;
        out.message = error ? QString::fromUtf8(error->message) : QString();
        if (error)
            g_error_free(error);
        g_object_unref(file);
        return out;
    }
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

} // namespace bv
