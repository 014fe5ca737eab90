#include "containers/ui/drop_loader.h"

#include <QMetaObject>
#include <utility>

#include "common/ui/job_runner.h"
#include "containers/ui/wait_dlg.h"

namespace cfv {

DropLoader::DropLoader(std::function<UiContext()> context, LoadJob::Sink sink, LoadRoutine routine)
    : context_(std::move(context)),
      sink_(std::move(sink)),
      routine_(std::move(routine)),
      runner_(std::make_unique<JobRunner>()) {
  connect(runner_.get(), &JobRunner::Finished, this, &DropLoader::OnLoadEnded);
}

DropLoader::~DropLoader() {
  // Stops the load first: nothing reaches the sink or the dialog from here on.
  runner_.reset();
  if (dialog_) dialog_->disconnect(this);
  dialog_.reset();
}

void DropLoader::Load(std::vector<std::filesystem::path> paths) {
  waiting_.push_back(std::move(paths));
  Advance();
}

bool DropLoader::IsIdle() const {
  return !runner_->Busy() && waiting_.empty() && dialogFor_ == DialogFor::kNothing;
}

void DropLoader::Advance() {
  if (dialogFor_ == DialogFor::kNothing && !waiting_.empty()) {
    if (!dialog_) {
      dialog_ = std::make_unique<CWaitDlg>(context_());
      connect(dialog_.get(), &QDialog::finished, this, &DropLoader::OnDialogFinished);
    }
    dialogFor_ = DialogFor::kWaitingLoad;
    dialog_->Open();
  }
  if (!runner_->Busy() && dialogFor_ == DialogFor::kWaitingLoad) {
    auto job = std::make_shared<LoadJob>(std::move(waiting_.front()), sink_, routine_);
    waiting_.pop_front();
    dialogFor_ = DialogFor::kRunningLoad;
    runner_->Start(std::move(job), {dialog_.get(), {}, {}});
    emit LoadStarted();
  }
}

void DropLoader::OnDialogFinished() {
  // A drop whose dialog closed before its job started was aborted: it loads
  // nothing. A running load whose dialog closed goes on without it.
  if (dialogFor_ == DialogFor::kWaitingLoad && !waiting_.empty()) waiting_.pop_front();
  if (dialogFor_ == DialogFor::kRunningLoad) runner_->ReleaseDialog();
  dialogFor_ = DialogFor::kNothing;
  // The next drop's dialog opens after this one's closing has run its course.
  QMetaObject::invokeMethod(this, &DropLoader::Advance, Qt::QueuedConnection);
}

void DropLoader::OnLoadEnded() {
  emit LoadEnded();
  Advance();
}

}  // namespace cfv
