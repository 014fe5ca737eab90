// EntryTree: the ordered forest of loaded custom files and their entries.
//
// One root item per loaded custom file (text = the file's path, data 0), and
// beneath it one item per entry in file order (text = the entry's decoded
// name, data = the file offset of its entry header). Items are appended,
// never deleted: an edit that removes an entry detaches its item (with all
// below it) from its list, and undoing the edit attaches it again, so ids
// stay valid and a detached subtree comes back as it was. The tree holds
// texts and offsets, and entry data only for edited leaves whose new data
// is not on disk yet (Held).
//
// Storage is a compact node table (about 40 bytes an item plus the text
// bytes, all texts in one pool), so a million entries stay cheap. Item ids are
// indices into the table and stay valid for the tree's life.
//
// Thread: not synchronised. The GUI changes its tree only on the UI thread; a
// load job builds each file into a tree of its own and hands that over
// whole (AppendTree).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace cfv {

using ItemId = std::uint32_t;
inline constexpr ItemId kNoItem = 0xFFFFFFFFu;

struct LeafContent;

class EntryTree {
 public:
  EntryTree() = default;

  // Appends an item after the last child of `parent` (kNoItem: after the last
  // root item). `text` is UTF-8. The item starts unchecked with data 0.
  // Returns the new item's id. O(1).
  ItemId AppendItem(ItemId parent, std::string_view text);
  // Appends an entry item whose text is a header's name field: `field` holds
  // `size` bytes of code page 932 text, cut at the first NUL. The text is
  // decoded straight into the tree's text pool (the loader's path: no string
  // is made per entry). Data 0, unchecked.
  ItemId AppendNameFieldItem(ItemId parent, const unsigned char* field, std::size_t size);

  // Appends every item of `other` at the top level, after the last root item,
  // keeping its shape, data, check states and order. The items of `other`
  // get ids shifted by the returned value: an item that was `i` in `other`
  // is `i + base` here. O(size of other).
  ItemId AppendTree(const EntryTree& other);

  // Editing. Detach takes `item` and everything below it out of its
  // parent's list (the root list for a root item) and returns the row it
  // had; Attach puts a detached item back into `parent`'s list at `row`.
  // O(siblings).
  std::uint32_t Detach(ItemId item);
  void Attach(ItemId item, ItemId parent, std::uint32_t row);
  // Whether `item` or one of its ancestors is detached: not in the tree.
  bool IsDetached(ItemId item) const { return nodes_[item].detached != 0; }
  bool IsLive(ItemId item) const;
  // A branch whose payload on disk is not what the tree shows (unsaved
  // edits below it, or a branch an edit added): it has no data to take
  // out as one file until it is saved.
  void SetUnsaved(ItemId item, bool unsaved) { nodes_[item].unsaved = unsaved ? 1 : 0; }
  bool IsUnsaved(ItemId item) const { return nodes_[item].unsaved != 0; }
  // The item's text becomes `text` (its old text stays in the pool).
  void SetText(ItemId item, std::string_view text);
  // A leaf's data held in memory because an edit gave it (null: none, the
  // data is the entry's in the custom file).
  void SetHeld(ItemId item, std::shared_ptr<const LeafContent> content);
  const LeafContent* Held(ItemId item) const {
    if (held_.empty()) return nullptr;
    const auto it = held_.find(item);
    return it == held_.end() ? nullptr : it->second.get();
  }

  void SetData(ItemId item, std::uint32_t data) { nodes_[item].data = data; }
  std::uint32_t Data(ItemId item) const { return nodes_[item].data; }
  std::string_view Text(ItemId item) const {
    const Node& n = nodes_[item];
    return std::string_view(texts_.data() + n.textOffset, n.textLength);
  }

  ItemId Parent(ItemId item) const { return nodes_[item].parent; }
  ItemId FirstChild(ItemId item) const { return nodes_[item].firstChild; }
  ItemId LastChild(ItemId item) const { return nodes_[item].lastChild; }
  ItemId NextSibling(ItemId item) const { return nodes_[item].nextSibling; }
  bool HasChildren(ItemId item) const { return nodes_[item].firstChild != kNoItem; }
  // The item's position among its siblings (0 for the first).
  std::uint32_t Row(ItemId item) const { return nodes_[item].row; }
  // Number of children of `item`; kNoItem gives the number of root items.
  std::uint32_t ChildCount(ItemId item) const;

  ItemId FirstRoot() const { return firstRoot_; }
  ItemId LastRoot() const { return lastRoot_; }
  // Follows parents until an item has none; an item with none is its own root.
  ItemId RootOf(ItemId item) const;

  bool IsChecked(ItemId item) const { return nodes_[item].checked != 0; }
  // Sets the check state of `item` alone.
  void SetChecked(ItemId item, bool checked) { nodes_[item].checked = checked ? 1 : 0; }
  // Sets the check state of `item` and of every item below it, never of a
  // parent or sibling. Iterative: any depth is safe.
  void SetSubtreeChecked(ItemId item, bool checked);
  // Checks every item of the tree.
  void CheckAll(bool checked);

  // Number of items; ids run from 0 to Size() - 1 in append order.
  std::uint32_t Size() const { return static_cast<std::uint32_t>(nodes_.size()); }
  bool Empty() const { return nodes_.empty(); }
  // Bytes held by the text pool (for memory accounting).
  std::size_t TextBytes() const { return texts_.size(); }
  void Reserve(std::size_t items, std::size_t textBytes);
  // Empties the tree but keeps its storage, so a tree used as scratch for
  // one file after another does not allocate (and fault in) fresh memory
  // for each. Ids given out before are void afterwards.
  void Clear();

  // Calls visit(item, depth) for every item below `start` (inclusive) in
  // pre-order; depth 0 is `start` itself. With start = kNoItem, walks every
  // root in turn with depth 0 for roots. Iterative: any depth is safe.
  template <typename Visit>
  void ForEachPreOrder(ItemId start, Visit&& visit) const;

 private:
  // Links a new item whose text is texts_[textOffset, end of texts_).
  ItemId AppendNode(ItemId parent, std::uint32_t textOffset);

  struct Node {
    ItemId parent;
    ItemId firstChild;
    ItemId lastChild;
    ItemId nextSibling;
    std::uint32_t row;
    std::uint32_t textOffset;
    std::uint32_t textLength;
    std::uint32_t data;
    std::uint8_t checked;
    std::uint8_t detached;
    std::uint8_t unsaved;
  };
  // The list `parent` heads: its first and last child (the root list for
  // kNoItem).
  ItemId& FirstOf(ItemId parent) { return parent == kNoItem ? firstRoot_ : nodes_[parent].firstChild; }
  ItemId& LastOf(ItemId parent) { return parent == kNoItem ? lastRoot_ : nodes_[parent].lastChild; }

  std::vector<Node> nodes_;
  std::string texts_;
  ItemId firstRoot_ = kNoItem;
  ItemId lastRoot_ = kNoItem;
  std::uint32_t rootCount_ = 0;
  std::unordered_map<ItemId, std::shared_ptr<const LeafContent>> held_;
};

template <typename Visit>
void EntryTree::ForEachPreOrder(ItemId start, Visit&& visit) const {
  const bool allRoots = start == kNoItem;
  ItemId item = allRoots ? firstRoot_ : start;
  unsigned depth = 0;
  while (item != kNoItem) {
    visit(item, depth);
    if (nodes_[item].firstChild != kNoItem) {
      item = nodes_[item].firstChild;
      ++depth;
      continue;
    }
    // Climb until a next sibling exists, never above `start`.
    while (item != kNoItem) {
      if (depth == 0) {
        item = allRoots ? nodes_[item].nextSibling : kNoItem;
        break;
      }
      if (nodes_[item].nextSibling != kNoItem) {
        item = nodes_[item].nextSibling;
        break;
      }
      item = nodes_[item].parent;
      --depth;
    }
  }
}

}  // namespace cfv
