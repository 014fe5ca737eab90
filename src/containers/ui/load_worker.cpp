#include "containers/ui/load_worker.h"

#include <QMetaObject>
#include <utility>

namespace cfv {

// The core's observer on the worker thread: puts each report in the buffer.
class LoadWorker::Relay : public LoadObserver {
 public:
  explicit Relay(LoadWorker& worker) : worker_(worker) {}

  void FileLoaded(EntryTree&& tree) override { worker_.Gather(std::move(tree)); }
  void TotalCounted(std::int32_t done, std::int32_t total) override {
    worker_.GatherProgress(true, done, total);
  }
  void DoneAdvanced(std::int32_t done, std::int32_t total) override {
    worker_.GatherProgress(false, done, total);
  }

 private:
  LoadWorker& worker_;
};

LoadWorker::LoadWorker(std::vector<std::filesystem::path> paths, std::shared_ptr<LoadControl> control,
                       LoadObserver& ui, QObject* parent, LoadRoutine routine)
    : QThread(parent),
      paths_(std::move(paths)),
      control_(std::move(control)),
      ui_(ui),
      routine_(routine ? std::move(routine) : LoadRoutine(LoadDroppedPaths)) {
  deliveryTimer_.setInterval(kHandOffPeriod);
  connect(&deliveryTimer_, &QTimer::timeout, this, &LoadWorker::Deliver);
  deliveryTimer_.start();
}

LoadWorker::~LoadWorker() { StopAndWait(); }

void LoadWorker::StopAndWait() {
  deliveryTimer_.stop();
  control_->abortRequested.store(true);
  {
    const std::lock_guard lock(bufferMutex_);
    detached_ = true;
  }
  bufferTaken_.notify_all();
  wait();
  // Orders everything the worker did before the members go away.
  (void)ended_.load(std::memory_order_acquire);
}

void LoadWorker::run() {
  Relay relay(*this);
  routine_(paths_, *control_, relay);
  // The closing pause keeps the final count on screen; a worker being
  // destroyed skips what is left of it.
  {
    std::unique_lock lock(bufferMutex_);
    bufferTaken_.wait_for(lock, kClosingPause, [this] { return detached_; });
  }
  ended_.store(true, std::memory_order_release);
}

void LoadWorker::Gather(EntryTree&& tree) {
  std::unique_lock lock(bufferMutex_);
  if (detached_) return;
  // Copied, not taken: the core keeps its tree's storage for the next file.
  ready_.AppendTree(tree);
  if (ready_.Size() < kBufferLimit) return;
  if (!wakePosted_) {
    wakePosted_ = true;
    // By name, so that the queued call carries nothing built on this thread.
    QMetaObject::invokeMethod(this, "Deliver", Qt::QueuedConnection);
  }
  bufferTaken_.wait(lock, [this] { return ready_.Size() < kBufferLimit || detached_; });
}

void LoadWorker::GatherProgress(bool total, std::int32_t done, std::int32_t count) {
  const std::lock_guard lock(bufferMutex_);
  if (detached_) return;
  if (total) {
    totalPending_ = true;
    totalDone_ = done;
    totalCount_ = count;
  } else {
    donePending_ = true;
    doneDone_ = done;
    doneCount_ = count;
  }
}

void LoadWorker::Deliver() {
  // An observer that spins the event loop must not get the next batch
  // before the rest of this one.
  if (delivering_) return;
  delivering_ = true;
  EntryTree files;
  bool total = false;
  bool done = false;
  std::int32_t totalDone = 0;
  std::int32_t totalCount = 0;
  std::int32_t doneDone = 0;
  std::int32_t doneCount = 0;
  {
    const std::lock_guard lock(bufferMutex_);
    if (detached_) {
      delivering_ = false;
      return;
    }
    std::swap(files, ready_);
    total = std::exchange(totalPending_, false);
    done = std::exchange(donePending_, false);
    totalDone = totalDone_;
    totalCount = totalCount_;
    doneDone = doneDone_;
    doneCount = doneCount_;
    wakePosted_ = false;
  }
  bufferTaken_.notify_all();
  if (total) ui_.TotalCounted(totalDone, totalCount);
  if (!files.Empty()) ui_.FileLoaded(std::move(files));
  if (done) ui_.DoneAdvanced(doneDone, doneCount);
  delivering_ = false;
}

}  // namespace cfv
