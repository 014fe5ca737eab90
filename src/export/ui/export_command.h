// The window's exports: File > Export (the Configure Export dialog, then the
// export of the checked entries) and Export This Branch, each an ExportJob
// under a JobRunner behind the export's progress dialog, with every question
// and message in a message box on the UI thread, captioned with the program
// title, then the finished message with the job's numbers.
//
// Thread: UI thread. The calls return when the export has ended and its
// finished message has been closed; the window repaints meanwhile but takes
// no other input (the progress dialog and the boxes are modal).
#pragma once

#include <QString>
#include <filesystem>
#include <memory>
#include <optional>

#include "common/ui/ui_context.h"
#include "containers/entry_tree.h"
#include "export/export_job.h"

class QMessageBox;
class QWidget;

namespace cfv {

// The export's message boxes: the overwrite question with Yes, Yes to All,
// No, No to All and Cancel; each failure with its message and a "Don't show
// again in this export" check box; the finished message.
class ExportBoxes {
 public:
  // The boxes are owned by context.owner (see SetOwner).
  explicit ExportBoxes(const UiContext& context);
  // The window that owns the boxes from now on (the progress dialog while
  // it is up, so that they come above it). With `inSight`, the questions
  // and failures stand just below the owner rather than over it, where the
  // screen has room, so that what it shows stays in sight.
  void SetOwner(QWidget& owner, bool inSight = false) {
    owner_ = &owner;
    inSight_ = inSight;
  }

  OverwriteAnswer AskOverwrite(const std::string& targetPath);
  // Shows the failure; true when its check box was checked.
  bool ShowFailure(const ExportFailure& failure);
  // Answers an ExportJob's OverwriteQuestion or FailureNotice.
  void Answer(JobQuestion& question);

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
};

// The folder the finished message's Open Folder opens: the destination
// folder when there is one; beside the custom files, the export folder of
// the first custom file (in tree order) that has a checked entry and whose
// export folder exists. Empty when there is none.
std::filesystem::path FolderToOpen(const EntryTree& tree, const ExportOptions& options);

// Runs `job` behind the progress dialog over context.owner, then shows the
// finished message with Open Folder for `folder` (empty: FolderToOpen of
// the job's tree and options). Returns what the export did.
ExportSummary RunExportJob(const UiContext& context, std::shared_ptr<ExportJob> job,
                           std::filesystem::path folder = {});

// Shows the Configure Export dialog over `dialogOwner` (the active window)
// and, after Export, exports the checked items of `tree` with the options
// chosen (RunExportJob). Returns what the export did, or nothing when the
// dialog was cancelled (then nothing is written and no message appears).
std::optional<ExportSummary> RunExportCommand(const UiContext& context, QWidget* dialogOwner,
                                              const EntryTree& tree);

}  // namespace cfv
