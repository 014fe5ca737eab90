#include "app/program_icon.h"

namespace cfv {

QString ProgramIconPath() { return QStringLiteral(":/cfv/icons/tazor-custom-file-viewer.svg"); }

QIcon ProgramIcon() { return QIcon(ProgramIconPath()); }

}  // namespace cfv
