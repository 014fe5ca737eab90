// Qt's own file dialog, set up the one way every command uses it.
//
// Qt's dialog rather than the desktop's: it looks the same everywhere and
// speaks the window's language. Qt's Japanese texts (InstallQtTranslations)
// word its buttons and headings; in Japanese its list also gives a folder's
// type, sizes and dates in Japanese, which Qt 6.4 leaves to its English
// text and to the process's locale (LANG) rather than the window's language.
//
// Thread: UI thread.
#pragma once

#include <QFileDialog>

#include "common/texts.h"

namespace cfv {

// Sets `dialog` up for `mode`: Directory shows folders only; AnyFile saves
// (the dialog itself asks before replacing a file); ExistingFiles opens.
void SetUpFileDialog(QFileDialog& dialog, QFileDialog::FileMode mode, UiLanguage language);

}  // namespace cfv
