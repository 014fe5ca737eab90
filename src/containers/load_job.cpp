#include "containers/load_job.h"

#include <utility>

namespace cfv {

// The core's observer on the worker thread: files into the buffer, counts
// to the progress.
class LoadJob::Relay final : public LoadObserver {
 public:
  Relay(LoadJob& job, JobContext& context) : job_(job), context_(context) {}

  void FileLoaded(EntryTree&& tree) override {
    {
      const std::lock_guard lock(job_.mutex_);
      // Copied, not taken: the core keeps its tree's storage for the next file.
      job_.ready_.AppendTree(tree);
      if (job_.ready_.Size() < kBufferLimit) return;
    }
    context_.Hurry();
    context_.WaitUntil([this] {
      const std::lock_guard lock(job_.mutex_);
      return job_.ready_.Size() < kBufferLimit;
    });
  }
  void TotalCounted(std::int32_t done, std::int32_t total) override { Report(done, total); }
  void DoneAdvanced(std::int32_t done, std::int32_t total) override { Report(done, total); }

 private:
  void Report(std::int32_t done, std::int32_t total) {
    context_.Progress(static_cast<std::uint32_t>(done), static_cast<std::uint32_t>(total));
  }

  LoadJob& job_;
  JobContext& context_;
};

LoadJob::LoadJob(std::vector<std::filesystem::path> paths, Sink sink, LoadRoutine routine)
    : paths_(std::move(paths)),
      sink_(std::move(sink)),
      routine_(routine ? std::move(routine) : LoadRoutine(LoadDroppedPaths)) {}

void LoadJob::Run(JobContext& context) {
  Relay relay(*this, context);
  routine_(paths_, control_, relay);
  context.Pause(kClosingPause);
}

void LoadJob::Collect() {
  EntryTree files;
  {
    const std::lock_guard lock(mutex_);
    std::swap(files, ready_);
  }
  if (!files.Empty() && sink_) sink_(std::move(files));
}

void LoadJob::Cancel() {
  control_.abortRequested.store(true);
  Job::Cancel();
}

}  // namespace cfv
