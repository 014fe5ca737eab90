// For drag_out_test.sh: make FILE EXPECTED (a custom file, what a drag of its
// entries gives); source FILE (the main window; prints where the entries' rows
// are); target FOLDER (a window copying what is dropped on it into FOLDER).
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QTreeView>
#include <cstdio>

#include "app/main_frame.h"
#include "containers/ui/drop_loader.h"
#include "containers/ui/entry_tree_model.h"
#include "custom_file_builder.h"

namespace fs = std::filesystem;
using namespace cfv;

class DropTarget : public QWidget {
 public:
  explicit DropTarget(fs::path folder) : folder_(std::move(folder)) { setAcceptDrops(true); }
  void dragEnterEvent(QDragEnterEvent* event) override { event->acceptProposedAction(); }
  void dropEvent(QDropEvent* event) override {
    for (const QUrl& url : event->mimeData()->urls()) {
      const fs::path from = url.toLocalFile().toStdString();
      fs::copy(from, folder_ / from.filename(), fs::copy_options::recursive);
    }
    event->acceptProposedAction();
  }

 private:
  fs::path folder_;
};

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const std::string mode = argv[1];
  const fs::path path = argv[2];
  if (mode == "make") {
    const std::string bmp = test::MakeBmp(2, 2);
    test::WriteFile(path, test::Serialize({test::Leaf("face.bm", test::Zlib(bmp)),
                                           test::Branch("sub.npc", {test::Leaf("line.t", "hello")})}));
    test::WriteFile(fs::path(argv[3]) / "face.bmp", bmp);
    test::WriteFile(fs::path(argv[3]) / "sub/line.txt", "hello");
    return 0;
  }
  if (mode == "target") {
    fs::create_directories(path);
    DropTarget target(path);
    target.setWindowTitle("cfv drop target");
    target.resize(200, 200);
    target.show();
    return app.exec();
  }
  CMainFrame frame(FrameEnvironment{[] { return std::string("en-US"); }, path.parent_path() / "s.ini"});
  frame.show();
  frame.LoadPaths({path});
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!frame.Loader().IsIdle() || frame.Model().rowCount() == 0) return;
    poll.stop();
    frame.TreeView().expandAll();
    for (int row : {0, 1}) {
      const QRect rect = frame.TreeView().visualRect(frame.Model().index(row, 0, frame.Model().index(0, 0)));
      const QPoint at = frame.TreeView().viewport()->mapTo(&frame, rect.center());
      std::printf("%d %d\n", at.x(), at.y());
    }
    std::fflush(stdout);
  });
  poll.start(50);
  return app.exec();
}
