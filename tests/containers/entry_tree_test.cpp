#include "containers/entry_tree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tree_lines.h"

namespace cfv {
namespace {

using Lines = std::vector<std::string>;

// root "r" -> a (-> a1, a2 -> a21), b; root "s" -> c
struct Sample {
  EntryTree tree;
  ItemId r, a, a1, a2, a21, b, s, c;
  Sample() {
    r = tree.AppendItem(kNoItem, "r");
    a = tree.AppendItem(r, "a");
    a1 = tree.AppendItem(a, "a1");
    b = tree.AppendItem(r, "b");
    a2 = tree.AppendItem(a, "a2");  // appended after b, still a's last child
    a21 = tree.AppendItem(a2, "a21");
    s = tree.AppendItem(kNoItem, "s");
    c = tree.AppendItem(s, "c");
    std::uint32_t data = 10;
    for (ItemId id : {a, a1, a2, a21, b, c}) tree.SetData(id, data++);
  }
};

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
TEST(EntryTree, AppendsInOrderAndAppendsTrees) {
  for (bool emptyFirst : {true, false}) {
    SCOPED_TRACE(emptyFirst);
    Sample t, other;
    EntryTree tree;
    if (!emptyFirst) tree = t.tree;
    other.tree.SetChecked(other.a1, true);
    const ItemId base = tree.AppendTree(other.tree);
    const auto at = [&](ItemId id) { return id + base; };
    EXPECT_EQ(base, emptyFirst ? 0u : 8u);
    Lines expected = emptyFirst ? Lines{} : kSampleLines;
    expected.insert(expected.end(), kSampleLines.begin(), kSampleLines.end());
    EXPECT_EQ(test::TreeLines(tree), expected);
    EXPECT_EQ(
        (std::vector<std::uint32_t>{tree.ChildCount(kNoItem), tree.ChildCount(at(other.a)),
                                    tree.ChildCount(at(other.b)), tree.Row(at(other.a2)),
                                    tree.Row(at(other.b)), tree.Row(at(other.s)), tree.Row(at(other.c))}),
        (std::vector<std::uint32_t>{base / 4 + 2, 2, 0, 1, 1, base / 4 + 1, 0}));
    EXPECT_EQ(tree.FirstRoot(), emptyFirst ? other.r : t.r);
    EXPECT_EQ(tree.LastRoot(), at(other.s));
    EXPECT_EQ(tree.LastChild(at(other.a)), at(other.a2));
    EXPECT_EQ(tree.RootOf(at(other.a21)), at(other.r));
    EXPECT_EQ(tree.RootOf(at(other.s)), at(other.s));
    const std::string none(base, '.');
    EXPECT_EQ(Checks(tree), none + "..x.....");
    // A walk from an item stays inside it.
    Lines seen;
    for (ItemId from : {at(other.a), at(other.a1)}) {
      tree.ForEachPreOrder(from, [&](ItemId id, unsigned depth) {
        seen.push_back(std::to_string(depth) + std::string(tree.Text(id)));
      });
    }
    EXPECT_EQ(seen, (Lines{"0a", "1a1", "1a2", "2a21", "0a1"}));
    // An empty tree appended changes nothing.
    EXPECT_EQ(tree.AppendTree(EntryTree()), tree.Size());
    EXPECT_EQ(test::TreeLines(tree), expected);
    // Checks of a subtree, of one item, of everything (ids: r a a1 b a2 a21 s c).
    tree.SetSubtreeChecked(at(other.a), true);
    EXPECT_EQ(Checks(tree), none + ".xx.xx..");
    tree.SetChecked(at(other.a2), false);
    EXPECT_EQ(Checks(tree), none + ".xx..x..");
    tree.SetSubtreeChecked(at(other.a), false);
    EXPECT_EQ(Checks(tree), none + "........");
    tree.CheckAll(true);
    EXPECT_EQ(Checks(tree), std::string(tree.Size(), 'x'));
    tree.CheckAll(false);
    EXPECT_EQ(Checks(tree), std::string(tree.Size(), '.'));
    // Cleared, it starts again from nothing.
    tree.Clear();
    EXPECT_TRUE(tree.Empty());
    EXPECT_EQ(tree.AppendItem(kNoItem, "z"), 0u);
    EXPECT_EQ(test::TreeLines(tree), (Lines{"0:z@0"}));
    EXPECT_EQ(tree.ChildCount(kNoItem), 1u);
  }
}

TEST(EntryTree, DeepTreesWalkWithoutRecursion) {
  EntryTree tree;
  ItemId item = tree.AppendItem(kNoItem, "root");
  for (int i = 0; i < 200000; ++i) item = tree.AppendItem(item, "n");
  unsigned deepest = 0;
  std::size_t visited = 0;
  tree.ForEachPreOrder(kNoItem, [&](ItemId, unsigned depth) {
    deepest = std::max(deepest, depth);
    ++visited;
  });
  EXPECT_EQ(deepest, 200000u);
  EXPECT_EQ(visited, 200001u);
  tree.SetSubtreeChecked(tree.FirstRoot(), true);
  EXPECT_TRUE(tree.IsChecked(item));
  EXPECT_EQ(tree.RootOf(item), tree.FirstRoot());
}

}  // namespace
}  // namespace cfv
