// Test helper for the load tests: a LoadObserver that writes down what a
// load reports, in order: "count done/total", "done done/total", and
// "<path below base>: <first entry>" for each loaded file. Each call is then
// passed on to `next`, when given, and onLoaded / onCounted run last.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

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
  void Note(const std::string& what, std::int64_t done, std::int64_t total) {
    events.push_back(what + std::to_string(done) + "/" + std::to_string(total));
  }
  // The line of each file (root item) in `tree`, each followed by `then`.
  void Record(const EntryTree& tree, const std::function<void()>& then = {}) {
    for (ItemId root = tree.FirstRoot(); root != kNoItem; root = tree.NextSibling(root)) {
      events.push_back(std::filesystem::path(tree.Text(root)).lexically_relative(base_).string() + ": " +
                       std::string(tree.Text(tree.FirstChild(root))));
      if (then) then();
    }
  }
  std::string Joined() const {
    std::string out;
    for (const std::string& event : events) out += (out.empty() ? "" : ", ") + event;
    return out;
  }

  std::vector<std::string> events;
  std::function<void()> onLoaded;
  std::function<void()> onCounted;

 private:
  std::filesystem::path base_;
  LoadObserver* next_;
};

}  // namespace cfv::test
