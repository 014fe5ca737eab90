// EditTree: one custom file as a writer is to write it: its entries, nested
// and in order, each either the source file's own bytes or new ones.
//
// It starts as the source file exactly (FromSource: a well-formed file, so
// its entries tile it with nothing left over), and edits change it: a leaf
// gets new data, entries are added at the end of a list, removed, renamed.
// Every entry that no edit touched, itself or below it, keeps its source
// bytes; the writer copies those raw, compressed ones as they are, so
// nothing changes but what was changed.
//
// Names are name fields as stored (code page 932 bytes, at most 40, no NUL
// padding): untouched ones are the source's own bytes, never re-encoded.
//
// Thread: not synchronised; one owner.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "containers/entry_tree.h"
#include "containers/extract.h"

namespace cfv {

class CustomFile;

// Makes the content for `data` stored with `compression`.
std::shared_ptr<const LeafContent> MakeLeafContent(std::string data, Compression compression);

class EditTree {
 public:
  using NodeId = std::uint32_t;
  static constexpr NodeId kRoot = 0;  // the custom file itself
  static constexpr std::uint64_t kNotInSource = std::numeric_limits<std::uint64_t>::max();

  struct Node {
    std::string nameField;
    NodeId parent = kRoot;
    std::vector<NodeId> children;  // a branch's entries, in order
    bool branch = false;
    bool removed = false;
    bool renamed = false;
    // It, or an entry below it, differs from the source: its bytes are made
    // anew (a header with a new size at least) rather than copied. A new
    // entry always is; a source entry while `changes` (the edits in force
    // on it or below it) is not 0, so that an edit undone leaves its entry
    // copied as it was.
    bool touched = false;
    std::uint32_t changes = 0;
    // Where its bytes lie in the source: header offset and size field.
    std::uint64_t sourceOffset = kNotInSource;
    std::uint64_t sourceSize = 0;
    // A leaf's new content; null for a leaf that keeps its source payload.
    std::shared_ptr<const LeafContent> content;
  };

  // A tree of nothing but the root: the start of a custom file made anew.
  EditTree();

  // The well-formed custom file (VerifyCustomFile finds no structural
  // problem) of `fileLength` bytes loaded as `root` of `tree` (every item
  // below it in the loader's order). Entries tile their lists, so sizes
  // follow from the offsets. `nameFields` are the entries' name fields in
  // pre-order (VerifyCustomFile gives them): the tree holds names decoded,
  // and a writer copies their bytes.
  static std::unique_ptr<EditTree> FromSource(const EntryTree& tree, ItemId root, std::uint64_t fileLength,
                                              std::vector<std::string> nameFields);

  // The node of the source tree's `item` (`item` - root: the loader
  // appends in pre-order).
  NodeId NodeOfItem(ItemId item, ItemId root) const { return item - root; }

  const Node& At(NodeId node) const { return nodes_[node]; }
  std::uint32_t Size() const { return static_cast<std::uint32_t>(nodes_.size()); }

  // A leaf's data becomes `content` (null: its source payload again).
  void SetContent(NodeId leaf, std::shared_ptr<const LeafContent> content);
  // Appends a new leaf or (empty) branch at the end of `parent`'s entries.
  NodeId AddLeaf(NodeId parent, std::string nameField, std::shared_ptr<const LeafContent> content);
  NodeId AddBranch(NodeId parent, std::string nameField);
  // Drops an entry and everything below it; returns its index in its list,
  // for Restore.
  std::size_t Remove(NodeId node);
  // Undoes a Remove: the entry is back at `index` of its list.
  void Restore(NodeId node, std::size_t index);
  // Undoes an AddLeaf or AddBranch (the entry is the last of its list), and
  // does it again.
  void Withdraw(NodeId added);
  void Readd(NodeId added);
  // Drops every entry of a branch (before new ones are added).
  void RemoveChildren(NodeId branch);
  void Rename(NodeId node, std::string nameField);
  // Undoes a Rename: the name field it had, and whether that was a new one.
  void Unrename(NodeId node, std::string nameField, bool renamed);

  // A node's size as a writer would lay it out now (header included): the
  // source's for an untouched one. O(touched nodes below it).
  std::uint64_t PlannedSize(NodeId node) const;

  // After the tree was written as `offsets` and `sizes` give (by node, as
  // the writer laid it out; 0 for a size it did not measure, which stays):
  // every entry in the tree is the new file's own, untouched, its data and
  // name on disk now. Node ids stay.
  void Rebase(const std::vector<std::uint64_t>& offsets, const std::vector<std::uint64_t>& sizes);
  // The path of `node`: the names from the top level down, decoded, joined
  // by '/' (a '\' inside a name read as '/'), as list --json shows it.
  std::string PathOf(NodeId node) const;
  // The node's level: 1 for the file's own entries.
  unsigned LevelOf(NodeId node) const;

 private:
  // Counts an edit in force (+1) or undone (-1) on `node` and every node
  // above it.
  void Touch(NodeId node, int delta = 1);
  NodeId Append(NodeId parent, Node node);

  std::vector<Node> nodes_;
};

}  // namespace cfv
