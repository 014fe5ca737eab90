#include "containers/ui/load_worker.h"

#include <QMetaObject>
#include <utility>

namespace cfv {

// The core's observer on the worker thread: turns each report into a hand-off.
class LoadWorker::Relay : public LoadObserver {
 public:
  explicit Relay(LoadWorker& worker) : worker_(worker) {}

  void FileLoaded(EntryTree&& tree) override {
    Report report;
    report.kind = Report::Kind::File;
    report.tree = &tree;
    worker_.HandOff(report);
  }
  void TotalCounted(std::int32_t done, std::int32_t total) override {
    worker_.HandOff({Report::Kind::Total, nullptr, done, total});
  }
  void DoneAdvanced(std::int32_t done, std::int32_t total) override {
    worker_.HandOff({Report::Kind::Done, nullptr, done, total});
  }

 private:
  LoadWorker& worker_;
};

LoadWorker::LoadWorker(std::vector<std::filesystem::path> paths, std::shared_ptr<LoadControl> control,
                       LoadObserver& ui, QObject* parent)
    : QThread(parent), paths_(std::move(paths)), control_(std::move(control)), ui_(ui) {}

LoadWorker::~LoadWorker() { StopAndWait(); }

void LoadWorker::StopAndWait() {
  control_->abortRequested.store(true);
  {
    const std::lock_guard lock(mailboxMutex_);
    detached_ = true;
  }
  mailboxChanged_.notify_all();
  wait();
  // Orders everything the worker did before the members go away.
  (void)ended_.load(std::memory_order_acquire);
}

void LoadWorker::run() {
  Relay relay(*this);
  LoadDroppedPaths(paths_, *control_, relay);
  // The closing pause keeps the final count on screen; a worker being
  // destroyed skips what is left of it.
  {
    std::unique_lock lock(mailboxMutex_);
    mailboxChanged_.wait_for(lock, kClosingPause, [this] { return detached_; });
  }
  ended_.store(true, std::memory_order_release);
}

void LoadWorker::HandOff(const Report& report) {
  std::unique_lock lock(mailboxMutex_);
  if (detached_) return;
  mailbox_ = report;
  pending_ = true;
  lock.unlock();
  // By name, so that the queued call carries nothing built on this thread.
  QMetaObject::invokeMethod(this, "Deliver", Qt::QueuedConnection);
  lock.lock();
  mailboxChanged_.wait(lock, [this] { return !pending_ || detached_; });
  pending_ = false;
  mailbox_ = Report{};
}

void LoadWorker::Deliver() {
  Report report;
  {
    const std::lock_guard lock(mailboxMutex_);
    if (!pending_ || detached_) return;
    report = mailbox_;
  }
  // The worker waits until pending_ is cleared, so the tree it points to
  // stays alive while it is moved from here.
  switch (report.kind) {
    case Report::Kind::File:
      ui_.FileLoaded(std::move(*report.tree));
      break;
    case Report::Kind::Total:
      ui_.TotalCounted(report.done, report.total);
      break;
    case Report::Kind::Done:
      ui_.DoneAdvanced(report.done, report.total);
      break;
    case Report::Kind::None:
      break;
  }
  {
    const std::lock_guard lock(mailboxMutex_);
    pending_ = false;
  }
  mailboxChanged_.notify_all();
}

}  // namespace cfv
