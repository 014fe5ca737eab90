// The program and its main window through the real window: panes, status
// bar, drops and Open, the tree's context menu and entries taken out, fonts,
// every dialog's contract, exit statuses. With --drag-source DIR or
// --drop-target - it plays one of the two programs of the real drag
// (drag_out_test.sh).
#include "app/main_frame.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTreeView>
#include <QtTest>
#include <cmath>

#include "app/about_dlg.h"
#include "app/pane_splitter.h"
#include "app/run.h"
#include "app/tree_actions.h"
#include "common/exit_status.h"
#include "common/ui/dialog_layout.h"
#include "containers/ui/drop_loader.h"
#include "containers/ui/entry_filter_box.h"
#include "containers/ui/entry_tree_model.h"
#include "containers/ui/entry_tree_view.h"
#include "containers/ui/wait_dlg.h"
#include "export/ui/export_dlg.h"
#include "export/ui/export_progress.h"
#include "frame_harness.h"
#include "gui_test.h"
#include "modal_dialog.h"
#include "settings/ini_file.h"
#include "settings/profile_struct.h"
#include "settings/ui/font_conversion.h"
#include "settings/ui/option_config_dlg.h"

using namespace cfv;
using namespace cfv::test;
namespace fs = std::filesystem;

namespace {

const std::string kBmp = MakeBmp(2, 2);
const std::vector<Entry> kSub = {Leaf("line.t", "hello"), Branch("deep.cmp", {Leaf("v.t", Gzip("deep"))})};

// pack.god: face.bm (zlib bitmap), sub.npc (line.t, deep.cmp holding v.t), note.tx, s.wav; loaded, expanded.
void LoadPack(FrameHarness& h) {
  WriteFile(h.dir / "pack.god", Serialize({Leaf("face.bm", Zlib(kBmp)), Branch("sub.npc", kSub),
                                           Leaf("note.tx", "plain"), Leaf("s.wav", "RIFF")}));
  h.Load(h.dir / "pack.god");
}

QAction* MenuItem(const FrameHarness& h, const QString& item, const char* action,
                  std::unique_ptr<QMenu>& menu) {
  menu = h->TreeActions().MakeMenu(h->Model().ItemOf(h.Index(item.toStdString())));
  return menu->findChild<QAction*>(action);
}

}  // namespace

class MainFrameTest : public QObject {
  Q_OBJECT

 public slots:
  void Open(const QUrl& url) { opened_ = url.toLocalFile(); }  // the desktop's file manager

 private:
  QString opened_;

 private slots:
  // At first only the text view shows on the right. The tree keeps its 360
  // pixels however the window is resized; the bar is clamped only when moved:
  // a double click centres it, a drag moves it. Then pack.god: the status
  // bar, blank while a menu (also a preview's) is open; the context menu's enabled items and
  // what they do to the subtree; Export This Entry saves under the proposed
  // name in the file's folder, asked only by the save dialog; Export This
  // Branch lays the branch out as the export does, and says so. No root drags.
  void TheWindowAndItsTree() {
    FrameHarness h;
    h.Show();
    CPaneSplitter& splitter = h->Splitter();
    QVERIFY(!h->TextView().isHidden() && h->ImageView().isHidden() && h->MusicPlayerView().isHidden());
    QWidget* bar = splitter.findChild<QWidget*>(QStringLiteral("splitterBar"));
    for (const char* row : {"size 1100, size 300, min, size 800 = 360", "size 804, dclick = 400",
                            "drag -150 = 250", "size 600, drag 400, size 1000 = 596", "drag -1000 = 0"}) {
      for (const QString& step : QString(row).section(" = ", 0, 0).split(", ")) {
        const int n = step.section(' ', 1).toInt();
        if (step == "min") h->showMinimized(), h->showNormal();
        if (step.startsWith("size")) h->resize(n, 600);
        if (step.startsWith("size")) QTRY_COMPARE(splitter.width(), n);
        if (step == "dclick") QTest::mouseDClick(bar, Qt::LeftButton, {}, QPoint(2, 10));
        if (!step.startsWith("drag")) continue;
        QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(1, 10));
        QTest::mouseMove(bar, QPoint(1 + n, 10));
        QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(1 + n, 10));
      }
      const int pos = splitter.SplitterPos(), height = splitter.height();
      QCOMPARE(QString(row).section(" = ", 0, 0) + " = " + QString::number(pos), row);
      QCOMPARE(h->TreeView().width(), pos);
      QCOMPARE(bar->geometry(), QRect(pos, 0, CPaneSplitter::kBarWidth, height));
      QCOMPARE(h->TextView().geometry(), QRect(pos + 4, 0, std::max(0, splitter.width() - pos - 4), height));
    }
    QVERIFY(!h->FilterBox().UncheckAllButton().isEnabled());  // nothing to uncheck yet
    LoadPack(h);
    QVERIFY(h->FilterBox().UncheckAllButton().isEnabled());
    QCOMPARE(h->MusicPlayerView().PlayButton()->font(), h->FilterBox().UncheckAllButton().font());  // as all
    const QString bmp = QString::number(kBmp.size()), sub = QString::number(Serialize(kSub).size());
    const QPoint root = h->TreeView().visualRect(h.Index("pack.god")).center();
    for (const QString& status :
         QStringList{"1 file, 7 entries", "pack.god: 7 entries", "face.bm: " + bmp + " bytes, zlib, Image",
                     "sub.npc: " + sub + " bytes, stored, holding 3 entries", "v.t: 4 bytes, gzip, Text"}) {
      if (status.contains(':')) h.Select(status.section(':', 0, 0).toStdString());
      QCOMPARE(h->StatusText().section('/', -1), status);
      for (int menu = 0; menu < 3; ++menu) {  // blank while open, back after
        QString whileOpen = "?";
        QTimer::singleShot(0,
                           [&] { whileOpen = h->StatusText(), QApplication::activePopupWidget()->close(); });
        if (menu == 0) h->menuBar()->actions().at(2)->menu()->exec(h->mapToGlobal(QPoint(0, 0)));
        if (menu == 1) emit h->TreeView().customContextMenuRequested(root);
        if (menu == 2) emit h->TextView().customContextMenuRequested(QPoint(5, 5));
        QCOMPARE(whileOpen + h->StatusText().section('/', -1), status);
      }
    }
    QGuiApplication::clipboard()->clear();
    h->TreeView().collapseAll();
    h->TreeView().expand(h.Index("pack.god"));
    h->TreeView().expand(h.Index("deep.cmp"));  // inside the collapsed sub.npc
    h->Model().SetChecked(h->Model().ItemOf(h.Index("face.bm")), true);
    // "item action: the enabled items | then checked | expanded | clipboard"
    const QString all = "checkSubtree uncheckSubtree expandAll collapseAll copyName";
    // clang-format off
    for (const QString& row : QStringList{
             "face.bm copyName: exportEntry checkSubtree uncheckSubtree copyName|face.bm|pack.god deep.cmp|face.bm",
             "pack.god uncheckSubtree: " + all + "||pack.god deep.cmp|face.bm",
             "sub.npc checkSubtree: exportBranch " + all + "|sub.npc line.t deep.cmp v.t|pack.god deep.cmp|face.bm",
             "sub.npc expandAll: exportBranch " + all + "|sub.npc line.t deep.cmp v.t|pack.god sub.npc deep.cmp|face.bm",
             "pack.god collapseAll: " + all + "|sub.npc line.t deep.cmp v.t||face.bm"}) {  // clang-format on
      std::unique_ptr<QMenu> menu;
      QAction* chosen =
          MenuItem(h, row.section(' ', 0, 0), qPrintable(row.section(' ', 1, 1).chopped(1)), menu);
      QStringList items, checked, expanded;
      for (QAction* a : menu->actions())
        if (!a->isSeparator() && a->isEnabled()) items << a->objectName();
      chosen->trigger();
      for (const char* name : {"pack.god", "face.bm", "sub.npc", "line.t", "deep.cmp", "v.t", "note.tx"}) {
        if (h.Index(name).data(Qt::CheckStateRole).toInt() == Qt::Checked) checked << name;
        if (h->TreeView().isExpanded(h.Index(name))) expanded << name;
      }
      QCOMPARE(row.section(' ', 0, 1) + ' ' + items.join(' ') + '|' + checked.join(' ') + '|' +
                   expanded.join(' ') + '|' + QGuiApplication::clipboard()->text(),
               row);
    }
    WriteFile(h.dir / "face.bmp", "old");
    WriteFile(h.dir / "sub/line.txt", "mine");
    const ModalStep proposed = [](QWidget* w) { QMetaObject::invokeMethod(w, "accept"); };
    std::unique_ptr<QMenu> menu;
    {
      ModalDriver modals({proposed, Do(QString::number(QMessageBox::Yes))});
      MenuItem(h, "face.bm", "exportEntry", menu)->trigger();
      QCOMPARE(modals.seen.size(), 2);
    }
    QCOMPARE(ReadFile(h.dir / "face.bmp"), kBmp);
    QDesktopServices::setUrlHandler("file", this, "Open");
    {  // the folder; line.txt is there: No; finished: Open Folder
      ModalDriver modals({proposed, Do(QString::number(QMessageBox::No)), Do("action")});
      MenuItem(h, "sub.npc", "exportBranch", menu)->trigger();
      QCOMPARE(modals.seen.last() + ' ' + opened_,
               "information: Export finished!\nWritten: 1\nNot overwritten: "
               "1\nFailed: 0 " +
                   QString::fromStdString(h.dir.path()));
    }
    QDesktopServices::unsetUrlHandler("file");
    QCOMPARE(ReadFile(h.dir / "sub/line.txt") + ReadFile(h.dir / "sub/deep/v.txt"), std::string("minedeep"));
    QVERIFY(!(h->Model().flags(h.Index("pack.god")) & Qt::ItemIsDragEnabled));
  }

  // Long work leaves the window live. Export This Branch of 2,000 entries: its progress dialog takes
  // the events while the walk writes, shows where it is at the question about e1000.txt, and its
  // Cancel (then Yes) stops the walk there. A drag of a 48 MiB entry writes its file meanwhile too.
  void LongWorkLeavesTheWindowLive() {
    FrameHarness h;
    std::vector<Entry> leaves;
    for (int i = 0; i < 2000; ++i) leaves.push_back(Leaf(QString::asprintf("e%04d.t", i).toStdString(), "x"));
    WriteFile(h.dir / "big.god",
              Serialize({Branch("big.npc", leaves), Leaf("huge.bin", Zlib(std::string(48 << 20, 'z')))}));
    WriteFile(h.dir / "big/e1000.txt", "old");
    h.Load(h.dir / "big.god");
    h.Show();
    int underDialog = 0, all = 0, atQuestion = -1;  // timer ticks
    QTimer tick;
    connect(&tick, &QTimer::timeout, [&] {
      ++all, underDialog += qobject_cast<CExportProgressDlg*>(QApplication::activeModalWidget()) != nullptr;
    });
    tick.start(1);
    QString counter;
    std::unique_ptr<QMenu> menu;
    {
      ModalDriver modals({[](QWidget* w) { QMetaObject::invokeMethod(w, "accept"); },
                          [&](QWidget* box) {
                            atQuestion = underDialog;
                            auto& progress = *qobject_cast<CExportProgressDlg*>(box->parentWidget());
                            counter = FindControl<QLabel>(progress, CExportProgressDlg::kIdCounter)->text();
                            FindControl<QPushButton>(progress, CExportProgressDlg::kIdCancel)->click();
                            Do(QString::number(QMessageBox::Yes))(box);
                          },
                          Do("enter")});
      MenuItem(h, "big.npc", "exportBranch", menu)->trigger();
      QCOMPARE(modals.seen.last(),
               "information: Export finished!\nWritten: 1001\nNot overwritten: 0\nFailed: 0");
    }
    QVERIFY(atQuestion > 0);
    QCOMPARE(counter, "1000 of 2000 entries");
    QVERIFY(fs::exists(h.dir / "big/e1000.txt") && !fs::exists(h.dir / "big/e1001.txt"));
    h->TreeView().selectionModel()->select(h.Index("huge.bin"), QItemSelectionModel::ClearAndSelect);
    all = 0;
    const std::unique_ptr<QMimeData> mime = static_cast<CEntryTreeView&>(h->TreeView()).PrepareDrag();
    QVERIFY(all > 0);
    QCOMPARE(mime->urls().size(), 1);
    QCOMPARE(fs::file_size(mime->urls().front().toLocalFile().toStdString()), std::uintmax_t{48 << 20});
  }

  // Local file URLs load in drop order, other URLs are left out, a second
  // drop appends again. No item turns current: the text view keeps its
  // prompt (ready to copy), also once the tree has the focus back and after
  // Tab. Ctrl+F goes to the filter box. File > Open and Open Folder load
  // what is chosen, in the order chosen.
  void LoadingFiles() {
    FrameHarness h;
    for (const char* name : {"z.god", "drop/y.cwd", "a.god", "b.god", "sub/c.npc", "sub/d/e.cwd"})
      WriteSingleEntryFile(h.dir / name, "x.t");
    h.Show();
    h->TreeView().setFocus();
    const QString prompt = h->TextView().toPlainText(), dir = QString::fromStdString(h.dir.path().string());
    QMimeData text, files;
    text.setText(QStringLiteral("not a file"));
    files.setUrls({QUrl::fromLocalFile(dir + "/z.god"),
                   QUrl(QStringLiteral("https://example.com/remote.god")),
                   QUrl::fromLocalFile(dir + "/drop")});
    for (QMimeData* mime : {&text, &files, &files}) {
      QDragEnterEvent enter(QPoint(500, 300), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
      enter.setAccepted(false);
      QApplication::sendEvent(&*h, &enter);
      QCOMPARE(enter.isAccepted(), mime == &files);
      if (mime == &text) continue;
      QDropEvent drop(QPoint(500, 300), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(&*h, &drop);
      QVERIFY(drop.isAccepted() && h->Loader().Dialog()->isVisible() &&
              h->Loader().Dialog()->parentWidget() == &*h);
    }
    QCOMPARE(h.Roots().join(' '), "z.god drop/y.cwd z.god drop/y.cwd");
    h->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&*h));
    for (int step = 0; step == 0 || (step < 6 && QApplication::focusWidget() != &h->TreeView()); ++step) {
      QVERIFY(!h->TreeView().currentIndex().isValid());
      QCOMPARE(h->TextView().toPlainText(), prompt);
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(QApplication::focusWidget(), &h->TreeView());
    QTest::keyClick(&h->TreeView(), Qt::Key_F, Qt::ControlModifier);
    QTRY_VERIFY(h->FilterBox().Edit().hasFocus());
    h->TextView().selectAll();
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(&h->TextView(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), prompt);
    for (auto [command, chosen, added] :
         {std::tuple(kIdFileOpen, "esc", ""),
          std::tuple(kIdFileOpen, "file=\"DIR/b.god\" \"DIR/a.god\"", " b.god a.god"),
          std::tuple(kIdFileOpenFolder, "file=DIR/sub", " sub/c.npc sub/d/e.cwd")}) {
      const QString before = h.Roots().join(' ');
      {  // the driver gone before the progress dialog comes up
        ModalDriver modals({Do(QString(chosen).replace("DIR", dir))});
        h->Action(command)->trigger();
        QCOMPARE(modals.seen, QStringList{"QFileDialog"});
      }
      QCOMPARE(h.Roots().join(' '), before + added);
    }
  }

  // In Japanese, as the system locale says. Each dialog the window opens is
  // in the General font of the settings file, centred over the window.
  // Configuration: OK writes all three fonts, even unchanged; Cancel writes
  // nothing. The fonts apply to the views at once and are read back at the
  // next start.
  void LanguageDialogsAndFonts() {
    FrameHarness h("ja-JP");
    UserFonts expected = h->Fonts();
    expected.general.lfHeight = -11;
    WriteIniValue(h.SettingsPath(), "Tazor_CustomFileViewer", "FontGeneral",
                  EncodeProfileStruct(ToBytes(expected.general)));
    h.Restart();
    h.Show();
    LoadPack(h);
    h.Select("note.tx");
    QCOMPARE(h->StatusText(), QStringLiteral("note.tx: 5 バイト、無圧縮、テキスト"));
    h.Select("sub.npc");
    QCOMPARE(h->StatusText(),
             QString("sub.npc: %1 バイト、無圧縮、3 エントリを含む").arg(Serialize(kSub).size()));
    // Branch: Yes to All, no program for Open Folder; Play, no audio; Open starts here, in Japanese.
    WriteFile(h.dir / "sub/line.txt", "mine");
    QFileDialog().setDirectory(QDir::tempPath());
    QString started;
    const ModalStep open = [&](QWidget* w) {
      auto* list = w->findChild<QTreeView*>("treeView");
      QTRY_COMPARE(list->model()->index(0, 0, list->rootIndex()).data().toString(), "sub");  // folders first
      const QModelIndex type = list->model()->index(0, 2, list->rootIndex()), file = type.sibling(1, 0);
      started = (qobject_cast<QFileDialog*>(w)->directory() == QDir(h.dir.path()) ? "DIR " : "elsewhere ") +
                type.data().toString() + ' ' + type.siblingAtColumn(3).data().toString() + ' ' +
                file.data().toString() + ' ' + file.siblingAtColumn(1).data().toString();
    };
    {
      ModalDriver boxes({[](QWidget* w) { QMetaObject::invokeMethod(w, "accept"); },
                         Do(QString::number(QMessageBox::YesToAll)), Do("action"), Do("1024"), Do("1024"),
                         open});
      std::unique_ptr<QMenu> menu;
      MenuItem(h, "sub.npc", "exportBranch", menu)->trigger();
      h.Select("s.wav");
      qputenv("SDL_AUDIODRIVER", "disk");  // whose "device" cannot be opened
      qputenv("SDL_DISKAUDIOFILE", "/nonexistent/speakers");
      QTest::mouseClick(h->MusicPlayerView().PlayButton(), Qt::LeftButton);
      qputenv("SDL_AUDIODRIVER", "dummy");
      h->Action(kIdFileOpen)->trigger();
      QCOMPARE(boxes.seen.mid(2).join('|').replace(QString::fromStdString(h.dir.path()), "DIR") +
                   started.replace(QRegularExpression("\\d+"), "#"),
               "information: 書き出しが終わりました。\n書き出し: 2\n上書きしなかった: 0\n失敗: 0|warning: "
               "フォルダーを開けません。フォルダーを開くプログラムが見つかりません。\n[DIR]|warning: "
               "サウンドを再生できません。使えるオーディオ出力デバイスがありません。|QFileDialogDIR "
               "フォルダー #/#/# #:# pack.god # バイト");
    }
    const QFont chosen("DejaVu Sans Mono", 14, QFont::Bold);
    const auto look = [&](QWidget* w) {
      QCOMPARE(w->font().pixelSize(), 11);
      QVERIFY((w->frameGeometry().center() - h->frameGeometry().center()).manhattanLength() <= 2);
    };
    const auto dialog = [&](const QString& actions) -> ModalStep {
      return [&, actions](QWidget* w) { look(w), Do(actions)(w); };
    };
    const ModalStep choose = [&](QWidget* w) {
      qobject_cast<QFontDialog*>(w)->setCurrentFont(chosen);
      qobject_cast<QFontDialog*>(w)->accept();
    };
    const ModalStep exportDialog = [&](QWidget* w) {  // its explanations: no line wrapped
      look(w);
      for (QLabel* l : w->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        QCOMPARE(l->height(), l->fontMetrics().size(0, l->text()).height());
    };
    ModalDriver modals({dialog("1002 2"), choose, dialog("1001 1"), choose, dialog("1002 1"), choose,
                        exportDialog, dialog("")});
    h->Action(kIdOptionConfiguration)->trigger();  // a new font, then Cancel
    QVERIFY(!ReadIniValue(h.SettingsPath(), "Tazor_CustomFileViewer", "FontViewer").has_value());
    const auto fontsShown = [&] {
      QCOMPARE(h->Fonts(), expected);
      QCOMPARE(h->TreeView().font(), ToQFont(expected.fileTree));
      QCOMPARE(h->TextView().font(), ToQFont(expected.viewer));
    };
    for (LogFont* font : {&expected.fileTree, &expected.viewer}) {
      h->Action(kIdOptionConfiguration)->trigger();
      *font = FromQFont(chosen, *font, h->ScreenDpi());
      fontsShown();
      QVERIFY(ReadIniValue(h.SettingsPath(), "Tazor_CustomFileViewer", "FontViewer").has_value());
    }
    for (int command : {kIdFileExport, kIdHelpAbout}) h->Action(command)->trigger();
    QCOMPARE(modals.seen.filter("cfv::").size(), 5);  // Configuration 3 times, Export, About
    h->LoadPaths({h.dir / "none"});                   // the progress dialog shows at once, not for long
    look(h->Loader().Dialog());
    h.Restart();
    fontsShown();
  }

  // Every dialog against one contract, in both languages: a fixed size of
  // its template in dialog units of the General font, every control and text
  // inside, centred over its owner, and how it ends. A row per dialog: its
  // template size, and its endings "actions = outcome" ("ja:" first: in
  // Japanese; actions for Do; outcome: the result, "up" while it stays open,
  // and what the dialog then holds).
  void Contract_data() {
    QTest::addColumn<QSize>("units");
    QTest::addColumn<QString>("endings");
    // clang-format off
    QTest::newRow("export") << QSize(300, 204) << "1008 1009 1010 1008 1 = 1 skip=0 rename=1|ja: 1009 enter = 1 skip=1 "
        "rename=0|ja: 1008 2 = 2 skip=0 rename=1|esc = 2 skip=1 rename=1|close = 2 skip=1 rename=1";  // 1010: Default
    QTest::newRow("configuration") << QSize(288, 138) << "ja: enter = 1|1000 1001 1002 1 = 1 general fileTree viewer|"
        "ja: 1001 enter = 1 fileTree|1002 2 = 2 viewer|ja: 1000 esc = 2 general|close = 2";
    QTest::newRow("about") << QSize(187, 102) << "1 = 1 icon|ja: enter = 1 icon|esc = 2 icon|ja: close = 2 icon";
    QTest::newRow("progress") << QSize(252, 72) << "2 = 2 aborted|ja: esc = 2 aborted|close = 2 aborted";
    // Up until the walk has run to its end.
    QTest::newRow("exportProgress") << QSize(260, 76) << "2 = up cancelled greyed|ja: esc = up cancelled greyed|"
        "close = up cancelled greyed";
    // clang-format on
  }
  void Contract() {
    QFETCH(QSize, units);
    QFETCH(QString, endings);
    const QString kind = QTest::currentDataTag();
    for (const QString& ending : endings.split('|')) {
      const bool japanese = ending.startsWith("ja: ");
      const QString actions = ending.section(" = ", 0, 0).remove("ja: ");
      const UiLanguage language = japanese ? UiLanguage::kJapanese : UiLanguage::kEnglish;
      LogFont general = MakeDefaultFont(language, 96);
      general.lfHeight = japanese ? -20 : -13;
      QWidget owner;
      owner.setGeometry(100, 80, 900, 700);
      owner.show();
      // The dialog. Configuration gets the General font and two a pixel smaller
      // each, and a chooser that gives the face "Chosen".
      const UiContext context{&owner, language, ToQFont(general), {}};
      UserFonts before{general, general, general};
      before.fileTree.lfHeight -= 1;
      before.viewer.lfHeight -= 2;
      std::unique_ptr<QDialog> d;
      if (kind == "export") d = std::make_unique<CExportDlg>(context);
      if (kind == "about") d = std::make_unique<CAboutDlg>(context);
      if (kind == "progress") d = std::make_unique<CWaitDlg>(context);
      if (kind == "exportProgress") d = std::make_unique<CExportProgressDlg>(context);
      if (kind == "configuration")
        d = std::make_unique<COptionConfigDlg>(before, language, 96, [](LogFont chosen, QWidget*) {
          chosen.SetFaceName("Chosen");
          return std::optional<LogFont>(chosen);
        });
      bool cancelled = false;
      if (auto* job = qobject_cast<JobDialog*>(d.get()))
        connect(job, &JobDialog::CancelRequested, [&] { cancelled = true; });
      if (auto* wait = qobject_cast<CWaitDlg*>(d.get())) wait->Open();
      if (kind != "progress") d->setParent(&owner, d->windowFlags()), d->open();
      QVERIFY(QTest::qWaitForWindowActive(d.get()));
      QCOMPARE(d->font(), ToQFont(general));
      // cx by cy dialog units, with base units worked out here: the average
      // width of the letters rounded, and the line height. Configure Export
      // grows downwards where a long explanation needs it.
      const QFontMetrics m(d->font());
      const long baseX =
          std::lround(m.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52.0);
      const int height = int(std::lround(units.height() * m.height() / 8.0));
      QCOMPARE(d->width(), int(std::lround(units.width() * baseX / 4.0)));
      QVERIFY(d->height() == height || (kind == "export" && d->height() > height));
      QVERIFY(d->minimumSize() == d->size() && d->maximumSize() == d->size());
      QVERIFY((d->frameGeometry().center() - owner.frameGeometry().center()).manhattanLength() <= 2);
      for (QWidget* control : d->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        QVERIFY2(d->rect().contains(control->geometry()), qPrintable(control->objectName()));
      QString icon;
      for (QLabel* l : d->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        const int flags = int(l->alignment()) | (l->wordWrap() ? Qt::TextWordWrap : 0);
        const QRect text = l->fontMetrics().boundingRect(l->contentsRect(), flags, l->text());
        QVERIFY2(l->contentsRect().contains(text), qPrintable(l->text()));
        for (QWidget* c : d->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))  // Export: a line free below
          QVERIFY(kind != "export" || c->y() <= l->y() || c->y() >= l->y() + l->height() + m.height());
        if (!l->pixmap().isNull()) icon = " icon";
      }
      Do(actions)(d.get());
      QString out = (d->isVisible() ? QString("up") : QString::number(d->result())) + icon;
      if (auto* e = qobject_cast<CExportDlg*>(d.get()))
        out += QString::asprintf(" skip=%d rename=%d", e->Options().skipExtractable,
                                 e->Options().renameExtension);
      if (kind == "progress" && cancelled) out += " aborted";
      if (kind == "exportProgress" && cancelled) out += " cancelled";
      if (kind == "exportProgress" && !FindControl<QPushButton>(*d, 2)->isEnabled()) out += " greyed";
      // Configuration: the fonts replaced, each from the right one.
      for (int i = 0; i < 3 && qobject_cast<COptionConfigDlg*>(d.get()); ++i) {
        const auto& c = static_cast<COptionConfigDlg&>(*d);
        const LogFont now = std::array{c.Fonts().general, c.Fonts().fileTree, c.Fonts().viewer}[i];
        if (now.FaceName() == "Chosen") out += " " + QString("general fileTree viewer").section(' ', i, i);
        if (now.lfHeight != general.lfHeight - i) out += " (from the wrong font)";
        if (!FindControl<QLabel>(c, COptionConfigDlg::kIdDescGeneral + i)
                 ->text()
                 .startsWith(now.FaceName().c_str()))
          out += " (description not shown)";
      }
      QCOMPARE(QString(japanese ? "ja: " : "") + actions + " = " + out, ending);
      if (kind == "exportProgress") static_cast<CExportProgressDlg&>(*d).JobEnded();
      QVERIFY(!d->isVisible());
    }
  }

  // A normal close ends with 1 and saves nothing; paths on the command line
  // load at the start, as full paths.
  void ExitStatuses() {
    FrameHarness h;
    WriteSingleEntryFile(h.dir / "b.god", "b.t");
    WriteSingleEntryFile(h.dir / "sub/a.npc", "a.t");
    QStringList roots;
    const auto exit = [&](CMainFrame& frame) {
      QTRY_VERIFY(frame.Loader().IsIdle());
      for (int row = 0; row < frame.Model().rowCount(); ++row)
        roots << frame.Model().index(row, 0).data().toString().mid(int(h.dir.path().string().size()));
      frame.Action(kIdFileExit)->trigger();
    };
    QCOMPARE(Run({[] { return std::string("en-US"); }, h.SettingsPath()}, exit, {"./b.god", "sub/"}), 1);
    QCOMPARE(roots, (QStringList{"/b.god", "/sub/a.npc"}));
    QVERIFY(!fs::exists(h.SettingsPath()));
    // Without a display, --version still works; anything else gets a message
    // and a status other than 0 and 1. Closed standard descriptors are opened
    // on /dev/null, and a file size limit fails the write instead of killing.
    for (auto [line, status, out, err] :
         {std::tuple("%1 --version", 0, "tazor-custom-file-viewer " CFV_VERSION "\n", ""),
          std::tuple("%1 x.god", int(kExitNoMainWindow), "", "cannot create the main window"),
          std::tuple("%1 --version <&- >&- 2>&-", 0, "", ""),
          std::tuple("ulimit -f 0; %1 --version >v", 1, "", "")}) {
      QProcess program;
      program.start("sh", {"-c", QString(line).arg("exec env QT_QPA_PLATFORM=no-such-platform \"$0\""),
                           CFV_PROGRAM_PATH});
      QVERIFY(program.waitForFinished(60000) && program.exitStatus() == QProcess::NormalExit);
      QCOMPARE(program.exitCode(), status);
      QCOMPARE(QString::fromUtf8(program.readAllStandardOutput()).left(int(strlen(out))), QString(out));
      const QString errors = QString::fromUtf8(program.readAllStandardError());
      QVERIFY2(*err ? errors.contains(err) : errors.isEmpty(), qPrintable(errors));
    }
  }
};

namespace {

// The window the rows are dragged from: prints where face.bm and sub.npc
// are in it, writes into DIR/expected what their drag must give, and ends
// when DIR/quit appears.
int DragSource(const char* arg) {
  const fs::path dir = arg;
  WriteFile(dir / "expected/face.bmp", kBmp);
  WriteFile(dir / "expected/sub/line.txt", "hello");
  WriteFile(dir / "expected/sub/deep/v.txt", "deep");
  FrameHarness h;
  LoadPack(h);
  h->resize(400, 300);
  h->show();
  if (!QTest::qWaitForWindowExposed(&*h, 60000)) return 1;  // however loaded the machine is
  for (const char* item : {"face.bm", "sub.npc"}) {
    const QPoint at = h->TreeView().viewport()->mapTo(&*h, h->TreeView().visualRect(h.Index(item)).center());
    std::printf("%d %d\n", at.x(), at.y());
  }
  std::fflush(stdout);
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (fs::exists(dir / "quit")) QApplication::quit();
  });
  poll.start(50);
  return QApplication::exec();
}

// A window that prints "ready" once shown, the paths dropped on it, and
// "over" once it has answered a drag moving over it.
class DropTarget : public QWidget {
 public:
  DropTarget() { setAcceptDrops(true), setWindowTitle("cfv drop target"), resize(200, 200); }
  void dragEnterEvent(QDragEnterEvent* event) override { event->acceptProposedAction(); }
  void dragMoveEvent(QDragMoveEvent* event) override {
    event->acceptProposedAction();
    QTimer::singleShot(0, [] { std::printf("over\n"), std::fflush(stdout); });
  }
  void dropEvent(QDropEvent* event) override {
    for (const QUrl& url : event->mimeData()->urls()) std::printf("%s\n", qPrintable(url.toLocalFile()));
    std::fflush(stdout);
    event->acceptProposedAction();
  }
};

int DropOnTarget(const char*) {
  DropTarget target;
  target.show();
  if (!QTest::qWaitForWindowExposed(&target, 60000)) return 1;
  std::printf("ready\n"), std::fflush(stdout);
  return QApplication::exec();
}

}  // namespace

CFV_GUI_TEST(MainFrameTest)
CFV_GUI_ROLE("--drag-source", DragSource)
CFV_GUI_ROLE("--drop-target", DropOnTarget)
#include "main_frame_test.moc"
