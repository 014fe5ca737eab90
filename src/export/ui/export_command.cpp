#include "export/ui/export_command.h"

#include <QMessageBox>

#include "common/ui/message_box.h"
#include "common/ui/ui_text.h"
#include "export/ui/export_dlg.h"

namespace cfv {
MessageBoxExportUser::MessageBoxExportUser(QWidget& frame, UiLanguage language, QString caption)
    : frame_(frame), language_(language), caption_(std::move(caption)) {}

OverwriteAnswer MessageBoxExportUser::AskOverwrite(const std::string& targetPath) {
  switch (ShowMessageBox(&frame_, QMessageBox::NoIcon, caption_,
                         ToQString(FormatText(texts::kExportOverwriteQuestion.In(language_), {targetPath})),
                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes:
      return OverwriteAnswer::kYes;
    case QMessageBox::Cancel:
      return OverwriteAnswer::kCancel;
    default:
      return OverwriteAnswer::kNo;
  }
}

void MessageBoxExportUser::ReadFailed(const std::string& /*customFilePath*/) {
  ShowReadErrorBox(&frame_, caption_, language_);
}

void MessageBoxExportUser::WriteFailed(const std::string& targetPath) {
  ShowMessageBox(&frame_, QMessageBox::Critical, caption_,
                 ToQString(FormatText(texts::kExportWriteError.In(language_), {targetPath})),
                 QMessageBox::Ok);
}

void MessageBoxExportUser::FolderNameRefused(const std::string& customFilePath) {
  ShowMessageBox(&frame_, QMessageBox::Critical, caption_,
                 ToQString(FormatText(texts::kExportNoFolderName.In(language_), {customFilePath})),
                 QMessageBox::Ok);
}

void MessageBoxExportUser::Failed(const ExportFailure& failure) {
  if (failure.kind != ExportFailure::Kind::kNoExtension) return ExportUser::Failed(failure);
  ShowMessageBox(&frame_, QMessageBox::Critical, caption_,
                 ToQString(FormatText(texts::kExportNoExtension.In(language_), {failure.path})),
                 QMessageBox::Ok);
}

void MessageBoxExportUser::ExportFinished() {
  ShowMessageBox(&frame_, QMessageBox::Information, caption_, UiText(texts::kExportFinished, language_),
                 QMessageBox::Ok);
}

std::optional<ExportSummary> RunExportCommand(QWidget& frame, QWidget* dialogOwner, const EntryTree& tree,
                                              ExportOptions& lastOptions, const LogFont& generalFont,
                                              UiLanguage language, const QString& caption) {
  ExportOptions options;
  {
    CExportDlg dialog(generalFont, language);
    if (dialog.Show(dialogOwner) != CExportDlg::kResultExport) return std::nullopt;
    options = dialog.Options();
  }
  lastOptions = options;
  MessageBoxExportUser user(frame, language, caption);
  return ExportEngine(tree, user).Run(options);
}

}  // namespace cfv
