// CEntryTreeView: the view of the entry tree in the main window's left pane.
//
// A QTreeView that leaves the current item to the user. Qt's item views make
// the first row current whenever they get the focus other than by a mouse
// click (the progress dialog closing, Tab), and a new current item starts a
// preview; this view never does: the current item and the selection change
// only by the user's clicks and keys.
//
// Dragging rows out: the model's DragJob writes the rows' files through the
// drag runner the owner sets (off the UI thread, the window repainting);
// only once it has run to its end does the drag start, carrying the file
// URLs of what it wrote. Cancelled, failed or with nothing written, nothing
// drags. Without a drag runner nothing drags.
//
// Thread: UI thread only.
#pragma once

#include <QTreeView>
#include <functional>
#include <memory>

#include "common/job.h"

class QMimeData;

namespace cfv {

class CEntryTreeView : public QTreeView {
  Q_OBJECT

 public:
  // Runs a drag's job and returns once it has ended: true when it ran to
  // its end.
  using DragRunner = std::function<bool(std::shared_ptr<Job> job)>;

  explicit CEntryTreeView(QWidget* parent = nullptr);
  void SetDragRunner(DragRunner runner) { dragRunner_ = std::move(runner); }

  // The selected rows that drag, written as files: what a drag of them
  // carries (file URLs); nullptr when nothing drags. The drag runs this.
  std::unique_ptr<QMimeData> PrepareDrag();

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void startDrag(Qt::DropActions supportedActions) override;

 private:
  DragRunner dragRunner_;
  bool preparing_ = false;
};

}  // namespace cfv
