// Loading drops end to end: DropLoader with its progress dialog and real
// workers, and drops on the main window. Real files in a temporary folder.
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>
#include <QUrl>
#include <functional>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "common/ui/dialog_layout.h"
#include "common/ui/ui_text.h"
#include "containers/ui/drop_loader.h"
#include "containers/ui/entry_tree_model.h"
#include "containers/ui/wait_dlg.h"
#include "custom_file_builder.h"
#include "held_load.h"
#include "settings/ui/font_conversion.h"

namespace cfv {
namespace {

constexpr int kWaitMs = 60000;

LogFont Font(int pixelHeight) {
  LogFont font;
  font.lfHeight = -pixelHeight;
  font.lfWeight = 400;
  font.SetFaceName("DejaVu Sans");
  return font;
}

// A DropLoader over a plain sink that logs what happens, in order, one line
// per file. `routine` is what its workers run.
struct Harness {
  explicit Harness(LoadRoutine routine = {})
      : loader(
            nullptr, UiLanguage::kEnglish, [this] { return generalFont; },
            [this](EntryTree&& tree) {
              for (ItemId root = tree.FirstRoot(); root != kNoItem; root = tree.NextSibling(root)) {
                log.push_back("file " + std::string(tree.Text(root)));
              }
              if (onFile) onFile();
            },
            std::move(routine)) {
    QObject::connect(&loader, &DropLoader::LoadStarted, [this] { log.push_back("start"); });
    QObject::connect(&loader, &DropLoader::LoadEnded, [this] {
      log.push_back("end");
      if (onEnd) onEnd();
    });
  }

  void WaitIdle() {
    QTRY_VERIFY_WITH_TIMEOUT(loader.IsIdle(), kWaitMs);
    QVERIFY(!loader.Dialog()->isVisible());
  }
  QString Counter() const { return FindControl<QLabel>(*loader.Dialog(), CWaitDlg::kIdCounter)->text(); }
  QProgressBar* Bar() const { return FindControl<QProgressBar>(*loader.Dialog(), CWaitDlg::kIdBar); }
  void ClickAbort() {
    QTest::mouseClick(FindControl<QPushButton>(*loader.Dialog(), CWaitDlg::kIdAbort), Qt::LeftButton);
  }

  LogFont generalFont = Font(16);
  std::vector<std::string> log;
  std::function<void()> onFile;
  std::function<void()> onEnd;
  DropLoader loader;
};

std::string File(const std::filesystem::path& path) { return "file " + path.string(); }

// As a QStringList, so a failed comparison prints both logs.
QStringList Lines(const std::vector<std::string>& lines) {
  QStringList list;
  for (const auto& line : lines) list << QString::fromStdString(line);
  return list;
}

class DropLoadTest : public QObject {
  Q_OBJECT

 private slots:
  void FilesOnly() {
    test::TempDir dir;
    test::WriteSingleEntryFile(dir / "b.god", "B");
    test::WriteFile(dir / "readme.npc", "not a custom file: no entry header in the first fifty bytes.");
    test::WriteSingleEntryFile(dir / "a.item", "A");
    Harness h;
    h.loader.Load({dir / "b.god", dir / "readme.npc", dir / "a.item"});
    QVERIFY(h.loader.Dialog()->isVisible());
    QCOMPARE(h.Counter(), QStringLiteral("0/0"));
    h.WaitIdle();
    QCOMPARE(Lines(h.log), Lines({"start", File(dir / "b.god"), File(dir / "a.item"), "end"}));
    QCOMPARE(h.Counter(), QStringLiteral("0/0"));
  }

  // A drop with nothing to load still shows the dialog, and it closes on its
  // own once the worker has ended.
  void AnEmptyLoadStillShowsTheDialog() {
    test::TempDir dir;
    Harness h;
    h.loader.Load({dir / "missing.god"});
    QVERIFY(h.loader.Dialog()->isVisible());
    QVERIFY(h.loader.Dialog()->isModal());
    h.WaitIdle();
    QCOMPARE(Lines(h.log), Lines({"start", "end"}));
  }

  // F holds a, b and S; S holds c, d and T; T holds e.
  void TheWorkedExampleEndsAtSixOfSix() {
    test::TempDir dir;
    const auto f = dir / "F";
    for (const char* p : {"a", "b", "S/c", "S/d", "S/T/e"}) test::WriteSingleEntryFile(f / p, "x");
    Harness h;
    h.loader.Load({f});
    h.WaitIdle();
    QCOMPARE(Lines(h.log), Lines({"start", File(f / "a"), File(f / "b"), File(f / "S" / "c"),
                                  File(f / "S" / "d"), File(f / "S" / "T" / "e"), "end"}));
    QCOMPARE(h.Counter(), QStringLiteral("6/6"));
    QCOMPARE(h.Bar()->maximum(), 6);
    QCOMPARE(h.Bar()->value(), 6);
  }

  // The worker is held after its first counting report (or has not even
  // started) when Abort is clicked: nothing loads.
  void AbortDuringCountingLoadsNothing() {
    test::TempDir dir;
    for (const char* p : {"a", "S/b", "S/c"}) test::WriteSingleEntryFile(dir / "F" / p, "x");
    test::WriteSingleEntryFile(dir / "after.god", "x");
    Harness h(test::HoldUntilAborted(0));
    h.loader.Load({dir / "F", dir / "after.god"});
    h.ClickAbort();
    QVERIFY(!h.loader.Dialog()->isVisible());
    QCOMPARE(h.Counter(), QStringLiteral("0/0"));
    h.WaitIdle();
    QCOMPARE(Lines(h.log), Lines({"start", "end"}));
    // The dialog that ended was not touched by the counting that went on.
    QCOMPARE(h.Counter(), QStringLiteral("0/0"));
  }

  // Abort closes the dialog at once; the files loaded before it still come,
  // in order, the rest of the drop does not.
  void AbortDuringLoadingKeepsTheFileAtHand() {
    test::TempDir dir;
    for (const char* p : {"a", "b", "c"}) test::WriteSingleEntryFile(dir / "F" / p, "x");
    test::WriteSingleEntryFile(dir / "after.god", "x");
    Harness h(test::HoldUntilAborted(1));
    bool closedAtOnce = false;
    h.onFile = [&] {
      if (h.log.size() != 2) return;
      h.ClickAbort();
      closedAtOnce = !h.loader.Dialog()->isVisible() && QApplication::activeModalWidget() == nullptr;
    };
    h.loader.Load({dir / "F", dir / "after.god"});
    h.WaitIdle();
    QVERIFY(closedAtOnce);
    QCOMPARE(Lines(h.log), Lines({"start", File(dir / "F" / "a"), "end"}));
  }

  // A drop right after an Abort waits, with the dialog showing, for the
  // aborted worker to stop, then loads in full: one load at a time.
  void ASecondDropRightAfterAnAbort() {
    test::TempDir dir;
    for (const char* p : {"a", "b", "c"}) test::WriteSingleEntryFile(dir / "F" / p, "x");
    for (const char* p : {"x", "y"}) test::WriteSingleEntryFile(dir / "G" / p, "x");
    Harness h(test::HoldUntilAborted(1));
    bool dialogShownForSecond = false;
    bool dialogShownWhenFirstEnded = false;
    h.onFile = [&] {
      if (h.log.size() != 2) return;
      h.ClickAbort();
      h.loader.Load({dir / "G"});
      dialogShownForSecond = h.loader.Dialog()->isVisible();
    };
    h.onEnd = [&] {
      if (h.log.size() == 3) dialogShownWhenFirstEnded = h.loader.Dialog()->isVisible();
    };
    h.loader.Load({dir / "F"});
    h.WaitIdle();
    QVERIFY(dialogShownForSecond);
    QVERIFY(dialogShownWhenFirstEnded);
    QCOMPARE(Lines(h.log), Lines({"start", File(dir / "F" / "a"), "end", "start", File(dir / "G" / "x"),
                                  File(dir / "G" / "y"), "end"}));
    QCOMPARE(h.Counter(), QStringLiteral("2/2"));
  }

  // Aborting the dialog of a drop whose worker has not started yet cancels
  // that drop; the one after it still loads.
  void AbortWhileWaitingCancelsThatDropOnly() {
    test::TempDir dir;
    for (const char* p : {"a", "b"}) test::WriteSingleEntryFile(dir / "F" / p, "x");
    test::WriteSingleEntryFile(dir / "second.god", "x");
    test::WriteSingleEntryFile(dir / "third.god", "x");
    Harness h(test::HoldUntilAborted(1));
    h.onFile = [&] {
      if (h.log.size() != 2) return;
      h.ClickAbort();                       // the first load
      h.loader.Load({dir / "second.god"});  // waits, dialog shown
      h.loader.Load({dir / "third.god"});   // waits behind it
      h.ClickAbort();                       // the second drop, not started
    };
    h.loader.Load({dir / "F"});
    h.WaitIdle();
    QCOMPARE(Lines(h.log),
             Lines({"start", File(dir / "F" / "a"), "end", "start", File(dir / "third.god"), "end"}));
  }

  // Drops that arrive while a load runs are all loaded, in arrival order.
  void NoDropIsLost() {
    test::TempDir dir;
    for (const char* p : {"1", "2", "3"}) test::WriteSingleEntryFile(dir / p, "x");
    Harness h;
    h.loader.Load({dir / "1"});
    h.loader.Load({dir / "2"});
    h.loader.Load({dir / "3"});
    h.WaitIdle();
    QCOMPARE(Lines(h.log), Lines({"start", File(dir / "1"), "end", "start", File(dir / "2"), "end", "start",
                                  File(dir / "3"), "end"}));
  }

  // The dialog is built at the first drop and keeps that drop's General font.
  void TheDialogKeepsTheFirstDropsFont() {
    test::TempDir dir;
    Harness h;
    h.loader.Load({dir / "none"});
    CWaitDlg* first = h.loader.Dialog();
    const QSize firstSize = first->size();
    h.WaitIdle();
    h.generalFont = Font(30);
    h.loader.Load({dir / "none"});
    QCOMPARE(h.loader.Dialog(), first);
    QCOMPARE(first->font(), ToQFont(Font(16)));
    QCOMPARE(first->size(), firstSize);
    h.WaitIdle();
  }

  // Destroying the loader while a worker runs stops it and returns.
  void DestroyingTheLoaderMidLoad() {
    test::TempDir dir;
    for (int i = 0; i < 30; ++i) test::WriteSingleEntryFile(dir / "F" / std::to_string(i), "x");
    int files = 0;
    {
      DropLoader loader(
          nullptr, UiLanguage::kEnglish, [] { return Font(16); },
          [&](EntryTree&& tree) { files += static_cast<int>(tree.ChildCount(kNoItem)); },
          test::HoldUntilAborted(1));
      loader.Load({dir / "F"});
      QTRY_VERIFY_WITH_TIMEOUT(files > 0, kWaitMs);
    }
    QVERIFY(files < 30);
  }

  // A drop of local file URLs on the main window loads them in drop order;
  // other URLs are left out. The drop makes no item current: the drop prompt
  // stays, also once the tree has the focus again and after Tab.
  void DropOnTheMainWindow() {
    test::TempDir dir;
    test::WriteSingleEntryFile(dir / "z.god", "Z");
    test::WriteSingleEntryFile(dir / "sub" / "y.cwd", "Y");
    FrameEnvironment environment;
    environment.systemLocaleName = [] { return std::string("en-US"); };
    environment.settingsFile = dir / "settings.ini";
    CMainFrame frame(environment);
    frame.show();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    frame.TreeView().setFocus();

    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString((dir / "z.god").string())),
                  QUrl(QStringLiteral("https://example.com/remote.god")),
                  QUrl::fromLocalFile(QString::fromStdString((dir / "sub").string()))});
    const QPoint centre(frame.width() / 2, frame.height() / 2);
    QDragEnterEvent enter(centre, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&frame, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(centre, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&frame, &drop);
    QVERIFY(drop.isAccepted());
    QVERIFY(frame.Loader().Dialog() != nullptr);
    QVERIFY(frame.Loader().Dialog()->isVisible());
    QCOMPARE(frame.Loader().Dialog()->parentWidget(), &frame);
    QTRY_VERIFY_WITH_TIMEOUT(frame.Loader().IsIdle(), kWaitMs);

    const EntryTreeModel& model = frame.Model();
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.index(0, 0).data().toString().toStdString(), (dir / "z.god").string());
    QCOMPARE(model.index(1, 0).data().toString().toStdString(), (dir / "sub" / "y.cwd").string());
    QCOMPARE(model.index(0, 0, model.index(0, 0)).data().toString(), QStringLiteral("Z"));
    QCOMPARE(FindControl<QLabel>(*frame.Loader().Dialog(), CWaitDlg::kIdCounter)->text(),
             QStringLiteral("1/1"));

    const QString prompt = UiText(texts::kDropPrompt, UiLanguage::kEnglish);
    // The window active again, as when the dialog has closed: the tree has the focus back.
    frame.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    QCOMPARE(QApplication::focusWidget(), &frame.TreeView());
    // Tab goes round the window's panes and back to the tree.
    bool tabbedBack = false;
    for (int step = 0; step < 4 && !tabbedBack; ++step) {
      QVERIFY(!frame.TreeView().currentIndex().isValid());
      QVERIFY(!frame.TreeView().selectionModel()->hasSelection());
      QCOMPARE(frame.TextView().toPlainText(), prompt);
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      tabbedBack = QApplication::focusWidget() == &frame.TreeView();
    }
    QVERIFY(tabbedBack);
    QVERIFY(!frame.TreeView().currentIndex().isValid());
    QCOMPARE(frame.TextView().toPlainText(), prompt);
  }

  // A second drop of the same folder appends its files again.
  void DroppingTheSameFolderTwice() {
    test::TempDir dir;
    test::WriteSingleEntryFile(dir / "F" / "a.god", "A");
    FrameEnvironment environment;
    environment.systemLocaleName = [] { return std::string("ja-JP"); };
    environment.settingsFile = dir / "settings.ini";
    CMainFrame frame(environment);
    frame.LoadPaths({dir / "F"});
    QCOMPARE(frame.Loader().Dialog()->windowTitle(), QString::fromUtf8("処理中..."));
    QTRY_VERIFY_WITH_TIMEOUT(frame.Loader().IsIdle(), kWaitMs);
    frame.LoadPaths({dir / "F"});
    QTRY_VERIFY_WITH_TIMEOUT(frame.Loader().IsIdle(), kWaitMs);
    QCOMPARE(frame.Model().rowCount(), 2);
  }
};

}  // namespace
}  // namespace cfv

QTEST_MAIN(cfv::DropLoadTest)
#include "drop_load_test.moc"
