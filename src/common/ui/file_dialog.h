// Qt's own file dialog, set up the one way every command uses it.
//
// Qt's dialog rather than the desktop's: it looks the same everywhere and
// speaks the window's language. Thread: UI thread.
#pragma once

#include <QFileDialog>

namespace cfv {

// Sets `dialog` up for `mode`: Directory shows folders only; AnyFile saves
// (the dialog itself asks before replacing a file); ExistingFiles opens.
void SetUpFileDialog(QFileDialog& dialog, QFileDialog::FileMode mode);

}  // namespace cfv
