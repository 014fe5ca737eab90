// COptionConfigDlg: Option > Configuration. Edits copies of the three user
// fonts: each shown as its font description with a Select button that opens
// a font chooser. Laid out in dialog units (288 x 138) in the General font
// as it is when the dialog is made, centred over its owner.
//
// Control ids: OK 1, Cancel 2, Select buttons 1000 (General), 1001 (file
// list), 1002 (preview); descriptions 1003, 1004, 1005.
//
// Show returns kResultOk (1) after OK and kResultCancel (2) after Cancel,
// Esc or the close box; the caller takes Fonts() back only after OK.
// Nothing here writes the settings file.
//
// Thread: UI thread.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>

#include "common/texts.h"
#include "settings/user_fonts.h"

class QLabel;

namespace cfv {

// Asks the user for a font, starting from `initial`; nothing when the user
// cancels. The dialog's default opens QFontDialog owned by `owner`.
using FontChooser = std::function<std::optional<LogFont>(const LogFont& initial, QWidget* owner)>;

class COptionConfigDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kResultOk = 1;
  static constexpr int kResultCancel = 2;
  // Control ids.
  static constexpr int kIdOk = 1;
  static constexpr int kIdCancel = 2;
  static constexpr int kIdSelectGeneral = 1000;
  static constexpr int kIdSelectFileList = 1001;
  static constexpr int kIdSelectPreview = 1002;
  static constexpr int kIdDescGeneral = 1003;
  static constexpr int kIdDescFileList = 1004;
  static constexpr int kIdDescPreview = 1005;

  // `fonts` are copied; `screenDpi` converts heights to points for the
  // descriptions. `chooser` replaces the platform font dialog (tests).
  COptionConfigDlg(const UserFonts& fonts, UiLanguage language, int screenDpi, FontChooser chooser = {});

  // Runs the dialog modally over `owner`; returns kResultOk or kResultCancel.
  int Show(QWidget* owner);

  // The edited copies.
  const UserFonts& Fonts() const { return fonts_; }

  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Choose(LogFont& font, QLabel* description);
  void UpdateDescriptions();

  UserFonts fonts_;
  int screenDpi_;
  FontChooser chooser_;
  QLabel* descGeneral_ = nullptr;
  QLabel* descFileList_ = nullptr;
  QLabel* descPreview_ = nullptr;
};

// The platform font chooser (QFontDialog), as the Configuration dialog uses
// it: starts from `initial` with the face the program renders it in (the
// substitute of a face that is not installed), keeps the fields QFont has no
// place for, and keeps the stored face name when the face is not changed.
std::optional<LogFont> ChooseFontWithDialog(const LogFont& initial, QWidget* owner, int screenDpi);

}  // namespace cfv
