// tazor-cfv diff and grep as a user runs them: the real binary on real custom files; standard output,
// standard error and the exit status.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "containers/cp932.h"
#include "custom_file_builder.h"
#include "run_process.h"

namespace cfv {
namespace {

using namespace test;
using Strings = std::vector<std::string>;

ProcessResult Cfv(Strings args, const std::string& workDir) {
  args.insert(args.begin(), TAZOR_CFV);
  return RunProcess(args, "", workDir);
}

// A custom file as an ApplySteps step.
std::string File(const std::string& path, const std::vector<Entry>& entries) {
  return path + "=" + Serialize(entries);
}

struct DiffRow {
  const char* name;
  Strings steps;  // ApplySteps in a fresh folder
  Strings args;
  int status;
  std::string out, err;
};

const std::vector<Entry> kSame = {Leaf("a", "a")};
const std::vector<Entry> kOld = {Leaf("o1", "o"), Branch("b", {Leaf("o2", "o")})};
const Strings kFolders = {File("A/same.god", kSame), File("A/sub/old.npc", kOld),
                          "A/notes.txt=no custom file", File("B/same.god", kSame),
                          File("B/sub/new.item", {Leaf("n\tt", "n")})};

// clang-format off
const DiffRow kDiffRows[] = {
  // Stored bytes first: "same" is never inflated; r holds the same data in other bytes (zlib, gzip, stored).
  {"EachKind", {File("a.god", {Leaf("same", Zlib("s")), Leaf("m", "old"), Leaf("r", Zlib("data")), Leaf("s", "abc"), Leaf("gone", "g"), Leaf("z", Zlib("short"))}),
                File("b.god", {Leaf("same", Zlib("s")), Leaf("m", "newer"), Leaf("r", Gzip("data")), Leaf("s", Zlib("abc")), Leaf("z", Gzip("longer data")), Leaf("new", "n")})},
   {"diff", "a.god", "b.god"}, 1, "M\tm\t3\t5\nR\tr\nR\ts\nD\tgone\nM\tz\t5\t11\nA\tnew\n", ""},
  {"Identical", {File("a.god", kOld), File("b.god", kOld)}, {"diff", "a.god", "b.god"}, 0, "", ""},
  // Shared paths pair in file order: the second dup with the second, the third is new.
  {"DuplicatePaths", {File("a.god", {Leaf("dup", "1"), Leaf("x", "x"), Leaf("dup", "2")}), File("b.god", {Leaf("dup", "1"), Leaf("y", "y"), Leaf("dup", "3"), Leaf("dup", "4")})},
   {"diff", "a.god", "b.god"}, 1, "A\ty\nD\tx\nM\tdup\t1\t1\nA\tdup\n", ""},
  // Branches on both sides are compared entry by entry, whatever the order; a \ in a name counts as /.
  {"NestedBranches", {File("a.god", {Branch("b.cmp", {Leaf("in", "1"), Branch("deep.npc", {Leaf("x", "1")})}), Leaf("w\\v", "1")}),
                      File("b.god", {Branch("b.cmp", {Branch("deep.npc", {Leaf("x", "2"), Leaf("y", "y")}), Leaf("in", "1")}), Branch("w", {Leaf("v", "2")})})},
   {"diff", "a.god", "b.god"}, 1, "M\tb.cmp/deep.npc/x\t1\t1\nA\tb.cmp/deep.npc/y\nM\tw/v\t1\t1\n", ""},
  {"LeafBecameBranch", {File("a.god", {Leaf("p", "x"), Branch("q", {Leaf("k", "k"), Leaf("l", "l")}), Leaf("r", "r")}), File("b.god", {Branch("p", {Leaf("k", "k")}), Leaf("q", "q")})},
   {"diff", "a.god", "b.god"}, 1, "D\tp\nA\tp/k\nD\tq/k\nD\tq/l\nA\tq\nD\tr\n", ""},
  // Folders: files paired by relative path, one on one side only listed entry by entry, names escaped.
  {"FilesAddedRemoved", kFolders, {"diff", "A", "B/"}, 1, "A\tsub/new.item:n\\tt\nD\tsub/old.npc:o1\nD\tsub/old.npc:b/o2\n", ""},
  {"Json", kFolders, {"diff", "--json", "A", "B"}, 1,
   "{\"kind\":\"A\",\"file\":\"sub/new.item\",\"path\":\"n\\u0009t\"}\n{\"kind\":\"D\",\"file\":\"sub/old.npc\",\"path\":\"o1\"}\n"
   "{\"kind\":\"D\",\"file\":\"sub/old.npc\",\"path\":\"b/o2\"}\n", ""},
  {"JsonChanged", {File("A/\xff.god", {Leaf("m", "1")}), File("B/\xff.god", {Leaf("m", "22")})}, {"diff", "--json", "A", "B"}, 1,
   "{\"kind\":\"M\",\"file\":\"\xef\xbf\xbd.god\",\"path\":\"m\",\"old_length\":1,\"new_length\":2}\n", ""},
  {"Stat", kFolders, {"diff", "--stat", "A", "B"}, 1, "M\t0\nR\t0\nA\t1\nD\t2\n", ""},
  {"Quiet", kFolders, {"diff", "-q", "A", "B"}, 1, "", ""},
  {"Missing", kFolders, {"diff", "A/same.god", "nope"}, 2, "", "tazor-cfv: nope: No such file or directory\n"},
  {"FileAndFolder", kFolders, {"diff", "A", "B/same.god"}, 2, "", "tazor-cfv: B/same.god: not a folder, and the other is one (compare two files or two folders)\n"},
  {"NotCustomFile", kFolders, {"diff", "A/notes.txt", "B/same.god"}, 2, "", "tazor-cfv: A/notes.txt: not a custom file\n"},
  {"NotCustomFileB", kFolders, {"diff", "B/same.god", "A/notes.txt"}, 2, "", "tazor-cfv: A/notes.txt: not a custom file\n"},
  {"StatWithJson", kFolders, {"diff", "--stat", "--json", "A", "B"}, 2, "", "*excludes"},
};
// clang-format on

void PrintTo(const DiffRow& row, std::ostream* out) { *out << row.name; }

class DiffCli : public ::testing::TestWithParam<DiffRow> {};

TEST_P(DiffCli, Golden) {
  const DiffRow& row = GetParam();
  TempDir dir;
  ApplySteps(dir.path(), row.steps);
  const auto r = Cfv(row.args, dir.path());
  EXPECT_EQ(r.status, row.status);
  EXPECT_EQ(r.out, row.out);
  EXPECT_TRUE(ErrorMatches(r.err, row.err)) << r.err;
}

INSTANTIATE_TEST_SUITE_P(Rows, DiffCli, ::testing::ValuesIn(kDiffRows),
                         [](const auto& row) { return std::string(row.param.name); });

// Many pairs whose stored bytes differ, judged beside the reading: the report keeps B's order and tells each
// changed entry (with its lengths) from a recompressed one, whatever the judge's pace.
TEST(DiffCli, ManyJudgedPairsInOrder) {
  std::vector<Entry> a, b;
  std::string want;
  for (int i = 0; i < 300; ++i) {
    const std::string name = "e" + std::to_string(i),
                      data(100 + i * 997 % 5000, static_cast<char>('a' + i % 26));
    a.push_back(Leaf(name, Zlib(data)));
    b.push_back(Leaf(name, i % 3 == 0 ? Gzip(data) : i % 3 == 1 ? Zlib(data + "+") : Zlib(data)));
    if (i % 3 == 0) want += "R\t" + name + "\n";
    if (i % 3 == 1)
      want +=
          "M\t" + name + "\t" + std::to_string(data.size()) + "\t" + std::to_string(data.size() + 1) + "\n";
  }
  TempDir dir;
  ApplySteps(dir.path(), {File("a.god", a), File("b.god", b)});
  const auto r = Cfv({"diff", "a.god", "b.god"}, dir.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(r.out == want) << r.out.substr(0, 300);
}

// A socket among the files of a folder is no file that cannot be read: it is passed by.
TEST(DiffCli, SocketsArePassedBy) {
  TempDir dir;
  ApplySteps(dir.path(), {File("A/a.god", kSame), File("B/a.god", kSame)});
  for (const char* name : {"A/s", "B/s"}) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, (dir / name).c_str(), sizeof address.sun_path - 1);
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(s);
  }
  const auto r = Cfv({"diff", "A", "B"}, dir.path());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
}

struct GrepRow {
  Strings args;
  int status;
  std::string out, err;
};

const std::string kText = EncodeCp932("こんにちは needle\nHello World\nャA ヂ\n表x\nend\r\nold\rnew\nZoo\n");
const std::string kBig = [] {
  std::string big(70000, '\0');
  big.replace(65534, 4, "\xDE\xAD\xBE\xEF");
  return big;
}();
const std::string t = "g/t.god:";

// clang-format off
const GrepRow kGrepRows[] = {
  // Text in stored, zlib, gzip and nested entries; a bitmap only says that it matches.
  {{"grep", "needle", "g"}, 0, t + "text.txt:1:こんにちは needle\n" + t + "z.t:1:zlib needle\n" + t + "g.t:1:gzip needle\n" + t +
   "pic.bmp: binary data matches\n" + t + "sub.npc/in\\tx:2:needle\n", ""},
  {{"grep", "--json", "needle", "g/t.god"}, 0,
   "{\"file\":\"g/t.god\",\"path\":\"text.txt\",\"line\":1,\"offset\":11,\"text\":\"こんにちは needle\"}\n"
   "{\"file\":\"g/t.god\",\"path\":\"z.t\",\"line\":1,\"offset\":5,\"text\":\"zlib needle\"}\n"
   "{\"file\":\"g/t.god\",\"path\":\"g.t\",\"line\":1,\"offset\":5,\"text\":\"gzip needle\"}\n"
   "{\"file\":\"g/t.god\",\"path\":\"pic.bmp\",\"line\":1,\"offset\":2,\"binary\":true}\n"
   "{\"file\":\"g/t.god\",\"path\":\"sub.npc/in\\u0009x\",\"line\":2,\"offset\":5,\"text\":\"needle\"}\n", ""},
  {{"grep", "-l", "needle", "g/t.god"}, 0, t + "text.txt\n" + t + "z.t\n" + t + "g.t\n" + t + "pic.bmp\n" + t + "sub.npc/in\\tx\n", ""},
  {{"grep", "-l", "--json", "World", "g"}, 0, "{\"file\":\"g/t.god\",\"path\":\"text.txt\"}\n", ""},
  // ア is 83 41: never found from the second byte of ャ (83 83), nor folded into ヂ (83 61); A and a only alone.
  {{"grep", "ア", "g"}, 1, "", ""},
  {{"grep", "-i", "ア", "g"}, 1, "", ""},
  {{"grep", "-i", "a", "g"}, 0, t + "text.txt:3:ャA ヂ\n", ""},
  {{"grep", "\\x", "g"}, 1, "", ""},  // 表 is 95 5C
  {{"grep", "-i", "WORLD", "g"}, 0, t + "text.txt:2:Hello World\n", ""},
  {{"grep", "-i", "zOO", "g"}, 0, t + "text.txt:7:Zoo\n", ""},
  {{"grep", "world", "g"}, 1, "", ""},
  // Never across a line end: LF, nor the CR of a CR LF; a lone CR is no line end; the CR LF's CR is not shown.
  {{"grep", "end\r\nold", "g"}, 1, "", ""},
  {{"grep", "d\r", "g"}, 0, t + "text.txt:6:old\rnew\n", ""},
  {{"grep", "en", "g/t.god"}, 0, t + "text.txt:5:end\n", ""},
  // -c: lines, or matches with --hex (Hello World is one line with two o).
  {{"grep", "-c", "o", "g"}, 0, t + "text.txt:3\n", ""},
  {{"grep", "-c", "--hex", "6f", "g"}, 0, t + "text.txt:5\n", ""},
  // Bytes across 64 KiB, stored and inflated.
  {{"grep", "--hex", "de ad\tBEEF", "g"}, 0, t + "big:65534\n" + t + "bigz:65534\n", ""},
  {{"grep", "--hex", "0A6E 65", "g"}, 0, t + "sub.npc/in\\tx:4\n", ""},
  {{"grep", "--json", "zy", "g"}, 0, "{\"file\":\"g/t.god\",\"path\":\"zy.t\",\"line\":1,\"offset\":0,\"text\":\"zyzy\"}\n"
   "{\"file\":\"g/t.god\",\"path\":\"zy.t\",\"line\":1,\"offset\":2,\"text\":\"zyzy\"}\n", ""},
  {{"grep", "--json", "--hex", "ADBE", "g"}, 0, "{\"file\":\"g/t.god\",\"path\":\"big\",\"offset\":65535}\n{\"file\":\"g/t.god\",\"path\":\"bigz\",\"offset\":65535}\n", ""},
  {{"grep", "nothing", "g"}, 1, "", ""},
  {{"grep", "", "g"}, 2, "", "tazor-cfv: grep: the PATTERN is empty\n"},
  {{"grep", "\xF0\x9F\x98\x80", "g"}, 2, "", "tazor-cfv: grep: the PATTERN has no code page 932 form: \xF0\x9F\x98\x80\n"},
  {{"grep", "-i", "--hex", "00", "g"}, 2, "", "tazor-cfv: grep: -i does not go with --hex (bytes have no case)\n"},
  {{"grep", "--hex", "DE0", "g"}, 2, "", "tazor-cfv: grep: --hex takes pairs of hex digits, such as 'DE AD BE EF': DE0\n"},
  {{"grep", "--hex", "E9", "g"}, 1, "", ""},
  {{"grep", "--hex", "D EAD", "g"}, 2, "", "*pairs of hex digits"},
  {{"grep", "--hex", "0 A", "g"}, 2, "", "*pairs of hex digits"},
  {{"grep", "--hex", "0g", "g"}, 2, "", "*pairs of hex digits"},
  {{"grep", "-l", "-c", "x", "g"}, 2, "", "*excludes"},
  {{"grep", "needle", "nope", "g/notes.txt"}, 2, "", "tazor-cfv: nope: No such file or directory\ntazor-cfv: g/notes.txt: not a custom file\n"},
};
// clang-format on

TEST(GrepCli, GoldenRuns) {
  TempDir dir;
  WriteFile(
      dir / "g/t.god",
      Serialize({Leaf("text.txt", kText), Leaf("z.t", Zlib("zlib needle")), Leaf("g.t", Gzip("gzip needle")),
                 Leaf("pic.bmp", "BMneedle"), Leaf("big", kBig), Leaf("bigz", Zlib(kBig)),
                 Branch("sub.npc", {Leaf("in\tx", "line\nneedle")}), Leaf("zy.t", "zyzy")}));
  WriteFile(dir / "g/notes.txt", "needle, but no custom file");
  for (const GrepRow& row : kGrepRows) {
    SCOPED_TRACE(::testing::PrintToString(row.args));
    const auto r = Cfv(row.args, dir.path());
    EXPECT_EQ(r.status, row.status);
    EXPECT_EQ(r.out, row.out);
    EXPECT_TRUE(ErrorMatches(r.err, row.err)) << r.err;
  }
}

}  // namespace
}  // namespace cfv
