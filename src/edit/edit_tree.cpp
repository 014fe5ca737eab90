#include "edit/edit_tree.h"

#include <algorithm>
#include <cerrno>

#include "containers/cp932.h"
#include "containers/custom_file.h"
#include "containers/entry_header.h"
#include "containers/payload_encoding.h"

namespace cfv {

std::shared_ptr<const LeafContent> MakeLeafContent(std::string data, Compression compression) {
  auto content = std::make_shared<LeafContent>();
  content->payload = EncodePayload(data, compression);
  content->data = std::move(data);
  content->compression = compression;
  return content;
}

EditTree::EditTree() {
  nodes_.emplace_back();
  nodes_[kRoot].branch = true;
  nodes_[kRoot].touched = true;
}

std::unique_ptr<EditTree> EditTree::FromSource(const EntryTree& tree, ItemId root, std::uint64_t fileLength,
                                               std::vector<std::string> nameFields) {
  auto edit = std::make_unique<EditTree>();
  edit->nodes_[kRoot].touched = false;
  edit->nodes_[kRoot].sourceOffset = 0;
  edit->nodes_[kRoot].changes = 0;
  edit->nodes_[kRoot].sourceSize = fileLength;
  // In a well-formed file the entries of a list tile its block: an entry
  // ends where its next sibling starts, the last one where its parent ends.
  tree.ForEachPreOrder(root, [&](ItemId item, unsigned depth) {
    if (depth == 0) return;
    const NodeId parent = edit->NodeOfItem(tree.Parent(item), root);
    const Node& above = edit->nodes_[parent];
    const std::uint64_t end = tree.NextSibling(item) != kNoItem ? tree.Data(tree.NextSibling(item))
                                                                : above.sourceOffset + above.sourceSize;
    Node node;
    const std::size_t index = edit->nodes_.size() - 1;
    if (index < nameFields.size()) node.nameField = std::move(nameFields[index]);
    node.branch = tree.HasChildren(item);
    node.sourceOffset = tree.Data(item);
    node.sourceSize = end - node.sourceOffset;
    node.parent = parent;
    edit->nodes_[parent].children.push_back(static_cast<NodeId>(edit->nodes_.size()));
    edit->nodes_.push_back(std::move(node));
  });
  return edit;
}

void EditTree::Touch(NodeId node, int delta) {
  for (NodeId at = node;; at = nodes_[at].parent) {
    Node& self = nodes_[at];
    self.changes += static_cast<std::uint32_t>(delta);
    self.touched = self.changes != 0 || self.sourceOffset == kNotInSource;
    if (at == kRoot) break;
  }
}

void EditTree::SetContent(NodeId leaf, std::shared_ptr<const LeafContent> content) {
  const int delta = (content ? 1 : 0) - (nodes_[leaf].content ? 1 : 0);
  nodes_[leaf].content = std::move(content);
  if (delta != 0) Touch(leaf, delta);
}

EditTree::NodeId EditTree::Append(NodeId parent, Node node) {
  const auto id = static_cast<NodeId>(nodes_.size());
  node.parent = parent;
  node.touched = true;
  nodes_.push_back(std::move(node));
  nodes_[parent].children.push_back(id);
  Touch(parent);
  return id;
}

EditTree::NodeId EditTree::AddLeaf(NodeId parent, std::string nameField,
                                   std::shared_ptr<const LeafContent> content) {
  Node node;
  node.nameField = std::move(nameField);
  node.content = std::move(content);
  return Append(parent, std::move(node));
}

EditTree::NodeId EditTree::AddBranch(NodeId parent, std::string nameField) {
  Node node;
  node.nameField = std::move(nameField);
  node.branch = true;
  return Append(parent, std::move(node));
}

std::size_t EditTree::Remove(NodeId node) {
  std::vector<NodeId>& siblings = nodes_[nodes_[node].parent].children;
  const auto at = std::find(siblings.begin(), siblings.end(), node);
  const auto index = static_cast<std::size_t>(at - siblings.begin());
  siblings.erase(at);
  nodes_[node].removed = true;
  Touch(nodes_[node].parent);
  return index;
}

void EditTree::Restore(NodeId node, std::size_t index) {
  std::vector<NodeId>& siblings = nodes_[nodes_[node].parent].children;
  siblings.insert(siblings.begin() + static_cast<std::ptrdiff_t>(index), node);
  nodes_[node].removed = false;
  Touch(nodes_[node].parent, -1);
}

void EditTree::Withdraw(NodeId added) {
  nodes_[nodes_[added].parent].children.pop_back();
  nodes_[added].removed = true;
  Touch(nodes_[added].parent, -1);
}

void EditTree::Readd(NodeId added) {
  nodes_[nodes_[added].parent].children.push_back(added);
  nodes_[added].removed = false;
  Touch(nodes_[added].parent);
}

void EditTree::RemoveChildren(NodeId branch) {
  for (const NodeId child : nodes_[branch].children) nodes_[child].removed = true;
  nodes_[branch].children.clear();
  Touch(branch);
}

void EditTree::Rename(NodeId node, std::string nameField) {
  nodes_[node].nameField = std::move(nameField);
  nodes_[node].renamed = true;
  Touch(node);
}

void EditTree::Unrename(NodeId node, std::string nameField, bool renamed) {
  nodes_[node].nameField = std::move(nameField);
  nodes_[node].renamed = renamed;
  Touch(node, -1);
}

std::uint64_t EditTree::PlannedSize(NodeId id) const {
  const Node& node = nodes_[id];
  if (!node.touched) return node.sourceSize;
  if (node.branch || id == kRoot) {
    std::uint64_t size = id == kRoot ? 0 : kEntryHeaderSize;
    for (const NodeId child : node.children) size += PlannedSize(child);
    return size;
  }
  return kEntryHeaderSize +
         (node.content ? node.content->payload.size() : node.sourceSize - kEntryHeaderSize);
}

void EditTree::Rebase(const std::vector<std::uint64_t>& offsets, const std::vector<std::uint64_t>& sizes) {
  for (NodeId id = 0; id < nodes_.size(); ++id) {
    Node& node = nodes_[id];
    if (node.removed) continue;
    node.sourceOffset = offsets[id];
    // Below an untouched entry the writer measured nothing: sizes stay.
    if (sizes[id] != 0) node.sourceSize = sizes[id];
    node.touched = false;
    node.changes = 0;
    node.renamed = false;
    // A leaf that packed a custom file now holds it as a branch on disk;
    // the window never makes one (it refuses such data).
    node.content.reset();
  }
  nodes_[kRoot].sourceOffset = 0;
  nodes_[kRoot].sourceSize = 0;
  for (const NodeId child : nodes_[kRoot].children) nodes_[kRoot].sourceSize += nodes_[child].sourceSize;
}

std::string EditTree::PathOf(NodeId node) const {
  std::vector<NodeId> chain;
  for (NodeId at = node; at != kRoot; at = nodes_[at].parent) chain.push_back(at);
  std::string path;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (!path.empty()) path.push_back('/');
    for (const char c : DecodeCp932(nodes_[*it].nameField)) path.push_back(c == '\\' ? '/' : c);
  }
  return path;
}

unsigned EditTree::LevelOf(NodeId node) const {
  unsigned level = 0;
  for (NodeId at = node; at != kRoot; at = nodes_[at].parent) ++level;
  return level;
}

}  // namespace cfv
