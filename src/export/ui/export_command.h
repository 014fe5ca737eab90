// The Export command of the main frame: the Configure Export dialog, then
// the export engine over the frame's tree on a thread of its own behind the
// progress dialog, with every question and message in a message box on the
// UI thread, captioned with the program title.
//
// Thread: UI thread. The call returns when the export has ended and its
// finished message has been closed; the window repaints meanwhile but takes
// no other input (the progress dialog and the boxes are modal).
#pragma once

#include <QString>
#include <atomic>
#include <filesystem>
#include <optional>

#include "common/texts.h"
#include "containers/entry_tree.h"
#include "export/export_engine.h"
#include "settings/logfont.h"

class QMessageBox;
class QWidget;

namespace cfv {

// Answers the engine with message boxes: the overwrite question with Yes,
// Yes to All, No, No to All and Cancel; each failure with its message and a
// "Don't show again in this export" check box, after whose checking the
// later failures of this export are only counted.
class MessageBoxExportUser final : public ExportUser {
 public:
  // The boxes are owned by `frame` (see SetOwner).
  MessageBoxExportUser(QWidget& frame, UiLanguage language, QString caption);
  // The window that owns the boxes from now on (the progress dialog while
  // it is up, so that they come above it). With `inSight`, the questions
  // and failures stand just below the owner rather than over it, where the
  // screen has room, so that what it shows stays in sight.
  void SetOwner(QWidget& owner, bool inSight = false) {
    owner_ = &owner;
    inSight_ = inSight;
  }
  // A failure box's check box was checked: later failures show nothing.
  // Any thread.
  bool FailuresHidden() const { return failuresHidden_.load(); }

  OverwriteAnswer AskOverwrite(const std::string& targetPath) override;
  void ReadFailed(const std::string& customFilePath) override;
  void WriteFailed(const std::string& targetPath) override;
  void FolderNameRefused(const std::string& customFilePath) override;
  void Failed(const ExportFailure& failure) override;
  // Shows nothing: the engine calls it before its numbers are known. The
  // caller shows them with ShowFinished once the walk has returned.
  void ExportFinished() override {}

  // The finished message: "Export finished!", below it the numbers written,
  // not overwritten and failed, and, when `folder` is a folder, an Open
  // Folder button that opens it with the desktop's file manager
  // (QDesktopServices); a desktop with no program for that gets a message
  // saying so.
  void ShowFinished(const ExportSummary& summary, const std::filesystem::path& folder);

 private:
  // Shows `box`, as SetOwner says, and returns its button.
  int Run(QMessageBox& box);

  QWidget* owner_;
  bool inSight_ = false;
  UiLanguage language_;
  QString caption_;
  std::atomic<bool> failuresHidden_{false};
};

// The folder the finished message's Open Folder opens: the destination
// folder when there is one; beside the custom files, the export folder of
// the first custom file (in tree order) that has a checked entry and whose
// export folder exists. Empty when there is none.
std::filesystem::path FolderToOpen(const EntryTree& tree, const ExportOptions& options);

// Shows the dialog over `dialogOwner` (the active window) and, after
// Export, keeps the options chosen in `lastOptions` and exports the checked
// items of `tree` with them, the progress dialog over `frame`. Returns what
// the export did, or nothing when the dialog was cancelled (then nothing is
// written and no message appears).
std::optional<ExportSummary> RunExportCommand(QWidget& frame, QWidget* dialogOwner, const EntryTree& tree,
                                              ExportOptions& lastOptions, const LogFont& generalFont,
                                              UiLanguage language, const QString& caption);

}  // namespace cfv
