#include "export/ui/export_command.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <functional>
#include <future>
#include <memory>
#include <system_error>
#include <thread>

#include "common/ui/message_box.h"
#include "common/ui/ui_text.h"
#include "export/output_path.h"
#include "export/ui/export_dlg.h"
#include "export/ui/export_progress.h"

namespace cfv {
namespace {

// The user of an engine that runs on a thread of its own: questions and
// messages go to `boxes` on the UI thread (the export waits for the
// answer), progress to the dialog's share, where Cancel is read back.
// While a box is up the dialog shows the entry it is about and the true
// count, not the last report the throttled share kept.
class ThreadedExportUser final : public ExportUser {
 public:
  ThreadedExportUser(MessageBoxExportUser& boxes, CExportProgressDlg& dialog, ExportProgressShare& share)
      : boxes_(boxes), dialog_(dialog), share_(share) {}

  OverwriteAnswer AskOverwrite(const std::string& targetPath) override {
    OverwriteAnswer answer = OverwriteAnswer::kCancel;
    OnUiThread([&] {
      if (!share_.Closing()) answer = boxes_.AskOverwrite(targetPath);
    });
    return answer;
  }
  void ReadFailed(const std::string& customFilePath) override {
    Failed({ExportFailure::Kind::kRead, customFilePath, 0});
  }
  void WriteFailed(const std::string& targetPath) override {
    Failed({ExportFailure::Kind::kWrite, targetPath, 0});
  }
  void FolderNameRefused(const std::string& customFilePath) override {
    Failed({ExportFailure::Kind::kFolderName, customFilePath, 0});
  }
  void Failed(const ExportFailure& failure) override {
    // Hidden failures are only counted (by the engine): no trip to the UI
    // thread for them.
    if (boxes_.FailuresHidden()) return;
    OnUiThread([&] {
      if (!share_.Closing()) boxes_.Failed(failure);
    });
  }
  // The command shows the finished message once the progress dialog has
  // closed.
  void ExportFinished() override {}
  bool Progress(std::uint32_t done, std::uint32_t total, std::string_view name) override {
    done_ = done;
    total_ = total;
    name_ = name;  // the walked tree's text, there until the export ends
    share_.Publish(done, total, name);
    return !share_.CancelRequested();
  }

 private:
  // Shows where the walk is, then runs `work` on the UI thread and waits for
  // it. A promise rather than Qt's blocking connection: the hand-off is then
  // one ThreadSanitizer sees.
  void OnUiThread(const std::function<void()>& work) {
    share_.Publish(done_, total_, name_, true);
    std::promise<void> done;
    QMetaObject::invokeMethod(
        &dialog_,
        [&] {
          dialog_.Poll();
          work();
          done.set_value();
        },
        Qt::QueuedConnection);
    done.get_future().wait();
  }

  MessageBoxExportUser& boxes_;
  CExportProgressDlg& dialog_;
  ExportProgressShare& share_;
  std::uint32_t done_ = 0;
  std::uint32_t total_ = 0;
  std::string_view name_;
};

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
  }
  return {};
}

}  // namespace

MessageBoxExportUser::MessageBoxExportUser(QWidget& frame, UiLanguage language, QString caption)
    : owner_(&frame), language_(language), caption_(std::move(caption)) {}

int MessageBoxExportUser::Run(QMessageBox& box) {
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

OverwriteAnswer MessageBoxExportUser::AskOverwrite(const std::string& targetPath) {
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

void MessageBoxExportUser::ReadFailed(const std::string& customFilePath) {
  Failed({ExportFailure::Kind::kRead, customFilePath, 0});
}

void MessageBoxExportUser::WriteFailed(const std::string& targetPath) {
  Failed({ExportFailure::Kind::kWrite, targetPath, 0});
}

void MessageBoxExportUser::FolderNameRefused(const std::string& customFilePath) {
  Failed({ExportFailure::Kind::kFolderName, customFilePath, 0});
}

void MessageBoxExportUser::Failed(const ExportFailure& failure) {
  if (failuresHidden_.load()) return;
  QMessageBox box(QMessageBox::Critical, caption_, FailureText(failure, language_), QMessageBox::Ok, owner_);
  // QMessageBox owns the check box.
  box.setCheckBox(new QCheckBox(UiText(texts::kExportDontShowAgain, language_)));
  Run(box);
  if (box.checkBox()->isChecked()) failuresHidden_.store(true);
}

void MessageBoxExportUser::ShowFinished(const ExportSummary& summary, const std::filesystem::path& folder) {
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
  // The walk reads a copy of the tree: the window's own may change under
  // it meanwhile (a load aborted earlier still hands over its last files).
  const EntryTree walked = tree;
  MessageBoxExportUser boxes(frame, language, caption);
  ExportProgressShare share;
  CExportProgressDlg progress(&frame, generalFont, language, share);
  boxes.SetOwner(progress, true);
  ThreadedExportUser user(boxes, progress, share);
  ExportEngine engine(walked, user);
  ExportSummary summary;
  std::atomic<bool> walkEnded{false};
  std::thread worker([&] {
    summary = engine.Run(options);
    walkEnded.store(true);
    QMetaObject::invokeMethod(&progress, &CExportProgressDlg::Finish, Qt::QueuedConnection);
  });
  progress.exec();
  // Normally the walk has ended here. When the application quits, the
  // dialog's loop ends early: the walk is cancelled, and whatever it still
  // asks is answered without a box.
  share.Close();
  while (!walkEnded.load()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  worker.join();
  // The walk's last call (Finish) may still be queued: it must not reach
  // the dialog once it is gone, nor close a later one.
  QCoreApplication::removePostedEvents(&progress, QEvent::MetaCall);
  boxes.SetOwner(frame);
  boxes.ShowFinished(summary, FolderToOpen(walked, options));
  return summary;
}

}  // namespace cfv
