// The fonts as Qt sees them: LOGFONT to QFont and back, the platform font
// chooser, and Qt's own texts in Japanese.
#include <QAbstractButton>
#include <QFontDialog>
#include <QFontInfo>
#include <QtTest>

#include "common/ui/message_box.h"
#include "gui_test.h"
#include "modal_dialog.h"
#include "settings/ui/font_conversion.h"
#include "settings/ui/option_config_dlg.h"

using namespace cfv;

namespace {

LogFont Font(const char* face, int height, int weight = 400, std::uint8_t styles = 0) {
  LogFont f = MakeDefaultFont(UiLanguage::kEnglish, 96);
  f.SetFaceName(face);
  f.lfHeight = height;
  f.lfWeight = weight;
  f.lfItalic = f.lfUnderline = f.lfStrikeOut = styles;
  return f;
}

}  // namespace

class SettingsUiTest : public QObject {
  Q_OBJECT

 private slots:
  // A negative height is the pixel size, a positive one the cell height;
  // weight 0 is normal. Back from a QFont, what it cannot hold is kept.
  void FontConversion() {
    const QFont q = ToQFont(Font("DejaVu Sans", -16, 700, 1));
    QVERIFY(q.pixelSize() == 16 && q.weight() == QFont::Bold && q.italic() && q.underline() && q.strikeOut());
    QCOMPARE(q.family(), QStringLiteral("DejaVu Sans"));
    QVERIFY(std::abs(QFontMetrics(ToQFont(Font("DejaVu Sans", 30))).height() - 30) <= 2);
    QCOMPARE(ToQFont(Font("x", -12, 401)).weight(), 401);
    QCOMPARE(ToQFont(Font("x", -12, 0)).weight(), 400);
    LogFont base = Font("Arial", -16);
    base.lfCharSet = 128;
    base.lfQuality = 2;
    base.lfPitchAndFamily = 0x22;
    QCOMPARE(FromQFont(ToQFont(base), base, 96), base);
    const LogFont serif = Font("DejaVu Serif", -21, 600, 1);
    QCOMPARE(FromQFont(ToQFont(serif), Font("Arial", -16), 96), serif);
    QCOMPARE(FromQFont(QFont(QStringLiteral("DejaVu Serif"), 9), base, 120).lfHeight, -15);
  }

  // The chooser opens on the face the program renders (Arial is not
  // installed: its substitute); OK on that face keeps the stored name (the
  // main window's test stores another face as chosen).
  void FontChooserOpensOnTheRenderedFace() {
    InstallWindowsFontSubstitutes();
    const LogFont arial = Font("Arial", -16);
    test::ModalDriver modals({[&](QWidget* w) {
      qobject_cast<QFontDialog*>(w)->accept();
      QCOMPARE(qobject_cast<QFontDialog*>(w)->currentFont().family(), QFontInfo(ToQFont(arial)).family());
    }});
    QCOMPARE(ChooseFontWithDialog(arial, nullptr, 96), std::optional(arial));
  }

  // Last: it changes Qt's texts for the rest of the process. In the Japanese
  // window Qt's own buttons read as on a Japanese system.
  void QtsButtonsInJapanese() {
    if (!InstallQtTranslations(UiLanguage::kJapanese)) QSKIP("Qt's Japanese translations are not installed");
    QStringList buttons;
    test::ModalDriver modals({[&](QWidget* w) {
      for (const QAbstractButton* b : w->findChildren<QAbstractButton*>()) buttons << b->text().remove('&');
    }});
    ShowMessageBox(nullptr, QMessageBox::Question, QStringLiteral("?"), QStringLiteral("?"),
                   QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::Ok);
    buttons.sort();
    QCOMPARE(buttons.join(' '), QStringLiteral("OK いいえ(N) はい(Y) キャンセル"));
  }
};

CFV_GUI_TEST(SettingsUiTest)
#include "settings_ui_test.moc"
