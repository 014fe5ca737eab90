// Job: one piece of long work (a load, an export, the files of a drag, a
// save) that runs on a thread of its own while the window stays live.
//
// A job is written once, Qt-free, and run by a runner: the window's
// JobRunner (common/ui/job_runner.h), or a test's own. What the worker needs
// from whoever watches it goes through JobContext:
//   - progress: `done` of `total` and the item being worked on, any number
//     of times (the runner keeps the last and shows it a few times a second);
//   - cancel: Cancelled() turns true once the user asked to stop (or the
//     window is going away); the job stops at its next safe point;
//   - questions: a JobQuestion subclass object the worker fills in, hands to
//     Ask() and waits on until the user has answered it on the UI thread;
//   - partial results: Collect() runs on the UI thread a few times a second
//     and after Run() has returned, to take what the worker made ready
//     (loaded files, say); Hurry() asks for one soon, WaitUntil() holds the
//     worker until a Collect() has made room.
// The job's result is its own: a subclass keeps it in members, the caller
// reads them once the runner says the job has ended (never before: the
// worker writes them).
//
// Thread: Run() and everything it calls on JobContext on the worker thread;
// Collect() on the runner's (UI) thread, never while another Collect() runs;
// Cancel() and Cancelled() on any thread. Run() is called at most once.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace cfv {

// Where a job is: `done` of `total` steps behind, `item` (a name as the job
// words it, may be empty) under way.
struct JobProgress {
  std::uint64_t done = 0;
  std::uint64_t total = 0;
  std::string item;
  bool operator==(const JobProgress&) const = default;
};

// A question to the user. Each job defines its own kinds (an overwrite
// question, a failure to show with "don't show again") as subclasses with
// their answer as a member, which the runner's answerer fills in.
class JobQuestion {
 public:
  virtual ~JobQuestion() = default;
};

// How a job ended: it ran to its end, stopped after a cancel, or failed
// (Run() threw; the runner keeps the message).
enum class JobEnd { kDone, kCancelled, kFailed };

// What a running job sees of its runner. Worker thread only.
class JobContext {
 public:
  virtual ~JobContext() = default;
  // True once the job was cancelled (Job::Cancelled()).
  virtual bool Cancelled() const = 0;
  // The job is at `done` of `total`, on `item`. Cheap: call it per step.
  virtual void Progress(std::uint64_t done, std::uint64_t total, std::string_view item = {}) = 0;
  // Puts `question` to the user and waits for the answer. False when it was
  // not asked (nobody answers questions, the job was cancelled, or the
  // window is going away): the question keeps the answer it was made with.
  virtual bool Ask(JobQuestion& question) = 0;
  // Asks for a Collect() soon, without waiting for it.
  virtual void Hurry() = 0;
  // Waits until `ready()` holds, rechecking it after each Collect(); returns
  // early once the job is cancelled. `ready` runs on this thread.
  virtual void WaitUntil(const std::function<bool()>& ready) = 0;
  // Sleeps `time`, or less when the job is cancelled meanwhile. False when
  // cut short.
  virtual bool Pause(std::chrono::milliseconds time) = 0;
};

class Job {
 public:
  virtual ~Job() = default;
  // The work. A throw ends the job as JobEnd::kFailed with its message.
  virtual void Run(JobContext& context) = 0;
  // UI thread: takes what Run() has made ready so far. By default nothing.
  virtual void Collect() {}
  // Any thread: asks the job to stop. A subclass that hands the request on
  // (to a flag of the core's own) calls this too.
  virtual void Cancel() { cancelled_.store(true); }
  bool Cancelled() const { return cancelled_.load(); }

 private:
  std::atomic<bool> cancelled_{false};
};

}  // namespace cfv
