// The export engine on real custom files in a temporary folder: one
// scenario per row, from the files, the folder as it was and the user's
// answers to the messages shown, the files written and the counts.
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
#include <deque>

#include "custom_file_builder.h"
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

// Writes through the real system calls but fails at one chosen step, the
// way a full disk or a failing device would. The failing write puts half
// the bytes down first, as a short write before ENOSPC does. Without
// `unnamed` it acts as a file system that has no unnamed files (NFS, FAT).
class FailingWriter : public FileWriter {
 public:
  enum class Step { kNone, kOpen, kWrite, kFlush, kClose, kWriteAndClose };
  explicit FailingWriter(Step step, bool unnamed = true) : step_(step), unnamed_(unnamed) {}
  int OpenUnnamed(int folder) override {
    if (unnamed_ && step_ != Step::kOpen) return FileWriter::OpenUnnamed(folder);
    errno = step_ == Step::kOpen ? ENOSPC : EOPNOTSUPP;
    return -1;
  }
  bool WriteAll(int fd, const unsigned char* data, std::size_t length) override {
    if (step_ != Step::kWrite && step_ != Step::kWriteAndClose) return FileWriter::WriteAll(fd, data, length);
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
    if (step_ != Step::kClose && step_ != Step::kWriteAndClose) return closed;
    errno = EIO;
    return false;
  }

 private:
  Step step_;
  bool unnamed_;
};
using Step = FailingWriter::Step;

struct File {
  std::string path;  // relative to the temporary folder
  std::vector<Entry> entries;
};

struct Row {
  const char* name;
  std::vector<File> files;  // written, then loaded in this order, every item checked
  Strings before;           // ApplySteps before loading
  Strings afterLoad;        // ApplySteps between loading and exporting
  // Options: S skipExtractable off, R renameExtension off, O destination
  // out/, L a destination with a 300-byte name, D dry run, F a file size
  // limit of 1,000 bytes.
  std::string options;
  const char* checkOnly = nullptr;  // the only item checked ("" none)
  std::string answers;              // y n c Y N: Yes, No, Cancel, Yes to All, No to All
  std::uint32_t cancelAt = ~0u;     // the progress report that answers Cancel
  Step fault = Step::kNone;
  // Out: the messages ("ask", "read", "write", "refused", then "finished";
  // paths relative to the temporary folder), the causes when given, the
  // listing of a folder (relative, "" for all), what files hold ("p=bytes",
  // "p%640" for the mode), the counts written, not overwritten, failed and
  // cancelled, and the last progress report with as many before it.
  Strings events;
  Strings causes;
  std::string listed;
  Strings listing;
  Strings holds;
  std::array<std::uint32_t, 4> counts{};
  std::string lastProgress = {};
};

const std::string kText = "hello\r\nworld\r\n";
const std::string kBig(100000, 'x');
const std::vector<Entry> kHero = {Leaf("face.bm", test::Zlib(test::MakeBmp(2, 2))),
                                  Branch("body.cmp", {Leaf("a.t", test::Gzip(kText))})};
const std::vector<Entry> kGameHero = {
    Leaf("x.t", "new x"), Branch("body.cmp", {Leaf("a.t", test::Zlib("a"))}), Leaf("y.t", "new y")};
const Strings kGameThere = {"game/hero/x.txt=old x", "game/hero/y.txt=old y"};
const std::vector<Entry> kDotNamed = {Leaf(".profile", "p"), Leaf(".ssh\\authorized_keys", "k"),
                                      Leaf("Documents\\note.t", "n"), Leaf("..god", "g")};
std::string Errno(int error) { return " " + std::to_string(error); }

// clang-format off
const Row kRows[] = {
  // The four option pairs on hero.npc: a zlib bitmap and a branch with a gzip text.
  {"KeepBranchesKeepNames", {{"hero.npc", kHero}}, {}, {}, "SR", nullptr, "", ~0u, Step::kNone, {"finished"}, {}, "",
   {"hero.npc", "hero/", "hero/body.cmp", "hero/body/", "hero/body/a.t", "hero/face.bm"},
   {"hero/body/a.t=" + kText, "hero/face.bm=" + test::MakeBmp(2, 2), "hero/body.cmp=" + test::Serialize(kHero[1].children)}, {3, 0, 0, 0}},
  {"KeepBranchesRename", {{"hero.npc", kHero}}, {}, {}, "S", nullptr, "", ~0u, Step::kNone, {"finished"}, {}, "",
   {"hero.npc", "hero/", "hero/body.cmp", "hero/body/", "hero/body/a.txt", "hero/face.bmp"}, {"hero/body/a.txt=" + kText}, {3, 0, 0, 0}},
  {"SkipBranchesKeepNames", {{"hero.npc", kHero}}, {}, {}, "R", nullptr, "", ~0u, Step::kNone, {"finished"}, {}, "",
   {"hero.npc", "hero/", "hero/body/", "hero/body/a.t", "hero/face.bm"}, {"hero/face.bm=" + test::MakeBmp(2, 2)}, {2, 0, 0, 0}},
  {"SkipBranchesRename", {{"hero.npc", kHero}}, {}, {}, "", nullptr, "", ~0u, Step::kNone, {"finished"}, {}, "",
   {"hero.npc", "hero/", "hero/body/", "hero/body/a.txt", "hero/face.bmp"}, {"hero/face.bmp=" + test::MakeBmp(2, 2)}, {2, 0, 0, 0}},
  {"CheckedUnderUncheckedBranch", {{"hero.npc", kHero}}, {}, {}, "", "a.t", "", ~0u, Step::kNone, {"finished"}, {}, "",
   {"hero.npc", "hero/", "hero/body/", "hero/body/a.txt"}, {}, {1, 0, 0, 0}},
  {"NothingChecked", {{"hero.npc", kHero}}, {}, {}, "", "", "", ~0u, Step::kNone, {"finished"}, {}, "", {"hero.npc"}, {}, {}},
  {"EmptyTree", {}, {}, {}, "", nullptr, "", ~0u, Step::kNone, {"finished"}, {}, "", {}, {}, {}},
  // Two siblings share x.txt: the second meets the question. A No holds for
  // its own file only; after a Cancel the later folder is still made.
  {"SiblingsYes", {{"hero.npc", {Leaf("x.t", "first"), Leaf("x.t", "second"), Branch("later.cmp", {Leaf("y.t", "later")})}}}, {}, {},
   "", nullptr, "y", ~0u, Step::kNone, {"ask hero/x.txt", "finished"}, {}, "hero", {"later/", "later/y.txt", "x.txt"}, {"hero/x.txt=second"}, {3, 0, 0, 0}},
  {"SiblingsNo", {{"hero.npc", {Leaf("x.t", "first"), Leaf("x.t", "second"), Branch("later.cmp", {Leaf("y.t", "later")})}}}, {}, {},
   "", nullptr, "n", ~0u, Step::kNone, {"ask hero/x.txt", "finished"}, {}, "hero", {"later/", "later/y.txt", "x.txt"}, {"hero/x.txt=first"}, {2, 1, 0, 0}},
  {"SiblingsCancel", {{"hero.npc", {Leaf("x.t", "first"), Leaf("x.t", "second"), Branch("later.cmp", {Leaf("y.t", "later")})}}}, {}, {},
   "", nullptr, "c", ~0u, Step::kNone, {"ask hero/x.txt", "finished"}, {}, "hero", {"later/", "x.txt"}, {"hero/x.txt=first"}, {1, 0, 0, 2}},
  {"CancelAtTheFirstQuestion", {{"hero.npc", kHero}}, {"hero/face.bmp=old"}, {}, "", nullptr, "c", ~0u, Step::kNone,
   {"ask hero/face.bmp", "finished"}, {}, "", {"hero.npc", "hero/", "hero/body/", "hero/face.bmp"}, {"hero/face.bmp=old"}, {0, 0, 0, 2}},
  {"YesReplaces", {{"hero.npc", kHero}}, {"hero/face.bmp=old"}, {}, "", nullptr, "y", ~0u, Step::kNone,
   {"ask hero/face.bmp", "finished"}, {}, "hero", {"body/", "body/a.txt", "face.bmp"}, {"hero/face.bmp=" + test::MakeBmp(2, 2), "hero/body/a.txt=" + kText}, {2, 0, 0, 0}},
  {"FolderAtTheTarget", {{"hero.npc", {Leaf("x.t", "one"), Leaf("y.t", "two")}}}, {"hero/x.txt/"}, {}, "", nullptr, "", ~0u, Step::kNone,
   {"write hero/x.txt", "finished"}, {}, "hero", {"x.txt/", "y.txt"}, {"hero/y.txt=two"}, {1, 0, 1, 0}},
  {"KeepsTheReplacedFilesMode", {{"hero.npc", {Leaf("x.t", "new")}}}, {"hero/x.txt=old", "hero/x.txt%640"}, {}, "", nullptr, "y", ~0u,
   Step::kNone, {"ask hero/x.txt", "finished"}, {}, "hero", {"x.txt"}, {"hero/x.txt=new", "hero/x.txt%640"}, {1, 0, 0, 0}},
  // Beside a custom file without an extension there is no room for its folder.
  {"NoExtension", {{"game/hero.npc", kGameHero}, {"game/nox", {Leaf("n.t", "n")}}}, kGameThere, {}, "", "n.t", "", ~0u, Step::kNone,
   {"refused game/nox", "finished"}, {"no-extension game/nox 0"}, "game", {"hero.npc", "hero/", "hero/x.txt", "hero/y.txt", "nox"}, {}, {0, 0, 1, 0}, "0/1 n.t"},
  {"Destination", {{"game/hero.npc", kGameHero}, {"game/nox", {Leaf("n.t", "n")}}}, {"game/hero/x.txt=old x", "out/hero/y.txt=old y"}, {}, "O", nullptr,
   "y", ~0u, Step::kNone, {"ask out/hero/y.txt", "finished"}, {}, "out", {"hero/", "hero/body/", "hero/body/a.txt", "hero/x.txt", "hero/y.txt", "nox/", "nox/n.txt"},
   {"game/hero/x.txt=old x", "out/hero/x.txt=new x", "out/nox/n.txt=n"}, {4, 0, 0, 0}, "3/4 n.t"},
  {"YesToAll", {{"game/hero.npc", kGameHero}}, kGameThere, {}, "", nullptr, "Y", ~0u, Step::kNone, {"ask game/hero/x.txt", "finished"}, {}, "game",
   {"hero.npc", "hero/", "hero/body/", "hero/body/a.txt", "hero/x.txt", "hero/y.txt"}, {"game/hero/y.txt=new y"}, {3, 0, 0, 0}, "2/3 y.t"},
  {"NoToAll", {{"game/hero.npc", kGameHero}}, kGameThere, {}, "", nullptr, "N", ~0u, Step::kNone, {"ask game/hero/x.txt", "finished"}, {}, "game",
   {"hero.npc", "hero/", "hero/body/", "hero/body/a.txt", "hero/x.txt", "hero/y.txt"}, {"game/hero/y.txt=old y"}, {1, 2, 0, 0}, "2/3 y.t"},
  // Cancel from progress before a.t: nothing after it, but the later folders are made.
  {"CancelFromProgress", {{"game/hero.npc", kGameHero}}, kGameThere, {}, "", nullptr, "y", 1, Step::kNone, {"ask game/hero/x.txt", "finished"}, {}, "game",
   {"hero.npc", "hero/", "hero/body/", "hero/x.txt", "hero/y.txt"}, {"game/hero/x.txt=new x"}, {1, 0, 0, 2}, "2/3 y.t"},
  // A dry run asks nothing and creates nothing.
  {"DryRunToDestination", {{"game/hero.npc", kGameHero}, {"game/nox", {Leaf("n.t", "n")}}}, {"out/hero/y.txt=old y"}, {}, "OD", nullptr, "", ~0u,
   Step::kNone, {"finished"}, {}, "out", {"hero/", "hero/y.txt"}, {}, {4, 0, 0, 0}, "3/4 n.t"},
  {"DryRunBeside", {{"game/hero.npc", kGameHero}, {"game/nox", {Leaf("n.t", "n")}}}, kGameThere, {}, "D", nullptr, "", ~0u, Step::kNone,
   {"refused game/nox", "finished"}, {"no-extension game/nox 0"}, "game", {"hero.npc", "hero/", "hero/x.txt", "hero/y.txt", "nox"}, {}, {3, 0, 1, 0}, "3/4 n.t"},
  {"TwoCustomFilesShareAFolder", {{"hero.npc", {Leaf("x.t", "npc")}}, {"hero.god", {Leaf("x.t", "god"), Leaf("z.t", "z")}}}, {}, {}, "", nullptr, "n", ~0u,
   Step::kNone, {"ask hero/x.txt", "finished"}, {}, "hero", {"x.txt", "z.txt"}, {"hero/x.txt=npc", "hero/z.txt=z"}, {2, 1, 0, 0}},
  {"ACustomFileLoadedTwice", {{"hero.npc", {Leaf("x.t", "x"), Leaf("y.t", "y")}}, {"hero.npc", {Leaf("x.t", "x"), Leaf("y.t", "y")}}}, {}, {}, "", nullptr,
   "yn", ~0u, Step::kNone, {"ask hero/x.txt", "ask hero/y.txt", "finished"}, {}, "hero", {"x.txt", "y.txt"}, {}, {3, 1, 0, 0}},
  {"NamesAsWindowsStoresThem", {{"hero.npc", {Leaf("sub\\x.t", "backslash"), Leaf("s2/y.t", "slash"), Leaf("顔グラ.bm", test::MakeBmp(1, 1)),
   Leaf("  blank  .t", "blanks"), Leaf("dots...", "dots"), Branch("abc .cmp", {Leaf("in.t", "inside")}), Branch("tail..cmp", {})}}}, {}, {}, "S", nullptr, "",
   ~0u, Step::kNone, {"finished"}, {}, "hero", {"abc.cmp", "abc/", "abc/in.txt", "blank.txt", "dots", "s2/", "s2/y.txt", "sub/", "sub/x.txt", "tail..cmp", "顔グラ.bmp"},
   {"hero/abc/in.txt=inside", "hero/dots=dots", "hero/sub/x.txt=backslash"}, {8, 0, 0, 0}},
  {"AnUnreadableCustomFile", {{"hero.npc", {Leaf("x.t", "one"), Leaf("y.t", "two")}}, {"other.npc", {Leaf("z.t", "z")}}}, {}, {"hero.npc!"}, "", nullptr, "",
   ~0u, Step::kNone, {"read hero.npc", "read hero.npc", "finished"}, {"read hero.npc" + Errno(ENOENT), "read hero.npc" + Errno(ENOENT)}, "", {"hero/", "other.npc", "other/", "other/z.txt"}, {}, {1, 0, 2, 0}},
  // The tree keeps offsets only: a file changed after loading is read as it is now.
  {"ACustomFileChangedAfterLoading", {{"hero.npc", {Leaf("x.t", "one"), Leaf("y.t", "two")}}}, {}, {"hero.npc=" + test::Serialize({Leaf("x.t", "ONE")}) + std::string(60, 'z')},
   "", nullptr, "", ~0u, Step::kNone, {"read hero.npc", "finished"}, {}, "hero", {"x.txt"}, {"hero/x.txt=ONE"}, {1, 0, 1, 0}},
  // Hostile names, planted links: nothing is created or written outside the export folder.
  {"DotDotIsRefused", {{"hero.npc", {Leaf("..\\..\\x.t", "a"), Leaf("../x.t", "b"), Leaf("a/../../x.t", "c"), Leaf("..", "d"), Leaf("..\\outside\\x.t", "e"),
   Branch("..", {Leaf("under.t", "f")}), Leaf("ok.t", "g")}}}, {"outside/"}, {}, "S", nullptr, "", ~0u, Step::kNone,
   {"write hero/../../x.txt", "write hero/../x.txt", "write hero/a/../../x.txt", "write hero/..", "write hero/../outside/x.txt", "write hero/..", "write hero/../under.txt", "finished"},
   {"leaves-folder hero/../../x.txt 0", "leaves-folder hero/../x.txt 0", "leaves-folder hero/a/../../x.txt 0", "leaves-folder hero/.. 0", "leaves-folder hero/../outside/x.txt 0",
    "leaves-folder hero/.. 0", "leaves-folder hero/../under.txt 0"}, "", {"hero.npc", "hero/", "hero/ok.txt", "outside/"}, {}, {1, 0, 7, 0}},
  {"AbsolutePathsStayInside", {{"hero.npc", {Leaf("\\abs\\x.t", "a"), Leaf("/etc/y.t", "b"), Leaf("C:\\c.t", "c"), Leaf("D:d.t", "d")}}}, {}, {}, "S", nullptr, "",
   ~0u, Step::kNone, {"finished"}, {}, "", {"hero.npc", "hero/", "hero/C:/", "hero/C:/c.txt", "hero/D:d.txt", "hero/abs/", "hero/abs/x.txt", "hero/etc/", "hero/etc/y.txt"}, {}, {4, 0, 0, 0}},
  {"APlantedFolderLink", {{"hero.npc", {Branch("body.cmp", {Leaf("a.t", "a")}), Leaf("b.t", "b")}}}, {"outside/", "hero/body->outside"}, {}, "", nullptr, "", ~0u,
   Step::kNone, {"write hero/body/a.txt", "finished"}, {}, "", {"hero.npc", "hero/", "hero/b.txt", "hero/body@", "outside/"}, {"hero/b.txt=b"}, {1, 0, 1, 0}},
  {"APlantedExportFolderLink", {{"hero.npc", {Leaf("a.t", "a")}}}, {"outside/", "hero->outside"}, {}, "", nullptr, "", ~0u, Step::kNone,
   {"write hero/a.txt", "finished"}, {}, "", {"hero.npc", "hero@", "outside/"}, {}, {0, 0, 1, 0}},
  // A link at a file's own name is asked about; Yes replaces the link itself.
  {"APlantedFileLink", {{"hero.npc", {Leaf("a.t", "new"), Leaf("b.t", "new")}}}, {"outside/victim=precious", "hero/a.txt->outside/victim", "hero/b.txt->outside/victim"}, {},
   "", nullptr, "yn", ~0u, Step::kNone, {"ask hero/a.txt", "ask hero/b.txt", "finished"}, {}, "hero", {"a.txt", "b.txt@"}, {"outside/victim=precious", "hero/a.txt=new"}, {1, 1, 0, 0}},
  // A custom file whose stem is empty, "." or ".." has no export folder strictly inside its own folder.
  {"StemDots", {{"...god", kDotNamed}}, {}, {}, "S", nullptr, "yy", ~0u, Step::kNone, {"refused ...god", "finished"}, {"folder-name ...god 0"}, "", {"...god"}, {"...god=" + test::Serialize(kDotNamed)}, {0, 0, 4, 0}},
  {"StemDot", {{"..god", kDotNamed}}, {}, {}, "S", nullptr, "yy", ~0u, Step::kNone, {"refused ..god", "finished"}, {}, "", {"..god"}, {"..god=" + test::Serialize(kDotNamed)}, {0, 0, 4, 0}},
  {"StemDotBlank", {{". .god", kDotNamed}}, {}, {}, "S", nullptr, "yy", ~0u, Step::kNone, {"refused . .god", "finished"}, {}, "", {". .god"}, {}, {0, 0, 4, 0}},
  {"StemDotDotBlank", {{".. .npc", kDotNamed}}, {}, {}, "S", nullptr, "yy", ~0u, Step::kNone, {"refused .. .npc", "finished"}, {}, "", {".. .npc"}, {}, {0, 0, 4, 0}},
  // Never a custom file being exported, by name or as a hard link, even after a Yes.
  {"CustomFilesAreNeverReplaced", {{"a.god", {Leaf("b.god", "x"), Leaf("c.t", "y")}}, {"a/b.god", {Leaf("z.t", "z")}}}, {"a/c.t=>a.god"}, {}, "R", nullptr, "yy", ~0u,
   Step::kNone, {"write a/b.god", "write a/c.t", "finished"}, {"custom-file a/b.god 0", "custom-file a/c.t 0"}, "", {"a.god", "a/", "a/b.god", "a/b/", "a/b/z.t", "a/c.t"},
   {"a.god=" + test::Serialize({Leaf("b.god", "x"), Leaf("c.t", "y")}), "a/b/z.t=z"}, {1, 0, 2, 0}},
  {"AnOverlongComponent", {{"hero.npc", {Leaf("a.t", "a")}}}, {}, {}, "L", nullptr, "", ~0u, Step::kNone, {"write " + std::string(300, 'n') + "/hero/a.txt", "finished"},
   {"write " + std::string(300, 'n') + "/hero/a.txt" + Errno(ENAMETOOLONG)}, "", {"hero.npc"}, {}, {0, 0, 1, 0}},
  // Failed writes, flushes and closes: reported, no partial file, the old one kept.
  // A flush is only needed before replacing a file: a new file has none to fail.
  {"FailedWriteNew", {{"hero.npc", {Leaf("a.t", kBig), Leaf("b.t", kBig)}}}, {}, {}, "", nullptr, "y", ~0u, Step::kWrite,
   {"write hero/a.txt", "write hero/b.txt", "finished"}, {"write hero/a.txt" + Errno(ENOSPC), "write hero/b.txt" + Errno(ENOSPC)}, "hero", {}, {}, {0, 0, 2, 0}},
  {"FailedWriteReplacing", {{"hero.npc", {Leaf("a.t", kBig), Leaf("b.t", kBig)}}}, {"hero/a.txt=the old file"}, {}, "", nullptr, "y", ~0u, Step::kWrite,
   {"ask hero/a.txt", "write hero/a.txt", "write hero/b.txt", "finished"}, {}, "hero", {"a.txt"}, {"hero/a.txt=the old file"}, {0, 0, 2, 0}},
  {"FailedFlushReplacing", {{"hero.npc", {Leaf("a.t", kBig), Leaf("b.t", kBig)}}}, {"hero/a.txt=the old file"}, {}, "", nullptr, "y", ~0u, Step::kFlush,
   {"ask hero/a.txt", "write hero/a.txt", "finished"}, {"write hero/a.txt" + Errno(EIO)}, "hero", {"a.txt", "b.txt"}, {"hero/a.txt=the old file", "hero/b.txt=" + kBig}, {1, 0, 1, 0}},
  {"FailedCloseNew", {{"hero.npc", {Leaf("a.t", kBig), Leaf("b.t", kBig)}}}, {}, {}, "", nullptr, "y", ~0u, Step::kClose,
   {"write hero/a.txt", "write hero/b.txt", "finished"}, {"write hero/a.txt" + Errno(EIO), "write hero/b.txt" + Errno(EIO)}, "hero", {}, {}, {0, 0, 2, 0}},
  {"FileSizeLimit", {{"hero.npc", {Leaf("a.t", kBig), Leaf("b.t", "small")}}}, {}, {}, "F", nullptr, "", ~0u, Step::kNone,
   {"write hero/a.txt", "finished"}, {"write hero/a.txt" + Errno(EFBIG)}, "hero", {"b.txt"}, {"hero/b.txt=small"}, {1, 0, 1, 0}},
  // No file can be opened to write into: neither a new file nor a replacement is made.
  {"FailedOpen", {{"hero.npc", {Leaf("a.t", "new"), Leaf("b.t", "new")}}}, {"hero/a.txt=old"}, {}, "", nullptr, "y", ~0u, Step::kOpen,
   {"ask hero/a.txt", "write hero/a.txt", "write hero/b.txt", "finished"}, {"write hero/a.txt" + Errno(ENOSPC), "write hero/b.txt" + Errno(ENOSPC)}, "hero", {"a.txt"}, {"hero/a.txt=old"}, {0, 0, 2, 0}},
  // A failed write is reported as such, though closing fails after it.
  {"FailedWriteAndClose", {{"hero.npc", {Leaf("a.t", kBig)}}}, {}, {}, "", nullptr, "", ~0u, Step::kWriteAndClose,
   {"write hero/a.txt", "finished"}, {"write hero/a.txt" + Errno(ENOSPC)}, "hero", {}, {}, {0, 0, 1, 0}},
  {"FailedCloseReplacing", {{"hero.npc", {Leaf("a.t", kBig), Leaf("b.t", kBig)}}}, {"hero/a.txt=the old file"}, {}, "", nullptr, "y", ~0u, Step::kClose,
   {"ask hero/a.txt", "write hero/a.txt", "write hero/b.txt", "finished"}, {}, "hero", {"a.txt"}, {"hero/a.txt=the old file"}, {0, 0, 2, 0}},
};
// clang-format on

void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

// Each row twice: with unnamed files, and as on a file system without them.
class Scenario : public ::testing::TestWithParam<std::tuple<Row, bool>> {};

TEST_P(Scenario, Runs) {
  const auto& [row, unnamed] = GetParam();
  test::TempDir dir;
  for (const File& file : row.files) test::WriteFile(dir / file.path, test::Serialize(file.entries));
  test::ApplySteps(dir.path(), row.before);
  std::vector<std::filesystem::path> paths;
  for (const File& file : row.files) paths.push_back(dir / file.path);
  EntryTree tree = test::LoadAllChecked(paths);
  if (row.checkOnly) {
    tree.CheckAll(false);
    if (*row.checkOnly) tree.SetChecked(test::FindItem(tree, row.checkOnly), true);
  }
  test::ApplySteps(dir.path(), row.afterLoad);

  std::deque<OverwriteAnswer> answers;
  for (const char answer : row.answers)
    answers.push_back(static_cast<OverwriteAnswer>(std::string_view("yncYN").find(answer) + 1));
  ScriptedUser user(answers);
  user.cancelAt = row.cancelAt;
  ExportOptions options;
  options.skipExtractable = row.options.find('S') == std::string::npos;
  options.renameExtension = row.options.find('R') == std::string::npos;
  options.dryRun = row.options.find('D') != std::string::npos;
  if (row.options.find('O') != std::string::npos) options.destination = dir / "out";
  if (row.options.find('L') != std::string::npos) options.destination = dir / std::string(300, 'n');
  FailingWriter writer(row.fault, unnamed);
  // F: files may grow to 1,000 bytes only (RLIMIT_FSIZE), so that a real
  // write fails as on a full disk.
  rlimit limit{};
  ::getrlimit(RLIMIT_FSIZE, &limit);
  const bool capped = row.options.find('F') != std::string::npos;
  const rlimit cap{1000, limit.rlim_max};
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  if (capped) ::setrlimit(RLIMIT_FSIZE, &cap);
  const ExportSummary summary = ExportEngine(tree, user, writer).Run(options);
  ::setrlimit(RLIMIT_FSIZE, &limit);
  std::signal(SIGXFSZ, oldHandler);

  const std::string prefix = dir.path().string() + "/";
  const auto relative = [&](Strings lines) {
    for (std::string& line : lines)
      for (auto at = line.find(prefix); at != std::string::npos; at = line.find(prefix))
        line.erase(at, prefix.size());
    return lines;
  };
  EXPECT_EQ(relative(user.events), row.events);
  if (!row.causes.empty()) {
    EXPECT_EQ(relative(user.causes), row.causes);
  }
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
  EXPECT_EQ(user.written.size(), summary.written);
  if (!row.lastProgress.empty()) {
    const std::string total = row.lastProgress.substr(row.lastProgress.find('/') + 1);
    EXPECT_EQ(user.progress.back(), row.lastProgress);
    EXPECT_EQ(user.progress.size(), std::stoul(total));
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, Scenario, ::testing::Combine(::testing::ValuesIn(kRows), ::testing::Bool()),
                         [](const auto& row) {
                           return std::string(std::get<0>(row.param).name) +
                                  (std::get<1>(row.param) ? "" : "_NoUnnamedFiles");
                         });

// An answer holds for one run only: the next run of the same engine asks
// again, even after Yes to All or Cancel.
TEST(Export, EachRunAsksAfresh) {
  test::TempDir dir;
  test::WriteFile(dir / "hero.npc", test::Serialize({Leaf("x.t", "x"), Leaf("y.t", "y")}));
  test::ApplySteps(dir.path(), {"hero/x.txt=old", "hero/y.txt=old"});
  EntryTree tree = test::LoadAllChecked({dir / "hero.npc"});
  ScriptedUser user({OverwriteAnswer::kYesToAll, OverwriteAnswer::kCancel, OverwriteAnswer::kNoToAll});
  ExportEngine engine(tree, user);
  for (int run = 0; run < 3; ++run) engine.Run(ExportOptions{});
  const std::string x = "ask " + (dir / "hero/x.txt").string();
  EXPECT_EQ(user.events, (Strings{x, "finished", x, "finished", x, "finished"}));
}

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
    ScriptedUser yes({OverwriteAnswer::kYes});
    StoppingWriter writer;
    ExportEngine(tree, yes, writer).Run(ExportOptions{});
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, WUNTRACED), pid);
  ASSERT_TRUE(WIFSTOPPED(status)) << status;
  ::kill(pid, SIGKILL);
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);

  EXPECT_EQ(Listing(dir / "hero"), GetParam().overwrite ? Strings{"big.bin"} : Strings{});
  if (GetParam().overwrite) {
    EXPECT_EQ(ReadFile(dir / "hero/big.bin"), "the old file");
  }

  // A kill between naming a replacement and renaming it leaves its
  // temporary name behind; another export is still writing the second.
  const std::string held = ".cfv-export-aaaaaaaaaaaa.tmp";
  test::ApplySteps(dir.path(), {"hero/.cfv-export-0123456789ab.tmp=part", "hero/" + held + "=being written"});
  const int holder = ::open((dir / "hero" / held).c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);
  ScriptedUser user2({OverwriteAnswer::kYes});
  ExportEngine(tree, user2).Run(ExportOptions{});
  ::close(holder);
  const std::string path = (dir / "hero/big.bin").string();
  EXPECT_EQ(user2.events, (GetParam().overwrite ? Strings{"ask " + path, "finished"} : Strings{"finished"}));
  EXPECT_EQ(Listing(dir / "hero"), (Strings{held, "after.txt", "big.bin"}));
  EXPECT_TRUE(ReadFile(dir / "hero/big.bin") == big);
}

INSTANTIATE_TEST_SUITE_P(Cases, KilledExport,
                         ::testing::Values(KillCase{false, false, "NewAsRoot"},
                                           KillCase{true, false, "OverwriteAsRoot"},
                                           KillCase{false, true, "NewAsUser"},
                                           KillCase{true, true, "OverwriteAsUser"}),
                         [](const auto& param) { return std::string(param.param.name); });

// What appears at a new file's name between the check and the write (a
// file, a link to one, a dangling link) makes the write fail rather than be
// replaced or followed; a replacement then goes in its place.
TEST(OutputFiles, ANewFileNeverReplacesOrFollowsWhatAppeared) {
  for (const Strings& planted :
       {Strings{"f/x=there first"}, Strings{"outside/victim=precious", "f/x->outside/victim"},
        Strings{"outside/", "f/x->outside/victim"}}) {
    SCOPED_TRACE(planted.back());
    test::TempDir dir;
    test::ApplySteps(dir.path(), planted);
    const Strings outside = Listing(dir.path());
    OutputPath folder;
    folder.exportFolder = dir / "f";
    FolderHandle handle = OpenOutputFolder(folder, false);
    ASSERT_TRUE(handle);
    const unsigned char bytes[] = {'n', 'e', 'w'};
    EXPECT_FALSE(WriteOutputFile(handle, "x", bytes, sizeof bytes, false, PosixFileWriter()));
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(Listing(dir.path()), outside);
    if (planted.front() == "outside/victim=precious") {
      EXPECT_EQ(ReadFile(dir / "outside/victim"), "precious");
    }
    EXPECT_TRUE(WriteOutputFile(handle, "x", bytes, sizeof bytes, true, PosixFileWriter()));
    EXPECT_EQ(ReadFile(dir / "f/x"), "new");
    if (planted.front() == "outside/victim=precious") {
      EXPECT_EQ(ReadFile(dir / "outside/victim"), "precious");
    }
  }
}

}  // namespace
}  // namespace cfv
