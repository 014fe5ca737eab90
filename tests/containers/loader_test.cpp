#include "containers/loader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "custom_file_builder.h"
#include "tree_lines.h"

namespace cfv {
namespace {

using test::Branch;
using test::Entry;
using test::Leaf;
using test::TreeLines;
using Lines = std::vector<std::string>;

Lines LoadLines(const std::filesystem::path& path, bool* loaded = nullptr) {
  EntryTree tree;
  const bool ok = LoadCustomFile(path, "root", tree);
  if (loaded != nullptr) *loaded = ok;
  return TreeLines(tree);
}

// The worked example: a 330-byte file with a branch E1 (E2, E3) and a leaf E4.
TEST(Loader, WorkedExample) {
  test::TempDir dir;
  const std::string bytes =
      test::Serialize({Branch("E1", {Leaf("E2", std::string(30, 'x')), Leaf("E3", std::string(50, 'y'))}),
                       Leaf("E4", std::string(50, 'z'))});
  ASSERT_EQ(bytes.size(), 330u);
  test::WriteFile(dir / "a.god", bytes);

  EntryTree tree;
  ASSERT_TRUE(LoadCustomFile(dir / "a.god", "root", tree));
  EXPECT_EQ(TreeLines(tree), (Lines{"0:root@0+", "1:E1@0+", "2:E2@50", "2:E3@130", "1:E4@230"}));
}

TEST(Loader, RootItemCarriesThePathAsGiven) {
  test::TempDir dir;
  test::WriteFile(dir / "a.god", test::Serialize({Leaf("x", "1")}));
  EntryTree tree;
  ASSERT_TRUE(LoadCustomFile(dir / "a.god", "/some/where/a.god", tree));
  const ItemId root = tree.FirstRoot();
  EXPECT_EQ(tree.Text(root), "/some/where/a.god");
  EXPECT_EQ(tree.Parent(root), kNoItem);
  EXPECT_EQ(tree.Data(root), 0u);
  const ItemId entry = tree.FirstChild(root);
  EXPECT_EQ(tree.Data(entry), 0u);
  EXPECT_EQ(tree.Parent(entry), root);
  EXPECT_FALSE(tree.IsChecked(entry));
}

// Files whose shape tests one rule of the list walk each.
struct ShapeCase {
  const char* what;
  std::string bytes;
  Lines expected;
};

std::vector<ShapeCase> ShapeCases() {
  // A branch whose nested entries take less than its payload, followed by
  // junk: the failed candidate's move covers the whole payload length from
  // the candidate, so the top-level list resumes 60 bytes (the nested
  // entry's size) past the branch's end and skips X1.
  Entry junkBranch = Branch("B", {Leaf("c", std::string(10, 'x'))});
  junkBranch.trailing = std::string(100, '\x01');

  // A leaf whose payload starts with 40 printable bytes and then no digits.
  const std::string printable = std::string(40, 'P') + "abcdefghij" + "rest";

  // A branch whose size runs past the end of the file: its nested entries
  // are found as far as the file goes.
  Entry longBranch = Branch("long", {Leaf("in1", "a"), Leaf("in2", "b")});
  longBranch.sizeField = "5000";

  // An entry whose size runs past its enclosing block: it keeps its item,
  // its own payload is parsed as far as its size says, and the enclosing
  // list ends there. The reading goes on at the end of that entry, so "lost",
  // stored inside "outer", is read as the next top-level entry.
  Entry outer = Branch("outer", {Leaf("over", std::string(100, 'o')), Leaf("lost", "l")});
  outer.sizeField = "120";  // the block of "outer" ends inside "over"

  return {
      {"file of one empty entry", test::Serialize({Leaf("only", "")}), {"0:root@0+", "1:only@0"}},
      {"junk top-level candidate ends the file",
       test::Serialize({Leaf("a", "1"), Leaf("b", "22")}) + std::string(60, '\x02') +
           test::Serialize({Leaf("c", "3")}),
       {"0:root@0+", "1:a@0", "1:b@51"}},
      {"forty-byte name without NUL",
       test::Serialize({Leaf(std::string(40, 'N'), "x")}),
       {"0:root@0+", "1:" + std::string(40, 'N') + "@0"}},
      {"TAB LF CR stay in the name",
       test::Serialize({Leaf("a\tb\nc\rd", "x")}),
       {"0:root@0+", "1:a\tb\nc\rd@0"}},
      {"Shift_JIS name", test::Serialize({Leaf("データ.bmp", "x")}), {"0:root@0+", "1:データ.bmp@0"}},
      {"printable payload start is a leaf",
       test::Serialize({Leaf("p", printable), Leaf("q", "")}),
       {"0:root@0+", "1:p@0", "1:q@104"}},
      {"payload that is a header is a branch",
       test::Serialize({Leaf("looks", test::Header("inner", "55") + "12345")}),
       {"0:root@0+", "1:looks@0+", "2:inner@50"}},
      {"junk after a branch",
       test::Serialize({junkBranch, Leaf("X1", std::string(10, 'a')), Leaf("X2", "b"), Leaf("X3", "c")}),
       {"0:root@0+", "1:B@0+", "2:c@50", "1:X2@270", "1:X3@321"}},
      {"branch running past the end of the file",
       test::Serialize({longBranch}),
       {"0:root@0+", "1:long@0+", "2:in1@50", "2:in2@101"}},
      {"entry running past its enclosing block",
       test::Serialize({outer, Leaf("after", "z")}),
       {"0:root@0+", "1:outer@0+", "2:over@50", "1:lost@200", "1:after@251"}},
      {"three levels",
       test::Serialize(
           {Branch("a.cmp", {Branch("b.npc", {Leaf("c.t", "cc"), Leaf("d.bmp", "")}), Leaf("e", "e")}),
            Leaf("f", "ff")}),
       {"0:root@0+", "1:a.cmp@0+", "2:b.npc@50+", "3:c.t@100", "3:d.bmp@152", "2:e@202", "1:f@253"}},
  };
}

TEST(Loader, FileShapes) {
  test::TempDir dir;
  for (const ShapeCase& c : ShapeCases()) {
    SCOPED_TRACE(c.what);
    test::WriteFile(dir / "f.god", c.bytes);
    bool loaded = false;
    EXPECT_EQ(LoadLines(dir / "f.god", &loaded), c.expected);
    EXPECT_TRUE(loaded);
  }
}

TEST(Loader, SameFileTwiceGivesTwoIdenticalSubtrees) {
  test::TempDir dir;
  test::WriteFile(dir / "a.god", test::Serialize({Branch("b", {Leaf("c", "1")}), Leaf("d", "2")}));
  EntryTree tree;
  ASSERT_TRUE(LoadCustomFile(dir / "a.god", "r", tree));
  ASSERT_TRUE(LoadCustomFile(dir / "a.god", "r", tree));
  EXPECT_EQ(TreeLines(tree),
            (Lines{"0:r@0+", "1:b@0+", "2:c@50", "1:d@101", "0:r@0+", "1:b@0+", "2:c@50", "1:d@101"}));
  EXPECT_EQ(tree.ChildCount(kNoItem), 2u);
}

TEST(Loader, AbortSetBeforeTheFileLoadsNothing) {
  test::TempDir dir;
  test::WriteFile(dir / "a.god", test::Serialize({Leaf("x", "1")}));
  std::atomic<bool> abort{true};
  EntryTree tree;
  EXPECT_FALSE(LoadCustomFile(dir / "a.god", "r", tree, &abort));
  EXPECT_TRUE(tree.Empty());
  abort = false;
  EXPECT_TRUE(LoadCustomFile(dir / "a.god", "r", tree, &abort));
}

// Every prefix of a three-level file loads and shows exactly the entries
// whose headers are whole, at the same offsets. A header is whole once its
// last size digit is inside the prefix: the NULs after it read as zeros
// anyway. (All sizes begin with a digit below 5, so a size field cut short
// reads as a size below 50, which is no header.)
TEST(Loader, TruncationSweep) {
  test::TempDir dir;
  const std::string full =
      test::Serialize({Branch("A", {Branch("B", {Leaf("c", std::string(10, 'x')), Leaf("d", "")}),
                                    Leaf("e", std::string(30, 'x'))}),
                       Leaf("f", std::string(20, 'x'))});
  ASSERT_EQ(full.size(), 360u);
  test::WriteFile(dir / "full.god", full);
  const Lines all = LoadLines(dir / "full.god");
  ASSERT_EQ(all, (Lines{"0:root@0+", "1:A@0+", "2:B@50+", "3:c@100", "3:d@160", "2:e@210", "1:f@290"}));
  // Offset + 40 + the digits of the size: 290, 160, 60, 50, 80, 70.
  const std::size_t headerEnds[] = {43, 93, 142, 202, 252, 332};

  for (std::size_t length = 0; length <= full.size(); ++length) {
    SCOPED_TRACE(length);
    test::WriteFile(dir / "cut.god", full.substr(0, length));
    bool loaded = false;
    const Lines got = LoadLines(dir / "cut.god", &loaded);
    Lines expected;
    for (std::size_t i = 0; i < std::size(headerEnds); ++i) {
      if (headerEnds[i] > length) continue;
      std::string line = all[i + 1];
      // An entry shows children only when a nested header is whole.
      if (line.back() == '+') {
        const bool childWhole = (i == 0 && headerEnds[1] <= length) || (i == 1 && headerEnds[2] <= length);
        if (!childWhole) line.pop_back();
      }
      expected.push_back(line);
    }
    if (!expected.empty()) expected.insert(expected.begin(), "0:root@0+");
    EXPECT_EQ(loaded, !expected.empty());
    EXPECT_EQ(got, expected);
  }
}

// A chain of `levels` branches, one inside the other, around a leaf, then a
// top-level leaf "tail". Built flat: a recursive serialiser would itself
// need a deep stack.
std::string DeepChain(std::size_t levels) {
  std::string bytes;
  bytes.reserve(levels * 50 + 200);
  for (std::size_t i = 0; i < levels; ++i) {
    const std::size_t size = (levels - i) * 50 + 50 + 4;  // the branches below, the leaf and its payload
    bytes += test::Header("n", std::to_string(size));
  }
  bytes += test::Header("leaf", "54") + "data";
  bytes += test::Serialize({Leaf("tail", "t")});
  return bytes;
}

TEST(Loader, NestingBeyondTheLimitIsTakenAsALeaf) {
  test::TempDir dir;
  for (std::size_t levels :
       {std::size_t{62}, std::size_t{63}, std::size_t{64}, std::size_t{65}, std::size_t{100000}}) {
    SCOPED_TRACE(levels);
    const std::string bytes = DeepChain(levels);
    test::WriteFile(dir / "deep.god", bytes);
    EntryTree tree;
    ASSERT_TRUE(LoadCustomFile(dir / "deep.god", "root", tree));
    unsigned deepest = 0;
    ItemId deepestItem = kNoItem;
    tree.ForEachPreOrder(kNoItem, [&](ItemId id, unsigned depth) {
      if (depth > deepest) {
        deepest = depth;
        deepestItem = id;
      }
    });
    // levels branches plus the leaf: levels + 1 entries nest one in another.
    const std::size_t entries = levels + 1;
    EXPECT_EQ(deepest, std::min<std::size_t>(entries, kMaxNestingDepth));
    EXPECT_FALSE(tree.HasChildren(deepestItem));
    EXPECT_EQ(tree.Data(deepestItem), (deepest - 1) * 50);
    EXPECT_EQ(tree.Text(deepestItem), entries <= kMaxNestingDepth ? "leaf" : "n");
    // The top-level list goes on after the chain at the right offset.
    const ItemId root = tree.FirstRoot();
    ASSERT_EQ(tree.ChildCount(root), 2u);
    const ItemId tail = tree.LastChild(root);
    EXPECT_EQ(tree.Text(tail), "tail");
    EXPECT_EQ(tree.Data(tail), bytes.size() - 51);
  }
}

TEST(Loader, NoRegularFileIsSkippedWithoutHanging) {
  test::TempDir dir;
  const auto fifo = dir / "pipe.god";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::filesystem::create_directory(dir / "folder.god");
  for (const auto& path : {fifo, dir / "folder.god", dir / "missing.god"}) {
    SCOPED_TRACE(path.string());
    EntryTree tree;
    EXPECT_FALSE(LoadCustomFile(path, "r", tree));
    EXPECT_TRUE(tree.Empty());
  }
}

TEST(Loader, SymbolicLinkToACustomFileLoads) {
  test::TempDir dir;
  test::WriteFile(dir / "a.god", test::Serialize({Leaf("x", "1")}));
  std::filesystem::create_symlink(dir / "a.god", dir / "link.god");
  EXPECT_EQ(LoadLines(dir / "link.god"), (Lines{"0:root@0+", "1:x@0"}));
}

// A header cut by the end of the file whose size is just under 100: the
// nested list's candidate lies wholly past the end, and its failed-candidate
// move (blockSize - 50, negative here) must not carry the reading back onto
// the cut header, or a list with a large block would read it again and again,
// millions of times.
TEST(Loader, HeaderCutByTheEndOfTheFileIsReadOnce) {
  test::TempDir dir;
  const std::string cut = test::Header(std::string(40, 'h'), "58").substr(0, 42);
  struct Case {
    const char* what;
    std::string bytes;
    Lines expected;
  };
  const std::string huge = test::Header("huge", "999999999");
  const Case cases[] = {
      {"top level", cut, {"0:root@0+", "1:" + std::string(40, 'h') + "@0"}},
      {"in a large branch", huge + cut, {"0:root@0+", "1:huge@0+", "2:" + std::string(40, 'h') + "@50"}},
      {"in nested large branches",
       huge + huge + huge + cut,
       {"0:root@0+", "1:huge@0+", "2:huge@50+", "3:huge@100+", "4:" + std::string(40, 'h') + "@150"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::WriteFile(dir / "cut.god", c.bytes);
    EXPECT_EQ(LoadLines(dir / "cut.god"), c.expected);
  }
}

}  // namespace
}  // namespace cfv
