// CFileEditor: changing custom files in the window. The Edit menu's and the
// tree's edits (Replace Entry, Add Files, Add Folder, Remove, Rename), Undo
// and Redo, File > Save and Save As.
//
// Every edit goes through the core's FileEdits of its custom file (opened at
// the file's first edit), which checks it when it is made and keeps the
// writer's intended tree; a refused edit shows its reason in a message box
// and changes nothing. A made edit shows in the tree at once (the model's
// edit calls) and is one command on the file's QUndoStack; the stacks are
// in one QUndoGroup whose active stack follows the current item's file.
// The data of a replacing or added file is read when the edit is made and
// held by the tree (EntryTree::Held), so previews, exports and drags show
// it, never the bytes still on disk.
//
// A custom file whose stack is not clean is modified: its root item is
// marked and Modified() changes. Saving writes through the core writer off
// the UI thread behind a progress dialog (SaveRunner), then renews the
// file's items (offsets, held data) in place, so expansion, selection and
// check marks stay, and clears the file's stack. A file changed on disk
// since it was loaded is not overwritten: the user may Save As or Reload.
//
// Thread: UI thread.
#pragma once

#include <QObject>
#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "common/texts.h"
#include "common/ui/ui_context.h"
#include "containers/entry_tree.h"
#include "edit/file_edits.h"

class QAction;
class QMenu;
class QTreeView;
class QUndoGroup;
class QUndoStack;
class QWidget;

namespace cfv {

class EntryTreeModel;

// Runs `work` off the UI thread behind a progress dialog captioned
// `caption`; `work` gets the flag that Cancel sets. Returns when it ended.
using SaveRunner =
    std::function<void(const QString& caption, const std::function<void(const std::atomic<bool>&)>& work)>;

class CFileEditor : public QObject {
  Q_OBJECT

 public:
  struct Host {
    EntryTreeModel& model;
    QTreeView& view;
    QWidget& window;  // owns the dialogs and message boxes
    UiLanguage language;
    // Loads a custom file again as a drop of it would (Reload).
    std::function<void(const std::filesystem::path&)> load;
    // What the save's progress dialog is made with, at the time.
    std::function<UiContext()> context;
  };
  explicit CFileEditor(Host host, QObject* parent = nullptr);
  ~CFileEditor() override;

  // The Edit menu's actions, acting on the tree's current item, and Save /
  // Save As for the File menu. Delete, F2 and the undo keys work only while
  // the tree has the focus.
  QAction& ReplaceAction() const { return *replace_; }
  QAction& AddFilesAction() const { return *addFiles_; }
  QAction& AddFolderAction() const { return *addFolder_; }
  QAction& RemoveAction() const { return *remove_; }
  QAction& RenameAction() const { return *rename_; }
  QAction& UndoAction() const { return *undo_; }
  QAction& RedoAction() const { return *redo_; }
  QAction& SaveAction() const { return *save_; }
  QAction& SaveAsAction() const { return *saveAs_; }
  QUndoGroup& UndoGroup() const { return *group_; }
  // The file's undo stack; nullptr before its first edit.
  QUndoStack* StackOf(ItemId root) const;
  // Adds the edits that fit `item` to the tree's context menu.
  void AddToMenu(QMenu& menu, ItemId item);
  // The current item changed: actions enabled for it, its file's stack active.
  void Follow(ItemId item);

  // The edits themselves, as the actions make them once their dialogs
  // have answered. False when refused (the message was shown) or not
  // offered for the item.
  bool ReplaceEntry(ItemId leaf, const std::filesystem::path& file);
  bool AddFiles(ItemId parent, const std::vector<std::filesystem::path>& files);
  bool AddFolder(ItemId parent, const std::filesystem::path& folder);
  bool Remove(ItemId item);
  bool Rename(ItemId item, const QString& name);

  // Saves every modified custom file; false when one was not saved.
  bool SaveAll();
  // Saves the custom file of `item` as `target`; false when not saved.
  bool SaveAs(ItemId item, const std::filesystem::path& target);
  // The root items with unsaved edits.
  std::vector<ItemId> ModifiedRoots() const;
  // Closing: with unsaved edits asks Save / Discard / Cancel. True when the
  // window may close.
  bool MayClose();
  // A branch's payload length as the edits make it (nothing when the file
  // has no edits there: the header on disk tells).
  std::optional<std::uint64_t> EditedBranchLength(ItemId branch) const;

 signals:
  // An edit, undo, redo or save changed what the tree shows.
  void Changed();
  // The number of modified custom files may have changed.
  void ModifiedChanged();

 private:
  struct Session {
    std::unique_ptr<FileEdits> edits;
    QUndoStack* stack = nullptr;
  };
  // The session of `root`, opened at need; nullptr (said why) when the file
  // cannot be edited.
  Session* SessionFor(ItemId root);
  bool Refused(const EditRefusal& refusal);
  // Marks the file's branches whose bytes on disk differ from the tree's.
  void MarkUnsaved(Session& session);
  QString RefusalText(const EditRefusal& refusal) const;
  void Push(Session& session, const QString& text, std::function<void()> redoTree,
            std::function<void()> redoModel, std::function<void()> undoTree, std::function<void()> undoModel);
  // Appends the items of `node`'s subtree below `parent`, as the edit made
  // them; the item of `node`.
  ItemId AddItemsOf(Session& session, FileEdits::NodeId node, ItemId parent);
  bool SaveRoot(ItemId root, const std::filesystem::path& target);
  void Reload(ItemId root);
  void OnReplace();
  void OnAddFiles();
  void OnAddFolder();
  void OnSaveAs();
  ItemId Current() const;
  QString StartFolder(ItemId item) const;
  void ShowMessage(const QString& text);

  Host host_;
  QUndoGroup* group_ = nullptr;
  QAction* replace_ = nullptr;
  QAction* addFiles_ = nullptr;
  QAction* addFolder_ = nullptr;
  QAction* remove_ = nullptr;
  QAction* rename_ = nullptr;
  QAction* undo_ = nullptr;
  QAction* redo_ = nullptr;
  QAction* save_ = nullptr;
  QAction* saveAs_ = nullptr;
  std::unordered_map<ItemId, std::unique_ptr<Session>> sessions_;
};

}  // namespace cfv
