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

std::size_t OpenDescriptors() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

// Steps on one cache in a temporary folder: "open E/a/b" opens folder a/b
// of export folder E and creates a file named by the step's number through
// the handle; "fail:N E/a" expects the open to fail with errno N (a ".."
// component marks the path as leaving its folder); "mv A B" renames;
// "size N" expects N folders kept and N descriptors held; "clear"; anything
// else goes to test::ApplySteps. Out: everything in the folder afterwards.
struct Row {
  const char* name;
  Strings steps;
  Strings listing;
};

// clang-format off
const Row kRows[] = {
  // A kept handle follows its folder when renamed; a fresh open makes it again.
  {"KeepsTheFolderOpen", {"open hero/body", "mv hero/body hero/moved", "open hero/body", "size 1"}, {"hero/", "hero/moved/", "hero/moved/0", "hero/moved/2"}},
  {"TheDeepestKeptFolderServes", {"open hero/body", "open hero", "mv hero/body hero/moved", "open hero/body"}, {"hero/", "hero/1", "hero/moved/", "hero/moved/0", "hero/moved/3"}},
  {"ClearStartsAfresh", {"open hero/body", "mv hero/body hero/moved", "clear", "size 0", "open hero/body"}, {"hero/", "hero/body/", "hero/body/4", "hero/moved/", "hero/moved/0"}},
  // Folders above, beside and in another export folder get handles of their own.
  {"EachFolderItsOwn", {"open hero/a/b", "open hero/a", "open hero", "open hero/b", "open villain/a/b", "open hero/a/b", "open hero/a", "open hero", "open hero/b", "open villain/a/b"},
   {"hero/", "hero/2", "hero/7", "hero/a/", "hero/a/1", "hero/a/6", "hero/a/b/", "hero/a/b/0", "hero/a/b/5", "hero/b/", "hero/b/3", "hero/b/8", "villain/", "villain/a/", "villain/a/b/", "villain/a/b/4", "villain/a/b/9"}},
  // Below a kept folder a link planted since is not followed.
  {"LinkBelowAKeptFolder", {"outside/", "open hero/a", "hero/a/b->outside", "fail:20 hero/a/b", "fail:20 hero/a/b/c", "size 1"}, {"hero/", "hero/a/", "hero/a/1", "hero/a/b@", "outside/"}},
  {"AFailureIsTriedAgain", {"hero/a=file", "fail:20 hero/a", "hero/a!", "open hero/a"}, {"hero/", "hero/a/", "hero/a/3"}},
  {"LeavingIsRefused", {"fail:13 hero/../x"}, {}},
  // The least recently used goes first: 6..9 are kept, using 6 makes 7 the oldest.
  {"HoldsAtMostItsCapacity", {"open hero/0", "open hero/1", "open hero/2", "open hero/3", "open hero/4", "open hero/5", "open hero/6", "open hero/7", "open hero/8",
    "open hero/9", "size 4", "open hero/6", "open hero/new", "mv hero/6 hero/6-moved", "mv hero/7 hero/7-moved", "open hero/6", "open hero/7", "size 4", "clear", "size 0"},
   {"hero/", "hero/0/", "hero/0/0", "hero/1/", "hero/1/1", "hero/2/", "hero/2/2", "hero/3/", "hero/3/3", "hero/4/", "hero/4/4", "hero/5/", "hero/5/5", "hero/6-moved/",
    "hero/6-moved/11", "hero/6-moved/15", "hero/6-moved/6", "hero/7-moved/", "hero/7-moved/7", "hero/7/", "hero/7/16", "hero/8/", "hero/8/8", "hero/9/", "hero/9/9", "hero/new/", "hero/new/12"}},
};
// clang-format on

void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

class Steps : public ::testing::TestWithParam<Row> {};

TEST_P(Steps, Run) {
  test::TempDir dir;
  OutputFolderCache cache;
  const std::size_t before = OpenDescriptors();
  for (std::size_t i = 0; i < GetParam().steps.size(); ++i) {
    const std::string& step = GetParam().steps[i];
    const std::size_t space = step.find(' ');
    const std::string verb = step.substr(0, space), arg = step.substr(space + 1);
    SCOPED_TRACE(step);
    OutputPath folder;
    for (std::size_t at = 0, end = 0; end != std::string::npos; at = end + 1) {
      end = arg.find('/', at);
      const std::string component = arg.substr(at, end - at);
      if (at == 0)
        folder.exportFolder = dir / component;
      else
        folder.components.push_back(component);
      folder.leavesExportFolder |= component == "..";
    }
    if (verb == "open") {
      const FolderHandle& handle = cache.Open(folder, true);
      ASSERT_TRUE(handle);
      const int fd =
          ::openat(handle.fd(), std::to_string(i).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      ASSERT_GE(fd, 0);
      ::close(fd);
    } else if (verb.starts_with("fail:")) {
      EXPECT_FALSE(cache.Open(folder, true));
      EXPECT_EQ(errno, std::stoi(verb.substr(5)));
    } else if (verb == "mv") {
      std::filesystem::rename(dir / arg.substr(0, arg.find(' ')), dir / arg.substr(arg.find(' ') + 1));
    } else if (verb == "size") {
      EXPECT_EQ(cache.size(), std::stoul(arg));
      EXPECT_EQ(OpenDescriptors(), before + std::stoul(arg));
    } else if (verb == "clear") {
      cache.Clear();
    } else {
      test::ApplySteps(dir.path(), {step});
    }
  }
  EXPECT_EQ(Listing(dir.path()), GetParam().listing);
}

INSTANTIATE_TEST_SUITE_P(Rows, Steps, ::testing::ValuesIn(kRows),
                         [](const auto& row) { return std::string(row.param.name); });

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
  MovingUser user(dir / "hero", dir / "hero-moved");
  const ExportSummary summary = ExportEngine(tree, user).Run(ExportOptions{});
  EXPECT_EQ(summary.written, 2u);
  // The file asked about is replaced where it went with its folder.
  EXPECT_EQ(Listing(dir / "hero-moved"), Strings{"a.txt"});
  EXPECT_EQ(ReadFile(dir / "hero-moved/a.txt"), "new a");
  EXPECT_EQ(Listing(dir / "hero"), Strings{"b.txt"});
}

}  // namespace
}  // namespace cfv
