// The Configuration dialog, the dialog-unit layout helper and the QFont
// conversion, driven through the real widgets.
#include <QAbstractButton>
#include <QFontDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <cmath>
#include <optional>

#include "common/ui/dialog_layout.h"
#include "common/ui/message_box.h"
#include "common/ui/ui_text.h"
#include "modal_dialog.h"
#include "settings/ui/font_conversion.h"
#include "settings/ui/option_config_dlg.h"

using namespace cfv;

namespace {

LogFont Font(const char* face, int height, int weight = 400) {
  LogFont f = MakeDefaultFont(UiLanguage::kEnglish, 96);
  f.SetFaceName(face);
  f.lfHeight = height;
  f.lfWeight = weight;
  return f;
}

// Base units worked out here from the font's metrics (average letter width
// rounded, line height), not by the helper under test.
QPoint BaseUnits(const LogFont& font) {
  const QFontMetrics m(ToQFont(font));
  const int width =
      m.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return QPoint(static_cast<int>(std::lround(width / 52.0)), m.height());
}

QRect Expected(const LogFont& font, int x, int y, int cx, int cy) {
  const QPoint b = BaseUnits(font);
  auto px = [](int dlu, int base, int div) {
    return static_cast<int>(std::lround(double(dlu) * base / div));
  };
  return QRect(px(x, b.x(), 4), px(y, b.y(), 8), px(cx, b.x(), 4), px(cy, b.y(), 8));
}

}  // namespace

class SettingsUiTest : public QObject {
  Q_OBJECT

 private slots:
  void negativeHeightIsPixelSize() {
    LogFont f = Font("DejaVu Sans", -16, 700);
    f.lfItalic = 1;
    f.lfUnderline = 1;
    f.lfStrikeOut = 1;
    const QFont q = ToQFont(f);
    QCOMPARE(q.pixelSize(), 16);
    QCOMPARE(q.weight(), QFont::Bold);
    QVERIFY(q.italic());
    QVERIFY(q.underline());
    QVERIFY(q.strikeOut());
    QCOMPARE(q.family(), QStringLiteral("DejaVu Sans"));
  }

  void positiveHeightIsCellHeight() {
    const QFont q = ToQFont(Font("DejaVu Sans", 30));
    // The line height comes out as the cell height (within rounding).
    QVERIFY2(std::abs(QFontMetrics(q).height() - 30) <= 2,
             qPrintable(QString::number(QFontMetrics(q).height())));
    QVERIFY(q.pixelSize() < 30);
  }

  void weightMapsOneToOne() {
    QCOMPARE(ToQFont(Font("x", -12, 401)).weight(), 401);
    QCOMPARE(ToQFont(Font("x", -12, 0)).weight(), 400);  // "don't care" is normal
  }

  void fromQFontKeepsWhatQFontCannotHold() {
    LogFont base = Font("Arial", -16);
    base.lfCharSet = 128;
    base.lfQuality = 2;
    base.lfPitchAndFamily = 0x22;
    QFont q(QStringLiteral("DejaVu Serif"));
    q.setPixelSize(21);
    q.setWeight(QFont::DemiBold);
    q.setItalic(true);
    const LogFont f = FromQFont(q, base, 96);
    QCOMPARE(f.FaceName(), std::string("DejaVu Serif"));
    QCOMPARE(f.lfHeight, -21);
    QCOMPARE(f.lfWeight, 600);
    QCOMPARE(f.lfItalic, 1);
    QCOMPARE(f.lfCharSet, 128);
    QCOMPARE(f.lfQuality, 2);
    QCOMPARE(f.lfPitchAndFamily, 0x22);

    QFont points(QStringLiteral("DejaVu Serif"));
    points.setPointSize(9);
    QCOMPARE(FromQFont(points, base, 120).lfHeight, -15);
    QCOMPARE(FromQFont(ToQFont(base), base, 96), base);
  }

  void dialogControlsSitAtTheirDialogUnits_data() {
    QTest::addColumn<int>("height");
    QTest::newRow("small General font") << -11;
    QTest::newRow("default 12pt") << -16;
    QTest::newRow("large") << -24;
  }

  void dialogControlsSitAtTheirDialogUnits() {
    QFETCH(int, height);
    UserFonts fonts;
    fonts.general = Font("DejaVu Sans", height);
    fonts.fileTree = fonts.viewer = Font("DejaVu Sans", -16);
    COptionConfigDlg dlg(fonts, UiLanguage::kEnglish, 96);
    const LogFont& g = fonts.general;
    QCOMPARE(dlg.size(), Expected(g, 0, 0, 288, 138).size());
    struct Control {
      int id;
      QRect dlu;
    };
    const Control controls[] = {
        {1, {156, 114, 60, 18}},   {2, {222, 114, 60, 18}},   {1003, {84, 24, 120, 18}},
        {1000, {210, 24, 60, 18}}, {1004, {84, 48, 120, 18}}, {1001, {210, 48, 60, 18}},
        {1005, {84, 72, 120, 18}}, {1002, {210, 72, 60, 18}},
    };
    for (const Control& c : controls) {
      QWidget* w = FindControl<QWidget>(dlg, c.id);
      QVERIFY2(w != nullptr, qPrintable(QString::number(c.id)));
      QCOMPARE(w->geometry(), Expected(g, c.dlu.x(), c.dlu.y(), c.dlu.width(), c.dlu.height()));
    }
    auto* group = dlg.findChild<QGroupBox*>();
    QVERIFY(group != nullptr);
    QCOMPARE(group->geometry(), Expected(g, 6, 6, 276, 96));
    QCOMPARE(group->title(), QStringLiteral("Font"));
    QCOMPARE(dlg.font().pixelSize(), -height);
  }

  void dialogUnitsConvertWithWindowsRounding() {
    const DialogUnits u(7, 16);
    QCOMPARE(u.ToPixels(4, 8, 60, 14), QRect(7, 16, 105, 28));
    QCOMPARE(u.ToPixelsX(2), 4);  // 3.5 -> 4
    QCOMPARE(u.ToPixelsY(3), 6);
  }

  void textsInBothLanguages() {
    const UserFonts fonts{Font("DejaVu Sans", -16), Font("DejaVu Sans", -16), Font("DejaVu Sans", -16)};
    COptionConfigDlg en(fonts, UiLanguage::kEnglish, 96);
    QCOMPARE(en.windowTitle(), QStringLiteral("[ Configuration ] - Tazor Custom File Viewer"));
    QCOMPARE(FindControl<QPushButton>(en, COptionConfigDlg::kIdCancel)->text(), QStringLiteral("Cancel"));
    QCOMPARE(FindControl<QPushButton>(en, COptionConfigDlg::kIdSelectGeneral)->text(),
             QStringLiteral("Select"));
    COptionConfigDlg ja(fonts, UiLanguage::kJapanese, 96);
    QCOMPARE(ja.windowTitle(), QStringLiteral("[ 設定 ] - Tazor カスタムファイルビューア"));
    QCOMPARE(FindControl<QPushButton>(ja, COptionConfigDlg::kIdOk)->text(), QStringLiteral("OK"));
    QCOMPARE(FindControl<QPushButton>(ja, COptionConfigDlg::kIdCancel)->text(), QStringLiteral("キャンセル"));
    QCOMPARE(FindControl<QPushButton>(ja, COptionConfigDlg::kIdSelectPreview)->text(),
             QStringLiteral("変更"));
    QStringList labels;
    for (QLabel* l : ja.findChildren<QLabel*>()) {
      if (l->objectName().isEmpty()) labels << l->text();
    }
    labels.sort();
    QStringList expected{QStringLiteral("全般"), QStringLiteral("ファイル一覧"), QStringLiteral("ビューア")};
    expected.sort();
    QCOMPARE(labels, expected);
    QCOMPARE(ja.findChild<QGroupBox*>()->title(), QStringLiteral("フォント"));
  }

  void descriptionsShowTheThreeFonts() {
    LogFont bold = Font("Bold Face", -16, 700);
    bold.lfItalic = 1;
    const UserFonts fonts{Font("General Face", -16), Font("Tree Face", -20), bold};
    COptionConfigDlg dlg(fonts, UiLanguage::kEnglish, 120);
    QCOMPARE(FindControl<QLabel>(dlg, COptionConfigDlg::kIdDescGeneral)->text(),
             QStringLiteral("General Face 10pt"));
    QCOMPARE(FindControl<QLabel>(dlg, COptionConfigDlg::kIdDescFileList)->text(),
             QStringLiteral("Tree Face 12pt"));
    QCOMPARE(FindControl<QLabel>(dlg, COptionConfigDlg::kIdDescPreview)->text(),
             QStringLiteral("Bold Face 10pt [太字,斜体]"));
  }

  void okReturnsOneWithTheChosenFonts() {
    const UserFonts fonts{Font("A", -16), Font("B", -16), Font("C", -16)};
    int chooserCalls = 0;
    LogFont seen;
    COptionConfigDlg dlg(fonts, UiLanguage::kEnglish, 96, [&](const LogFont& initial, QWidget*) {
      ++chooserCalls;
      seen = initial;
      return std::optional<LogFont>(Font("Chosen", -32, 700));
    });
    test::WhenModalShown([](QWidget* w) {
      QTest::mouseClick(FindControl<QPushButton>(*w, COptionConfigDlg::kIdSelectFileList), Qt::LeftButton);
      QTest::mouseClick(FindControl<QPushButton>(*w, COptionConfigDlg::kIdOk), Qt::LeftButton);
    });
    QCOMPARE(dlg.Show(nullptr), COptionConfigDlg::kResultOk);
    QCOMPARE(chooserCalls, 1);
    QCOMPARE(seen, fonts.fileTree);
    QCOMPARE(dlg.Fonts().general, fonts.general);
    QCOMPARE(dlg.Fonts().fileTree, Font("Chosen", -32, 700));
    QCOMPARE(dlg.Fonts().viewer, fonts.viewer);
    QCOMPARE(FindControl<QLabel>(dlg, COptionConfigDlg::kIdDescFileList)->text(),
             QStringLiteral("Chosen 24pt [太字]"));
  }

  void cancelledChooserChangesNothing() {
    const UserFonts fonts{Font("A", -16), Font("B", -16), Font("C", -16)};
    COptionConfigDlg dlg(fonts, UiLanguage::kEnglish, 96,
                         [](const LogFont&, QWidget*) { return std::optional<LogFont>(); });
    QTest::mouseClick(FindControl<QPushButton>(dlg, COptionConfigDlg::kIdSelectPreview), Qt::LeftButton);
    QCOMPARE(dlg.Fonts(), fonts);
    QCOMPARE(FindControl<QLabel>(dlg, COptionConfigDlg::kIdDescPreview)->text(), QStringLiteral("C 12pt"));
  }

  void cancelEscapeAndCloseReturnTwo_data() {
    QTest::addColumn<int>("how");
    QTest::newRow("Cancel button") << 0;
    QTest::newRow("Esc") << 1;
    QTest::newRow("close box") << 2;
  }

  void cancelEscapeAndCloseReturnTwo() {
    QFETCH(int, how);
    const UserFonts fonts{Font("A", -16), Font("B", -16), Font("C", -16)};
    COptionConfigDlg dlg(fonts, UiLanguage::kEnglish, 96,
                         [](const LogFont&, QWidget*) { return std::optional<LogFont>(Font("New", -9)); });
    test::WhenModalShown([how](QWidget* w) {
      QTest::mouseClick(FindControl<QPushButton>(*w, COptionConfigDlg::kIdSelectGeneral), Qt::LeftButton);
      if (how == 0)
        QTest::mouseClick(FindControl<QPushButton>(*w, COptionConfigDlg::kIdCancel), Qt::LeftButton);
      if (how == 1) QTest::keyClick(w, Qt::Key_Escape);
      if (how == 2) w->close();
    });
    QCOMPARE(dlg.Show(nullptr), COptionConfigDlg::kResultCancel);
  }

  void enterPressesOkWhichHasTheFocus() {
    const UserFonts fonts{Font("A", -16), Font("B", -16), Font("C", -16)};
    COptionConfigDlg dlg(fonts, UiLanguage::kEnglish, 96);
    test::WhenModalShown([](QWidget* w) {
      QCOMPARE(QApplication::focusWidget(), FindControl<QWidget>(*w, COptionConfigDlg::kIdOk));
      QTest::keyClick(w, Qt::Key_Return);
    });
    QCOMPARE(dlg.Show(nullptr), COptionConfigDlg::kResultOk);
  }

  void dialogIsCentredOverItsOwner() {
    QWidget owner;
    owner.setGeometry(100, 80, 900, 700);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    const UserFonts fonts{Font("A", -16), Font("B", -16), Font("C", -16)};
    COptionConfigDlg dlg(fonts, UiLanguage::kEnglish, 96);
    QPoint centre;
    test::WhenModalShown([&centre](QWidget* w) {
      centre = w->frameGeometry().center();
      w->close();
    });
    dlg.Show(&owner);
    QVERIFY2((centre - owner.frameGeometry().center()).manhattanLength() <= 2,
             qPrintable(QStringLiteral("%1,%2").arg(centre.x()).arg(centre.y())));
  }

  // The chooser opens on the face the program renders (Arial is not
  // installed: its substitute), and OK on that face keeps the stored name;
  // another face is stored as chosen.
  void fontChooserOpensOnTheRenderedFaceAndKeepsItsName() {
    InstallWindowsFontSubstitutes();
    const LogFont arial = Font("Arial", -16);
    const QString rendered = QFontInfo(ToQFont(arial)).family();
    for (const QString& pick : {QString(), QStringLiteral("DejaVu Sans")}) {
      QString shown;
      test::WhenModalShown([&](QWidget* w) {
        auto* chooser = qobject_cast<QFontDialog*>(w);
        QVERIFY(chooser != nullptr);
        shown = chooser->currentFont().family();
        if (!pick.isEmpty()) chooser->setCurrentFont(QFont(pick, 12));
        chooser->accept();
      });
      const std::optional<LogFont> chosen = ChooseFontWithDialog(arial, nullptr, 96);
      QCOMPARE(shown, rendered);
      QVERIFY(chosen.has_value());
      QCOMPARE(QString::fromStdString(chosen->FaceName()), pick.isEmpty() ? QStringLiteral("Arial") : pick);
    }
  }

  // Last: it changes Qt's texts for the rest of the process. In the
  // Japanese window Qt's own buttons read as on a Japanese system.
  void japaneseWindowHasQtsButtonsInJapanese() {
    if (!InstallQtTranslations(UiLanguage::kJapanese)) QSKIP("Qt's Japanese translations are not installed");
    const QString caption = ToQString(texts::kProgramTitle.In(UiLanguage::kJapanese));
    QStringList buttons;
    test::WhenModalShown([&](QWidget* w) {
      for (const QAbstractButton* b : w->findChildren<QAbstractButton*>()) buttons << b->text();
      w->close();
    });
    ShowMessageBox(nullptr, QMessageBox::Question, caption, QStringLiteral("?"),
                   QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::Ok);
    buttons.sort();
    QCOMPARE(buttons.join(QLatin1Char(' ')).remove(QLatin1Char('&')),
             QStringLiteral("OK いいえ(N) はい(Y) キャンセル"));
  }
};

QTEST_MAIN(SettingsUiTest)
#include "settings_ui_test.moc"
