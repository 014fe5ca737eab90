#include "containers/entry_filter.h"

#include <algorithm>

namespace cfv {

std::uint32_t EntryFilter::Extend(const EntryTree& tree, ItemId end) {
  const ItemId first = static_cast<ItemId>(state_.size());
  end = std::min(end, tree.Size());
  if (first >= end) return 0;
  state_.resize(end, 0);
  rows_.resize(end, 0);
  childList_.resize(end, kNoList);
  // Matches, and the ancestors that lead to them. A parent always has a
  // smaller id than its children, so the climb stops at the first ancestor
  // already shown.
  for (ItemId item = first; item < end; ++item) {
    // Items an edit took out of the tree (detached, or below one) show
    // nothing.
    const ItemId parent = tree.Parent(item);
    if (tree.IsDetached(item) || (parent != kNoItem && (state_[parent] & kGone) != 0)) {
      state_[item] |= kGone;
      continue;
    }
    if (!pattern_.Matches(tree.Text(item))) continue;
    state_[item] |= kMatches;
    matching_.push_back(item);
    for (ItemId at = item; at != kNoItem && (state_[at] & kShown) == 0; at = tree.Parent(at)) {
      state_[at] |= kShown;
    }
  }
  std::uint32_t newRoots = 0;
  for (ItemId item = first; item < end; ++item) {
    if ((state_[item] & kShown) != 0 && tree.Parent(item) == kNoItem) ++newRoots;
  }
  return newRoots;
}

void EntryFilter::Publish(const EntryTree& tree) {
  const ItemId end = static_cast<ItemId>(state_.size());
  // In id order each parent's children come in tree order.
  for (ItemId item = published_; item < end; ++item) {
    if ((state_[item] & kShown) == 0) continue;
    std::vector<ItemId>& siblings = ChildrenOf(tree.Parent(item));
    rows_[item] = static_cast<std::uint32_t>(siblings.size());
    siblings.push_back(item);
  }
  published_ = end;
}

std::vector<ItemId>& EntryFilter::ChildrenOf(ItemId parent) {
  if (parent == kNoItem) return roots_;
  std::uint32_t& list = childList_[parent];
  if (list == kNoList) {
    list = static_cast<std::uint32_t>(children_.size());
    children_.emplace_back();
  }
  return children_[list];
}

std::uint32_t EntryFilter::ShownChildCount(ItemId parent) const {
  if (parent == kNoItem) return static_cast<std::uint32_t>(roots_.size());
  if (parent >= childList_.size() || childList_[parent] == kNoList) return 0;
  return static_cast<std::uint32_t>(children_[childList_[parent]].size());
}

ItemId EntryFilter::ShownChild(ItemId parent, std::uint32_t row) const {
  if (parent == kNoItem) return row < roots_.size() ? roots_[row] : kNoItem;
  if (parent >= childList_.size() || childList_[parent] == kNoList) return kNoItem;
  const std::vector<ItemId>& shown = children_[childList_[parent]];
  return row < shown.size() ? shown[row] : kNoItem;
}

}  // namespace cfv
