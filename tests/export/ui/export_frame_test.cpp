// File > Export in the real main frame: the dialog, the export of the
// frame's tree and the message boxes the frame owns.
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>
#include <deque>
#include <functional>

#include "app/main_frame.h"
#include "containers/loader.h"
#include "containers/ui/entry_tree_model.h"
#include "custom_file_builder.h"
#include "export/ui/export_dlg.h"
#include "export/ui/export_progress.h"

using namespace cfv;

namespace {

// Handles the modal windows that appear, one step per window in order, and
// records a line per window: "dialog", or "box <icon> <caption>|<text>";
// a window beyond the script is recorded as "unexpected" and closed.
class ModalScript {
 public:
  explicit ModalScript(std::deque<std::function<void(QWidget*)>> steps) : steps_(std::move(steps)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start(5);
  }
  QStringList seen;
  bool Done() const { return steps_.empty(); }

 private:
  void Poll() {
    QWidget* w = QApplication::activeModalWidget();
    // The progress dialog is up throughout an export; it needs no step.
    if (w == nullptr || w->property("handled").toBool() || qobject_cast<CExportProgressDlg*>(w)) return;
    w->setProperty("handled", true);
    if (steps_.empty()) {
      // Not in the script: noted and closed, so a failing test never hangs.
      seen << QStringLiteral("unexpected");
      w->close();
      return;
    }
    if (auto* box = qobject_cast<QMessageBox*>(w)) {
      seen << QStringLiteral("box %1 %2|%3").arg(int(box->icon())).arg(box->windowTitle(), box->text());
    } else if (qobject_cast<CExportDlg*>(w) != nullptr) {
      seen << QStringLiteral("dialog");
    } else {
      seen << QStringLiteral("other");
    }
    auto step = std::move(steps_.front());
    steps_.pop_front();
    step(w);
  }

  QTimer timer_;
  std::deque<std::function<void(QWidget*)>> steps_;
};

void PressEnter(QWidget* w) { QTest::keyClick(w, Qt::Key_Return); }
void PressEscape(QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); }
std::function<void(QWidget*)> Press(QMessageBox::StandardButton which) {
  return [which](QWidget* w) { qobject_cast<QMessageBox*>(w)->button(which)->click(); };
}

FrameEnvironment Environment(const char* locale, const test::TempDir& dir) {
  FrameEnvironment env;
  env.systemLocaleName = [locale] { return std::string(locale); };
  env.settingsFile = dir / "none.ini";
  return env;
}

// Loads `file` into the frame's tree with every item checked.
void LoadChecked(CMainFrame& frame, const std::filesystem::path& file) {
  EntryTree tree;
  QVERIFY(LoadCustomFile(file, file.string(), tree));
  tree.CheckAll(true);
  frame.Model().AppendFileTree(std::move(tree));
}

constexpr int kInformation = int(QMessageBox::Information);
constexpr int kCritical = int(QMessageBox::Critical);
constexpr int kNoIcon = int(QMessageBox::NoIcon);

}  // namespace

class ExportFrameTest : public QObject {
  Q_OBJECT

 private slots:
  void exportWritesTheCheckedEntriesAndSaysFinished() {
    test::TempDir dir;
    test::WriteFile(dir / "hero.npc",
                    test::Serialize({test::Leaf("face.bm", test::MakeBmp(1, 1)),
                                     test::Branch("body.cmp", {test::Leaf("a.t", "text")})}));
    CMainFrame frame(Environment("en-US", dir));
    LoadChecked(frame, dir / "hero.npc");
    ModalScript script({PressEnter, Press(QMessageBox::Ok)});
    frame.Action(kIdFileExport)->trigger();
    QVERIFY(script.Done());
    QCOMPARE(
        script.seen,
        QStringList({"dialog",
                     QStringLiteral("box %1 Tazor Custom File Viewer|Export finished!").arg(kInformation)}));
    QCOMPARE(QString::fromStdString(test::ReadFile(dir / "hero/body/a.txt")), QStringLiteral("text"));
    QVERIFY(std::filesystem::exists(dir / "hero/face.bmp"));
    QVERIFY(!std::filesystem::exists(dir / "hero/body.cmp"));
    QCOMPARE(frame.LastExportOptions().skipExtractable, true);
    QCOMPARE(frame.LastExportOptions().renameExtension, true);
  }

  void escapeEndsTheCommandWithoutAnyMessage() {
    test::TempDir dir;
    test::WriteFile(dir / "hero.npc", test::Serialize({test::Leaf("a.t", "text")}));
    CMainFrame frame(Environment("en-US", dir));
    LoadChecked(frame, dir / "hero.npc");
    ModalScript script({PressEscape});
    frame.Action(kIdFileExport)->trigger();
    QTest::qWait(50);  // a message box would have come up by now
    QCOMPARE(script.seen, QStringList({"dialog"}));
    QVERIFY(!std::filesystem::exists(dir / "hero"));
  }

  // The question and the error in Japanese, captioned with the program
  // title; Cancel stops the writing, and the finished message still comes.
  void questionsAndErrorsInJapanese() {
    test::TempDir dir;
    test::WriteFile(dir / "hero.npc", test::Serialize({test::Leaf("x.t", "new"), test::Leaf("dir.t", "d"),
                                                       test::Leaf("y.t", "y")}));
    test::WriteFile(dir / "hero/x.txt", "old");
    std::filesystem::create_directories(dir / "hero/dir.txt");
    CMainFrame frame(Environment("ja-JP", dir));
    LoadChecked(frame, dir / "hero.npc");
    ModalScript script({PressEnter, Press(QMessageBox::Yes), Press(QMessageBox::Ok), Press(QMessageBox::Ok)});
    frame.Action(kIdFileExport)->trigger();
    QVERIFY(script.Done());
    const QString title = QStringLiteral("Tazor カスタムファイルビューア");
    const QString root = QString::fromStdString(dir.path().string());
    QCOMPARE(script.seen,
             QStringList(
                 {"dialog",
                  QStringLiteral("box %1 %2|ファイル [%3/hero/x.txt] はすでに存在します。\n上書きしますか？")
                      .arg(kNoIcon)
                      .arg(title, root),
                  QStringLiteral("box %1 %2|ファイルの書き込みに失敗しました。\n[%3/hero/dir.txt]")
                      .arg(kCritical)
                      .arg(title, root),
                  QStringLiteral("box %1 %2|書き出しが終わりました。").arg(kInformation).arg(title)}));
    QCOMPARE(QString::fromStdString(test::ReadFile(dir / "hero/x.txt")), QStringLiteral("new"));
    QCOMPARE(QString::fromStdString(test::ReadFile(dir / "hero/y.txt")), QStringLiteral("y"));
  }

  void cancelAtTheQuestionWritesNothingMore() {
    test::TempDir dir;
    test::WriteFile(dir / "hero.npc", test::Serialize({test::Leaf("x.t", "new"), test::Leaf("y.t", "y")}));
    test::WriteFile(dir / "hero/x.txt", "old");
    CMainFrame frame(Environment("en-US", dir));
    LoadChecked(frame, dir / "hero.npc");
    ModalScript script({PressEnter, Press(QMessageBox::Cancel), Press(QMessageBox::Ok)});
    frame.Action(kIdFileExport)->trigger();
    QVERIFY(script.Done());
    QCOMPARE(script.seen.size(), 3);
    QVERIFY(script.seen[1].endsWith(QStringLiteral("/hero/x.txt] is already exists.\nOverwrite?")));
    QVERIFY(script.seen[2].endsWith(QStringLiteral("|Export finished!")));
    QCOMPARE(QString::fromStdString(test::ReadFile(dir / "hero/x.txt")), QStringLiteral("old"));
    QVERIFY(!std::filesystem::exists(dir / "hero/y.txt"));
  }

  // Nothing loaded: the command still runs to "Export finished!".
  void anEmptyTreeStillFinishes() {
    test::TempDir dir;
    CMainFrame frame(Environment("en-US", dir));
    ModalScript script({PressEnter, Press(QMessageBox::Ok)});
    frame.Action(kIdFileExport)->trigger();
    QVERIFY(script.Done());
    QCOMPARE(script.seen.size(), 2);
    QVERIFY(script.seen[1].endsWith(QStringLiteral("|Export finished!")));
  }
};

QTEST_MAIN(ExportFrameTest)
#include "export_frame_test.moc"
