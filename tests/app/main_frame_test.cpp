// The main window in both languages: caption, menu, status bar, splitter,
// drop prompt and drops, fonts from the settings file, and the
// Configuration and About commands driven through their dialogs.
#include "app/main_frame.h"

#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QtTest>

#include "app/about_dlg.h"
#include "app/drop_paths.h"
#include "app/pane_splitter.h"
#include "common/language.h"
#include "common/ui/dialog_layout.h"
#include "containers/ui/drop_loader.h"
#include "containers/ui/entry_filter_box.h"
#include "containers/ui/entry_tree_model.h"
#include "custom_file_builder.h"
#include "modal_dialog.h"
#include "settings/ini_file.h"
#include "settings/profile_struct.h"
#include "settings/ui/option_config_dlg.h"

using namespace cfv;

namespace {

FrameEnvironment Env(const test::TempDir& dir, std::string locale) {
  FrameEnvironment env;
  env.systemLocaleName = [locale] { return locale; };
  env.settingsFile = dir / "TazorCustomFileViewer.ini";
  return env;
}

QStringList MenuTitles(const CMainFrame& frame) {
  QStringList out;
  for (QAction* a : frame.menuBar()->actions()) out << a->text();
  return out;
}

}  // namespace

class MainFrameTest : public QObject {
  Q_OBJECT

 private slots:
  void textsInEachLanguage_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("menus");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("prompt");
    QTest::newRow("English") << "en-US"
                             << "Tazor Custom File Viewer Release 3 [21 Jan, 2019]"
                             << QStringList{"&File", "&Option", "&Help"}
                             << QStringList{"&Open...", "Open &Folder...", "&Export",
                                            "E&xit",    "&Configuration",  "&About Tazor Custom File Viewer"}
                             << "Drop Tazor Custom Files (*.god, *.item, *.npc, *.cwd) here";
    QTest::newRow("Japanese") << "ja-JP"
                              << "Tazor カスタムファイルビューア Release 3 [2019/01/21]"
                              << QStringList{"ファイル(&F)", "オプション(&O)", "ヘルプ(&H)"}
                              << QStringList{"開く(&O)...",
                                             "フォルダーを開く(&D)...",
                                             "書き出し(&E)",
                                             "終了(&X)",
                                             "設定(&C)",
                                             "Tazor カスタムファイルビューア のバージョン情報(&A)"}
                              << "Tazorカスタムファイルをドロップして下さい。";
    QTest::newRow("Japanese, any case")
        << "JA-jp"
        << "Tazor カスタムファイルビューア Release 3 [2019/01/21]"
        << QStringList{"ファイル(&F)", "オプション(&O)", "ヘルプ(&H)"}
        << QStringList{"開く(&O)...",  "フォルダーを開く(&D)...",
                       "書き出し(&E)", "終了(&X)",
                       "設定(&C)",     "Tazor カスタムファイルビューア のバージョン情報(&A)"}
        << "Tazorカスタムファイルをドロップして下さい。";
  }

  void textsInEachLanguage() {
    QFETCH(QString, locale);
    QFETCH(QString, title);
    QFETCH(QStringList, menus);
    QFETCH(QStringList, items);
    QFETCH(QString, prompt);
    test::TempDir dir;
    CMainFrame frame(Env(dir, locale.toStdString()));
    QCOMPARE(frame.windowTitle(), title);
    QCOMPARE(MenuTitles(frame), menus);
    const int ids[] = {kIdFileOpen, kIdFileOpenFolder,      kIdFileExport,
                       kIdFileExit, kIdOptionConfiguration, kIdHelpAbout};
    for (int i = 0; i < 6; ++i) {
      QAction* action = frame.Action(ids[i]);
      QVERIFY(action != nullptr);
      QCOMPARE(action->text(), items[i]);
      QCOMPARE(action->data().toInt(), ids[i]);
    }
    // File holds Open, Open Folder, a separator, Export, a separator, Exit.
    QMenu* file = frame.menuBar()->actions().at(0)->menu();
    QCOMPARE(file->actions().size(), 6);
    QVERIFY(file->actions().at(2)->isSeparator());
    QVERIFY(file->actions().at(4)->isSeparator());
    QCOMPARE(frame.Action(kIdFileOpen)->shortcut(), QKeySequence(QKeySequence::Open));
    QCOMPARE(frame.StatusText(), QStringLiteral("Ready"));  // English in both languages
    QCOMPARE(frame.TextView().toPlainText(), prompt);
    QVERIFY(frame.TextView().isReadOnly());
    QCOMPARE(frame.TextView().lineWrapMode(), QPlainTextEdit::WidgetWidth);
    QVERIFY(!frame.windowIcon().isNull());
  }

  void languageComesFromTheSystemLocaleFiles() {
    test::TempDir dir;
    test::WriteFile(dir / "locale", "LANG=ja_JP.UTF-8\n");
    FrameEnvironment env = Env(dir, "");
    env.systemLocaleName = [&dir] { return ReadSystemLocaleName({dir / "missing", dir / "locale"}); };
    CMainFrame frame(env);
    QCOMPARE(frame.Language(), UiLanguage::kJapanese);
    QCOMPARE(MenuTitles(frame).front(), QStringLiteral("ファイル(&F)"));
  }

  void panesAtCreationAndAfterResizing() {
    test::TempDir dir;
    CMainFrame frame(Env(dir, "en-US"));
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QCOMPARE(frame.Splitter().SplitterPos(), CMainFrame::kInitialTreeWidth);
    QCOMPARE(frame.TreeView().width(), 360);
    QCOMPARE(frame.Splitter().RightPane(), &frame.TextView());
    QVERIFY(frame.TextView().isVisible());
    QVERIFY(!frame.ImageView().isVisible());
    QVERIFY(!frame.MusicPlayerView().isVisible());
    frame.resize(1100, 700);
    QTRY_COMPARE(frame.Splitter().width(), 1100);
    QCOMPARE(frame.TreeView().width(), 360);
    QCOMPARE(frame.TextView().geometry().left(), 364);
    QCOMPARE(frame.TextView().width(), 1100 - 364);
    frame.resize(300, 500);
    QTRY_COMPARE(frame.Splitter().width(), 300);
    QCOMPARE(frame.Splitter().SplitterPos(), 360);
    QCOMPARE(frame.TreeView().width(), 360);
    frame.showMinimized();
    frame.showNormal();
    frame.resize(800, 500);
    QTRY_COMPARE(frame.Splitter().width(), 800);
    QCOMPARE(frame.TreeView().width(), 360);
  }

  void statusBarIsBlankWhileAMenuIsOpen() {
    test::TempDir dir;
    CMainFrame frame(Env(dir, "en-US"));
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QMenu* help = frame.menuBar()->actions().at(2)->menu();
    QString whileOpen;
    QTimer::singleShot(0, [&] {
      whileOpen = frame.StatusText();
      help->close();
    });
    help->exec(frame.mapToGlobal(QPoint(0, 0)));
    QCOMPARE(whileOpen, QString());
    QCOMPARE(frame.StatusText(), QStringLiteral("Ready"));
  }

  void dropsOfLocalFilesAreAccepted() {
    test::TempDir dir;
    CMainFrame frame(Env(dir, "en-US"));
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QVERIFY(frame.acceptDrops());

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a b.god")),
                   QUrl(QStringLiteral("https://x/y.god")),
                   QUrl::fromLocalFile(QStringLiteral("/tmp/folder"))});
    const auto paths = LocalPathsOf(files);
    QCOMPARE(paths.size(), std::size_t{2});
    QCOMPARE(paths[0], std::filesystem::path("/tmp/a b.god"));
    QCOMPARE(paths[1], std::filesystem::path("/tmp/folder"));

    const QPoint at = frame.TextView().geometry().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&frame, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&frame, &drop);
    QVERIFY(drop.isAccepted());

    QMimeData text;
    text.setText(QStringLiteral("not a file"));
    QDragEnterEvent textEnter(at, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    textEnter.setAccepted(false);
    QApplication::sendEvent(&frame, &textEnter);
    QVERIFY(!textEnter.isAccepted());
    // The panes leave drops to the window.
    QVERIFY(!frame.TextView().acceptDrops());
    QVERIFY(!frame.TreeView().acceptDrops());
  }

  void openAndOpenFolderLoadWhatIsChosen_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QStringList>("roots");
    QTest::newRow("files, in the order chosen")
        << int(kIdFileOpen) << "\"b.god\" \"a.god\"" << QStringList{"b.god", "a.god"};
    QTest::newRow("folder") << int(kIdFileOpenFolder) << "sub" << QStringList{"sub/c.npc", "sub/d/e.cwd"};
    QTest::newRow("cancelled") << int(kIdFileOpen) << "" << QStringList{};
  }
  void openAndOpenFolderLoadWhatIsChosen() {
    QFETCH(int, command);
    QFETCH(QString, chosen);
    QFETCH(QStringList, roots);
    test::TempDir dir;
    for (const char* name : {"a.god", "b.god", "sub/c.npc", "sub/d/e.cwd"}) {
      test::WriteSingleEntryFile(dir / name, "x.t");
    }
    const QString d = QString::fromStdString(dir.path().string());
    CMainFrame frame(Env(dir, "en-US"));
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    test::WhenModalShown([&](QWidget* w) {
      auto* dialog = qobject_cast<QFileDialog*>(w);
      QVERIFY(dialog != nullptr);
      if (chosen.isEmpty()) return dialog->reject();
      dialog->setDirectory(d);
      dialog->selectFile(chosen);
      QMetaObject::invokeMethod(dialog, "accept");
    });
    frame.Action(command)->trigger();
    QTRY_VERIFY(frame.Loader().IsIdle());
    QStringList loaded;
    for (int row = 0; row < frame.Model().rowCount(); ++row) {
      loaded << frame.Model().index(row, 0).data().toString().mid(d.size() + 1);
    }
    QCOMPARE(loaded, roots);
  }

  void ctrlFFiltersTheLoadedTree() {
    test::TempDir dir;
    test::WriteSingleEntryFile(dir / "a.god", "face.bmp");
    test::WriteSingleEntryFile(dir / "b.god", "voice.wav");
    CMainFrame frame(Env(dir, "en-US"));
    frame.show();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    frame.LoadPaths({dir / "a.god", dir / "b.god"});
    QTRY_VERIFY(frame.Loader().IsIdle());
    frame.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    frame.TreeView().setFocus();
    QTest::keyClick(&frame.TreeView(), Qt::Key_F, Qt::ControlModifier);
    QTRY_VERIFY(frame.FilterBox().Edit().hasFocus());
    QTest::keyClicks(&frame.FilterBox().Edit(), "*.wav");
    QCOMPARE(frame.Model().rowCount(), 1);
    QCOMPARE(frame.Model().index(0, 0, frame.Model().index(0, 0)).data().toString(),
             QStringLiteral("voice.wav"));
    QVERIFY(frame.TreeView().isExpanded(frame.Model().index(0, 0)));
  }

  void fontsComeFromTheSettingsFile() {
    test::TempDir dir;
    LogFont tree = MakeDefaultFont(UiLanguage::kEnglish, 96);
    tree.SetFaceName("DejaVu Serif");
    tree.lfHeight = -21;
    tree.lfWeight = 700;
    WriteIniValue(dir / "TazorCustomFileViewer.ini", "Tazor_CustomFileViewer", "FontFileTree",
                  EncodeProfileStruct(ToBytes(tree)));
    CMainFrame frame(Env(dir, "ja-JP"));
    QCOMPARE(frame.Fonts().fileTree, tree);
    QCOMPARE(frame.Fonts().general.FaceName(), std::string("Meiryo UI"));
    QCOMPARE(frame.TreeView().font().family(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(frame.TreeView().font().pixelSize(), 21);
    QCOMPARE(frame.TreeView().font().weight(), QFont::Bold);
    QCOMPARE(frame.TextView().font().family(), QStringLiteral("Meiryo UI"));
    QCOMPARE(frame.TextView().font().pixelSize(),
             -MakeDefaultFont(UiLanguage::kEnglish, frame.ScreenDpi()).lfHeight);
  }

  void configurationOkWritesAllThreeKeysEvenUnchanged() {
    test::TempDir dir;
    CMainFrame frame(Env(dir, "en-US"));
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    const UserFonts before = frame.Fonts();
    test::WhenModalShown([](QWidget* w) {
      QCOMPARE(w->windowTitle(), QStringLiteral("[ Configuration ] - Tazor Custom File Viewer"));
      QTest::mouseClick(FindControl<QPushButton>(*w, COptionConfigDlg::kIdOk), Qt::LeftButton);
    });
    frame.Action(kIdOptionConfiguration)->trigger();
    const auto ini = frame.SettingsFile();
    const std::string value = EncodeProfileStruct(ToBytes(before.general));
    for (const char* key : {"FontGeneral", "FontFileTree", "FontViewer"}) {
      QCOMPARE(ReadIniValue(ini, "Tazor_CustomFileViewer", key), std::optional<std::string>(value));
    }
    QCOMPARE(frame.Fonts(), before);
  }

  void configurationCancelWritesNothing() {
    test::TempDir dir;
    CMainFrame frame(Env(dir, "en-US"));
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    test::WhenModalShown([](QWidget* w) {
      QTest::mouseClick(FindControl<QPushButton>(*w, COptionConfigDlg::kIdCancel), Qt::LeftButton);
    });
    frame.Action(kIdOptionConfiguration)->trigger();
    QVERIFY(!std::filesystem::exists(frame.SettingsFile()));
  }

  void newFontsApplyAtOnceAndReadBackAtTheNextStart() {
    test::TempDir dir;
    UserFonts chosen;
    int dpi = 0;
    {
      CMainFrame frame(Env(dir, "en-US"));
      dpi = frame.ScreenDpi();
      frame.show();
      QVERIFY(QTest::qWaitForWindowExposed(&frame));
      // Option > Configuration, Select for the preview font, pick a font in
      // the font chooser, OK.
      test::WhenModalShown([](QWidget* config) {
        QTimer::singleShot(0, [] {
          auto* chooser = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
          QVERIFY(chooser != nullptr);
          QFont font(QStringLiteral("DejaVu Sans Mono"));
          font.setPointSize(14);
          font.setBold(true);
          chooser->setCurrentFont(font);
          chooser->accept();
        });
        QTest::mouseClick(FindControl<QPushButton>(*config, COptionConfigDlg::kIdSelectPreview),
                          Qt::LeftButton);
        QVERIFY(FindControl<QLabel>(*config, COptionConfigDlg::kIdDescPreview)
                    ->text()
                    .startsWith(QStringLiteral("DejaVu Sans Mono 14pt")));
        QTest::mouseClick(FindControl<QPushButton>(*config, COptionConfigDlg::kIdOk), Qt::LeftButton);
      });
      frame.Action(kIdOptionConfiguration)->trigger();
      chosen = frame.Fonts();
      QCOMPARE(chosen.viewer.FaceName(), std::string("DejaVu Sans Mono"));
      QCOMPARE(chosen.viewer.lfHeight, -MulDiv(14, dpi, 72));
      QCOMPARE(chosen.viewer.lfWeight, 700);
      QCOMPARE(chosen.viewer.lfCharSet, 128);  // kept from the font before
      // Applied at once.
      QCOMPARE(frame.TextView().font().family(), QStringLiteral("DejaVu Sans Mono"));
      QCOMPARE(frame.TextView().font().pixelSize(), MulDiv(14, dpi, 72));
    }
    CMainFrame again(Env(dir, "en-US"));
    QCOMPARE(again.Fonts(), chosen);
    QCOMPARE(again.TextView().font().family(), QStringLiteral("DejaVu Sans Mono"));
  }

  void aboutFollowsTheGeneralFontAsItIsNow() {
    test::TempDir dir;
    UserFonts fonts = LoadUserFonts(dir / "none", MakeDefaultFont(UiLanguage::kEnglish, 96));
    fonts.general.lfHeight = -11;
    SaveUserFonts(dir / "TazorCustomFileViewer.ini", fonts);
    CMainFrame frame(Env(dir, "en-US"));
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    int pixelSize = 0;
    test::WhenModalShown([&pixelSize](QWidget* w) {
      pixelSize = w->font().pixelSize();
      w->close();
    });
    frame.Action(kIdHelpAbout)->trigger();
    QCOMPARE(pixelSize, 11);
  }

  void aboutShowsIconTitleAndRelease_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("text");
    QTest::newRow("English") << "en-US"
                             << "About"
                             << "Tazor Custom File Viewer\nRelease 3 [21 Jan, 2019]";
    QTest::newRow("Japanese") << "ja-JP"
                              << "バージョン情報"
                              << "Tazor カスタムファイルビューア\nRelease 3 [2019/01/21]";
  }

  void aboutShowsIconTitleAndRelease() {
    QFETCH(QString, locale);
    QFETCH(QString, caption);
    QFETCH(QString, text);
    test::TempDir dir;
    CMainFrame frame(Env(dir, locale.toStdString()));
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QString seenCaption;
    QStringList texts;
    bool hasIcon = false;
    QPoint centre;
    test::WhenModalShown([&](QWidget* w) {
      seenCaption = w->windowTitle();
      for (QLabel* l : w->findChildren<QLabel*>()) {
        if (!l->text().isEmpty()) texts << l->text();
        if (!l->pixmap().isNull()) hasIcon = true;
      }
      centre = w->frameGeometry().center();
      QTest::keyClick(w, Qt::Key_Return);
    });
    frame.Action(kIdHelpAbout)->trigger();
    QCOMPARE(seenCaption, caption);
    QCOMPARE(texts, QStringList{text});
    QVERIFY(hasIcon);
    QVERIFY((centre - frame.frameGeometry().center()).manhattanLength() <= 2);
  }

  void aboutDialogGeometryAndResults() {
    const LogFont general = MakeDefaultFont(UiLanguage::kEnglish, 96);
    CAboutDlg dlg(general, UiLanguage::kEnglish);
    const DialogUnits units(dlg.font());
    QCOMPARE(dlg.size(), units.ToPixels(187, 102));
    QPushButton* ok = FindControl<QPushButton>(dlg, CAboutDlg::kIdOk);
    QCOMPARE(ok->geometry(), units.ToPixels(130, 81, 50, 14));
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    test::WhenModalShown([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    QCOMPARE(dlg.Show(nullptr), CAboutDlg::kResultCancel);
    CAboutDlg again(general, UiLanguage::kEnglish);
    test::WhenModalShown([](QWidget* w) {
      QTest::mouseClick(FindControl<QPushButton>(*w, CAboutDlg::kIdOk), Qt::LeftButton);
    });
    QCOMPARE(again.Show(nullptr), CAboutDlg::kResultOk);
  }

  void aboutTextStaysTwoLinesThatFit_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("height");
    QTest::newRow("English 12pt") << int(UiLanguage::kEnglish) << -16;
    QTest::newRow("Japanese 12pt") << int(UiLanguage::kJapanese) << -16;
    QTest::newRow("English large") << int(UiLanguage::kEnglish) << -22;
  }

  void aboutTextStaysTwoLinesThatFit() {
    QFETCH(int, language);
    QFETCH(int, height);
    LogFont general = MakeDefaultFont(static_cast<UiLanguage>(language), 96);
    general.lfHeight = height;
    CAboutDlg dlg(general, static_cast<UiLanguage>(language));
    auto* text = dlg.findChild<QLabel*>(QStringLiteral("aboutText"));
    QVERIFY(text != nullptr);
    QVERIFY(!text->wordWrap());
    const QStringList lines = text->text().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 2);
    const QFontMetrics metrics(dlg.font());
    const DialogUnits units(dlg.font());
    const QRect template78 = units.ToPixels(25, 57, 78, 32);
    const QRect group = units.ToPixels(7, 7, 115, 88);
    QVERIFY(group.contains(text->geometry()));
    QCOMPARE(text->geometry().top(), template78.top());
    QCOMPARE(text->geometry().height(), template78.height());
    QVERIFY(text->width() >= template78.width());
    for (const QString& line : lines)
      QVERIFY2(metrics.horizontalAdvance(line) <= text->width(), qPrintable(line));
    QVERIFY(2 * metrics.height() <= text->height());
  }

  void exitClosesTheWindow() {
    test::TempDir dir;
    CMainFrame frame(Env(dir, "en-US"));
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    frame.Action(kIdFileExit)->trigger();
    QVERIFY(!frame.isVisible());
    QVERIFY(!std::filesystem::exists(frame.SettingsFile()));
  }

  void ctrlCCopiesFromTheTextView() {
    test::TempDir dir;
    CMainFrame frame(Env(dir, "en-US"));
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    frame.TextView().setFocus();
    frame.TextView().selectAll();
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(&frame.TextView(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), frame.TextView().toPlainText());
  }

  void checkBoxesPropagateInTheFramesTree() {
    test::TempDir dir;
    CMainFrame frame(Env(dir, "en-US"));
    EntryTree t;
    const ItemId root = t.AppendItem(kNoItem, "r.god");
    const ItemId a = t.AppendItem(root, "a");
    t.AppendItem(a, "a1");
    t.AppendItem(root, "b");
    frame.Model().AppendFileTree(std::move(t));
    QAbstractItemModel* model = frame.TreeView().model();
    QCOMPARE(model, static_cast<QAbstractItemModel*>(&frame.Model()));
    model->setData(model->index(0, 0), Qt::Checked, Qt::CheckStateRole);
    for (ItemId id = 0; id < 4; ++id) QVERIFY(frame.Model().Tree().IsChecked(id));
  }
};

QTEST_MAIN(MainFrameTest)
#include "main_frame_test.moc"
