// LoadWorker: the thread that loads one drop.
//
// It runs the load routine (the core's LoadDroppedPaths) over the dropped
// paths with the load's own LoadControl, then pauses kClosingPause so the
// final count stays visible, then ends.
//
// The core's reports reach `ui`, an observer called on the UI thread, in
// batches: the worker gathers every loaded tree into one buffer, in load
// order, and keeps the last counting and the last done report; the UI thread
// takes whatever has gathered every kHandOffPeriod (its own timer), and at
// once when the buffer passes kBufferLimit items. The worker never waits for
// the UI thread except while its buffer is over that limit, so memory stays
// bounded and there is no round trip per file. Each batch reaches `ui` as
//   TotalCounted (the last counting report since the batch before, if any),
//   FileLoaded    (one tree holding one root item per loaded file, in load
//                  order; only when at least one file was loaded),
//   DoneAdvanced  (the last done report, if any),
// so whatever `ui` changes (the entry tree, the dialog's controls) changes
// only on the UI thread, in load order, and the counter never runs ahead of
// the files shown.
//
// Thread: the object lives on the UI thread; construct, start, deliver, query
// and destroy it there. Once the thread has finished, call Deliver() once
// more to take what the last timer tick missed. Destroying a running worker
// asks it to stop, stops taking its reports (trees not taken are dropped),
// cuts its closing pause short and returns once its thread has stopped.
#pragma once

#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "containers/entry_tree.h"
#include "containers/folder_scan.h"

namespace cfv {

// What a worker runs on its thread: loads `paths`, reporting to `observer`
// and heeding control.abortRequested, as LoadDroppedPaths does.
using LoadRoutine = std::function<void(const std::vector<std::filesystem::path>& paths, LoadControl& control,
                                       LoadObserver& observer)>;

class LoadWorker : public QThread {
  Q_OBJECT

 public:
  static constexpr std::chrono::milliseconds kClosingPause{500};
  // How often the UI thread takes the trees that are ready.
  static constexpr std::chrono::milliseconds kHandOffPeriod{25};
  // Items the buffer may hold before the worker waits for the UI thread:
  // about 4 MiB of nodes and a few MiB of names.
  static constexpr std::uint32_t kBufferLimit = 100'000;

  // `routine` empty: the core's LoadDroppedPaths.
  LoadWorker(std::vector<std::filesystem::path> paths, std::shared_ptr<LoadControl> control, LoadObserver& ui,
             QObject* parent = nullptr, LoadRoutine routine = {});
  ~LoadWorker() override;

  LoadControl& Control() { return *control_; }

  // True once the worker's routine has returned, pause included. UI thread.
  bool HasEnded() const { return ended_.load(std::memory_order_acquire); }

  // UI thread: hands `ui` the batch gathered so far (see above); nothing when
  // nothing has gathered or the worker is being destroyed.
  Q_INVOKABLE void Deliver();

 protected:
  void run() override;

 private:
  class Relay;

  // Worker thread: the core's reports, gathered into the buffer.
  void Gather(EntryTree&& tree);
  void GatherProgress(bool total, std::int32_t done, std::int32_t count);
  // UI thread: see the destructor.
  void StopAndWait();

  const std::vector<std::filesystem::path> paths_;
  const std::shared_ptr<LoadControl> control_;
  LoadObserver& ui_;
  const LoadRoutine routine_;
  QTimer deliveryTimer_;
  // The buffer, guarded by a standard mutex and condition variable, so the
  // ordering is plain to thread checkers and a destroyed worker never waits
  // for the UI.
  std::mutex bufferMutex_;
  std::condition_variable bufferTaken_;
  EntryTree ready_;  // loaded files not yet taken, one root each
  bool totalPending_ = false;
  bool donePending_ = false;
  std::int32_t totalDone_ = 0;
  std::int32_t totalCount_ = 0;
  std::int32_t doneDone_ = 0;
  std::int32_t doneCount_ = 0;
  bool wakePosted_ = false;  // a Deliver call is queued for the full buffer
  bool detached_ = false;    // the UI thread takes no more reports
  bool delivering_ = false;  // UI thread: Deliver is handing a batch to `ui`
  std::atomic<bool> ended_{false};
};

}  // namespace cfv
