// The classic fonts the windows are designed for, as this desktop has them: "Arial" is
// Liberation Sans (package fonts-liberation), "MS Sans Serif" and "Small Fonts" the default
// sans font, "Terminal" a monospace font.
#pragma once

#include <QFont>

namespace bv {

QFont arialFont(double points, bool bold = false, bool italic = false, bool underline = false);
QFont sansFont(double points);
QFont terminalFont(double points, bool bold = false);

} // namespace bv
