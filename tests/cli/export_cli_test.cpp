// tazor-cfv export, run as a user runs it: the real binary on real custom
// files, checking the files written, standard output, standard error and the
// exit status.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "custom_file_builder.h"
#include "run_process.h"

namespace cfv {
namespace {

using test::Branch;
using test::Leaf;
using test::ReadFile;

class ExportCli : public ::testing::Test {
 protected:
  void SetUp() override {
    test::WriteFile(
        dir_ / "game/hero.npc",
        test::Serialize({Leaf("x.t", "new x"), Leaf("face.bm", "BM..."),
                         Branch("body.cmp", {Leaf("a.t", test::Zlib("a"))}), Leaf("y.t", "new y")}));
  }
  test::ProcessResult Cfv(std::vector<std::string> args, const std::string& input = "") {
    args.insert(args.begin(), "export");
    args.insert(args.begin(), TAZOR_CFV);
    return test::RunProcess(args, input, dir_.path());
  }
  bool Exists(const char* path) const { return std::filesystem::exists(dir_ / path); }

  test::TempDir dir_;
};

TEST_F(ExportCli, ByDefaultBothOptionsAreOn) {
  const auto r = Cfv({"game/hero.npc"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Export finished!\n");
  EXPECT_EQ(r.err, "written 4, not overwritten 0, failed 0\n");
  EXPECT_EQ(ReadFile(dir_ / "game/hero/x.txt"), "new x");
  EXPECT_EQ(ReadFile(dir_ / "game/hero/face.bmp"), "BM...");
  EXPECT_EQ(ReadFile(dir_ / "game/hero/body/a.txt"), "a");
  EXPECT_FALSE(Exists("game/hero/body.cmp"));
}

TEST_F(ExportCli, KeepOptionsTurnEachOptionOff) {
  const auto r = Cfv({"--keep-extractable", "--keep-extension", "game"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(dir_ / "game/hero/x.t"), "new x");
  EXPECT_EQ(ReadFile(dir_ / "game/hero/face.bm"), "BM...");
  EXPECT_EQ(ReadFile(dir_ / "game/hero/body.cmp"), test::Serialize({Leaf("a.t", test::Zlib("a"))}));
  EXPECT_EQ(ReadFile(dir_ / "game/hero/body/a.t"), "a");
  EXPECT_FALSE(Exists("game/hero/x.txt"));
}

// An existing game/hero/x.txt meets each policy; y.t comes after it.
struct PolicyCase {
  std::vector<std::string> args;
  std::string input;
  int status;
  std::string err;
  std::string x;  // game/hero/x.txt afterwards
  bool yWritten;
  std::string summary;
};

class OverwritePolicies : public ExportCli, public ::testing::WithParamInterface<PolicyCase> {};

TEST_P(OverwritePolicies, Golden) {
  test::WriteFile(dir_ / "game/hero/x.txt", "old x");
  std::vector<std::string> args = GetParam().args;
  args.push_back("game/hero.npc");
  const auto r = Cfv(args, GetParam().input);
  EXPECT_EQ(r.status, GetParam().status);
  EXPECT_EQ(r.err, GetParam().err + GetParam().summary);
  EXPECT_EQ(r.out, "Export finished!\n");
  EXPECT_EQ(ReadFile(dir_ / "game/hero/x.txt"), GetParam().x);
  EXPECT_EQ(Exists("game/hero/y.txt"), GetParam().yWritten);
}

const std::string kQuestion =
    "File [game/hero/x.txt] is already exists. Overwrite? [y]es/[n]o/[a]ll yes/[s]kip all/[c]ancel: ";
const std::string kAll = "written 4, not overwritten 0, failed 0\n";
const std::string kKept = "written 3, not overwritten 1, failed 0\n";
const std::string kNone = "written 0, not overwritten 0, failed 0\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, OverwritePolicies,
    ::testing::Values(
        PolicyCase{{"--overwrite=yes"}, "", 0, "", "new x", true, kAll},
        PolicyCase{{"--overwrite", "no"}, "", 1, "tazor-cfv: kept game/hero/x.txt\n", "old x", true, kKept},
        PolicyCase{{"--overwrite=cancel"},
                   "",
                   1,
                   "tazor-cfv: cancelled at game/hero/x.txt\n",
                   "old x",
                   false,
                   kNone},
        PolicyCase{{"--overwrite=ask"}, "y\n", 0, kQuestion, "new x", true, kAll},
        PolicyCase{{}, "n\n", 1, kQuestion, "old x", true, kKept},
        PolicyCase{{}, "Cancel\n", 1, kQuestion, "old x", false, kNone},
        // An unclear answer asks again.
        PolicyCase{{}, "maybe\nYES\n", 0, kQuestion + kQuestion, "new x", true, kAll},
        PolicyCase{{}, "y\r\n", 0, kQuestion, "new x", true, kAll},
        // No answer at all keeps the file.
        PolicyCase{{}, "", 1, kQuestion + "\n", "old x", true, kKept},
        // Only a whole line is an answer: neither the end of a long line,
        // nor a line with a NUL byte, nor what follows 256 bytes.
        PolicyCase{{}, std::string(63, '0') + "y\n", 1, kQuestion + kQuestion + "\n", "old x", true, kKept},
        PolicyCase{{}, std::string("y\0\n", 3), 1, kQuestion + kQuestion + "\n", "old x", true, kKept},
        PolicyCase{{}, std::string(300, 'y') + "\ny\n", 0, kQuestion + kQuestion, "new x", true, kAll},
        // Three lines that are not answers answer No; so does endless
        // input without a line break, after a bounded read (/dev/zero).
        PolicyCase{{}, "e\nb\nd\ny\n", 1, kQuestion + kQuestion + kQuestion + "\n", "old x", true, kKept},
        PolicyCase{{}, std::string(769, 'y') + "\ny\n", 1, kQuestion + "\n", "old x", true, kKept},
        PolicyCase{{}, std::string(1000, '\0'), 1, kQuestion + "\n", "old x", true, kKept}),
    [](const auto& row) { return std::to_string(row.index); });

TEST_F(ExportCli, FailuresAreNamedAndMakeTheStatusOne) {
  std::filesystem::create_directories(dir_ / "game/hero/x.txt");
  test::WriteFile(dir_ / "game/evil.god", test::Serialize({Leaf("..\\..\\escape.t", "e")}));
  const auto r = Cfv({"--overwrite=yes", "game/hero.npc", "game/evil.god"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "tazor-cfv: game/hero/x.txt: Is a directory\n"
            "tazor-cfv: game/evil/../../escape.txt: refused: the name leaves the export folder\n"
            "written 3, not overwritten 0, failed 2\n");
  EXPECT_EQ(r.out, "Export finished!\n");
  EXPECT_EQ(ReadFile(dir_ / "game/hero/y.txt"), "new y");
  EXPECT_FALSE(Exists("escape.txt"));
  EXPECT_FALSE(Exists("game/evil"));
}

// Every file and folder below the test folder but the inputs, '/' after
// folders.
std::vector<std::string> Tree(const std::filesystem::path& root) {
  std::vector<std::string> out;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    std::string path = entry.path().lexically_relative(root).string();
    if (path == "game" || path == "game/hero.npc" || path == "game/nox" || path == "game/readme.txt")
      continue;
    out.push_back(path + (entry.is_directory() ? "/" : ""));
  }
  std::sort(out.begin(), out.end());
  return out;
}

// The options beyond the overwrite policy, golden: arguments (the inputs
// follow), standard input, exit status, standard output, standard error
// and what is on disk afterwards. hero.npc holds x.t, face.bm, body.cmp
// (holding a.t) and y.t; nox is a custom file without an extension.
struct OptionCase {
  const char* name;
  std::vector<std::string> args;
  std::string input;
  int status;
  std::string out;
  std::string err;
  std::vector<std::string> tree;
};

class ExportOptionsGolden : public ExportCli, public ::testing::WithParamInterface<OptionCase> {};

TEST_P(ExportOptionsGolden, Run) {
  const OptionCase& c = GetParam();
  test::WriteFile(dir_ / "game/nox", test::Serialize({Leaf("n.t", "n")}));
  test::WriteFile(dir_ / "game/readme.txt", "not a custom file");
  const auto r = Cfv(c.args, c.input);
  EXPECT_EQ(r.status, c.status);
  EXPECT_EQ(r.out, c.out);
  EXPECT_EQ(r.err, c.err);
  EXPECT_EQ(Tree(dir_.path()), c.tree);
}

const std::vector<std::string> kHeroBeside = {"game/hero/",         "game/hero/body/", "game/hero/body/a.txt",
                                              "game/hero/face.bmp", "game/hero/x.txt", "game/hero/y.txt"};

INSTANTIATE_TEST_SUITE_P(
    Cases, ExportOptionsGolden,
    ::testing::Values(
        OptionCase{"OutputDir",
                   {"-C", "out", "game/hero.npc", "game/nox"},
                   "",
                   0,
                   "Export finished!\n",
                   "written 5, not overwritten 0, failed 0\n",
                   {"out/", "out/hero/", "out/hero/body/", "out/hero/body/a.txt", "out/hero/face.bmp",
                    "out/hero/x.txt", "out/hero/y.txt", "out/nox/", "out/nox/n.txt"}},
        OptionCase{"NoExtensionBeside",
                   {"game/nox"},
                   "",
                   1,
                   "Export finished!\n",
                   "tazor-cfv: game/nox: refused: no extension, so no export folder can be made beside it "
                   "(use -C DIR)\nwritten 0, not overwritten 0, failed 1\n",
                   {}},
        OptionCase{"DryRunCreatesNothing",
                   {"--dry-run", "--output-dir", "out", "game/hero.npc"},
                   "",
                   0,
                   "out/hero/x.txt\nout/hero/face.bmp\nout/hero/body/a.txt\nout/hero/y.txt\n",
                   "written 4, not overwritten 0, failed 0\n",
                   {}},
        OptionCase{"Verbose",
                   {"-v", "--include", "*.t", "game/hero.npc"},
                   "",
                   0,
                   "game/hero/x.txt\ngame/hero/y.txt\nExport finished!\n",
                   "written 2, not overwritten 0, failed 0\n",
                   {"game/hero/", "game/hero/x.txt", "game/hero/y.txt"}},
        // A branch pattern takes what the branch holds; ** crosses '/';
        // --exclude wins; case is ignored.
        OptionCase{"IncludeBranch",
                   {"--keep-extractable", "--include", "BODY.cmp", "game/hero.npc"},
                   "",
                   0,
                   "Export finished!\n",
                   "written 2, not overwritten 0, failed 0\n",
                   {"game/hero/", "game/hero/body.cmp", "game/hero/body/", "game/hero/body/a.txt"}},
        OptionCase{"IncludeExclude",
                   {"--include", "**/*.t", "--exclude", "x.t", "--exclude", "body.cmp", "game/hero.npc"},
                   "",
                   0,
                   "Export finished!\n",
                   "written 1, not overwritten 0, failed 0\n",
                   {"game/hero/", "game/hero/y.txt"}},
        OptionCase{"QuietPrintsOnlyErrors",
                   {"-q", "game/nox", "game/hero.npc"},
                   "",
                   1,
                   "",
                   "tazor-cfv: game/nox: refused: no extension, so no export folder can be made beside it "
                   "(use -C DIR)\n",
                   kHeroBeside},
        OptionCase{"NoCustomFile",
                   {"game/readme.txt"},
                   "",
                   1,
                   "",
                   "tazor-cfv: none of the inputs is a custom file\n",
                   {}}),
    [](const auto& row) { return std::string(row.param.name); });

// With x.txt and y.txt both there, "a" answers Yes to all and "s" No to
// all: one question, then both files are replaced or both kept.
TEST_F(ExportCli, AllAnswersHoldForTheRestOfTheExport) {
  for (const char* answer : {"a\n", "s\n"}) {
    std::filesystem::remove_all(dir_ / "game/hero");
    test::WriteFile(dir_ / "game/hero/x.txt", "old x");
    test::WriteFile(dir_ / "game/hero/y.txt", "old y");
    const auto r = Cfv({"game/hero.npc"}, answer);
    const bool all = answer[0] == 'a';
    EXPECT_EQ(r.err, kQuestion + (all ? kAll : "written 2, not overwritten 2, failed 0\n"));
    EXPECT_EQ(r.status, all ? 0 : 1);
    EXPECT_EQ(ReadFile(dir_ / "game/hero/x.txt"), all ? "new x" : "old x");
    EXPECT_EQ(ReadFile(dir_ / "game/hero/y.txt"), all ? "new y" : "old y");
  }
}

TEST_F(ExportCli, UsageErrorsAndMissingPaths) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string errContains;
  };
  const Case cases[] = {
      {{}, 2, "PATH"},
      {{"--overwrite=maybe", "game"}, 2, "maybe"},
      {{"--frobnicate", "game"}, 2, "frobnicate"},
  };
  for (const Case& c : cases) {
    const auto r = Cfv(c.args);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_NE(r.err.find(c.errContains), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_FALSE(Exists("game/hero"));
  }
  const auto help = Cfv({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--overwrite"), std::string::npos);

  // A missing path is named; the paths that exist are still exported.
  const auto r = Cfv({"nope.npc", "game/hero.npc"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("nope.npc"), std::string::npos);
  EXPECT_EQ(ReadFile(dir_ / "game/hero/y.txt"), "new y");
}

}  // namespace
}  // namespace cfv
