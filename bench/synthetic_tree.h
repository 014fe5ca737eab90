// The synthetic custom-file trees the window benches are built from: 500
// files of 2,000 entries each, 1,000,000 entries in all.
#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "containers/entry_tree.h"

namespace cfv::bench {

constexpr int kFiles = 500;
constexpr int kEntriesPerFile = 2000;

// One custom file's tree: a root and kEntriesPerFile entries with growing
// offsets, about one in fifteen a branch holding the next few entries;
// every hundredth entry's name begins with "match" (1% of the entries).
inline EntryTree MakeFileTree(int file) {
  static const char* const kStems[] = {"台詞", "msg", "event", "説明", "face", "立ち絵", "voice", "body"};
  static const char* const kExts[] = {".t", ".tx", ".obc", ".bmp", ".wav", ".cmp"};
  std::mt19937 rng(static_cast<unsigned>(file));
  EntryTree tree;
  const ItemId root = tree.AppendItem(kNoItem, "/games/data/chara/c" + std::to_string(file) + ".npc");
  ItemId parent = root;
  int leftInBranch = 0;
  std::uint32_t offset = 0;
  for (int i = 0; i < kEntriesPerFile; ++i) {
    const std::string stem = kStems[rng() % 8];
    const ItemId item = tree.AppendItem(
        parent, (i % 100 == 7 ? "match" : stem) + std::to_string(10000 + i) + kExts[rng() % 6]);
    tree.SetData(item, offset);
    offset += 50 + rng() % 3000;
    if (leftInBranch > 0 && --leftInBranch == 0) parent = root;
    if (parent == root && rng() % 15 == 0) {
      parent = item;
      leftInBranch = 5 + static_cast<int>(rng() % 30);
    }
  }
  return tree;
}

}  // namespace cfv::bench
