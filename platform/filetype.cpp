// SPDX-License-Identifier: GPL-3.0-or-later
// GLib before Qt: its headers use names Qt defines as macros.
#include <gio/gio.h>

#include "platform/filetype.h"

#include "platform/paths.h"

namespace bv {

FileTypeInfo fileTypeOf(const QByteArray& path)
{
    FileTypeInfo out;
    const QByteArray name = baseName(path);
    gboolean uncertain = FALSE;
    // No data: the guess comes from the name only.
    gchar* type = g_content_type_guess(name.isEmpty() ? nullptr : name.constData(), nullptr, 0, &uncertain);
    if (!type)
        return out;
    out.contentType = QString::fromUtf8(type);
    if (gchar* desc = g_content_type_get_description(type)) {
        out.description = QString::fromUtf8(desc);
        g_free(desc);
    }
    if (GIcon* icon = g_content_type_get_icon(type)) {
        if (G_IS_THEMED_ICON(icon)) {
            const gchar* const* names = g_themed_icon_get_names(G_THEMED_ICON(icon));
            for (int i = 0; names && names[i]; ++i)
                out.iconNames.append(QString::fromUtf8(names[i]));
        }
        g_object_unref(icon);
    }
    if (gchar* generic = g_content_type_get_generic_icon_name(type)) {
        const QString g = QString::fromUtf8(generic);
        if (!out.iconNames.contains(g))
            out.iconNames.append(g);
        g_free(generic);
    }
    g_free(type);
    return out;
}

} // namespace bv
