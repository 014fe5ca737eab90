// The program's message boxes: plain text, captioned with the program
// title, and wide enough that the title bar shows the whole caption (a
// narrow box cut "Tazor Custom File Viewer" to "Tazor …Viewer").
//
// Thread: UI thread.
#pragma once

#include <QMessageBox>
#include <QString>

#include "common/texts.h"
#include "common/ui/ui_context.h"

class QWidget;

namespace cfv {

// Shows a modal message box owned by `owner` and returns the button chosen
// (QMessageBox::StandardButton), as QMessageBox::exec does.
int ShowMessageBox(QWidget* owner, QMessageBox::Icon icon, const QString& caption, const QString& text,
                   QMessageBox::StandardButtons buttons);

// The read error message (texts::kExportReadError): a custom file cannot be
// opened or an entry cannot be read from it; with the system's reason below
// it when `error` (an errno) is not 0. Preview and export both show it, the
// export in its failure box.
QString ReadErrorText(UiLanguage language, int error);
void ShowReadErrorBox(const UiContext& context, int error);

// Widens `box` so that `caption` fits in its title bar beside the window
// manager's buttons.
void FitCaption(QMessageBox& box, const QString& caption);

// Loads Qt's own texts (standard buttons, the font chooser) in `language`
// when it is Japanese, from Qt's translations (Debian package
// qt6-translations-l10n), so that they read はい, いいえ and キャンセル as on
// a Japanese system, and makes Japanese the default locale (Qt words file
// types from it). Process-wide; a second call changes nothing. False when
// the translations are not installed (Qt's English texts then stay).
bool InstallQtTranslations(UiLanguage language);

}  // namespace cfv
