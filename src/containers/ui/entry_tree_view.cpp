#include "containers/ui/entry_tree_view.h"

#include <QDrag>
#include <QFile>
#include <QMimeData>
#include <QUrl>

#include "containers/ui/entry_tree_model.h"

namespace cfv {

CEntryTreeView::CEntryTreeView(QWidget* parent) : QTreeView(parent) {}

void CEntryTreeView::focusInEvent(QFocusEvent* event) {
  // What the item view's own focus-in does, less making a row current: the
  // focus frame is drawn again, and no item is edited in place, so no input
  // method is needed.
  QAbstractScrollArea::focusInEvent(event);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  viewport()->update();
}

std::unique_ptr<QMimeData> CEntryTreeView::PrepareDrag() {
  auto* entries = qobject_cast<EntryTreeModel*>(model());
  if (entries == nullptr || !dragRunner_ || preparing_) return nullptr;
  QModelIndexList indexes;
  for (const QModelIndex& index : selectedIndexes())
    if (entries->flags(index) & Qt::ItemIsDragEnabled) indexes << index;
  std::shared_ptr<DragJob> job = entries->MakeDragJob(indexes);
  if (!job) return nullptr;
  preparing_ = true;
  const bool ran = dragRunner_(job);
  preparing_ = false;
  if (!ran || job->Written().empty()) return nullptr;
  QList<QUrl> urls;
  for (const std::filesystem::path& path : job->Written())
    urls << QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(path.native())));
  auto mime = std::make_unique<QMimeData>();
  mime->setUrls(urls);
  return mime;
}

void CEntryTreeView::startDrag(Qt::DropActions supportedActions) {
  const QModelIndex current = currentIndex();
  std::unique_ptr<QMimeData> mime = PrepareDrag();
  if (!mime) return;
  auto* drag = new QDrag(this);
  drag->setMimeData(mime.release());
  // The row dragged, as it looks.
  const QRect row = visualRect(current).intersected(viewport()->rect());
  if (!row.isEmpty()) {
    drag->setPixmap(viewport()->grab(row));
    drag->setHotSpot(QPoint(row.width() / 2, row.height() / 2));
  }
  drag->exec(supportedActions & Qt::CopyAction, Qt::CopyAction);
}

}  // namespace cfv
