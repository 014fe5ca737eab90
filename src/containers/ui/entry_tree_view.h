// CEntryTreeView: the view of the entry tree in the main window's left pane.
//
// A QTreeView that leaves the current item to the user. Qt's item views make
// the first row current whenever they get the focus other than by a mouse
// click (the progress dialog closing, Tab), and a new current item starts a
// preview; this view never does: the current item and the selection change
// only by the user's clicks and keys.
//
// Thread: UI thread only.
#pragma once

#include <QTreeView>

namespace cfv {

class CEntryTreeView : public QTreeView {
  Q_OBJECT

 public:
  explicit CEntryTreeView(QWidget* parent = nullptr);

 protected:
  void focusInEvent(QFocusEvent* event) override;
};

}  // namespace cfv
