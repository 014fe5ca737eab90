#include "containers/folder_scan.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <string>
#include <vector>

#include "custom_file_builder.h"

namespace cfv {
namespace {

using Events = std::vector<std::string>;

// Records what the scan reports, one event per call: "count d/t",
// "done d/t", and "load <path relative to the temp folder>" with the entry
// count of the loaded tree.
class Recorder : public LoadObserver {
 public:
  explicit Recorder(const std::filesystem::path& base) : base_(base.native() + "/") {}

  void FileLoaded(EntryTree&& tree) override {
    std::string path(tree.Text(tree.FirstRoot()));
    if (path.rfind(base_, 0) == 0) path.erase(0, base_.size());
    events.push_back("load " + path);
    if (onLoaded) onLoaded();
  }
  void TotalCounted(std::int32_t done, std::int32_t total) override {
    events.push_back("count " + std::to_string(done) + "/" + std::to_string(total));
    if (onCounted) onCounted();
  }
  void DoneAdvanced(std::int32_t done, std::int32_t total) override {
    events.push_back("done " + std::to_string(done) + "/" + std::to_string(total));
  }

  Events events;
  std::function<void()> onLoaded;
  std::function<void()> onCounted;

 private:
  std::string base_;
};

// One drop per row: the folder as it was (test::ApplySteps; "p+" a small
// custom file, "p|" a named pipe), the dropped paths, when the user aborts
// (0 never, 'b' before the drop, 'c' at the first count, 'l' at the first
// loaded file); the events and then "end done/total" of the progress.
struct Row {
  const char* name;
  Events folder;
  Events dropped;
  char abort;
  Events events;
};

const Events kWorked = {"F/a+", "F/b+", "F/S/c+", "F/S/d+", "F/S/T/e+"};  // F: a, b, S; S: c, d, T; T: e
Events With(Events steps, const Events& more) {
  steps.insert(steps.end(), more.begin(), more.end());
  return steps;
}

// clang-format off
const Row kRows[] = {
  {"WorkedExample", kWorked, {"F"}, 0, {"count 0/3", "count 0/6", "load F/a", "load F/b", "load F/S/c", "load F/S/d", "load F/S/T/e", "done 3/6", "done 6/6", "end 6/6"}},
  {"FourLevelsOfSix", {"L0/f0.god+", "L0/L1/f1.god+", "L0/L1/L2/f2.god+", "L0/L1/L2/L3/f3.god+", "L0/L1/L2/L3/L4/f4.god+", "L0/L1/L2/L3/L4/L5/f5.god+"}, {"L0"}, 0,
   {"count 0/2", "count 0/4", "load L0/f0.god", "load L0/L1/f1.god", "load L0/L1/L2/f2.god", "load L0/L1/L2/L3/f3.god", "done 2/4", "done 4/4", "end 4/4"}},
  {"WindowsListingOrder", {"F/b.god+", "F/A.god+", "F/_c.god+", "F/a2.god+", "F/Z.god+", "F/y.god+", "F/a.god+", "F/~t+", "F/10+", "F/9+", "F/m/inner.god+"}, {"F"}, 0,
   {"count 0/1", "count 0/12", "load F/10", "load F/9", "load F/A.god", "load F/a.god", "load F/a2.god", "load F/b.god", "load F/m/inner.god", "done 1/12",
    "load F/y.god", "load F/Z.god", "load F/_c.god", "load F/~t", "done 12/12", "end 12/12"}},
  {"HiddenAndOtherFiles", {"F/.hidden.god+", "F/readme.txt=text", "F/plain.item+", "F/.git/inside+"}, {"F"}, 0,
   {"count 0/1", "count 0/5", "load F/.git/inside", "done 1/5", "load F/.hidden.god", "load F/plain.item", "done 5/5", "end 5/5"}},
  {"MissingPathsAreSkipped", {"a.god+"}, {"missing", "a.god", "missing-folder/"}, 0, {"load a.god", "end 0/0"}},
  {"DroppedFilesOnly", {"z.god+", "x.npc=text", "a.cwd+"}, {"z.god", "x.npc", "a.cwd"}, 0, {"load z.god", "load a.cwd", "end 0/0"}},
  {"TwoFoldersCountedFirst", {"P/a+", "Q/b+", "Q/c+"}, {"Q", "P"}, 0, {"count 0/2", "count 0/3", "load Q/b", "load Q/c", "done 2/3", "load P/a", "done 3/3", "end 3/3"}},
  {"SameFolderTwice", {"F/a+", "F/b+"}, {"F", "F"}, 0, {"count 0/2", "count 0/4", "load F/a", "load F/b", "done 2/4", "load F/a", "load F/b", "done 4/4", "end 4/4"}},
  // The counting pass does not look at the abort; nothing loads after it.
  {"AbortBefore", With(kWorked, {"single.god+"}), {"F", "single.god"}, 'b', {"count 0/3", "count 0/6", "end 0/6"}},
  {"AbortWhileCounting", kWorked, {"F"}, 'c', {"count 0/3", "count 0/6", "end 0/6"}},
  // The folder under way still reports its count; nothing else loads.
  {"AbortWhileLoading", With(kWorked, {"after.god+"}), {"F", "after.god"}, 'l', {"count 0/3", "count 0/6", "load F/a", "done 3/6", "end 3/6"}},
  {"PipesSkippedButCounted", {"F/pipe.god|", "dropped.god|", "F/real.god+"}, {"F", "dropped.god"}, 0, {"count 0/2", "load F/real.god", "done 2/2", "end 2/2"}},
  // A link to its own folder ends at the depth limit (two entries at depths 0 and 1).
  {"LinkToItself", {"F/a+", "F/self->F"}, {"F"}, 0,
   {"count 0/2", "count 0/4", "load F/a", "load F/self/a", "load F/self/self/a", "load F/self/self/self/a", "done 2/4", "done 4/4", "end 4/4"}},
};
// clang-format on

class FolderScan : public ::testing::TestWithParam<Row> {};

TEST_P(FolderScan, Drop) {
  const Row& row = GetParam();
  test::TempDir dir;
  for (const std::string& step : row.folder) {
    const std::filesystem::path path = dir / step.substr(0, step.size() - 1);
    if (step.ends_with("+")) {
      test::WriteSingleEntryFile(path, path.filename().string());
    } else if (step.ends_with("|")) {
      std::filesystem::create_directories(path.parent_path());
      ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    } else {
      test::ApplySteps(dir.path(), {step});
    }
  }
  std::vector<std::filesystem::path> dropped;
  for (const std::string& path : row.dropped) dropped.push_back(dir / path);
  LoadControl control;
  control.abortRequested = row.abort == 'b';
  Recorder rec(dir.path());
  if (row.abort == 'c') rec.onCounted = [&] { control.abortRequested = true; };
  if (row.abort == 'l') rec.onLoaded = [&] { control.abortRequested = true; };
  LoadDroppedPaths(dropped, control, rec);
  rec.events.push_back("end " + std::to_string(control.progressDone.load()) + "/" +
                       std::to_string(control.progressTotal.load()));
  EXPECT_EQ(rec.events, row.events);
}

INSTANTIATE_TEST_SUITE_P(Rows, FolderScan, ::testing::ValuesIn(kRows),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(FolderScanDirect, ListsInWindowsOrderAndCountsAMissingFolderAsEmpty) {
  test::TempDir dir;
  for (const char* name : {"b.god", "A.god", "_c.god", "10", "9", "m/x"})
    test::WriteFile(dir / "F" / name, "");
  std::vector<std::string> names;
  for (const FolderEntry& e : ListFolder(dir / "F")) names.push_back(e.name + (e.isFolder ? "/" : ""));
  EXPECT_EQ(names, (Events{"10", "9", "A.god", "b.god", "m/", "_c.god"}));
  LoadControl control;
  Recorder direct(dir.path());
  CountFolder(dir / "missing", 0, control, direct);
  LoadFolder(dir / "missing", 0, control, direct);
  EXPECT_EQ(direct.events, (Events{"count 0/0", "done 0/0"}));
}

TEST(FolderScan, JoinPath) {
  EXPECT_EQ(JoinPath("/a/b", "c").native(), "/a/b/c");
  EXPECT_EQ(JoinPath("/a/b/", "c").native(), "/a/b/c");
  EXPECT_EQ(JoinPath("/", "c").native(), "/c");
}

}  // namespace
}  // namespace cfv
