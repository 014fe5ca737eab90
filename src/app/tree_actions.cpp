#include "app/tree_actions.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QTreeView>

#include "app/main_frame.h"
#include "common/ui/file_dialog.h"
#include "common/ui/message_box.h"
#include "common/ui/ui_text.h"
#include "containers/ui/entry_tree_model.h"
#include "export/item_export.h"
#include "export/ui/export_command.h"

namespace cfv {
namespace {

std::filesystem::path ToPath(const QString& name) { return QFile::encodeName(name).toStdString(); }

}  // namespace

CTreeActions::CTreeActions(CMainFrame& frame) : QObject(&frame), frame_(frame) {}

std::unique_ptr<QMenu> CTreeActions::MakeMenu(ItemId item) {
  if (item == kNoItem) return nullptr;
  const UiLanguage language = frame_.Language();
  auto menu = std::make_unique<QMenu>();
  auto add = [&](const char* name, const Bilingual& text, auto&& run) {
    QAction* action = menu->addAction(UiText(text, language));
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this, [run, item] { run(item); });
    return action;
  };
  switch (ExportOffered(frame_.Model().Tree(), item)) {
    case ItemExport::kEntry:
      add("exportEntry", texts::kTreeExportEntry, [this](ItemId id) { ExportEntry(id); });
      menu->addSeparator();
      break;
    case ItemExport::kBranch:
      add("exportBranch", texts::kTreeExportBranch, [this](ItemId id) { ExportBranch(id); });
      menu->addSeparator();
      break;
    case ItemExport::kNone:
      break;
  }
  EntryTreeModel& model = frame_.Model();
  add("checkSubtree", texts::kTreeCheckSubtree, [&model](ItemId id) { model.SetSubtreeChecked(id, true); });
  add("uncheckSubtree", texts::kTreeUncheckSubtree,
      [&model](ItemId id) { model.SetSubtreeChecked(id, false); });
  menu->addSeparator();
  const bool hasChildren = model.hasChildren(model.IndexOf(item));
  add("expandAll", texts::kTreeExpandAll, [this](ItemId id) { ExpandAllBelow(id); })->setEnabled(hasChildren);
  add("collapseAll", texts::kTreeCollapseAll, [this](ItemId id) {
    CollapseAllBelow(id);
  })->setEnabled(hasChildren);
  menu->addSeparator();
  add("copyName", texts::kTreeCopyName, [this](ItemId id) { CopyName(id); });
  return menu;
}

QString CTreeActions::StartFolder(ItemId item) const {
  if (!lastFolder_.isEmpty()) return lastFolder_;
  const EntryTree& tree = frame_.Model().Tree();
  return QFileInfo(ToQString(tree.Text(tree.RootOf(item)))).absolutePath();
}

void CTreeActions::ExportEntry(ItemId item) {
  const EntryTree& tree = frame_.Model().Tree();
  if (ExportOffered(tree, item) != ItemExport::kEntry) return;
  const UiLanguage language = frame_.Language();
  EntryForExport entry = ReadEntryForExport(tree, item);
  if (!entry.extracted) {
    ShowReadErrorBox(frame_.Context(), entry.extracted.systemError);
    return;
  }
  QWidget* active = QApplication::activeWindow();
  QFileDialog dialog(active != nullptr ? active : &frame_, UiText(texts::kExportEntryCaption, language));
  SetUpFileDialog(dialog, QFileDialog::AnyFile, language);
  dialog.setDirectory(StartFolder(item));
  dialog.selectFile(ToQString(entry.fileName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const QString chosen = dialog.selectedFiles().front();
  lastFolder_ = QFileInfo(chosen).absolutePath();
  const EntryData& data = *entry.extracted.data;
  if (!WriteFileReplacing(ToPath(chosen), data.data(), data.size())) {
    ShowMessageBox(&frame_, QMessageBox::Critical, frame_.ProgramTitle(),
                   UiFormat(texts::kExportWriteError, language, {ToPath(chosen).string()}), QMessageBox::Ok);
  }
}

void CTreeActions::ExportBranch(ItemId item) {
  const EntryTree& tree = frame_.Model().Tree();
  if (ExportOffered(tree, item) != ItemExport::kBranch) return;
  const UiLanguage language = frame_.Language();
  QWidget* active = QApplication::activeWindow();
  QFileDialog dialog(active != nullptr ? active : &frame_, UiText(texts::kExportBranchCaption, language));
  SetUpFileDialog(dialog, QFileDialog::Directory, language);
  dialog.setDirectory(StartFolder(item));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const QString chosen = dialog.selectedFiles().front();
  lastFolder_ = chosen;
  RunExportJob(frame_.Context(), std::make_shared<ExportJob>(tree, SubtreeOptions(item, ToPath(chosen))),
               ToPath(chosen));
}

void CTreeActions::ExpandAllBelow(ItemId item) {
  frame_.TreeView().expandRecursively(frame_.Model().IndexOf(item));
}

void CTreeActions::CollapseAllBelow(ItemId item) {
  EntryTreeModel& model = frame_.Model();
  QTreeView& view = frame_.TreeView();
  model.Tree().ForEachPreOrder(item, [&](ItemId id, unsigned) {
    if (model.Tree().HasChildren(id)) view.collapse(model.IndexOf(id));
  });
}

void CTreeActions::CopyName(ItemId item) {
  QGuiApplication::clipboard()->setText(ToQString(frame_.Model().Tree().Text(item)));
}

}  // namespace cfv
