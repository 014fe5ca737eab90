// Every dialog of the program against one contract, in both languages: a
// fixed size of its template in dialog units of the General font, every
// control and text inside, centred over its owner, and how it ends (its
// buttons, Enter, Escape, the close box) with what it then holds.
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <cmath>

#include "app/about_dlg.h"
#include "common/ui/dialog_layout.h"
#include "containers/ui/wait_dlg.h"
#include "export/ui/export_dlg.h"
#include "export/ui/export_progress.h"
#include "gui_test.h"
#include "modal_dialog.h"
#include "settings/ui/font_conversion.h"
#include "settings/ui/option_config_dlg.h"

using namespace cfv;

class DialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void Contract_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("japanese");
    QTest::addColumn<QString>("actions");  // for cfv::test::Do
    QTest::addColumn<QString>("outcome");  // the result ("up": still open), what it then holds
    const auto row = [](const char* kind, bool japanese, const char* actions, const char* outcome) {
      QTest::addRow("%s: %s%s", kind, actions, japanese ? ", Japanese" : "")
          << kind << japanese << actions << outcome;
    };
    // clang-format off
    row("export", false, "1008 1009 1010 1008 1", "1 skip=0 rename=1");  // Default checks both, stays open
    row("export", true, "1009 enter", "1 skip=1 rename=0");
    row("export", true, "1008 2", "2 skip=0 rename=1");
    row("export", false, "esc", "2 skip=1 rename=1");
    row("export", false, "close", "2 skip=1 rename=1");
    row("configuration", true, "enter", "1");
    row("configuration", false, "1000 1001 1002 1", "1 general fileTree viewer");
    row("configuration", true, "1001 enter", "1 fileTree");
    row("configuration", false, "1002 2", "2 viewer");
    row("configuration", true, "1000 esc", "2 general");
    row("configuration", false, "close", "2");
    row("about", false, "1", "1 icon");
    row("about", true, "enter", "1 icon");
    row("about", false, "esc", "2 icon");
    row("about", true, "close", "2 icon");
    row("progress", false, "2", "2 aborted");
    row("progress", true, "esc", "2 aborted");
    row("progress", false, "close", "2 aborted");
    row("exportProgress", false, "2", "up cancelled greyed");  // up until the walk has run to its end
    row("exportProgress", true, "esc", "up cancelled greyed");
    row("exportProgress", false, "close", "up cancelled greyed");
    // clang-format on
  }
  void Contract() {
    QFETCH(QString, kind);
    QFETCH(bool, japanese);
    const UiLanguage language = japanese ? UiLanguage::kJapanese : UiLanguage::kEnglish;
    LogFont general = MakeDefaultFont(language, 96);
    general.lfHeight = japanese ? -20 : -13;
    QWidget owner;
    owner.setGeometry(100, 80, 900, 700);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    // The dialog, its template size, and what it holds at the end.
    std::unique_ptr<QDialog> d;
    QSize units;
    std::function<QString()> held;
    auto load = std::make_shared<LoadControl>();
    ExportProgressShare share;
    if (kind == "export") {
      auto* e = new CExportDlg(general, language);
      d.reset(e), units = {300, 204};
      held = [e] {
        return QString::asprintf(" skip=%d rename=%d", e->Options().skipExtractable,
                                 e->Options().renameExtension);
      };
    } else if (kind == "about") {
      d = std::make_unique<CAboutDlg>(general, language), units = {187, 102};
      held = [&] {
        const auto labels = d->findChildren<QLabel*>();
        return std::any_of(labels.begin(), labels.end(), [](QLabel* l) { return !l->pixmap().isNull(); })
                   ? " icon"
                   : "";
      };
    } else if (kind == "progress") {
      d = std::make_unique<CWaitDlg>(&owner, general, language), units = {252, 72};
      held = [&] { return QString(load->abortRequested ? " aborted" : ""); };
    } else if (kind == "exportProgress") {
      d = std::make_unique<CExportProgressDlg>(&owner, general, language, share), units = {260, 76};
      held = [&] {
        const bool greyed = !FindControl<QPushButton>(*d, CExportProgressDlg::kIdCancel)->isEnabled();
        return QString(share.CancelRequested() ? " cancelled" : "") + (greyed ? " greyed" : "");
      };
    } else {  // Configuration: General and two a pixel smaller each; the chooser gives the face "Chosen"
      LogFont tree = general, viewer = general;
      tree.lfHeight -= 1;
      viewer.lfHeight -= 2;
      auto* c = new COptionConfigDlg(UserFonts{general, tree, viewer}, language, 96,
                                     [](const LogFont& initial, QWidget*) {
                                       LogFont chosen = initial;
                                       chosen.SetFaceName("Chosen");
                                       return std::optional<LogFont>(chosen);
                                     });
      d.reset(c), units = {288, 138};
      held = [c, before = c->Fonts()] {  // the fonts the chooser replaced, each from the right one
        QString out;
        const std::pair<const char*, const LogFont*> fonts[] = {
            {" general", &before.general}, {" fileTree", &before.fileTree}, {" viewer", &before.viewer}};
        const LogFont* now[] = {&c->Fonts().general, &c->Fonts().fileTree, &c->Fonts().viewer};
        for (int i = 0; i < 3; ++i) {
          if (now[i]->FaceName() == "Chosen") out += fonts[i].first;
          if (now[i]->lfHeight != fonts[i].second->lfHeight) out += " (from the wrong font)";
          if (!FindControl<QLabel>(*c, COptionConfigDlg::kIdDescGeneral + i)
                   ->text()
                   .startsWith(now[i]->FaceName().c_str()))
            out += " (description not shown)";
        }
        return out;
      };
    }
    if (kind == "progress") static_cast<CWaitDlg&>(*d).Open(load, [] { return false; });
    if (kind != "progress") d->setParent(&owner, d->windowFlags());
    if (kind != "progress") d->open();
    QVERIFY(QTest::qWaitForWindowActive(d.get()));
    QCOMPARE(d->font(), ToQFont(general));
    // cx by cy dialog units, with base units worked out here: the average
    // width of the letters rounded, and the line height. Configure Export
    // grows downwards where a long explanation needs it.
    const QFontMetrics m(d->font());
    const long baseX =
        std::lround(m.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 52.0);
    const QSize size(int(std::lround(units.width() * baseX / 4.0)),
                     int(std::lround(units.height() * m.height() / 8.0)));
    QCOMPARE(d->width(), size.width());
    QVERIFY(d->height() == size.height() || (kind == "export" && d->height() > size.height()));
    QVERIFY(d->minimumSize() == d->size() && d->maximumSize() == d->size());
    QVERIFY((d->frameGeometry().center() - owner.frameGeometry().center()).manhattanLength() <= 2);
    for (QWidget* control : d->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      QVERIFY2(d->rect().contains(control->geometry()), qPrintable(control->objectName()));
      auto* label = qobject_cast<QLabel*>(control);
      const int flags = label ? int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0) : 0;
      if (label)
        QVERIFY2(label->contentsRect().contains(
                     label->fontMetrics().boundingRect(label->contentsRect(), flags, label->text())),
                 qPrintable(label->text()));
    }
    QFETCH(QString, actions);
    test::Do(actions)(d.get());
    QTEST((d->isVisible() ? QString("up") : QString::number(d->result())) + held(), "outcome");
    if (kind == "exportProgress") static_cast<CExportProgressDlg&>(*d).Finish();
    QVERIFY(!d->isVisible());
  }
};

CFV_GUI_TEST(DialogsTest)
#include "dialogs_test.moc"
