// DropLoader: loads drops one at a time, each with the progress dialog.
//
// Load() takes the paths of one drop and returns at once. The drop's load
// gets its own LoadControl and, when no other load is under way, its own
// LoadWorker at once: the progress dialog opens for it (built at the first
// drop with the General font of that moment and kept), zeroes the counters,
// and the worker starts. The files the worker loads go to `sink` on the UI
// thread in batches (one tree with one root item per file, in load order;
// see LoadWorker); the dialog's counter and bar follow the worker's reports
// while the dialog is open for that load.
//
// One load at a time, and no drop lost:
//  - A drop that arrives while the dialog is open for another load waits
//    until that dialog has closed.
//  - A drop that arrives after an Abort, while the aborted worker is still
//    finishing its file, opens the dialog at once (0/0) and starts its worker
//    only once the aborted one has stopped.
//  - An Abort of a dialog whose worker has not started yet cancels that drop
//    (nothing of it loads), as an Abort before a worker's first step does.
//  - A worker whose dialog has closed still hands every file it loaded to
//    `sink`, in order (what was loaded stays), but never touches the dialog
//    again.
//  - A worker's thread object is deleted once the thread has finished.
//
// Thread: UI thread. Destroy the loader before `owner`: destroying it stops a
// running worker (see LoadWorker) and deletes the dialog.
#pragma once

#include <QObject>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "common/texts.h"
#include "containers/entry_tree.h"
#include "containers/folder_scan.h"
#include "containers/ui/load_worker.h"
#include "settings/logfont.h"

class QWidget;

namespace cfv {

class CWaitDlg;

class DropLoader : public QObject, private LoadObserver {
  Q_OBJECT

 public:
  using TreeSink = std::function<void(EntryTree&&)>;

  // `owner` owns the progress dialog; `generalFont` is asked once, when the
  // dialog is built at the first drop. `routine` is what each worker runs
  // (empty: the core's LoadDroppedPaths).
  DropLoader(QWidget* owner, UiLanguage language, std::function<LogFont()> generalFont, TreeSink sink,
             LoadRoutine routine = {});
  ~DropLoader() override;

  // Loads the dropped `paths` (files and folders, in drop order).
  void Load(std::vector<std::filesystem::path> paths);

  // No load is under way and none is waiting.
  bool IsIdle() const;
  // The progress dialog; nullptr before the first drop.
  CWaitDlg* Dialog() const { return dialog_.get(); }

 signals:
  // A load's worker was started / has stopped and been cleaned up.
  void LoadStarted();
  void LoadEnded();

 private:
  struct PendingLoad {
    std::vector<std::filesystem::path> paths;
    std::shared_ptr<LoadControl> control;
  };
  // What the dialog is open for.
  enum class DialogFor { kNothing, kRunningLoad, kWaitingLoad };

  // Opens the dialog for the first waiting drop when it is free, and starts
  // that drop's worker when no other worker runs.
  void Advance();
  void OnDialogFinished();
  void OnWorkerFinished();
  // True once the running load has ended; takes its last batch first.
  bool DialogLoadHasEnded();

  // LoadObserver, called by the running worker on the UI thread.
  void FileLoaded(EntryTree&& tree) override;
  void TotalCounted(std::int32_t done, std::int32_t total) override;
  void DoneAdvanced(std::int32_t done, std::int32_t total) override;

  QWidget* owner_;
  UiLanguage language_;
  std::function<LogFont()> generalFont_;
  TreeSink sink_;
  LoadRoutine routine_;
  std::unique_ptr<CWaitDlg> dialog_;
  DialogFor dialogFor_ = DialogFor::kNothing;
  std::deque<PendingLoad> waiting_;
  // The one load under way, aborted or not.
  std::unique_ptr<LoadWorker> worker_;
};

}  // namespace cfv
