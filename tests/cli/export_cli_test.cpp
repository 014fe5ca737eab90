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
  EXPECT_EQ(r.err, "");
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
};

class OverwritePolicies : public ExportCli, public ::testing::WithParamInterface<PolicyCase> {};

TEST_P(OverwritePolicies, Golden) {
  test::WriteFile(dir_ / "game/hero/x.txt", "old x");
  std::vector<std::string> args = GetParam().args;
  args.push_back("game/hero.npc");
  const auto r = Cfv(args, GetParam().input);
  EXPECT_EQ(r.status, GetParam().status);
  EXPECT_EQ(r.err, GetParam().err);
  EXPECT_EQ(r.out, "Export finished!\n");
  EXPECT_EQ(ReadFile(dir_ / "game/hero/x.txt"), GetParam().x);
  EXPECT_EQ(Exists("game/hero/y.txt"), GetParam().yWritten);
}

const std::string kQuestion = "File [game/hero/x.txt] is already exists. Overwrite? [y]es/[n]o/[c]ancel: ";

INSTANTIATE_TEST_SUITE_P(
    Cases, OverwritePolicies,
    ::testing::Values(
        PolicyCase{{"--overwrite=yes"}, "", 0, "", "new x", true},
        PolicyCase{{"--overwrite", "no"}, "", 1, "tazor-cfv: kept game/hero/x.txt\n", "old x", true},
        PolicyCase{
            {"--overwrite=cancel"}, "", 1, "tazor-cfv: cancelled at game/hero/x.txt\n", "old x", false},
        PolicyCase{{"--overwrite=ask"}, "y\n", 0, kQuestion, "new x", true},
        PolicyCase{{}, "n\n", 1, kQuestion, "old x", true},
        PolicyCase{{}, "Cancel\n", 1, kQuestion, "old x", false},
        // An unclear answer asks again.
        PolicyCase{{}, "maybe\nYES\n", 0, kQuestion + kQuestion, "new x", true},
        PolicyCase{{}, "y\r\n", 0, kQuestion, "new x", true},
        // No answer at all keeps the file.
        PolicyCase{{}, "", 1, kQuestion + "\n", "old x", true},
        // Only a whole line is an answer: neither the end of a long line,
        // nor a line with a NUL byte, nor what follows 256 bytes.
        PolicyCase{{}, std::string(63, '0') + "y\n", 1, kQuestion + kQuestion + "\n", "old x", true},
        PolicyCase{{}, std::string("y\0\n", 3), 1, kQuestion + kQuestion + "\n", "old x", true},
        PolicyCase{{}, std::string(300, 'y') + "\ny\n", 0, kQuestion + kQuestion, "new x", true},
        // Three lines that are not answers answer No; so does endless
        // input without a line break, after a bounded read (/dev/zero).
        PolicyCase{{}, "a\nb\nd\ny\n", 1, kQuestion + kQuestion + kQuestion + "\n", "old x", true},
        PolicyCase{{}, std::string(769, 'y') + "\ny\n", 1, kQuestion + "\n", "old x", true},
        PolicyCase{{}, std::string(1000, '\0'), 1, kQuestion + "\n", "old x", true}),
    [](const auto& row) { return std::to_string(row.index); });

TEST_F(ExportCli, FailuresAreNamedAndMakeTheStatusOne) {
  std::filesystem::create_directories(dir_ / "game/hero/x.txt");
  test::WriteFile(dir_ / "game/evil.god", test::Serialize({Leaf("..\\..\\escape.t", "e")}));
  const auto r = Cfv({"--overwrite=yes", "game/hero.npc", "game/evil.god"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "tazor-cfv: Error: Cannot open file. [game/hero/x.txt]\n"
            "tazor-cfv: Error: Cannot open file. [game/evil/../../escape.txt]\n");
  EXPECT_EQ(r.out, "Export finished!\n");
  EXPECT_EQ(ReadFile(dir_ / "game/hero/y.txt"), "new y");
  EXPECT_FALSE(Exists("escape.txt"));
  EXPECT_FALSE(Exists("game/evil"));
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
