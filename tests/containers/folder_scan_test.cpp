#include "containers/folder_scan.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "custom_file_builder.h"
#include "load_recorder.h"

namespace cfv {
namespace {

using Events = std::vector<std::string>;

// One drop per row: the folder as it was (test::ApplySteps; "p+" a small
// custom file, "p|" a named pipe), the dropped paths, when the user aborts
// (0 never, 'c' at the first count, 'l' at the first loaded file); the
// events and then "end done/total" of the progress.
struct Row {
  const char* name;
  Events folder;
  Events dropped;
  char abort;
  const char* events;
};

const Events kWorked = {"F/a+", "F/b+", "F/S/c+", "F/S/d+", "F/S/T/e+"};  // F: a, b, S; S: c, d, T; T: e
Events With(Events steps, const Events& more) {
  steps.insert(steps.end(), more.begin(), more.end());
  return steps;
}

// clang-format off
const Row kRows[] = {
  {"WorkedExample", kWorked, {"F"}, 0, "count 0/3, count 0/6, F/a: a, F/b: b, F/S/c: c, F/S/d: d, F/S/T/e: e, done 3/6, done 6/6, end 6/6"},
  {"WindowsListingOrder", {"F/b.god+", "F/A.god+", "F/_c.god+", "F/a2.god+", "F/z.god+", "F/y.god+", "F/a.god+", "F/~t+", "F/10+", "F/9+", "F/ba+", "F/m/inner.god+"}, {"F"}, 0,
   "count 0/1, count 0/13, F/10: 10, F/9: 9, F/A.god: A.god, F/a.god: a.god, F/a2.god: a2.god, F/b.god: b.god, F/ba: ba, F/m/inner.god: inner.god, done 1/13, F/y.god: y.god, F/z.god: z.god, F/_c.god: _c.god, F/~t: ~t, done 13/13, end 13/13"},
  {"HiddenAndOtherFiles", {"F/.hidden.god+", "F/readme.txt=text", "F/plain.item+", "F/.git/inside+"}, {"F"}, 0,
   "count 0/1, count 0/5, F/.git/inside: inside, done 1/5, F/.hidden.god: .hidden.god, F/plain.item: plain.item, done 5/5, end 5/5"},
  {"MissingPathsAreSkipped", {"a.god+"}, {"missing", "a.god", "missing-folder/"}, 0, "a.god: a.god, end 0/0"},
  {"DroppedFilesOnly", {"z.god+", "x.npc=text", "a.cwd+"}, {"z.god", "x.npc", "a.cwd"}, 0, "z.god: z.god, a.cwd: a.cwd, end 0/0"},
  {"TwoFoldersCountedFirst", {"P/a+", "Q/b+", "Q/c+"}, {"Q", "P"}, 0, "count 0/2, count 0/3, Q/b: b, Q/c: c, done 2/3, P/a: a, done 3/3, end 3/3"},
  // The counting pass does not look at the abort; nothing loads after it.
  {"AbortWhileCounting", kWorked, {"F"}, 'c', "count 0/3, count 0/6, end 0/6"},
  // The folder under way still reports its count; nothing else loads.
  {"AbortWhileLoading", With(kWorked, {"after.god+"}), {"F", "after.god"}, 'l', "count 0/3, count 0/6, F/a: a, done 3/6, end 3/6"},
  {"PipesSkippedButCounted", {"F/pipe.god|", "dropped.god|", "F/real.god+"}, {"F", "dropped.god"}, 0, "count 0/2, F/real.god: real.god, done 2/2, end 2/2"},
  // A link to its own folder ends at the depth limit (two entries at depths 0 and 1).
  {"LinkToItself", {"F/a+", "F/self->F"}, {"F"}, 0,
   "count 0/2, count 0/4, F/a: a, F/self/a: a, F/self/self/a: a, F/self/self/self/a: a, done 2/4, done 4/4, end 4/4"},
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
  test::LoadRecorder rec(dir.path());
  if (row.abort == 'c') rec.onCounted = [&] { control.abortRequested = true; };
  if (row.abort == 'l') rec.onLoaded = [&] { control.abortRequested = true; };
  LoadDroppedPaths(dropped, control, rec);
  rec.Note("end ", control.progressDone, control.progressTotal);
  EXPECT_EQ(rec.events, row.events);
}

INSTANTIATE_TEST_SUITE_P(Rows, FolderScan, ::testing::ValuesIn(kRows),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace cfv
