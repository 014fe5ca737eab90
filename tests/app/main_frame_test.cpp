// The program and its main window: language, panes and splitter, status
// bar, drops and the Open commands, the filter, fonts from and to the
// settings file, the dialogs it opens; the program's exit statuses.
#include "app/main_frame.h"

#include <QClipboard>
#include <QFileDialog>
#include <QFontDialog>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTreeView>
#include <QtTest>

#include "app/pane_splitter.h"
#include "app/run.h"
#include "common/exit_status.h"
#include "containers/ui/drop_loader.h"
#include "containers/ui/entry_filter_box.h"
#include "containers/ui/entry_tree_model.h"
#include "containers/ui/wait_dlg.h"
#include "frame_harness.h"
#include "gui_test.h"
#include "modal_dialog.h"
#include "settings/ini_file.h"
#include "settings/ui/font_conversion.h"

using namespace cfv;
using namespace cfv::test;
namespace fs = std::filesystem;

class MainFrameTest : public QObject {
  Q_OBJECT

 private slots:
  void LanguageFollowsTheSystemLocale_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("fileMenu");
    for (const char* locale : {"en-US", "ja-JP", "JA-jp", ""})
      QTest::newRow(locale) << locale << (locale[0] == 'e' || !locale[0] ? "&File" : "ファイル(&F)");
  }
  void LanguageFollowsTheSystemLocale() {
    QFETCH(QString, locale);
    FrameHarness h(locale.toStdString());
    QTEST(h->menuBar()->actions().at(0)->text(), "fileMenu");
  }

  // The tree keeps its 360 pixels however the window is resized; at first
  // only the text view shows on the right, its text ready to copy.
  void PanesAtCreationAndAfterResizing() {
    FrameHarness h;
    h.Show();
    QVERIFY(!h->TextView().isHidden() && h->ImageView().isHidden() && h->MusicPlayerView().isHidden());
    QCOMPARE(h->Splitter().RightPane(), &h->TextView());
    for (int width : {1100, 300, 0, 800}) {
      if (width == 0) h->showMinimized();
      if (width == 0) h->showNormal();
      if (width != 0) h->resize(width, 600);
      QTRY_COMPARE(h->Splitter().width(), width == 0 ? 300 : width);
      QVERIFY(h->TreeView().width() == 360 && h->TextView().geometry().left() == 364);
    }
    h->TextView().selectAll();
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(&h->TextView(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), h->TextView().toPlainText());
  }

  // The bar keeps its place as the splitter is resized; set (-1 centres) it
  // is clamped; a double click centres it, a drag moves it.
  void Splitter_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("pos");
    QTest::newRow("kept through resizing") << 800 << "pos 360, size 1200, size 200, size 900" << 360;
    QTest::newRow("clamped when set") << 300 << "pos 360" << 296;
    QTest::newRow("not moved by widening") << 300 << "pos 360, size 1000" << 296;
    QTest::newRow("centred") << 1000 << "pos -1" << 498;
    QTest::newRow("double click") << 804 << "pos 100, dclick" << 400;
    QTest::newRow("drag") << 804 << "pos 100, dclick, drag -150" << 250;
  }
  void Splitter() {
    QFETCH(int, width);
    QFETCH(QString, steps);
    CPaneSplitter splitter;
    auto* left = new QWidget(&splitter);
    auto* right = new QWidget(&splitter);
    splitter.resize(width, 300);
    splitter.SetLeftPane(left);
    splitter.SetRightPane(right);
    splitter.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splitter));
    QWidget* bar = splitter.findChild<QWidget*>(QStringLiteral("splitterBar"));
    for (const QString& step : steps.split(", ")) {
      const int n = step.section(' ', 1).toInt();
      if (step.startsWith("pos")) splitter.SetSplitterPos(n);
      if (step.startsWith("size")) splitter.resize(n, 300);
      if (step == "dclick") QTest::mouseDClick(bar, Qt::LeftButton, {}, QPoint(2, 10));
      if (!step.startsWith("drag")) continue;
      QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(1, 10));
      QMouseEvent move(QEvent::MouseMove, QPointF(1 + n, 10), bar->mapToGlobal(QPointF(1 + n, 10)),
                       Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(bar, &move);
      QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(1 + n, 10));
    }
    QTEST(splitter.SplitterPos(), "pos");
    const int pos = splitter.SplitterPos(), height = splitter.height();
    QCOMPARE(left->geometry(), QRect(0, 0, pos, height));
    QCOMPARE(bar->geometry(), QRect(pos, 0, CPaneSplitter::kBarWidth, height));
    QCOMPARE(right->geometry(), QRect(pos + 4, 0, std::max(0, splitter.width() - pos - 4), height));
  }

  void StatusBarIsBlankWhileAMenuIsOpen() {
    FrameHarness h;
    h.Show();
    const QString ready = h->StatusText();
    QMenu* help = h->menuBar()->actions().at(2)->menu();
    QString whileOpen = ready;
    QTimer::singleShot(0, [&] {
      whileOpen = h->StatusText();
      help->close();
    });
    help->exec(h->mapToGlobal(QPoint(0, 0)));
    QVERIFY(whileOpen.isEmpty() && !ready.isEmpty());
    QCOMPARE(h->StatusText(), ready);
  }

  // Local file URLs load in drop order, other URLs are left out, a second
  // drop appends again. No item turns current: the text view keeps its
  // prompt, also once the tree has the focus back and after Tab.
  void DropsOnTheWindow() {
    FrameHarness h;
    WriteSingleEntryFile(h.dir / "z.god", "Z");
    WriteSingleEntryFile(h.dir / "sub" / "y.cwd", "Y");
    h.Show();
    h->TreeView().setFocus();
    const QString prompt = h->TextView().toPlainText();
    QMimeData text, files;
    text.setText(QStringLiteral("not a file"));
    files.setUrls({QUrl::fromLocalFile(QString::fromStdString((h.dir / "z.god").string())),
                   QUrl(QStringLiteral("https://example.com/remote.god")),
                   QUrl::fromLocalFile(QString::fromStdString((h.dir / "sub").string()))});
    for (QMimeData* mime : {&text, &files, &files}) {
      QDragEnterEvent enter(QPoint(500, 300), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
      enter.setAccepted(false);
      QApplication::sendEvent(&*h, &enter);
      QCOMPARE(enter.isAccepted(), mime == &files);
      if (mime == &text) continue;
      QDropEvent drop(QPoint(500, 300), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(&*h, &drop);
      QVERIFY(drop.isAccepted() && h->Loader().Dialog()->isVisible());
      QCOMPARE(h->Loader().Dialog()->parentWidget(), &*h);
    }
    QCOMPARE(h.Roots(), (QStringList{"z.god", "sub/y.cwd", "z.god", "sub/y.cwd"}));
    h->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&*h));
    for (int step = 0; step == 0 || (step < 6 && QApplication::focusWidget() != &h->TreeView()); ++step) {
      QVERIFY(!h->TreeView().currentIndex().isValid());
      QCOMPARE(h->TextView().toPlainText(), prompt);
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(QApplication::focusWidget(), &h->TreeView());
    QCOMPARE(h->TextView().toPlainText(), prompt);
    // Ctrl+F in the tree goes to the filter box; typing there filters.
    QTest::keyClick(&h->TreeView(), Qt::Key_F, Qt::ControlModifier);
    QTRY_VERIFY(h->FilterBox().Edit().hasFocus());
    QTest::keyClicks(&h->FilterBox().Edit(), "Y*");
    QCOMPARE(h.Roots(), (QStringList{"sub/y.cwd", "sub/y.cwd"}));
    QVERIFY(h->TreeView().isExpanded(h->Model().index(1, 0)));
  }

  void OpenCommandsLoadWhatIsChosen_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QStringList>("roots");
    QTest::newRow("files, in the order chosen")
        << int(kIdFileOpen) << "\"b.god\" \"a.god\"" << QStringList{"b.god", "a.god"};
    QTest::newRow("folder") << int(kIdFileOpenFolder) << "sub" << QStringList{"sub/c.npc", "sub/d/e.cwd"};
    QTest::newRow("cancelled") << int(kIdFileOpen) << "" << QStringList{};
  }
  void OpenCommandsLoadWhatIsChosen() {
    QFETCH(int, command);
    QFETCH(QString, chosen);
    FrameHarness h;
    for (const char* name : {"a.god", "b.god", "sub/c.npc", "sub/d/e.cwd"})
      WriteSingleEntryFile(h.dir / name, "x.t");
    h.Show();
    {  // the driver gone before the progress dialog comes up
      ModalDriver modals({[&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        if (chosen.isEmpty()) return dialog->reject();
        if (dialog->fileMode() == QFileDialog::Directory) dialog->setDirectory(chosen);
        if (dialog->fileMode() != QFileDialog::Directory)
          dialog->findChild<QLineEdit*>("fileNameEdit")->setText(chosen);
        QMetaObject::invokeMethod(dialog, "accept");
      }});
      h->Action(command)->trigger();
      QCOMPARE(modals.seen, QStringList{"QFileDialog"});
    }
    QTEST(h.Roots(), "roots");
  }

  // OK writes all three fonts, even unchanged; Cancel writes nothing. The
  // fonts apply to the views at once and are read back at the next start.
  void Configuration_data() {
    QTest::addColumn<QString>("actions");
    QTest::addColumn<bool>("written");
    QTest::newRow("OK") << "1" << true;
    QTest::newRow("Cancel") << "2" << false;
    QTest::newRow("a new preview font") << "1002 1" << true;
    QTest::newRow("a new file list font") << "1001 1" << true;
    QTest::newRow("a new font, then Cancel") << "1002 2" << false;
  }
  void Configuration() {
    QFETCH(QString, actions);
    QFETCH(bool, written);
    FrameHarness h("ja-JP");
    h.Show();
    const QFont chosen("DejaVu Sans Mono", 14, QFont::Bold);
    UserFonts expected = h->Fonts();
    ModalDriver modals({Do(actions), [&](QWidget* w) {
                          qobject_cast<QFontDialog*>(w)->setCurrentFont(chosen);
                          qobject_cast<QFontDialog*>(w)->accept();
                        }});
    h->Action(kIdOptionConfiguration)->trigger();
    for (const char* key : {"FontGeneral", "FontFileTree", "FontViewer"})
      QCOMPARE(ReadIniValue(h.SettingsPath(), "Tazor_CustomFileViewer", key).has_value(), written);
    LogFont& changed = actions.startsWith("1002") ? expected.viewer : expected.fileTree;
    if (written && actions != "1") changed = FromQFont(chosen, changed, h->ScreenDpi());
    for (int start = 0; start < 2; ++start, h.Restart()) {
      QCOMPARE(h->Fonts(), expected);
      QCOMPARE(h->TreeView().font(), ToQFont(expected.fileTree));
      QCOMPARE(h->TextView().font(), ToQFont(expected.viewer));
    }
  }

  // Each dialog the window opens is in the General font of the settings
  // file, centred over the window.
  void DialogsOfTheWindow_data() {
    QTest::addColumn<int>("command");  // 0: a drop
    QTest::addColumn<QString>("dialog");
    QTest::newRow("Export") << int(kIdFileExport) << "cfv::CExportDlg";
    QTest::newRow("Configuration") << int(kIdOptionConfiguration) << "cfv::COptionConfigDlg";
    QTest::newRow("About") << int(kIdHelpAbout) << "cfv::CAboutDlg";
    QTest::newRow("progress") << 0 << "cfv::CWaitDlg";
  }
  void DialogsOfTheWindow() {
    QFETCH(int, command);
    QFETCH(QString, dialog);
    FrameHarness h;
    UserFonts fonts = h->Fonts();
    fonts.general.lfHeight = -11;
    SaveUserFonts(h.SettingsPath(), fonts);
    h.Restart();
    h.Show();
    QString seen;
    const auto look = [&](QWidget* w) {
      QCOMPARE(w->font().pixelSize(), 11);
      QVERIFY((w->frameGeometry().center() - h->frameGeometry().center()).manhattanLength() <= 2);
      seen = w->metaObject()->className();
    };
    ModalDriver modals({look});
    if (command != 0) h->Action(command)->trigger();
    if (command == 0) h->LoadPaths({h.dir / "none"});  // the progress dialog shows at once, not for long
    if (command == 0) look(h->Loader().Dialog());
    QCOMPARE(seen, dialog);
  }

  // A normal close ends with 1 and saves nothing; paths on the command line
  // load at the start.
  void RunEndsWithOneAfterExit() {
    FrameHarness h;
    WriteSingleEntryFile(h.dir / "b.god", "b.t");
    WriteSingleEntryFile(h.dir / "sub/a.npc", "a.t");
    QStringList roots;
    const int status =
        Run(TestEnvironment(h.dir, "en-US"),
            [&](CMainFrame& frame) {
              QTRY_VERIFY(frame.Loader().IsIdle());
              for (int row = 0; row < frame.Model().rowCount(); ++row) {
                const fs::path root = frame.Model().index(row, 0).data().toString().toStdString();
                roots << QString::fromStdString(root.lexically_relative(h.dir.path()).string());
              }
              frame.Action(kIdFileExit)->trigger();
            },
            {h.dir / "b.god", h.dir / "sub"});
    QCOMPARE(status, 1);
    QCOMPARE(roots, (QStringList{"b.god", "sub/a.npc"}));
    QVERIFY(!fs::exists(h.SettingsPath()));
  }

  // Without a display, --version still works; anything else gets
  // a message and a status other than 0 and 1.
  void ProgramWithoutADisplay_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::newRow("version") << QStringList{"--version"} << 0 << "tazor-custom-file-viewer " CFV_VERSION "\n"
                             << "";

    QTest::newRow("no window") << QStringList{"x.god"} << kExitNoMainWindow << ""
                               << "cannot create the main window";
  }
  void ProgramWithoutADisplay() {
    QFETCH(QStringList, args);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("no-such-platform"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(CFV_PROGRAM_PATH), args);
    QVERIFY(program.waitForFinished(60000) && program.exitStatus() == QProcess::NormalExit);
    QTEST(program.exitCode(), "status");
    QCOMPARE(QString::fromUtf8(program.readAllStandardOutput()).left(out.size()), out);
    const QString errors = QString::fromUtf8(program.readAllStandardError());
    QVERIFY2(err.isEmpty() ? errors.isEmpty() : errors.contains(err), qPrintable(errors));
  }
};

CFV_GUI_TEST(MainFrameTest)
#include "main_frame_test.moc"
