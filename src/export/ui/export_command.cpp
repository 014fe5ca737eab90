#include "export/ui/export_command.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <system_error>
#include <utility>

#include "common/ui/job_runner.h"
#include "common/ui/message_box.h"
#include "common/ui/ui_text.h"
#include "export/output_path.h"
#include "export/ui/export_dlg.h"
#include "export/ui/export_progress.h"

namespace cfv {
namespace {

// Text of the failure box for `failure`.
QString FailureText(const ExportFailure& failure, UiLanguage language) {
  switch (failure.kind) {
    case ExportFailure::Kind::kRead:
      return ReadErrorText(language, failure.error);
    case ExportFailure::Kind::kWrite:
    case ExportFailure::Kind::kLeavesFolder:
    case ExportFailure::Kind::kCustomFile:
    case ExportFailure::Kind::kLink:
      return UiFormat(texts::kExportWriteError, language, {failure.path});
    case ExportFailure::Kind::kFolderName:
      return UiFormat(texts::kExportNoFolderName, language, {failure.path});
    case ExportFailure::Kind::kNoExtension:
      return UiFormat(texts::kExportNoExtension, language, {failure.path});
    case ExportFailure::Kind::kUnsaved:
      return UiFormat(texts::kExportUnsaved, language, {failure.path});
  }
  return {};
}

}  // namespace

ExportBoxes::ExportBoxes(const UiContext& context)
    : owner_(context.owner), language_(context.language), caption_(context.caption) {}

int ExportBoxes::Run(QMessageBox& box) {
  box.setTextFormat(Qt::PlainText);
  FitCaption(box, caption_);
  const QScreen* screen = owner_->screen();
  const QRect owner = owner_->frameGeometry();
  const QSize size = box.sizeHint();
  // The box's title bar, before it has one, is taken to be as tall as the owner's.
  const int top = owner.bottom() + 8 + owner.height() - owner_->height();
  if (inSight_ && screen != nullptr && top + size.height() + 8 < screen->availableGeometry().bottom())
    box.move(owner.center().x() - size.width() / 2, top);
  return box.exec();
}

OverwriteAnswer ExportBoxes::AskOverwrite(const std::string& targetPath) {
  QMessageBox box(
      QMessageBox::NoIcon, caption_, UiFormat(texts::kExportOverwriteQuestion, language_, {targetPath}),
      QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No | QMessageBox::NoToAll | QMessageBox::Cancel,
      owner_);
  switch (Run(box)) {
    case QMessageBox::Yes:
      return OverwriteAnswer::kYes;
    case QMessageBox::YesToAll:
      return OverwriteAnswer::kYesToAll;
    case QMessageBox::NoToAll:
      return OverwriteAnswer::kNoToAll;
    case QMessageBox::Cancel:
      return OverwriteAnswer::kCancel;
    default:
      return OverwriteAnswer::kNo;
  }
}

bool ExportBoxes::ShowFailure(const ExportFailure& failure) {
  QMessageBox box(QMessageBox::Critical, caption_, FailureText(failure, language_), QMessageBox::Ok, owner_);
  // QMessageBox owns the check box.
  box.setCheckBox(new QCheckBox(UiText(texts::kExportDontShowAgain, language_)));
  Run(box);
  return box.checkBox()->isChecked();
}

void ExportBoxes::Answer(JobQuestion& question) {
  if (auto* overwrite = dynamic_cast<OverwriteQuestion*>(&question))
    overwrite->answer = AskOverwrite(overwrite->path);
  if (auto* notice = dynamic_cast<FailureNotice*>(&question))
    notice->hideLater = ShowFailure(notice->failure);
}

void ExportBoxes::ShowFinished(const ExportSummary& summary, const std::filesystem::path& folder) {
  QMessageBox box(QMessageBox::Information, caption_, UiText(texts::kExportFinished, language_),
                  QMessageBox::Ok, owner_);
  box.setTextFormat(Qt::PlainText);
  box.setInformativeText(UiFormat(texts::kExportFinishedCounts, language_,
                                  {std::to_string(summary.written), std::to_string(summary.NotOverwritten()),
                                   std::to_string(summary.Failed())}));
  QPushButton* open = nullptr;
  std::error_code error;
  if (!folder.empty() && std::filesystem::is_directory(folder, error))
    open = box.addButton(UiText(texts::kExportOpenFolder, language_), QMessageBox::ActionRole);
  box.setDefaultButton(QMessageBox::Ok);
  // With a second button, Escape and the close box would do nothing.
  box.setEscapeButton(QMessageBox::Ok);
  FitCaption(box, caption_);
  box.exec();
  if (open == nullptr || box.clickedButton() != open) return;
  if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder.string())))) {
    ShowMessageBox(owner_, QMessageBox::Warning, caption_,
                   UiFormat(texts::kExportOpenFolderFailed, language_, {folder.string()}), QMessageBox::Ok);
  }
}

std::filesystem::path FolderToOpen(const EntryTree& tree, const ExportOptions& options) {
  if (!options.destination.empty()) return options.destination;
  for (ItemId root = tree.FirstRoot(); root != kNoItem; root = tree.NextSibling(root)) {
    bool hasChecked = false;
    tree.ForEachPreOrder(root,
                         [&](ItemId id, unsigned depth) { hasChecked |= depth > 0 && tree.IsChecked(id); });
    const std::filesystem::path folder = ExportFolderOf(tree.Text(root));
    std::error_code error;
    if (hasChecked && std::filesystem::is_directory(folder, error)) return folder;
  }
  return {};
}

ExportSummary RunExportJob(const UiContext& context, std::shared_ptr<ExportJob> job,
                           std::filesystem::path folder) {
  ExportBoxes boxes(context);
  CExportProgressDlg progress(context);
  boxes.SetOwner(progress, true);
  JobRunner runner;
  runner.Run(job, {&progress, {}, [&boxes](JobQuestion& question) { boxes.Answer(question); }});
  boxes.SetOwner(*context.owner);
  if (folder.empty()) folder = FolderToOpen(job->Tree(), job->Options());
  boxes.ShowFinished(job->Summary(), folder);
  return job->Summary();
}

std::optional<ExportSummary> RunExportCommand(const UiContext& context, QWidget* dialogOwner,
                                              const EntryTree& tree) {
  ExportOptions options;
  {
    CExportDlg dialog(context);
    if (dialog.Show(dialogOwner) != CExportDlg::kResultExport) return std::nullopt;
    options = dialog.Options();
  }
  return RunExportJob(context, std::make_shared<ExportJob>(tree, options));
}

}  // namespace cfv
