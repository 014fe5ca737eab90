// The export's guarantees under hostile names, planted links and failing
// writes: nothing outside the export folder, no partial file, no lost file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "custom_file_builder.h"
#include "export/export_engine.h"
#include "export_test_support.h"
#include "run_process.h"

namespace cfv {
namespace {

using test::Branch;
using test::Entry;
using test::Leaf;
using test::Listing;
using test::ReadFile;
using test::ScriptedUser;
using Strings = std::vector<std::string>;

// The custom file lies in dir/game; dir/outside is a folder a hostile name
// or link would like to reach.
class CraftedNames : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir_ / "game");
    std::filesystem::create_directories(dir_ / "outside");
  }
  std::filesystem::path Game(const char* name) const { return dir_ / "game" / name; }
  std::vector<std::string> OutsideTheExportFolder() const {
    Strings out;
    for (const std::string& path : Listing(dir_.path()))
      if (path.rfind("game/hero/", 0) != 0) out.push_back(path);
    return out;
  }

  test::TempDir dir_;
};

TEST_F(CraftedNames, DotDotIsRefusedAndReportedAndNothingLeaves) {
  test::WriteFile(Game("hero.npc"),
                  test::Serialize({Leaf("..\\..\\x.t", "a"), Leaf("../x.t", "b"), Leaf("a/../../x.t", "c"),
                                   Leaf("..", "d"), Leaf("..\\outside\\x.t", "e"),
                                   Branch("..", {Leaf("under.t", "f")}), Leaf("ok.t", "g")}));
  EntryTree tree = test::LoadAllChecked({Game("hero.npc")});
  ExportState state;
  ScriptedUser user;
  const ExportSummary summary = ExportEngine(tree, state, user).Run(ExportOptions{0, 1, {}, false});

  const std::string hero = Game("hero").string();
  EXPECT_EQ(user.events, (Strings{"write " + hero + "/../../x.txt", "write " + hero + "/../x.txt",
                                  "write " + hero + "/a/../../x.txt", "write " + hero + "/..",
                                  "write " + hero + "/../outside/x.txt", "write " + hero + "/..",
                                  "write " + hero + "/../under.txt", "finished"}));
  EXPECT_EQ(summary.writeErrors, 7u);
  EXPECT_EQ(summary.written, 1u);
  EXPECT_EQ(OutsideTheExportFolder(), (Strings{"game/", "game/hero.npc", "outside/"}));
  // No folder was made for a refused name ("a" of "a/../../x.t" included).
  EXPECT_EQ(Listing(Game("hero")), Strings{"ok.txt"});
}

TEST_F(CraftedNames, AbsolutePathsAndDrivesStayInside) {
  test::WriteFile(Game("hero.npc"), test::Serialize({Leaf("\\abs\\x.t", "a"), Leaf("/etc/y.t", "b"),
                                                     Leaf("C:\\c.t", "c"), Leaf("D:d.t", "d")}));
  EntryTree tree = test::LoadAllChecked({Game("hero.npc")});
  ExportState state;
  ScriptedUser user;
  ExportEngine(tree, state, user).Run(ExportOptions{0, 1, {}, false});
  EXPECT_EQ(user.events, Strings{"finished"});
  EXPECT_EQ(Listing(Game("hero")),
            (Strings{"C:/", "C:/c.txt", "D:d.txt", "abs/", "abs/x.txt", "etc/", "etc/y.txt"}));
  EXPECT_EQ(OutsideTheExportFolder(), (Strings{"game/", "game/hero.npc", "outside/"}));
}

TEST_F(CraftedNames, APlantedFolderLinkIsNotFollowed) {
  test::WriteFile(Game("hero.npc"),
                  test::Serialize({Branch("body.cmp", {Leaf("a.t", "a")}), Leaf("b.t", "b")}));
  std::filesystem::create_directories(Game("hero"));
  std::filesystem::create_directory_symlink(dir_ / "outside", Game("hero/body"));
  EntryTree tree = test::LoadAllChecked({Game("hero.npc")});
  ExportState state;
  ScriptedUser user;
  ExportEngine(tree, state, user).Run(ExportOptions{1, 1, {}, false});
  EXPECT_EQ(user.events, (Strings{"write " + Game("hero/body/a.txt").string(), "finished"}));
  EXPECT_EQ(Listing(dir_ / "outside"), Strings{});
  EXPECT_EQ(ReadFile(Game("hero/b.txt")), "b");
}

TEST_F(CraftedNames, APlantedExportFolderLinkIsNotFollowed) {
  test::WriteFile(Game("hero.npc"), test::Serialize({Leaf("a.t", "a")}));
  std::filesystem::create_directory_symlink(dir_ / "outside", Game("hero"));
  EntryTree tree = test::LoadAllChecked({Game("hero.npc")});
  ExportState state;
  ScriptedUser user;
  ExportEngine(tree, state, user).Run(ExportOptions{});
  EXPECT_EQ(user.events, (Strings{"write " + Game("hero/a.txt").string(), "finished"}));
  EXPECT_EQ(Listing(dir_ / "outside"), Strings{});
}

// A link at a file's own name is something existing: the question is asked,
// and Yes replaces the link itself; the file it points at is never touched.
TEST_F(CraftedNames, APlantedFileLinkIsReplacedNotWrittenThrough) {
  test::WriteFile(Game("hero.npc"), test::Serialize({Leaf("a.t", "new"), Leaf("b.t", "new")}));
  test::WriteFile(dir_ / "outside/victim", "precious");
  std::filesystem::create_directories(Game("hero"));
  std::filesystem::create_symlink(dir_ / "outside/victim", Game("hero/a.txt"));
  std::filesystem::create_symlink(dir_ / "outside/victim", Game("hero/b.txt"));
  EntryTree tree = test::LoadAllChecked({Game("hero.npc")});
  ExportState state;
  ScriptedUser user({OverwriteAnswer::kYes, OverwriteAnswer::kNo});
  ExportEngine(tree, state, user).Run(ExportOptions{});
  EXPECT_EQ(user.events, (Strings{"ask " + Game("hero/a.txt").string(), "ask " + Game("hero/b.txt").string(),
                                  "finished"}));
  EXPECT_EQ(ReadFile(dir_ / "outside/victim"), "precious");
  EXPECT_FALSE(std::filesystem::is_symlink(Game("hero/a.txt")));
  EXPECT_EQ(ReadFile(Game("hero/a.txt")), "new");
  EXPECT_TRUE(std::filesystem::is_symlink(Game("hero/b.txt")));
}

// A custom file whose stem, read as Windows reads a name, is empty, "." or
// ".." has no export folder strictly inside its own folder: its entries are
// refused with a message naming it, and nothing around it is written.
TEST_F(CraftedNames, CustomFileNamesWithoutAFolderNameAreRefused) {
  const std::vector<Entry> entries = {Leaf(".profile", "p"), Leaf(".ssh\\authorized_keys", "k"),
                                      Leaf("Documents\\note.t", "n"), Leaf("..god", "g")};
  for (const char* name : {"...god", "..god", ". .god", ".. .npc"}) {
    SCOPED_TRACE(name);
    test::WriteFile(Game(name), test::Serialize(entries));
    EntryTree tree = test::LoadAllChecked({Game(name)});
    ExportState state;
    ScriptedUser user({OverwriteAnswer::kYes, OverwriteAnswer::kYes});
    const ExportSummary summary = ExportEngine(tree, state, user).Run(ExportOptions{0, 1, {}, false});
    EXPECT_EQ(user.events, (Strings{"refused " + Game(name).string(), "finished"}));
    EXPECT_EQ(summary.writeErrors, 4u);
    EXPECT_EQ(Listing(dir_.path()), (Strings{"game/", "game/" + std::string(name), "outside/"}));
    EXPECT_EQ(ReadFile(Game(name)), test::Serialize(entries));
    std::filesystem::remove(Game(name));
  }
}

// An entry never replaces a custom file being exported, whether it meets it
// by name or as a hard link, even when the user says Yes.
TEST_F(CraftedNames, CustomFilesBeingExportedAreNeverReplaced) {
  test::WriteFile(Game("a.god"), test::Serialize({Leaf("b.god", "x"), Leaf("c.t", "y")}));
  test::WriteFile(Game("a/b.god"), test::Serialize({Leaf("z.t", "z")}));
  std::filesystem::create_hard_link(Game("a.god"), Game("a/c.t"));
  const std::string a = ReadFile(Game("a.god"));
  EntryTree tree = test::LoadAllChecked({Game("a.god"), Game("a/b.god")});
  ExportState state;
  ScriptedUser user({OverwriteAnswer::kYes, OverwriteAnswer::kYes});
  ExportEngine(tree, state, user).Run(ExportOptions{1, 0, {}, false});
  EXPECT_EQ(user.events,
            (Strings{"write " + Game("a/b.god").string(), "write " + Game("a/c.t").string(), "finished"}));
  EXPECT_EQ(ReadFile(Game("a.god")), a);
  EXPECT_EQ(ReadFile(Game("a/b/z.t")), "z");
}

// Writes through the real system calls but fails at one chosen step, the
// way a full disk or a failing device would. The failing write puts half
// the bytes down first, as a short write before ENOSPC does.
class FailingWriter : public FileWriter {
 public:
  enum class Step { kWrite, kFlush, kClose };
  explicit FailingWriter(Step step) : step_(step) {}
  bool WriteAll(int fd, const unsigned char* data, std::size_t length) override {
    if (step_ != Step::kWrite) return FileWriter::WriteAll(fd, data, length);
    FileWriter::WriteAll(fd, data, length / 2);
    errno = ENOSPC;
    return false;
  }
  bool Flush(int fd) override {
    if (step_ != Step::kFlush) return FileWriter::Flush(fd);
    errno = EIO;
    return false;
  }
  bool Close(int fd) override {
    const bool closed = FileWriter::Close(fd);
    if (step_ != Step::kClose) return closed;
    errno = EIO;
    return false;
  }

 private:
  Step step_;
};

struct FaultCase {
  FailingWriter::Step step;
  bool overwrite;
  const char* name;
};

class WriteFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(WriteFaults, AreReportedLeaveNoPartialFileAndKeepTheOldOne) {
  test::TempDir dir;
  const std::string payload(100000, 'x');
  test::WriteFile(dir / "hero.npc", test::Serialize({Leaf("a.t", payload), Leaf("b.t", payload)}));
  if (GetParam().overwrite) test::WriteFile(dir / "hero/a.txt", "the old file");
  EntryTree tree = test::LoadAllChecked({dir / "hero.npc"});
  ExportState state;
  ScriptedUser user({OverwriteAnswer::kYes});
  FailingWriter writer(GetParam().step);
  const ExportSummary summary = ExportEngine(tree, state, user, writer).Run(ExportOptions{});

  const std::string a = (dir / "hero/a.txt").string();
  const std::string b = (dir / "hero/b.txt").string();
  // A flush is only needed before replacing a file: a new file has none to
  // fail.
  const bool newFileFails = GetParam().step != FailingWriter::Step::kFlush;
  Strings expected;
  if (GetParam().overwrite) expected.push_back("ask " + a);
  expected.push_back("write " + a);
  if (newFileFails) expected.push_back("write " + b);
  expected.push_back("finished");
  EXPECT_EQ(user.events, expected);
  EXPECT_FALSE(summary.AllWritten());

  Strings left;
  if (GetParam().overwrite) left.push_back("a.txt");
  if (!newFileFails) left.push_back("b.txt");
  EXPECT_EQ(Listing(dir / "hero"), left);  // no partial and no temporary file
  if (GetParam().overwrite) {
    EXPECT_EQ(ReadFile(dir / "hero/a.txt"), "the old file");
  }
  if (!newFileFails) {
    EXPECT_EQ(ReadFile(dir / "hero/b.txt"), payload);
  }
}

INSTANTIATE_TEST_SUITE_P(Steps, WriteFaults,
                         ::testing::Values(FaultCase{FailingWriter::Step::kWrite, false, "WriteNew"},
                                           FaultCase{FailingWriter::Step::kWrite, true, "WriteOverwrite"},
                                           FaultCase{FailingWriter::Step::kFlush, true, "FlushOverwrite"},
                                           FaultCase{FailingWriter::Step::kClose, false, "CloseNew"},
                                           FaultCase{FailingWriter::Step::kClose, true, "CloseOverwrite"}),
                         [](const auto& param) { return std::string(param.param.name); });

// Writes half of the bytes, then stops the process: the point where a kill
// lands in the middle of a large write.
class StoppingWriter : public FileWriter {
 public:
  bool WriteAll(int fd, const unsigned char* data, std::size_t length) override {
    FileWriter::WriteAll(fd, data, length / 2);
    ::raise(SIGSTOP);
    return FileWriter::WriteAll(fd, data + length / 2, length - length / 2);
  }
};

struct KillCase {
  bool overwrite;
  bool otherUser;  // as an ordinary user (nobody when the tests run as root)
  const char* name;
};

class KilledExport : public ::testing::TestWithParam<KillCase> {};

// An export killed in the middle of a large write leaves the final name
// empty or holding the old file, never a part; the next export asks nothing
// about a part, and sweeps away the temporary files of killed exports but
// not one a running export holds.
TEST_P(KilledExport, LeavesNothingPartialAndTheNextExportSweeps) {
  int user = -1;
  if (GetParam().otherUser) {
    user = test::UserBoundByModes();
    if (user == -2) GTEST_SKIP() << "running as root and cannot become another user";
  } else if (::geteuid() != 0) {
    GTEST_SKIP() << "the tests do not run as root";
  }
  test::TempDir dir;
  test::OpenToOthers(dir.path());
  const std::string big(4 << 20, 'k');
  test::WriteFile(dir / "hero.npc", test::Serialize({Leaf("big.bin", big), Leaf("after.t", "after")}));
  if (GetParam().overwrite) {
    test::WriteFile(dir / "hero/big.bin", "the old file");
    test::OpenToOthers((dir / "hero").string());
  }
  EntryTree tree = test::LoadAllChecked({dir / "hero.npc"});

  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (user != -1 && !test::BecomeUser(user)) ::_exit(3);
    ExportState state;
    ScriptedUser yes({OverwriteAnswer::kYes});
    StoppingWriter writer;
    ExportEngine(tree, state, yes, writer).Run(ExportOptions{});
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, WUNTRACED), pid);
  ASSERT_TRUE(WIFSTOPPED(status)) << status;
  ::kill(pid, SIGKILL);
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);

  const Strings old = GetParam().overwrite ? Strings{"big.bin"} : Strings{};
  EXPECT_EQ(Listing(dir / "hero"), old);
  if (GetParam().overwrite) {
    EXPECT_EQ(ReadFile(dir / "hero/big.bin"), "the old file");
  }

  // A kill between naming a replacement and renaming it leaves its
  // temporary name behind; another export is still writing the second.
  const std::string leftover = ".cfv-export-0123456789ab.tmp";
  const std::string held = ".cfv-export-aaaaaaaaaaaa.tmp";
  test::WriteFile(dir / "hero" / leftover, "part");
  test::WriteFile(dir / "hero" / held, "being written");
  const int holder = ::open((dir / "hero" / held).c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);
  ExportState state;
  ScriptedUser user2({OverwriteAnswer::kYes});
  ExportEngine(tree, state, user2).Run(ExportOptions{});
  ::close(holder);
  const std::string path = (dir / "hero/big.bin").string();
  const Strings asked = GetParam().overwrite ? Strings{"ask " + path, "finished"} : Strings{"finished"};
  EXPECT_EQ(user2.events, asked);
  EXPECT_EQ(Listing(dir / "hero"), (Strings{held, "after.txt", "big.bin"}));
  EXPECT_TRUE(ReadFile(dir / "hero/big.bin") == big);
}

INSTANTIATE_TEST_SUITE_P(Cases, KilledExport,
                         ::testing::Values(KillCase{false, false, "NewAsRoot"},
                                           KillCase{true, false, "OverwriteAsRoot"},
                                           KillCase{false, true, "NewAsUser"},
                                           KillCase{true, true, "OverwriteAsUser"}),
                         [](const auto& param) { return std::string(param.param.name); });

// A file that appears at the target between the check and the write is not
// replaced without a question: the write fails and says so.
TEST(OutputFiles, ANewFileNeverReplacesOneThatAppeared) {
  test::TempDir dir;
  test::WriteFile(dir / "f/x", "there first");
  OutputPath folder;
  folder.exportFolder = dir / "f";
  FolderHandle handle = OpenOutputFolder(folder, false);
  ASSERT_TRUE(handle);
  const unsigned char bytes[] = {'n', 'e', 'w'};
  EXPECT_FALSE(WriteOutputFile(handle, "x", bytes, sizeof bytes, false, PosixFileWriter()));
  EXPECT_EQ(errno, EEXIST);
  EXPECT_EQ(ReadFile(dir / "f/x"), "there first");
  EXPECT_EQ(Listing(dir / "f"), Strings{"x"});
  EXPECT_TRUE(WriteOutputFile(handle, "x", bytes, sizeof bytes, true, PosixFileWriter()));
  EXPECT_EQ(ReadFile(dir / "f/x"), "new");
}

// A new file is created at its own name, so a link that appears there
// before the write (dangling or not) must make the write fail rather than
// be followed: neither the link nor what it points at is touched.
TEST(OutputFiles, ANewFileIsNotWrittenThroughALinkThatAppeared) {
  for (const bool dangling : {false, true}) {
    SCOPED_TRACE(dangling ? "dangling link" : "link to a file");
    test::TempDir dir;
    std::filesystem::create_directories(dir / "f");
    std::filesystem::create_directories(dir / "outside");
    if (!dangling) test::WriteFile(dir / "outside/victim", "precious");
    std::filesystem::create_symlink(dir / "outside/victim", dir / "f/x");
    OutputPath folder;
    folder.exportFolder = dir / "f";
    FolderHandle handle = OpenOutputFolder(folder, false);
    ASSERT_TRUE(handle);
    const unsigned char bytes[] = {'n', 'e', 'w'};
    EXPECT_FALSE(WriteOutputFile(handle, "x", bytes, sizeof bytes, false, PosixFileWriter()));
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(Listing(dir / "f"), Strings{"x@"});
    EXPECT_EQ(Listing(dir / "outside"), dangling ? Strings{} : Strings{"victim"});
    if (!dangling) {
      EXPECT_EQ(ReadFile(dir / "outside/victim"), "precious");
    }
  }
}

// A component longer than the file system allows is refused by the system
// and reported like any failed write, with the system's reason.
TEST(OutputFiles, AnOverlongComponentGetsTheWriteMessage) {
  test::TempDir dir;
  test::WriteFile(dir / "hero.npc", test::Serialize({Leaf("a.t", "a")}));
  EntryTree tree = test::LoadAllChecked({dir / "hero.npc"});
  ExportState state;
  ScriptedUser user;
  ExportOptions options;
  options.destination = dir / std::string(300, 'n');
  const ExportSummary summary = ExportEngine(tree, state, user).Run(options);
  const std::string target = options.destination.string() + "/hero/a.txt";
  EXPECT_EQ(user.events, (Strings{"write " + target, "finished"}));
  EXPECT_EQ(user.causes, Strings{"write " + target + " " + std::to_string(ENAMETOOLONG)});
  EXPECT_EQ(summary.writeErrors, 1u);
  EXPECT_EQ(Listing(dir.path()), Strings{"hero.npc"});
}

}  // namespace
}  // namespace cfv
