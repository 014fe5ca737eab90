// The program's icon (our own SVG, built into the program): the window
// icon, the About dialog's picture and the installed desktop icon.
#pragma once

#include <QIcon>
#include <QString>

namespace cfv {

// The resource path of the icon's SVG.
QString ProgramIconPath();
QIcon ProgramIcon();

}  // namespace cfv
