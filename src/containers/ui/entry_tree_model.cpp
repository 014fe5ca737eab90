#include "containers/ui/entry_tree_model.h"

#include <QFile>
#include <QFont>
#include <QString>
#include <QTemporaryDir>
#include <system_error>

namespace cfv {

EntryTreeModel::EntryTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

EntryTreeModel::~EntryTreeModel() = default;

ItemId EntryTreeModel::AppendFileTree(EntryTree&& tree) {
  const std::uint32_t newRoots = tree.ChildCount(kNoItem);
  if (newRoots == 0) return tree_.Size();
  const std::uint32_t oldRows = ChildCount(kNoItem);
  const ItemId oldLastRoot = tree_.LastRoot();
  ItemId base = 0;
  // The view asks for rows only through ChildCount and ChildAt, which go by
  // the root table or the filter: the tree may grow before the insertion is
  // announced, as long as those do not change before it.
  if (tree_.Empty()) {
    tree_ = std::move(tree);  // the first file: take it whole, no copy
  } else {
    base = tree_.AppendTree(tree);
  }
  const std::uint32_t newRows = filter_ ? filter_->Extend(tree_) : newRoots;
  if (newRows != 0)
    beginInsertRows(QModelIndex(), static_cast<int>(oldRows), static_cast<int>(oldRows + newRows) - 1);
  if (filter_) filter_->Publish(tree_);
  // The root ids by row, kept complete: a view lays out every root row after
  // each insertion, so asking for one must cost a vector index, no more.
  for (ItemId r = oldLastRoot == kNoItem ? tree_.FirstRoot() : tree_.NextSibling(oldLastRoot); r != kNoItem;
       r = tree_.NextSibling(r)) {
    roots_.push_back(r);
  }
  if (newRows != 0) endInsertRows();
  emit TreeGrew();
  return base;
}

void EntryTreeModel::SetFilter(std::unique_ptr<EntryFilter> filter) {
  beginResetModel();
  filter_ = std::move(filter);
  if (filter_) {
    filter_->Extend(tree_);
    filter_->Publish(tree_);
  }
  endResetModel();
}

ItemId EntryTreeModel::ItemOf(const QModelIndex& index) const {
  return index.isValid() ? static_cast<ItemId>(index.internalId()) : kNoItem;
}

QModelIndex EntryTreeModel::IndexOf(ItemId item) const {
  if (item == kNoItem || item >= tree_.Size() || tree_.IsDetached(item)) return QModelIndex();
  if (!filter_) return createIndex(static_cast<int>(tree_.Row(item)), 0, static_cast<quintptr>(item));
  if (!filter_->Shown(item)) return QModelIndex();
  return createIndex(static_cast<int>(filter_->ShownRow(item)), 0, static_cast<quintptr>(item));
}

std::uint32_t EntryTreeModel::ChildCount(ItemId parent) const {
  if (filter_) return filter_->ShownChildCount(parent);
  return parent == kNoItem ? static_cast<std::uint32_t>(roots_.size()) : tree_.ChildCount(parent);
}

ItemId EntryTreeModel::ChildAt(ItemId parent, std::uint32_t row) const {
  if (filter_) return filter_->ShownChild(parent, row);
  const std::uint32_t count = ChildCount(parent);
  if (row >= count) return kNoItem;
  if (parent == kNoItem) return roots_[row];
  if (row == 0) return tree_.FirstChild(parent);
  if (row == count - 1) return tree_.LastChild(parent);
  std::vector<ItemId>& ids = children_[parent];
  if (ids.size() != count) {
    ids.clear();
    ids.reserve(count);
    for (ItemId c = tree_.FirstChild(parent); c != kNoItem; c = tree_.NextSibling(c)) {
      ids.push_back(c);
    }
  }
  return ids[row];
}

QModelIndex EntryTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (row < 0 || column != 0) return QModelIndex();
  if (parent.isValid() && parent.column() != 0) return QModelIndex();
  const ItemId item = ChildAt(ItemOf(parent), static_cast<std::uint32_t>(row));
  if (item == kNoItem) return QModelIndex();
  return createIndex(row, 0, static_cast<quintptr>(item));
}

QModelIndex EntryTreeModel::parent(const QModelIndex& child) const {
  const ItemId item = ItemOf(child);
  if (item == kNoItem) return QModelIndex();
  return IndexOf(tree_.Parent(item));
}

int EntryTreeModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() && parent.column() != 0) return 0;
  return static_cast<int>(ChildCount(ItemOf(parent)));
}

int EntryTreeModel::columnCount(const QModelIndex& /*parent*/) const { return 1; }

bool EntryTreeModel::hasChildren(const QModelIndex& parent) const {
  if (parent.isValid() && parent.column() != 0) return false;
  return ChildCount(ItemOf(parent)) != 0;
}

QVariant EntryTreeModel::data(const QModelIndex& index, int role) const {
  const ItemId item = ItemOf(index);
  if (item == kNoItem) return QVariant();
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: {
      const std::string_view text = tree_.Text(item);
      const QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
      // A custom file with unsaved edits reads "PATH *".
      return role == Qt::DisplayRole && modified_.contains(item) ? shown + QStringLiteral(" *") : shown;
    }
    case Qt::FontRole: {
      if (!modified_.contains(item)) return QVariant();
      QFont font;
      font.setItalic(true);
      return font;
    }
    case Qt::CheckStateRole:
      return tree_.IsChecked(item) ? Qt::Checked : Qt::Unchecked;
    default:
      return QVariant();
  }
}

bool EntryTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  const ItemId item = ItemOf(index);
  if (item != kNoItem && role == Qt::EditRole && renamer_ && tree_.Parent(item) != kNoItem)
    return renamer_(item, value.toString());
  if (item == kNoItem || role != Qt::CheckStateRole) return false;
  // Unchecked only for the unchecked state; any other state checks.
  SetChecked(item, value.value<Qt::CheckState>() != Qt::Unchecked);
  return true;
}

Qt::ItemFlags EntryTreeModel::flags(const QModelIndex& index) const {
  const ItemId item = ItemOf(index);
  if (item == kNoItem) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
  if (ChildCount(item) == 0) f |= Qt::ItemNeverHasChildren;
  if (dragWriter_ && tree_.Parent(item) != kNoItem) f |= Qt::ItemIsDragEnabled;
  if (renamer_ && tree_.Parent(item) != kNoItem) f |= Qt::ItemIsEditable;
  return f;
}

void EntryTreeModel::SetChecked(ItemId item, bool checked) {
  if (item == kNoItem || item >= tree_.Size() || tree_.IsChecked(item) == checked) return;
  SetSubtreeChecked(item, checked);
}

void EntryTreeModel::SetSubtreeChecked(ItemId item, bool checked) {
  if (item == kNoItem || item >= tree_.Size()) return;
  tree_.SetSubtreeChecked(item, checked);
  const QModelIndex at = IndexOf(item);
  if (at.isValid()) emit dataChanged(at, at, {Qt::CheckStateRole});
  EmitSubtreeChanged(item);
}

void EntryTreeModel::EmitSubtreeChanged(ItemId item) {
  const QList<int> roles{Qt::CheckStateRole};
  tree_.ForEachPreOrder(item, [&](ItemId id, unsigned) {
    const std::uint32_t count = ChildCount(id);
    if (count == 0) return;
    emit dataChanged(IndexOf(ChildAt(id, 0)), IndexOf(ChildAt(id, count - 1)), roles);
  });
}

}  // namespace cfv

namespace cfv {

void EntryTreeModel::CheckMatches() {
  if (!filter_) return;
  for (ItemId item : filter_->Matching()) tree_.SetSubtreeChecked(item, true);
  EmitAllChanged();
}

void EntryTreeModel::SetAllChecked(bool checked) {
  tree_.CheckAll(checked);
  EmitAllChanged();
}

void EntryTreeModel::EmitAllChanged() {
  const std::uint32_t roots = ChildCount(kNoItem);
  if (roots == 0) return;
  emit dataChanged(IndexOf(ChildAt(kNoItem, 0)), IndexOf(ChildAt(kNoItem, roots - 1)), {Qt::CheckStateRole});
  for (std::uint32_t row = 0; row < roots; ++row) EmitSubtreeChanged(ChildAt(kNoItem, row));
}

}  // namespace cfv

namespace cfv {

void EntryTreeModel::SetDragWriter(DragJob::Writer writer) { dragWriter_ = std::move(writer); }

QStringList EntryTreeModel::mimeTypes() const { return {QStringLiteral("text/uri-list")}; }

Qt::DropActions EntryTreeModel::supportedDragActions() const { return Qt::CopyAction; }

std::shared_ptr<DragJob> EntryTreeModel::MakeDragJob(const QModelIndexList& indexes) const {
  if (!dragWriter_) return nullptr;
  // In the system's temporary folder, never the current one; file managers
  // may copy after the drop has ended, so it stays until the program ends.
  if (!dragFolder_) dragFolder_ = std::make_unique<QTemporaryDir>();
  if (!dragFolder_->isValid()) return nullptr;
  const std::filesystem::path base(QFile::encodeName(dragFolder_->path()).toStdString());
  std::vector<DragJob::Item> items;
  for (const QModelIndex& index : indexes) {
    const ItemId item = ItemOf(index);
    if (item == kNoItem || tree_.Parent(item) == kNoItem) continue;
    const std::filesystem::path folder = base / std::to_string(++drags_);
    std::error_code error;
    if (std::filesystem::create_directory(folder, error)) items.push_back({item, folder});
  }
  if (items.empty()) return nullptr;
  // A copy: the window's tree may grow while the job writes.
  return std::make_shared<DragJob>(tree_, std::move(items), dragWriter_);
}

DragJob::DragJob(EntryTree tree, std::vector<Item> items, Writer writer)
    : tree_(std::move(tree)), items_(std::move(items)), writer_(std::move(writer)) {}

void DragJob::Run(JobContext& context) {
  for (const Item& item : items_) {
    if (context.Cancelled()) return;
    for (std::filesystem::path& path : writer_(tree_, item.item, item.folder, context))
      written_.push_back(std::move(path));
  }
}

}  // namespace cfv

namespace cfv {

std::uint32_t EntryTreeModel::SubtreeSize(ItemId item) const {
  std::uint32_t count = 0;
  tree_.ForEachPreOrder(item, [&](ItemId, unsigned) { ++count; });
  return count;
}

void EntryTreeModel::ChangeRows(const std::function<void()>& begin, const std::function<void()>& change,
                                const std::function<void()>& end) {
  if (!filter_) {
    begin();
    change();
    end();
  } else {
    // The filter was made for the tree as it was: matched afresh, in one
    // reset (the filter box expands what it shows again).
    beginResetModel();
    change();
    filter_ = std::make_unique<EntryFilter>(filter_->Pattern());
    filter_->Extend(tree_);
    filter_->Publish(tree_);
    endResetModel();
  }
  emit Edited();
}

std::uint32_t EntryTreeModel::RemoveItem(ItemId item) {
  const ItemId parent = tree_.Parent(item);
  const auto row = static_cast<int>(tree_.Row(item));
  ChangeRows([&] { beginRemoveRows(IndexOf(parent), row, row); },
             [&] {
               tree_.Detach(item);
               detachedItems_ += SubtreeSize(item);
               children_.erase(parent);
               if (parent == kNoItem) roots_.erase(roots_.begin() + row);
             },
             [&] { endRemoveRows(); });
  return static_cast<std::uint32_t>(row);
}

void EntryTreeModel::RestoreItem(ItemId item, ItemId parent, std::uint32_t row) {
  const auto at = static_cast<int>(row);
  ChangeRows([&] { beginInsertRows(IndexOf(parent), at, at); },
             [&] {
               tree_.Attach(item, parent, row);
               detachedItems_ -= SubtreeSize(item);
               children_.erase(parent);
               if (parent == kNoItem) roots_.insert(roots_.begin() + at, item);
             },
             [&] { endInsertRows(); });
}

ItemId EntryTreeModel::AddItems(ItemId parent, const std::function<ItemId(EntryTree&)>& build) {
  const auto row = static_cast<int>(tree_.ChildCount(parent));
  ItemId added = kNoItem;
  ChangeRows([&] { beginInsertRows(IndexOf(parent), row, row); },
             [&] {
               added = build(tree_);
               children_.erase(parent);
             },
             [&] { endInsertRows(); });
  return added;
}

void EntryTreeModel::RenameItem(ItemId item, std::string_view text) {
  ChangeRows([] {}, [&] { tree_.SetText(item, text); },
             [&] {
               const QModelIndex at = IndexOf(item);
               if (at.isValid()) emit dataChanged(at, at, {Qt::DisplayRole});
             });
}

void EntryTreeModel::SetModified(ItemId root, bool modified) {
  if (modified == modified_.contains(root)) return;
  if (modified)
    modified_.insert(root);
  else
    modified_.erase(root);
  const QModelIndex at = IndexOf(root);
  if (at.isValid()) emit dataChanged(at, at, {Qt::DisplayRole, Qt::FontRole});
}

}  // namespace cfv
