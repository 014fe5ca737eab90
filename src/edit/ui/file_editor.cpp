#include "edit/ui/file_editor.h"

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QUndoGroup>
#include <QUndoStack>

#include "common/ui/file_dialog.h"
#include "common/ui/job_runner.h"
#include "common/ui/message_box.h"
#include "common/ui/ui_text.h"
#include "containers/cp932.h"
#include "containers/entry_header.h"
#include "containers/extract.h"
#include "containers/ui/entry_tree_model.h"
#include "edit/ui/save_progress.h"
#include "edit/write_target.h"

namespace cfv {
namespace {

using NodeId = FileEdits::NodeId;
using Kind = EditRefusal::Kind;

std::filesystem::path ToPath(const QString& name) { return QFile::encodeName(name).toStdString(); }

// One edit on a file's undo stack. Pushing it runs redo() at once: the
// edit is in the intended tree already (FileEdits made and checked it), so
// the first run shows it in the tree only.
class EditCommand final : public QUndoCommand {
 public:
  EditCommand(const QString& text, std::function<void()> redoTree, std::function<void()> redoModel,
              std::function<void()> undoTree, std::function<void()> undoModel, std::function<void()> after)
      : QUndoCommand(text),
        redoTree_(std::move(redoTree)),
        redoModel_(std::move(redoModel)),
        undoTree_(std::move(undoTree)),
        undoModel_(std::move(undoModel)),
        after_(std::move(after)) {}

  void redo() override {
    if (!first_) redoTree_();
    first_ = false;
    redoModel_();
    after_();
  }
  void undo() override {
    undoTree_();
    undoModel_();
    after_();
  }

 private:
  bool first_ = true;
  std::function<void()> redoTree_, redoModel_, undoTree_, undoModel_, after_;
};

const Bilingual& NameProblemWords(NameProblem problem) {
  switch (problem) {
    case NameProblem::kEmpty:
      return texts::kNameEmpty;
    case NameProblem::kTooLong:
      return texts::kNameTooLong;
    case NameProblem::kControlByte:
      return texts::kNameControl;
    case NameProblem::kSeparator:
      return texts::kNameSeparator;
    case NameProblem::kNoCp932Form:
    case NameProblem::kNone:
      break;
  }
  return texts::kNameNoCp932;
}

}  // namespace

CFileEditor::CFileEditor(Host host, QObject* parent) : QObject(parent), host_(std::move(host)) {
  const UiLanguage language = host_.language;
  group_ = new QUndoGroup(this);
  auto make = [&](const char* name, const Bilingual& text, QList<QKeySequence> keys, bool treeOnly,
                  void (CFileEditor::*slot)()) {
    auto* action = new QAction(UiText(text, language), this);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcuts(keys);
    if (treeOnly) {
      // The filter line has keys of its own (Delete, Ctrl+Z): these act on
      // the tree only while it has the focus.
      action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
      host_.view.addAction(action);
    }
    if (slot != nullptr) connect(action, &QAction::triggered, this, slot);
    return action;
  };
  replace_ = make("replaceEntry", texts::kMenuEditReplace, {}, false, &CFileEditor::OnReplace);
  addFiles_ = make("addFiles", texts::kMenuEditAddFiles, {}, false, &CFileEditor::OnAddFiles);
  addFolder_ = make("addFolder", texts::kMenuEditAddFolder, {}, false, &CFileEditor::OnAddFolder);
  remove_ = make("removeEntry", texts::kMenuEditRemove, {QKeySequence::Delete}, true, nullptr);
  connect(remove_, &QAction::triggered, this, [this] { Remove(Current()); });
  rename_ = make("renameEntry", texts::kMenuEditRename, {Qt::Key_F2}, true, nullptr);
  connect(rename_, &QAction::triggered, this, [this] { host_.view.edit(host_.model.IndexOf(Current())); });
  save_ = make("save", texts::kMenuFileSave, {QKeySequence::Save}, false, nullptr);
  connect(save_, &QAction::triggered, this, [this] { SaveAll(); });
  saveAs_ = make("saveAs", texts::kMenuFileSaveAs, {QKeySequence::SaveAs}, false, &CFileEditor::OnSaveAs);
  undo_ = group_->createUndoAction(this, UiText(texts::kMenuEditUndo, language));
  undo_->setObjectName(QStringLiteral("undo"));
  redo_ = group_->createRedoAction(this, UiText(texts::kMenuEditRedo, language));
  redo_->setObjectName(QStringLiteral("redo"));
  undo_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z)});
  redo_->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  for (QAction* action : {undo_, redo_}) {
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    host_.view.addAction(action);
  }
  // A name typed in the tree is taken once the view has closed its editor:
  // a refusal's box, or the reset an edit under a filter makes, must not
  // come while the view is still handing the text over.
  host_.model.SetRenamer([this](ItemId item, const QString& name) {
    QTimer::singleShot(0, this, [this, item, name] { Rename(item, name); });
    return true;
  });
  Follow(kNoItem);
}

// The model may be gone already (the window's children go in the order they
// were made): it is not touched.
CFileEditor::~CFileEditor() = default;

QUndoStack* CFileEditor::StackOf(ItemId root) const {
  const auto it = sessions_.find(root);
  return it == sessions_.end() ? nullptr : it->second->stack;
}

ItemId CFileEditor::Current() const { return host_.model.ItemOf(host_.view.currentIndex()); }

void CFileEditor::Follow(ItemId item) {
  const EntryTree& tree = host_.model.Tree();
  const bool any = item != kNoItem && item < tree.Size() && tree.IsLive(item);
  const bool entry = any && tree.Parent(item) != kNoItem;
  replace_->setEnabled(entry && !tree.HasChildren(item));
  addFiles_->setEnabled(any && (!entry || tree.HasChildren(item)));
  addFolder_->setEnabled(addFiles_->isEnabled());
  remove_->setEnabled(entry);
  rename_->setEnabled(entry);
  saveAs_->setEnabled(any);
  save_->setEnabled(!ModifiedRoots().empty());
  group_->setActiveStack(any ? StackOf(tree.RootOf(item)) : nullptr);
}

void CFileEditor::AddToMenu(QMenu& menu, ItemId item) {
  Follow(item);
  auto add = [&](QAction& shared, auto&& run) {
    QAction* action = menu.addAction(shared.text());
    action->setObjectName(shared.objectName());
    action->setEnabled(shared.isEnabled());
    action->setShortcuts(shared.shortcuts());
    connect(action, &QAction::triggered, this, [run, item] { run(item); });
  };
  add(*replace_, [this](ItemId id) {
    host_.view.setCurrentIndex(host_.model.IndexOf(id));
    OnReplace();
  });
  add(*addFiles_, [this](ItemId id) {
    host_.view.setCurrentIndex(host_.model.IndexOf(id));
    OnAddFiles();
  });
  add(*addFolder_, [this](ItemId id) {
    host_.view.setCurrentIndex(host_.model.IndexOf(id));
    OnAddFolder();
  });
  add(*remove_, [this](ItemId id) { Remove(id); });
  add(*rename_, [this](ItemId id) { host_.view.edit(host_.model.IndexOf(id)); });
  Follow(Current());
}

void CFileEditor::ShowMessage(const QString& text) {
  ShowMessageBox(&host_.window, QMessageBox::Warning, UiText(texts::kProgramTitle, host_.language), text,
                 QMessageBox::Ok);
}

QString CFileEditor::RefusalText(const EditRefusal& refusal) const {
  const UiLanguage language = host_.language;
  const std::string& subject = refusal.subject;
  const std::string reason = refusal.error != 0 ? std::strerror(refusal.error) : refusal.detail;
  switch (refusal.kind) {
    case Kind::kNone:
      break;
    case Kind::kCannotRead:
      return UiFormat(texts::kRefusedCannotRead, language, {subject, reason});
    case Kind::kNotCustomFile:
      return UiFormat(texts::kRefusedNotCustomFile, language, {subject});
    case Kind::kNotWellFormed:
      return UiFormat(texts::kRefusedNotWellFormed, language, {subject, refusal.detail});
    case Kind::kChangedOnDisk:
      return UiFormat(texts::kRefusedChangedOnDisk, language, {subject});
    case Kind::kLoadedTwice:
      return UiFormat(texts::kRefusedLoadedTwice, language, {subject});
    case Kind::kName:
      return UiFormat(texts::kRefusedName, language, {subject, NameProblemWords(refusal.name).In(language)});
    case Kind::kNameTaken:
      return UiFormat(texts::kRefusedNameTaken, language, {subject});
    case Kind::kReadsAsBranch:
      return UiFormat(texts::kRefusedReadsAsBranch, language, {subject});
    case Kind::kReadsInflated:
      return UiFormat(texts::kRefusedReadsInflated, language, {subject});
    case Kind::kReadsStored:
      return UiFormat(texts::kRefusedReadsStored, language, {subject});
    case Kind::kEmptyBranch:
      return UiFormat(texts::kRefusedEmptyBranch, language, {subject});
    case Kind::kEmptyFile:
      return UiFormat(texts::kRefusedEmptyFile, language, {subject});
    case Kind::kTooLarge:
      return UiFormat(texts::kRefusedTooLarge, language, {subject});
    case Kind::kTooDeep:
      return UiFormat(texts::kRefusedTooDeep, language, {subject});
    case Kind::kShortLeaf:
      return UiFormat(texts::kRefusedShortLeaf, language, {subject});
    case Kind::kPack:
      return UiFormat(texts::kRefusedPack, language, {subject, reason});
    case Kind::kWriter:
      return UiFormat(texts::kRefusedWriter, language, {subject, reason});
    case Kind::kCannotWrite:
      return UiFormat(texts::kRefusedCannotWrite, language, {subject, reason});
  }
  return QString();
}

bool CFileEditor::Refused(const EditRefusal& refusal) {
  if (!refusal) return false;
  ShowMessage(RefusalText(refusal));
  return true;
}

CFileEditor::Session* CFileEditor::SessionFor(ItemId root) {
  const EntryTree& tree = host_.model.Tree();
  const auto it = sessions_.find(root);
  if (it != sessions_.end()) {
    // Loaded again since its first edit: a save would leave the other stale.
    if (IsRootOfTree(tree, it->second->edits->Path(), root))
      return Refused({Kind::kLoadedTwice, it->second->edits->Path().string()}), nullptr;
    return it->second.get();
  }
  EditRefusal refusal;
  std::unique_ptr<FileEdits> edits = FileEdits::Open(tree, root, refusal);
  if (Refused(refusal)) return nullptr;
  auto session = std::make_unique<Session>();
  session->edits = std::move(edits);
  session->stack = new QUndoStack(this);
  group_->addStack(session->stack);
  connect(session->stack, &QUndoStack::cleanChanged, this, [this, root](bool clean) {
    host_.model.SetModified(root, !clean);
    save_->setEnabled(!ModifiedRoots().empty());
    emit ModifiedChanged();
  });
  Session* made = session.get();
  sessions_.emplace(root, std::move(session));
  Follow(Current());
  return made;
}

void CFileEditor::Push(Session& session, const QString& text, std::function<void()> redoTree,
                       std::function<void()> redoModel, std::function<void()> undoTree,
                       std::function<void()> undoModel) {
  session.stack->push(new EditCommand(text, std::move(redoTree), std::move(redoModel), std::move(undoTree),
                                      std::move(undoModel), [this, &session] {
                                        MarkUnsaved(session);
                                        Follow(Current());
                                        emit Changed();
                                      }));
}

void CFileEditor::MarkUnsaved(Session& session) {
  const FileEdits& edits = *session.edits;
  EntryTree& tree = host_.model.EditableTree();
  for (NodeId node = 1; node < edits.Tree().Size() && node < edits.ItemCount(); ++node) {
    const EditTree::Node& at = edits.Tree().At(node);
    if (at.branch && edits.ItemOf(node) != kNoItem) tree.SetUnsaved(edits.ItemOf(node), at.touched);
  }
}

bool CFileEditor::ReplaceEntry(ItemId item, const std::filesystem::path& file) {
  const EntryTree& tree = host_.model.Tree();
  if (item == kNoItem || tree.Parent(item) == kNoItem || tree.HasChildren(item)) return false;
  Session* session = SessionFor(tree.RootOf(item));
  if (session == nullptr) return false;
  FileEdits& edits = *session->edits;
  const NodeId node = edits.NodeOf(item);
  std::shared_ptr<const LeafContent> previous;
  if (Refused(edits.Replace(node, file, previous))) return false;
  std::shared_ptr<const LeafContent> content = edits.Tree().At(node).content;
  EntryTreeModel& model = host_.model;
  Push(
      *session, UiFormat(texts::kEditReplaceName, host_.language, {tree.Text(item)}),
      [&edits, node, content] { edits.Tree().SetContent(node, content); },
      [&model, item, content] { model.EditableTree().SetHeld(item, content); },
      [&edits, node, previous] { edits.Tree().SetContent(node, previous); },
      [&model, item, previous] { model.EditableTree().SetHeld(item, previous); });
  return true;
}

ItemId CFileEditor::AddItemsOf(Session& session, NodeId node, ItemId parent) {
  FileEdits& edits = *session.edits;
  return host_.model.AddItems(parent, [&](EntryTree& tree) {
    const bool checked = tree.IsChecked(parent);
    ItemId top = kNoItem;
    // In pre-order, so that every item comes after its parent and in the
    // order of its list.
    std::vector<std::pair<NodeId, ItemId>> stack{{node, parent}};
    while (!stack.empty()) {
      const auto [at, above] = stack.back();
      stack.pop_back();
      const EditTree::Node& added = edits.Tree().At(at);
      const ItemId item = tree.AppendItem(above, DecodeCp932(added.nameField));
      tree.SetChecked(item, checked);
      tree.SetHeld(item, added.content);
      edits.MapAdded(at, item);
      if (top == kNoItem) top = item;
      for (auto it = added.children.rbegin(); it != added.children.rend(); ++it)
        stack.emplace_back(*it, item);
    }
    return top;
  });
}

bool CFileEditor::AddFiles(ItemId parent, const std::vector<std::filesystem::path>& files) {
  const EntryTree& tree = host_.model.Tree();
  if (parent == kNoItem || files.empty() || (tree.Parent(parent) != kNoItem && !tree.HasChildren(parent)))
    return false;
  Session* session = SessionFor(tree.RootOf(parent));
  if (session == nullptr) return false;
  FileEdits& edits = *session->edits;
  const NodeId above = tree.Parent(parent) == kNoItem ? EditTree::kRoot : edits.NodeOf(parent);
  auto nodes = std::make_shared<std::vector<NodeId>>();
  auto items = std::make_shared<std::vector<ItemId>>();
  if (files.size() == 1 && std::filesystem::is_directory(files.front())) {
    NodeId added = 0;
    if (Refused(edits.AddFolder(above, files.front(), added))) return false;
    nodes->push_back(added);
  } else if (Refused(edits.AddFiles(above, files, *nodes))) {
    return false;
  }
  EntryTreeModel& model = host_.model;
  const std::string name =
      files.size() == 1 ? files.front().filename().string() : std::to_string(files.size()) + " files";
  Push(
      *session, UiFormat(texts::kEditAddName, host_.language, {name}),
      [&edits, nodes] {
        for (const NodeId node : *nodes) edits.Tree().Readd(node);
      },
      [this, session, &model, nodes, items, parent] {
        if (items->empty()) {
          for (const NodeId node : *nodes) items->push_back(AddItemsOf(*session, node, parent));
          return;
        }
        for (const ItemId item : *items) model.RestoreItem(item, parent, model.Tree().ChildCount(parent));
      },
      [&edits, nodes] {
        for (auto it = nodes->rbegin(); it != nodes->rend(); ++it) edits.Tree().Withdraw(*it);
      },
      [&model, items] {
        for (auto it = items->rbegin(); it != items->rend(); ++it) model.RemoveItem(*it);
      });
  return true;
}

bool CFileEditor::AddFolder(ItemId parent, const std::filesystem::path& folder) {
  return std::filesystem::is_directory(folder) && AddFiles(parent, {folder});
}

bool CFileEditor::Remove(ItemId item) {
  const EntryTree& tree = host_.model.Tree();
  if (item == kNoItem || tree.Parent(item) == kNoItem) return false;
  Session* session = SessionFor(tree.RootOf(item));
  if (session == nullptr) return false;
  FileEdits& edits = *session->edits;
  const NodeId node = edits.NodeOf(item);
  std::size_t index = 0;
  if (Refused(edits.Remove(node, index))) return false;
  EntryTreeModel& model = host_.model;
  const ItemId parent = tree.Parent(item);
  const auto row = static_cast<std::uint32_t>(index);
  Push(
      *session, UiFormat(texts::kEditRemoveName, host_.language, {tree.Text(item)}),
      [&edits, node] { edits.Tree().Remove(node); }, [&model, item] { model.RemoveItem(item); },
      [&edits, node, index] { edits.Tree().Restore(node, index); },
      [&model, item, parent, row] { model.RestoreItem(item, parent, row); });
  return true;
}

bool CFileEditor::Rename(ItemId item, const QString& name) {
  const EntryTree& tree = host_.model.Tree();
  if (item == kNoItem || tree.Parent(item) == kNoItem) return false;
  const std::string oldText(tree.Text(item));
  const QByteArray utf8 = name.toUtf8();
  if (utf8.toStdString() == oldText) return true;
  Session* session = SessionFor(tree.RootOf(item));
  if (session == nullptr) return false;
  FileEdits& edits = *session->edits;
  const NodeId node = edits.NodeOf(item);
  std::string oldField;
  bool wasRenamed = false;
  if (Refused(edits.Rename(node, std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())),
                           oldField, wasRenamed)))
    return false;
  const std::string newField = edits.Tree().At(node).nameField;
  // The name as the loader will read it back.
  const std::string newText = DecodeCp932(newField);
  EntryTreeModel& model = host_.model;
  Push(
      *session, UiFormat(texts::kEditRenameName, host_.language, {oldText}),
      [&edits, node, newField] { edits.Tree().Rename(node, newField); },
      [&model, item, newText] { model.RenameItem(item, newText); },
      [&edits, node, oldField, wasRenamed] { edits.Tree().Unrename(node, oldField, wasRenamed); },
      [&model, item, oldText] { model.RenameItem(item, oldText); });
  return true;
}

std::vector<ItemId> CFileEditor::ModifiedRoots() const {
  std::vector<ItemId> roots;
  const EntryTree& tree = host_.model.Tree();
  for (ItemId root = tree.FirstRoot(); root != kNoItem; root = tree.NextSibling(root))
    if (const QUndoStack* stack = StackOf(root); stack != nullptr && !stack->isClean()) roots.push_back(root);
  return roots;
}

std::optional<std::uint64_t> CFileEditor::EditedBranchLength(ItemId branch) const {
  const auto it = sessions_.find(host_.model.Tree().RootOf(branch));
  if (it == sessions_.end()) return std::nullopt;
  const EditTree& tree = it->second->edits->Tree();
  const NodeId node = it->second->edits->NodeOf(branch);
  if (!tree.At(node).touched) return std::nullopt;
  return tree.PlannedSize(node) - kEntryHeaderSize;
}

bool CFileEditor::SaveAll() {
  bool saved = true;
  for (const ItemId root : ModifiedRoots())
    saved = SaveRoot(root, sessions_.at(root)->edits->Path()) && saved;
  return saved;
}

bool CFileEditor::SaveAs(ItemId item, const std::filesystem::path& target) {
  const EntryTree& tree = host_.model.Tree();
  if (item == kNoItem) return false;
  const ItemId root = tree.RootOf(item);
  if (IsRootOfTree(tree, target, root)) {
    ShowMessage(UiFormat(texts::kSaveAsTargetOpen, host_.language, {target.string()}));
    return false;
  }
  return SessionFor(root) != nullptr && SaveRoot(root, target);
}

bool CFileEditor::SaveRoot(ItemId root, const std::filesystem::path& target) {
  Session& session = *sessions_.at(root);
  FileEdits& edits = *session.edits;
  const bool saveAs = FollowLinks(target) != FollowLinks(edits.Path());
  if (!saveAs && session.stack->isClean()) return true;
  auto job = std::make_shared<SaveJob>(edits, target);
  {
    CSaveProgressDlg progress(host_.context());
    JobRunner runner;
    if (runner.Run(job, {&progress, {}, {}}) != JobEnd::kDone) return false;
  }
  const FileEdits::SaveResult& result = job->Result();
  if (result.cancelled) return false;
  const UiLanguage language = host_.language;
  if (result.refusal.kind == Kind::kChangedOnDisk) {
    QMessageBox box(QMessageBox::Warning, UiText(texts::kProgramTitle, language),
                    UiFormat(texts::kSaveChangedOnDisk, language, {edits.Path().string()}),
                    QMessageBox::NoButton, &host_.window);
    QPushButton* saveAsButton =
        box.addButton(UiText(texts::kButtonSaveAs, language), QMessageBox::AcceptRole);
    saveAsButton->setObjectName(QStringLiteral("saveAsButton"));
    QPushButton* reload = box.addButton(UiText(texts::kButtonReload, language), QMessageBox::DestructiveRole);
    reload->setObjectName(QStringLiteral("reloadButton"));
    box.addButton(QMessageBox::Cancel);
    FitCaption(box, box.windowTitle());
    box.exec();
    if (box.clickedButton() == saveAsButton) {
      host_.view.setCurrentIndex(host_.model.IndexOf(root));
      OnSaveAs();
      return session.stack->isClean();
    }
    if (box.clickedButton() == reload) Reload(root);
    return false;
  }
  if (result.refusal) {
    ShowMessage(UiFormat(texts::kSaveFailed, language, {target.string()}) + RefusalText(result.refusal));
    return false;
  }
  EditRefusal reopen;
  const std::filesystem::path shown = saveAs ? target : edits.Path();
  if (!edits.Saved(result, shown, reopen)) Refused(reopen);
  // The file's items point into the new file; held data is on disk now.
  EntryTree& tree = host_.model.EditableTree();
  for (NodeId node = 0; node < edits.Tree().Size(); ++node) {
    const ItemId item = edits.ItemOf(node);
    if (item == kNoItem || edits.Tree().At(node).removed) continue;
    tree.SetData(item, static_cast<std::uint32_t>(result.offsets[node]));
    tree.SetHeld(item, nullptr);
  }
  MarkUnsaved(session);
  if (saveAs) host_.model.RenameItem(root, shown.native());
  session.stack->clear();
  host_.model.SetModified(root, false);
  save_->setEnabled(!ModifiedRoots().empty());
  emit ModifiedChanged();
  emit Changed();
  return true;
}

void CFileEditor::Reload(ItemId root) {
  const std::filesystem::path path(std::string(host_.model.Tree().Text(root)));
  const auto it = sessions_.find(root);
  if (it != sessions_.end()) {
    group_->removeStack(it->second->stack);
    delete it->second->stack;
    sessions_.erase(it);
  }
  host_.model.SetModified(root, false);
  host_.model.RemoveItem(root);
  emit ModifiedChanged();
  host_.load(path);
}

QString CFileEditor::StartFolder(ItemId item) const {
  const EntryTree& tree = host_.model.Tree();
  return QFileInfo(ToQString(tree.Text(tree.RootOf(item)))).absolutePath();
}

void CFileEditor::OnReplace() {
  const ItemId item = Current();
  if (!replace_->isEnabled() || item == kNoItem) return;
  QFileDialog dialog(&host_.window, UiText(texts::kReplaceCaption, host_.language));
  SetUpFileDialog(dialog, QFileDialog::ExistingFile, host_.language);
  dialog.setDirectory(StartFolder(item));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  ReplaceEntry(item, ToPath(dialog.selectedFiles().front()));
}

void CFileEditor::OnAddFiles() {
  const ItemId item = Current();
  if (!addFiles_->isEnabled() || item == kNoItem) return;
  QFileDialog dialog(&host_.window, UiText(texts::kAddFilesCaption, host_.language));
  SetUpFileDialog(dialog, QFileDialog::ExistingFiles, host_.language);
  dialog.setDirectory(StartFolder(item));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  std::vector<std::filesystem::path> files;
  for (const QString& name : dialog.selectedFiles()) files.push_back(ToPath(name));
  // A folder chosen here is added as Add Folder adds it only on its own.
  if (files.size() == 1 && std::filesystem::is_directory(files.front())) return;
  AddFiles(item, files);
}

void CFileEditor::OnAddFolder() {
  const ItemId item = Current();
  if (!addFolder_->isEnabled() || item == kNoItem) return;
  QFileDialog dialog(&host_.window, UiText(texts::kAddFolderCaption, host_.language));
  SetUpFileDialog(dialog, QFileDialog::Directory, host_.language);
  dialog.setDirectory(StartFolder(item));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  AddFolder(item, ToPath(dialog.selectedFiles().front()));
}

void CFileEditor::OnSaveAs() {
  const ItemId item = Current();
  if (item == kNoItem) return;
  const EntryTree& tree = host_.model.Tree();
  QFileDialog dialog(&host_.window, UiText(texts::kSaveAsCaption, host_.language));
  SetUpFileDialog(dialog, QFileDialog::AnyFile, host_.language);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  const QFileInfo file(ToQString(tree.Text(tree.RootOf(item))));
  dialog.setDirectory(file.absolutePath());
  dialog.selectFile(file.fileName());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  SaveAs(item, ToPath(dialog.selectedFiles().front()));
}

bool CFileEditor::MayClose() {
  const std::vector<ItemId> roots = ModifiedRoots();
  if (roots.empty()) return true;
  const UiLanguage language = host_.language;
  const QString text =
      roots.size() == 1
          ? UiFormat(texts::kCloseQuestionOne, language, {host_.model.Tree().Text(roots.front())})
          : UiFormat(texts::kCloseQuestionMany, language, {std::to_string(roots.size())});
  const int answer =
      ShowMessageBox(&host_.window, QMessageBox::Question, UiText(texts::kProgramTitle, language), text,
                     QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
  if (answer == QMessageBox::Save) return SaveAll();
  return answer == QMessageBox::Discard;
}

}  // namespace cfv
