// The load worker: what it reports, in which order, on which thread, and how
// an abort stops it. Each test drops real files and folders from a temporary
// folder and records what reaches the UI thread.
#include "containers/ui/load_worker.h"

#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "custom_file_builder.h"
#include "held_load.h"

namespace cfv {
namespace {

using test::Leaf;

constexpr int kWaitMs = 60000;

// Records every report, as text, on the thread that receives it. A batch of
// files gives one line per file.
class Recorder : public LoadObserver {
 public:
  void FileLoaded(EntryTree&& tree) override {
    Note();
    for (ItemId root = tree.FirstRoot(); root != kNoItem; root = tree.NextSibling(root)) {
      std::string line = "file " + std::string(tree.Text(root));
      if (tree.HasChildren(root)) line += " [" + std::string(tree.Text(tree.FirstChild(root))) + "]";
      reports.push_back(line);
      ++files;
    }
    items += tree.Size();
    trees.push_back(std::move(tree));
  }
  void TotalCounted(std::int32_t done, std::int32_t total) override {
    Note();
    if (files != 0) totalAfterFiles = true;
    lastTotal = std::to_string(done) + "/" + std::to_string(total);
  }
  void DoneAdvanced(std::int32_t done, std::int32_t total) override {
    Note();
    lastDone = std::to_string(done) + "/" + std::to_string(total);
  }

  std::vector<std::string> reports;  // the files, in the order they arrived
  std::vector<EntryTree> trees;      // the batches
  std::atomic<std::uint32_t> files{0};
  std::atomic<std::uint32_t> items{0};
  std::string lastTotal;  // the counter as the last report of each kind left it
  std::string lastDone;
  bool totalAfterFiles = false;
  bool offUiThread = false;

 private:
  void Note() {
    if (QThread::currentThread() != QCoreApplication::instance()->thread()) offUiThread = true;
  }
};

// Runs one load to its end and returns the worker's control.
std::shared_ptr<LoadControl> RunLoad(const std::vector<std::filesystem::path>& paths, Recorder& recorder,
                                     const std::function<void(LoadControl&)>& beforeStart = {},
                                     LoadRoutine routine = {}) {
  auto control = std::make_shared<LoadControl>();
  LoadWorker worker(paths, control, recorder, nullptr, std::move(routine));
  if (beforeStart) beforeStart(*control);
  QSignalSpy finished(&worker, &QThread::finished);
  worker.start();
  if (!finished.wait(kWaitMs)) qFatal("the load worker did not end");
  if (!worker.HasEnded()) qFatal("finished without having ended");
  worker.Deliver();
  return control;
}

// The core's load, aborted by the worker thread itself right after its
// `files`-th loaded file.
LoadRoutine AbortAfter(int files) {
  return [files](const std::vector<std::filesystem::path>& paths, LoadControl& control, LoadObserver& next) {
    struct Aborter : LoadObserver {
      Aborter(LoadObserver& to, LoadControl& c, int n) : next(to), control(c), left(n) {}
      void FileLoaded(EntryTree&& tree) override {
        next.FileLoaded(std::move(tree));
        if (--left == 0) control.abortRequested.store(true);
      }
      void TotalCounted(std::int32_t d, std::int32_t t) override { next.TotalCounted(d, t); }
      void DoneAdvanced(std::int32_t d, std::int32_t t) override { next.DoneAdvanced(d, t); }
      LoadObserver& next;
      LoadControl& control;
      int left;
    } aborter(next, control, files);
    LoadDroppedPaths(paths, control, aborter);
  };
}

std::string FileReport(const std::filesystem::path& path, const std::string& entry) {
  return "file " + path.string() + " [" + entry + "]";
}

class LoadWorkerTest : public QObject {
  Q_OBJECT

 private slots:
  void FilesOnlyLoadInDropOrderWithoutCounting() {
    test::TempDir dir;
    test::WriteSingleEntryFile(dir / "b.god", "B");
    test::WriteFile(dir / "notes.god", "plain text, no entry header here at all, none whatsoever.");
    test::WriteSingleEntryFile(dir / "a.npc", "A");
    test::WriteFile(dir / "empty.item", "");
    Recorder recorder;
    RunLoad({dir / "b.god", dir / "notes.god", dir / "missing.cwd", dir / "a.npc", dir / "empty.item"},
            recorder);
    QCOMPARE(recorder.reports,
             (std::vector<std::string>{FileReport(dir / "b.god", "B"), FileReport(dir / "a.npc", "A")}));
    // No counting and no progress report: the counter stays at 0/0.
    QVERIFY(recorder.lastTotal.empty() && recorder.lastDone.empty());
    QVERIFY(!recorder.offUiThread);
  }

  // Files arrive in load order, whatever the batches; every count comes
  // before the first file, and the last count of each kind reaches the UI.
  void FilesAndCountsInOrder_data() {
    QTest::addColumn<QStringList>("files");  // under the temporary folder
    QTest::addColumn<QStringList>("dropped");
    QTest::addColumn<QStringList>("loaded");
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("done");
    // F holds a, b and S; S holds c, d and T; T holds e.
    const QStringList example{"F/a", "F/b", "F/S/c", "F/S/d", "F/S/T/e"};
    QTest::newRow("worked example") << example << QStringList{"F"} << example << "0/6"
                                    << "6/6";
    const QStringList deep{"t/a", "t/s/a", "t/s/s/a", "t/s/s/s/a", "t/s/s/s/s/a", "t/s/s/s/s/s/a"};
    QTest::newRow("six levels, four loaded") << deep << QStringList{"t"} << deep.mid(0, 4) << "0/4"
                                             << "4/4";
    QTest::newRow("two folders, one file not custom")
        << QStringList{"one/x", "two/y"} << QStringList{"one", "two"} << QStringList{"one/x", "two/y"}
        << "0/3"
        << "3/3";
  }
  void FilesAndCountsInOrder() {
    QFETCH(QStringList, files);
    QFETCH(QStringList, dropped);
    QFETCH(QStringList, loaded);
    QFETCH(QString, total);
    QFETCH(QString, done);
    test::TempDir dir;
    for (const QString& f : files) test::WriteSingleEntryFile(dir / f.toStdString(), f.toStdString());
    test::WriteFile(dir / "two" / "z.txt", "z");
    std::vector<std::filesystem::path> paths;
    for (const QString& d : dropped) paths.push_back(dir / d.toStdString());
    std::vector<std::string> expected;
    for (const QString& f : loaded) expected.push_back(FileReport(dir / f.toStdString(), f.toStdString()));
    Recorder recorder;
    RunLoad(paths, recorder);
    QCOMPARE(recorder.reports, expected);
    QCOMPARE(QString::fromStdString(recorder.lastTotal), total);
    QCOMPARE(QString::fromStdString(recorder.lastDone), done);
    QVERIFY(!recorder.totalAfterFiles);
    QVERIFY(!recorder.offUiThread);
  }

  // An abort after any file keeps exactly the files loaded before it, in
  // order; the rest of the drop is not loaded.
  void AbortAfterAnyFileKeepsWhatWasLoaded() {
    test::TempDir dir;
    for (const char* name : {"a", "b", "c"}) test::WriteSingleEntryFile(dir / "F" / name, name);
    test::WriteSingleEntryFile(dir / "later.god", "later");
    const std::vector<std::string> all{FileReport(dir / "F" / "a", "a"), FileReport(dir / "F" / "b", "b"),
                                       FileReport(dir / "F" / "c", "c"),
                                       FileReport(dir / "later.god", "later")};
    for (int files = 1; files <= 4; ++files) {
      Recorder recorder;
      const auto control = RunLoad({dir / "F", dir / "later.god"}, recorder, {}, AbortAfter(files));
      QVERIFY(control->abortRequested.load());
      QCOMPARE(recorder.reports, std::vector<std::string>(all.begin(), all.begin() + files));
    }
    // Aborted before the first step: nothing at all.
    Recorder recorder;
    RunLoad({dir / "F", dir / "later.god"}, recorder,
            [](LoadControl& control) { control.abortRequested.store(true); });
    QVERIFY(recorder.reports.empty());
  }

  // The worker runs ahead of the UI thread by at most kBufferLimit items:
  // with the UI thread busy, it waits once its buffer is over the limit, and
  // goes on once the UI thread has taken it.
  void TheBufferIsBounded() {
    test::TempDir dir;
    constexpr int kFiles = 4;
    constexpr std::uint32_t kEntries = LoadWorker::kBufferLimit / 3 + 1;  // three files pass the limit
    const std::string file = test::Serialize(std::vector<test::Entry>(kEntries, Leaf("e", "x")));
    std::vector<std::filesystem::path> paths;
    for (int i = 0; i < kFiles; ++i) {
      paths.push_back(dir / ("f" + std::to_string(i)));
      test::WriteFile(paths.back(), file);
    }
    Recorder recorder;
    std::atomic<int> entered{0};  // files the core has handed to the worker
    std::atomic<bool> uiTakes{false};
    std::atomic<bool> ranAhead{false};
    LoadRoutine routine = [&](const std::vector<std::filesystem::path>& p, LoadControl& control,
                              LoadObserver& next) {
      struct Counter : LoadObserver {
        Counter(LoadObserver& to, std::atomic<int>& n, std::atomic<bool>& ui, std::atomic<bool>& ahead)
            : next(to), entered(n), uiTakes(ui), ranAhead(ahead) {}
        void FileLoaded(EntryTree&& tree) override {
          if (entered.fetch_add(1) == 3 && !uiTakes.load()) ranAhead.store(true);
          next.FileLoaded(std::move(tree));
        }
        LoadObserver& next;
        std::atomic<int>& entered;
        std::atomic<bool>& uiTakes;
        std::atomic<bool>& ranAhead;
      } counter(next, entered, uiTakes, ranAhead);
      LoadDroppedPaths(p, control, counter);
    };
    auto control = std::make_shared<LoadControl>();
    LoadWorker worker(paths, control, recorder, nullptr, routine);
    QSignalSpy finished(&worker, &QThread::finished);
    worker.start();
    // The UI thread takes nothing until the third file is in the buffer.
    while (entered.load() < 3) std::this_thread::yield();
    uiTakes.store(true);
    QVERIFY(finished.wait(kWaitMs));
    worker.Deliver();
    QVERIFY(!ranAhead.load());
    QCOMPARE(recorder.files.load(), std::uint32_t{kFiles});
    QCOMPARE(recorder.items.load(), kFiles * (kEntries + 1));
  }

  // The handed-over tree is the whole file: root, entries, offsets.
  void TheTreeArrivesWhole() {
    test::TempDir dir;
    test::WriteFile(dir / "x.god", test::Serialize({test::Branch("pack.cmp", {Leaf("in.txt", "hello")}),
                                                    Leaf("out.bmp", test::MakeBmp(2, 2))}));
    Recorder recorder;
    RunLoad({dir / "x.god"}, recorder);
    QCOMPARE(recorder.trees.size(), std::size_t{1});
    const EntryTree& tree = recorder.trees[0];
    std::vector<std::string> seen;
    tree.ForEachPreOrder(kNoItem, [&](ItemId id, unsigned depth) {
      seen.push_back(std::to_string(depth) + ":" + std::string(tree.Text(id)) + "@" +
                     std::to_string(tree.Data(id)));
    });
    QCOMPARE(seen, (std::vector<std::string>{"0:" + (dir / "x.god").string() + "@0", "1:pack.cmp@0",
                                             "2:in.txt@50", "1:out.bmp@105"}));
  }

  // Destroying a worker that is still loading aborts it and returns once its
  // thread has stopped; nothing reaches the UI afterwards.
  void DestroyingARunningWorkerStopsIt() {
    test::TempDir dir;
    for (int i = 0; i < 50; ++i) test::WriteSingleEntryFile(dir / "F" / ("f" + std::to_string(100 + i)), "e");
    Recorder recorder;
    auto control = std::make_shared<LoadControl>();
    auto worker = std::make_unique<LoadWorker>(std::vector<std::filesystem::path>{dir / "F"}, control,
                                               recorder, nullptr, test::HoldUntilAborted(5));
    worker->start();
    QTRY_VERIFY_WITH_TIMEOUT(recorder.files.load() >= 5, kWaitMs);
    worker.reset();
    QVERIFY(control->abortRequested.load());
    const auto files = recorder.files.load();
    QCoreApplication::processEvents();
    QCOMPARE(recorder.files.load(), files);
    QVERIFY(files < 50);
    QVERIFY(!recorder.offUiThread);
  }
};

}  // namespace
}  // namespace cfv

QTEST_GUILESS_MAIN(cfv::LoadWorkerTest)
#include "load_worker_test.moc"
