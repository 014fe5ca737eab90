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
  std::string answer = "none";
};

// Steps separated by blanks: p reports progress, ask asks a Question, wait
// holds until released (rechecked after each Collect), pause sleeps a
// minute, fail throws. Each step but p marks `reached` first.
class ScriptJob : public Job {
 public:
  explicit ScriptJob(const QString& script) : steps_(script.split(' ')) {}
  void Run(JobContext& context) override {
    const auto total = static_cast<std::uint64_t>(steps_.count("p"));
    for (const QString& step : steps_) {
      if (context.Cancelled()) return;
      if (step != "p") reached = true;
      if (step == "p") ++done_, context.Progress(done_, total, "item" + std::to_string(done_));
      if (step == "ask") {
        Question question;
        answer = context.Ask(question) ? question.answer : "not asked";
      }
      if (step == "wait") context.WaitUntil([this] { return released.load(); });
      if (step == "pause") context.Pause(std::chrono::minutes(1));
      if (step == "fail") throw std::runtime_error("disk full");
    }
  }
  void Collect() override { ++collects; }
  std::atomic<bool> reached{false}, released{false};
  std::string answer = "-";
  int collects = 0;

 private:
  QStringList steps_;
  std::uint64_t done_ = 0;
};

// Writes what it was shown to `shown`, which outlives it.
struct Dialog : JobDialog {
  explicit Dialog(QString& shown) : shown_(shown) {}
  void ShowProgress(const JobProgress& p) override {
    shown_ = QStringLiteral("%1/%2 %3").arg(p.done).arg(p.total).arg(QString::fromStdString(p.item));
  }
  void JobEnded() override {
    shown_ += ", dialog ended";
    JobDialog::JobEnded();
  }
  QString& shown_;
};

}  // namespace

class JobRunnerTest : public QObject {
  Q_OBJECT

 private slots:
  // act, once the job has reached its first step other than p (in the
  // answerer for ask): cancel, esc (on the dialog), release, destroy (the
  // window that owns runner and dialog), yes (the answer), noanswer (no
  // answerer), run (Run() instead of Start(): waits for the end).
  void Scripts_data() {
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("act");
    QTest::addColumn<QString>("result");
    const auto row = [](const char* name, const char* script, const char* act, const char* result) {
      QTest::newRow(name) << script << act << result;
    };
    row("runs to its end", "p p p", "run", "done, 3/3 item3, dialog ended, answer -");
    row("cancel while it waits for room", "p wait p", "cancel",
        "cancelled, 1/2 item1, dialog ended, answer -");
    row("waits until a Collect made room", "p wait p", "release", "done, 2/2 item2, dialog ended, answer -");
    row("Escape in the dialog cuts a pause", "p pause p", "esc",
        "cancelled, 1/2 item1, dialog ended, answer -");
    row("a question answered", "p ask p", "yes", "done, 2/2 item2, dialog ended, answer yes");
    row("cancel while a question is up", "p ask p", "cancel yes",
        "cancelled, 1/2 item1, dialog ended, answer yes");
    row("nobody to answer", "p ask p", "noanswer", "done, 2/2 item2, dialog ended, answer not asked");
    row("a failure", "p fail p", "run", "failed disk full, 1/2 item1, dialog ended, answer -");
    row("the window destroyed mid-job", "p wait p", "destroy", "abandoned, 1/2 item1, answer -");
  }
  void Scripts() {
    QFETCH(QString, script);
    QFETCH(QString, act);
    auto* window = new QWidget;
    auto* runner = new JobRunner(window);
    QString shown;
    auto* dialog = new Dialog(shown);
    dialog->setParent(window, Qt::Dialog);
    auto job = std::make_shared<ScriptJob>(script);
    QString end = "abandoned";
    QObject::connect(runner, &JobRunner::Finished, [&](JobEnd e) {
      end =
          QStringList{"done", "cancelled", "failed "}[int(e)] + QString::fromStdString(runner->LastFailure());
    });
    JobSetup setup{dialog, {}, {}};
    if (act != "noanswer")
      setup.answer = [&](JobQuestion& q) {
        if (act.startsWith("cancel")) runner->Cancel();
        static_cast<Question&>(q).answer = "yes";
      };
    if (act == "run") {
      const JobEnd ended = runner->Run(job, setup);
      QCOMPARE(int(ended), int(runner->LastEnd()));
      QVERIFY(!runner->Busy());
    } else {
      QVERIFY(runner->Start(job, setup));
      QVERIFY(!runner->Start(job, setup));  // one at a time
      QTRY_VERIFY(job->reached || !runner->Busy());
      if (act == "cancel") runner->Cancel();
      if (act == "esc") QTest::keyClick(dialog, Qt::Key_Escape);
      if (act == "release") job->released = true;
      if (act == "destroy") {
        QTest::qWait(60);  // a Collect or two has shown the progress
        delete window;
      }
    }
    if (act != "destroy") {
      QTRY_VERIFY(!runner->Busy());
      delete window;
    }
    QTEST(end + ", " + shown + ", answer " + QString::fromStdString(job->answer), "result");
    QVERIFY(job->collects >= 1 || act == "destroy");
  }
};

CFV_GUI_TEST(JobRunnerTest)
#include "job_runner_test.moc"
