// Test helper for the load tests: a LoadObserver that writes down what a
// load reports, in order, in `events`: "count done/total", "done done/total",
// and "<path below base>: <first entry>" for each loaded file. Each call is
// then passed on to `next`, when given, and onLoaded / onCounted run last.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <utility>

#include "containers/folder_scan.h"

namespace cfv::test {

class LoadRecorder : public LoadObserver {
 public:
  explicit LoadRecorder(std::filesystem::path base, LoadObserver* next = nullptr)
      : base_(std::move(base)), next_(next) {}

  void FileLoaded(EntryTree&& tree) override {
    Record(tree);
    if (next_ != nullptr) next_->FileLoaded(std::move(tree));
    if (onLoaded) onLoaded();
  }
  void TotalCounted(std::int32_t done, std::int32_t total) override {
    Note("count ", done, total);
    if (next_ != nullptr) next_->TotalCounted(done, total);
    if (onCounted) onCounted();
  }
  void DoneAdvanced(std::int32_t done, std::int32_t total) override {
    Note("done ", done, total);
    if (next_ != nullptr) next_->DoneAdvanced(done, total);
  }
  void Add(const std::string& event) { events += (events.empty() ? "" : ", ") + event; }
  void Note(const std::string& what, std::int64_t done, std::int64_t total) {
    Add(what + std::to_string(done) + "/" + std::to_string(total));
  }
  // The line of each file (root item) in `tree`, each followed by `then`.
  void Record(const EntryTree& tree, const std::function<void()>& then = {}) {
    for (ItemId root = tree.FirstRoot(); root != kNoItem; root = tree.NextSibling(root)) {
      Add(std::filesystem::path(tree.Text(root)).lexically_relative(base_).string() + ": " +
          std::string(tree.Text(tree.FirstChild(root))));
      if (then) then();
    }
  }

  std::string events;  // separated by ", "
  std::function<void()> onLoaded;
  std::function<void()> onCounted;

 private:
  std::filesystem::path base_;
  LoadObserver* next_;
};

}  // namespace cfv::test
