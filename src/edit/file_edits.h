// FileEdits: the unsaved edits of one custom file that the window shows,
// kept as the writer's intended tree (EditTree) and saved through the one
// writer (CustomFileWriter, WriteTarget), never a second one.
//
// It opens at the file's first edit: the file must be well formed (as for
// `tazor-cfv edit`), read the same as when it was loaded, and be loaded only
// once in the tree. Its descriptor stays open, and its size and
// modification time are kept, so that a file changed on disk since is
// never overwritten.
//
// Every edit is checked when it is made, not at save: a new name (code page
// 932, 1 to 40 bytes, no control byte or separator, not taken in its list),
// new data (it must not read back as a branch, inflated or stored: the
// format's traps), a branch or the file left with no entries, sizes and
// nesting past the format's limits. A change next to a leaf shorter than a
// header, whose candidate header runs into the changed bytes, is checked on
// the bytes it would read; a file near 2 GiB with the writer's check of the
// whole file. A refused edit leaves the tree
// as it was. Undo and redo go through the EditTree's own inverse steps
// (Tree()), which lead only back to states already checked.
//
// Items of the window's EntryTree map to nodes: the file's loaded items are
// its nodes in pre-order (node = item - root), items added by edits are
// recorded as they are made.
//
// Thread: the UI thread edits; Save runs on a worker while nothing edits.
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/job.h"
#include "containers/entry_name.h"
#include "containers/entry_tree.h"
#include "edit/edit_tree.h"

namespace cfv {

// Why an edit, an edit session or a save is refused.
struct EditRefusal {
  enum class Kind {
    kNone,
    kCannotRead,     // the file (or a chosen file) cannot be read: `error`
    kNotCustomFile,  // the file is no custom file (any more)
    kNotWellFormed,  // verify finds structural problems: `detail` says the first
    kChangedOnDisk,  // not what was loaded (or saved) any more
    kLoadedTwice,    // the same file is another root item of the tree too
    kName,           // `subject` cannot be a name: `name` says why
    kNameTaken,      // another entry of the list has the name `subject`
    kReadsAsBranch,  // `subject`'s data begins with an entry header
    kReadsInflated,  // `subject`'s stored data is a complete zlib or gzip stream
    kReadsStored,    // `subject`'s compressed data would read back as stored
    kEmptyBranch,    // removing `subject` leaves its branch with no entries
    kEmptyFile,      // removing `subject` leaves the file with no entries
    kTooLarge,       // `subject` would be above 999,999,999 bytes (or the file past 4 GiB)
    kTooDeep,        // `subject` would nest past 64 levels
    kShortLeaf,      // `subject`, shorter than a header, would form one with the bytes after it
    kPack,           // the folder cannot be packed: `detail` (English) about `subject`
    kWriter,         // the writer refuses: `detail` (English) about `subject`
    kCannotWrite,    // `subject` cannot be written: `error`, or `detail` (English)
  };
  Kind kind = Kind::kNone;
  std::string subject{};  // an entry's path, a name, or a file's path
  NameProblem name = NameProblem::kNone;
  int error = 0;
  std::string detail{};
  explicit operator bool() const { return kind != Kind::kNone; }
};

class FileEdits {
 public:
  using NodeId = EditTree::NodeId;

  // Opens the edits of the custom file of root item `root` of `tree`.
  // Null with `refusal` set when the file cannot be edited.
  static std::unique_ptr<FileEdits> Open(const EntryTree& tree, ItemId root, EditRefusal& refusal);
  ~FileEdits();

  const std::filesystem::path& Path() const { return path_; }
  ItemId Root() const { return root_; }
  EditTree& Tree() { return *tree_; }
  const EditTree& Tree() const { return *tree_; }
  NodeId NodeOf(ItemId item) const;
  ItemId ItemOf(NodeId node) const { return items_[node]; }
  // Nodes that have an item (ItemOf is defined below this).
  std::uint32_t ItemCount() const { return static_cast<std::uint32_t>(items_.size()); }
  // Records that edits made `node` for the window's new `item`.
  void MapAdded(NodeId node, ItemId item) {
    if (items_.size() <= node) items_.resize(node + 1, kNoItem);
    items_[node] = item;
    added_[item] = node;
  }

  // Edits: each one checked, refused (tree unchanged) or made.
  // A leaf's data becomes the bytes of `file`, its compression kept;
  // `previous` gets the content it had (null: its source payload).
  EditRefusal Replace(NodeId leaf, const std::filesystem::path& file,
                      std::shared_ptr<const LeafContent>& previous);
  // New stored leaves at the end of `parent`'s list, named after `files`.
  EditRefusal AddFiles(NodeId parent, const std::vector<std::filesystem::path>& files,
                       std::vector<NodeId>& added);
  // A new branch at the end of `parent`'s list: `folder` packed as `pack`
  // packs it. A file in it that is itself a custom file is refused (it
  // would read back as a branch the tree does not show).
  EditRefusal AddFolder(NodeId parent, const std::filesystem::path& folder, NodeId& added);
  // `index`: its place in its list, for EditTree::Restore.
  EditRefusal Remove(NodeId node, std::size_t& index);
  // `old` and `wasRenamed`: for EditTree::Unrename.
  EditRefusal Rename(NodeId node, std::string_view name, std::string& old, bool& wasRenamed);

  // Saving. `target` is the file itself or, for Save As, another path (an
  // existing one kept as TARGET.bak, like the file's own old bytes).
  struct SaveResult {
    EditRefusal refusal;
    bool cancelled = false;
    std::filesystem::path written;  // the file written (links followed)
    std::filesystem::path backup;   // where the old bytes are, when kept
    std::vector<std::uint64_t> offsets;
    std::vector<std::uint64_t> sizes;
  };
  // Writes the intended tree to `target`, read back and compared before it
  // takes the name; the old bytes kept as TARGET.bak. With a `job`, tells
  // its steps (check, write and read back, replace: kSaveSteps) and stops
  // before the new file takes the name once the job is cancelled
  // (`cancelled`, nothing written). Reads only: a worker thread may run it
  // while nothing edits.
  static constexpr unsigned kSaveSteps = 3;
  SaveResult Save(const std::filesystem::path& target, JobContext* job = nullptr) const;
  // After a Save that succeeded: the tree is the written file's, which is
  // now the file these edits are of, named `path` (the root item's text).
  // False (`refusal` set) when it cannot be opened again.
  bool Saved(const SaveResult& result, const std::filesystem::path& path, EditRefusal& refusal);

  // Whether the file on disk is still the one loaded (or last saved).
  bool UnchangedOnDisk() const;

 private:
  FileEdits() = default;
  // The checks after an edit at `node` (a removal: at `index` of `parent`).
  EditRefusal CheckAround(NodeId node, NodeId parent, std::size_t index) const;
  EditRefusal CheckWhole() const;
  // The entry after `node` in the file (its next sibling's, or an
  // ancestor's); the root for none.
  NodeId NextInFile(NodeId node) const;
  // Whether the leaf's payload, shorter than a header, and the bytes after
  // it would form a usable entry header (it would read back as a branch).
  bool WindowFormsHeader(NodeId leaf, int* readError) const;
  EditRefusal CheckNewName(NodeId parent, NodeId self, std::string_view name, std::string& field) const;
  EditRefusal CheckContent(NodeId node, const LeafContent& content) const;
  bool OpenSource(const std::filesystem::path& path, EditRefusal& refusal);

  std::filesystem::path path_;
  ItemId root_ = kNoItem;
  int fd_ = -1;
  struct stat stat_ {};
  std::unique_ptr<EditTree> tree_;
  std::vector<ItemId> items_;  // by node
  std::uint32_t loadedNodes_ = 0;
  std::unordered_map<ItemId, NodeId> added_;
};

// Save as a job of the window's runner: the result once it has ended.
class SaveJob final : public Job {
 public:
  SaveJob(const FileEdits& edits, std::filesystem::path target) : edits_(edits), target_(std::move(target)) {}
  void Run(JobContext& context) override { result_ = edits_.Save(target_, &context); }
  const FileEdits::SaveResult& Result() const { return result_; }

 private:
  const FileEdits& edits_;
  std::filesystem::path target_;
  FileEdits::SaveResult result_;
};

// Whether a file at `path` is one of the custom files (root items) of
// `tree` other than `except`: the same file (device and inode).
bool IsRootOfTree(const EntryTree& tree, const std::filesystem::path& path, ItemId except);

}  // namespace cfv
