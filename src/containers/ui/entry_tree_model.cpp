#include "containers/ui/entry_tree_model.h"

#include <QString>

namespace cfv {

EntryTreeModel::EntryTreeModel(QObject* parent) : QAbstractItemModel(parent) {}

ItemId EntryTreeModel::AppendFileTree(EntryTree&& tree) {
  const std::uint32_t newRoots = tree.ChildCount(kNoItem);
  if (newRoots == 0) return tree_.Size();
  const std::uint32_t oldRoots = tree_.ChildCount(kNoItem);
  const ItemId oldLastRoot = tree_.LastRoot();
  beginInsertRows(QModelIndex(), static_cast<int>(oldRoots), static_cast<int>(oldRoots + newRoots) - 1);
  ItemId base = 0;
  if (tree_.Empty()) {
    tree_ = std::move(tree);  // the first file: take it whole, no copy
  } else {
    base = tree_.AppendTree(tree);
  }
  // The root ids by row, kept complete: a view lays out every root row after
  // each insertion, so asking for one must cost a vector index, no more.
  for (ItemId r = oldLastRoot == kNoItem ? tree_.FirstRoot() : tree_.NextSibling(oldLastRoot); r != kNoItem;
       r = tree_.NextSibling(r)) {
    roots_.push_back(r);
  }
  endInsertRows();
  return base;
}

ItemId EntryTreeModel::ItemOf(const QModelIndex& index) const {
  return index.isValid() ? static_cast<ItemId>(index.internalId()) : kNoItem;
}

QModelIndex EntryTreeModel::IndexOf(ItemId item) const {
  if (item == kNoItem || item >= tree_.Size()) return QModelIndex();
  return createIndex(static_cast<int>(tree_.Row(item)), 0, static_cast<quintptr>(item));
}

ItemId EntryTreeModel::ChildAt(ItemId parent, std::uint32_t row) const {
  const std::uint32_t count = tree_.ChildCount(parent);
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
  return static_cast<int>(tree_.ChildCount(ItemOf(parent)));
}

int EntryTreeModel::columnCount(const QModelIndex& /*parent*/) const { return 1; }

bool EntryTreeModel::hasChildren(const QModelIndex& parent) const {
  if (!parent.isValid()) return tree_.FirstRoot() != kNoItem;
  if (parent.column() != 0) return false;
  return tree_.HasChildren(ItemOf(parent));
}

QVariant EntryTreeModel::data(const QModelIndex& index, int role) const {
  const ItemId item = ItemOf(index);
  if (item == kNoItem) return QVariant();
  switch (role) {
    case Qt::DisplayRole: {
      const std::string_view text = tree_.Text(item);
      return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    }
    case Qt::CheckStateRole:
      return tree_.IsChecked(item) ? Qt::Checked : Qt::Unchecked;
    default:
      return QVariant();
  }
}

bool EntryTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  const ItemId item = ItemOf(index);
  if (item == kNoItem || role != Qt::CheckStateRole) return false;
  // Unchecked only for the unchecked state; any other state checks.
  SetChecked(item, value.value<Qt::CheckState>() != Qt::Unchecked);
  return true;
}

Qt::ItemFlags EntryTreeModel::flags(const QModelIndex& index) const {
  const ItemId item = ItemOf(index);
  if (item == kNoItem) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
  if (!tree_.HasChildren(item)) f |= Qt::ItemNeverHasChildren;
  return f;
}

void EntryTreeModel::SetChecked(ItemId item, bool checked) {
  if (item == kNoItem || item >= tree_.Size() || tree_.IsChecked(item) == checked) return;
  tree_.SetSubtreeChecked(item, checked);
  const QModelIndex at = IndexOf(item);
  emit dataChanged(at, at, {Qt::CheckStateRole});
  EmitSubtreeChanged(item);
}

void EntryTreeModel::EmitSubtreeChanged(ItemId item) {
  const QList<int> roles{Qt::CheckStateRole};
  tree_.ForEachPreOrder(item, [&](ItemId id, unsigned) {
    if (!tree_.HasChildren(id)) return;
    const ItemId first = tree_.FirstChild(id);
    const ItemId last = tree_.LastChild(id);
    emit dataChanged(createIndex(0, 0, static_cast<quintptr>(first)),
                     createIndex(static_cast<int>(tree_.Row(last)), 0, static_cast<quintptr>(last)), roles);
  });
}

}  // namespace cfv
