// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ui/fileicon.h"

#include <QStringList>
#include <QStyle>

namespace bv {

namespace {

void ensureIconTheme()
{
    const QString theme = QIcon::themeName();
    if (!theme.isEmpty() && theme != QLatin1String("hicolor"))
        return;
    QStringList paths = QIcon::themeSearchPaths();
    if (!paths.contains(QLatin1String("/usr/share/icons")))
        paths.append(QStringLiteral("/usr/share/icons"));
    QIcon::setThemeSearchPaths(paths);
    QIcon::setThemeName(QStringLiteral("Adwaita"));
}

} // namespace

QIcon fileTypeIcon(const FileTypeInfo& type, const QStyle* style)
{
    ensureIconTheme();
    for (const QString& name : type.iconNames) {
        if (QIcon::hasThemeIcon(name))
            return QIcon::fromTheme(name);
    }
    if (QIcon::hasThemeIcon(QStringLiteral("text-x-generic")))
        return QIcon::fromTheme(QStringLiteral("text-x-generic"));
    return style->standardIcon(QStyle::SP_FileIcon);
}

} // namespace bv
