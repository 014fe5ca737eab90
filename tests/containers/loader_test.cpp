// The entry tree, and the loader that fills it from a custom file's list of entries.
#include "containers/loader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "containers/entry_tree.h"
#include "custom_file_builder.h"

namespace cfv {
namespace {

using test::Branch;
using test::Entry;
using test::Header;
using test::Leaf;
using test::Serialize;
using Lines = std::vector<std::string>;

// A tree as one line per item in pre-order, "depth:text@offset" with a
// trailing '+' on items that have children, so a whole tree compares at once.
Lines TreeLines(const EntryTree& tree) {
  Lines lines;
  tree.ForEachPreOrder(kNoItem, [&](ItemId id, unsigned depth) {
    lines.push_back(std::to_string(depth) + ":" + std::string(tree.Text(id)) + "@" +
                    std::to_string(tree.Data(id)) + (tree.HasChildren(id) ? "+" : ""));
  });
  return lines;
}

// root "r" -> a (-> a1, a2 -> a21), b; root "s" -> c; a2 is appended after
// b, still a's last child. Offsets 10 to 15 in pre-order.
enum : ItemId { r, a, a1, b, a2, a21, s, c };
EntryTree Sample() {
  EntryTree tree;
  for (const auto& [parent, text] : std::initializer_list<std::pair<ItemId, const char*>>{
           {kNoItem, "r"}, {r, "a"}, {a, "a1"}, {r, "b"}, {a, "a2"}, {a2, "a21"}, {kNoItem, "s"}, {s, "c"}})
    tree.AppendItem(parent, text);
  std::uint32_t data = 10;
  for (ItemId id : {a, a1, a2, a21, b, c}) tree.SetData(id, data++);
  return tree;
}
const Lines kSampleLines{"0:r@0+",   "1:a@10+", "2:a1@11", "2:a2@12+",
                         "3:a21@13", "1:b@14",  "0:s@0+",  "1:c@15"};

// Which items are checked, in id order.
std::string Checks(const EntryTree& tree) {
  std::string out;
  for (ItemId id = 0; id < tree.Size(); ++id) out += tree.IsChecked(id) ? 'x' : '.';
  return out;
}

// The sample appended to an empty tree and to another sample: its ids shift,
// the roots chain, each parent's children keep their order, checks carry over.
TEST(EntryTree, AppendingCheckingAndWalking) {
  for (bool emptyFirst : {true, false}) {
    SCOPED_TRACE(emptyFirst);
    EntryTree tree = emptyFirst ? EntryTree() : Sample(), other = Sample();
    other.SetChecked(a1, true);
    const ItemId base = tree.AppendTree(other);
    const auto at = [&](ItemId id) { return id + base; };
    Lines expected = emptyFirst ? Lines{} : kSampleLines;
    expected.insert(expected.end(), kSampleLines.begin(), kSampleLines.end());
    EXPECT_EQ(TreeLines(tree), expected);
    EXPECT_EQ((std::vector<std::uint32_t>{tree.ChildCount(kNoItem), tree.ChildCount(at(a)),
                                          tree.ChildCount(at(b)), tree.Row(at(a2)), tree.Row(at(b)),
                                          tree.Row(at(s)), tree.Row(at(c)), tree.FirstRoot(), tree.LastRoot(),
                                          tree.LastChild(at(a)), tree.RootOf(at(a21)), tree.RootOf(at(s))}),
              (std::vector<std::uint32_t>{base / 4 + 2, 2, 0, 1, 1, base / 4 + 1, 0, r, at(s), at(a2), at(r),
                                          at(s)}));
    const std::string none(base, '.');
    EXPECT_EQ(Checks(tree), none + "..x.....");
    // A walk from an item stays inside it.
    Lines seen;
    for (ItemId from : {at(a), at(a1)}) {
      tree.ForEachPreOrder(from, [&](ItemId id, unsigned depth) {
        seen.push_back(std::to_string(depth) + std::string(tree.Text(id)));
      });
    }
    EXPECT_EQ(seen, (Lines{"0a", "1a1", "1a2", "2a21", "0a1"}));
    tree.SetSubtreeChecked(at(a), true);
    EXPECT_EQ(Checks(tree), none + ".xx.xx..");
    tree.SetChecked(at(a2), false);
    EXPECT_EQ(Checks(tree), none + ".xx..x..");
    tree.SetSubtreeChecked(at(a), false);
    EXPECT_EQ(Checks(tree), none + "........");
    tree.CheckAll(true);
    EXPECT_EQ(Checks(tree), std::string(tree.Size(), 'x'));
    tree.CheckAll(false);
    EXPECT_EQ(Checks(tree), std::string(tree.Size(), '.'));
    tree.Clear();  // it starts again from nothing
    EXPECT_EQ(tree.AppendItem(kNoItem, "z"), 0u);
    EXPECT_EQ(TreeLines(tree), (Lines{"0:z@0"}));
  }
  // A deep tree is walked without recursion.
  EntryTree tree;
  ItemId item = tree.AppendItem(kNoItem, "root");
  for (int i = 0; i < 200000; ++i) item = tree.AppendItem(item, "n");
  std::vector<unsigned> depths;
  tree.ForEachPreOrder(kNoItem, [&](ItemId, unsigned depth) { depths.push_back(depth); });
  EXPECT_TRUE(depths.size() == 200001u && depths.back() == 200000u) << depths.size();
  tree.SetSubtreeChecked(tree.FirstRoot(), true);
  EXPECT_TRUE(tree.IsChecked(item) && tree.RootOf(item) == tree.FirstRoot());
}

// The tree a load gives; the load succeeds exactly when there is one.
Lines LoadLines(const std::filesystem::path& path) {
  EntryTree tree;
  const bool loaded = LoadCustomFile(path, "root", tree);
  EXPECT_EQ(loaded, !tree.Empty());
  return TreeLines(tree);
}

// Files whose shape tests one rule of the list walk each; no lines: the file is no custom file.
TEST(Loader, FileShapes) {
  // clang-format off
  // A branch whose nested entries take less than its payload, then junk: the failed candidate's move
  // covers the payload length from the candidate, so the list resumes 60 bytes past the branch, skipping X1.
  const Entry junkBranch{.name = "B", .children = {Leaf("c", std::string(10, 'x'))}, .trailing = std::string(100, '\x01')};
  // A branch whose size runs past the end of the file: its nested entries are found as far as the file goes.
  const Entry longBranch{.name = "long", .children = {Leaf("in1", "a"), Leaf("in2", "b")}, .sizeField = "5000"};
  // An entry whose size runs past its enclosing block keeps its item and is parsed as far as its size says;
  // the enclosing list ends there and the reading goes on after it: "lost", inside "outer", is top-level.
  const Entry outer{.name = "outer", .children = {Leaf("over", std::string(100, 'o')), Leaf("lost", "l")}, .sizeField = "120"};
  // A header cut by the end of the file, size just under 100: the nested candidate lies wholly past the end;
  // its failed-candidate move (blockSize - 50, negative here) must not carry the reading back onto the cut
  // header, or a large block would read it again, millions of times.
  const std::string h40(40, 'h'), cut = Header(h40, "58").substr(0, 42), huge = Header("huge", "999999999"), R = "0:root@0+";
  const Lines none;
  std::vector<std::pair<std::string, Lines>> cases = {
      // A junk top-level candidate ends the file.
      {Serialize({Leaf("a", "1"), Leaf("b", "22")}) + std::string(60, '\x02') + Serialize({Leaf("c", "3")}),
       {R, "1:a@0", "1:b@51"}},
      // Names: 40 bytes without NUL, TAB LF CR, Shift_JIS.
      {Serialize({Leaf(std::string(40, 'N'), "x"), Leaf("a\tb\nc\rd", ""), Leaf("データ.bmp", "")}),
       {R, "1:" + std::string(40, 'N') + "@0", "1:a\tb\nc\rd@51", "1:データ.bmp@101"}},
      // A payload starting with 40 text bytes and no digits is a leaf; one that is a header a branch.
      {Serialize({Leaf("p", std::string(40, 'P') + "abcdefghijrest"), Leaf("q", "")}), {R, "1:p@0", "1:q@104"}},
      {Serialize({Leaf("looks", Header("inner", "55") + "12345")}), {R, "1:looks@0+", "2:inner@50"}},
      {Serialize({junkBranch, Leaf("X1", std::string(10, 'a')), Leaf("X2", "b"), Leaf("X3", "c")}),
       {R, "1:B@0+", "2:c@50", "1:X2@270", "1:X3@321"}},
      {Serialize({longBranch}), {R, "1:long@0+", "2:in1@50", "2:in2@101"}},
      {Serialize({outer, Leaf("after", "z")}), {R, "1:outer@0+", "2:over@50", "1:lost@200", "1:after@251"}},
      {cut, {R, "1:" + h40 + "@0"}},
      {huge + cut, {R, "1:huge@0+", "2:" + h40 + "@50"}},
      {huge + huge + huge + cut, {R, "1:huge@0+", "2:huge@50+", "3:huge@100+", "4:" + h40 + "@150"}},
      // The first header decides whether the file is a custom file at all: size exactly 50, cut after its
      // size digits, cut inside its size, size 0, ten digits, a control byte in its name; empty; text.
      {Header("one", "50"), {R, "1:one@0"}}, {Header("short", "50").substr(0, 42), {R, "1:short@0"}},
      {Header("short", "50").substr(0, 40), none}, {Header("one", "0") + std::string(20, 'x'), none},
      {Header("one", "0000000050"), none}, {Header("o\x02ne", "50"), none}, {"", none},
      {"hello world, this is not a custom file at all.\n", none},
  };
  // Sizes 1 to 49 count as no header wherever the loader tests one: first, in the list, starting a payload.
  for (const char* size : {"1", "49", "049"}) {
    const std::string bad = Header("bad", size), after = Serialize({Leaf("after", "xyz")});
    cases.push_back({bad + after, none});
    cases.push_back({Serialize({Leaf("good", "abc")}) + bad + after, {R, "1:good@0"}});
    cases.push_back({Serialize({Leaf("leaf", bad + "qqqqqqqqqq"), Leaf("next", "n")}), {R, "1:leaf@0", "1:next@110"}});
  }
  // clang-format on
  test::TempDir dir;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    test::WriteFile(dir / "f.god", cases[i].first);
    EXPECT_EQ(LoadLines(dir / "f.god"), cases[i].second);
  }
}

TEST(Loader, RootItemSecondLoadAndKindsOfFile) {
  test::TempDir dir;
  test::WriteFile(dir / "a.god", Serialize({Branch("b", {Leaf("c", "1")}), Leaf("d", "2")}));
  std::atomic<bool> abort{true};
  EntryTree tree;
  EXPECT_FALSE(LoadCustomFile(dir / "a.god", "r", tree, &abort));
  EXPECT_TRUE(tree.Empty());
  abort = false;
  ASSERT_TRUE(LoadCustomFile(dir / "a.god", "/some/where/a.god", tree, &abort));
  ASSERT_TRUE(LoadCustomFile(dir / "a.god", "r", tree));
  EXPECT_EQ(TreeLines(tree), (Lines{"0:/some/where/a.god@0+", "1:b@0+", "2:c@50", "1:d@101", "0:r@0+",
                                    "1:b@0+", "2:c@50", "1:d@101"}));
  for (ItemId id = 0; id < tree.Size(); ++id) EXPECT_FALSE(tree.IsChecked(id));
  // Only regular files and links to them load.
  std::filesystem::create_symlink(dir / "a.god", dir / "link.god");
  ASSERT_EQ(::mkfifo((dir / "pipe.god").c_str(), 0600), 0);
  std::filesystem::create_directory(dir / "folder.god");
  for (const char* name : {"pipe.god", "folder.god", "missing.god"})
    EXPECT_EQ(LoadLines(dir / name), Lines()) << name;
  EXPECT_EQ(LoadLines(dir / "link.god"), (Lines{"0:root@0+", "1:b@0+", "2:c@50", "1:d@101"}));
}

// Every prefix of a three-level file shows exactly the entries whose headers are whole, at the same
// offsets. A header is whole once its last size digit is inside the prefix (the NULs after it read as
// zeros anyway; all sizes begin with a digit below 5, so a size field cut short reads as no header).
TEST(Loader, TruncationSweep) {
  test::TempDir dir;
  const std::string full =
      Serialize({Branch("A", {Branch("B", {Leaf("c", std::string(10, 'x')), Leaf("d", "")}),
                              Leaf("e", std::string(30, 'x'))}),
                 Leaf("f", std::string(20, 'x'))});
  test::WriteFile(dir / "full.god", full);
  const Lines all = LoadLines(dir / "full.god");
  ASSERT_EQ(all, (Lines{"0:root@0+", "1:A@0+", "2:B@50+", "3:c@100", "3:d@160", "2:e@210", "1:f@290"}));
  // Offset + 40 + the digits of the size: 290, 160, 60, 50, 80, 70.
  const std::size_t headerEnds[] = {43, 93, 142, 202, 252, 332};

  for (std::size_t length = 0; length <= full.size(); ++length) {
    SCOPED_TRACE(length);
    test::WriteFile(dir / "cut.god", full.substr(0, length));
    Lines expected;
    for (std::size_t i = 0; i < std::size(headerEnds); ++i) {
      if (headerEnds[i] > length) continue;
      std::string line = all[i + 1];
      // An entry shows children only when a nested header is whole.
      if (line.back() == '+' && headerEnds[i + 1] > length) line.pop_back();
      expected.push_back(line);
    }
    if (!expected.empty()) expected.insert(expected.begin(), "0:root@0+");
    EXPECT_EQ(LoadLines(dir / "cut.god"), expected);
  }
}

// A chain of `levels` branches, one inside the other, around a leaf, then a
// top-level leaf "tail"; entries nested deeper than the limit are not read.
TEST(Loader, NestingBeyondTheLimitIsTakenAsALeaf) {
  test::TempDir dir;
  for (const std::size_t levels : {62, 63, 64, 100000}) {
    SCOPED_TRACE(levels);
    // Built flat: a recursive serialiser would itself need a deep stack.
    std::string bytes;
    for (std::size_t i = 0; i < levels; ++i) bytes += Header("n", std::to_string((levels - i) * 50 + 54));
    bytes += Header("leaf", "54") + "data" + Serialize({Leaf("tail", "t")});
    test::WriteFile(dir / "deep.god", bytes);
    Lines expected{"0:root@0+"};
    const std::size_t shown = std::min<std::size_t>(levels + 1, kMaxNestingDepth);
    for (std::size_t d = 1; d <= shown; ++d) {
      expected.push_back(std::to_string(d) + (d <= levels ? ":n@" : ":leaf@") + std::to_string((d - 1) * 50) +
                         (d < shown ? "+" : ""));
    }
    expected.push_back("1:tail@" + std::to_string(bytes.size() - 51));
    EXPECT_EQ(LoadLines(dir / "deep.god"), expected);
  }
}

}  // namespace
}  // namespace cfv
