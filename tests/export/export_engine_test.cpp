// The export engine on real custom files in a temporary folder: scenarios, an export killed mid-write, and
// the folders an export keeps open.
#include "export/export_engine.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <functional>
#include <thread>

#include "containers/loader.h"
#include "custom_file_builder.h"
#include "export/item_export.h"
#include "export/output_files.h"
#include "run_process.h"

namespace cfv {
namespace {

using namespace test;
using Strings = std::vector<std::string>;

// Every path below `root`, relative to it and sorted; folders end in '/', symbolic links in '@' (links are
// not followed).
Strings Listing(const std::filesystem::path& root) {
  Strings out;
  for (auto it = std::filesystem::recursive_directory_iterator(root); it != decltype(it)(); ++it) {
    const char* mark = it->is_symlink() ? "@" : it->is_directory() ? "/" : "";
    out.push_back(it->path().lexically_relative(root).string() + mark);
  }
  std::ranges::sort(out);
  return out;
}

// ApplySteps, and "mv A B" renames A to B.
void Apply(const std::filesystem::path& dir, const Strings& steps) {
  for (const std::string& step : steps)
    if (const std::size_t to = step.find(' ', 3); step.starts_with("mv "))
      std::filesystem::rename(dir / step.substr(3, to - 3), dir / step.substr(to + 1));
    else
      ApplySteps(dir, {step});
}

// Answers overwrite questions from a script ("yncYN": Yes, No, Cancel, Yes to All, No to All; No past its
// end) and records the messages in `events`, each failure with its cause (errno, or the kind of refusal), and
// the progress reports; answers Cancel at the report where `done` reaches cancelAt. `plant` runs once, at the
// first question.
class ScriptedUser : public ExportUser {
 public:
  explicit ScriptedUser(std::string answers) : answers_(std::move(answers)) {}
  OverwriteAnswer AskOverwrite(const std::string& targetPath) override {
    if (plant) std::exchange(plant, nullptr)();
    events.push_back("ask " + targetPath);
    const char answer = next_ < answers_.size() ? answers_[next_++] : 'n';
    return static_cast<OverwriteAnswer>(std::string_view("yncYN").find(answer) + 1);
  }
  void ExportFinished(const ExportSummary& summary) override {
    events.push_back("finished");
    finishedWith = summary.written;
  }
  // As the GUI words them: read, refused (no folder name), write (the rest).
  void Failed(const ExportFailure& failure) override {
    static constexpr const char* kRefusals[] = {"leaves-folder", "custom-file", "folder-name", "no-extension",
                                                "link"};
    static constexpr const char* kMessages[] = {"read ",    "write ",   "write ", "write ",
                                                "refused ", "refused ", "write "};
    const int kind = static_cast<int>(failure.kind);
    events.push_back(kMessages[kind] + failure.path + " " +
                     (kind < 2 ? std::to_string(failure.error) : std::string(kRefusals[kind - 2])));
  }
  void EntryWritten(const std::string&) override { ++written; }
  bool Progress(std::uint32_t done, std::uint32_t total, std::string_view name) override {
    progress.push_back(std::to_string(done) + "/" + std::to_string(total) + " " + std::string(name));
    return done < cancelAt;
  }

  Strings events, progress;
  std::uint32_t written = 0, cancelAt = ~0u, finishedWith = ~0u;
  std::function<void()> plant;

 private:
  std::string answers_;
  std::size_t next_ = 0;
};

// Writes through the real system calls but fails at the steps named in `faults` (o open, w write, f flush, c
// close), the way a full disk or a failing device would; the failing write puts half the bytes down first, as
// a short write before ENOSPC does. Without `unnamed` it acts as a file system without unnamed files (NFS,
// FAT). With s it stops the process halfway through each write; `plant` runs once, at the first write.
class FailingWriter : public FileWriter {
 public:
  FailingWriter(std::string faults, bool unnamed, std::function<void()> plant = nullptr)
      : faults_(std::move(faults)), unnamed_(unnamed), plant_(std::move(plant)) {}
  int OpenUnnamed(int folder, mode_t mode) override {
    if (unnamed_ && !Has('o')) return FileWriter::OpenUnnamed(folder, mode);
    errno = Has('o') ? ENOSPC : EOPNOTSUPP;
    return -1;
  }
  bool WriteAll(int fd, const unsigned char* data, std::size_t length) override {
    if (plant_) std::exchange(plant_, nullptr)();
    if (!Has('w') && !Has('s')) return FileWriter::WriteAll(fd, data, length);
    FileWriter::WriteAll(fd, data, length / 2);
    if (Has('s'))
      return ::raise(SIGSTOP) == 0 && FileWriter::WriteAll(fd, data + length / 2, length - length / 2);
    errno = ENOSPC;
    return false;
  }
  bool Flush(int fd) override { return Has('f') ? (errno = EIO, false) : FileWriter::Flush(fd); }
  bool Close(int fd) override {
    const bool closed = FileWriter::Close(fd);
    return Has('c') ? (errno = EIO, false) : closed;
  }

 private:
  bool Has(char fault) const { return faults_.find(fault) != std::string::npos; }
  std::string faults_;
  bool unnamed_;
  std::function<void()> plant_;
};

using File = std::pair<std::string, std::vector<Entry>>;  // path in the temporary folder, entries

// In: the custom files (written, then loaded in this order, every item checked), steps to Apply before
// loading and after it (at the first question with Q, the first write with W), options and answers. Options:
// S skipExtractable off, R renameExtension off, L a destination with a 300-byte name, D dry run, F a file
// size limit of 1,000 bytes, P Cancel at the second progress report, 3 three runs of one engine, U once more
// as without unnamed files; the writer's faults (o w f c). Out: the messages before "finished" (paths
// relative to the temporary folder), the listing of a folder (relative, "" for all), what files hold
// ("p=bytes", "p%640" for the mode), the counts written, not overwritten, failed and cancelled, the last
// progress report with as many before it; last in, the only item checked ("" none).
struct Row {
  const char* name;
  std::vector<File> files;
  Strings before, later;
  std::string options, answers;
  Strings events;
  std::string listed;
  Strings listing, holds;
  std::array<std::uint32_t, 4> counts{};
  std::string lastProgress = {};
  const char* checkOnly = nullptr;
};

const std::string kText = "hello\r\nworld\r\n", kBig(100000, 'x'), kLong(300, 'n');
const std::vector<Entry> kHero = {Leaf("face.bm", Zlib(MakeBmp(2, 2))),
                                  Branch("body.cmp", {Leaf("a.t", Gzip(kText))})};
const File kHeroFile = {"hero.npc", kHero};
const File kGame = {
    "game/hero.npc",
    {Leaf("x.t", "new x"), Branch("body.cmp", {Leaf("a.t", Zlib("a"))}), Leaf("y.t", "new y")}};
const File kNox = {"game/nox", {Leaf("n.t", "n")}};
const File kSiblings = {
    "hero.npc", {Leaf("x.t", "first"), Leaf("x.t", "second"), Branch("later.cmp", {Leaf("y.t", "later")})}};
const File kXY = {"hero.npc", {Leaf("x.t", "x"), Leaf("y.t", "y")}};
const File kOneTwo = {"hero.npc", {Leaf("x.t", "one"), Leaf("y.t", "two")}};
const File kNew = {"hero.npc", {Leaf("a.t", "new"), Leaf("b.t", "new")}};
const File kTwoBig = {"hero.npc", {Leaf("a.t", kBig), Leaf("b.t", kBig)}};
const Strings kGameThere = {"game/hero/x.txt=old x", "game/hero/y.txt=old y"};
const std::vector<Entry> kDotNamed = {Leaf(".profile", "p"), Leaf(".ssh\\authorized_keys", "k"),
                                      Leaf("Documents\\note.t", "n"), Leaf("..god", "g")};
std::string Errno(int error) { return " " + std::to_string(error); }

// clang-format off
const Row kRows[] = {
  // The option pairs on hero.npc: a zlib bitmap and a branch with a gzip text.
  {"KeepBranchesKeepNames", {kHeroFile}, {}, {}, "SRU", "", {}, "", {"hero.npc", "hero/", "hero/body.cmp", "hero/body/", "hero/body/a.t", "hero/face.bm"},
   {"hero/body/a.t=" + kText, "hero/face.bm=" + MakeBmp(2, 2), "hero/body.cmp=" + Serialize(kHero[1].children)}, {3, 0, 0, 0}},
  {"CheckedUnderUncheckedBranch", {kHeroFile}, {}, {}, "", "", {}, "", {"hero.npc", "hero/", "hero/body/", "hero/body/a.txt"}, {}, {1, 0, 0, 0}, "0/1 a.t", "a.t"},
  {"NothingChecked", {kHeroFile}, {}, {}, "", "", {}, "", {"hero.npc"}, {}, {}, "", ""},
  {"EmptyTree", {}, {}, {}, "", "", {}, "", {}, {}, {}},
  // Two siblings share x.txt: the second meets the question. A No holds for its own file only; after a Cancel
  // the later folder is still made.
  {"SiblingsYes", {kSiblings}, {}, {}, "U", "y", {"ask hero/x.txt"}, "hero", {"later/", "later/y.txt", "x.txt"}, {"hero/x.txt=second"}, {3, 0, 0, 0}},
  {"SiblingsNo", {kSiblings}, {}, {}, "", "n", {"ask hero/x.txt"}, "hero", {"later/", "later/y.txt", "x.txt"}, {"hero/x.txt=first"}, {2, 1, 0, 0}},
  {"SiblingsCancel", {kSiblings}, {}, {}, "", "c", {"ask hero/x.txt"}, "hero", {"later/", "x.txt"}, {"hero/x.txt=first"}, {1, 0, 0, 2}},
  {"KeepsTheReplacedFilesMode", {{"hero.npc", {Leaf("x.t", "new")}}}, {"hero/x.txt=old", "hero/x.txt%640"}, {}, "U", "y", {"ask hero/x.txt"}, "hero", {"x.txt"}, {"hero/x.txt=new", "hero/x.txt%640"}, {1, 0, 0, 0}},
  // Only the permission bits: never set-user-ID, set-group-ID or sticky.
  {"DropsSetIdBits", {{"hero.npc", {Leaf("x.t", "new")}}}, {"hero/x.txt=old", "hero/x.txt%7755"}, {}, "U", "y", {"ask hero/x.txt"}, "hero", {"x.txt"}, {"hero/x.txt=new", "hero/x.txt%755"}, {1, 0, 0, 0}},
  // An answer holds for one run only: the next run asks again, even after Yes to All or Cancel.
  {"EachRunAsksAfresh", {kXY}, {"hero/x.txt=old", "hero/y.txt=old"}, {}, "3", "YcN", {"ask hero/x.txt", "finished", "ask hero/x.txt", "finished", "ask hero/x.txt"}, "hero", {"x.txt", "y.txt"}, {"hero/x.txt=x", "hero/y.txt=y"},
   {0, 2, 0, 0}},
  // Cancel from progress before a.t: nothing after it, but the later folders are made.
  {"CancelFromProgress", {kGame}, kGameThere, {}, "P", "y", {"ask game/hero/x.txt"}, "game", {"hero.npc", "hero/", "hero/body/", "hero/x.txt", "hero/y.txt"}, {"game/hero/x.txt=new x"}, {1, 0, 0, 2}, "2/3 y.t"},
  // A dry run asks nothing and creates nothing.
  {"DryRun", {kGame, kNox}, kGameThere, {}, "D", "", {"refused game/nox no-extension"}, "game", {"hero.npc", "hero/", "hero/x.txt", "hero/y.txt", "nox"}, {}, {3, 0, 1, 0}, "3/4 n.t"},
  {"TwoCustomFilesShareAFolder", {{"hero.npc", {Leaf("x.t", "npc")}}, {"hero.god", {Leaf("x.t", "god"), Leaf("z.t", "z")}}}, {}, {}, "", "n", {"ask hero/x.txt"}, "hero", {"x.txt", "z.txt"}, {"hero/x.txt=npc", "hero/z.txt=z"}, {2, 1, 0, 0}},
  {"ACustomFileLoadedTwice", {kXY, kXY}, {}, {}, "", "yn", {"ask hero/x.txt", "ask hero/y.txt"}, "hero", {"x.txt", "y.txt"}, {}, {3, 1, 0, 0}},
  // Names as Windows stores them; absolute ones stay inside the export folder.
  {"NamesAsWindowsStoresThem", {{"hero.npc", {Leaf("sub\\x.t", "backslash"), Leaf("s2/y.t", "slash"), Leaf("顔グラ.bm", MakeBmp(1, 1)), Leaf("  blank  .t", "blanks"), Leaf("dots...", "dots"),
   Branch("abc .cmp", {Leaf("in.t", "inside")}), Branch("tail..cmp", {}), Leaf("\\abs\\x.t", "a"), Leaf("/etc/y.t", "b"), Leaf("C:\\c.t", "c"), Leaf("D:d.t", "d")}}}, {}, {}, "S", "", {}, "hero",
   {"C:/", "C:/c.txt", "D:d.txt", "abc.cmp", "abc/", "abc/in.txt", "abs/", "abs/x.txt", "blank.txt", "dots", "etc/", "etc/y.txt", "s2/", "s2/y.txt", "sub/", "sub/x.txt", "tail..cmp", "顔グラ.bmp"},
   {"hero/abc/in.txt=inside", "hero/dots=dots", "hero/sub/x.txt=backslash"}, {12, 0, 0, 0}},
  {"AnUnreadableCustomFile", {kOneTwo, {"other.npc", {Leaf("z.t", "z")}}}, {}, {"hero.npc!"}, "", "", {"read hero.npc" + Errno(ENOENT), "read hero.npc" + Errno(ENOENT)}, "", {"hero/", "other.npc", "other/", "other/z.txt"}, {},
   {1, 0, 2, 0}},
  // The tree keeps offsets only: a file changed after loading is read as it is now.
  {"ACustomFileChangedAfterLoading", {kOneTwo}, {}, {"hero.npc=" + Serialize({Leaf("x.t", "ONE")}) + std::string(60, 'z')}, "", "", {"read hero.npc 0"}, "hero", {"x.txt"}, {"hero/x.txt=ONE"}, {1, 0, 1, 0}},
  // A user who was asked may have moved the folder meanwhile: what follows goes where the folder is now.
  {"AFolderMovedDuringAQuestion", {{"hero.npc", {Leaf("a.t", "new a"), Leaf("b.t", "b")}}}, {"hero/a.txt=old a"}, {"mv hero hero-moved"}, "Q", "y", {"ask hero/a.txt"}, "",
   {"hero-moved/", "hero-moved/a.txt", "hero.npc", "hero/", "hero/b.txt"}, {"hero-moved/a.txt=new a"}, {2, 0, 0, 0}},
  // Hostile names, planted links: nothing is created or written outside the export folder.
  {"DotDotIsRefused", {{"hero.npc", {Leaf("..", "d"), Leaf("..\\outside\\x.t", "e"), Branch("..", {Leaf("under.t", "f")}), Leaf("ok.t", "g")}}}, {"outside/"}, {}, "S", "",
   {"write hero/.. leaves-folder", "write hero/../outside/x.txt leaves-folder", "write hero/.. leaves-folder", "write hero/../under.txt leaves-folder"}, "", {"hero.npc", "hero/", "hero/ok.txt", "outside/"}, {}, {1, 0, 4, 0}},
  {"APlantedFolderLink", {{"hero.npc", {Branch("body.cmp", {Leaf("a.t", "a")}), Leaf("b.t", "b")}}}, {"outside/", "hero/body->outside"}, {}, "", "", {"write hero/body link"}, "",
   {"hero.npc", "hero/", "hero/b.txt", "hero/body@", "outside/"}, {"hero/b.txt=b"}, {1, 0, 1, 0}},
  {"APlantedExportFolderLink", {{"hero.npc", {Leaf("a.t", "a")}}}, {"outside/", "hero->outside"}, {}, "", "", {"write hero link"}, "", {"hero.npc", "hero@", "outside/"}, {}, {0, 0, 1, 0}},
  // A link at a file's own name is asked about; Yes replaces the link itself.
  {"APlantedFileLink", {kNew}, {"outside/victim=precious", "hero/a.txt->outside/victim", "hero/b.txt->outside/victim"}, {}, "U", "yn", {"ask hero/a.txt", "ask hero/b.txt"}, "hero", {"a.txt", "b.txt@"},
   {"outside/victim=precious", "hero/a.txt=new"}, {1, 1, 0, 0}},
  // What appears at a new file's name between the check and the write (a file, a link to one, a dangling
  // link; another export) is looked at again and asked about: never replaced or followed without a Yes.
  {"AFileAppears", {kXY}, {"hero/"}, {"hero/x.txt=there first"}, "WU", "", {"ask hero/x.txt"}, "hero", {"x.txt", "y.txt"}, {"hero/x.txt=there first"}, {1, 1, 0, 0}},
  {"AFileAppearsYes", {kXY}, {"hero/"}, {"hero/x.txt=there first"}, "WU", "y", {"ask hero/x.txt"}, "hero", {"x.txt", "y.txt"}, {"hero/x.txt=x"}, {2, 0, 0, 0}},
  {"ALinkAppears", {kXY}, {"hero/"}, {"outside/victim=precious", "hero/x.txt->outside/victim"}, "WU", "", {"ask hero/x.txt"}, "", {"hero.npc", "hero/", "hero/x.txt@", "hero/y.txt", "outside/", "outside/victim"},
   {"outside/victim=precious"}, {1, 1, 0, 0}},
  {"ADanglingLinkAppears", {kXY}, {"hero/"}, {"outside/", "hero/x.txt->outside/victim"}, "WU", "", {"ask hero/x.txt"}, "", {"hero.npc", "hero/", "hero/x.txt@", "hero/y.txt", "outside/"}, {}, {1, 1, 0, 0}},
  // A custom file whose stem is empty, "." or ".." has no export folder strictly inside its own folder.
  {"StemDots", {{"...god", kDotNamed}, {"..god", kDotNamed}, {". .god", kDotNamed}, {".. .npc", kDotNamed}}, {}, {}, "S", "",
   {"refused ...god folder-name", "refused ..god folder-name", "refused . .god folder-name", "refused .. .npc folder-name"}, "", {". .god", ".. .npc", "...god", "..god"}, {"...god=" + Serialize(kDotNamed), "..god=" + Serialize(kDotNamed)},
   {0, 0, 16, 0}},
  // Never a custom file being exported, by name or as a hard link, even after a Yes.
  {"CustomFilesAreNeverReplaced", {{"a.god", {Leaf("b.god", "x"), Leaf("c.t", "y")}}, {"a/b.god", {Leaf("z.t", "z")}}}, {"a/c.t=>a.god"}, {}, "R", "yy", {"write a/b.god custom-file", "write a/c.t custom-file"}, "",
   {"a.god", "a/", "a/b.god", "a/b/", "a/b/z.t", "a/c.t"}, {"a.god=" + Serialize({Leaf("b.god", "x"), Leaf("c.t", "y")}), "a/b/z.t=z"}, {1, 0, 2, 0}},
  {"AnOverlongComponent", {{"hero.npc", {Leaf("a.t", "a")}}}, {}, {}, "L", "", {"write " + kLong + "/hero/a.txt" + Errno(ENAMETOOLONG)}, "", {"hero.npc"}, {}, {0, 0, 1, 0}},
  // Failed writes, flushes and closes: reported, no partial file, the old one kept. A flush is only needed
  // before replacing a file: a new file has none to fail.
  {"FailedWriteNew", {kTwoBig}, {}, {}, "wU", "y", {"write hero/a.txt" + Errno(ENOSPC), "write hero/b.txt" + Errno(ENOSPC)}, "hero", {}, {}, {0, 0, 2, 0}},
  {"FailedWriteReplacing", {kTwoBig}, {"hero/a.txt=the old file"}, {}, "wU", "y", {"ask hero/a.txt", "write hero/a.txt" + Errno(ENOSPC), "write hero/b.txt" + Errno(ENOSPC)}, "hero", {"a.txt"}, {"hero/a.txt=the old file"}, {0, 0, 2, 0}},
  {"FailedFlushReplacing", {kTwoBig}, {"hero/a.txt=the old file"}, {}, "fU", "y", {"ask hero/a.txt", "write hero/a.txt" + Errno(EIO)}, "hero", {"a.txt", "b.txt"}, {"hero/a.txt=the old file", "hero/b.txt=" + kBig}, {1, 0, 1, 0}},
  {"FailedCloseNew", {kTwoBig}, {}, {}, "cU", "y", {"write hero/a.txt" + Errno(EIO), "write hero/b.txt" + Errno(EIO)}, "hero", {}, {}, {0, 0, 2, 0}},
  {"FailedCloseReplacing", {kTwoBig}, {"hero/a.txt=the old file"}, {}, "cU", "y", {"ask hero/a.txt", "write hero/a.txt" + Errno(EIO), "write hero/b.txt" + Errno(EIO)}, "hero", {"a.txt"}, {"hero/a.txt=the old file"}, {0, 0, 2, 0}},
  // A failed write is reported as such, though closing fails after it.
  {"FailedWriteAndClose", {{"hero.npc", {Leaf("a.t", kBig)}}}, {}, {}, "wcU", "", {"write hero/a.txt" + Errno(ENOSPC)}, "hero", {}, {}, {0, 0, 1, 0}},
  {"FileSizeLimit", {{"hero.npc", {Leaf("a.t", kBig), Leaf("b.t", "small")}}}, {}, {}, "FU", "", {"write hero/a.txt" + Errno(EFBIG)}, "hero", {"b.txt"}, {"hero/b.txt=small"}, {1, 0, 1, 0}},
  // No file can be opened to write into: neither a new file nor a replacement is made.
  {"FailedOpen", {kNew}, {"hero/a.txt=old"}, {}, "o", "y", {"ask hero/a.txt", "write hero/a.txt" + Errno(ENOSPC), "write hero/b.txt" + Errno(ENOSPC)}, "hero", {"a.txt"}, {"hero/a.txt=old"}, {0, 0, 2, 0}},
};
// clang-format on

void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

// A row, and whether the file system has unnamed files.
class Scenario : public ::testing::TestWithParam<std::tuple<Row, bool>> {};

TEST_P(Scenario, Runs) {
  // Named, not bound: clang 14 cannot capture structured bindings in lambdas.
  const Row& row = std::get<0>(GetParam());
  const bool unnamed = std::get<1>(GetParam());
  const auto has = [&](char option) { return row.options.find(option) != std::string::npos; };
  TempDir dir;
  for (const auto& [path, entries] : row.files) WriteFile(dir / path, Serialize(entries));
  Apply(dir.path(), row.before);
  EntryTree tree;
  for (const auto& file : row.files) LoadCustomFile(dir / file.first, (dir / file.first).string(), tree);
  tree.CheckAll(row.checkOnly == nullptr);
  tree.ForEachPreOrder(kNoItem, [&](ItemId item, unsigned) {
    if (row.checkOnly && tree.Text(item) == row.checkOnly) tree.SetChecked(item, true);
  });
  const auto plant = [&] { Apply(dir.path(), row.later); };
  if (!has('Q') && !has('W')) plant();

  ScriptedUser user(row.answers);
  if (has('Q')) user.plant = plant;
  if (has('P')) user.cancelAt = 1;
  ExportOptions options;
  options.skipExtractable = !has('S');
  options.renameExtension = !has('R');
  options.dryRun = has('D');
  if (has('L')) options.destination = dir / kLong;
  FailingWriter writer(row.options, unnamed, has('W') ? std::function<void()>(plant) : nullptr);
  // F: files may grow to 1,000 bytes only, so that a real write fails as on a full disk.
  rlimit limit{};
  ::getrlimit(RLIMIT_FSIZE, &limit);
  const rlimit cap{has('F') ? 1000 : limit.rlim_cur, limit.rlim_max};
  std::signal(SIGXFSZ, SIG_IGN);
  ::setrlimit(RLIMIT_FSIZE, &cap);
  ExportEngine engine(tree, user, writer);
  ExportSummary summary;
  for (int run = has('3') ? 3 : 1; run > 0; --run) {
    user.written = 0;
    summary = engine.Run(options);
  }
  ::setrlimit(RLIMIT_FSIZE, &limit);

  const std::string prefix = dir.path().string() + "/";  // each message names one path at most
  for (std::string& event : user.events)
    if (const auto at = event.find(prefix); at != std::string::npos) event.erase(at, prefix.size());
  Strings events = row.events;
  events.push_back("finished");
  EXPECT_EQ(user.events, events);
  EXPECT_EQ(Listing(dir / row.listed), row.listing);
  for (const std::string& hold : row.holds) {
    const std::size_t at = hold.find_first_of("=%");
    const std::filesystem::path path = dir / hold.substr(0, at);
    if (hold[at] == '=')
      EXPECT_TRUE(ReadFile(path) == hold.substr(at + 1)) << hold.substr(0, at);
    else
      EXPECT_EQ(std::filesystem::status(path).permissions(),
                std::filesystem::perms(std::stoi(hold.substr(at + 1), nullptr, 8)));
  }
  EXPECT_EQ((std::array{summary.written, summary.NotOverwritten(), summary.Failed(), summary.cancelled}),
            row.counts);
  EXPECT_EQ(summary.AllWritten(), row.counts[1] + row.counts[2] + row.counts[3] == 0);
  EXPECT_EQ(user.written, summary.written);
  EXPECT_EQ(user.finishedWith, summary.written);
  if (!row.lastProgress.empty()) {
    EXPECT_EQ(user.progress.back(), row.lastProgress);
    EXPECT_EQ(user.progress.size(), std::stoul(row.lastProgress.substr(row.lastProgress.find('/') + 1)));
  }
}

std::vector<std::tuple<Row, bool>> Runs() {
  std::vector<std::tuple<Row, bool>> runs;
  for (const Row& row : kRows)
    for (const bool unnamed : {true, false})
      if (unnamed || row.options.find('U') != std::string::npos) runs.emplace_back(row, unnamed);
  return runs;
}

INSTANTIATE_TEST_SUITE_P(Rows, Scenario, ::testing::ValuesIn(Runs()), [](const auto& run) {
  return std::string(std::get<0>(run.param).name) + (std::get<1>(run.param) ? "" : "_NoUnnamedFiles");
});

// An export killed in the middle of a large write leaves the final name empty or holding the old file, never
// a part; the next export asks nothing about a part, and sweeps away the temporary files of killed exports
// but not one a running export holds. As root, and as a user bound by file modes (nobody when the tests run
// as root).
class KilledExport : public ::testing::TestWithParam<std::tuple<bool, bool>> {};

TEST_P(KilledExport, LeavesNothingPartialAndTheNextExportSweeps) {
  const auto [overwrite, otherUser] = GetParam();
  const int user = otherUser ? UserBoundByModes() : -1;
  if (user == -2) GTEST_SKIP() << "running as root and cannot become another user";
  if (!otherUser && ::geteuid() != 0) GTEST_SKIP() << "the tests do not run as root";
  TempDir dir;
  std::filesystem::permissions(dir.path(), std::filesystem::perms::all);  // for the other user
  const std::string big(4 << 20, 'k');
  WriteFile(dir / "hero.npc", Serialize({Leaf("big.bin", big), Leaf("after.t", "after")}));
  if (overwrite) Apply(dir.path(), {"hero/big.bin=the old file", "hero%777"});
  EntryTree tree;
  LoadCustomFile(dir / "hero.npc", (dir / "hero.npc").string(), tree);
  tree.CheckAll(true);

  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (user != -1 && !BecomeUser(user)) ::_exit(3);
    ScriptedUser yes("y");
    FailingWriter writer("s", true);
    ExportEngine(tree, yes, writer).Run(ExportOptions{});
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, WUNTRACED), pid);
  ASSERT_TRUE(WIFSTOPPED(status)) << status;
  ::kill(pid, SIGKILL);
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_EQ(Listing(dir / "hero"), overwrite ? Strings{"big.bin"} : Strings{});
  if (overwrite) {
    EXPECT_EQ(ReadFile(dir / "hero/big.bin"), "the old file");
  }

  // What kills leave carries the writer's mark: the name its inode gives (between naming a replacement and
  // renaming it) or mode 0000 and no bytes (a named file before its renaming). Those are swept, but not one
  // another export still holds, nor a custom file being exported, whatever its name; a user's files of the
  // same shape stay.
  const auto marked = [&](const std::string& bytes) {
    WriteFile(dir / "hero/part", bytes);
    struct stat info;
    ::stat((dir / "hero/part").c_str(), &info);
    const std::string name = TemporaryNameFor(info.st_dev, info.st_ino);
    std::filesystem::rename(dir / "hero/part", dir / "hero" / name);
    return name;
  };
  marked("part");
  const std::string held = marked("being written");
  const std::string input = marked(Serialize({Leaf("in.t", "in")}));
  ApplySteps(dir.path(), {"hero/.cfv-export-0123456789ab.tmp=mine",
                          "hero/.cfv-export-0123456789ac.tmp=", "hero/.cfv-export-0123456789ac.tmp%0",
                          "hero/.cfv-export-0123456789ad.tmp=data", "hero/.cfv-export-0123456789ad.tmp%0"});
  LoadCustomFile(dir / "hero" / input, (dir / "hero" / input).string(), tree);
  tree.CheckAll(true);
  const int holder = ::open((dir / "hero" / held).c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);
  ScriptedUser again("y");
  ExportEngine(tree, again).Run(ExportOptions{});
  ::close(holder);
  const std::string path = (dir / "hero/big.bin").string();
  EXPECT_EQ(again.events, (overwrite ? Strings{"ask " + path, "finished"} : Strings{"finished"}));
  Strings kept = {".cfv-export-0123456789ab.tmp",
                  ".cfv-export-0123456789ad.tmp",
                  held,
                  input,
                  input.substr(0, input.size() - 4) + "/",
                  input.substr(0, input.size() - 4) + "/in.txt",
                  "after.txt",
                  "big.bin"};
  std::ranges::sort(kept);
  EXPECT_EQ(Listing(dir / "hero"), kept);
  EXPECT_TRUE(ReadFile(dir / "hero/big.bin") == big);
}

INSTANTIATE_TEST_SUITE_P(Cases, KilledExport, ::testing::Combine(::testing::Bool(), ::testing::Bool()),
                         [](const auto& c) {
                           return std::string(std::get<0>(c.param) ? "Overwrite" : "New") +
                                  (std::get<1>(c.param) ? "AsUser" : "AsRoot");
                         });

// Root replacing a file that belongs to someone else: the new file is root's, so it takes the default mode,
// never the other user's bits (a set-user-ID program planted in a game folder stays no such thing).
TEST(ReplacedFile, OfAnotherOwnerGetsTheDefaultMode) {
  const int other = UserBoundByModes();
  if (::geteuid() != 0 || other < 0) GTEST_SKIP() << "needs root and another user";
  TempDir dir;
  ApplySteps(dir.path(), {"tool=planted", "tool%6755"});
  ASSERT_EQ(::chown((dir / "tool").c_str(), other, other), 0);
  const mode_t mask = ::umask(022);
  const FolderHandle folder(::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  ASSERT_TRUE(WriteOutputFile(folder, "tool", reinterpret_cast<const unsigned char*>("root"), 4, true,
                              PosixFileWriter()));
  ::umask(mask);
  struct stat info;
  ASSERT_EQ(::stat((dir / "tool").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0644u);
  EXPECT_EQ(info.st_uid, 0u);
}

// A sweep running beside a writer on a file system without unnamed files never takes a file the writer has
// just made and not yet locked: every write succeeds.
TEST(ReplacedFile, SweepsBesideAWriterTakeNothingOfIt) {
  TempDir dir;
  const FolderHandle folder(::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  std::atomic<bool> done{false};
  std::thread sweeper([&] {
    while (!done) SweepLeftovers(folder);
  });
  FailingWriter named("", false);
  int failed = 0;
  for (int i = 0; i < 2000; ++i)
    failed += !WriteOutputFile(folder, std::to_string(i), reinterpret_cast<const unsigned char*>("x"), 1,
                               false, named);
  done = true;
  sweeper.join();
  EXPECT_EQ(failed, 0);
  EXPECT_EQ(Listing(dir.path()).size(), 2000u);
}

// One item on its own, as the tree's menu and a drag take it out: what is offered, the name Export This
// Entry proposes, the file it replaces, and a branch laid out in a folder.
TEST(ItemExport, OfferedNamedAndWritten) {
  TempDir dir;
  WriteFile(dir / "a.god", Serialize({Leaf("face.bm", MakeBmp(1, 1)), Branch("sub.npc", {Leaf("x.t", "x")}),
                                      Leaf("..\\up.t", "u")}));
  EntryTree tree;
  ASSERT_TRUE(LoadCustomFile(dir / "a.god", (dir / "a.god").string(), tree));
  for (const auto& [item, offered] : {std::pair{kNoItem, ItemExport::kNone},
                                      {0, ItemExport::kNone},
                                      {1, ItemExport::kEntry},
                                      {2, ItemExport::kBranch},
                                      {9, ItemExport::kNone}})
    EXPECT_EQ(ExportOffered(tree, item), offered) << item;
  EXPECT_EQ(ReadEntryForExport(tree, 1).fileName + "|" + ReadEntryForExport(tree, 4).fileName, "face.bmp|");
  WriteFile(dir / "old.bmp", "old");
  const EntryForExport face = ReadEntryForExport(tree, 1);
  ASSERT_TRUE(WriteFileReplacing(dir / "old.bmp", face.extracted.data->data(), face.extracted.data->size()));
  EXPECT_EQ(ReadFile(dir / "old.bmp"), MakeBmp(1, 1));
  // A context that notes the progress and cancels once `cancelAt` entries are behind.
  struct Context : JobContext {
    std::uint64_t cancelAt = ~0u;
    std::string last;
    bool Cancelled() const override { return last.starts_with(std::to_string(cancelAt) + "/"); }
    void Progress(std::uint64_t done, std::uint64_t total, std::string_view item) override {
      last = std::to_string(done) + "/" + std::to_string(total) + " " + std::string(item);
    }
    bool Ask(JobQuestion&) override { return false; }
    void Hurry() override {}
    void WaitUntil(const std::function<bool()>&) override {}
    bool Pause(std::chrono::milliseconds) override { return true; }
  } context, cancelling;
  cancelling.cancelAt = 0;
  std::filesystem::create_directories(dir / "drag");
  std::filesystem::create_directories(dir / "cancelled");
  EXPECT_EQ(WriteItemForDrag(tree, 2, dir / "drag", context), std::vector{dir / "drag/sub"});
  EXPECT_EQ(Listing(dir / "drag"), (Strings{"sub/", "sub/x.txt"}));
  EXPECT_EQ(context.last, "0/1 x.t");
  EXPECT_EQ(WriteItemForDrag(tree, 2, dir / "cancelled", cancelling), std::vector{dir / "cancelled/sub"});
  EXPECT_EQ(Listing(dir / "cancelled"), (Strings{"sub/"}));
}

// The folders an export keeps open between entries, steps on one cache in a temporary folder: "open E/a/b"
// opens folder a/b of export folder E and creates a file named by the step's number through the handle;
// "fail:N E/a" expects the open to fail with errno N (a ".." component marks the path as leaving its folder);
// "size N" expects N folders kept and N descriptors held; "clear"; anything else goes to Apply. Out:
// everything in the folder afterwards.
TEST(FolderCache, Steps) {
  const struct {
    const char* name;
    Strings steps, listing;
  } rows[] = {
      // clang-format off
      // A kept handle follows its folder when renamed; after a clear a fresh open makes it again.
      {"KeepsTheFolderOpen", {"open hero/body", "mv hero/body hero/moved", "open hero/body", "size 1", "clear", "size 0", "open hero/body"},
       {"hero/", "hero/body/", "hero/body/6", "hero/moved/", "hero/moved/0", "hero/moved/2"}},
      {"TheDeepestKeptFolderServes", {"open hero/body", "open hero", "mv hero/body hero/moved", "open hero/body"}, {"hero/", "hero/1", "hero/moved/", "hero/moved/0", "hero/moved/3"}},
      // Folders above, beside and in another export folder get handles of their own.
      {"EachFolderItsOwn", {"open hero/a/b", "open hero/a", "open hero", "open hero/b", "open villain/a/b", "open hero/a/b", "open hero/a", "open hero", "open hero/b", "open villain/a/b"},
       {"hero/", "hero/2", "hero/7", "hero/a/", "hero/a/1", "hero/a/6", "hero/a/b/", "hero/a/b/0", "hero/a/b/5", "hero/b/", "hero/b/3", "hero/b/8", "villain/", "villain/a/", "villain/a/b/", "villain/a/b/4", "villain/a/b/9"}},
      // Below a kept folder a link planted since is not followed.
      {"LinkBelowAKeptFolder", {"outside/", "open hero/a", "hero/a/b->outside", "fail:40 hero/a/b", "fail:40 hero/a/b/c", "size 1"}, {"hero/", "hero/a/", "hero/a/1", "hero/a/b@", "outside/"}},
      {"AFailureIsTriedAgain", {"hero/a=file", "fail:20 hero/a", "hero/a!", "open hero/a"}, {"hero/", "hero/a/", "hero/a/3"}},
      {"LeavingIsRefused", {"fail:13 hero/../x"}, {}},
      // The least recently used goes first: 6..9 are kept, using 6 makes 7 the oldest.
      {"HoldsAtMostItsCapacity", {"open hero/0", "open hero/1", "open hero/2", "open hero/3", "open hero/4", "open hero/5", "open hero/6", "open hero/7", "open hero/8",
        "open hero/9", "size 4", "open hero/6", "open hero/new", "mv hero/6 hero/6-moved", "mv hero/7 hero/7-moved", "open hero/6", "open hero/7", "size 4", "clear", "size 0"},
       {"hero/", "hero/0/", "hero/0/0", "hero/1/", "hero/1/1", "hero/2/", "hero/2/2", "hero/3/", "hero/3/3", "hero/4/", "hero/4/4", "hero/5/", "hero/5/5", "hero/6-moved/",
        "hero/6-moved/11", "hero/6-moved/15", "hero/6-moved/6", "hero/7-moved/", "hero/7-moved/7", "hero/7/", "hero/7/16", "hero/8/", "hero/8/8", "hero/9/", "hero/9/9", "hero/new/", "hero/new/12"}},
  };
  // clang-format on
  const auto descriptors = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                         std::filesystem::directory_iterator());
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    OutputFolderCache cache;
    const auto before = descriptors();
    for (std::size_t i = 0; i < row.steps.size(); ++i) {
      const std::string& step = row.steps[i];
      const std::string verb = step.substr(0, step.find(' ')), arg = step.substr(step.find(' ') + 1);
      SCOPED_TRACE(step);
      OutputPath folder;
      folder.exportFolder = dir / arg.substr(0, arg.find('/'));
      if (arg.find('/') != std::string::npos) AppendNameComponents(arg.substr(arg.find('/') + 1), folder);
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
      } else if (verb == "size") {
        EXPECT_EQ(cache.size(), std::stoul(arg));
        EXPECT_EQ(descriptors(), before + std::stol(arg));
      } else if (verb == "clear") {
        cache.Clear();
      } else {
        Apply(dir.path(), {step});
      }
    }
    EXPECT_EQ(Listing(dir.path()), row.listing);
  }
}

}  // namespace
}  // namespace cfv
