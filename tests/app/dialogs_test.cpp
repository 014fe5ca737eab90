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
  // A row per dialog: its template size, and its endings "actions = outcome"
  // ("ja:" first: in Japanese; actions for cfv::test::Do; outcome: the
  // result, "up" while it stays open, and what the dialog then holds).
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
      QVERIFY(QTest::qWaitForWindowExposed(&owner));
      // The dialog. Configuration gets the General font and two a pixel smaller
      // each, and a chooser that gives the face "Chosen".
      auto load = std::make_shared<LoadControl>();
      ExportProgressShare share;
      UserFonts before{general, general, general};
      before.fileTree.lfHeight -= 1;
      before.viewer.lfHeight -= 2;
      std::unique_ptr<QDialog> d;
      if (kind == "export") d = std::make_unique<CExportDlg>(general, language);
      if (kind == "about") d = std::make_unique<CAboutDlg>(general, language);
      if (kind == "progress") d = std::make_unique<CWaitDlg>(&owner, general, language);
      if (kind == "exportProgress")
        d = std::make_unique<CExportProgressDlg>(&owner, general, language, share);
      if (kind == "configuration")
        d = std::make_unique<COptionConfigDlg>(before, language, 96, [](const LogFont& initial, QWidget*) {
          LogFont chosen = initial;
          chosen.SetFaceName("Chosen");
          return std::optional<LogFont>(chosen);
        });
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
      test::Do(actions)(d.get());
      // The result ("up": still open) and what the dialog then holds.
      QString out = d->isVisible() ? QString("up") : QString::number(d->result());
      if (auto* e = qobject_cast<CExportDlg*>(d.get()))
        out += QString::asprintf(" skip=%d rename=%d", e->Options().skipExtractable,
                                 e->Options().renameExtension);
      for (QLabel* label : d->findChildren<QLabel*>())
        if (kind == "about" && !label->pixmap().isNull()) out += " icon";
      if (kind == "progress" && load->abortRequested) out += " aborted";
      if (kind == "exportProgress" && share.CancelRequested()) out += " cancelled";
      if (kind == "exportProgress" && !FindControl<QPushButton>(*d, 2)->isEnabled()) out += " greyed";
      // Configuration: the fonts replaced, each from the right one.
      if (auto* c = qobject_cast<COptionConfigDlg*>(d.get())) {
        const LogFont* was[] = {&before.general, &before.fileTree, &before.viewer};
        const LogFont* now[] = {&c->Fonts().general, &c->Fonts().fileTree, &c->Fonts().viewer};
        for (int i = 0; i < 3; ++i) {
          if (now[i]->FaceName() == "Chosen")
            out += " " + QString("general fileTree viewer").section(' ', i, i);
          if (now[i]->lfHeight != was[i]->lfHeight) out += " (from the wrong font)";
          const QString description = FindControl<QLabel>(*c, COptionConfigDlg::kIdDescGeneral + i)->text();
          if (!description.startsWith(now[i]->FaceName().c_str())) out += " (description not shown)";
        }
      }
      QCOMPARE(QString(japanese ? "ja: " : "") + actions + " = " + out, ending);
      if (kind == "exportProgress") static_cast<CExportProgressDlg&>(*d).Finish();
      QVERIFY(!d->isVisible());
    }
  }
};

CFV_GUI_TEST(DialogsTest)
#include "dialogs_test.moc"
