// cfv-screenshot: renders the main window, the Configuration, Configure
// Export or About dialog to a PNG, in a language given on the command line, for the
// README and for looking at the windows (scripts/screenshots runs it under
// xvfb-run). The program itself takes its language from the system only;
// this tool hands the main window a locale name instead.
//
//   cfv-screenshot --locale ja-JP --shot
//   main|config|about|export|message|finished|font|filter|hex|menu|status|
//   editmenu|modified|close|live
//                  --out FILE.png
//                  [--settings FILE.ini] [--sample DIR] [--load CUSTOMFILE]...
//
// --sample writes a small made-up custom file into DIR and loads it;
// --load loads existing custom files. Both use the core loader directly
// (not the window's drop handling), so the picture shows a tree. The
// picture is the main window's area of the screen, title bar included when
// a window manager runs; a dialog shows centred over it. menu is the entry
// tree's context menu on a branch, status the status bar describing a
// selected bitmap; editmenu the Edit menu after an edit, modified the window
// with unsaved edits (a removed and a renamed entry), close the question
// closing it then asks; live leaves the window up, with nothing saved, for a
// driver such as xdotool to work it.
#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeView>
#include <QUndoGroup>
#include <QUndoStack>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/run.h"
#include "containers/loader.h"
#include "containers/ui/entry_filter_box.h"
#include "containers/ui/entry_tree_model.h"
#include "edit/ui/file_editor.h"
#include "export/ui/export_command.h"
#include "export/ui/export_progress.h"
#include "preview/ui/preview_panes.h"
#include "settings/ui/option_config_dlg.h"

namespace {

struct Options {
  std::string locale = "en-US";
  std::string shot = "main";
  QString out = QStringLiteral("shot.png");
  std::string settings = "screenshot-settings.ini";
  std::vector<std::string> loads;
};

// A custom file entry: 40 bytes of name, 10 bytes of decimal size (header
// included), then the payload (for a container, its entries).
std::string Entry(const std::string& name, const std::string& payload) {
  std::string header(50, '\0');
  header.replace(0, std::min<std::size_t>(name.size(), 40), name.substr(0, 40));
  const std::string size = std::to_string(payload.size() + 50);
  header.replace(40, size.size(), size);
  return header + payload;
}

std::string MakeSample(const std::string& dir) {
  const std::string bmp = "BM" + std::string(60, '\0');
  const std::string motion = Entry("walk.bmp", bmp) + Entry("run.bmp", bmp) + Entry("jump.bmp", bmp);
  const std::string chara = Entry("profile.txt", "name=Tazor\r\n") + Entry("face.bmp", bmp) +
                            Entry("motion.cmp", motion) + Entry("voice.wav", "RIFF" + std::string(40, '\0'));
  const std::string file = Entry("chara.npc", chara) + Entry("bgm.mid", "MThd" + std::string(20, '\0')) +
                           Entry("readme.txt", "hi\r\n");
  const std::string path = dir + "/sample.god";
  std::ofstream(path, std::ios::binary) << file;
  return path;
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) return false;
    const std::string value = argv[++i];
    if (arg == "--locale") {
      options.locale = value;
    } else if (arg == "--shot") {
      options.shot = value;
    } else if (arg == "--out") {
      options.out = QString::fromStdString(value);
    } else if (arg == "--settings") {
      options.settings = value;
    } else if (arg == "--load") {
      options.loads.push_back(value);
    } else if (arg == "--sample") {
      options.loads.push_back(MakeSample(value));
    } else {
      return false;
    }
  }
  return options.shot == "main" || options.shot == "config" || options.shot == "about" ||
         options.shot == "export" || options.shot == "message" || options.shot == "finished" ||
         options.shot == "progress" || options.shot == "failure" || options.shot == "font" ||
         options.shot == "filter" || options.shot == "hex" || options.shot == "menu" ||
         options.shot == "status" || options.shot == "editmenu" || options.shot == "modified" ||
         options.shot == "close" || options.shot == "live";
}

// The screen's pixels where `window` is, frame included, and the modal
// dialog over it where that reaches beyond it.
bool SaveWindowArea(const QWidget& window, const QString& out) {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return false;
  QRect area = window.frameGeometry();
  if (const QWidget* dialog = QApplication::activeModalWidget()) area |= dialog->frameGeometry();
  area &= screen->geometry();
  return screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(out);
}

// Undoes every edit, so that closing asks nothing.
void UndoAll(cfv::CMainFrame& frame) {
  for (QUndoStack* stack : frame.Editor().UndoGroup().stacks())
    while (stack->canUndo()) stack->undo();
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(
        stderr,
        "usage: cfv-screenshot --locale NAME --shot "
        "main|config|about|export|message|finished|progress|failure|font|filter|hex|menu|status|editmenu|"
        "modified|close|live "
        "--out FILE.png "
        "[--settings FILE] [--load FILE]...\n");
    return 2;
  }
  QApplication app(argc, argv);
  cfv::FrameEnvironment env;
  env.systemLocaleName = [locale = options.locale] { return locale; };
  env.settingsFile = options.settings;

  bool saved = false;
  cfv::Run(env, [&](cfv::CMainFrame& frame) {
    for (const std::string& path : options.loads) {
      cfv::EntryTree tree;
      if (cfv::LoadCustomFile(path, path, tree)) frame.Model().AppendFileTree(std::move(tree));
    }
    frame.TreeView().expandAll();
    // Check the first container: its whole subtree follows.
    if (frame.Model().rowCount() > 0) {
      const QModelIndex first = frame.Model().index(0, 0, frame.Model().index(0, 0));
      frame.Model().setData(first, Qt::Checked, Qt::CheckStateRole);
    }
    if (options.shot == "filter") frame.FilterBox().Edit().setText(QStringLiteral("*.bmp"));
    if (options.shot == "hex" && frame.Model().rowCount() > 0) {
      // The last entry of the sample (readme.txt) as a hex dump.
      const QModelIndex root = frame.Model().index(0, 0);
      frame.TreeView().setCurrentIndex(frame.Model().index(frame.Model().rowCount(root) - 1, 0, root));
      frame.PreviewPanes().ViewAsHex().setChecked(true);
    }
    const QModelIndex chara = frame.Model().index(0, 0, frame.Model().index(0, 0));
    if (options.shot == "status" && chara.isValid())
      frame.TreeView().setCurrentIndex(frame.Model().index(1, 0, chara));  // face.bmp
    // Unsaved edits: bgm.mid removed, readme.txt renamed, readme selected.
    const bool edits = options.shot == "editmenu" || options.shot == "modified" || options.shot == "close";
    const QModelIndex top = frame.Model().index(0, 0);
    if (edits && frame.Model().rowCount(top) == 3) {
      const cfv::ItemId readme = frame.Model().ItemOf(frame.Model().index(2, 0, top));
      frame.Editor().Remove(frame.Model().ItemOf(frame.Model().index(1, 0, top)));
      frame.Editor().Rename(readme, QStringLiteral("notes.txt"));
      frame.TreeView().setCurrentIndex(frame.Model().IndexOf(readme));
      frame.TreeView().setFocus();
    }
    // live: the window stays for a driver (xdotool) until it is closed.
    saved = options.shot == "live";
    if (saved) return;
    QTimer::singleShot(600, &frame, [&, chara] {
      if (options.shot == "menu") {
        // The menu runs modally; grab the screen while it is up, then close it.
        QTimer::singleShot(600, &frame, [&] {
          saved = SaveWindowArea(frame, options.out);
          if (QWidget* menu = QApplication::activePopupWidget()) menu->close();
        });
        const QRect row = frame.TreeView().visualRect(chara);
        emit frame.TreeView().customContextMenuRequested(row.center() + QPoint(row.width() / 4, 0));
        frame.close();
        return;
      }
      if (options.shot == "editmenu") {
        QTimer::singleShot(600, &frame, [&] {
          saved = SaveWindowArea(frame, options.out);
          if (QWidget* menu = QApplication::activePopupWidget()) menu->close();
          UndoAll(frame);
          frame.close();
        });
        auto* edit = frame.findChild<QMenu*>(QStringLiteral("editMenu"));
        frame.menuBar()->setActiveAction(edit->menuAction());
        return;
      }
      if (options.shot == "close") {
        QTimer::singleShot(600, &frame, [&] {
          saved = SaveWindowArea(frame, options.out);
          if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->button(QMessageBox::Discard)->click();
        });
        frame.close();
        return;
      }
      if (options.shot == "main" || options.shot == "filter" || options.shot == "hex" ||
          options.shot == "status" || options.shot == "modified") {
        saved = SaveWindowArea(frame, options.out);
        UndoAll(frame);
        frame.close();
        return;
      }
      // The dialog runs modally; grab the screen while it is up, then close it.
      QTimer::singleShot(600, &frame, [&] {
        saved = SaveWindowArea(frame, options.out);
        if (QWidget* dialog = QApplication::activeModalWidget()) dialog->close();
      });
      if (options.shot == "config") {
        frame.OnOptionConfiguration();
      } else if (options.shot == "export") {
        frame.OnFileExport();  // closing the dialog cancels: nothing is written
      } else if (options.shot == "message") {
        // The overwrite question, as an export asks it; closing it answers No.
        cfv::ExportBoxes(frame.Context()).AskOverwrite("Tazor/Custom/sample/readme.txt");
      } else if (options.shot == "finished") {
        // An export that kept one file and wrote the rest into a folder
        // beside the sample.
        cfv::ExportSummary summary;
        summary.written = 12;
        summary.declined = 1;
        cfv::ExportBoxes(frame.Context()).ShowFinished(summary, std::filesystem::current_path());
      } else if (options.shot == "failure") {
        // A write failure, with its check box for the rest of the export.
        cfv::ExportBoxes(frame.Context())
            .ShowFailure({cfv::ExportFailure::Kind::kWrite, "Tazor/Custom/sample/readme.txt", 0});
      } else if (options.shot == "progress") {
        // An export half-way through, as its job reports it.
        cfv::CExportProgressDlg progress(frame.Context());
        progress.ShowProgress({1000, 2400, "chara/hero/face_normal_01.bm"});
        // Closing asks the export to stop and leaves the dialog up; the job's
        // end is what closes it.
        QTimer::singleShot(900, &progress, &cfv::CExportProgressDlg::JobEnded);
        progress.exec();
      } else if (options.shot == "font") {
        (void)cfv::ChooseFontWithDialog(frame.Fonts().general, &frame, frame.ScreenDpi());
      } else {
        frame.OnHelpAbout();
      }
      frame.close();
    });
  });
  if (!saved)
    std::fprintf(stderr, "cfv-screenshot: could not save %s\n", options.out.toLocal8Bit().constData());
  return saved ? 0 : 1;
}
