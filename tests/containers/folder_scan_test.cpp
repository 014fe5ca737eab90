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

  Events Loads() const {
    Events loads;
    for (const auto& e : events) {
      if (e.rfind("load ", 0) == 0) loads.push_back(e.substr(5));
    }
    return loads;
  }

  Events events;
  std::function<void()> onLoaded;
  std::function<void()> onCounted;

 private:
  std::string base_;
};

void CustomFile(const std::filesystem::path& path) {
  test::WriteFile(path, test::Serialize({test::Leaf(path.filename().string(), "data")}));
}

void OtherFile(const std::filesystem::path& path) { test::WriteFile(path, "not a custom file, just text\n"); }

// The worked example: F holds a, b and S; S holds c, d and T; T holds e.
void MakeWorkedExample(const test::TempDir& dir) {
  CustomFile(dir / "F/a");
  CustomFile(dir / "F/b");
  CustomFile(dir / "F/S/c");
  CustomFile(dir / "F/S/d");
  CustomFile(dir / "F/S/T/e");
}

TEST(FolderScan, WorkedExample) {
  test::TempDir dir;
  MakeWorkedExample(dir);
  LoadControl control;
  Recorder rec(dir.path());
  LoadDroppedPaths({dir / "F"}, control, rec);
  EXPECT_EQ(rec.events, (Events{"count 0/3", "count 0/6", "load F/a", "load F/b", "load F/S/c", "load F/S/d",
                                "load F/S/T/e", "done 3/6", "done 6/6"}));
  EXPECT_EQ(control.progressDone.load(), 6);
  EXPECT_EQ(control.progressTotal.load(), 6);
}

TEST(FolderScan, RootTextIsTheFullPath) {
  test::TempDir dir;
  CustomFile(dir / "F/a.god");
  LoadControl control;
  std::vector<std::string> roots;
  struct Keep : LoadObserver {
    std::vector<std::string>* roots;
    void FileLoaded(EntryTree&& tree) override { roots->emplace_back(tree.Text(tree.FirstRoot())); }
  } keep;
  keep.roots = &roots;
  LoadDroppedPaths({dir / "F", dir / "F/a.god"}, control, keep);
  EXPECT_EQ(roots, (std::vector<std::string>{(dir / "F/a.god").string(), (dir / "F/a.god").string()}));
}

TEST(FolderScan, SixLevelsLoadDepthsZeroToThree) {
  test::TempDir dir;
  std::filesystem::path folder = dir / "L0";
  for (int level = 0; level < 6; ++level) {
    CustomFile(folder / ("f" + std::to_string(level) + ".god"));
    folder /= "L" + std::to_string(level + 1);
  }
  LoadControl control;
  Recorder rec(dir.path());
  LoadDroppedPaths({dir / "L0"}, control, rec);
  EXPECT_EQ(rec.events, (Events{"count 0/2", "count 0/4", "load L0/f0.god", "load L0/L1/f1.god",
                                "load L0/L1/L2/f2.god", "load L0/L1/L2/L3/f3.god", "done 2/4", "done 4/4"}));
}

TEST(FolderScan, WindowsListingOrder) {
  test::TempDir dir;
  for (const char* name :
       {"b.god", "A.god", "_c.god", "a2.god", "Z.god", "y.god", "a.god", "~t", "10", "9"}) {
    CustomFile(dir / "F" / name);
  }
  CustomFile(dir / "F/m/inner.god");
  LoadControl control;
  Recorder rec(dir.path());
  LoadDroppedPaths({dir / "F"}, control, rec);
  EXPECT_EQ(rec.Loads(), (Events{"F/10", "F/9", "F/A.god", "F/a.god", "F/a2.god", "F/b.god", "F/m/inner.god",
                                 "F/y.god", "F/Z.god", "F/_c.god", "F/~t"}));

  std::vector<std::string> names;
  for (const FolderEntry& e : ListFolder(dir / "F")) names.push_back(e.name + (e.isFolder ? "/" : ""));
  EXPECT_EQ(names, (std::vector<std::string>{"10", "9", "A.god", "a.god", "a2.god", "b.god", "m/", "y.god",
                                             "Z.god", "_c.god", "~t"}));
}

TEST(FolderScan, HiddenFilesAndOtherFiles) {
  test::TempDir dir;
  CustomFile(dir / "F/.hidden.god");
  OtherFile(dir / "F/readme.txt");
  CustomFile(dir / "F/plain.item");
  std::filesystem::create_directory(dir / "F/.git");
  CustomFile(dir / "F/.git/inside");
  LoadControl control;
  Recorder rec(dir.path());
  LoadDroppedPaths({dir / "F"}, control, rec);
  EXPECT_EQ(rec.events, (Events{"count 0/1", "count 0/5", "load F/.git/inside", "done 1/5",
                                "load F/.hidden.god", "load F/plain.item", "done 5/5"}));
}

TEST(FolderScan, MissingPathsAreSkipped) {
  test::TempDir dir;
  CustomFile(dir / "a.god");
  LoadControl control;
  Recorder rec(dir.path());
  LoadDroppedPaths({dir / "missing", dir / "a.god", dir / "missing-folder/"}, control, rec);
  EXPECT_EQ(rec.events, (Events{"load a.god"}));

  // Called directly, a missing folder still reports its (empty) count.
  Recorder direct(dir.path());
  CountFolder(dir / "missing", 0, control, direct);
  LoadFolder(dir / "missing", 0, control, direct);
  EXPECT_EQ(direct.events, (Events{"count 0/0", "done 0/0"}));
}

TEST(FolderScan, DroppedFilesOnlyKeepTheCounterAtZero) {
  test::TempDir dir;
  CustomFile(dir / "z.god");
  OtherFile(dir / "x.npc");
  CustomFile(dir / "a.cwd");
  LoadControl control;
  Recorder rec(dir.path());
  LoadDroppedPaths({dir / "z.god", dir / "x.npc", dir / "a.cwd"}, control, rec);
  EXPECT_EQ(rec.events, (Events{"load z.god", "load a.cwd"}));
  EXPECT_EQ(control.progressDone.load(), 0);
  EXPECT_EQ(control.progressTotal.load(), 0);
}

TEST(FolderScan, TwoFoldersAreCountedBeforeEitherLoads) {
  test::TempDir dir;
  CustomFile(dir / "P/a");
  CustomFile(dir / "Q/b");
  CustomFile(dir / "Q/c");
  LoadControl control;
  Recorder rec(dir.path());
  LoadDroppedPaths({dir / "Q", dir / "P"}, control, rec);
  EXPECT_EQ(rec.events,
            (Events{"count 0/2", "count 0/3", "load Q/b", "load Q/c", "done 2/3", "load P/a", "done 3/3"}));
}

TEST(FolderScan, SameFolderTwiceLoadsItsFilesTwice) {
  test::TempDir dir;
  CustomFile(dir / "F/a");
  CustomFile(dir / "F/b");
  LoadControl control;
  Recorder rec(dir.path());
  LoadDroppedPaths({dir / "F", dir / "F"}, control, rec);
  EXPECT_EQ(rec.events, (Events{"count 0/2", "count 0/4", "load F/a", "load F/b", "done 2/4", "load F/a",
                                "load F/b", "done 4/4"}));
}

TEST(FolderScan, AbortBeforeLoadingLoadsNothing) {
  test::TempDir dir;
  MakeWorkedExample(dir);
  CustomFile(dir / "single.god");
  LoadControl control;
  control.abortRequested = true;
  Recorder rec(dir.path());
  LoadDroppedPaths({dir / "F", dir / "single.god"}, control, rec);
  // The counting pass does not look at the flag; nothing loads.
  EXPECT_EQ(rec.events, (Events{"count 0/3", "count 0/6"}));
}

TEST(FolderScan, AbortDuringCountingLoadsNothing) {
  test::TempDir dir;
  MakeWorkedExample(dir);
  LoadControl control;
  Recorder rec(dir.path());
  rec.onCounted = [&] { control.abortRequested = true; };
  LoadDroppedPaths({dir / "F"}, control, rec);
  EXPECT_EQ(rec.events, (Events{"count 0/3", "count 0/6"}));
}

TEST(FolderScan, AbortDuringLoadingLoadsNoFurtherFile) {
  test::TempDir dir;
  MakeWorkedExample(dir);
  CustomFile(dir / "after.god");
  LoadControl control;
  Recorder rec(dir.path());
  rec.onLoaded = [&] { control.abortRequested = true; };
  LoadDroppedPaths({dir / "F", dir / "after.god"}, control, rec);
  // The folder under way still reports its count; nothing else loads.
  EXPECT_EQ(rec.events, (Events{"count 0/3", "count 0/6", "load F/a", "done 3/6"}));
}

TEST(FolderScan, FifoAndSpecialEntriesAreSkippedButCounted) {
  test::TempDir dir;
  std::filesystem::create_directories(dir / "F");
  ASSERT_EQ(::mkfifo((dir / "F/pipe.god").c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo((dir / "dropped.god").c_str(), 0600), 0);
  CustomFile(dir / "F/real.god");
  LoadControl control;
  Recorder rec(dir.path());
  LoadDroppedPaths({dir / "F", dir / "dropped.god"}, control, rec);
  EXPECT_EQ(rec.events, (Events{"count 0/2", "load F/real.god", "done 2/2"}));
}

TEST(FolderScan, LinkToItselfEndsAtTheDepthLimit) {
  test::TempDir dir;
  CustomFile(dir / "F/a");
  std::filesystem::create_directory_symlink(".", dir / "F/self");
  LoadControl control;
  Recorder rec(dir.path());
  LoadDroppedPaths({dir / "F"}, control, rec);
  EXPECT_EQ(rec.Loads(), (Events{"F/a", "F/self/a", "F/self/self/a", "F/self/self/self/a"}));
  // Depths 0 and 1: two entries each.
  EXPECT_EQ(control.progressTotal.load(), 4);
  EXPECT_EQ(control.progressDone.load(), 4);
}

TEST(FolderScan, JoinPath) {
  EXPECT_EQ(JoinPath("/a/b", "c").native(), "/a/b/c");
  EXPECT_EQ(JoinPath("/a/b/", "c").native(), "/a/b/c");
  EXPECT_EQ(JoinPath("/", "c").native(), "/c");
}

}  // namespace
}  // namespace cfv
