// EntryFilter: what the tree shows while the filter box holds a pattern: the
// items whose text matches (EntryPattern, kName), together with every
// ancestor of one, in tree order. A matching branch shows only those of its
// children that are shown for themselves.
//
// It answers the questions a tree model asks (children of an item and the
// row of an item, among shown items only) in O(1), and takes in the items a
// load appends while the filter is on (Extend), so a drop during filtering
// fills in filtered too. Items are appended to an EntryTree always after
// their parent, which Extend relies on; an edit that changes the tree
// otherwise (detaches, renames) needs a new filter.
//
// Memory: a byte, a row and a list index per item of the tree, and an id per
// shown item.
// Thread: not synchronised; the UI thread owns it with the tree.
#pragma once

#include <cstdint>
#include <vector>

#include "containers/entry_pattern.h"
#include "containers/entry_tree.h"

namespace cfv {

class EntryFilter {
 public:
  explicit EntryFilter(EntryPattern pattern) : pattern_(std::move(pattern)) {}

  // Takes in the items of `tree` appended since the last call (all of them
  // the first time). In two steps, so that a model can announce new rows
  // before they appear: Extend finds what the new items show and returns how
  // many root items that adds; Publish then makes them part of the answers.
  std::uint32_t Extend(const EntryTree& tree) { return Extend(tree, tree.Size()); }
  void Publish(const EntryTree& tree);
  // Extend over the items below `end` only, so that a long one can be done
  // in parts; Extended() tells how far it has come.
  std::uint32_t Extend(const EntryTree& tree, ItemId end);
  ItemId Extended() const { return static_cast<ItemId>(state_.size()); }

  bool Shown(ItemId item) const { return item < state_.size() && (state_[item] & kShown) != 0; }
  bool Matches(ItemId item) const { return item < state_.size() && (state_[item] & kMatches) != 0; }
  // Shown children of `parent` (kNoItem: shown root items), in tree order.
  std::uint32_t ShownChildCount(ItemId parent) const;
  ItemId ShownChild(ItemId parent, std::uint32_t row) const;
  // The row of a shown item among its parent's shown children.
  std::uint32_t ShownRow(ItemId item) const { return rows_[item]; }
  // The matching items, in tree order.
  const std::vector<ItemId>& Matching() const { return matching_; }
  const EntryPattern& Pattern() const { return pattern_; }

 private:
  static constexpr std::uint8_t kMatches = 1;
  static constexpr std::uint8_t kShown = 2;
  static constexpr std::uint8_t kGone = 4;

  std::vector<ItemId>& ChildrenOf(ItemId parent);
  static constexpr std::uint32_t kNoList = 0xFFFFFFFFu;

  EntryPattern pattern_;
  std::vector<std::uint8_t> state_;  // by item id
  std::vector<std::uint32_t> rows_;  // by item id; meaningful for shown items
  std::vector<ItemId> roots_;        // shown root items
  // Shown children of shown items: by item id the index of its list in
  // children_ (kNoList for none). A vector, not a map: a view asks for the
  // children of every row it lays out, a million times for a tree expanded
  // whole.
  std::vector<std::uint32_t> childList_;
  std::vector<std::vector<ItemId>> children_;
  std::vector<ItemId> matching_;
  ItemId published_ = 0;  // items below this id are part of the answers
};

}  // namespace cfv
