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
#include <vector>

#include "custom_file_builder.h"

namespace cfv {
namespace {

using test::Leaf;

constexpr int kWaitMs = 60000;

// Records every report, as text, on the thread that receives it.
class Recorder : public LoadObserver {
 public:
  void FileLoaded(EntryTree&& tree) override {
    Note();
    const ItemId root = tree.FirstRoot();
    std::string line = "file " + std::string(tree.Text(root));
    if (tree.HasChildren(root)) line += " [" + std::string(tree.Text(tree.FirstChild(root))) + "]";
    reports.push_back(line);
    trees.push_back(std::move(tree));
    if (onFile) onFile(trees.size());
  }
  void TotalCounted(std::int32_t done, std::int32_t total) override {
    Note();
    reports.push_back("total " + std::to_string(done) + "/" + std::to_string(total));
    if (onTotal) onTotal();
  }
  void DoneAdvanced(std::int32_t done, std::int32_t total) override {
    Note();
    reports.push_back("done " + std::to_string(done) + "/" + std::to_string(total));
  }

  std::vector<std::string> Files() const {
    std::vector<std::string> files;
    for (const auto& r : reports) {
      if (r.rfind("file ", 0) == 0) files.push_back(r);
    }
    return files;
  }

  std::vector<std::string> reports;
  std::vector<EntryTree> trees;
  bool offUiThread = false;
  std::function<void(std::size_t)> onFile;
  std::function<void()> onTotal;

 private:
  void Note() {
    if (QThread::currentThread() != QCoreApplication::instance()->thread()) offUiThread = true;
  }
};

// Runs one load to its end and returns the worker's control.
std::shared_ptr<LoadControl> RunLoad(const std::vector<std::filesystem::path>& paths, Recorder& recorder,
                                     const std::function<void(LoadControl&)>& beforeStart = {}) {
  auto control = std::make_shared<LoadControl>();
  LoadWorker worker(paths, control, recorder);
  if (beforeStart) beforeStart(*control);
  QSignalSpy finished(&worker, &QThread::finished);
  worker.start();
  if (!finished.wait(kWaitMs)) qFatal("the load worker did not end");
  if (!worker.HasEnded()) qFatal("finished without having ended");
  return control;
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
    // No counting and no progress report: the counter stays at 0/0.
    QCOMPARE(recorder.reports,
             (std::vector<std::string>{FileReport(dir / "b.god", "B"), FileReport(dir / "a.npc", "A")}));
    QVERIFY(!recorder.offUiThread);
  }

  // F holds a, b and S; S holds c, d and T; T holds e.
  void CountsFollowTheWorkedExample() {
    test::TempDir dir;
    const auto f = dir / "F";
    for (const auto& [path, name] :
         std::vector<std::pair<std::filesystem::path, std::string>>{{f / "a", "a"},
                                                                    {f / "b", "b"},
                                                                    {f / "S" / "c", "c"},
                                                                    {f / "S" / "d", "d"},
                                                                    {f / "S" / "T" / "e", "e"}}) {
      test::WriteSingleEntryFile(path, name);
    }
    Recorder recorder;
    RunLoad({f}, recorder);
    QCOMPARE(recorder.reports, (std::vector<std::string>{
                                   "total 0/3",
                                   "total 0/6",
                                   FileReport(f / "a", "a"),
                                   FileReport(f / "b", "b"),
                                   FileReport(f / "S" / "c", "c"),
                                   FileReport(f / "S" / "d", "d"),
                                   FileReport(f / "S" / "T" / "e", "e"),
                                   "done 3/6",
                                   "done 6/6",
                               }));
    QVERIFY(!recorder.offUiThread);
  }

  void SixLevelsDeepLoadsLevelsZeroToThree() {
    test::TempDir dir;
    std::filesystem::path level = dir / "top";
    std::vector<std::string> expected = {"total 0/2", "total 0/4"};
    for (int depth = 0; depth < 6; ++depth) {
      const std::string name = "level" + std::to_string(depth);
      test::WriteSingleEntryFile(level / "a.god", name);
      if (depth < 4) expected.push_back(FileReport(level / "a.god", name));
      level /= "sub";
    }
    std::filesystem::create_directories(level);
    expected.push_back("done 2/4");
    expected.push_back("done 4/4");
    Recorder recorder;
    RunLoad({dir / "top"}, recorder);
    QCOMPARE(recorder.reports, expected);
  }

  void TwoFoldersAreBothCountedBeforeEitherLoads() {
    test::TempDir dir;
    test::WriteSingleEntryFile(dir / "one" / "x.god", "x");
    test::WriteSingleEntryFile(dir / "two" / "y.god", "y");
    test::WriteFile(dir / "two" / "z.txt", "z");
    Recorder recorder;
    RunLoad({dir / "one", dir / "two"}, recorder);
    QCOMPARE(recorder.reports, (std::vector<std::string>{
                                   "total 0/1",
                                   "total 0/3",
                                   FileReport(dir / "one" / "x.god", "x"),
                                   "done 1/3",
                                   FileReport(dir / "two" / "y.god", "y"),
                                   "done 3/3",
                               }));
  }

  void AbortDuringCountingLoadsNothing() {
    test::TempDir dir;
    test::WriteSingleEntryFile(dir / "F" / "S" / "deep.god", "deep");
    test::WriteSingleEntryFile(dir / "F" / "top.god", "top");
    test::WriteSingleEntryFile(dir / "dropped.god", "dropped");
    Recorder recorder;
    std::shared_ptr<LoadControl> control;
    recorder.onTotal = [&] { control->abortRequested.store(true); };
    control = std::make_shared<LoadControl>();
    LoadWorker worker({dir / "F", dir / "dropped.god"}, control, recorder);
    QSignalSpy finished(&worker, &QThread::finished);
    worker.start();
    QVERIFY(finished.wait(kWaitMs));
    // The counting pass runs to its end; nothing is loaded.
    QCOMPARE(recorder.reports, (std::vector<std::string>{"total 0/1", "total 0/3"}));
  }

  void AbortDuringLoadingKeepsTheFileAtHandOnly() {
    test::TempDir dir;
    for (const char* name : {"a", "b", "c"}) test::WriteSingleEntryFile(dir / "F" / name, name);
    test::WriteSingleEntryFile(dir / "later.god", "later");
    Recorder recorder;
    auto control = std::make_shared<LoadControl>();
    // The abort arrives while the worker is still handing over its first file.
    recorder.onFile = [&](std::size_t count) {
      if (count == 1) control->abortRequested.store(true);
    };
    LoadWorker worker({dir / "F", dir / "later.god"}, control, recorder);
    QSignalSpy finished(&worker, &QThread::finished);
    worker.start();
    QVERIFY(finished.wait(kWaitMs));
    QCOMPARE(recorder.Files(), (std::vector<std::string>{FileReport(dir / "F" / "a", "a")}));
    QCOMPARE(recorder.trees.size(), std::size_t{1});
  }

  void AbortBeforeTheFirstStepIsNotLost() {
    test::TempDir dir;
    test::WriteSingleEntryFile(dir / "F" / "a.god", "a");
    test::WriteSingleEntryFile(dir / "b.god", "b");
    Recorder recorder;
    RunLoad({dir / "F", dir / "b.god"}, recorder,
            [](LoadControl& control) { control.abortRequested.store(true); });
    QVERIFY(recorder.Files().empty());
  }

  // The hand-off is blocking: while the UI thread holds one file, the worker
  // does not go on, so a file removed meanwhile is never read.
  void TheWorkerWaitsForEachHandOff() {
    test::TempDir dir;
    test::WriteSingleEntryFile(dir / "1.god", "one");
    test::WriteSingleEntryFile(dir / "2.god", "two");
    test::WriteSingleEntryFile(dir / "3.god", "three");
    Recorder recorder;
    recorder.onFile = [&](std::size_t count) {
      if (count == 1) std::filesystem::remove(dir / "2.god");
    };
    RunLoad({dir / "1.god", dir / "2.god", dir / "3.god"}, recorder);
    QCOMPARE(recorder.Files(), (std::vector<std::string>{FileReport(dir / "1.god", "one"),
                                                         FileReport(dir / "3.god", "three")}));
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
  // thread has stopped, even while it waits in a hand-off.
  void DestroyingARunningWorkerStopsIt() {
    test::TempDir dir;
    for (int i = 0; i < 50; ++i) test::WriteSingleEntryFile(dir / "F" / ("f" + std::to_string(100 + i)), "e");
    Recorder recorder;
    auto control = std::make_shared<LoadControl>();
    auto worker =
        std::make_unique<LoadWorker>(std::vector<std::filesystem::path>{dir / "F"}, control, recorder);
    worker->start();
    QTRY_VERIFY_WITH_TIMEOUT(!recorder.trees.empty(), kWaitMs);
    worker.reset();
    QVERIFY(control->abortRequested.load());
    QVERIFY(recorder.trees.size() < 50);
    QVERIFY(!recorder.offUiThread);
  }
};

}  // namespace
}  // namespace cfv

QTEST_GUILESS_MAIN(cfv::LoadWorkerTest)
#include "load_worker_test.moc"
