// CExportDlg: the Configure Export dialog, shown by File > Export before
// anything is written.
//
// Two check boxes with a line of explanation each, "Do not export
// extractable file" (1008) and "Rename extension" (1009); the "Export to"
// choice: "Beside each custom file" (1011) or "This folder:" (1012) with its
// path field (1013) and Browse... (1014, Qt's own folder picker); and the
// buttons Export (1, the default button), Cancel (2) and Default (1010).
// Laid out in dialog units (300 x 204) in the General font, centred over its
// owner. The explanations are sized for the font in use (Japanese needs
// it): the dialog widens until each of their lines fits whole, as far as
// the screen allows, and grows downwards where they need more lines than
// their place holds, keeping a line's space below each. Every
// opening starts from the default: both boxes checked, beside each custom
// file, no path; Default brings that back and leaves the dialog open. Typing
// a path or choosing one with Browse... selects "This folder:".
//
// Export (also Enter) ends it with kResultExport, Cancel, Escape and the
// close box with kResultCancel; either way the boxes' states are read into
// Options(), which the caller uses only after Export. With "This folder:",
// Export first checks the path: one that is empty or not a full path ("~/"
// counts as the home folder), or names something other than a folder, is
// refused with a message box and the dialog stays open with the path field
// focused. A folder that does not exist yet is accepted: the export makes
// it, as `tazor-cfv export -C` does, which is what a user typing a new
// folder's name expects.
//
// Built anew for every command: nothing is remembered or saved.
//
// Thread: UI thread.
#pragma once

#include <QDialog>
#include <filesystem>

#include "common/texts.h"
#include "common/ui/ui_context.h"
#include "export/export_options.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;

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
  static constexpr int kIdBesideEach = 1011;
  static constexpr int kIdToFolder = 1012;
  static constexpr int kIdFolderPath = 1013;
  static constexpr int kIdBrowse = 1014;

  // Laid out in context.generalFont, worded in context.language.
  explicit CExportDlg(const UiContext& context);

  // Runs the dialog modally over `owner`; returns kResultExport or
  // kResultCancel.
  int Show(QWidget* owner);

  // The states of the two check boxes when the dialog ended (1 checked,
  // 0 not) and, after Export, the destination folder (empty: beside each
  // custom file).
  const ExportOptions& Options() const { return options_; }

  void accept() override;
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void RestoreDefault();
  void ReadOptions();
  void Browse();
  // The folder typed with "This folder:", as an absolute path; empty (after
  // telling the user why) when there is none that can be exported to.
  std::filesystem::path CheckedDestination();

  QCheckBox* skipExtractable_ = nullptr;
  QCheckBox* renameExtension_ = nullptr;
  QRadioButton* besideEach_ = nullptr;
  QRadioButton* toFolder_ = nullptr;
  QLineEdit* folderPath_ = nullptr;
  UiLanguage language_;
  ExportOptions options_;
};

}  // namespace cfv
