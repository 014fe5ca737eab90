// JobRunner: runs one Job (common/job.h) at a time on a thread of its own
// for the window, and is the only place where the window's long work meets
// threads.
//
// Start() returns at once; Run() returns when the job has ended, the window
// repainting meanwhile (a local event loop). While the job runs the runner,
// on the UI thread:
//   - every kCollectPeriod, and soon after the job's Hurry(), takes the job's
//     latest progress, lets the job Collect() what it made ready, then shows
//     that progress in the dialog: the dialog never runs ahead of what the
//     job handed over;
//   - answers the job's questions with JobSetup::answer, first showing the
//     dialog the progress as it is at that moment;
//   - shows the dialog (modal, as the dialog is made), at once or after
//     JobSetup::dialogDelay, and takes its CancelRequested as Cancel();
//   - once the job's Run() has returned: joins the thread, Collect()s and
//     shows the progress a last time, calls the dialog's JobEnded() and emits
//     Finished(). The caller then reads the job's result from the job.
// Run() takes no user input (mouse, keys) while no dialog shows (a drag
// being prepared shows a busy cursor, the window repaints), and all input
// once the dialog shows (it is modal: its Cancel, nothing under it). When
// the application quits under Run(), the job is abandoned as the destructor
// does and Run() returns kCancelled.
//
// Ownership: the runner shares the job with the caller and holds it until it
// has ended. It never owns the dialog: the caller does, and may
// ReleaseDialog() early (a dialog that closes on Cancel, before the job has
// stopped, for the next job). Destroying the runner while a job runs cancels
// the job, stops answering, collecting and touching the dialog, and returns
// once the thread has stopped (Finished() is not emitted); never destroy it
// from inside its own answerer.
//
// Thread: UI thread, everything.
#pragma once

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "common/job.h"

class QEventLoop;

namespace cfv {

// A dialog that shows a job's progress and offers to cancel it.
class JobDialog : public QDialog {
  Q_OBJECT

 public:
  using QDialog::QDialog;
  // The job's progress as it is now. By default nothing.
  virtual void ShowProgress(const JobProgress& progress) { (void)progress; }
  // The job has ended. By default the dialog closes (accept()).
  virtual void JobEnded() { accept(); }
  // Cancel, Escape and the close box ask the job to stop; by default the
  // dialog stays up until the job has ended.
  void reject() override { emit CancelRequested(); }

 signals:
  void CancelRequested();
};

// How a JobRunner shows a job and answers its questions.
struct JobSetup {
  // Shows the progress; nullptr: none. Shown with show() unless it is
  // visible already.
  JobDialog* dialog = nullptr;
  // How long the job runs before the dialog shows (a short job then shows
  // none).
  std::chrono::milliseconds dialogDelay{0};
  // Answers a question of the job, on the UI thread (may run a modal box).
  // Unset: the job's questions are not asked.
  std::function<void(JobQuestion&)> answer;
};

class JobRunner : public QObject {
  Q_OBJECT

 public:
  static constexpr std::chrono::milliseconds kCollectPeriod{25};

  explicit JobRunner(QObject* parent = nullptr);
  ~JobRunner() override;

  // Starts `job`. False (nothing started) while another job runs.
  bool Start(std::shared_ptr<Job> job, JobSetup setup = {});
  // Starts `job` and returns once it has ended (see above). kFailed when
  // another job runs.
  JobEnd Run(std::shared_ptr<Job> job, JobSetup setup = {});

  // A job has started and not yet ended.
  bool Busy() const { return job_ != nullptr; }
  // Asks the running job to stop (nothing when none runs).
  void Cancel();
  // The runner no longer touches the dialog of the running job.
  void ReleaseDialog();
  // How the last job ended (as Run() returned it and Finished() said), and
  // its failure's message.
  JobEnd LastEnd() const { return lastEnd_; }
  const std::string& LastFailure() const { return lastFailure_; }

 signals:
  void Finished(cfv::JobEnd end);

 private:
  class Context;

  void Tick();
  void AnswerPending();
  void ShowDialog();
  void OnThreadEnded();
  // Cancels, detaches and joins: nothing of the job reaches the UI any more.
  void Abandon();
  // After the thread has been joined: forgets the job; unless it was
  // abandoned, ends the dialog and emits Finished().
  void TakeDown(JobEnd end);

  std::shared_ptr<Job> job_;
  JobSetup setup_;
  QPointer<JobDialog> dialog_;
  std::unique_ptr<Context> context_;
  std::thread thread_;
  QTimer collectTimer_;
  QTimer dialogTimer_;
  QEventLoop* runLoop_ = nullptr;
  bool collecting_ = false;
  bool inputWanted_ = false;
  JobEnd lastEnd_ = JobEnd::kDone;
  std::string lastFailure_;
};

}  // namespace cfv
