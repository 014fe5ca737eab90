// The job runner with a scripted job: progress, cancel at each point where a
// job waits, a question answered (or not asked), a failure, the window
// destroyed mid-job, and Run() returning once the job has ended.
#include "common/ui/job_runner.h"

#include <QtTest>
#include <atomic>
#include <stdexcept>

#include "gui_test.h"

using namespace cfv;

namespace {

struct Question : JobQuestion {
  std::string answer = "not answered";
};

// Steps: p reports progress, ask asks a Question, wait holds until released
// (rechecked after each Collect), pause sleeps a minute, fail throws. Each
// step but p marks `reached` first.
struct ScriptJob : Job {
  explicit ScriptJob(const QString& script) : steps(script.split(' ')) {}
  void Run(JobContext& context) override {
    for (const QString& step : steps) {
      if (context.Cancelled()) return;
      reached = reached || step != "p";
      if (step == "p") ++done, context.Progress(done, steps.count("p"), "item" + std::to_string(done));
      Question question;
      if (step == "ask") answer = context.Ask(question) ? question.answer : "not asked";
      if (step == "wait") context.WaitUntil([this] { return released.load(); });
      if (step == "pause") context.Pause(std::chrono::minutes(1));
      if (step == "fail") throw std::runtime_error("disk full");
    }
  }
  void Collect() override { ++collects; }
  QStringList steps;
  std::uint64_t done = 0;
  std::atomic<bool> reached{false}, released{false};
  std::string answer = "-";
  int collects = 0;
};

// Writes what it was shown to `shown`, which outlives it.
struct Dialog : JobDialog {
  explicit Dialog(QString& s) : shown(s) {}
  void ShowProgress(const JobProgress& p) override {
    shown = QStringLiteral("%1/%2 %3").arg(p.done).arg(p.total).arg(QString::fromStdString(p.item));
  }
  void JobEnded() override { shown += " ended", JobDialog::JobEnded(); }
  QString& shown;
};

}  // namespace

class JobRunnerTest : public QObject {
  Q_OBJECT

 private slots:
  // act, once the job has reached its first step other than p (in the
  // answerer for ask, which answers yes): cancel, cancelask (in the
  // answerer), esc (on the dialog), release, destroy (the window that owns
  // runner and dialog), none (no answerer), run (Run() instead of Start():
  // returns at the end).
  void Scripts_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("act");
    QTest::addColumn<QString>("result");
    // clang-format off
    QTest::newRow("runs to its end") << "p p p" << "run" << "done: 3/3 item3 ended, -";
    QTest::newRow("cancel while it waits for room") << "p wait p" << "cancel" << "cancelled: 1/2 item1 ended, -";
    QTest::newRow("waits until a Collect made room") << "p wait p" << "release" << "done: 2/2 item2 ended, -";
    QTest::newRow("Escape in the dialog cuts a pause") << "p pause p" << "esc" << "cancelled: 1/2 item1 ended, -";
    QTest::newRow("a question answered") << "p ask p" << "answer" << "done: 2/2 item2 ended, yes";
    QTest::newRow("cancel while a question is up") << "p ask p" << "cancelask" << "cancelled: 1/2 item1 ended, yes";
    QTest::newRow("nobody to answer") << "p ask p" << "none" << "done: 2/2 item2 ended, not asked";
    QTest::newRow("a failure") << "p fail p" << "run" << "failed disk full: 1/2 item1 ended, -";
    QTest::newRow("the window destroyed mid-job") << "p wait p" << "destroy" << "abandoned: 1/2 item1, -";
    // clang-format on
  }
  void Scripts() {
    QFETCH(QString, act);
    auto* window = new QWidget;
    auto* runner = new JobRunner(window);
    QString shown, end = "abandoned";
    auto* dialog = new Dialog(shown);
    dialog->setParent(window, Qt::Dialog);
    QFETCH(QString, script);
    auto job = std::make_shared<ScriptJob>(script);
    QObject::connect(runner, &JobRunner::Finished, [&](JobEnd e) {
      end =
          QStringList{"done", "cancelled", "failed "}[int(e)] + QString::fromStdString(runner->LastFailure());
    });
    JobSetup setup{dialog, {}, {}};
    if (act != "none")
      setup.answer = [&](JobQuestion& q) {
        if (act == "cancelask") runner->Cancel();
        static_cast<Question&>(q).answer = "yes";
      };
    if (act == "run")
      QCOMPARE(QString::number(int(runner->Run(job, setup))), script.contains("fail") ? "2" : "0");
    QVERIFY(act == "run" || (runner->Start(job, setup) && !runner->Start(job, setup)));  // one at a time
    QTRY_VERIFY(job->reached || !runner->Busy());
    if (act == "cancel") runner->Cancel();
    if (act == "esc") QTest::keyClick(dialog, Qt::Key_Escape);
    job->released = act == "release";
    if (act == "destroy") QTRY_COMPARE(shown, "1/2 item1");  // a Collect showed it
    if (act != "destroy") QTRY_VERIFY(!runner->Busy());
    QVERIFY(end == "abandoned" ||
            end.startsWith(QStringList{"done", "cancelled", "failed"}[int(runner->LastEnd())]));
    delete window;
    QTEST(end + ": " + shown + ", " + QString::fromStdString(job->answer), "result");
    QVERIFY(job->collects >= 1 || act == "destroy");
  }
};

CFV_GUI_TEST(JobRunnerTest)
#include "job_runner_test.moc"
