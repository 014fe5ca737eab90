// DropLoader: loads drops one at a time, each with the progress dialog.
//
// Load() takes the paths of one drop and returns at once. Each drop is a
// LoadJob run by the loader's JobRunner: when no other load is under way
// the progress dialog opens for it (built at the first drop with the
// General font of that moment and kept), and the job starts. The files it
// loads go to `sink` on the UI thread in batches (one tree with one root
// item per file, in load order; see LoadJob); the dialog's counter and bar
// follow the load while the dialog is open for it.
//
// One load at a time, and no drop lost:
//  - A drop that arrives while the dialog is open for another load waits
//    until that dialog has closed.
//  - A drop that arrives after an Abort, while the aborted load is still
//    finishing its file, opens the dialog at once (0/0) and starts its job
//    only once the aborted one has stopped.
//  - An Abort of a dialog whose job has not started yet cancels that drop
//    (nothing of it loads), as an Abort before a load's first step does.
//  - A load whose dialog has closed still hands every file it loaded to
//    `sink`, in order (what was loaded stays), but never touches the dialog
//    again.
//
// Thread: UI thread. Destroy the loader before context.owner: destroying it
// stops a running load (nothing more reaches `sink`) and deletes the dialog.
#pragma once

#include <QObject>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "common/ui/ui_context.h"
#include "containers/entry_tree.h"
#include "containers/load_job.h"

namespace cfv {

class CWaitDlg;
class JobRunner;

class DropLoader : public QObject {
  Q_OBJECT

 public:
  // `context` is asked once, when the dialog is built at the first drop.
  // `routine` is what each load runs (empty: the core's LoadDroppedPaths).
  DropLoader(std::function<UiContext()> context, LoadJob::Sink sink, LoadRoutine routine = {});
  ~DropLoader() override;

  // Loads the dropped `paths` (files and folders, in drop order).
  void Load(std::vector<std::filesystem::path> paths);

  // No load is under way and none is waiting.
  bool IsIdle() const;
  // The progress dialog; nullptr before the first drop.
  CWaitDlg* Dialog() const { return dialog_.get(); }

 signals:
  // A load's job was started / has stopped.
  void LoadStarted();
  void LoadEnded();

 private:
  // What the dialog is open for.
  enum class DialogFor { kNothing, kRunningLoad, kWaitingLoad };

  // Opens the dialog for the first waiting drop when it is free, and starts
  // that drop's job when no other job runs.
  void Advance();
  void OnDialogFinished();
  void OnLoadEnded();

  std::function<UiContext()> context_;
  LoadJob::Sink sink_;
  LoadRoutine routine_;
  std::unique_ptr<CWaitDlg> dialog_;
  DialogFor dialogFor_ = DialogFor::kNothing;
  std::deque<std::vector<std::filesystem::path>> waiting_;
  // Runs the one load under way, aborted or not.
  std::unique_ptr<JobRunner> runner_;
};

}  // namespace cfv
