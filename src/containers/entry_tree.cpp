#include "containers/entry_tree.h"

#include <algorithm>

#include "containers/cp932_table.h"

namespace cfv {

ItemId EntryTree::AppendItem(ItemId parent, std::string_view text) {
  const auto textOffset = static_cast<std::uint32_t>(texts_.size());
  texts_.append(text);
  return AppendNode(parent, textOffset);
}

ItemId EntryTree::AppendNameFieldItem(ItemId parent, const unsigned char* field, std::size_t size) {
  const auto textOffset = static_cast<std::uint32_t>(texts_.size());
  AppendCp932UntilNul(field, size, texts_);
  return AppendNode(parent, textOffset);
}

ItemId EntryTree::AppendNode(ItemId parent, std::uint32_t textOffset) {
  const auto id = static_cast<ItemId>(nodes_.size());
  Node node{};
  node.parent = parent;
  node.firstChild = kNoItem;
  node.lastChild = kNoItem;
  node.nextSibling = kNoItem;
  node.textOffset = textOffset;
  node.textLength = static_cast<std::uint32_t>(texts_.size() - textOffset);
  node.data = 0;
  node.checked = 0;
  node.detached = 0;
  node.unsaved = 0;

  if (parent == kNoItem) {
    node.row = rootCount_++;
    if (lastRoot_ == kNoItem) {
      firstRoot_ = id;
    } else {
      nodes_[lastRoot_].nextSibling = id;
    }
    lastRoot_ = id;
  } else {
    Node& p = nodes_[parent];
    if (p.lastChild == kNoItem) {
      node.row = 0;
      p.firstChild = id;
    } else {
      node.row = nodes_[p.lastChild].row + 1;
      nodes_[p.lastChild].nextSibling = id;
    }
    p.lastChild = id;
  }
  nodes_.push_back(node);
  return id;
}

ItemId EntryTree::AppendTree(const EntryTree& other) {
  const auto base = static_cast<ItemId>(nodes_.size());
  const auto textBase = static_cast<std::uint32_t>(texts_.size());
  if (other.nodes_.empty()) return base;
  // Grow geometrically: reserving the exact size would move the whole table
  // on every append, quadratic over a load of many files.
  const std::size_t needed = nodes_.size() + other.nodes_.size();
  if (needed > nodes_.capacity()) nodes_.reserve(std::max(needed, 2 * nodes_.capacity()));
  texts_.append(other.texts_);
  auto shift = [base](ItemId id) { return id == kNoItem ? kNoItem : id + base; };
  for (const Node& src : other.nodes_) {
    Node node = src;
    node.parent = shift(src.parent);
    node.firstChild = shift(src.firstChild);
    node.lastChild = shift(src.lastChild);
    node.nextSibling = shift(src.nextSibling);
    node.textOffset = src.textOffset + textBase;
    nodes_.push_back(node);
  }
  // Chain the appended roots after ours and renumber their rows.
  for (ItemId root = other.firstRoot_; root != kNoItem; root = other.nodes_[root].nextSibling) {
    const ItemId id = root + base;
    nodes_[id].row = rootCount_++;
    nodes_[id].nextSibling = kNoItem;
    if (lastRoot_ == kNoItem) {
      firstRoot_ = id;
    } else {
      nodes_[lastRoot_].nextSibling = id;
    }
    lastRoot_ = id;
  }
  return base;
}

std::uint32_t EntryTree::ChildCount(ItemId item) const {
  if (item == kNoItem) return rootCount_;
  const ItemId last = nodes_[item].lastChild;
  return last == kNoItem ? 0 : nodes_[last].row + 1;
}

ItemId EntryTree::RootOf(ItemId item) const {
  while (nodes_[item].parent != kNoItem) item = nodes_[item].parent;
  return item;
}

void EntryTree::SetSubtreeChecked(ItemId item, bool checked) {
  ForEachPreOrder(item, [&](ItemId id, unsigned) { nodes_[id].checked = checked ? 1 : 0; });
}

void EntryTree::CheckAll(bool checked) {
  for (Node& n : nodes_) n.checked = checked ? 1 : 0;
}

void EntryTree::Reserve(std::size_t items, std::size_t textBytes) {
  nodes_.reserve(items);
  texts_.reserve(textBytes);
}

void EntryTree::Clear() {
  nodes_.clear();
  texts_.clear();
  firstRoot_ = kNoItem;
  lastRoot_ = kNoItem;
  rootCount_ = 0;
  held_.clear();
}

std::uint32_t EntryTree::Detach(ItemId item) {
  const ItemId parent = nodes_[item].parent;
  ItemId& first = FirstOf(parent);
  ItemId before = kNoItem;
  for (ItemId at = first; at != item; at = nodes_[at].nextSibling) before = at;
  const ItemId after = nodes_[item].nextSibling;
  (before == kNoItem ? first : nodes_[before].nextSibling) = after;
  if (LastOf(parent) == item) LastOf(parent) = before;
  for (ItemId at = after; at != kNoItem; at = nodes_[at].nextSibling) --nodes_[at].row;
  if (parent == kNoItem) --rootCount_;
  nodes_[item].nextSibling = kNoItem;
  nodes_[item].detached = 1;
  return nodes_[item].row;
}

void EntryTree::Attach(ItemId item, ItemId parent, std::uint32_t row) {
  ItemId& first = FirstOf(parent);
  ItemId before = kNoItem;
  for (ItemId at = first; at != kNoItem && nodes_[at].row < row; at = nodes_[at].nextSibling) before = at;
  ItemId& link = before == kNoItem ? first : nodes_[before].nextSibling;
  nodes_[item].nextSibling = link;
  link = item;
  if (nodes_[item].nextSibling == kNoItem) LastOf(parent) = item;
  nodes_[item].parent = parent;
  nodes_[item].row = before == kNoItem ? 0 : nodes_[before].row + 1;
  nodes_[item].detached = 0;
  for (ItemId at = nodes_[item].nextSibling; at != kNoItem; at = nodes_[at].nextSibling) ++nodes_[at].row;
  if (parent == kNoItem) ++rootCount_;
}

bool EntryTree::IsLive(ItemId item) const {
  for (ItemId at = item; at != kNoItem; at = nodes_[at].parent)
    if (nodes_[at].detached != 0) return false;
  return true;
}

void EntryTree::SetText(ItemId item, std::string_view text) {
  nodes_[item].textOffset = static_cast<std::uint32_t>(texts_.size());
  nodes_[item].textLength = static_cast<std::uint32_t>(text.size());
  texts_.append(text);
}

void EntryTree::SetHeld(ItemId item, std::shared_ptr<const LeafContent> content) {
  if (content)
    held_[item] = std::move(content);
  else
    held_.erase(item);
}

}  // namespace cfv
