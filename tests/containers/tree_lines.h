// Test helper: an EntryTree as one line per item in pre-order,
// "depth:text@offset" with a trailing '+' on items that have children, so a
// whole tree compares in one expectation.
#pragma once

#include <string>
#include <vector>

#include "containers/entry_tree.h"

namespace cfv::test {

inline std::vector<std::string> TreeLines(const EntryTree& tree) {
  std::vector<std::string> lines;
  tree.ForEachPreOrder(kNoItem, [&](ItemId id, unsigned depth) {
    lines.push_back(std::to_string(depth) + ":" + std::string(tree.Text(id)) + "@" +
                    std::to_string(tree.Data(id)) + (tree.HasChildren(id) ? "+" : ""));
  });
  return lines;
}

}  // namespace cfv::test
