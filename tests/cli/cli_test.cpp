// tazor-cfv as a user runs it: the real binary on real custom files; standard output, standard error, the
// exit status and the files written.
#include <gtest/gtest.h>

#include <algorithm>

#include "custom_file_builder.h"
#include "run_process.h"

namespace cfv {
namespace {

using namespace test;

ProcessResult Cfv(std::vector<std::string> args, const std::string& workDir = "",
                  const std::string& input = "") {
  // Under the read-error shim: "EIO-N" in a path fails its reads from byte N on.
  args.insert(args.begin(), {"/usr/bin/env", "LD_PRELOAD=" CFV_PRELOAD, TAZOR_CFV});
  // "!CMD": the shell runs CMD first ("exec <&-": stdin closed; "ulimit -f 1": files up to 512 bytes).
  const bool shell = input.starts_with("!");
  if (shell) args.insert(args.begin(), {"/bin/sh", "-c", input.substr(1) + "; exec \"$0\" \"$@\""});
  return RunProcess(args, shell ? "" : input, workDir);
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Offsets: branch "sub.npc" at 0 (children at 50 and 103, 105 bytes of payload), then the awkward names
    // at 155, 210, 260 and the Shift_JIS name at 310.
    WriteFile(dir_ / "game" / "a.god",
              Serialize({Branch("sub.npc", {Leaf("in.t", "abc"), Leaf("pic.bm", "BM")}),
                         Leaf("tab\there.txt", "hello"), Leaf("line\nfeed", ""), Leaf("back\\slash\r", ""),
                         Leaf("日本語.mid", "MThd")}));
    WriteFile(dir_ / "game" / "B" / "b.item", Serialize({Leaf("x.mp3", "ID3")}));
    WriteFile(dir_ / "game" / "notes.txt", "not a custom file at all, just text");
  }
  TempDir dir_;
};

// list --json, read back by Python's json module (each line must parse on its own) and printed again with
// sorted keys, non-ASCII escaped: what a script would see. A file name that is not UTF-8 gives U+FFFD.
TEST_F(CliTest, ListJsonParsesAsJsonLines) {
  const std::string bad =
      "game/bad "
      "\xff\xf4\x8f\xbf\xbf\xdf\xbf\xef\xbf\xbc\xf0\x9f\x98\x80\xf4\x90\x80\x80\xf8\x80\x80\x80\xe0\xa0\x80."
      "god";
  WriteFile(dir_ / bad, Serialize({Leaf("z.t", Zlib("zz")), Leaf("g.bm", Gzip("BM")), Leaf("ア", ""),
                                   Leaf("a.jpg", "BM"), Leaf("picture.jpg", "BM")}));
  const auto r = Cfv({"list", "--json", "game/a.god", bad}, dir_.path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const char* script =
      "import json, sys\n"
      "keys = ['depth', 'offset', 'name', 'path', 'children', 'length', 'stored_length', 'compression',\n"
      "        'preview', 'export_name', 'file']\n"
      "for line in sys.stdin.buffer.read().decode('utf-8').splitlines():\n"
      "    o = json.loads(line)\n"
      "    assert set(o) <= set(keys), o\n"
      "    print(json.dumps([o.get(k) for k in keys]))\n";
  EXPECT_NE(r.out.find("\"name\":\"bad \xef\xbf\xbd"), std::string::npos);  // printable ASCII as it is
  const auto parsed = RunProcess({"/usr/bin/python3", "-c", script}, r.out);
  EXPECT_EQ(parsed.status, 0) << parsed.err;
  EXPECT_EQ(parsed.out,
            R"([0, 0, "a.god", "", 5, null, null, null, null, null, "game/a.god"]
[1, 0, "sub.npc", "sub.npc", 2, 105, 105, "none", "Text", "sub.npc", null]
[2, 50, "in.t", "sub.npc/in.t", 0, 3, 3, "none", "Text", "in.txt", null]
[2, 103, "pic.bm", "sub.npc/pic.bm", 0, 2, 2, "none", "Image", "pic.bmp", null]
[1, 155, "tab\there.txt", "tab\there.txt", 0, 5, 5, "none", "Text", "tab\there.txt", null]
[1, 210, "line\nfeed", "line\nfeed", 0, 0, 0, "none", "Text", "line\nfeed", null]
[1, 260, "back\\slash\r", "back/slash\r", 0, 0, 0, "none", "Text", "back\\slash\r", null]
[1, 310, "\u65e5\u672c\u8a9e.mid", "\u65e5\u672c\u8a9e.mid", 0, 4, 4, "none", "Sound", "\u65e5\u672c\u8a9e.mid", null]
[0, 0, "bad \ufffd\udbff\udfff\u07ff\ufffc\ud83d\ude00\ufffd\ufffd\ufffd\ufffd\ufffd\ufffd\ufffd\ufffd\u0800.god", "", 5, null, null, null, null, null, "game/bad \ufffd\udbff\udfff\u07ff\ufffc\ud83d\ude00\ufffd\ufffd\ufffd\ufffd\ufffd\ufffd\ufffd\ufffd\u0800.god"]
[1, 0, "z.t", "z.t", 0, 2, 10, "zlib", "Text", "z.txt", null]
[1, 60, "g.bm", "g.bm", 0, 2, 22, "gzip", "Image", "g.bmp", null]
[1, 132, "\u30a2", "\u30a2", 0, 0, 0, "none", "Text", "\u30a2", null]
[1, 182, "a.jpg", "a.jpg", 0, 2, 2, "none", "Image", "a.bmp", null]
[1, 234, "picture.jpg", "picture.jpg", 0, 2, 2, "none", "Image", "picture.bmp", null]
)");
}

// A listing far longer than the block the lines are gathered in: every line is there, in order, none cut at a
// block's edge, in both forms.
TEST_F(CliTest, LongListingIsWholeAndInOrder) {
  std::vector<Entry> entries;
  std::string tsv = "0\t0\t1\tmany.god\n";
  std::string plain = "many.god\n";
  for (int i = 0; i < 30000; ++i) {
    // Names of growing length with a tab now and then, so lines differ in size.
    const std::string stem = "entry" + std::to_string(i) + std::string(i % 23, 'n'), tab = i % 7 ? "" : "\t";
    const std::string escaped = stem + (tab.empty() ? "" : "\\t") + "\n";
    tsv += "1\t" + std::to_string(i * 54) + "\t0\t" + escaped;
    plain += "  " + escaped;
    entries.push_back(Leaf(stem + tab, "data"));
  }
  WriteFile(dir_ / "many.god", Serialize(entries));
  const auto r = Cfv({"list", "--tsv", "many.god"}, dir_.path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.out == tsv);
  const auto p = Cfv({"list", "many.god"}, dir_.path());
  EXPECT_TRUE(p.out == plain);
}

// Golden runs in the test folder: arguments in; exit status, standard output and standard error (see
// ErrorMatches) out.
struct GoldenRun {
  std::vector<std::string> args;
  int status;
  std::string out, err;
};

const std::string kMillion(1000000, 'm');
const auto kEio = [](std::string f) { return "tazor-cfv: " + f + ".EIO-600050.god: Input/output error\n"; };
const std::string kBig(200000, 'q'), kBytes = [] {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
  return bytes;
}();

// clang-format off
const GoldenRun kRuns[] = {
  // Folder order is the Windows listing order: a.god, B (its file), notes.txt.
  {{"list", "--tsv", "game"}, 0, "0\t0\t1\tgame/a.god\n1\t0\t1\tsub.npc\n2\t50\t0\tin.t\n2\t103\t0\tpic.bm\n1\t155\t0\ttab\\there.txt\n"
   "1\t210\t0\tline\\nfeed\n1\t260\t0\tback\\\\slash\\r\n1\t310\t0\t日本語.mid\n0\t0\t1\tgame/B/b.item\n1\t0\t0\tx.mp3\n", ""},
  {{"list", "game/B/b.item", "game/a.god"}, 0, "game/B/b.item\n  x.mp3\ngame/a.god\n  sub.npc\n    in.t\n    pic.bm\n  tab\\there.txt\n"
   "  line\\nfeed\n  back\\\\slash\\r\n  日本語.mid\n", ""},
  // A missing path is named, and the paths that exist are still listed.
  {{"list", "--tsv", "nope", "game/B"}, 2, "0\t0\t1\tgame/B/b.item\n1\t0\t0\tx.mp3\n", "tazor-cfv: nope: No such file or directory\n"},
  {{"info", "game/a.god", "0x67"}, 0, "length=2\npreview=Image\ndevice=\nname=pic.bmp\nname_as_stored=pic.bm\n", ""},
  {{"info", "game/a.god", "155"}, 0, "length=5\npreview=Text\ndevice=\nname=tab\\there.txt\nname_as_stored=tab\\there.txt\n", ""},
  {{"info", "game/a.god", "310"}, 0, "length=4\npreview=Sound\ndevice=sequencer\nname=日本語.mid\nname_as_stored=日本語.mid\n", ""},
  // The branch itself: its data is its payload, the nested entries.
  {{"info", "game/a.god", "0"}, 0, "length=105\npreview=Text\ndevice=\nname=sub.npc\nname_as_stored=sub.npc\n", ""},
  {{"info", "game/B/b.item", "0"}, 0, "length=3\npreview=Sound\ndevice=MPEGVideo\nname=x.mp3\nname_as_stored=x.mp3\n", ""},
  // By entry path: wildcards as --include takes them, ASCII case ignored, exactly one entry or status 2;
  // --path reads a number as a name.
  {{"cat", "game/a.god", "sub.npc/in.t"}, 0, "abc", ""},
  {{"cat", "game/a.god", "SUB.NPC\\IN.T"}, 0, "abc", ""},
  {{"cat", "game/a.god", "**/pic.*"}, 0, "BM", ""},
  {{"cat", "game/a.god", "*.txt"}, 0, "hello", ""},
  {{"cat", "game/a.god", "*.t"}, 2, "", "tazor-cfv: no entry of game/a.god matches *.t\n"},
  {{"cat", "game/a.god", "x\ty\\"}, 2, "", "tazor-cfv: no entry of game/a.god matches x\\ty\\\\\n"},
  {{"cat", "game/a.god", std::string(4096, '?')}, 2, "", "tazor-cfv: no entry of game/a.god matches " + std::string(4096, '?') + "\n"},
  {{"cat", "game/a.god", std::string(4097, '?')}, 2, "", "tazor-cfv: ENTRY: a pattern may hold at most 4096 bytes, this one holds 4097\n"},
  // A read error ("EIO-N": from byte N on) is a failure with its reason, never data: into an entry (one), at
  // the header after it (two: the listing ends there), in a zlib stream list --json reads, at the first header.
  {{"cat", "one.EIO-600050.god", "0"}, 2, "", kEio("cannot read one")},
  {{"info", "one.EIO-600050.god", "big.t"}, 2, "", kEio("cannot read one")},
  {{"list", "two.EIO-600050.god"}, 2, "two.EIO-600050.god\n  big.t\n", kEio("two")},
  {{"list", "--tsv", "two.EIO-600050.god"}, 2, "0\t0\t1\ttwo.EIO-600050.god\n1\t0\t0\tbig.t\n", kEio("two")},
  {{"list", "--json", "two.EIO-600050.god"}, 2, "*", kEio("two")},
  {{"list", "--json", "zip.EIO-9000.god"}, 2, "*", "tazor-cfv: zip.EIO-9000.god: Input/output error\n"},
  {{"export", "--dry-run", "head.EIO-10.god"}, 2, "", "tazor-cfv: head.EIO-10.god: Input/output error\n"},
  {{"cat", "game/a.god", "12x"}, 2, "", "tazor-cfv: no entry of game/a.god matches 12x\n"},
  {{"cat", "game/a.god", "**/*.*"}, 2, "", "tazor-cfv: 5 entries of game/a.god match **/*.* (first sub.npc, sub.npc/in.t); name one\n"},
  {{"cat", "num.god", "50"}, 2, "", "tazor-cfv: no entry header at offset 50 in num.god\n"},
  {{"cat", "--path", "num.god", "50"}, 0, "fifty, fifty!", ""},
  {{"cat", "num.god", "0x3F"}, 0, "x", ""},
  {{"cat", "num.god", "0X3f"}, 0, "x", ""},
  {{"cat", "num.god", "063"}, 0, "x", ""},
  {{"info", "num.god", "x.t"}, 0, "length=1\npreview=Text\ndevice=\nname=x.txt\nname_as_stored=x.t\n", ""},
  // The data byte for byte: zlib, gzip and stored (c.cwd).
  {{"cat", "c.cwd", "0"}, 0, kBig, ""},
  {{"cat", "c.cwd", std::to_string(Zlib(kBig).size() + 50)}, 0, kBytes, ""},
  {{"cat", "c.cwd", std::to_string(Zlib(kBig).size() + Gzip(kBytes).size() + 100)}, 0, kBytes, ""},
  {{"--version"}, 0, "tazor-cfv " CFV_VERSION "\n", ""},
  {{"list", "--help"}, 0, "*", ""},
  {{}, 2, "", "*subcommand"},
  {{"frobnicate"}, 2, "", "tazor-cfv: unknown command: frobnicate (see --help)\n"},
  {{"list"}, 2, "", "*PATH"},
  {{"list", "missing.god"}, 2, "", "tazor-cfv: missing.god: No such file or directory\n"},
  {{"list", "game/notes.txt"}, 1, "", "tazor-cfv: none of the inputs is a custom file\n"},
  {{"cat", "game/a.god"}, 2, "", "*ENTRY"},
  {{"cat", "game/a.god", "4294967296"}, 2, "", "*4294967296"},
  {{"cat", "game/missing.god", "0"}, 2, "", "tazor-cfv: cannot open game/missing.god: No such file or directory\n"},
  {{"cat", "game", "0"}, 2, "", "tazor-cfv: cannot open game: not a regular file\n"},
  {{"info", "game/a.god", "100000"}, 2, "", "tazor-cfv: no entry header at offset 100000 in game/a.god\n"},
};
// clang-format on

TEST_F(CliTest, GoldenRuns) {
  WriteFile(dir_ / "num.god", Serialize({Leaf("50", "fifty, fifty!"), Leaf("x.t", "x")}));
  WriteFile(dir_ / "one.EIO-600050.god", Serialize({Leaf("big.t", kMillion)}));
  WriteFile(dir_ / "two.EIO-600050.god", Serialize({Leaf("big.t", kMillion), Leaf("after.t", "")}));
  std::string noise;  // does not compress
  for (unsigned x = 1; noise.size() < 20000;) noise += static_cast<char>((x = x * 1103515245 + 12345) >> 23);
  WriteFile(dir_ / "zip.EIO-9000.god", Serialize({Leaf("z.t", Zlib(noise))}));
  WriteFile(dir_ / "head.EIO-10.god", Serialize({Leaf("h.t", "")}));
  WriteFile(dir_ / "c.cwd", Serialize({Leaf("z", Zlib(kBig)), Leaf("g", Gzip(kBytes)), Leaf("s", kBytes)}));
  for (const GoldenRun& run : kRuns) {
    SCOPED_TRACE(::testing::PrintToString(run.args));
    const auto r = Cfv(run.args, dir_.path());
    EXPECT_EQ(r.status, run.status) << r.err;
    EXPECT_TRUE(run.out == "*" ? !r.out.empty() : r.out == run.out) << r.out.substr(0, 200);
    EXPECT_TRUE(ErrorMatches(r.err, run.err)) << r.err;
  }
}

// Unreadable inputs are never silent: a named one is an error with the system's reason (status 2), one found
// in a named folder a warning (status 1). Run as a user bound by file modes: root would read them all.
TEST_F(CliTest, UnreadableInputsAreNamed) {
  const int user = UserBoundByModes();
  if (user == -2) GTEST_SKIP() << "running as root and cannot become another user";
  ApplySteps(dir_.path(), {"game/locked.god=" + Serialize({Leaf("l.t", "l")}), "game/locked.god%0",
                           "game/D/d.god=" + Serialize({Leaf("d.t", "d")}), "game/D%0", "bin/",
                           // game as it might be next: the unreadable files' copies here are not compared.
                           "copy/locked.god=" + Serialize({Leaf("l.t", "l")}), "copy/a.god=>game/a.god",
                           "copy/m.god=" + Serialize({Leaf("m.t", "m")}),
                           "copy/D/d.god=" + Serialize({Leaf("d.t", "d")})});
  // A copy of the tool the other user may run: the build folder may be closed to others (a checkout in a
  // private temporary folder).
  std::filesystem::copy_file(TAZOR_CFV, dir_ / "bin/tazor-cfv");
  ApplySteps(dir_.path(), {"%777", "game%777", "game/B%777", "bin%777", "locked/", "locked%555"});
  const std::string denied = ": Permission denied\n";
  const std::string warnings =
      "tazor-cfv: warning: game/D" + denied + "tazor-cfv: warning: game/locked.god" + denied;
  const GoldenRun cases[] = {
      {{"list", "game/locked.god"}, 2, "", "tazor-cfv: game/locked.god" + denied},
      {{"export", "game/locked.god"}, 2, "", "tazor-cfv: game/locked.god" + denied},
      {{"list", "game/D"}, 2, "", "tazor-cfv: game/D" + denied},
      {{"list", "game"}, 1, "", warnings},
      {{"export", "game"}, 1, "", warnings + "written 7, not overwritten 0, failed 0\n"},
      // The system's own reason when -C cannot be made.
      {{"export", "-C", "locked/out", "game/B/b.item"}, 1, "", "tazor-cfv: locked/out/b/x.mp3" + denied + "written 0, not overwritten 0, failed 1\n"},
      // Comparing and searching: what cannot be read is trouble (2), and neither side's copy is compared.
      // clang-format off
      {{"grep", "-c", "l", "game"}, 2, "game/a.god:tab\\there.txt:1\n", "tazor-cfv: game/D" + denied + "tazor-cfv: game/locked.god" + denied},
      {{"diff", "game/locked.god", "game/a.god"}, 2, "", "tazor-cfv: game/locked.god" + denied},
      {{"diff", "game", "copy"}, 2, "D\tB/b.item:x.mp3\nA\tm.god:m.t\n", "tazor-cfv: game/D" + denied + "tazor-cfv: game/locked.god" + denied},
      // -q stops at the first difference (B/b.item), before locked.god.
      {{"diff", "-q", "game", "copy"}, 2, "", "tazor-cfv: game/D" + denied},
      // clang-format on
  };
  for (GoldenRun c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    c.args.insert(c.args.begin(), (dir_ / "bin/tazor-cfv").string());
    const auto r = RunProcess(c.args, "", dir_.path(), user);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.err, c.err);
    if (c.args[1] == "grep" || c.args[1] == "diff") {
      EXPECT_EQ(r.out, c.out);
    }
  }
  // The readable files are still listed and exported.
  EXPECT_EQ(ReadFile(dir_ / "game/a/tab\there.txt"), "hello");
  EXPECT_EQ(ReadFile(dir_ / "game/B/b/x.mp3"), "ID3");
}

// tazor-cfv export golden: arguments, standard input and the folder as it was in; exit status, standard
// output, standard error and the files on disk out.
using Strings = std::vector<std::string>;

// In: arguments, standard input, ApplySteps in the test folder. Out: exit status, standard output and error
// (see ErrorMatches), every file and folder below game/ and out/ (inputs left out), what files hold
// ("path=bytes").
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
const std::string kAsk = "] is already exists. Overwrite? [y]es/[n]o/[a]ll yes/[s]kip all/[c]ancel: ",
                  kQ = "File [game/hero/x.txt" + kAsk;
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
const std::string kLink = "tazor-cfv: game/hero: refused: a symbolic link, which an export never follows\n",
                  kLinks = kLink + kLink + kLink + kLink;
const std::string kOdd = "game/o\\d.god=" + Serialize({Leaf("a\nb", "1"), Leaf("t\tc\r", "2")});

// clang-format off
const Row kRows[] = {
  {"Defaults", {"export", h}, "", {}, 0, kDone, kAll, kHero, {"game/hero/x.txt=new x", "game/hero/face.bmp=BM...", "game/hero/body/a.txt=a"}},
  {"StdinClosed", {"export", h}, "!exec <&-", {}, 0, kDone, kAll, kHero, {"game/hero/x.txt=new x", "game/hero/face.bmp=BM...", "game/hero/body/a.txt=a"}},
  {"KeepOptions", {"export", "--keep-extractable", "--keep-extension", h}, "", {}, 0, kDone, "written 5, not overwritten 0, failed 0\n",
   {"game/hero/", "game/hero/body.cmp", "game/hero/body/", "game/hero/body/a.t", "game/hero/face.bm", "game/hero/x.t", "game/hero/y.t"},
   {"game/hero/body.cmp=" + Serialize({Leaf("a.t", Zlib("a"))}), "game/hero/body/a.t=a"}},
  // An existing x.txt meets each policy; y.t comes after it.
  {"PolicyYes", {"export", "--overwrite=yes", h}, "", kX, 0, kDone, kAll, kHero, kNewX},
  {"PolicyNo", {"export", "--overwrite", "no", h}, "", kX, 1, kDone, "tazor-cfv: kept game/hero/x.txt\n" + kKept, kHero, kX},
  {"PolicyCancel", {"export", "--overwrite=cancel", h}, "", kX, 1, kDone, "tazor-cfv: cancelled at game/hero/x.txt\n" + kNone, kCancelled, kX},
  {"AskYes", {"export", "--overwrite=ask", h}, "y\n", kX, 0, kDone, kQ + kAll, kHero, kNewX},
  {"AskNo", {"export", h}, "n\n", kX, 1, kDone, kQ + kKept, kHero, kX},
  {"AskCancel", {"export", h}, "Cancel\n", kX, 1, kDone, kQ + kNone, kCancelled, kX},
  {"UnclearAsksAgain", {"export", h}, "maybe\nYES\n", kX, 0, kDone, kQ + kQ + kAll, kHero, kNewX},
  {"CrLf", {"export", h}, "y\r\n", kX, 0, kDone, kQ + kAll, kHero, kNewX},
  {"NoAnswerKeeps", {"export", h}, "", kX, 1, kDone, kQ + "\n" + kKept, kHero, kX},
  // Only a whole line is an answer: neither the end of a long line, nor a line with a NUL byte, nor what
  // follows 256 bytes. Three lines that are not answers answer No; so does endless input without a line
  // break.
  {"EndOfALongLine", {"export", h}, std::string(63, '0') + "y\n", kX, 1, kDone, kQ + kQ + "\n" + kKept, kHero, kX},
  {"LineWithNul", {"export", h}, std::string("y\0\n", 3), kX, 1, kDone, kQ + kQ + "\n" + kKept, kHero, kX},
  {"Beyond256Bytes", {"export", h}, std::string(300, 'y') + "\ny\n", kX, 0, kDone, kQ + kQ + kAll, kHero, kNewX},
  {"ThreeNonAnswers", {"export", h}, "e\nb\nd\ny\n", kX, 1, kDone, kQ + kQ + kQ + "\n" + kKept, kHero, kX},
  {"LongLineCountsOnce", {"export", h}, std::string(256, 'x') + "\ne\nb\ny\n", kX, 1, kDone, kQ + kQ + kQ + "\n" + kKept, kHero, kX},
  {"A512ByteLineCountsOnce", {"export", h}, std::string(512, 'x') + "\ne\ny\n", kX, 0, kDone, kQ + kQ + kQ + kAll, kHero, kNewX},
  {"EndlessLine", {"export", h}, std::string(769, 'y') + "\ny\n", kX, 1, kDone, kQ + "\n" + kKept, kHero, kX},
  {"EndlessNuls", {"export", h}, std::string(1000, '\0'), kX, 1, kDone, kQ + "\n" + kKept, kHero, kX},
  // "a" answers Yes to all, "s" No to all: one question for both files.
  {"YesToAll", {"export", h}, "a\n", kXY, 0, kDone, kQ + kAll, kHero, {"game/hero/x.txt=new x", "game/hero/y.txt=new y"}},
  {"NoToAll", {"export", h}, "s\n", kXY, 1, kDone, kQ + "written 2, not overwritten 2, failed 0\n", kHero, kXY},
  {"FailuresNamed", {"export", h, "game/evil.god"}, "", {"game/hero/x.txt/", "game/evil.god=" + Serialize({Leaf("..\\..\\escape.t", "e")})}, 1, kDone,
   "tazor-cfv: game/hero/x.txt: Is a directory\ntazor-cfv: game/evil/../../escape.txt: refused: the name leaves the export folder\n"
   "written 3, not overwritten 0, failed 2\n", {"game/hero/", "game/hero/body/", "game/hero/body/a.txt", "game/hero/face.bmp", "game/hero/x.txt/", "game/hero/y.txt"}, {}},
  {"OutputDir", {"export", "-C", "out", h, "game/nox"}, "y\n", {"game/hero/x.txt=old x", "out/hero/y.txt=old y"}, 0, kDone, "File [out/hero/y.txt" + kAsk + "written 5, not overwritten 0, failed 0\n",
   {"game/hero/", "game/hero/x.txt", "out/", "out/hero/", "out/hero/body/", "out/hero/body/a.txt", "out/hero/face.bmp", "out/hero/x.txt", "out/hero/y.txt", "out/nox/", "out/nox/n.txt"}, {"game/hero/x.txt=old x", "out/hero/y.txt=new y", "out/nox/n.txt=n"}},
  {"LinkedExportFolder", {"export", h}, "", {"elsewhere/", "game/hero->elsewhere"}, 1, kDone,
   kLinks + "written 0, not overwritten 0, failed 4\n", {"elsewhere/", "game/hero/"}, {}},
  {"NoExtensionBeside", {"export", "game/nox"}, "", {}, 1, kDone, kNox + "written 0, not overwritten 0, failed 1\n", {}, {}},
  {"DryRunCreatesNothing", {"export", "--dry-run", "--output-dir", "out", h}, "", {}, 0,
   "out/hero/x.txt\nout/hero/face.bmp\nout/hero/body/a.txt\nout/hero/y.txt\n", kAll, {}, {}},
  {"Verbose", {"export", "-v", "--include", "*.t", h}, "", {}, 0, "game/hero/x.txt\ngame/hero/y.txt\n" + kDone,
   "written 2, not overwritten 0, failed 0\n", {"game/hero/", "game/hero/x.txt", "game/hero/y.txt"}, {}},
  // A branch pattern takes what the branch holds; ** crosses '/'; --exclude wins; case is ignored.
  {"IncludeBranch", {"export", "--keep-extractable", "--include", "BODY.cmp", h}, "", {}, 0, kDone, "written 2, not overwritten 0, failed 0\n",
   {"game/hero/", "game/hero/body.cmp", "game/hero/body/", "game/hero/body/a.txt"}, {}},
  {"IncludeExclude", {"export", "--include", "**/*.t", "--exclude", "x.t", "--exclude", "body.cmp", h}, "", {}, 0, kDone,
   "written 1, not overwritten 0, failed 0\n", {"game/hero/", "game/hero/y.txt"}, {}},
  {"QuietPrintsOnlyErrors", {"export", "-q", "game/nox", h}, "", {}, 1, "", kNox, kHero, {}},
  // With standard input closed, the custom file (y.god: "y\n...") does not answer the question.
  {"StdinClosedAnswersNothing", {"export", "game/y.god"}, "!exec <&-", {"game/y.god=" + Serialize({Leaf("y\n", "new")}), "game/y/y\n=old"}, 1, kDone,
   "File [game/y/y\\n" + kAsk + "\n" + "written 0, not overwritten 1, failed 0\n", {"game/y/", "game/y/y\n"}, {"game/y/y\n=old"}},
  // Every name and path printed is escaped as list --tsv escapes it.
  {"DryRunEscapes", {"export", "--dry-run", "game/o\\d.god"}, "", {kOdd}, 0, "game/o\\\\d/a\\nb\ngame/o\\\\d/t\\tc\\r\n", "written 2, not overwritten 0, failed 0\n", {}, {}},
  {"VerboseEscapes", {"export", "-v", "--overwrite=no", "game/o\\d.god"}, "", {kOdd, "game/o\\d/a\nb=old"}, 1, "game/o\\\\d/t\\tc\\r\n" + kDone,
   "tazor-cfv: kept game/o\\\\d/a\\nb\nwritten 1, not overwritten 1, failed 0\n", {"game/o\\d/", "game/o\\d/a\nb", "game/o\\d/t\tc\r"}, {}},
  // A read error keeps the old file and counts as failed.
  {"ReadError", {"export", "--overwrite=yes", "game/one.EIO-600050.god"}, "", {"game/one.EIO-600050.god=" + Serialize({Leaf("big.t", kMillion)}), "game/one.EIO-600050/big.txt=old"}, 1, kDone,
   "tazor-cfv: game/one.EIO-600050.god: cannot read an entry: Input/output error\nwritten 0, not overwritten 0, failed 1\n", {"game/one.EIO-600050/", "game/one.EIO-600050/big.txt"}, {"game/one.EIO-600050/big.txt=old"}},
  // Under ulimit -f a file too large fails with its reason; the export goes on.
  {"FileTooLarge", {"export", "game/big.god"}, "!ulimit -f 1", {"game/big.god=" + Serialize({Leaf("big.t", std::string(2000, 'b')), Leaf("s.t", "s")})}, 1, kDone,
   "tazor-cfv: game/big/big.txt: File too large\nwritten 1, not overwritten 0, failed 1\n", {"game/big/", "game/big/s.txt"}, {"game/big/s.txt=s"}},
  // The custom files an earlier --keep-extractable export wrote into an export folder are no inputs.
  {"KeepExtractableAgain", {"export", "--keep-extractable", "--overwrite=yes", "game"}, "", {"game/hero/body.cmp=" + Serialize({Leaf("a.t", Zlib("b"))}), "game/hero/body/a.txt=b"}, 1, kDone,
   kNox + "written 5, not overwritten 0, failed 1\n", {"game/hero/", "game/hero/body.cmp", "game/hero/body/", "game/hero/body/a.txt", "game/hero/face.bmp", "game/hero/x.txt", "game/hero/y.txt"}, {"game/hero/body/a.txt=a"}},
  {"LongInclude", {"export", "--include", std::string(100000, '*'), h}, "", {}, 2, "", "tazor-cfv: --include: a pattern may hold at most 4096 bytes, this one holds 100000\n", {}, {}},
  {"LongExclude", {"export", "--exclude", std::string(4097, '*'), h}, "", {}, 2, "", "tazor-cfv: --exclude: a pattern may hold at most 4096 bytes, this one holds 4097\n", {}, {}},
  {"NoCustomFile", {"export", "game/readme.txt"}, "", {}, 1, "", "tazor-cfv: none of the inputs is a custom file\n", {}, {}},
  // A missing path is named; the paths that exist are still exported.
  {"MissingPath", {"export", "nope.npc", h}, "", {}, 2, kDone, "tazor-cfv: nope.npc: No such file or directory\n" + kAll, kHero, {}},
  {"NoPath", {"export"}, "", {}, 2, "", "*PATH", {}, {}},
  {"UnknownPolicy", {"export", "--overwrite=maybe", "game"}, "", {}, 2, "", "*maybe", {}, {}},
  {"UnknownOption", {"export", "--frobnicate", "game"}, "", {}, 2, "", "*frobnicate", {}, {}},
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
  const auto r = Cfv(row.args, dir.path(), row.input);

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
