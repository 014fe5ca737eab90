// UiContext: what a window or dialog of the program is built with, handed
// on as one value: the window that owns its boxes and dialogs, the UI
// language, the General font (dialogs are laid out in it) and the caption of
// message boxes (the program title in the UI language).
//
// The main frame makes a fresh one for each command (CMainFrame::Context),
// so a General font changed in the Configuration dialog reaches the next
// dialog. Thread: UI thread.
#pragma once

#include <QFont>
#include <QString>

#include "common/texts.h"

class QWidget;

namespace cfv {

struct UiContext {
  QWidget* owner = nullptr;
  UiLanguage language = UiLanguage::kEnglish;
  QFont generalFont;
  QString caption;
};

}  // namespace cfv
