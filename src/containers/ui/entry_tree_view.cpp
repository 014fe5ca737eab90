#include "containers/ui/entry_tree_view.h"

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

}  // namespace cfv
