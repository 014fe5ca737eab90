// cfv-screenshot: renders the main window, the Configuration dialog or the
// About dialog to a PNG, in a language given on the command line, for the
// README and for looking at the windows (scripts/screenshots runs it under
// xvfb-run). The program itself takes its language from the system only;
// this tool hands the main window a locale name instead.
//
//   cfv-screenshot --locale ja-JP --shot main|config|about --out FILE.png
//                  [--settings FILE.ini] [--load CUSTOMFILE]...
//
// --load puts custom files into the tree with the core loader (the main
// window's own drop handling is not used), so the picture shows a tree.
// The main window is grabbed alone; a dialog is grabbed with the whole
// screen, so its place over the main window shows.
#include <QApplication>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QTreeView>
#include <cstdio>
#include <string>
#include <vector>

#include "containers/loader.h"
#include "containers/ui/entry_tree_model.h"
#include "shell/ui/run.h"

namespace {

struct Options {
  std::string locale = "en-US";
  std::string shot = "main";
  QString out = QStringLiteral("shot.png");
  std::string settings = "screenshot-settings.ini";
  std::vector<std::string> loads;
};

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
    } else {
      return false;
    }
  }
  return options.shot == "main" || options.shot == "config" || options.shot == "about";
}

bool SaveScreen(const QString& out) {
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr && screen->grabWindow(0).save(out);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: cfv-screenshot --locale NAME --shot main|config|about --out FILE.png "
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
    frame.TreeView().expandToDepth(1);
    if (frame.Model().rowCount() > 0) {
      const QModelIndex first = frame.Model().index(0, 0);
      frame.Model().setData(first, Qt::Checked, Qt::CheckStateRole);
    }
    QTimer::singleShot(600, &frame, [&] {
      if (options.shot == "main") {
        saved = frame.grab().save(options.out);
        frame.close();
        return;
      }
      // The dialog runs modally; grab the screen while it is up, then close it.
      QTimer::singleShot(600, &frame, [&] {
        saved = SaveScreen(options.out);
        if (QWidget* dialog = QApplication::activeModalWidget()) dialog->close();
      });
      if (options.shot == "config") {
        frame.OnOptionConfiguration();
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
