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

// Which of the sample's items are checked, in id order.
std::string Checks(const EntryTree& tree) {
  std::string out;
  for (ItemId id = 0; id < tree.Size(); ++id) out += tree.IsChecked(id) ? 'x' : '.';
  return out;
}

TEST(EntryTree, AppendsInOrderUnderEachParent) {
  Sample t;
  EXPECT_EQ(test::TreeLines(t.tree), kSampleLines);
  EXPECT_EQ(t.tree.FirstRoot(), t.r);
  EXPECT_EQ(t.tree.LastRoot(), t.s);
  EXPECT_EQ(t.tree.LastChild(t.a), t.a2);
  EXPECT_EQ(
      (std::vector<std::uint32_t>{t.tree.ChildCount(kNoItem), t.tree.ChildCount(t.a), t.tree.ChildCount(t.b),
                                  t.tree.Row(t.a2), t.tree.Row(t.b), t.tree.Row(t.s), t.tree.Row(t.c)}),
      (std::vector<std::uint32_t>{2, 2, 0, 1, 1, 1, 0}));
  EXPECT_EQ(t.tree.RootOf(t.a21), t.r);
  EXPECT_EQ(t.tree.RootOf(t.s), t.s);
  // A walk from an item stays inside it.
  Lines seen;
  t.tree.ForEachPreOrder(t.a, [&](ItemId id, unsigned depth) {
    seen.push_back(std::to_string(depth) + std::string(t.tree.Text(id)));
  });
  t.tree.ForEachPreOrder(t.a1, [&](ItemId id, unsigned depth) {
    seen.push_back(std::to_string(depth) + std::string(t.tree.Text(id)));
  });
  EXPECT_EQ(seen, (Lines{"0a", "1a1", "1a2", "2a21", "0a1"}));
}

TEST(EntryTree, CheckStates) {
  Sample t;
  EXPECT_EQ(Checks(t.tree), "........");
  t.tree.SetSubtreeChecked(t.a, true);  // ids: r a a1 b a2 a21 s c
  EXPECT_EQ(Checks(t.tree), ".xx.xx..");
  t.tree.SetChecked(t.a2, false);
  EXPECT_EQ(Checks(t.tree), ".xx..x..");
  t.tree.SetSubtreeChecked(t.a, false);
  EXPECT_EQ(Checks(t.tree), "........");
  t.tree.CheckAll(true);
  EXPECT_EQ(Checks(t.tree), "xxxxxxxx");
  t.tree.CheckAll(false);
  EXPECT_EQ(Checks(t.tree), "........");
}

TEST(EntryTree, AppendTreeShiftsIdsAndChainsRoots) {
  for (bool emptyFirst : {false, true}) {
    SCOPED_TRACE(emptyFirst);
    Sample t;
    EntryTree tree;
    if (!emptyFirst) tree = t.tree;
    Sample other;
    other.tree.SetChecked(other.a1, true);
    const ItemId base = tree.AppendTree(other.tree);
    EXPECT_EQ(base, emptyFirst ? 0u : 8u);
    Lines expected = emptyFirst ? Lines{} : kSampleLines;
    expected.insert(expected.end(), kSampleLines.begin(), kSampleLines.end());
    EXPECT_EQ(test::TreeLines(tree), expected);
    EXPECT_EQ(tree.ChildCount(kNoItem), base / 4 + 2);
    EXPECT_EQ(tree.Row(other.s + base), base / 4 + 1);
    EXPECT_EQ(tree.FirstRoot(), emptyFirst ? other.r : t.r);
    EXPECT_EQ(tree.LastRoot(), other.s + base);
    EXPECT_EQ(tree.LastChild(other.a + base), other.a2 + base);
    EXPECT_EQ(tree.RootOf(other.a21 + base), other.r + base);
    EXPECT_EQ(Checks(tree), std::string(base, '.') + "..x.....");
    EXPECT_EQ(tree.Text(other.c + base), "c");
    // An empty tree appended changes nothing.
    EXPECT_EQ(tree.AppendTree(EntryTree()), tree.Size());
    EXPECT_EQ(test::TreeLines(tree), expected);
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
