// cfv-edit-probe: times changing a custom file on the real main window,
// offscreen. Not a test; run by bench/run or by hand.
//
//   cfv-edit-probe save FILE ENTRY NEW
//       loads FILE, replaces the entry at path ENTRY with the file NEW
//       (edit_ms: the edit, which first reads the file's headers once) and
//       runs File > Save: save_ms is Save triggered to the save's end (the
//       writer's check, write, read-back and replace, off the UI thread).
//   cfv-edit-probe remove FILE BRANCH
//       loads FILE, opens its edits with a rename undone (open_ms), then
//       removes the entry at path BRANCH (expanded) and undoes that: remove_ms and
//       undo_ms are each the UI thread's time from the command to the
//       window's events handled (the tree repainted), and entries the count
//       the status bar gives between them.
// A message box (a refused edit, a failed save) makes it fail.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <QTreeView>
#include <QUndoStack>
#include <cstdio>
#include <string>

#include "app/main_frame.h"
#include "containers/entry_pattern.h"
#include "containers/loader.h"
#include "containers/ui/entry_tree_model.h"
#include "edit/ui/file_editor.h"

namespace {

cfv::ItemId FindPath(const cfv::EntryTree& tree, const std::string& path) {
  cfv::ItemId found = cfv::kNoItem;
  tree.ForEachPreOrder(tree.FirstRoot(), [&](cfv::ItemId item, unsigned depth) {
    if (found == cfv::kNoItem && depth > 0 && cfv::EntryPathOf(tree, item) == path) found = item;
  });
  return found;
}

// The UI thread's time for `work` and the events it leaves (repaints), in
// milliseconds.
double Timed(const std::function<void()>& work) {
  QElapsedTimer clock;
  clock.start();
  work();
  QApplication::processEvents();
  return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (!((mode == "save" && argc == 5) || (mode == "remove" && argc == 4))) {
    std::fprintf(stderr, "usage: cfv-edit-probe save FILE ENTRY NEW | remove FILE BRANCH\n");
    return 2;
  }
  QApplication app(argc, argv);
  cfv::FrameEnvironment environment;
  environment.systemLocaleName = [] { return std::string("en-US"); };
  environment.settingsFile = "edit-probe-settings.ini";
  cfv::CMainFrame frame(environment);
  cfv::EntryTree loaded;
  if (!cfv::LoadCustomFile(argv[2], argv[2], loaded)) {
    std::fprintf(stderr, "cfv-edit-probe: %s is not a custom file\n", argv[2]);
    return 2;
  }
  frame.Model().AppendFileTree(std::move(loaded));
  frame.show();
  frame.TreeView().expand(frame.Model().index(0, 0));
  QApplication::processEvents();
  bool unexpected = false;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      unexpected = true;
      std::fprintf(stderr, "cfv-edit-probe: %s\n", qPrintable(box->text()));
      box->close();
    }
  });
  watch.start(5);
  cfv::CFileEditor& editor = frame.Editor();
  const cfv::ItemId item = FindPath(frame.Model().Tree(), argv[3]);
  if (item == cfv::kNoItem) {
    std::fprintf(stderr, "cfv-edit-probe: no entry %s\n", argv[3]);
    return 2;
  }
  if (mode == "save") {
    bool ok = false;
    const double editMs = Timed([&] { ok = editor.ReplaceEntry(item, argv[4]); });
    const double saveMs = Timed([&] { ok = ok && editor.SaveAll(); });
    std::printf("edit_ms=%.3f\nsave_ms=%.3f\n", editMs, saveMs);
    return ok && !unexpected ? 0 : 1;
  }
  const cfv::ItemId root = frame.Model().Tree().FirstRoot();
  const cfv::ItemId other = frame.Model().Tree().LastChild(root);
  const double openMs = Timed([&] { editor.Rename(other, QStringLiteral("probe-renamed")); });
  QUndoStack* stack = editor.StackOf(root);
  if (stack == nullptr) return 1;
  stack->undo();
  // The branch shown whole: the view has all its rows to drop.
  frame.TreeView().expand(frame.Model().IndexOf(item));
  QApplication::processEvents();
  const double removeMs = Timed([&] { editor.Remove(item); });
  const QString during = frame.StatusText();
  const double undoMs = Timed([&] { stack->undo(); });
  std::printf("open_ms=%.3f\nremove_ms=%.3f\nundo_ms=%.3f\nstatus=%s\n", openMs, removeMs, undoMs,
              qPrintable(during));
  const bool back = FindPath(frame.Model().Tree(), argv[3]) == item;
  return stack->count() == 1 && stack->index() == 0 && back && !unexpected ? 0 : 1;
}
