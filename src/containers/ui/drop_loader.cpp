#include "containers/ui/drop_loader.h"

#include <QMetaObject>
#include <utility>

#include "containers/ui/load_worker.h"
#include "containers/ui/wait_dlg.h"

namespace cfv {

DropLoader::DropLoader(QWidget* owner, UiLanguage language, std::function<LogFont()> generalFont,
                       TreeSink sink, LoadRoutine routine)
    : owner_(owner),
      language_(language),
      generalFont_(std::move(generalFont)),
      sink_(std::move(sink)),
      routine_(std::move(routine)) {}

DropLoader::~DropLoader() {
  // Stops the worker first: it takes no more reports, so nothing reaches the
  // sink or the dialog from here on.
  worker_.reset();
  if (dialog_) dialog_->disconnect(this);
  dialog_.reset();
}

void DropLoader::Load(std::vector<std::filesystem::path> paths) {
  waiting_.push_back({std::move(paths), std::make_shared<LoadControl>()});
  Advance();
}

bool DropLoader::IsIdle() const { return !worker_ && waiting_.empty() && dialogFor_ == DialogFor::kNothing; }

void DropLoader::Advance() {
  if (dialogFor_ == DialogFor::kNothing && !waiting_.empty()) {
    if (!dialog_) {
      dialog_ = std::make_unique<CWaitDlg>(owner_, generalFont_(), language_);
      connect(dialog_.get(), &QDialog::finished, this, &DropLoader::OnDialogFinished);
    }
    dialogFor_ = DialogFor::kWaitingLoad;
    dialog_->Open(waiting_.front().control, [this] { return DialogLoadHasEnded(); });
  }
  if (!worker_ && dialogFor_ == DialogFor::kWaitingLoad) {
    PendingLoad load = std::move(waiting_.front());
    waiting_.pop_front();
    LoadObserver& reports = *this;
    worker_ = std::make_unique<LoadWorker>(std::move(load.paths), std::move(load.control), reports, nullptr,
                                           routine_);
    // Queued: `finished` is emitted on the worker's thread.
    connect(worker_.get(), &QThread::finished, this, &DropLoader::OnWorkerFinished, Qt::QueuedConnection);
    dialogFor_ = DialogFor::kRunningLoad;
    emit LoadStarted();
    worker_->start();
  }
}

bool DropLoader::DialogLoadHasEnded() {
  // A waiting load's worker has not even started; the running load has ended
  // when its worker has, or has been cleaned up already.
  if (dialogFor_ != DialogFor::kRunningLoad) return false;
  if (!worker_) return true;
  if (!worker_->HasEnded()) return false;
  // The last files and the final count are on screen before the dialog closes.
  worker_->Deliver();
  return true;
}

void DropLoader::OnDialogFinished() {
  // A drop whose dialog closed before its worker started was aborted: it
  // loads nothing.
  if (dialogFor_ == DialogFor::kWaitingLoad && !waiting_.empty()) waiting_.pop_front();
  dialogFor_ = DialogFor::kNothing;
  // The next drop's dialog opens after this one's closing has run its course.
  QMetaObject::invokeMethod(this, &DropLoader::Advance, Qt::QueuedConnection);
}

void DropLoader::OnWorkerFinished() {
  if (!worker_ || sender() != worker_.get()) return;
  // `finished` is emitted just before the thread ends: wait for the rest of
  // Qt's own clean-up, then delete the thread object.
  worker_->wait();
  // Whatever the worker loaded after the last hand-off, kept in order.
  worker_->Deliver();
  worker_.reset();
  emit LoadEnded();
  Advance();
}

void DropLoader::FileLoaded(EntryTree&& tree) {
  if (sink_) sink_(std::move(tree));
}

void DropLoader::TotalCounted(std::int32_t done, std::int32_t total) {
  if (dialogFor_ == DialogFor::kRunningLoad) dialog_->ShowTotal(done, total);
}

void DropLoader::DoneAdvanced(std::int32_t done, std::int32_t total) {
  if (dialogFor_ == DialogFor::kRunningLoad) dialog_->ShowDone(done, total);
}

}  // namespace cfv
