// tazor-cfv edit as a user runs it, on real custom files: the result must be byte for byte the file the
// builder makes of the intended entries (so untouched entries are untouched and every size field is right),
// the old file kept as FILE.bak; a refusal leaves everything as it was.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <functional>
#include <thread>

#include "custom_file_builder.h"
#include "edit/write_target.h"
#include "run_process.h"

namespace cfv {
namespace {

using namespace test;
using Strings = std::vector<std::string>;

const std::string kForty(40, 'n');
const std::vector<Entry> kBase = {
    Leaf("face.bmp", MakeBmp(2, 2)),
    Branch("sub.npc", {Leaf("in.t", Zlib("hello")), Leaf("g.t", Gzip("gz")), Leaf("空.t", "")}),
    Leaf("ab", "ab"), Leaf(kForty, "forty"), Leaf("かな.t", "kana")};

// kBase with the entry at `index` (a top-level one, or i*10+j for the j-th of the i-th) changed by `change`.
std::vector<Entry> Changed(
    std::initializer_list<std::pair<int, std::function<void(std::vector<Entry>&, int)>>> changes) {
  std::vector<Entry> entries = kBase;
  for (const auto& [index, change] : changes)
    change(index >= 10 ? entries[index / 10].children : entries, index % 10);
  return entries;
}
auto Data(std::string payload) {
  return [payload](std::vector<Entry>& list, int i) { list[i].payload = payload; };
}
auto Name(std::string name) {
  return [name](std::vector<Entry>& list, int i) { list[i].name = name; };
}
auto Drop() {
  return [](std::vector<Entry>& list, int i) { list.erase(list.begin() + i); };
}
auto Put(Entry entry) {
  return [entry](std::vector<Entry>& list, int i) { list.insert(list.begin() + i, entry); };
}
auto Kids(std::vector<Entry> kids) {
  return [kids](std::vector<Entry>& list, int i) { list[i].children = kids; };
}

// In: edit's arguments after FILE, steps for the test folder. Out: the exit status, standard error (see
// ErrorMatches; "" for the success line), standard output, the file's entries afterwards (empty: unchanged).
struct Row {
  const char* name;
  Strings args, steps;
  int status;
  std::string err, out = {};
  std::vector<Entry> result = {};
};

std::string Size(std::size_t size) { return std::to_string(size); }
const std::string kWrote = "*wrote hero.npc";
const std::string kNo = "tazor-cfv: hero.npc: refused; nothing was written\n";
const Strings kPak = {"pak/b.t=b", "pak/A.t=a", "pak/sub/c.t=c"};
const Entry kPacked = Branch("pak", {Leaf("A.t", "a"), Leaf("b.t", "b"), Branch("sub", {Leaf("c.t", "c")})});

const Row kRows[] = {
    // clang-format off
  {"ReplaceKeepsZlib", {"--replace", "sub.npc/in.t", "n"}, {"n=NEW"}, 0, kWrote, "", Changed({{10, Data(Zlib("NEW"))}})},
  {"ReplaceKeepsGzip", {"--replace", "SUB.NPC/G.T", "n"}, {"n=NEW"}, 0, kWrote, "", Changed({{11, Data(Gzip("NEW"))}})},
  {"ReplaceByOffsetCompressed", {"--compress", "zlib", "--replace", "0", "n"}, {"n=NEW"}, 0, kWrote, "", Changed({{0, Data(Zlib("NEW"))}})},
  {"ReplaceAnEmptyOne", {"--replace", "sub.npc/空.t", "n"}, {"n=x"}, 0, kWrote, "", Changed({{12, Data("x")}})},
  {"AddAtTheEndOfTheirLists", {"--add", "top.t", "n", "--add", "sub.npc/more.t", "n", "--compress", "gzip"}, {"n=new"}, 0, kWrote, "",
   Changed({{5, Put(Leaf("top.t", Gzip("new")))}, {13, Put(Leaf("more.t", Gzip("new")))}})},
  {"AddAFolder", {"--add", "sub.npc/pak", "pak"}, kPak, 0, kWrote, "", Changed({{13, Put(kPacked)}})},
  {"ReplaceABranchWithAFolder", {"--replace", "sub.npc", "pak"}, kPak, 0, kWrote, "", Changed({{1, Kids(kPacked.children)}})},
  {"Remove", {"--remove", "sub.npc", "--remove", "ab"}, {}, 0, kWrote, "", Changed({{2, Drop()}, {1, Drop()}})},
  {"Rename", {"--rename", "face.bmp", "顔グラ.bmp", "--rename", "かな.t", std::string(20, 'z') + "ソソソソソソソソソソ"}, {}, 0, kWrote, "",
   Changed({{0, Name("顔グラ.bmp")}, {4, Name(std::string(20, 'z') + "ソソソソソソソソソソ")}})},
  {"AllInOnePass", {"--remove", "face.bmp", "--rename", "sub.npc/g.t", "h.t", "--replace", kForty, "n", "--add", "sub.npc/n", "n"}, {"n=N"}, 0, kWrote, "",
   Changed({{3, Data("N")}, {13, Put(Leaf("n", "N"))}, {11, Name("h.t")}, {0, Drop()}})},
  {"DryRun", {"--dry-run", "--replace", "sub.npc/in.t", "n", "--add", "x", "n", "--rename", "ab", "c d", "--remove", "0"}, {"n=NEW"}, 0, "",
   "replace\tsub.npc/in.t\t" + Size(50 + Zlib("hello").size()) + "\t" + Size(50 + Zlib("NEW").size()) + "\nadd\tx\t-\t53\nremove\tface.bmp\t" +
   Size(50 + MakeBmp(2, 2).size()) + "\t-\nrename\tab\t52\t52\tc d\nfile\thero.npc\t" + Size(Serialize(kBase).size()) + "\t" +
   Size(Serialize(kBase).size() - 50 - MakeBmp(2, 2).size() + Zlib("NEW").size() - Zlib("hello").size() + 53) + "\n"},
  // What would read back as something else.
  {"StoredDataThatInflates", {"--compress", "none", "--replace", "ab", "z"}, {"z=" + Zlib("abc")}, 1,
   "tazor-cfv: ab: its data is itself a complete zlib or gzip stream, so stored it would read back inflated (store it compressed)\n" + kNo},
  {"DataThatIsAHeader", {"--replace", "ab", "h"}, {"h=" + Serialize({Leaf("x", "y")})}, 1,
   "tazor-cfv: ab: its data begins with 50 bytes that form an entry header, so it would read back as a branch\n" + kNo},
  {"EmptyCompressed", {"--replace", "sub.npc/in.t", "e"}, {"e="}, 1,
   "tazor-cfv: sub.npc/in.t: compressed it would read back as the compressed bytes (empty data, or more than 64 MiB inflated); store it uncompressed\n" + kNo},
  {"AShortLeafBecomesABranch", {"--replace", "ab", "a40", "--rename", kForty, "123"}, {"a40=" + std::string(40, 'A')}, 1,
   "tazor-cfv: ab: its 40 bytes and those after it would form an entry header, so this short leaf would read back as a branch\n" + kNo},
  {"AnUntouchedShortLeafToo", {"--rename", kForty, std::string(38, 'n') + "12"}, {}, 1,
   "tazor-cfv: ab: its 2 bytes and those after it would form an entry header, so this short leaf would read back as a branch\n" + kNo},
  {"ABranchLeftEmpty", {"--remove", "sub.npc/in.t", "--remove", "sub.npc/g.t", "--remove", "sub.npc/空.t"}, {}, 1,
   "tazor-cfv: sub.npc: a branch with no entries would read back as an empty leaf; remove the branch instead\n" + kNo},
  // Names.
  {"EmptyName", {"--rename", "ab", ""}, {}, 2, "tazor-cfv: the name  is empty\n"},
  {"NoCp932Form", {"--rename", "ab", "a€"}, {}, 2, "tazor-cfv: the name a€ has a character with no code page 932 form (the game's encoding)\n"},
  {"FortyOneBytes", {"--add", "ソ" + kForty, "n"}, {"n="}, 2, "tazor-cfv: the name ソ" + kForty + " takes more than 40 bytes in code page 932\n"},
  {"ControlCharacter", {"--rename", "ab", "a\x1b"}, {}, 2, "tazor-cfv: the name a\x1b holds a control character an entry name may not hold\n"},
  {"Separator", {"--rename", "ab", "a\\b"}, {}, 2, "tazor-cfv: the name a\\\\b holds a / or \\, which separate the names of a path\n"},
  {"NameTaken", {"--rename", "ab", "かな.t"}, {}, 2, "tazor-cfv: the name かな.t is taken by another entry of that list\n"},
  {"SwappedNames", {"--rename", "ab", "かな.t", "--rename", "かな.t", "ab"}, {}, 0, kWrote, "", Changed({{2, Name("かな.t")}, {4, Name("ab")}})},
  // Usage.
  {"NoSuchEntry", {"--remove", "nope"}, {}, 2, "tazor-cfv: no entry of hero.npc matches nope\n"},
  {"NoEntryAtOffset", {"--remove", "7"}, {}, 2, "tazor-cfv: no entry header at offset 7 in hero.npc\n"},
  {"SeveralEntries", {"--remove", "**/*.t"}, {}, 2, "*4 entries of hero.npc match **/*.t"},
  {"ValueLikeAnOption", {"--remove=--all"}, {}, 2, "tazor-cfv: remove takes --all as a value; values never begin with --\n"},
  {"OneEntryTwice", {"--remove", "ab", "--rename", "AB", "cd"}, {}, 2, "tazor-cfv: ab is named by two edits (remove and rename)\n"},
  {"InsideARemovedBranch", {"--remove", "sub.npc", "--rename", "sub.npc/in.t", "x"}, {}, 2,
   "tazor-cfv: rename sub.npc/in.t lies inside sub.npc, which another edit removes\n"},
  {"IntoAReplacedBranch", {"--replace", "sub.npc", "pak", "--add", "sub.npc/x", "n"}, kPak, 2,
   "tazor-cfv: add sub.npc/x lies inside sub.npc, which another edit replaces\n"},
  {"ALeafByAFolder", {"--replace", "ab", "pak"}, kPak, 2, "tazor-cfv: --replace ab: a leaf is replaced by a file, and pak is none\n"},
  {"IntoALeaf", {"--add", "ab/x", "n"}, {"n="}, 2, "tazor-cfv: --add ab/x: ab is not a branch\n"},
  {"MissingSource", {"--replace", "ab", "nope"}, {}, 2, "tazor-cfv: nope: No such file or directory\n"},
  {"AFolderWithALink", {"--add", "pak", "pak"}, {"pak/a=a", "pak/sub/a->pak"}, 2, "*pak/sub/a: is a symbolic link, which is not packed"},
  {"AnEmptyFolder", {"--add", "pak", "pak"}, {"pak/"}, 2, "*pak: is an empty folder, which would read back as an empty leaf"},
  {"NothingToDo", {}, {}, 2, "tazor-cfv: nothing to do: give --replace, --add, --remove or --rename\n"},
  // The target's state.
  {"BackupIsAFolder", {"--remove", "ab"}, {"hero.npc.bak/"}, 1, "tazor-cfv: hero.npc.bak: is a folder, so the old file cannot be kept there\n"},
  {"BrokenSource", {"--remove", "ab"}, {"hero.npc=" + Serialize(kBase) + "junk"}, 1,
   "tazor-cfv: hero.npc: (top level) at offset " + std::to_string(Serialize(kBase).size()) + ": 4 bytes at the end of the file that are no entry\n"
   "tazor-cfv: hero.npc: not well formed (see tazor-cfv verify); it cannot be copied faithfully\n"},
  {"NoCustomFile", {"--remove", "ab"}, {"hero.npc=not one"}, 1, "tazor-cfv: hero.npc: not a custom file\n"},
    // clang-format on
};

void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

std::size_t Files(const std::filesystem::path& dir) {
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) files += !entry.is_directory();
  return files;
}

class Edit : public ::testing::TestWithParam<Row> {};

TEST_P(Edit, Runs) {
  const Row& row = GetParam();
  TempDir dir;
  WriteFile(dir / "hero.npc", Serialize(kBase));
  ApplySteps(dir.path(), row.steps);
  const std::string before = ReadFile(dir / "hero.npc");
  const std::size_t files = Files(dir.path());
  Strings args = {"/usr/bin/env", "LD_PRELOAD=" CFV_PRELOAD, TAZOR_CFV, "edit", "hero.npc"};
  args.insert(args.end(), row.args.begin(), row.args.end());
  const ProcessResult r = RunProcess(args, "", dir.path());
  EXPECT_EQ(r.status, row.status);
  EXPECT_TRUE(ErrorMatches(r.err, row.err)) << r.err;
  EXPECT_EQ(r.out, row.out);
  const bool written = row.status == 0 && !row.result.empty();
  EXPECT_TRUE(ReadFile(dir / "hero.npc") == (written ? Serialize(row.result) : before));
  EXPECT_EQ(std::filesystem::exists(dir / "hero.npc.bak"),
            written || row.name == std::string("BackupIsAFolder"));
  if (written) {
    EXPECT_TRUE(ReadFile(dir / "hero.npc.bak") == before);
  }
  // Nothing else appears: no temporary file, nothing beside but the backup.
  EXPECT_EQ(Files(dir.path()), files + (written ? 1 : 0));
}

INSTANTIATE_TEST_SUITE_P(Rows, Edit, ::testing::ValuesIn(kRows),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace cfv

namespace cfv {
namespace {

ProcessResult EditIn(const std::filesystem::path& dir, Strings args, int uid = -1) {
  args.insert(args.begin(), {"/usr/bin/env", "LD_PRELOAD=" CFV_PRELOAD, TAZOR_CFV, "edit"});
  return RunProcess(args, "", dir.string(), uid);
}

// Where the result goes: another file, a link's target, no backup; a target another program holds.
TEST(EditTarget, OutputLinkBackupAndLock) {
  const std::string base = Serialize(kBase), done = Serialize(Changed({{2, Drop()}}));
  const struct {
    const char* name;
    Strings args, steps;
    int status;
    Strings holds;  // "path=bytes", "path!" for none, "path@" for a link
  } rows[] = {
      {"Output",
       {"hero.npc", "-o", "out.npc", "--remove", "ab"},
       {},
       0,
       {"hero.npc=" + base, "out.npc=" + done, "out.npc.bak!"}},
      {"OutputKept",
       {"hero.npc", "-o", "out.npc", "--remove", "ab"},
       {"out.npc=old"},
       0,
       {"out.npc=" + done, "out.npc.bak=old"}},
      {"NoBackup",
       {"hero.npc", "--no-backup", "--remove", "ab"},
       {},
       0,
       {"hero.npc=" + done, "hero.npc.bak!"}},
      {"OldBackupReplaced",
       {"hero.npc", "--remove", "ab"},
       {"hero.npc.bak=older"},
       0,
       {"hero.npc.bak=" + base}},
      {"ALinkedTarget",
       {"link.npc", "--remove", "ab"},
       {"real/hero.npc=" + base, "link.npc->real/hero.npc", "hero.npc!"},
       0,
       {"link.npc@", "real/hero.npc=" + done, "real/hero.npc.bak=" + base}},
      {"ABackupThatIsALink",
       {"hero.npc", "--remove", "ab"},
       {"hero.npc.bak->elsewhere"},
       1,
       {"hero.npc=" + base}},
      {"NoRegularFile",
       {"hero.npc", "-o", "out.npc", "--remove", "ab"},
       {"hero.npc!", "hero.npc/"},
       2,
       {"out.npc!"}},
      // Where the kernel cannot copy between the files (the shim refuses it for this name): through a buffer.
      {"CopiedThroughABuffer",
       {"h.NOCOPY.npc", "--remove", "ab"},
       {"h.NOCOPY.npc=" + base},
       0,
       {"h.NOCOPY.npc=" + done}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TempDir dir;
    WriteFile(dir / "hero.npc", base);
    ApplySteps(dir.path(), row.steps);
    EXPECT_EQ(EditIn(dir.path(), row.args).status, row.status);
    for (const std::string& hold : row.holds) {
      const std::size_t at = hold.find('=');
      const std::filesystem::path path = dir / hold.substr(0, std::min(at, hold.size() - 1));
      if (at != std::string::npos)
        EXPECT_TRUE(ReadFile(path) == hold.substr(at + 1)) << hold;
      else
        EXPECT_EQ(hold.ends_with("@") ? std::filesystem::is_symlink(path) : !std::filesystem::exists(path),
                  true)
            << hold;
    }
  }
  TempDir dir;
  WriteFile(dir / "hero.npc", base);
  const int held = ::open((dir / "hero.npc").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  const ProcessResult locked = EditIn(dir.path(), {"hero.npc", "--remove", "ab"});
  ::close(held);
  EXPECT_EQ(locked.status, 1);
  EXPECT_EQ(locked.err, "tazor-cfv: hero.npc: another program is writing it (it is locked)\n");
}

// A target that changes after it was read, or is replaced by another file, is not overwritten.
TEST(EditTarget, ChangedSinceOpenIsRefused) {
  for (const std::string step : {"hero.npc=changed", "other=x", "hero.npc!"}) {
    TempDir dir;
    WriteFile(dir / "hero.npc", "original");
    WriteTarget target;
    WriteTarget::Failure failure;
    ASSERT_TRUE(target.Open(dir / "hero.npc", true, failure));
    ApplySteps(dir.path(), {step});
    if (step == "other=x") std::filesystem::rename(dir / "other", dir / "hero.npc");
    const std::string before = std::filesystem::exists(dir / "hero.npc") ? ReadFile(dir / "hero.npc") : "";
    PendingFile pending;
    ASSERT_TRUE(pending.Open(target.Folder(), PosixFileWriter()));
    ASSERT_TRUE(pending.Write(reinterpret_cast<const unsigned char*>("new"), 3));
    EXPECT_FALSE(target.Commit(pending, true, failure)) << step;
    EXPECT_EQ(failure.text, "changed since it was read; nothing was written");
    EXPECT_EQ(std::filesystem::exists(dir / "hero.npc") ? ReadFile(dir / "hero.npc") : "", before);
    EXPECT_FALSE(std::filesystem::exists(dir / "hero.npc.bak"));
  }
}

// A read error in the middle of the copy of untouched bytes (exit 1, the new file is not made), or in the
// leaf whose compression is kept (exit 2, FILE cannot be read): refused with its reason, nothing written. The
// bad bytes lie after every header, as the shim fails every read past them.
TEST(EditTarget, ReadErrorsRefuse) {
  const Entry small = Leaf("small.t", "old"), big = Leaf("big.bin", std::string(200000, 'b')),
              z = Leaf("z.t", Zlib(std::string(200000, 'z')));
  const std::size_t lead = Serialize({small, z}).size();
  const struct {
    std::vector<Entry> entries;
    std::size_t bad;
    const char* entry;
    int status;
  } rows[] = {{{small, z, big}, lead + 1000, "small.t", 1}, {{small, big, z}, lead + 190000, "z.t", 2}};
  for (const auto& row : rows) {
    TempDir dir;
    const std::string file = "big.EIO-" + std::to_string(row.bad) + ".npc", bytes = Serialize(row.entries);
    WriteFile(dir / file, bytes);
    WriteFile(dir / "n", "new");
    const ProcessResult r = RunProcess(
        {"/usr/bin/env", "LD_PRELOAD=" CFV_PRELOAD, TAZOR_CFV, "edit", file, "--replace", row.entry, "n"}, "",
        dir.path());
    EXPECT_EQ(r.status, row.status);
    EXPECT_NE(r.err.find("Input/output error"), std::string::npos) << r.err;
    EXPECT_TRUE(ReadFile(dir / file) == bytes);
    EXPECT_EQ(Files(dir.path()), 2u);
  }
}

// Limits that need huge files, met with sparse ones and a dry run (it checks all the real run does): a size
// above 999,999,999 and a header at or past 2 GiB; and nesting past 64 levels.
TEST(EditTarget, Limits) {
  TempDir dir;
  const auto sparse = [&](const char* file,
                          const std::vector<std::pair<std::string, std::uint64_t>>& entries) {
    std::string bytes;
    std::uint64_t at = 0;
    WriteFile(dir / file, "");
    for (const auto& [head, size] : entries) {
      std::filesystem::resize_file(dir / file, at);
      std::ofstream(dir / file, std::ios::binary | std::ios::app) << head;
      at += size;
    }
    std::filesystem::resize_file(dir / file, at);
  };
  // One branch of 999,999,990 bytes around one leaf; three leaves of 999,999,000.
  sparse("b.god", {{Header("b", "999999990") + Header("in", "999999940"), 999'999'990}});
  const std::string leaf = Header("x", "999999000");
  sparse("three.god", {{leaf, 999'999'000}, {leaf, 999'999'000}, {leaf, 999'999'000}});
  WriteFile(dir / "n", "0123456789");
  WriteFile(dir / "deep.god", Serialize({[] {
              Entry e = Leaf("x", "y");
              for (int i = 0; i < 63; ++i) e = Branch("d" + std::to_string(i), {e});
              return e;
            }()}));
  WriteFile(dir / "pak/a", "a");
  const struct {
    Strings args;
    std::string err;
  } rows[] = {
      {{"b.god", "--dry-run", "--add", "b/n", "n"},
       "tazor-cfv: b: its size 1000000050 would be above 999,999,999\n"},
      {{"three.god", "--dry-run", "--add", "n", "n"},
       "tazor-cfv: n: its header would begin at or past 2 GiB\n"},
      {{"deep.god", "--add", "**/d0/pak", "pak"},
       "tazor-cfv: " + std::string([] {
         std::string p;
         for (int i = 62; i >= 0; --i) p += "d" + std::to_string(i) + "/";
         return p;
       }()) +
           "pak: a branch at nesting level 64 would read back as a leaf: entries nest at most 64 levels "
           "deep\n"},
  };
  for (const auto& row : rows) {
    const ProcessResult r = EditIn(dir.path(), row.args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, row.err + "tazor-cfv: " + row.args[0] + ": refused; nothing was written\n");
  }
}

// A kill at any moment of an edit of a large file leaves FILE old or new, never partial, and the next run
// leaves no temporary file behind; as root and as a user bound by file modes. Root editing a user's
// set-user-ID file keeps the user as its owner and drops the set-ID bits.
TEST(EditTarget, KillsAndOwners) {
  const int user = UserBoundByModes();
  const std::string big(48 << 20, 'b');
  const std::string old = Serialize({Leaf("big.bin", big), Leaf("small.t", "old")});
  const std::string fresh = Serialize({Leaf("big.bin", big), Leaf("small.t", "new")});
  for (const int as : {-1, user}) {
    if (as == -2) continue;
    TempDir dir;
    std::filesystem::permissions(dir.path(), std::filesystem::perms::all);
    WriteFile(dir / "big.npc", old);
    WriteFile(dir / "n", "new");
    for (const int delay : {1, 3, 10, 30, 60, 100}) {
      const pid_t pid = ::fork();
      ASSERT_GE(pid, 0);
      if (pid == 0) {
        if (as != -1 && !BecomeUser(as)) ::_exit(3);
        ::chdir(dir.path().c_str());
        ::execl(TAZOR_CFV, TAZOR_CFV, "edit", "big.npc", "--replace", "small.t", "n", nullptr);
        ::_exit(127);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(delay));
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
      const std::string now = ReadFile(dir / "big.npc");
      EXPECT_TRUE(now == old || now == fresh) << delay;
      WriteFile(dir / "big.npc", old);
    }
    EXPECT_EQ(EditIn(dir.path(), {"big.npc", "--replace", "small.t", "n"}, as).status, 0);
    EXPECT_TRUE(ReadFile(dir / "big.npc") == fresh);
    Strings names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
      names.push_back(entry.path().filename());
    std::ranges::sort(names);
    EXPECT_EQ(names, (Strings{"big.npc", "big.npc.bak", "n"}));
  }
  if (::geteuid() != 0 || user < 0) return;
  TempDir dir;
  WriteFile(dir / "hero.npc", Serialize(kBase));
  ASSERT_EQ(::chown((dir / "hero.npc").c_str(), user, user), 0);
  std::filesystem::permissions(dir / "hero.npc", std::filesystem::perms(06755));
  EXPECT_EQ(EditIn(dir.path(), {"hero.npc", "--remove", "ab"}).status, 0);
  struct stat info;
  ASSERT_EQ(::stat((dir / "hero.npc").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0755u);
  EXPECT_EQ(info.st_uid, static_cast<uid_t>(user));
}

}  // namespace
}  // namespace cfv
