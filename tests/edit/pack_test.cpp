// export --manifest and pack as a user runs them, on generated custom files: the round trip gives the
// original byte for byte, with or without it as the base; a changed file reaches only its entry and the
// sizes above it; what is refused is refused with its message, and nothing is written.
#include <gtest/gtest.h>
#include <xxhash.h>

#include <algorithm>
#include <sstream>

#include "custom_file_builder.h"
#include "run_process.h"

namespace cfv {
namespace {

using namespace test;
using Strings = std::vector<std::string>;

ProcessResult Cfv(const TempDir& dir, Strings args) {
  args.insert(args.begin(), TAZOR_CFV);
  return RunProcess(args, "", dir.path().string());
}

Strings FilesIn(const std::filesystem::path& folder) {
  Strings files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
    if (entry.is_regular_file()) files.push_back(entry.path().lexically_relative(folder).string());
  std::ranges::sort(files);
  return files;
}

const std::string kForty(40, 'n');

// In: the entries of hero.npc. Out: the files of its export folder (empty: not looked at).
struct Trip {
  const char* name;
  std::vector<Entry> entries;
  Strings files = {};
};

const Trip kTrips[] = {
    {"Nested",
     {Branch("a.npc", {Leaf("b.t", "b"), Branch("c.cmp", {Leaf("d.bm", MakeBmp(2, 2))})}), Leaf("e.t", "e"),
      Leaf("dir/x.t", "x"), Leaf("dir/x.t", "y")},
     {"a/b.txt", "a/c/d.bmp", "dir/x.txt", "dir/x~2.txt", "e.txt", "manifest.json"}},
    {"Compressed", {Leaf("z.t", Zlib("zlib text")), Leaf("g.t", Gzip("gzip text")), Leaf("s.t", "stored")}},
    {"NamesAndDuplicates",
     {Leaf(kForty, "forty"), Leaf("かな.t", "kana"), Leaf("x.t", "one"), Leaf("x.t", "two"),
      Leaf("manifest.json", "{}")},
     {"manifest.json", "manifest~2.json", kForty, "x.txt", "x~2.txt", "かな.txt"}},
    {"LeafAndBranchOfOneStem",
     {Leaf("sub", "leaf"), Branch("sub.npc", {Leaf("s", "s")}), Branch("body", {Leaf("in.t", "in")}),
      Leaf("body", "leaf")},
     {"body/in.txt", "body~2", "manifest.json", "sub", "sub~2/s"}},
    {"EmptyAndShort", {Leaf("empty.t", ""), Leaf("ab", "ab"), Leaf("x", "1"), Branch("b", {Leaf("e", "")})}},
};

class RoundTrip : public ::testing::TestWithParam<Trip> {};

TEST_P(RoundTrip, GivesTheOriginal) {
  const Trip& row = GetParam();
  TempDir dir;
  const std::string original = Serialize(row.entries);
  WriteFile(dir / "hero.npc", original);
  ProcessResult r = Cfv(dir, {"export", "--manifest", "-q", "hero.npc"});
  ASSERT_EQ(r.status, 0) << r.err;
  if (!row.files.empty()) {
    EXPECT_EQ(FilesIn(dir / "hero"), row.files);
  }
  for (const Strings& base : {Strings{"--base", "hero.npc"}, Strings{}}) {
    Strings args = {"pack", "hero", "-o", "out.npc", "--no-backup"};
    args.insert(args.end(), base.begin(), base.end());
    r = Cfv(dir, args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(ReadFile(dir / "out.npc") == original) << base.size();
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, RoundTrip, ::testing::ValuesIn(kTrips),
                         [](const auto& row) { return std::string(row.param.name); });

// hero.npc, exported with --manifest when `exported`.
const std::vector<Entry> kHero = {Leaf("face.bm", MakeBmp(2, 2)),
                                  Branch("sub.npc", {Leaf("in.t", Zlib("hello")), Leaf("g.t", Gzip("gz"))}),
                                  Leaf("ab", "ab"), Leaf(kForty, "forty")};
const Entry kSub = kHero[1];
const Strings kPackBase = {"pack", "hero", "-o", "out.npc", "--base", "hero.npc", "-v"};
const Strings kPak = {"pak/b.t=b", "pak/A.t=a", "pak/sub/c.t=c"};

// In: steps in the folder after the export, a text of manifest.json replaced by another, the arguments.
// Out: the exit status, standard error (see ErrorMatches), standard output, out.npc's entries (empty: none).
// hero.npc holds `file`.
struct Row {
  const char* name;
  bool exported;
  Strings steps;
  std::pair<std::string, std::string> edit;
  Strings args;
  int status;
  std::string err, out = {};
  std::vector<Entry> result = {};
  std::vector<Entry> file = kHero;
};

const std::string kWrote = "*wrote out.npc";
std::string Times(int n, const std::string& text) { return n == 0 ? "" : text + Times(n - 1, text); }
const Row kRows[] = {
    // clang-format off
  {"OneFileChanged", true, {"hero/sub/in.txt=NEW"}, {}, kPackBase, 0, kWrote, "changed\tsub.npc/in.t\n",
   {kHero[0], Branch("sub.npc", {Leaf("in.t", Zlib("NEW")), Leaf("g.t", Gzip("gz"))}), kHero[2], kHero[3]}},
  {"AddedAtTheEndOfTheirLists", true, {"hero/pak/p.t=p", "hero/new.t=n", "hero/sub/more.t=m"}, {}, kPackBase, 0, kWrote,
   "added\tnew.t\nadded\tpak\nadded\tsub.npc/more.t\n",
   {kHero[0], Branch("sub.npc", {kSub.children[0], kSub.children[1], Leaf("more.t", "m")}), kHero[2], kHero[3], Leaf("new.t", "n"),
    Branch("pak", {Leaf("p.t", "p")})}},
  {"AddedCompressed", true, {"hero/new.t=n"}, {}, {"pack", "hero", "-o", "out.npc", "--compress", "gzip"}, 0, kWrote, "",
   {kHero[0], kHero[1], kHero[2], kHero[3], Leaf("new.t", Gzip("n"))}},
  {"Removed", true, {"hero/ab!"}, {}, kPackBase, 0, "tazor-cfv: wrote out.npc (" + std::to_string(Serialize({kHero[0], kHero[1], kHero[3]}).size()) +
   " bytes)\n", "left out\tab\n", {kHero[0], kHero[1], kHero[3]}},
  {"NotExportedCopied", true, {"hero/ab!"}, {"\"file\": \"ab\"", "\"file\": null, \"was\": \"ab\""}, kPackBase, 0, kWrote, "", kHero},
  {"NotExportedLeftOut", true, {"hero/ab!"}, {"\"file\": \"ab\"", "\"file\": null, \"was\": \"ab\""}, {"pack", "hero", "-o", "out.npc", "-v"}, 0,
   kWrote, "left out\tab\n", {kHero[0], kHero[1], kHero[3]}},
  {"ExportedTwice", true, {}, {}, {"export", "--manifest", "-q", "--overwrite=yes", "hero.npc"}, 0, ""},
  {"ABranchEmptied", true, {"hero/sub/in.txt!", "hero/sub/g.txt!"}, {}, kPackBase, 0, kWrote,
   "left out\tsub.npc/in.t\nleft out\tsub.npc/g.t\nleft out\tsub.npc\n", {kHero[0], kHero[2], kHero[3]}},
  {"RenamedInTheManifest", true, {}, {"\"6162\"", "\"6364\""}, kPackBase, 0, kWrote, "renamed\tcd\n",
   {kHero[0], kHero[1], Leaf("cd", "ab"), kHero[3]}},
  {"AnotherBase", true, {"other.npc=" + Serialize({Leaf("x", "y")})}, {}, {"pack", "hero", "-o", "out.npc", "--base", "other.npc"}, 2,
   "tazor-cfv: other.npc: not the file hero/manifest.json describes: its size or hash differs\n"},
  {"AnotherVersion", true, {}, {"\"version\": 1", "\"version\": 2"}, kPackBase, 2,
   "tazor-cfv: hero/manifest.json: the manifest is of version 2; this tazor-cfv reads version 1 (export again with this tazor-cfv)\n"},
  {"ABadName", true, {}, {"\"6162\"", "\"611f\""}, kPackBase, 2,
   "tazor-cfv: hero/manifest.json: entry 5 (ab) has a name_hex (611f) that is no name an entry can have: hex digits of at most 40 "
   "bytes, no NUL, no control character\n"},
  {"NotJson", true, {"hero/manifest.json={\"version\": 1,"}, {}, kPackBase, 2,
   "tazor-cfv: hero/manifest.json: not a manifest: expected a member name at byte 14\n"},
  {"ABaseThatIsAFolder", true, {}, {}, {"pack", "hero", "-o", "out.npc", "--base", "hero"}, 2, "tazor-cfv: hero: not a regular file\n"},
  {"TextsWithEscapes", true, {}, {"\"path\": \"ab\", \"name_hex\": \"6162\"", "\"path\": \"\\u00e9\\u0080\\ud83d\\ude00\\t\\/\", \"name_hex\": \"1f\""}, kPackBase, 2,
   "tazor-cfv: hero/manifest.json: entry 5 (é\u0080😀\\t/) has a name_hex (1f) that is no name an entry can have: hex digits of at most 40 "
   "bytes, no NUL, no control character\n"},
  {"ABadEscape", true, {}, {"\"path\": \"ab\"", "\"path\": \"a\\x\""}, kPackBase, 2, "*not a manifest: a bad escape in a string at byte"},
  {"NestedTooDeep", true, {}, {"\"version\": 1", "\"version\": 1, \"x\": " + std::string(100000, '[')}, kPackBase, 2,
   "tazor-cfv: hero/manifest.json: not a manifest: values nested too deep at byte 23\n"},
  {"NoMemberName", true, {"hero/manifest.json={\"version\": 1, 5: 2}"}, {}, kPackBase, 2,
   "tazor-cfv: hero/manifest.json: not a manifest: expected a member name at byte 15\n"},
  {"NoEntries", true, {"hero/manifest.json={\"version\": 1, \"size\": 1, \"xxh128\": \"" + std::string(32, '0') + "\", \"entries\": []}"}, {},
   {"pack", "hero", "-o", "out.npc"}, 2, "tazor-cfv: hero/manifest.json: the manifest has no entries\n"},
  {"AddedNameTaken", true, {"hero/face.bm=x"}, {}, kPackBase, 1,
   "tazor-cfv: hero/face.bm: cannot be added: its name is taken by another entry of that list\n"},
  {"AddedNameTooLong", true, {"hero/" + std::string(41, 'x') + "=x"}, {}, kPackBase, 1,
   "tazor-cfv: hero/" + std::string(41, 'x') + ": cannot be an entry name: the name takes more than 40 bytes in code page 932\n"},
  {"AFileBecameAFolder", true, {"hero/ab!", "hero/ab/x=1"}, {}, kPackBase, 1,
   "tazor-cfv: hero/ab: is a folder where the manifest has the file of an entry\n"},
  {"AddedInAFolderOfANameWithASlash", true, {"hero/dir/in/new=n"}, {}, kPackBase, 1,
   "tazor-cfv: hero/dir/in/new: cannot be added: it lies in a folder made for entry names that hold a / or \\, which is no branch's "
   "list\n", "", {}, {Leaf("dir/in/x.t", "x"), Leaf("y", "y")}},
  {"ABadHash", true, {}, {"\"xxh128\": \"", "\"xxh128\": \"z"}, kPackBase, 2, "tazor-cfv: hero/manifest.json: the manifest has a bad xxh128\n"},
  {"ABranchWithoutFolder", true, {}, {"\"folder\": \"sub\", ", ""}, kPackBase, 2, "tazor-cfv: hero/manifest.json: entry 2 (sub.npc) has no folder\n"},
  {"AFolderOutside", true, {}, {"\"folder\": \"sub\"", "\"folder\": \"../sub\""}, kPackBase, 2,
   "tazor-cfv: hero/manifest.json: entry 2 (sub.npc) has a folder outside the export folder\n"},
  {"AFileOutside", true, {}, {"\"file\": \"ab\"", "\"file\": \"/etc/passwd\""}, kPackBase, 2,
   "tazor-cfv: hero/manifest.json: entry 5 (ab) has a file outside the export folder\n"},
  {"ALinkAdded", true, {"hero/sub/l->hero/ab"}, {}, kPackBase, 1, "tazor-cfv: hero/sub/l: is a symbolic link, which is not packed\n"},
  {"NoPath", true, {}, {"\"path\": \"face.bm\", ", ""}, kPackBase, 2, "tazor-cfv: hero/manifest.json: entry 1 () has no path\n"},
  {"ManifestOverAFolder", true, {"hero/manifest.json!", "hero/manifest.json/x=1"}, {}, {"export", "--manifest", "-q", "--overwrite=yes", "hero.npc"}, 1,
   "tazor-cfv: hero/manifest.json: Is a directory\n"},
  {"ExportFolderALink", false, {"elsewhere/", "hero->elsewhere"}, {}, {"export", "--manifest", "-q", "hero.npc"}, 1,
   Times(5, "tazor-cfv: hero: refused: a symbolic link, which an export never follows\n") +
   "tazor-cfv: hero/manifest.json: Too many levels of symbolic links\n"},
  {"BaseWithoutManifest", false, kPak, {}, {"pack", "pak", "-o", "out.npc", "--base", "hero.npc"}, 2,
   "tazor-cfv: --base needs the manifest of an export (export --manifest), and pak/manifest.json is not there\n"},
  {"TwoFilesOneFolder", false, {"hero.god=" + Serialize(kHero)}, {}, {"export", "--manifest", "hero.npc", "hero.god"}, 2,
   "tazor-cfv: hero.npc and hero.god share the export folder hero; with --manifest each custom file needs its own (export them "
   "one at a time, or into different folders with -C)\n"},
  {"OneFileTwice", false, {}, {}, {"export", "--manifest", "hero.npc", "hero.npc"}, 2, "*share the export folder hero"},
  // Without a manifest.
  {"FolderNamesAndOrder", false, kPak, {}, {"pack", "pak", "-o", "out.npc", "--compress=zlib", "-v"}, 0, kWrote,
   "added\tA.t\nadded\tb.t\nadded\tsub\nadded\tsub/c.t\n",
   {Leaf("A.t", Zlib("a")), Leaf("b.t", Zlib("b")), Branch("sub", {Leaf("c.t", Zlib("c"))})}},
  {"ACustomFileInside", false, {"pak/in.npc=" + Serialize({Leaf("x", "y")})}, {}, {"pack", "pak", "-o", "out.npc"}, 0, kWrote, "",
   {Branch("in.npc", {Leaf("x", "y")})}},
  {"FolderWithALink", false, {"pak/a.t=a", "pak/l->pak/a.t"}, {}, {"pack", "pak", "-o", "out.npc"}, 1,
   "tazor-cfv: pak/l: is a symbolic link, which is not packed\n"},
  {"EmptyFolder", false, {"pak/a.t=a", "pak/e/"}, {}, {"pack", "pak", "-o", "out.npc"}, 1,
   "tazor-cfv: pak/e: is an empty folder, which would read back as an empty leaf\n"},
  {"NoFolder", false, {}, {}, {"pack", "pak", "-o", "out.npc"}, 2, "tazor-cfv: pak: No such file or directory\n"},
    // clang-format on
};

void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

class Pack : public ::testing::TestWithParam<Row> {};

TEST_P(Pack, Runs) {
  const Row& row = GetParam();
  TempDir dir;
  WriteFile(dir / "hero.npc", Serialize(row.file));
  if (row.exported) {
    ASSERT_EQ(Cfv(dir, {"export", "--manifest", "-q", "hero.npc"}).status, 0);
  }
  ApplySteps(dir.path(), row.steps);
  if (!row.edit.first.empty()) {
    std::string text = ReadFile(dir / "hero/manifest.json");
    const std::size_t at = text.find(row.edit.first);
    ASSERT_NE(at, std::string::npos);
    WriteFile(dir / "hero/manifest.json", text.replace(at, row.edit.first.size(), row.edit.second));
  }
  const ProcessResult r = Cfv(dir, row.args);
  EXPECT_EQ(r.status, row.status);
  EXPECT_TRUE(ErrorMatches(r.err, row.err)) << r.err;
  EXPECT_EQ(r.out, row.out);
  EXPECT_EQ(std::filesystem::exists(dir / "out.npc"), !row.result.empty());
  if (!row.result.empty()) {
    EXPECT_TRUE(ReadFile(dir / "out.npc") == Serialize(row.result));
  }
  EXPECT_TRUE(ReadFile(dir / "hero.npc") == Serialize(row.file));
  // Bad usage writes nothing; a link is never followed.
  if (row.status == 2 && row.args[0] == "export") {
    EXPECT_FALSE(std::filesystem::exists(dir / "hero"));
  }
  if (std::filesystem::exists(dir / "elsewhere")) {
    EXPECT_TRUE(std::filesystem::is_empty(dir / "elsewhere"));
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, Pack, ::testing::ValuesIn(kRows),
                         [](const auto& row) { return std::string(row.param.name); });

// XXH3-128 as xxh128sum prints it.
std::string Xxh128(const std::string& bytes) {
  XXH128_canonical_t canonical;
  XXH128_canonicalFromHash(&canonical, XXH3_128bits(bytes.data(), bytes.size()));
  std::string hex;
  for (const unsigned char byte : canonical.digest)
    hex += "0123456789abcdef"[byte >> 4], hex += "0123456789abcdef"[byte & 15];
  return hex;
}

// The manifest itself: the file's size and hash, then every entry in file order, those not written too.
TEST(Manifest, DescribesEveryEntry) {
  TempDir dir;
  const std::string file = Serialize(kHero);
  WriteFile(dir / "hero.npc", file);
  ASSERT_EQ(Cfv(dir, {"export", "--manifest", "-q", "--exclude", "sub.npc/in.t", "hero.npc"}).status, 0);
  std::istringstream text(ReadFile(dir / "hero/manifest.json"));
  Strings lines;
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  const std::string sub = std::to_string(Serialize({kHero[0]}).size());
  const std::size_t g = Serialize({kHero[0]}).size() + 50 + Serialize({kSub.children[0]}).size();
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0], "{\"version\": 1, \"size\": " + std::to_string(file.size()) + ", \"xxh128\": \"" +
                          Xxh128(file) + "\", \"entries\": [");
  EXPECT_EQ(
      lines[2],
      "{\"path\": \"sub.npc\", \"name_hex\": \"7375622e6e7063\", \"offset\": " + sub +
          ", \"depth\": 1, \"branch\": true, \"compression\": \"none\", \"folder\": \"sub\", \"file\": null, "
          "\"reason\": \"a branch: its entries are in its folder\"},");
  EXPECT_EQ(lines[3], "{\"path\": \"sub.npc/in.t\", \"name_hex\": \"696e2e74\", \"offset\": " +
                          std::to_string(std::stoul(sub) + 50) +
                          ", \"depth\": 2, \"branch\": false, \"compression\": \"zlib\", \"file\": null, "
                          "\"reason\": \"not picked "
                          "by --include or --exclude\"},");
  EXPECT_EQ(lines[4],
            "{\"path\": \"sub.npc/g.t\", \"name_hex\": \"672e74\", \"offset\": " + std::to_string(g) +
                ", \"depth\": 2, \"branch\": false, \"compression\": \"gzip\", \"file\": \"sub/g.txt\", "
                "\"length\": 2, "
                "\"xxh128\": \"" +
                Xxh128("gz") + "\"},");
  EXPECT_EQ(lines[7], "]}");
}

}  // namespace
}  // namespace cfv
