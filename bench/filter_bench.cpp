// cfv-bench-filter: the filter box over a million entries in the real main
// window (offscreen). Not a test; bench/run runs it.
//
// The tree holds 500 files of 2,000 entries each (branches nesting some of
// them), as the load job hands them over; one entry in a hundred has
// "match" in its name. For each query it types the query's last character
// into the filter box (the rest typed before, untimed) and measures, in
// milliseconds:
//   shown_ms    from the keystroke to the tree's viewport painted with the
//               result (the first paint after the model took the filter);
//   block_ms    the longest time the UI thread did not get back to its event
//               loop meanwhile (a timer ticking every millisecond sees the
//               gaps), until the filter has finished its work;
//   cpu_ms      the UI thread's own processor time from the keystroke to the
//               paint: what shown_ms would be on an idle machine.
// Queries: "match" (1% of the entries) and "." (every entry). Each is typed
// `--runs` times (default 3), the box cleared in between; prints the medians
// as `<query>.shown_ms=` and so on, and the number of matches seen.
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "containers/entry_filter.h"
#include "containers/ui/entry_filter_box.h"
#include "containers/ui/entry_tree_model.h"
#include "synthetic_tree.h"

namespace {

qint64 ThreadCpuNs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

using cfv::bench::kEntriesPerFile;
using cfv::bench::kFiles;
using cfv::bench::MakeFileTree;

// Watches the viewport's paints and the UI thread's gaps between timer ticks.
class Watch : public QObject {
 public:
  Watch(QWidget& viewport, const QAbstractItemModel& model) : viewport_(viewport) {
    viewport.installEventFilter(this);
    QObject::connect(&model, &QAbstractItemModel::modelReset, [this] { reset_ = true; });
    tick_.setInterval(1);
    QObject::connect(&tick_, &QTimer::timeout, [this] {
      const qint64 now = clock_.nsecsElapsed();
      longest_ = std::max(longest_, now - last_);
      last_ = now;
    });
  }
  void Start() {
    painted_ = -1;
    reset_ = false;
    cpuStart_ = ThreadCpuNs();
    longest_ = 0;
    clock_.start();
    last_ = 0;
    tick_.start();
  }
  qint64 painted_ = -1;    // ns after Start of the first paint, -1 before
  qint64 paintedCpu_ = 0;  // UI thread processor ns from Start to that paint
  qint64 cpuStart_ = 0;
  qint64 longest_ = 0;  // ns
  QElapsedTimer clock_;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == &viewport_ && event->type() == QEvent::Paint && reset_ && painted_ < 0) {
      painted_ = clock_.nsecsElapsed();
      paintedCpu_ = ThreadCpuNs() - cpuStart_;
    }
    return false;
  }

 private:
  QWidget& viewport_;
  bool reset_ = false;
  QTimer tick_;
  qint64 last_ = 0;
};

// Runs the event loop until `done` or `ms` have passed.
template <typename Done>
void RunUntil(Done done, int ms) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  int runs = 3;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--runs") == 0) runs = std::atoi(argv[i + 1]);
  cfv::FrameEnvironment env;
  env.systemLocaleName = [] { return std::string("en-US"); };
  env.settingsFile = "/nonexistent/cfv-bench-filter.ini";
  cfv::CMainFrame frame(env);
  frame.resize(1280, 800);
  frame.show();
  for (int f = 0; f < kFiles; ++f) frame.Model().AppendFileTree(MakeFileTree(f));
  RunUntil([] { return false; }, 300);
  QLineEdit& edit = frame.FilterBox().Edit();
  Watch watch(*frame.TreeView().viewport(), frame.Model());
  for (const char* query : {"match", "."}) {
    std::vector<double> shown, block, cpu;
    std::size_t matches = 0;
    for (int r = 0; r < runs; ++r) {
      edit.clear();
      RunUntil([] { return false; }, 200);
      const std::string text(query);
      edit.setText(QString::fromStdString(text.substr(0, text.size() - 1)));
      RunUntil([] { return false; }, 200);
      watch.Start();
      edit.insert(QString::fromStdString(text.substr(text.size() - 1)));  // the keystroke
      RunUntil([&] { return watch.painted_ >= 0; }, 10000);
      RunUntil([] { return false; }, 100);  // whatever the filter does after the first paint
      shown.push_back(static_cast<double>(watch.painted_) / 1e6);
      block.push_back(static_cast<double>(watch.longest_) / 1e6);
      cpu.push_back(static_cast<double>(watch.paintedCpu_) / 1e6);
      const cfv::EntryFilter* filter = frame.Model().Filter();
      matches = filter != nullptr ? filter->Matching().size() : 0;
    }
    std::sort(shown.begin(), shown.end());
    std::sort(block.begin(), block.end());
    std::sort(cpu.begin(), cpu.end());
    const std::string name = std::strcmp(query, ".") == 0 ? "all" : "one_percent";
    std::printf("%s.shown_ms=%.1f\n%s.block_ms=%.1f\n%s.cpu_ms=%.1f\n%s.matches=%zu\n", name.c_str(),
                shown[shown.size() / 2], name.c_str(), block[block.size() / 2], name.c_str(),
                cpu[cpu.size() / 2], name.c_str(), matches);
  }
  std::printf("entries=%u\n", frame.Model().Tree().Size() - kFiles);
  return 0;
}
