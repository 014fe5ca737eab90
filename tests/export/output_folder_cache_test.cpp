// The folders an export keeps open between entries: kept handles are reused
// and are as safe as a fresh open; the cache forgets what it should and
// never holds more than its few descriptors.
#include "export/output_folder_cache.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>

#include "custom_file_builder.h"
#include "export/export_engine.h"
#include "export_test_support.h"

namespace cfv {
namespace {

using test::Leaf;
using test::Listing;
using test::ReadFile;
using Strings = std::vector<std::string>;

OutputPath Folder(const std::filesystem::path& exportFolder, Strings components = {}) {
  OutputPath path;
  path.exportFolder = exportFolder;
  path.components = std::move(components);
  return path;
}

// Creates an empty file `name` through the open folder.
void Touch(const FolderHandle& folder, const char* name) {
  const int fd = ::openat(folder.fd(), name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  ASSERT_GE(fd, 0) << name;
  ::close(fd);
}

// A folder renamed after it was opened tells a kept handle from a fresh one:
// a kept handle still writes into the folder under its new name, a fresh
// open makes the folder again at the old path.
TEST(OutputFolderCache, KeepsTheFolderOpenForTheNextEntry) {
  test::TempDir dir;
  OutputFolderCache cache;
  ASSERT_TRUE(cache.Open(Folder(dir / "hero", {"body"}), true));
  std::filesystem::rename(dir / "hero/body", dir / "hero/moved");
  const FolderHandle& again = cache.Open(Folder(dir / "hero", {"body"}), true);
  ASSERT_TRUE(again);
  Touch(again, "x");
  EXPECT_EQ(Listing(dir / "hero"), (Strings{"moved/", "moved/x"}));
  EXPECT_EQ(cache.size(), 1u);
}

TEST(OutputFolderCache, ClearMakesTheNextOpenStartAfresh) {
  test::TempDir dir;
  OutputFolderCache cache;
  ASSERT_TRUE(cache.Open(Folder(dir / "hero", {"body"}), true));
  std::filesystem::rename(dir / "hero/body", dir / "hero/moved");
  cache.Clear();
  EXPECT_EQ(cache.size(), 0u);
  const FolderHandle& again = cache.Open(Folder(dir / "hero", {"body"}), true);
  ASSERT_TRUE(again);
  Touch(again, "x");
  EXPECT_EQ(Listing(dir / "hero"), (Strings{"body/", "body/x", "moved/"}));
}

// Another folder of the same export folder, another export folder and a
// folder above a kept one are never answered with a kept handle of
// something else.
TEST(OutputFolderCache, EachFolderGetsItsOwnHandle) {
  test::TempDir dir;
  OutputFolderCache cache;
  const std::vector<OutputPath> folders = {
      Folder(dir / "hero", {"a", "b"}), Folder(dir / "hero", {"a"}),         Folder(dir / "hero"),
      Folder(dir / "hero", {"b"}),      Folder(dir / "villain", {"a", "b"}),
  };
  const char* names[] = {"1", "2", "3", "4", "5"};
  for (int round = 0; round < 2; ++round) {
    for (std::size_t i = 0; i < folders.size(); ++i) {
      const FolderHandle& handle = cache.Open(folders[i], true);
      ASSERT_TRUE(handle) << i;
      if (round == 0) Touch(handle, names[i]);
    }
  }
  EXPECT_EQ(Listing(dir / "hero"), (Strings{"3", "a/", "a/2", "a/b/", "a/b/1", "b/", "b/4"}));
  EXPECT_EQ(Listing(dir / "villain"), (Strings{"a/", "a/b/", "a/b/5"}));
}

// A folder below a kept one is opened from the kept handle, still without
// following a link planted there since.
TEST(OutputFolderCache, AFolderBelowAKeptOneDoesNotFollowAPlantedLink) {
  test::TempDir dir;
  std::filesystem::create_directories(dir / "outside");
  OutputFolderCache cache;
  ASSERT_TRUE(cache.Open(Folder(dir / "hero", {"a"}), true));
  std::filesystem::create_directory_symlink(dir / "outside", dir / "hero/a/b");
  EXPECT_FALSE(cache.Open(Folder(dir / "hero", {"a", "b"}), true));
  EXPECT_FALSE(cache.Open(Folder(dir / "hero", {"a", "b", "c"}), true));
  EXPECT_EQ(Listing(dir / "outside"), Strings{});
  EXPECT_EQ(cache.size(), 1u);
}

// A failure is not kept: once the obstacle is gone the folder opens.
TEST(OutputFolderCache, AFailureIsTriedAgain) {
  test::TempDir dir;
  test::WriteFile(dir / "hero/a", "a file where a folder is wanted");
  OutputFolderCache cache;
  EXPECT_FALSE(cache.Open(Folder(dir / "hero", {"a"}), true));
  EXPECT_EQ(errno, ENOTDIR);
  std::filesystem::remove(dir / "hero/a");
  EXPECT_TRUE(cache.Open(Folder(dir / "hero", {"a"}), true));
}

TEST(OutputFolderCache, APathThatLeavesItsFolderIsRefused) {
  test::TempDir dir;
  OutputPath leaving = Folder(dir / "hero", {"..", "x"});
  leaving.leavesExportFolder = true;
  OutputFolderCache cache;
  EXPECT_FALSE(cache.Open(leaving, true));
  EXPECT_EQ(errno, EACCES);
  EXPECT_EQ(Listing(dir.path()), Strings{});
}

std::size_t OpenDescriptors() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

// The least recently used folder goes first, and the descriptors held never
// exceed the capacity.
TEST(OutputFolderCache, HoldsAtMostItsCapacity) {
  test::TempDir dir;
  OutputFolderCache cache;
  const std::size_t before = OpenDescriptors();
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(cache.Open(Folder(dir / "hero", {std::to_string(i)}), true));
  EXPECT_EQ(cache.size(), OutputFolderCache::kCapacity);
  EXPECT_EQ(OpenDescriptors(), before + OutputFolderCache::kCapacity);

  // 6..9 are kept; using 6 again makes 7 the oldest, which the next new
  // folder evicts. A kept folder follows a rename, an evicted one does not.
  ASSERT_TRUE(cache.Open(Folder(dir / "hero", {"6"}), true));
  ASSERT_TRUE(cache.Open(Folder(dir / "hero", {"new"}), true));
  std::filesystem::rename(dir / "hero/6", dir / "hero/6-moved");
  std::filesystem::rename(dir / "hero/7", dir / "hero/7-moved");
  Touch(cache.Open(Folder(dir / "hero", {"6"}), true), "x");
  Touch(cache.Open(Folder(dir / "hero", {"7"}), true), "x");
  EXPECT_TRUE(std::filesystem::exists(dir / "hero/6-moved/x"));
  EXPECT_TRUE(std::filesystem::exists(dir / "hero/7/x"));
  EXPECT_EQ(cache.size(), OutputFolderCache::kCapacity);
  cache.Clear();
  EXPECT_EQ(OpenDescriptors(), before);
}

// A user who was asked may have moved folders meanwhile: the entries after
// the question go where the folder is now, not into the one kept open.
class MovingUser : public test::ScriptedUser {
 public:
  MovingUser(std::filesystem::path from, std::filesystem::path to)
      : ScriptedUser({OverwriteAnswer::kYes}), from_(std::move(from)), to_(std::move(to)) {}
  OverwriteAnswer AskOverwrite(const std::string& targetPath) override {
    std::filesystem::rename(from_, to_);
    return ScriptedUser::AskOverwrite(targetPath);
  }

 private:
  std::filesystem::path from_, to_;
};

TEST(OutputFolderCache, TheEngineOpensFoldersAfreshAfterAQuestion) {
  test::TempDir dir;
  test::WriteFile(dir / "hero.npc", test::Serialize({Leaf("a.t", "new a"), Leaf("b.t", "b")}));
  test::WriteFile(dir / "hero/a.txt", "old a");
  EntryTree tree = test::LoadAllChecked({dir / "hero.npc"});
  ExportState state;
  MovingUser user(dir / "hero", dir / "hero-moved");
  const ExportSummary summary = ExportEngine(tree, state, user).Run(ExportOptions{});
  EXPECT_EQ(summary.written, 2u);
  // The file asked about is replaced where it went with its folder.
  EXPECT_EQ(Listing(dir / "hero-moved"), Strings{"a.txt"});
  EXPECT_EQ(ReadFile(dir / "hero-moved/a.txt"), "new a");
  EXPECT_EQ(Listing(dir / "hero"), Strings{"b.txt"});
}

}  // namespace
}  // namespace cfv
