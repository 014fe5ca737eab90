// The export engine on real custom files in a temporary folder.
#include "export/export_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <string>

#include "custom_file_builder.h"
#include "export_test_support.h"

namespace cfv {
namespace {

using test::Branch;
using test::Leaf;
using test::Listing;
using test::ReadFile;
using test::ScriptedUser;
using Strings = std::vector<std::string>;

const std::string kText = "hello\r\nworld\r\n";

// hero.npc: face.bm (a bitmap, zlib-compressed) and a branch body.cmp holding
// a.t (text, gzip-compressed).
std::vector<test::Entry> HeroEntries() {
  return {Leaf("face.bm", test::Zlib(test::MakeBmp(2, 2))),
          Branch("body.cmp", {Leaf("a.t", test::Gzip(kText))})};
}

struct HeroCase {
  ExportOptions options;
  Strings listing;
};

class HeroExample : public ::testing::TestWithParam<HeroCase> {};

TEST_P(HeroExample, WritesTheCheckedEntriesBesideTheCustomFile) {
  test::TempDir dir;
  test::WriteFile(dir / "hero.npc", test::Serialize(HeroEntries()));
  EntryTree tree = test::LoadAllChecked({dir / "hero.npc"});
  ExportState state;
  ScriptedUser user;
  const ExportSummary summary = ExportEngine(tree, state, user).Run(GetParam().options);

  EXPECT_EQ(Listing(dir.path()), GetParam().listing);
  EXPECT_EQ(user.events, Strings{"finished"});
  EXPECT_TRUE(summary.AllWritten());
  const bool renamed = GetParam().options.renameExtension != 0;
  EXPECT_EQ(ReadFile(dir / (renamed ? "hero/body/a.txt" : "hero/body/a.t")), kText);
  EXPECT_EQ(ReadFile(dir / (renamed ? "hero/face.bmp" : "hero/face.bm")), test::MakeBmp(2, 2));
  if (GetParam().options.skipExtractable == 0) {
    EXPECT_EQ(ReadFile(dir / "hero/body.cmp"), test::Serialize({Leaf("a.t", test::Gzip(kText))}));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Options, HeroExample,
    ::testing::Values(
        HeroCase{{0, 0, {}, false},
                 {"hero.npc", "hero/", "hero/body.cmp", "hero/body/", "hero/body/a.t", "hero/face.bm"}},
        HeroCase{{0, 1, {}, false},
                 {"hero.npc", "hero/", "hero/body.cmp", "hero/body/", "hero/body/a.txt", "hero/face.bmp"}},
        HeroCase{{1, 0, {}, false}, {"hero.npc", "hero/", "hero/body/", "hero/body/a.t", "hero/face.bm"}},
        HeroCase{{1, 1, {}, false}, {"hero.npc", "hero/", "hero/body/", "hero/body/a.txt", "hero/face.bmp"}}),
    [](const auto& row) { return std::to_string(row.index); });

TEST(Export, ACheckedEntryUnderAnUncheckedBranchIsWrittenWithItsFolders) {
  test::TempDir dir;
  test::WriteFile(dir / "hero.npc", test::Serialize(HeroEntries()));
  EntryTree tree = test::LoadAllChecked({dir / "hero.npc"});
  tree.CheckAll(false);
  tree.SetChecked(test::FindItem(tree, "a.t"), true);
  ExportState state;
  ScriptedUser user;
  ExportEngine(tree, state, user).Run(ExportOptions{});
  EXPECT_EQ(Listing(dir.path()), (Strings{"hero.npc", "hero/", "hero/body/", "hero/body/a.txt"}));
  EXPECT_EQ(user.events, Strings{"finished"});
}

TEST(Export, AnEmptyTreeOrNothingCheckedMakesNoFolderAndStillFinishes) {
  test::TempDir dir;
  test::WriteFile(dir / "hero.npc", test::Serialize(HeroEntries()));
  {
    EntryTree empty;
    ExportState state;
    ScriptedUser user;
    const ExportSummary summary = ExportEngine(empty, state, user).Run(ExportOptions{});
    EXPECT_EQ(user.events, Strings{"finished"});
    EXPECT_EQ(summary.written, 0u);
  }
  EntryTree tree = test::LoadAllChecked({dir / "hero.npc"});
  tree.CheckAll(false);
  ExportState state;
  ScriptedUser user;
  ExportEngine(tree, state, user).Run(ExportOptions{});
  EXPECT_EQ(Listing(dir.path()), Strings{"hero.npc"});
  EXPECT_EQ(user.events, Strings{"finished"});
}

// Two siblings share one output name; a third entry comes later with a name
// of its own. The second sibling meets the question about the first's file.
struct SiblingCase {
  OverwriteAnswer answer;
  std::string shared;  // content of x.txt at the end
  bool laterWritten;
  std::uint32_t declined;
  std::uint32_t cancelled;
};

class SameNameSiblings : public ::testing::TestWithParam<SiblingCase> {};

TEST_P(SameNameSiblings, TheSecondMeetsTheQuestion) {
  test::TempDir dir;
  test::WriteFile(dir / "hero.npc", test::Serialize({Leaf("x.t", "first"), Leaf("x.t", "second"),
                                                     Branch("later.cmp", {Leaf("y.t", "later")})}));
  EntryTree tree = test::LoadAllChecked({dir / "hero.npc"});
  ExportState state;
  ScriptedUser user({GetParam().answer});
  const ExportSummary summary = ExportEngine(tree, state, user).Run(ExportOptions{});

  const std::string target = (dir / "hero/x.txt").string();
  EXPECT_EQ(user.events, (Strings{"ask " + target, "finished"}));
  EXPECT_EQ(state.overwriteAnswer, GetParam().answer);
  EXPECT_EQ(ReadFile(dir / "hero/x.txt"), GetParam().shared);
  // The folder of a later entry is made even after a Cancel.
  EXPECT_TRUE(std::filesystem::is_directory(dir / "hero/later"));
  EXPECT_EQ(std::filesystem::exists(dir / "hero/later/y.txt"), GetParam().laterWritten);
  EXPECT_EQ(summary.declined, GetParam().declined);
  EXPECT_EQ(summary.cancelled, GetParam().cancelled);
}

INSTANTIATE_TEST_SUITE_P(Answers, SameNameSiblings,
                         ::testing::Values(SiblingCase{OverwriteAnswer::kYes, "second", true, 0, 0},
                                           // A No holds for its own file only.
                                           SiblingCase{OverwriteAnswer::kNo, "first", true, 1, 0},
                                           // The cancelled entry and y.t (later.cmp is a branch,
                                           // skipped before any reading).
                                           SiblingCase{OverwriteAnswer::kCancel, "first", false, 0, 2}),
                         [](const auto& row) { return std::to_string(row.index); });

TEST(Export, CancelAtTheFirstQuestionWritesNothingButMakesLaterFolders) {
  test::TempDir dir;
  test::WriteFile(dir / "hero.npc", test::Serialize(HeroEntries()));
  test::WriteFile(dir / "hero/face.bmp", "old");
  EntryTree tree = test::LoadAllChecked({dir / "hero.npc"});
  ExportState state;
  ScriptedUser user({OverwriteAnswer::kCancel});
  ExportEngine(tree, state, user).Run(ExportOptions{});
  EXPECT_EQ(user.events, (Strings{"ask " + (dir / "hero/face.bmp").string(), "finished"}));
  EXPECT_EQ(Listing(dir.path()), (Strings{"hero.npc", "hero/", "hero/body/", "hero/face.bmp"}));
  EXPECT_EQ(ReadFile(dir / "hero/face.bmp"), "old");
}

TEST(Export, YesReplacesAndALaterNewFileNeedsNoQuestion) {
  test::TempDir dir;
  test::WriteFile(dir / "hero.npc", test::Serialize(HeroEntries()));
  test::WriteFile(dir / "hero/face.bmp", "old");
  EntryTree tree = test::LoadAllChecked({dir / "hero.npc"});
  ExportState state;
  state.overwriteAnswer = OverwriteAnswer::kCancel;  // left from an earlier export: reset by Run
  ScriptedUser user({OverwriteAnswer::kYes});
  const ExportSummary summary = ExportEngine(tree, state, user).Run(ExportOptions{});
  EXPECT_EQ(user.events, (Strings{"ask " + (dir / "hero/face.bmp").string(), "finished"}));
  EXPECT_EQ(ReadFile(dir / "hero/face.bmp"), test::MakeBmp(2, 2));
  EXPECT_EQ(ReadFile(dir / "hero/body/a.txt"), kText);
  EXPECT_EQ(summary.written, 2u);
  EXPECT_TRUE(summary.AllWritten());
}

TEST(Export, AFolderAtTheTargetGetsTheWriteMessageWithoutAQuestion) {
  test::TempDir dir;
  test::WriteFile(dir / "hero.npc", test::Serialize({Leaf("x.t", "one"), Leaf("y.t", "two")}));
  std::filesystem::create_directories(dir / "hero/x.txt");
  EntryTree tree = test::LoadAllChecked({dir / "hero.npc"});
  ExportState state;
  ScriptedUser user;
  const ExportSummary summary = ExportEngine(tree, state, user).Run(ExportOptions{});
  EXPECT_EQ(user.events, (Strings{"write " + (dir / "hero/x.txt").string(), "finished"}));
  EXPECT_EQ(ReadFile(dir / "hero/y.txt"), "two");
  EXPECT_EQ(summary.writeErrors, 1u);
  EXPECT_FALSE(summary.AllWritten());
}

// The destination, the all-answers, a cancel from progress, dry runs and the
// causes, on game/hero.npc (x.t, body.cmp holding a.t, y.t) and game/nox (a
// custom file without an extension, holding n.t), with game/hero/x.txt and
// game/hero/y.txt already there unless a row removes them. Paths in the
// expectations are relative to the temporary folder.
struct ScenarioCase {
  const char* name;
  std::vector<std::string> inputs;  // below game/
  bool toOut = false;               // destination: out/
  bool dryRun = false;
  std::deque<OverwriteAnswer> answers;
  std::uint32_t cancelAt = ~0u;
  Strings listing;  // of out/ when toOut, else of game/
  Strings asked;    // targets asked about
  Strings causes;
  std::uint32_t written, notOverwritten, failed;
};

class Scenario : public ::testing::TestWithParam<ScenarioCase> {};

TEST_P(Scenario, Runs) {
  const ScenarioCase& c = GetParam();
  test::TempDir dir;
  test::WriteFile(dir / "game/hero.npc",
                  test::Serialize({Leaf("x.t", "new x"), Branch("body.cmp", {Leaf("a.t", test::Zlib("a"))}),
                                   Leaf("y.t", "new y")}));
  test::WriteFile(dir / "game/nox", test::Serialize({Leaf("n.t", "n")}));
  test::WriteFile(dir / "game/hero/x.txt", "old x");
  test::WriteFile(dir / "game/hero/y.txt", "old y");
  if (c.toOut) test::WriteFile(dir / "out/hero/y.txt", "old y");
  std::vector<std::filesystem::path> files;
  for (const std::string& input : c.inputs) files.push_back(dir / "game" / input);
  EntryTree tree = test::LoadAllChecked(files);
  ExportState state;
  ScriptedUser user(c.answers);
  user.cancelAt = c.cancelAt;
  ExportOptions options;
  if (c.toOut) options.destination = dir / "out";
  options.dryRun = c.dryRun;
  const ExportSummary summary = ExportEngine(tree, state, user).Run(options);

  const std::string prefix = dir.path().string() + "/";
  const auto relative = [&](Strings lines) {
    for (std::string& line : lines)
      for (auto at = line.find(prefix); at != std::string::npos; at = line.find(prefix))
        line.erase(at, prefix.size());
    return lines;
  };
  Strings asked;
  for (const std::string& event : relative(user.events))
    if (event.starts_with("ask ")) asked.push_back(event.substr(4));
  EXPECT_EQ(Listing(dir / (c.toOut ? "out" : "game")), c.listing);
  EXPECT_EQ(asked, c.asked);
  EXPECT_EQ(relative(user.causes), c.causes);
  EXPECT_EQ(summary.written, c.written);
  EXPECT_EQ(summary.NotOverwritten(), c.notOverwritten);
  EXPECT_EQ(summary.Failed(), c.failed);
  EXPECT_EQ(user.written.size(), c.written);
  EXPECT_EQ(user.events.back(), "finished");
  // Progress: before each entry to be written (3 of hero.npc, 1 of nox),
  // the refused and cancelled ones included.
  const std::size_t total =
      3 * std::ranges::count(c.inputs, "hero.npc") + std::ranges::count(c.inputs, "nox");
  ASSERT_EQ(user.progress.size(), total);
  EXPECT_TRUE(
      user.progress.back().starts_with(std::to_string(total - 1) + "/" + std::to_string(total) + " "));
}

const Strings kGameAsItWas = {"hero.npc", "hero/", "hero/x.txt", "hero/y.txt", "nox"};
const Strings kGameWritten = {"hero.npc",   "hero/",      "hero/body/", "hero/body/a.txt",
                              "hero/x.txt", "hero/y.txt", "nox"};

INSTANTIATE_TEST_SUITE_P(Rows, Scenario,
                         ::testing::Values(
                             // Beside a custom file without an extension there is no room for
                             // its folder: one refusal, each entry counted as failed.
                             ScenarioCase{"NoExtension",
                                          {"nox"},
                                          false,
                                          false,
                                          {},
                                          ~0u,
                                          kGameAsItWas,
                                          {},
                                          {"no-extension game/nox 0"},
                                          0,
                                          0,
                                          1},
                             // With a destination, it gets a folder there; the game folder is
                             // left as it was.
                             ScenarioCase{"Destination",
                                          {"hero.npc", "nox"},
                                          true,
                                          false,
                                          {OverwriteAnswer::kYes},
                                          ~0u,
                                          {"hero/", "hero/body/", "hero/body/a.txt", "hero/x.txt",
                                           "hero/y.txt", "nox/", "nox/n.txt"},
                                          {"out/hero/y.txt"},
                                          {},
                                          4,
                                          0,
                                          0},
                             ScenarioCase{"YesToAll",
                                          {"hero.npc"},
                                          false,
                                          false,
                                          {OverwriteAnswer::kYesToAll},
                                          ~0u,
                                          kGameWritten,
                                          {"game/hero/x.txt"},
                                          {},
                                          3,
                                          0,
                                          0},
                             ScenarioCase{"NoToAll",
                                          {"hero.npc"},
                                          false,
                                          false,
                                          {OverwriteAnswer::kNoToAll},
                                          ~0u,
                                          kGameWritten,
                                          {"game/hero/x.txt"},
                                          {},
                                          1,
                                          2,
                                          0},
                             // Cancel from progress before a.t: x.t is written, nothing after
                             // it, but the walk still makes the later folders.
                             ScenarioCase{
                                 "CancelFromProgress",
                                 {"hero.npc"},
                                 false,
                                 false,
                                 {OverwriteAnswer::kYes},
                                 1,
                                 {"hero.npc", "hero/", "hero/body/", "hero/x.txt", "hero/y.txt", "nox"},
                                 {"game/hero/x.txt"},
                                 {},
                                 1,
                                 0,
                                 0},
                             // A dry run asks nothing and creates nothing.
                             ScenarioCase{"DryRunToDestination",
                                          {"hero.npc", "nox"},
                                          true,
                                          true,
                                          {},
                                          ~0u,
                                          {"hero/", "hero/y.txt"},
                                          {},
                                          {},
                                          4,
                                          0,
                                          0},
                             ScenarioCase{"DryRunBeside",
                                          {"hero.npc", "nox"},
                                          false,
                                          true,
                                          {},
                                          ~0u,
                                          kGameAsItWas,
                                          {},
                                          {"no-extension game/nox 0"},
                                          3,
                                          0,
                                          1}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(Export, TwoCustomFilesSharingAFolderMeetTheQuestion) {
  test::TempDir dir;
  test::WriteFile(dir / "hero.npc", test::Serialize({Leaf("x.t", "npc")}));
  test::WriteFile(dir / "hero.god", test::Serialize({Leaf("x.t", "god"), Leaf("z.t", "z")}));
  EntryTree tree = test::LoadAllChecked({dir / "hero.npc", dir / "hero.god"});
  ExportState state;
  ScriptedUser user({OverwriteAnswer::kNo});
  ExportEngine(tree, state, user).Run(ExportOptions{});
  EXPECT_EQ(user.events, (Strings{"ask " + (dir / "hero/x.txt").string(), "finished"}));
  EXPECT_EQ(ReadFile(dir / "hero/x.txt"), "npc");
  EXPECT_EQ(ReadFile(dir / "hero/z.txt"), "z");
}

TEST(Export, ACustomFileLoadedTwiceMeetsTheQuestionForEachEntry) {
  test::TempDir dir;
  test::WriteFile(dir / "hero.npc", test::Serialize({Leaf("x.t", "x"), Leaf("y.t", "y")}));
  EntryTree tree = test::LoadAllChecked({dir / "hero.npc", dir / "hero.npc"});
  ExportState state;
  ScriptedUser user({OverwriteAnswer::kYes, OverwriteAnswer::kNo});
  const ExportSummary summary = ExportEngine(tree, state, user).Run(ExportOptions{});
  EXPECT_EQ(user.events, (Strings{"ask " + (dir / "hero/x.txt").string(),
                                  "ask " + (dir / "hero/y.txt").string(), "finished"}));
  EXPECT_EQ(summary.written, 3u);
  EXPECT_EQ(summary.declined, 1u);
  EXPECT_EQ(Listing(dir / "hero"), (Strings{"x.txt", "y.txt"}));
}

TEST(Export, NamesAreStoredAsWindowsStoresThem) {
  test::TempDir dir;
  test::WriteFile(dir / "hero.npc",
                  test::Serialize({Leaf("sub\\x.t", "backslash"), Leaf("s2/y.t", "slash"),
                                   Leaf("顔グラ.bm", test::MakeBmp(1, 1)),  // Shift_JIS in the file
                                   Leaf("  blank  .t", "blanks"), Leaf("dots...", "dots"),
                                   Branch("abc .cmp", {Leaf("in.t", "inside")}), Branch("tail..cmp", {})}));
  EntryTree tree = test::LoadAllChecked({dir / "hero.npc"});
  ExportState state;
  ScriptedUser user;
  const ExportSummary summary = ExportEngine(tree, state, user).Run(ExportOptions{0, 1, {}, false});
  EXPECT_EQ(user.events, Strings{"finished"});
  EXPECT_TRUE(summary.AllWritten());
  EXPECT_EQ(Listing(dir.path()),
            (Strings{"hero.npc", "hero/", "hero/abc.cmp", "hero/abc/", "hero/abc/in.txt", "hero/blank.txt",
                     "hero/dots", "hero/s2/", "hero/s2/y.txt", "hero/sub/", "hero/sub/x.txt",
                     "hero/tail..cmp", "hero/顔グラ.bmp"}));
  EXPECT_EQ(ReadFile(dir / "hero/abc/in.txt"), "inside");
  EXPECT_EQ(ReadFile(dir / "hero/dots"), "dots");
}

TEST(Export, AnUnreadableCustomFileGetsTheReadMessageForEachEntry) {
  test::TempDir dir;
  test::WriteFile(dir / "hero.npc", test::Serialize({Leaf("x.t", "one"), Leaf("y.t", "two")}));
  test::WriteFile(dir / "other.npc", test::Serialize({Leaf("z.t", "z")}));
  EntryTree tree = test::LoadAllChecked({dir / "hero.npc", dir / "other.npc"});
  std::filesystem::remove(dir / "hero.npc");
  ExportState state;
  ScriptedUser user;
  const ExportSummary summary = ExportEngine(tree, state, user).Run(ExportOptions{});
  const std::string hero = (dir / "hero.npc").string();
  EXPECT_EQ(user.events, (Strings{"read " + hero, "read " + hero, "finished"}));
  EXPECT_EQ(summary.readErrors, 2u);
  EXPECT_EQ(ReadFile(dir / "other/z.txt"), "z");
}

// The tree keeps offsets only: a custom file replaced after loading is read
// as it is now, and an offset that no longer holds a header is a read error.
TEST(Export, ACustomFileChangedAfterLoadingGetsTheReadMessage) {
  test::TempDir dir;
  test::WriteFile(dir / "hero.npc", test::Serialize({Leaf("x.t", "one"), Leaf("y.t", "two")}));
  EntryTree tree = test::LoadAllChecked({dir / "hero.npc"});
  test::WriteFile(dir / "hero.npc", test::Serialize({Leaf("x.t", "ONE")}) + std::string(60, 'z'));
  ExportState state;
  ScriptedUser user;
  const ExportSummary summary = ExportEngine(tree, state, user).Run(ExportOptions{});
  EXPECT_EQ(user.events, (Strings{"read " + (dir / "hero.npc").string(), "finished"}));
  EXPECT_EQ(ReadFile(dir / "hero/x.txt"), "ONE");
  EXPECT_EQ(summary.readErrors, 1u);
  EXPECT_EQ(Listing(dir / "hero"), Strings{"x.txt"});
}

TEST(Export, OverwriteKeepsTheOldFilesPermissions) {
  test::TempDir dir;
  test::WriteFile(dir / "hero.npc", test::Serialize({Leaf("x.t", "new")}));
  test::WriteFile(dir / "hero/x.txt", "old");
  std::filesystem::permissions(dir / "hero/x.txt", std::filesystem::perms(0640));
  EntryTree tree = test::LoadAllChecked({dir / "hero.npc"});
  ExportState state;
  ScriptedUser user({OverwriteAnswer::kYes});
  ExportEngine(tree, state, user).Run(ExportOptions{});
  EXPECT_EQ(ReadFile(dir / "hero/x.txt"), "new");
  EXPECT_EQ(std::filesystem::status(dir / "hero/x.txt").permissions(), std::filesystem::perms(0640));
  EXPECT_EQ(Listing(dir / "hero"), Strings{"x.txt"});  // no temporary file left
}

}  // namespace
}  // namespace cfv
