// CTreeActions: the entry tree's context menu and what its items do.
//
// The menu for an item holds, in this order:
//   Export This Entry... (a leaf that is not a root item) or Export This
//     Branch... (an entry that holds entries), then a separator; a root item
//     has neither (File > Export serves it);
//   Check Subtree, Uncheck Subtree: the item and everything below it;
//   Expand All Below, Collapse All Below (enabled when the item shows
//     children);
//   Copy Name: the item's text to the clipboard.
// What an item offers and how it is exported are the export core's
// (ExportOffered, ReadEntryForExport, SubtreeOptions); this class only asks
// the user and wires the items to them.
//
// Export This Entry proposes, in a save dialog, the file name the export
// would write (extension corrected from the content); the dialog's own
// question is the only one about replacing a file, which is then replaced in
// one step. Export This Branch asks for a folder and exports the branch into
// it as File > Export lays it out (the branch's folder in the chosen one),
// as a job behind the export's progress dialog with its Cancel (the window
// repaints), with the export's overwrite question and messages in message
// boxes, and its finished message with the numbers and Open Folder for the
// chosen one.
//
// Thread: UI thread. The frame owns this object and outlives it.
#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "containers/entry_tree.h"
#include "export/export_options.h"

class QMenu;

namespace cfv {

class CMainFrame;

class CTreeActions : public QObject {
  Q_OBJECT

 public:
  explicit CTreeActions(CMainFrame& frame);

  // The context menu for `item` (nullptr for kNoItem). Each action's object
  // name says what it is: exportEntry, exportBranch, checkSubtree,
  // uncheckSubtree, expandAll, collapseAll, copyName.
  std::unique_ptr<QMenu> MakeMenu(ItemId item);

  void ExportEntry(ItemId item);
  void ExportBranch(ItemId item);
  void ExpandAllBelow(ItemId item);
  void CollapseAllBelow(ItemId item);
  void CopyName(ItemId item);

 private:
  // The folder the dialogs open in: the last one chosen, else the folder of
  // the item's custom file.
  QString StartFolder(ItemId item) const;

  CMainFrame& frame_;
  QString lastFolder_;
};

}  // namespace cfv
