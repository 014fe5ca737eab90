// tazor-cfv export, run as a user runs it: the real binary on real custom
// files, golden: arguments, standard input and the folder as it was in;
// exit status, standard output, standard error and the files on disk out.
#include <gtest/gtest.h>

#include <algorithm>

#include "custom_file_builder.h"
#include "run_process.h"

namespace cfv {
namespace {

using namespace test;
using Strings = std::vector<std::string>;

// In: arguments, standard input, ApplySteps in the test folder. Out: exit
// status, standard output and error (see ErrorMatches), every file and folder
// below game/ and out/ (inputs left out), what files hold ("path=bytes").
struct Row {
  const char* name;
  Strings args;
  std::string input;
  Strings before;
  int status;
  std::string out, err;
  Strings tree, holds;
};

const std::string kDone = "Export finished!\n";
const std::string kQ =
    "File [game/hero/x.txt] is already exists. Overwrite? [y]es/[n]o/[a]ll yes/[s]kip all/[c]ancel: ";
const std::string kAll = "written 4, not overwritten 0, failed 0\n";
const std::string kKept = "written 3, not overwritten 1, failed 0\n";
const std::string kNone = "written 0, not overwritten 0, failed 0\n";
const std::string kNox =
    "tazor-cfv: game/nox: refused: no extension, so no export folder can be made beside it (use -C DIR)\n";
const Strings kHero = {"game/hero/",         "game/hero/body/", "game/hero/body/a.txt",
                       "game/hero/face.bmp", "game/hero/x.txt", "game/hero/y.txt"};
const Strings kCancelled = {"game/hero/", "game/hero/body/", "game/hero/x.txt"};
const Strings kX = {"game/hero/x.txt=old x"};
const Strings kNewX = {"game/hero/x.txt=new x"};
const Strings kXY = {"game/hero/x.txt=old x", "game/hero/y.txt=old y"};
const std::string h = "game/hero.npc";

// clang-format off
const Row kRows[] = {
  {"Defaults", {h}, "", {}, 0, kDone, kAll, kHero, {"game/hero/x.txt=new x", "game/hero/face.bmp=BM...", "game/hero/body/a.txt=a"}},
  {"KeepOptions", {"--keep-extractable", "--keep-extension", h}, "", {}, 0, kDone, "written 5, not overwritten 0, failed 0\n",
   {"game/hero/", "game/hero/body.cmp", "game/hero/body/", "game/hero/body/a.t", "game/hero/face.bm", "game/hero/x.t", "game/hero/y.t"},
   {"game/hero/body.cmp=" + Serialize({Leaf("a.t", Zlib("a"))}), "game/hero/body/a.t=a"}},
  // An existing x.txt meets each policy; y.t comes after it.
  {"PolicyYes", {"--overwrite=yes", h}, "", kX, 0, kDone, kAll, kHero, kNewX},
  {"PolicyNo", {"--overwrite", "no", h}, "", kX, 1, kDone, "tazor-cfv: kept game/hero/x.txt\n" + kKept, kHero, kX},
  {"PolicyCancel", {"--overwrite=cancel", h}, "", kX, 1, kDone, "tazor-cfv: cancelled at game/hero/x.txt\n" + kNone, kCancelled, kX},
  {"AskYes", {"--overwrite=ask", h}, "y\n", kX, 0, kDone, kQ + kAll, kHero, kNewX},
  {"AskNo", {h}, "n\n", kX, 1, kDone, kQ + kKept, kHero, kX},
  {"AskCancel", {h}, "Cancel\n", kX, 1, kDone, kQ + kNone, kCancelled, kX},
  {"UnclearAsksAgain", {h}, "maybe\nYES\n", kX, 0, kDone, kQ + kQ + kAll, kHero, kNewX},
  {"CrLf", {h}, "y\r\n", kX, 0, kDone, kQ + kAll, kHero, kNewX},
  {"NoAnswerKeeps", {h}, "", kX, 1, kDone, kQ + "\n" + kKept, kHero, kX},
  // Only a whole line is an answer: neither the end of a long line, nor a
  // line with a NUL byte, nor what follows 256 bytes. Three lines that are
  // not answers answer No; so does endless input without a line break.
  {"EndOfALongLine", {h}, std::string(63, '0') + "y\n", kX, 1, kDone, kQ + kQ + "\n" + kKept, kHero, kX},
  {"LineWithNul", {h}, std::string("y\0\n", 3), kX, 1, kDone, kQ + kQ + "\n" + kKept, kHero, kX},
  {"Beyond256Bytes", {h}, std::string(300, 'y') + "\ny\n", kX, 0, kDone, kQ + kQ + kAll, kHero, kNewX},
  {"ThreeNonAnswers", {h}, "e\nb\nd\ny\n", kX, 1, kDone, kQ + kQ + kQ + "\n" + kKept, kHero, kX},
  {"LongLineCountsOnce", {h}, std::string(256, 'x') + "\ne\nb\ny\n", kX, 1, kDone, kQ + kQ + kQ + "\n" + kKept, kHero, kX},
  {"A512ByteLineCountsOnce", {h}, std::string(512, 'x') + "\ne\ny\n", kX, 0, kDone, kQ + kQ + kQ + kAll, kHero, kNewX},
  {"EndlessLine", {h}, std::string(769, 'y') + "\ny\n", kX, 1, kDone, kQ + "\n" + kKept, kHero, kX},
  {"EndlessNuls", {h}, std::string(1000, '\0'), kX, 1, kDone, kQ + "\n" + kKept, kHero, kX},
  // "a" answers Yes to all, "s" No to all: one question for both files.
  {"YesToAll", {h}, "a\n", kXY, 0, kDone, kQ + kAll, kHero, {"game/hero/x.txt=new x", "game/hero/y.txt=new y"}},
  {"NoToAll", {h}, "s\n", kXY, 1, kDone, kQ + "written 2, not overwritten 2, failed 0\n", kHero, kXY},
  {"FailuresNamed", {h, "game/evil.god"}, "", {"game/hero/x.txt/", "game/evil.god=" + Serialize({Leaf("..\\..\\escape.t", "e")})}, 1, kDone,
   "tazor-cfv: game/hero/x.txt: Is a directory\ntazor-cfv: game/evil/../../escape.txt: refused: the name leaves the export folder\n"
   "written 3, not overwritten 0, failed 2\n", {"game/hero/", "game/hero/body/", "game/hero/body/a.txt", "game/hero/face.bmp", "game/hero/x.txt/", "game/hero/y.txt"}, {}},
  {"OutputDir", {"-C", "out", h, "game/nox"}, "", {}, 0, kDone, "written 5, not overwritten 0, failed 0\n",
   {"out/", "out/hero/", "out/hero/body/", "out/hero/body/a.txt", "out/hero/face.bmp", "out/hero/x.txt", "out/hero/y.txt", "out/nox/", "out/nox/n.txt"}, {"out/nox/n.txt=n"}},
  {"NoExtensionBeside", {"game/nox"}, "", {}, 1, kDone, kNox + "written 0, not overwritten 0, failed 1\n", {}, {}},
  {"DryRunCreatesNothing", {"--dry-run", "--output-dir", "out", h}, "", {}, 0,
   "out/hero/x.txt\nout/hero/face.bmp\nout/hero/body/a.txt\nout/hero/y.txt\n", kAll, {}, {}},
  {"Verbose", {"-v", "--include", "*.t", h}, "", {}, 0, "game/hero/x.txt\ngame/hero/y.txt\n" + kDone,
   "written 2, not overwritten 0, failed 0\n", {"game/hero/", "game/hero/x.txt", "game/hero/y.txt"}, {}},
  // A branch pattern takes what the branch holds; ** crosses '/'; --exclude wins; case is ignored.
  {"IncludeBranch", {"--keep-extractable", "--include", "BODY.cmp", h}, "", {}, 0, kDone, "written 2, not overwritten 0, failed 0\n",
   {"game/hero/", "game/hero/body.cmp", "game/hero/body/", "game/hero/body/a.txt"}, {}},
  {"IncludeExclude", {"--include", "**/*.t", "--exclude", "x.t", "--exclude", "body.cmp", h}, "", {}, 0, kDone,
   "written 1, not overwritten 0, failed 0\n", {"game/hero/", "game/hero/y.txt"}, {}},
  {"QuietPrintsOnlyErrors", {"-q", "game/nox", h}, "", {}, 1, "", kNox, kHero, {}},
  {"NoCustomFile", {"game/readme.txt"}, "", {}, 1, "", "tazor-cfv: none of the inputs is a custom file\n", {}, {}},
  // A missing path is named; the paths that exist are still exported.
  {"MissingPath", {"nope.npc", h}, "", {}, 2, kDone, "tazor-cfv: nope.npc: No such file or directory\n" + kAll, kHero, {}},
  {"NoPath", {}, "", {}, 2, "", "*PATH", {}, {}},
  {"UnknownPolicy", {"--overwrite=maybe", "game"}, "", {}, 2, "", "*maybe", {}, {}},
  {"UnknownOption", {"--frobnicate", "game"}, "", {}, 2, "", "*frobnicate", {}, {}},
};
// clang-format on

void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

class ExportCli : public ::testing::TestWithParam<Row> {};

TEST_P(ExportCli, Golden) {
  const Row& row = GetParam();
  TempDir dir;
  WriteFile(dir / "game/hero.npc",
            Serialize({Leaf("x.t", "new x"), Leaf("face.bm", "BM..."),
                       Branch("body.cmp", {Leaf("a.t", Zlib("a"))}), Leaf("y.t", "new y")}));
  WriteFile(dir / "game/nox", Serialize({Leaf("n.t", "n")}));
  WriteFile(dir / "game/readme.txt", "not a custom file");
  ApplySteps(dir.path(), row.before);
  Strings args = row.args;
  args.insert(args.begin(), {TAZOR_CFV, "export"});
  const auto r = RunProcess(args, row.input, dir.path());

  EXPECT_EQ(r.status, row.status);
  EXPECT_EQ(r.out, row.out);
  EXPECT_TRUE(ErrorMatches(r.err, row.err)) << r.err;
  Strings tree;  // the inputs (the files directly in game/) left out
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path()))
    if (entry.path() != dir / "game" && (entry.path().parent_path() != dir / "game" || entry.is_directory()))
      tree.push_back(entry.path().lexically_relative(dir.path()).string() +
                     (entry.is_directory() ? "/" : ""));
  std::ranges::sort(tree);
  EXPECT_EQ(tree, row.tree);
  for (const std::string& hold : row.holds) {
    const std::size_t at = hold.find('=');
    EXPECT_EQ(ReadFile(dir / hold.substr(0, at)), hold.substr(at + 1)) << hold.substr(0, at);
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, ExportCli, ::testing::ValuesIn(kRows),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace cfv
