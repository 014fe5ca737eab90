#include "common/ui/job_runner.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <exception>
#include <utility>

namespace cfv {

// What the worker thread and the UI thread share. Every hand-off goes
// through `mutex` and `wake` (standard ones, which thread checkers see); the
// UI thread is only woken by queued calls, which carry nothing.
class JobRunner::Context final : public JobContext {
 public:
  Context(JobRunner& runner, Job& job, bool answers) : runner_(runner), job_(job), answers_(answers) {}

  bool Cancelled() const override { return job_.Cancelled(); }

  void Progress(std::uint64_t done, std::uint64_t total, std::string_view item) override {
    const std::lock_guard lock(progressMutex_);
    progress_.done = done;
    progress_.total = total;
    progress_.item.assign(item);
    progressFresh_ = true;
  }

  bool Ask(JobQuestion& question) override {
    std::unique_lock lock(mutex);
    if (!answers_ || detached || job_.Cancelled()) return false;
    question_ = &question;
    answered_ = false;
    QMetaObject::invokeMethod(&runner_, &JobRunner::AnswerPending, Qt::QueuedConnection);
    wake.wait(lock, [this] { return answered_ || detached; });
    question_ = nullptr;
    return answered_;
  }

  void Hurry() override {
    {
      const std::lock_guard lock(mutex);
      if (hurried_ || detached) return;
      hurried_ = true;
    }
    QMetaObject::invokeMethod(&runner_, &JobRunner::Tick, Qt::QueuedConnection);
  }

  void WaitUntil(const std::function<bool()>& ready) override {
    std::unique_lock lock(mutex);
    wake.wait(lock, [&] { return detached || job_.Cancelled() || ready(); });
  }

  bool Pause(std::chrono::milliseconds time) override {
    std::unique_lock lock(mutex);
    return !wake.wait_for(lock, time, [this] { return detached || job_.Cancelled(); });
  }

  // UI thread: the progress, when it changed since the last take.
  bool TakeProgress(JobProgress& out) {
    const std::lock_guard lock(progressMutex_);
    if (!progressFresh_) return false;
    progressFresh_ = false;
    out = progress_;
    return true;
  }
  // UI thread: the question waiting for its answer, if any.
  JobQuestion* PendingQuestion() {
    const std::lock_guard lock(mutex);
    return answered_ ? nullptr : question_;
  }
  void Answered() {
    {
      const std::lock_guard lock(mutex);
      answered_ = true;
    }
    wake.notify_all();
  }
  // UI thread: wakes the worker to look again (after a Collect or a cancel).
  void Notify(bool collected) {
    {
      const std::lock_guard lock(mutex);
      if (collected) hurried_ = false;
    }
    wake.notify_all();
  }

  std::mutex mutex;
  std::condition_variable wake;
  bool detached = false;  // the runner takes nothing more from the job
  // Set by the worker as its last act.
  JobEnd end = JobEnd::kDone;
  std::string failure;

 private:
  JobRunner& runner_;
  Job& job_;
  const bool answers_;
  std::mutex progressMutex_;
  JobProgress progress_;
  bool progressFresh_ = false;
  JobQuestion* question_ = nullptr;
  bool answered_ = false;
  bool hurried_ = false;
};

JobRunner::JobRunner(QObject* parent) : QObject(parent) {
  collectTimer_.setInterval(kCollectPeriod);
  connect(&collectTimer_, &QTimer::timeout, this, &JobRunner::Tick);
  dialogTimer_.setSingleShot(true);
  connect(&dialogTimer_, &QTimer::timeout, this, &JobRunner::ShowDialog);
}

JobRunner::~JobRunner() {
  if (Busy()) Abandon();
}

bool JobRunner::Start(std::shared_ptr<Job> job, JobSetup setup) {
  if (Busy() || !job) return false;
  job_ = std::move(job);
  setup_ = std::move(setup);
  dialog_ = setup_.dialog;
  inputWanted_ = false;
  context_ = std::make_unique<Context>(*this, *job_, static_cast<bool>(setup_.answer));
  if (dialog_) {
    connect(dialog_, &JobDialog::CancelRequested, this, &JobRunner::Cancel);
    if (setup_.dialogDelay.count() > 0) {
      dialogTimer_.start(setup_.dialogDelay);
    } else {
      ShowDialog();
    }
  }
  collectTimer_.start();
  thread_ = std::thread([this, job = job_.get(), context = context_.get()] {
    JobEnd end = JobEnd::kDone;
    std::string failure;
    try {
      job->Run(*context);
    } catch (const std::exception& error) {
      end = JobEnd::kFailed;
      failure = error.what();
    } catch (...) {
      end = JobEnd::kFailed;
    }
    if (end == JobEnd::kDone && job->Cancelled()) end = JobEnd::kCancelled;
    const std::lock_guard lock(context->mutex);
    context->end = end;
    context->failure = std::move(failure);
    if (!context->detached) QMetaObject::invokeMethod(this, &JobRunner::OnThreadEnded, Qt::QueuedConnection);
  });
  return true;
}

JobEnd JobRunner::Run(std::shared_ptr<Job> job, JobSetup setup) {
  if (!Start(std::move(job), std::move(setup))) return JobEnd::kFailed;
  const Job* running = job_.get();
  QEventLoop loop;
  runLoop_ = &loop;
  // The loop is left when the job ends, and once to let input in when the
  // dialog shows; -1 (or anything else) is the application quitting.
  while (job_.get() == running) {
    const int code = loop.exec(inputWanted_ ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    if (code != 0 && job_.get() == running) {
      Abandon();
      break;
    }
  }
  runLoop_ = nullptr;
  return lastEnd_;
}

void JobRunner::Cancel() {
  if (!Busy()) return;
  job_->Cancel();
  context_->Notify(false);
}

void JobRunner::ReleaseDialog() {
  dialogTimer_.stop();
  if (dialog_) dialog_->disconnect(this);
  dialog_ = nullptr;
}

void JobRunner::ShowDialog() {
  if (!dialog_) return;
  if (!dialog_->isVisible()) dialog_->show();
  inputWanted_ = true;
  if (runLoop_ != nullptr) runLoop_->quit();
}

void JobRunner::Tick() {
  if (!Busy() || collecting_) return;
  collecting_ = true;
  JobProgress progress;
  const bool fresh = context_->TakeProgress(progress);
  job_->Collect();
  context_->Notify(true);
  if (fresh && dialog_) dialog_->ShowProgress(progress);
  collecting_ = false;
}

void JobRunner::AnswerPending() {
  if (!Busy()) return;
  JobQuestion* question = context_->PendingQuestion();
  if (question == nullptr) return;
  JobProgress progress;
  if (dialog_ && context_->TakeProgress(progress)) dialog_->ShowProgress(progress);
  const QPointer<JobRunner> alive(this);
  const auto answer = setup_.answer;
  answer(*question);
  if (alive) context_->Answered();
}

void JobRunner::OnThreadEnded() {
  if (!Busy()) return;
  thread_.join();
  Tick();
  TakeDown(context_->end);
}

void JobRunner::Abandon() {
  job_->Cancel();
  {
    const std::lock_guard lock(context_->mutex);
    context_->detached = true;
  }
  context_->wake.notify_all();
  thread_.join();
  ReleaseDialog();
  TakeDown(JobEnd::kCancelled);
}

void JobRunner::TakeDown(JobEnd end) {
  collectTimer_.stop();
  lastEnd_ = end;
  lastFailure_ = context_->failure;
  JobDialog* dialog = dialog_;
  ReleaseDialog();
  const bool abandoned = context_->detached;
  context_.reset();
  job_.reset();
  if (abandoned) return;
  if (dialog != nullptr) dialog->JobEnded();
  if (runLoop_ != nullptr) runLoop_->quit();
  emit Finished(end);
}

}  // namespace cfv
