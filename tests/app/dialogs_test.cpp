// Every dialog of the program against one contract, in both languages: a
// fixed size of its template in dialog units of the General font, every
// control and text inside, centred over its owner, and how it ends (its
// buttons, Enter, Escape, the close box) with what it then holds.
#include <QCheckBox>
#include <QDialog>
#include <QEventLoop>
#include <QLabel>
#include <QtTest>
#include <cmath>

#include "app/about_dlg.h"
#include "containers/ui/wait_dlg.h"
#include "export/ui/export_dlg.h"
#include "gui_test.h"
#include "modal_dialog.h"
#include "settings/ui/font_conversion.h"
#include "settings/ui/option_config_dlg.h"

using namespace cfv;

namespace {

// A dialog kind: its template size, and how to build it and run it to its
// end; the run gives "<result>" and what the dialog then holds.
struct Kind {
  int cx;
  int cy;
  std::function<QDialog*(const LogFont&, UiLanguage, QWidget& owner)> make;
  std::function<QString(QDialog&, QWidget& owner)> run;
};

// The fonts the Configuration dialog got, as "<which>" for each the stub
// chooser replaced (starting from the right font).
QString Chosen(const COptionConfigDlg& dialog, const LogFont& general) {
  QString out;
  const std::pair<const char*, const LogFont*> fonts[] = {{" general", &dialog.Fonts().general},
                                                          {" fileTree", &dialog.Fonts().fileTree},
                                                          {" viewer", &dialog.Fonts().viewer}};
  for (int i = 0; i < 3; ++i) {
    if (fonts[i].second->FaceName() == "Chosen") out += fonts[i].first;
    if (fonts[i].second->lfHeight != general.lfHeight - i) out += " (wrong font)";
  }
  return out;
}

const std::map<QString, Kind>& Kinds() {
  static const std::map<QString, Kind> kinds{
      {"Configure Export",
       {300, 180, [](const LogFont& f, UiLanguage l, QWidget&) { return new CExportDlg(f, l); },
        [](QDialog& d, QWidget& owner) {
          auto& dialog = static_cast<CExportDlg&>(d);
          const int result = dialog.Show(&owner);
          return QStringLiteral("%1 skip=%2 rename=%3")
              .arg(result)
              .arg(dialog.Options().skipExtractable)
              .arg(dialog.Options().renameExtension);
        }}},
      {"Configuration",
       {288, 138,
        [](const LogFont& f, UiLanguage l, QWidget&) {
          LogFont tree = f, viewer = f;
          tree.lfHeight -= 1;
          viewer.lfHeight -= 2;
          return new COptionConfigDlg(UserFonts{f, tree, viewer}, l, 96,
                                      [](const LogFont& initial, QWidget*) {
                                        LogFont chosen = initial;
                                        chosen.SetFaceName("Chosen");
                                        return std::optional<LogFont>(chosen);
                                      });
        },
        [](QDialog& d, QWidget& owner) {
          auto& dialog = static_cast<COptionConfigDlg&>(d);
          const LogFont general = dialog.Fonts().general;
          const int result = dialog.Show(&owner);
          return QString::number(result) + Chosen(dialog, general);
        }}},
      {"About",
       {187, 102, [](const LogFont& f, UiLanguage l, QWidget&) { return new CAboutDlg(f, l); },
        [](QDialog& d, QWidget& owner) {
          const int result = static_cast<CAboutDlg&>(d).Show(&owner);
          bool icon = false;
          for (QLabel* label : d.findChildren<QLabel*>()) icon = icon || !label->pixmap().isNull();
          return QString::number(result) + (icon ? " icon" : "");
        }}},
      {"progress",
       {252, 72, [](const LogFont& f, UiLanguage l, QWidget& owner) { return new CWaitDlg(&owner, f, l); },
        [](QDialog& d, QWidget&) {
          auto control = std::make_shared<LoadControl>();
          static_cast<CWaitDlg&>(d).Open(control, [] { return false; });
          QEventLoop loop;
          QObject::connect(&d, &QDialog::finished, &loop, &QEventLoop::exit);
          const int result = loop.exec();
          return QString::number(result) + (control->abortRequested ? " aborted" : "");
        }}},
  };
  return kinds;
}

// The size of cx by cy dialog units in `font`, with base units worked out
// here: the average width of the letters rounded, and the line height.
QSize TemplateSize(const QFont& font, int cx, int cy) {
  const QFontMetrics m(font);
  const long baseX =
      std::lround(m.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52.0);
  return QSize(static_cast<int>(std::lround(cx * baseX / 4.0)),
               static_cast<int>(std::lround(cy * m.height() / 8.0)));
}

}  // namespace

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void Contract_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("japanese");
    QTest::addColumn<QString>("actions");  // for cfv::test::Do
    QTest::addColumn<QString>("outcome");
    QTest::newRow("Export: Export") << "Configure Export" << false << "1"
                                    << "1 skip=1 rename=1";
    QTest::newRow("Export: both boxes off") << "Configure Export" << false << "1008 1009 1"
                                            << "1 skip=0 rename=0";
    QTest::newRow("Export: Enter") << "Configure Export" << true << "1009 enter"
                                   << "1 skip=1 rename=0";
    QTest::newRow("Export: Default checks both, stays open")
        << "Configure Export" << false << "1008 1009 1010 1008 1"
        << "1 skip=0 rename=1";
    QTest::newRow("Export: Cancel") << "Configure Export" << true << "1008 2"
                                    << "2 skip=0 rename=1";
    QTest::newRow("Export: Escape") << "Configure Export" << false << "esc"
                                    << "2 skip=1 rename=1";
    QTest::newRow("Export: close box") << "Configure Export" << false << "close"
                                       << "2 skip=1 rename=1";
    QTest::newRow("Configuration: OK") << "Configuration" << false << "1"
                                       << "1";
    QTest::newRow("Configuration: Enter") << "Configuration" << true << "enter"
                                          << "1";
    QTest::newRow("Configuration: file list font") << "Configuration" << false << "1001 1"
                                                   << "1 fileTree";
    QTest::newRow("Configuration: all fonts") << "Configuration" << true << "1000 1001 1002 1"
                                              << "1 general fileTree viewer";
    QTest::newRow("Configuration: Cancel") << "Configuration" << false << "1002 2"
                                           << "2 viewer";
    QTest::newRow("Configuration: Escape") << "Configuration" << true << "1000 esc"
                                           << "2 general";
    QTest::newRow("Configuration: close box") << "Configuration" << false << "close"
                                              << "2";
    QTest::newRow("About: OK") << "About" << false << "1"
                               << "1 icon";
    QTest::newRow("About: Enter") << "About" << true << "enter"
                                  << "1 icon";
    QTest::newRow("About: Escape") << "About" << false << "esc"
                                   << "2 icon";
    QTest::newRow("About: close box") << "About" << true << "close"
                                      << "2 icon";
    QTest::newRow("progress: Abort") << "progress" << false << "2"
                                     << "2 aborted";
    QTest::newRow("progress: Escape") << "progress" << true << "esc"
                                      << "2 aborted";
    QTest::newRow("progress: close box") << "progress" << false << "close"
                                         << "2 aborted";
  }
  void Contract() {
    QFETCH(QString, kind);
    QFETCH(bool, japanese);
    QFETCH(QString, actions);
    const UiLanguage language = japanese ? UiLanguage::kJapanese : UiLanguage::kEnglish;
    LogFont general = MakeDefaultFont(language, 96);
    general.lfHeight = japanese ? -20 : -13;
    QWidget owner;
    owner.setGeometry(100, 80, 900, 700);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    const Kind& k = Kinds().at(kind);
    std::unique_ptr<QDialog> dialog(k.make(general, language, owner));
    test::ModalDriver modals({[&](QWidget* w) {
      QCOMPARE(w, dialog.get());
      QCOMPARE(w->font(), ToQFont(general));
      QCOMPARE(w->size(), TemplateSize(ToQFont(general), k.cx, k.cy));
      QVERIFY(w->minimumSize() == w->size() && w->maximumSize() == w->size());
      QVERIFY((w->frameGeometry().center() - owner.frameGeometry().center()).manhattanLength() <= 2);
      for (QWidget* control : w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        QVERIFY2(w->rect().contains(control->geometry()), qPrintable(control->objectName()));
        if (auto* label = qobject_cast<QLabel*>(control)) {
          const QRect room = label->contentsRect();
          const int flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
          QVERIFY2(room.contains(label->fontMetrics().boundingRect(room, flags, label->text())),
                   qPrintable(label->text()));
        }
      }
      test::Do(actions)(w);
    }});
    QTEST(k.run(*dialog, owner), "outcome");
    QCOMPARE(modals.seen.size(), 1);
  }
};

CFV_GUI_TEST(DialogsTest)
#include "dialogs_test.moc"
