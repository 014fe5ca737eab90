// CAboutDlg: Help > About. The program icon, and the program title and
// release label as two centred lines in a group box, with an OK button;
// laid out in dialog units (187 x 102) in the General font as it is when
// the dialog is made, centred over its owner.
//
// Show returns kResultOk (1) after OK or Enter and kResultCancel (2) after
// Esc or the close box; the main window ignores which.
//
// Thread: UI thread.
#pragma once

#include <QDialog>

#include "common/texts.h"
#include "common/ui/ui_context.h"

namespace cfv {

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kResultOk = 1;
  static constexpr int kResultCancel = 2;
  // Control id of the OK button.
  static constexpr int kIdOk = 1;

  // Laid out in context.generalFont, worded in context.language.
  explicit CAboutDlg(const UiContext& context);

  // Runs the dialog modally over `owner`; returns kResultOk or kResultCancel.
  int Show(QWidget* owner);

  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
};

}  // namespace cfv
