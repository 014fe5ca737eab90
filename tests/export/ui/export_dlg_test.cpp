// The Configure Export dialog driven through its real widgets, offscreen.
#include "export/ui/export_dlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "common/ui/dialog_layout.h"
#include "modal_dialog.h"
#include "settings/user_fonts.h"

using namespace cfv;

class ExportDlgTest : public QObject {
  Q_OBJECT

 private slots:
  // Each opening starts with both boxes checked and the focus on Export;
  // how the dialog ends gives its result and the options it read.
  void Endings_data() {
    QTest::addColumn<QString>("steps");  // c: click Export, x: Cancel, d: Default, s/r: a box, ⏎, ⎋, ×
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("skip");
    QTest::addColumn<int>("rename");
    QTest::newRow("Export") << "c" << CExportDlg::kResultExport << 1 << 1;
    QTest::newRow("both unticked") << "src" << CExportDlg::kResultExport << 0 << 0;
    QTest::newRow("Enter") << "r\n" << CExportDlg::kResultExport << 1 << 0;
    QTest::newRow("Default checks both and stays open") << "srdsc" << CExportDlg::kResultExport << 0 << 1;
    QTest::newRow("Cancel") << "sx" << CExportDlg::kResultCancel << 0 << 1;
    QTest::newRow("Escape") << "\x1b" << CExportDlg::kResultCancel << 1 << 1;
    QTest::newRow("close box") << "z" << CExportDlg::kResultCancel << 1 << 1;
  }
  void Endings() {
    QFETCH(QString, steps);
    QFETCH(int, result);
    QFETCH(int, skip);
    QFETCH(int, rename);
    CExportDlg dlg(MakeDefaultFont(UiLanguage::kEnglish, 96), UiLanguage::kEnglish);
    test::WhenModalShown([steps](QWidget* w) {
      auto* skipBox = FindControl<QCheckBox>(*w, CExportDlg::kIdSkipExtractable);
      auto* renameBox = FindControl<QCheckBox>(*w, CExportDlg::kIdRenameExtension);
      QVERIFY(skipBox->isChecked() && renameBox->isChecked());
      QCOMPARE(QApplication::focusWidget(), FindControl<QWidget>(*w, CExportDlg::kIdExport));
      for (QChar step : steps) {
        QVERIFY(w->isVisible());
        // A box is clicked on its indicator, as a user does (the box is much wider than its text).
        if (step == 's') QTest::mouseClick(skipBox, Qt::LeftButton, {}, QPoint(6, skipBox->height() / 2));
        if (step == 'r') QTest::mouseClick(renameBox, Qt::LeftButton, {}, QPoint(6, renameBox->height() / 2));
        if (step == 'c')
          QTest::mouseClick(FindControl<QPushButton>(*w, CExportDlg::kIdExport), Qt::LeftButton);
        if (step == 'x')
          QTest::mouseClick(FindControl<QPushButton>(*w, CExportDlg::kIdCancel), Qt::LeftButton);
        if (step == 'd')
          QTest::mouseClick(FindControl<QPushButton>(*w, CExportDlg::kIdDefault), Qt::LeftButton);
        if (step == '\n') QTest::keyClick(w, Qt::Key_Return);
        if (step == '\x1b') QTest::keyClick(w, Qt::Key_Escape);
        if (step == 'z') w->close();
      }
    });
    QCOMPARE(dlg.Show(nullptr), result);
    QCOMPARE(dlg.Options().skipExtractable, skip);
    QCOMPARE(dlg.Options().renameExtension, rename);
  }

  // In both languages every control lies inside the dialog, and no
  // explanation loses a line; the dialog is centred over its owner.
  void LayoutAndPlace() {
    QWidget owner;
    owner.setGeometry(100, 80, 900, 700);
    owner.show();
    for (UiLanguage language : {UiLanguage::kEnglish, UiLanguage::kJapanese}) {
      CExportDlg dlg(MakeDefaultFont(language, 96), language);
      const QList<QWidget*> controls = dlg.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
      QCOMPARE(controls.size(), 12);
      for (QWidget* c : controls) {
        QVERIFY2(dlg.rect().contains(c->geometry()), qPrintable(c->objectName()));
        if (auto* note = qobject_cast<QLabel*>(c))
          QVERIFY(note->heightForWidth(note->width()) <= note->height());
      }
      QPoint centre;
      test::WhenModalShown([&centre](QWidget* w) {
        centre = w->frameGeometry().center();
        w->close();
      });
      dlg.Show(&owner);
      QVERIFY((centre - owner.frameGeometry().center()).manhattanLength() <= 2);
    }
  }
};

QTEST_MAIN(ExportDlgTest)
#include "export_dlg_test.moc"
