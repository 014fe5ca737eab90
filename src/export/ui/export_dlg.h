// CExportDlg: the Configure Export dialog, shown by File > Export before
// anything is written.
//
// Two check boxes with a line of explanation each, "Do not export
// extractable file" (1008) and "Rename extension" (1009), and the buttons
// Export (1, the default button), Cancel (2) and Default (1010). Laid out in
// dialog units (300 x 180) in the General font, centred over its owner. Both
// boxes are checked at every opening; Default checks both again and leaves
// the dialog open. Export (also Enter) ends it with kResultExport, Cancel,
// Escape and the close box with kResultCancel; either way the boxes' states
// are read into Options(), which the caller uses only after Export.
//
// Built anew for every command: nothing is remembered or saved.
//
// Thread: UI thread.
#pragma once

#include <QDialog>

#include "common/texts.h"
#include "export/export_options.h"
#include "settings/logfont.h"

class QCheckBox;

namespace cfv {

class CExportDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kResultExport = 1;
  static constexpr int kResultCancel = 2;
  static constexpr int kIdExport = 1;
  static constexpr int kIdCancel = 2;
  static constexpr int kIdDefault = 1010;
  static constexpr int kIdSkipExtractable = 1008;
  static constexpr int kIdRenameExtension = 1009;

  CExportDlg(const LogFont& generalFont, UiLanguage language);

  // Runs the dialog modally over `owner`; returns kResultExport or
  // kResultCancel.
  int Show(QWidget* owner);

  // The states of the two check boxes when the dialog ended (1 checked,
  // 0 not).
  const ExportOptions& Options() const { return options_; }

  void accept() override;
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void CheckBoth();
  void ReadOptions();

  QCheckBox* skipExtractable_ = nullptr;
  QCheckBox* renameExtension_ = nullptr;
  ExportOptions options_;
};

}  // namespace cfv
