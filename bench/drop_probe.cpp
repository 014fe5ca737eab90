// cfv-drop-probe: measures a drop on the real main window, and makes the
// corpus to measure it with. Not a test; run by hand or from a script.
//
//   cfv-drop-probe make-corpus DIR FILES ENTRIES
//       writes FILES custom files into DIR holding ENTRIES entries in all
//       (branches of about 50 leaves each; small stored payloads).
//   cfv-drop-probe core-only PATH...
//       the same load through the core alone, without window or thread.
//   cfv-drop-probe [--locale NAME] [--hold-ms N] [--fixed-column] PATH...
//       shows the main window, drops PATHs on it (drag enter, then drop) and
//       prints, once the load has ended: the time from the drop to the last
//       file in the tree and to the progress dialog's close, the close time
//       without the worker's closing pause, the number of root items and of
//       all items, and the process's resident memory. --hold-ms keeps the
//       window up that long afterwards (for screenshots). --fixed-column
//       stops the tree's column from being sized to its contents, to show
//       what that sizing costs.
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QMimeData>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "containers/load_job.h"
#include "containers/ui/drop_loader.h"
#include "containers/ui/entry_tree_model.h"
#include "containers/ui/wait_dlg.h"
#include "custom_file_builder.h"

namespace {

using cfv::test::Branch;
using cfv::test::Entry;
using cfv::test::Leaf;

int MakeCorpus(const std::filesystem::path& dir, long files, long entries) {
  constexpr long kLeavesPerBranch = 49;
  std::filesystem::create_directories(dir);
  long made = 0;
  for (long f = 0; f < files; ++f) {
    // Spread the entries evenly; each branch counts itself and its leaves.
    long left = entries * (f + 1) / files - entries * f / files;
    std::vector<Entry> top;
    for (long b = 0; left > 0; ++b) {
      if (left == 1) {
        top.push_back(Leaf("readme.txt", "a single leaf"));
        left = 0;
        break;
      }
      std::vector<Entry> leaves;
      const long count = std::min(kLeavesPerBranch, left - 1);
      for (long i = 0; i < count; ++i) {
        const std::string name =
            (i % 7 == 0 ? "画像" : "entry") + std::to_string(i) + (i % 3 ? ".txt" : ".bmp");
        leaves.push_back(Leaf(name, std::string(16 + (i * 37) % 200, static_cast<char>('a' + i % 26))));
      }
      top.push_back(Branch("pack" + std::to_string(b) + ".cmp", std::move(leaves)));
      left -= count + 1;
    }
    made += entries * (f + 1) / files - entries * f / files;
    char name[32];
    std::snprintf(name, sizeof name, "custom%05ld.god", f);
    cfv::test::WriteFile(dir / name, cfv::test::Serialize(top));
  }
  std::printf("made %ld files with %ld entries in %s\n", files, made, dir.c_str());
  return 0;
}

long ResidentKib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 4 && args[0] == "make-corpus") {
    return MakeCorpus(args[1], std::stol(args[2]), std::stol(args[3]));
  }
  if (args.size() >= 2 && args[0] == "core-only") {
    // The same load without the window: the core's own time.
    struct Count : cfv::LoadObserver {
      void FileLoaded(cfv::EntryTree&& tree) override { items += tree.Size(); }
      long items = 0;
    } count;
    std::vector<std::filesystem::path> corePaths(args.begin() + 1, args.end());
    cfv::LoadControl control;
    QElapsedTimer coreClock;
    coreClock.start();
    cfv::LoadDroppedPaths(corePaths, control, count);
    std::printf("core_load_ms=%lld items=%ld\n", static_cast<long long>(coreClock.elapsed()), count.items);
    return 0;
  }
  std::string locale = "en-US";
  int holdMs = 0;
  bool fixedColumn = false;
  std::vector<std::filesystem::path> paths;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--locale" && i + 1 < args.size()) {
      locale = args[++i];
    } else if (args[i] == "--fixed-column") {
      fixedColumn = true;
    } else if (args[i] == "--hold-ms" && i + 1 < args.size()) {
      holdMs = std::stoi(args[++i]);
    } else {
      paths.emplace_back(args[i]);
    }
  }
  if (paths.empty()) {
    std::fprintf(stderr,
                 "usage: cfv-drop-probe make-corpus DIR FILES ENTRIES\n"
                 "       cfv-drop-probe [--locale NAME] [--hold-ms N] PATH...\n");
    return 2;
  }

  QApplication app(argc, argv);
  cfv::FrameEnvironment environment;
  environment.systemLocaleName = [locale] { return locale; };
  environment.settingsFile = "drop-probe-settings.ini";
  cfv::CMainFrame frame(environment);
  // For comparison: the tree's column not sized to its contents on every
  // insertion (which lays out the text of up to 1000 rows each time).
  if (fixedColumn) frame.TreeView().header()->setSectionResizeMode(QHeaderView::Interactive);
  frame.show();

  QElapsedTimer clock;
  qint64 lastFileMs = -1;
  qint64 closedMs = -1;
  QObject::connect(&frame.Model(), &QAbstractItemModel::rowsInserted, [&](const QModelIndex& parent) {
    if (!parent.isValid()) lastFileMs = clock.elapsed();
  });
  QObject::connect(&frame.Loader(), &cfv::DropLoader::LoadEnded,
                   [&] { QTimer::singleShot(holdMs, &app, &QApplication::quit); });

  QTimer::singleShot(300, &frame, [&] {
    auto* mime = new QMimeData;
    QList<QUrl> urls;
    for (const auto& path : paths) urls << QUrl::fromLocalFile(QString::fromStdString(path.string()));
    mime->setUrls(urls);
    const QPoint centre(frame.width() / 2, frame.height() / 2);
    QDragEnterEvent enter(centre, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&frame, &enter);
    clock.start();
    QDropEvent drop(centre, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&frame, &drop);
    delete mime;
    QObject::connect(frame.Loader().Dialog(), &QDialog::finished, [&] { closedMs = clock.elapsed(); });
  });
  app.exec();

  const auto& tree = frame.Model().Tree();
  std::printf("drop_to_last_file_ms=%lld\n", static_cast<long long>(lastFileMs));
  std::printf("drop_to_dialog_closed_ms=%lld\n", static_cast<long long>(closedMs));
  std::printf("closed_minus_pause_ms=%lld\n",
              static_cast<long long>(closedMs - cfv::LoadJob::kClosingPause.count()));
  std::printf("root_items=%d\n", frame.Model().rowCount());
  std::printf("items=%u\n", tree.Size());
  std::printf("rss_kib=%ld\n", ResidentKib());
  return 0;
}
