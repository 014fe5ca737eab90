// EntryTreeModel: the Qt item model over the entry tree, shown by the main
// window's tree view with a check box on every item.
//
// The model owns the EntryTree. A QModelIndex carries the item id as its
// internal id and EntryTree::Row as its row, so parent() and data() are
// O(1) and no per-item Qt object exists. index(row) looks root items up in a
// table of root ids kept as files are appended, and children in a per-parent
// table of child ids, built the first time a parent's middle row is asked for
// (first and last rows need none); a million entries stay cheap.
//
// Loads append whole files at a time (AppendFileTree: one row insertion at
// the top level). Edits (the edit layer's, through the calls below) detach
// and attach items, append new ones under a parent, rename items and give
// leaves held data, each announced as a row removal, insertion or data
// change; while a filter is on, an edit resets the model with the filter
// made afresh. Removed items are detached, never deleted, so ids stay. Checking or unchecking an item gives
// the same state to its whole subtree, never to a parent or sibling, and emits dataChanged for the item and
// every changed range of children so views redraw.
//
// Items other than root items can be dragged out of the tree as files
// (text/uri-list): each drag is a DragJob that writes each item into a new
// folder inside a private temporary folder, made at the first drag and
// removed with the model, through the drag writer the owner sets (the
// export's own layout), off the UI thread (CEntryTreeView runs it). Without
// a writer nothing drags.
//
// Thread: UI thread only. A load job builds each file into a tree of its
// own and hands it to the UI thread for AppendFileTree.
#pragma once

#include <QAbstractItemModel>
#include <filesystem>
#include <functional>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "common/job.h"
#include "containers/entry_filter.h"
#include "containers/entry_tree.h"

class QTemporaryDir;

namespace cfv {

// The files of one drag: writes each item of its own copy of the tree into
// its folder with `writer`, which reports progress and heeds a cancel. Its
// result, once it has ended, is what the drag carries: what the writer put
// directly in each folder, in order.
class DragJob final : public Job {
 public:
  // Writes `item` of `tree` into the empty folder given and returns what it
  // put directly in it.
  using Writer = std::function<std::vector<std::filesystem::path>(const EntryTree&, ItemId,
                                                                  const std::filesystem::path&, JobContext&)>;
  struct Item {
    ItemId item;
    std::filesystem::path folder;
  };
  DragJob(EntryTree tree, std::vector<Item> items, Writer writer);

  void Run(JobContext& context) override;
  const std::vector<std::filesystem::path>& Written() const { return written_; }

 private:
  const EntryTree tree_;
  const std::vector<Item> items_;
  const Writer writer_;
  std::vector<std::filesystem::path> written_;
};

class EntryTreeModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  explicit EntryTreeModel(QObject* parent = nullptr);

  const EntryTree& Tree() const { return tree_; }
  // Root items and entries in the tree now (detached ones not counted).
  std::uint32_t LiveCount() const { return tree_.Size() - detachedItems_; }

  // Edits. RemoveItem detaches `item` (not a root item unless `root`) and
  // returns its row; RestoreItem attaches it again at `row` of `parent`.
  std::uint32_t RemoveItem(ItemId item);
  void RestoreItem(ItemId item, ItemId parent, std::uint32_t row);
  // Appends new items as one new row at the end of `parent`'s list: `build`
  // appends that row's item (and any below it) to the tree and returns it.
  ItemId AddItems(ItemId parent, const std::function<ItemId(EntryTree&)>& build);
  void RenameItem(ItemId item, std::string_view text);
  // Held data and offsets (no row changes): the tree itself.
  EntryTree& EditableTree() { return tree_; }
  // The root item's custom file has unsaved edits: its text is marked.
  void SetModified(ItemId root, bool modified);
  bool IsModified(ItemId root) const { return modified_.contains(root); }
  // Renaming in place: items other than root items are editable while a
  // renamer is set; it gets the text typed and says whether it was taken.
  using Renamer = std::function<bool(ItemId, const QString&)>;
  void SetRenamer(Renamer renamer) { renamer_ = std::move(renamer); }

  // Appends every item of `tree` after the last root item, as one row
  // insertion at the top level. Returns the id offset: an item that was `i`
  // in `tree` is `i + offset` here. An empty `tree` changes nothing.
  ItemId AppendFileTree(EntryTree&& tree);

  // The item of an index (kNoItem for the invalid index) and back.
  ItemId ItemOf(const QModelIndex& index) const;
  QModelIndex IndexOf(ItemId item) const;

  // Shows only what `filter` shows (matches and their ancestors), or every
  // item again with nullptr; one model reset either way. Files appended
  // while a filter is on are filtered as they come.
  void SetFilter(std::unique_ptr<EntryFilter> filter);
  const EntryFilter* Filter() const { return filter_.get(); }

  // Checks every matching item of the filter and everything below each, as
  // clicks that check their boxes would (a matching branch brings its whole
  // subtree). Nothing without a filter.
  void CheckMatches();
  // Gives every item of the tree, shown or not, the check state `checked`.
  void SetAllChecked(bool checked);

  // Gives `item` and every item below it the check state `checked`. Does
  // nothing when `item` already has that state (the change comes from the
  // item itself, as a click on its box).
  void SetChecked(ItemId item, bool checked);
  // Gives `item` and every item below it the check state `checked`, whatever
  // state `item` has now (Check Subtree, Uncheck Subtree).
  void SetSubtreeChecked(ItemId item, bool checked);

  void SetDragWriter(DragJob::Writer writer);
  ~EntryTreeModel() override;

  // The drag of the items of `indexes` other than root items, each into a
  // new folder of the drags' temporary folder (see above); nullptr (no drag)
  // when there is nothing to drag or no folder to write into.
  std::shared_ptr<DragJob> MakeDragJob(const QModelIndexList& indexes) const;

  QStringList mimeTypes() const override;
  // Copy only: a drag never removes anything from the tree.
  Qt::DropActions supportedDragActions() const override;

  QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 signals:
  // AppendFileTree added items (shown or not, filtered or not).
  void TreeGrew();
  // An edit changed the tree (after its rows were announced).
  void Edited();

 private:
  ItemId ChildAt(ItemId parent, std::uint32_t row) const;
  std::uint32_t ChildCount(ItemId parent) const;
  // Emits dataChanged for every child range below `item`.
  void EmitSubtreeChanged(ItemId item);
  // Emits dataChanged for every shown item.
  void EmitAllChanged();
  // Runs `change` on the tree, announced as `begin`/`end` would announce it
  // without a filter, or as a reset with the filter made afresh.
  void ChangeRows(const std::function<void()>& begin, const std::function<void()>& change,
                  const std::function<void()>& end);
  std::uint32_t SubtreeSize(ItemId item) const;

  EntryTree tree_;
  // Root ids by row, always complete.
  std::vector<ItemId> roots_;
  // Child ids by row, per parent item, built lazily.
  mutable std::unordered_map<ItemId, std::vector<ItemId>> children_;
  std::unique_ptr<EntryFilter> filter_;
  std::uint32_t detachedItems_ = 0;
  std::unordered_set<ItemId> modified_;
  Renamer renamer_;
  DragJob::Writer dragWriter_;
  // The drags' temporary folder, made at the first drag, and how many drags
  // have used it (each writes into a new numbered folder in it).
  mutable std::unique_ptr<QTemporaryDir> dragFolder_;
  mutable unsigned drags_ = 0;
};

}  // namespace cfv
