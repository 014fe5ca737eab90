// The progress dialog on its own: its template (caption, controls, texts,
// geometry in the General font), how it shows the counters, how it polls the
// worker and every way it closes; and one real drop too large for the bar.
#include "containers/ui/wait_dlg.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <fstream>

#include "common/ui/dialog_layout.h"
#include "containers/ui/drop_loader.h"
#include "containers/ui/load_progress.h"
#include "custom_file_builder.h"
#include "settings/ui/font_conversion.h"

namespace cfv {
namespace {

LogFont GeneralFont(int pixelHeight, const char* face) {
  LogFont font;
  font.lfHeight = -pixelHeight;
  font.lfWeight = 400;
  font.SetFaceName(face);
  return font;
}

struct Opened {
  std::shared_ptr<LoadControl> control = std::make_shared<LoadControl>();
  bool ended = false;
};

// Opens `dialog` for a load whose end the test decides.
void Open(CWaitDlg& dialog, Opened& load) {
  dialog.Open(load.control, [&load] { return load.ended; });
}

class WaitDlgTest : public QObject {
  Q_OBJECT

 private slots:
  void TemplateInBothLanguages_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("abort");
    QTest::newRow("English") << int(UiLanguage::kEnglish) << "Processing..."
                             << "Abort";
    QTest::newRow("Japanese") << int(UiLanguage::kJapanese) << QString::fromUtf8("処理中...")
                              << QString::fromUtf8("中止");
  }
  void TemplateInBothLanguages() {
    QFETCH(int, language);
    QFETCH(QString, caption);
    QFETCH(QString, abort);
    CWaitDlg dialog(nullptr, GeneralFont(16, "DejaVu Sans"), static_cast<UiLanguage>(language));
    QCOMPARE(dialog.windowTitle(), caption);
    QCOMPARE(FindControl<QPushButton>(dialog, CWaitDlg::kIdAbort)->text(), abort);
    QCOMPARE(FindControl<QLabel>(dialog, CWaitDlg::kIdCounter)->text(), QStringLiteral("0/0"));
    QVERIFY(FindControl<QProgressBar>(dialog, CWaitDlg::kIdBar) != nullptr);
    QVERIFY(dialog.isModal());
  }

  // Every control sits at its dialog-unit rectangle converted with the
  // General font's base units; two fonts give two different layouts.
  void GeometryFollowsTheGeneralFont_data() {
    QTest::addColumn<int>("pixelHeight");
    QTest::newRow("16 px") << 16;
    QTest::newRow("24 px") << 24;
  }
  void GeometryFollowsTheGeneralFont() {
    QFETCH(int, pixelHeight);
    const LogFont font = GeneralFont(pixelHeight, "DejaVu Sans");
    CWaitDlg dialog(nullptr, font, UiLanguage::kEnglish);
    const DialogUnits units(ToQFont(font));
    QCOMPARE(dialog.size(), units.ToPixels(252, 72));
    QCOMPARE(FindControl<QPushButton>(dialog, CWaitDlg::kIdAbort)->geometry(),
             units.ToPixels(96, 49, 60, 18));
    QCOMPARE(FindControl<QLabel>(dialog, CWaitDlg::kIdCounter)->geometry(), units.ToPixels(6, 6, 240, 8));
    QCOMPARE(FindControl<QProgressBar>(dialog, CWaitDlg::kIdBar)->geometry(), units.ToPixels(6, 18, 240, 12));
    QCOMPARE(dialog.font().pixelSize(), pixelHeight);
  }

  void OpeningZeroesTheCountersAndPolls() {
    CWaitDlg dialog(nullptr, GeneralFont(16, "DejaVu Sans"), UiLanguage::kEnglish);
    Opened load;
    load.control->progressDone.store(7);
    load.control->progressTotal.store(9);
    Open(dialog, load);
    QVERIFY(dialog.isVisible());
    QCOMPARE(load.control->progressDone.load(), 0);
    QCOMPARE(load.control->progressTotal.load(), 0);
    QVERIFY(dialog.PollTimer().isActive());
    QCOMPARE(dialog.PollTimer().intervalAsDuration(), std::chrono::milliseconds(100));
    QCOMPARE(dialog.focusWidget(), FindControl<QPushButton>(dialog, CWaitDlg::kIdAbort));
  }

  // The dialog closes at the first poll after the worker's end, and only then;
  // polls come every 100 ms, so it closes within 100 ms of the end.
  void APollAfterTheWorkersEndClosesIt() {
    CWaitDlg dialog(nullptr, GeneralFont(16, "DejaVu Sans"), UiLanguage::kEnglish);
    QSignalSpy finished(&dialog, &QDialog::finished);
    Opened load;
    Open(dialog, load);
    dialog.Poll();
    QVERIFY(dialog.isVisible());
    QVERIFY(!load.control->abortRequested.load());
    load.ended = true;
    dialog.Poll();
    QVERIFY(!dialog.isVisible());
    QVERIFY(!dialog.PollTimer().isActive());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), CWaitDlg::kResultCancel);
    // Closing sets the flag after a normal end too.
    QVERIFY(load.control->abortRequested.load());
  }

  void TheTimerClosesItOnItsOwn() {
    CWaitDlg dialog(nullptr, GeneralFont(16, "DejaVu Sans"), UiLanguage::kEnglish);
    Opened load;
    load.ended = true;
    Open(dialog, load);
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), 10000);
  }

  void EveryWayOfClosingAborts_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Abort button") << "abort";
    QTest::newRow("Escape") << "escape";
    QTest::newRow("close box") << "close";
  }
  void EveryWayOfClosingAborts() {
    QFETCH(QString, how);
    CWaitDlg dialog(nullptr, GeneralFont(16, "DejaVu Sans"), UiLanguage::kEnglish);
    QSignalSpy finished(&dialog, &QDialog::finished);
    Opened load;
    Open(dialog, load);
    if (how == "abort") {
      QTest::mouseClick(FindControl<QPushButton>(dialog, CWaitDlg::kIdAbort), Qt::LeftButton);
    } else if (how == "escape") {
      QTest::keyClick(&dialog, Qt::Key_Escape);
    } else {
      QVERIFY(dialog.close());
    }
    QVERIFY(!dialog.isVisible());
    QVERIFY(load.control->abortRequested.load());
    QVERIFY(!dialog.PollTimer().isActive());
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).toInt(), CWaitDlg::kResultCancel);
  }

  // Reopening resets what the last load left: "0/0" and an empty bar.
  void ReopeningStartsFromZero() {
    CWaitDlg dialog(nullptr, GeneralFont(16, "DejaVu Sans"), UiLanguage::kEnglish);
    Opened first;
    Open(dialog, first);
    dialog.ShowTotal(0, 8);
    dialog.ShowDone(8, 8);
    first.ended = true;
    dialog.Poll();
    QCOMPARE(FindControl<QLabel>(dialog, CWaitDlg::kIdCounter)->text(), QStringLiteral("8/8"));
    Opened second;
    Open(dialog, second);
    QCOMPARE(FindControl<QLabel>(dialog, CWaitDlg::kIdCounter)->text(), QStringLiteral("0/0"));
    QCOMPARE(FindControl<QProgressBar>(dialog, CWaitDlg::kIdBar)->value(), 0);
    // An abort of the second load reaches the second load only.
    first.control->abortRequested.store(false);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(second.control->abortRequested.load());
    QVERIFY(!first.control->abortRequested.load());
  }

  void CounterAndBar_data() {
    QTest::addColumn<int>("done");
    QTest::addColumn<int>("total");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("position");
    QTest::newRow("small") << 3 << 6 << "3/6" << 6 << 3;
    QTest::newRow("65535") << 65535 << 65535 << "65535/65535" << 65535 << 65535;
    // Above 65,535 the range takes the low 16 bits and the position stays
    // inside it, while the text shows the full numbers.
    QTest::newRow("100000 half") << 1000 << 100000 << "1000/100000" << 34464 << 1000;
    QTest::newRow("100000 done") << 100000 << 100000 << "100000/100000" << 34464 << 34464;
  }
  void CounterAndBar() {
    QFETCH(int, done);
    QFETCH(int, total);
    QFETCH(QString, text);
    QFETCH(int, maximum);
    QFETCH(int, position);
    CWaitDlg dialog(nullptr, GeneralFont(16, "DejaVu Sans"), UiLanguage::kEnglish);
    Opened load;
    Open(dialog, load);
    auto* bar = FindControl<QProgressBar>(dialog, CWaitDlg::kIdBar);
    dialog.ShowTotal(0, total);
    QCOMPARE(FindControl<QLabel>(dialog, CWaitDlg::kIdCounter)->text(), "0/" + QString::number(total));
    QCOMPARE(bar->maximum(), maximum);
    dialog.ShowDone(done, total);
    QCOMPARE(FindControl<QLabel>(dialog, CWaitDlg::kIdCounter)->text(), text);
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->value(), position);
  }

  // A total whose low 16 bits are 0 gives an empty bar, never a busy one.
  void ARangeOfZeroIsAnEmptyBar() {
    CWaitDlg dialog(nullptr, GeneralFont(16, "DejaVu Sans"), UiLanguage::kEnglish);
    Opened load;
    Open(dialog, load);
    auto* bar = FindControl<QProgressBar>(dialog, CWaitDlg::kIdBar);
    dialog.ShowTotal(0, 65536);
    dialog.ShowDone(65536, 65536);
    QCOMPARE(FindControl<QLabel>(dialog, CWaitDlg::kIdCounter)->text(), QStringLiteral("65536/65536"));
    QVERIFY(bar->maximum() > bar->minimum());
    QCOMPARE(bar->value(), 0);
  }

  // A real drop whose total passes 65,535: the text shows the full numbers,
  // the bar's range takes the low 16 bits.
  void ALargeDropShowsTheFullNumbers() {
    test::TempDir dir;
    constexpr int kFiles = 65600;
    std::filesystem::create_directories(dir / "F");
    for (int i = 0; i < kFiles; ++i) std::ofstream(dir / "F" / ("e" + std::to_string(i)));
    test::WriteFile(dir / "F" / "custom.god", test::Serialize({test::Leaf("x", "y")}));
    int loaded = 0;
    DropLoader loader(
        nullptr, UiLanguage::kEnglish, [] { return GeneralFont(16, "DejaVu Sans"); },
        [&](EntryTree&&) { ++loaded; });
    loader.Load({dir / "F"});
    QTRY_VERIFY_WITH_TIMEOUT(loader.IsIdle(), 120000);
    QCOMPARE(loaded, 1);
    const auto* dialog = loader.Dialog();
    QCOMPARE(FindControl<QLabel>(*dialog, CWaitDlg::kIdCounter)->text(), QStringLiteral("65601/65601"));
    QCOMPARE(FindControl<QProgressBar>(*dialog, CWaitDlg::kIdBar)->maximum(), 65601 & 0xFFFF);
    QCOMPARE(FindControl<QProgressBar>(*dialog, CWaitDlg::kIdBar)->value(), 65601 & 0xFFFF);
  }

  void CounterTextAndRangeHelpers() {
    QCOMPARE(LoadCounterText(0, 0), std::string("0/0"));
    QCOMPARE(LoadCounterText(70000, 131073), std::string("70000/131073"));
    QCOMPARE(LoadBarMaximum(131073), 1);
    QCOMPARE(LoadBarMaximum(65535), 65535);
  }
};

}  // namespace
}  // namespace cfv

QTEST_MAIN(cfv::WaitDlgTest)
#include "wait_dlg_test.moc"
