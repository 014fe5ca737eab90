// A load routine for the load tests that puts an abort at a known point of
// the load, however the threads are scheduled: the core's LoadDroppedPaths,
// held on the worker thread right after its `afterFiles`-th loaded file (0:
// after its first counting report) until the load is aborted. Only the first
// load run through it is held; later ones run free.
#pragma once

#include <atomic>
#include <memory>
#include <thread>

#include "containers/ui/load_worker.h"

namespace cfv::test {

inline LoadRoutine HoldUntilAborted(int afterFiles) {
  auto used = std::make_shared<std::atomic<bool>>(false);
  return [afterFiles, used](const std::vector<std::filesystem::path>& paths, LoadControl& control,
                            LoadObserver& observer) {
    struct Holder : LoadObserver {
      Holder(LoadObserver& to, LoadControl& c, int after) : next(to), control(c), holdAfter(after) {}
      void FileLoaded(EntryTree&& tree) override {
        next.FileLoaded(std::move(tree));
        if (++files == holdAfter) Hold();
      }
      void TotalCounted(std::int32_t done, std::int32_t total) override {
        next.TotalCounted(done, total);
        if (holdAfter == 0 && !counted) {
          counted = true;
          Hold();
        }
      }
      void DoneAdvanced(std::int32_t done, std::int32_t total) override { next.DoneAdvanced(done, total); }
      void Hold() {
        while (!control.abortRequested.load()) std::this_thread::yield();
      }
      LoadObserver& next;
      LoadControl& control;
      int holdAfter;
      int files = 0;
      bool counted = false;
    } holder(observer, control, used->exchange(true) ? -1 : afterFiles);
    LoadDroppedPaths(paths, control, holder);
  };
}

}  // namespace cfv::test
