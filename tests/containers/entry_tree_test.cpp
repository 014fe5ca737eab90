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

TEST(EntryTree, AppendsInOrderUnderEachParent) {
  Sample t;
  EXPECT_EQ(test::TreeLines(t.tree),
            (Lines{"0:r@0+", "1:a@10+", "2:a1@11", "2:a2@12+", "3:a21@13", "1:b@14", "0:s@0+", "1:c@15"}));
  EXPECT_EQ(t.tree.FirstRoot(), t.r);
  EXPECT_EQ(t.tree.LastRoot(), t.s);
  EXPECT_EQ(t.tree.ChildCount(kNoItem), 2u);
  EXPECT_EQ(t.tree.ChildCount(t.a), 2u);
  EXPECT_EQ(t.tree.ChildCount(t.b), 0u);
  EXPECT_EQ(t.tree.Row(t.a2), 1u);
  EXPECT_EQ(t.tree.Row(t.b), 1u);
  EXPECT_EQ(t.tree.Row(t.s), 1u);
  EXPECT_EQ(t.tree.NextSibling(t.a1), t.a2);
  EXPECT_EQ(t.tree.NextSibling(t.b), kNoItem);
  EXPECT_EQ(t.tree.RootOf(t.a21), t.r);
  EXPECT_EQ(t.tree.RootOf(t.s), t.s);
  EXPECT_EQ(t.tree.Size(), 8u);
}

TEST(EntryTree, PreOrderFromAnItemStaysInsideIt) {
  Sample t;
  Lines seen;
  t.tree.ForEachPreOrder(t.a, [&](ItemId id, unsigned depth) {
    seen.push_back(std::to_string(depth) + std::string(t.tree.Text(id)));
  });
  EXPECT_EQ(seen, (Lines{"0a", "1a1", "1a2", "2a21"}));
  seen.clear();
  t.tree.ForEachPreOrder(t.a1, [&](ItemId id, unsigned depth) {
    seen.push_back(std::to_string(depth) + std::string(t.tree.Text(id)));
  });
  EXPECT_EQ(seen, (Lines{"0a1"}));
}

TEST(EntryTree, CheckStates) {
  Sample t;
  for (ItemId id = 0; id < t.tree.Size(); ++id) EXPECT_FALSE(t.tree.IsChecked(id));
  t.tree.SetSubtreeChecked(t.a, true);
  for (ItemId id : {t.a, t.a1, t.a2, t.a21}) EXPECT_TRUE(t.tree.IsChecked(id));
  for (ItemId id : {t.r, t.b, t.s, t.c}) EXPECT_FALSE(t.tree.IsChecked(id));
  t.tree.SetChecked(t.a2, false);
  EXPECT_FALSE(t.tree.IsChecked(t.a2));
  EXPECT_TRUE(t.tree.IsChecked(t.a21));
  t.tree.CheckAll(true);
  for (ItemId id = 0; id < t.tree.Size(); ++id) EXPECT_TRUE(t.tree.IsChecked(id));
  t.tree.CheckAll(false);
  for (ItemId id = 0; id < t.tree.Size(); ++id) EXPECT_FALSE(t.tree.IsChecked(id));
}

TEST(EntryTree, AppendTreeShiftsIdsAndChainsRoots) {
  Sample t;
  Sample other;
  other.tree.SetChecked(other.a1, true);
  const ItemId base = t.tree.AppendTree(other.tree);
  EXPECT_EQ(base, 8u);
  EXPECT_EQ(test::TreeLines(t.tree),
            (Lines{"0:r@0+", "1:a@10+", "2:a1@11", "2:a2@12+", "3:a21@13", "1:b@14", "0:s@0+", "1:c@15",
                   "0:r@0+", "1:a@10+", "2:a1@11", "2:a2@12+", "3:a21@13", "1:b@14", "0:s@0+", "1:c@15"}));
  EXPECT_EQ(t.tree.ChildCount(kNoItem), 4u);
  EXPECT_EQ(t.tree.Row(other.s + base), 3u);
  EXPECT_EQ(t.tree.LastRoot(), other.s + base);
  EXPECT_EQ(t.tree.Parent(other.a21 + base), other.a2 + base);
  EXPECT_EQ(t.tree.RootOf(other.a21 + base), other.r + base);
  EXPECT_TRUE(t.tree.IsChecked(other.a1 + base));
  EXPECT_FALSE(t.tree.IsChecked(t.a1));
  EXPECT_EQ(t.tree.Text(other.c + base), "c");

  // Into an empty tree, and an empty tree appended.
  EntryTree empty;
  EXPECT_EQ(empty.AppendTree(other.tree), 0u);
  EXPECT_EQ(test::TreeLines(empty), test::TreeLines(other.tree));
  EXPECT_EQ(t.tree.AppendTree(EntryTree()), t.tree.Size());
  EXPECT_EQ(t.tree.ChildCount(kNoItem), 4u);
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

TEST(EntryTree, TextsKeepTheirBytes) {
  EntryTree tree;
  const std::string withNul("a\0b", 3);
  const ItemId x = tree.AppendItem(kNoItem, "データ.bmp");
  const ItemId y = tree.AppendItem(x, withNul);
  const ItemId z = tree.AppendItem(x, "");
  EXPECT_EQ(tree.Text(x), "データ.bmp");
  EXPECT_EQ(tree.Text(y), withNul);
  EXPECT_EQ(tree.Text(z), "");
  EXPECT_EQ(tree.TextBytes(), std::string("データ.bmp").size() + 3);
}

}  // namespace
}  // namespace cfv
