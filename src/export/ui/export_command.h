// The Export command of the main frame: the Configure Export dialog, then
// the export engine over the frame's tree, with every question and message
// in a message box owned by the main frame and captioned with the program
// title.
//
// Thread: UI thread; the export runs to its end inside the call, and the
// window takes no other input meanwhile.
#pragma once

#include <QString>
#include <optional>

#include "common/texts.h"
#include "containers/entry_tree.h"
#include "export/export_engine.h"
#include "settings/logfont.h"

class QWidget;

namespace cfv {

// Answers the engine with message boxes owned by `frame`.
class MessageBoxExportUser final : public ExportUser {
 public:
  MessageBoxExportUser(QWidget& frame, UiLanguage language, QString caption);
  OverwriteAnswer AskOverwrite(const std::string& targetPath) override;
  void ReadFailed(const std::string& customFilePath) override;
  void WriteFailed(const std::string& targetPath) override;
  void FolderNameRefused(const std::string& customFilePath) override;
  void ExportFinished() override;
  void Failed(const ExportFailure& failure) override;

 private:
  QWidget& frame_;
  UiLanguage language_;
  QString caption_;
};

// Shows the dialog over `dialogOwner` (the active window) and, after
// Export, keeps the options chosen in `lastOptions` and exports the checked
// items of `tree` with them. Returns what the export did, or nothing when the dialog was
// cancelled (then nothing is written and no message appears).
std::optional<ExportSummary> RunExportCommand(QWidget& frame, QWidget* dialogOwner, const EntryTree& tree,
                                              ExportOptions& lastOptions, const LogFont& generalFont,
                                              UiLanguage language, const QString& caption);

}  // namespace cfv
