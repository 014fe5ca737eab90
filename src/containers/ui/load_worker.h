// LoadWorker: the thread that loads one drop.
//
// It runs the core's LoadDroppedPaths over the dropped paths with the load's
// own LoadControl, then pauses kClosingPause so the final count stays
// visible, then ends. Every report of the core (a loaded file's tree, a
// counted total, an advanced done count) is relayed to `ui`, an observer
// called on the UI thread, with one blocking queued call each: the worker
// waits until the UI thread has taken the report, so whatever `ui` changes
// (the entry tree, the dialog's controls) changes only on the UI thread and
// in load order. A loaded tree is moved to `ui`, never copied.
//
// Thread: the object lives on the UI thread; construct, start, query and
// destroy it there. Destroying a running worker asks it to stop, stops taking
// its reports (a tree not yet taken is dropped), cuts its closing pause short
// and returns once its thread has stopped.
#pragma once

#include <QThread>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

#include "containers/entry_tree.h"
#include "containers/folder_scan.h"

namespace cfv {

class LoadWorker : public QThread {
  Q_OBJECT

 public:
  static constexpr std::chrono::milliseconds kClosingPause{500};

  LoadWorker(std::vector<std::filesystem::path> paths, std::shared_ptr<LoadControl> control, LoadObserver& ui,
             QObject* parent = nullptr);
  ~LoadWorker() override;

  LoadControl& Control() { return *control_; }

  // True once the worker's routine has returned, pause included. UI thread.
  bool HasEnded() const { return ended_.load(std::memory_order_acquire); }

 protected:
  void run() override;

 private:
  // One report of the core, waiting in the mailbox for the UI thread.
  struct Report {
    enum class Kind { None, File, Total, Done };
    Kind kind = Kind::None;
    EntryTree* tree = nullptr;
    std::int32_t done = 0;
    std::int32_t total = 0;
  };
  class Relay;

  // Worker thread: hands `report` to the UI thread and waits until the UI
  // thread has carried it out (or the worker is being destroyed).
  void HandOff(const Report& report);
  // UI thread: carries out the report in the mailbox, if one waits there.
  Q_INVOKABLE void Deliver();
  // UI thread: see the destructor.
  void StopAndWait();

  const std::vector<std::filesystem::path> paths_;
  const std::shared_ptr<LoadControl> control_;
  LoadObserver& ui_;
  // The mailbox: one report at a time. Guarded by a standard mutex and
  // condition variable, not by Qt's queued-call machinery, so the ordering is
  // plain to thread checkers and a destroyed worker never waits for the UI.
  std::mutex mailboxMutex_;
  std::condition_variable mailboxChanged_;
  Report mailbox_;
  bool pending_ = false;   // a report waits for the UI thread
  bool detached_ = false;  // the UI thread takes no more reports
  std::atomic<bool> ended_{false};
};

}  // namespace cfv
