// The Configure Export dialog driven through its real widgets, offscreen.
#include "export/ui/export_dlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "common/ui/dialog_layout.h"
#include "modal_dialog.h"
#include "settings/ui/font_conversion.h"
#include "settings/user_fonts.h"

using namespace cfv;

namespace {

using test::WhenModalShown;

QCheckBox* Box(QWidget* w, int id) { return FindControl<QCheckBox>(*w, id); }

// Clicks a check box on its indicator, as a user does (the box is much wider
// than its text).
void ClickBox(QWidget* w, int id) {
  QCheckBox* box = Box(w, id);
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

// The labels of the dialog in template order (the two explanations).
QList<QLabel*> Notes(const QWidget& w) { return w.findChildren<QLabel*>(Qt::FindDirectChildrenOnly); }

}  // namespace

class ExportDlgTest : public QObject {
  Q_OBJECT

 private slots:
  void layoutAndTextsInEnglish() {
    const LogFont font = MakeDefaultFont(UiLanguage::kEnglish, 96);
    CExportDlg dlg(font, UiLanguage::kEnglish);
    QCOMPARE(dlg.windowTitle(), QStringLiteral("[ Configure Export ] - Tazor Custom File Viewer"));
    const DialogUnits units(ToQFont(font));
    QCOMPARE(dlg.size(), units.ToPixels(300, 180));
    struct Control {
      int id;
      QString text;
      QRect dlu;
    };
    const Control controls[] = {
        {1, "Export", {168, 156, 60, 18}},
        {2, "Cancel", {234, 156, 60, 18}},
        {1010, "Default", {6, 156, 60, 18}},
        {1008, "Do not export extractable file", {6, 6, 288, 12}},
        {1009, "Rename extension", {6, 72, 288, 12}},
    };
    for (const Control& c : controls) {
      auto* button = FindControl<QAbstractButton>(dlg, c.id);
      QVERIFY2(button != nullptr, qPrintable(QString::number(c.id)));
      QCOMPARE(button->text(), c.text);
      QCOMPARE(button->geometry(), units.ToPixels(c.dlu.x(), c.dlu.y(), c.dlu.width(), c.dlu.height()));
    }
    QVERIFY(FindControl<QPushButton>(dlg, 1)->isDefault());
    QVERIFY(!FindControl<QPushButton>(dlg, 2)->isDefault());
    const QList<QLabel*> notes = Notes(dlg);
    QCOMPARE(notes.size(), 2);
    QCOMPARE(notes[0]->text(), QStringLiteral("(e.g. [*.cmp or *.npc])"));
    QCOMPARE(notes[0]->geometry(), units.ToPixels(18, 24, 276, 30));
    QCOMPARE(notes[1]->text(), QStringLiteral("(e.g. .t --> .txt / .bm --> .bmp)"));
    QCOMPARE(notes[1]->geometry(), units.ToPixels(18, 90, 276, 30));
  }

  void textsInJapanese() {
    CExportDlg dlg(MakeDefaultFont(UiLanguage::kJapanese, 96), UiLanguage::kJapanese);
    QCOMPARE(dlg.windowTitle(), QStringLiteral("[ 書き出しの設定 ] - Tazor カスタムファイルビューア"));
    QCOMPARE(FindControl<QPushButton>(dlg, 1)->text(), QStringLiteral("書き出す"));
    QCOMPARE(FindControl<QPushButton>(dlg, 2)->text(), QStringLiteral("キャンセル"));
    QCOMPARE(FindControl<QPushButton>(dlg, 1010)->text(), QStringLiteral("デフォルト"));
    QCOMPARE(FindControl<QCheckBox>(dlg, 1008)->text(), QStringLiteral("展開可能なファイルは書き出さない"));
    QCOMPARE(FindControl<QCheckBox>(dlg, 1009)->text(), QStringLiteral("拡張子を補正する"));
    const QList<QLabel*> notes = Notes(dlg);
    QCOMPARE(notes.size(), 2);
    QCOMPARE(notes[0]->text().count('\n'), 2);  // three lines each
    QCOMPARE(notes[1]->text().count('\n'), 2);
    QVERIFY(notes[1]->text().endsWith(QStringLiteral("（例：npcの設定テキストは .t → .txt にする）")));
  }

  // Each opening starts with both boxes checked, whatever the last one left.
  void bothCheckedAtEveryOpening() {
    const LogFont font = MakeDefaultFont(UiLanguage::kEnglish, 96);
    for (int round = 0; round < 2; ++round) {
      CExportDlg dlg(font, UiLanguage::kEnglish);
      WhenModalShown([](QWidget* w) {
        QVERIFY(Box(w, 1008)->isChecked());
        QVERIFY(Box(w, 1009)->isChecked());
        ClickBox(w, 1008);
        ClickBox(w, 1009);
        QTest::mouseClick(FindControl<QPushButton>(*w, 1), Qt::LeftButton);
      });
      QCOMPARE(dlg.Show(nullptr), CExportDlg::kResultExport);
      QCOMPARE(dlg.Options().skipExtractable, 0);
      QCOMPARE(dlg.Options().renameExtension, 0);
    }
  }

  void defaultChecksBothAndStaysOpen() {
    CExportDlg dlg(MakeDefaultFont(UiLanguage::kEnglish, 96), UiLanguage::kEnglish);
    WhenModalShown([](QWidget* w) {
      ClickBox(w, 1009);
      QVERIFY(!Box(w, 1009)->isChecked());
      QTest::mouseClick(FindControl<QPushButton>(*w, 1010), Qt::LeftButton);
      QVERIFY(w->isVisible());
      QVERIFY(Box(w, 1008)->isChecked());
      QVERIFY(Box(w, 1009)->isChecked());
      ClickBox(w, 1008);
      QTest::mouseClick(FindControl<QPushButton>(*w, 1), Qt::LeftButton);
    });
    QCOMPARE(dlg.Show(nullptr), CExportDlg::kResultExport);
    QCOMPARE(dlg.Options().skipExtractable, 0);
    QCOMPARE(dlg.Options().renameExtension, 1);
  }

  // Enter presses Export, which has the focus first; the options go with it.
  void enterExportsWithTheOptions() {
    CExportDlg dlg(MakeDefaultFont(UiLanguage::kEnglish, 96), UiLanguage::kEnglish);
    WhenModalShown([](QWidget* w) {
      QCOMPARE(QApplication::focusWidget(), FindControl<QWidget>(*w, 1));
      Box(w, 1009)->setChecked(false);
      QTest::keyClick(w, Qt::Key_Return);
    });
    QCOMPARE(dlg.Show(nullptr), CExportDlg::kResultExport);
    QCOMPARE(dlg.Options().skipExtractable, 1);
    QCOMPARE(dlg.Options().renameExtension, 0);
  }

  void cancelEscapeAndCloseBoxCancel() {
    for (int how = 0; how < 3; ++how) {
      CExportDlg dlg(MakeDefaultFont(UiLanguage::kEnglish, 96), UiLanguage::kEnglish);
      WhenModalShown([how](QWidget* w) {
        if (how == 0) QTest::mouseClick(FindControl<QPushButton>(*w, 2), Qt::LeftButton);
        if (how == 1) QTest::keyClick(w, Qt::Key_Escape);
        if (how == 2) w->close();
      });
      QCOMPARE(dlg.Show(nullptr), CExportDlg::kResultCancel);
    }
  }

  void centredOverItsOwner() {
    QWidget owner;
    owner.setGeometry(100, 80, 900, 700);
    owner.show();
    CExportDlg dlg(MakeDefaultFont(UiLanguage::kEnglish, 96), UiLanguage::kEnglish);
    QPoint centre;
    WhenModalShown([&centre](QWidget* w) {
      centre = w->frameGeometry().center();
      w->close();
    });
    dlg.Show(&owner);
    QVERIFY((centre - owner.frameGeometry().center()).manhattanLength() <= 2);
  }
};

QTEST_MAIN(ExportDlgTest)
#include "export_dlg_test.moc"
