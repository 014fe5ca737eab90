#include "containers/ui/load_worker.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
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

LoadWorker::~LoadWorker() {
  AbortAndWait();
  // Orders everything the worker did before the members go away.
  (void)ended_.load(std::memory_order_acquire);
}

void LoadWorker::AbortAndWait() {
  if (!isRunning()) return;
  control_->abortRequested.store(true);
  // The worker may be waiting for the UI thread to take a report: carry its
  // hand-offs out here until it has stopped.
  while (!wait(QDeadlineTimer(std::chrono::milliseconds(5)))) {
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
  }
}

void LoadWorker::run() {
  Relay relay(*this);
  LoadDroppedPaths(paths_, *control_, relay);
  QThread::msleep(static_cast<unsigned long>(kClosingPause.count()));
  ended_.store(true, std::memory_order_release);
}

void LoadWorker::HandOff(const Report& report) {
  {
    const std::lock_guard lock(mailboxMutex_);
    mailbox_ = report;
  }
  // By name, so that the queued call carries nothing built on this thread.
  QMetaObject::invokeMethod(this, "Deliver", Qt::BlockingQueuedConnection);
  // Pairs with Deliver's last lock: what the UI thread did with the report
  // (the tree moved away) happens before the worker goes on.
  const std::lock_guard lock(mailboxMutex_);
  mailbox_ = Report{};
}

void LoadWorker::Deliver() {
  Report report;
  {
    const std::lock_guard lock(mailboxMutex_);
    report = std::exchange(mailbox_, Report{});
  }
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
  const std::lock_guard lock(mailboxMutex_);
}

}  // namespace cfv
