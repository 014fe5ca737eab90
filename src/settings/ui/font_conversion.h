// Conversion between the stored LOGFONTW form of a user font and QFont.
//
// Height: lfHeight < 0 is the character height in pixels (QFont pixel
// size); lfHeight > 0 is a cell height (character height plus internal
// leading), turned into the pixel size whose line height is that cell;
// 0 leaves the application's default size. Weight maps 1:1 onto Qt 6's
// 1..1000 scale (0, "don't care", is normal). Italic, underline, strike-out
// and the face name carry over. Fields QFont has no place for (character
// set, precisions, pitch and family, width, escapement) are kept from the
// font being edited when converting back.
//
// Thread: UI thread (QFont metrics).
#pragma once

#include <QFont>

#include "settings/logfont.h"

namespace cfv {

QFont ToQFont(const LogFont& font);

// Lets the Windows faces the program's fonts default to, and that settings
// files from Windows name, find their Linux counterparts: Arial ->
// Liberation Sans (same metrics, so dialogs lay out as on Windows), Meiryo
// UI and the other Japanese UI faces -> Noto Sans CJK JP. Process-wide;
// calling it again changes nothing.
void InstallWindowsFontSubstitutes();

// The LOGFONTW for `qfont`, starting from `base` for the fields QFont cannot
// hold. The height is stored as a negative pixel height; a point-sized
// QFont is converted with `screenDpi`.
LogFont FromQFont(const QFont& qfont, const LogFont& base, int screenDpi);

}  // namespace cfv
