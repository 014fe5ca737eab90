// LoadJob: the load of one drop as a Job (common/job.h).
//
// Run() loads the dropped paths (the core's LoadDroppedPaths, or the
// routine given) and then pauses kClosingPause, so that the final count
// stays on screen; a cancel cuts the pause short and stops the load after
// the file being parsed (the core's LoadControl::abortRequested).
//
// Loaded files gather in one buffer, in load order, one root item each;
// Collect() hands what has gathered to `sink` as one tree. The worker never
// waits for the UI thread except while the buffer holds kBufferLimit items
// or more: then it asks for a Collect and waits for it, so memory stays
// bounded and there is no round trip per file. The counting and done reports
// are the job's progress (done/total); a runner takes the progress before it
// collects, and the core reports a file before the count that includes it,
// so the counter never runs ahead of the files shown.
//
// Thread: as Job; `sink` is called by Collect() only.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <vector>

#include "common/job.h"
#include "containers/entry_tree.h"
#include "containers/folder_scan.h"

namespace cfv {

// What a load runs on its thread: loads `paths`, reporting to `observer`
// and heeding control.abortRequested, as LoadDroppedPaths does.
using LoadRoutine = std::function<void(const std::vector<std::filesystem::path>& paths, LoadControl& control,
                                       LoadObserver& observer)>;

class LoadJob final : public Job {
 public:
  static constexpr std::chrono::milliseconds kClosingPause{500};
  // Items the buffer may hold before the worker waits for a Collect: about
  // 4 MiB of nodes and a few MiB of names.
  static constexpr std::uint32_t kBufferLimit = 100'000;

  using Sink = std::function<void(EntryTree&&)>;

  // `routine` empty: the core's LoadDroppedPaths.
  LoadJob(std::vector<std::filesystem::path> paths, Sink sink, LoadRoutine routine = {});

  void Run(JobContext& context) override;
  void Collect() override;
  void Cancel() override;

 private:
  class Relay;

  const std::vector<std::filesystem::path> paths_;
  const Sink sink_;
  const LoadRoutine routine_;
  LoadControl control_;
  std::mutex mutex_;
  EntryTree ready_;  // loaded files not yet collected, one root each
};

}  // namespace cfv
