// CZoomScrollView: zoom steps and limits, scroll size, scrolling, drawing.
#include "preview/ui/zoom_scroll_view.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

using cfv::CZoomScrollView;

namespace {

// One wheel notch (forward when `forward`) over the view's pane.
void Wheel(CZoomScrollView& view, bool forward, Qt::KeyboardModifiers modifiers, bool horizontal = false) {
  const QPointF at(10, 10);
  const int delta = forward ? 120 : -120;
  const QPoint angle = horizontal ? QPoint(delta, 0) : QPoint(0, delta);
  QWheelEvent event(at, view.viewport()->mapToGlobal(at), QPoint(), angle, Qt::NoButton, modifiers,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(view.viewport(), &event);
}

void TurnZoom(CZoomScrollView& view, int steps) {
  for (int i = 0; i < std::abs(steps); ++i) Wheel(view, steps > 0, Qt::ControlModifier);
}

// Lets the scroll area show or hide its bars (it does so from the event loop).
void Settle() { QCoreApplication::processEvents(); }

QImage Filled(int width, int height, QColor color) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(color);
  return image;
}

}  // namespace

class ZoomScrollViewTest : public QObject {
  Q_OBJECT

 private:
  // A shown view whose pane (viewport) is 400 x 300 when no scroll bars show.
  std::unique_ptr<CZoomScrollView> MakeView() {
    auto view = std::make_unique<CZoomScrollView>();
    view->resize(400 + 2 * view->frameWidth(), 300 + 2 * view->frameWidth());
    view->show();
    if (!QTest::qWaitForWindowExposed(view.get())) qWarning("view not exposed");
    return view;
  }

 private slots:
  void StartsWithDefaultSizes() {
    auto view = MakeView();
    QCOMPARE(view->ZoomFactor(), 1.0f);
    QCOMPARE(view->LogicalSize(), QSize(640, 480));
    QCOMPARE(view->ScrollSize(), QSize(640, 480));
    QCOMPARE(view->LineSize(), QSize(10, 10));
    QCOMPARE(view->PageSize(), QSize(100, 100));
    QVERIFY(view->Bitmap().isNull());
  }

  void ZoomSteps_data() {
    QTest::addColumn<int>("steps");
    QTest::addColumn<float>("zoom");
    QTest::newRow("one forward") << 1 << 1.5f;
    QTest::newRow("two forward") << 2 << 2.0f;
    QTest::newRow("three forward") << 3 << 2.5f;
    QTest::newRow("one back") << -1 << 0.5f;
    QTest::newRow("back stays at 0.5") << -2 << 0.5f;
    QTest::newRow("back many") << -10 << 0.5f;
    QTest::newRow("just below the top") << 197 << 99.5f;
    QTest::newRow("the top") << 198 << 100.0f;
    QTest::newRow("past the top") << 230 << 100.0f;
  }
  void ZoomSteps() {
    QFETCH(int, steps);
    QFETCH(float, zoom);
    auto view = MakeView();
    view->SetBitmap(Filled(33, 7, Qt::red));
    TurnZoom(*view, steps);
    QCOMPARE(view->ZoomFactor(), zoom);
    QCOMPARE(view->ScrollSize(), QSize(static_cast<int>(33 * zoom), static_cast<int>(7 * zoom)));
  }

  void BackFromTheTopStepsByHalf() {
    auto view = MakeView();
    TurnZoom(*view, 250);
    TurnZoom(*view, -1);
    QCOMPARE(view->ZoomFactor(), 99.5f);
  }

  void ScrollSizeIsTruncated_data() {
    QTest::addColumn<int>("steps");
    QTest::addColumn<QSize>("scrollSize");
    QTest::addColumn<QSize>("line");
    QTest::addColumn<QSize>("page");
    // 333 x 77 pixels: 1.5 gives 499.5 x 115.5, 0.5 gives 166.5 x 38.5.
    QTest::newRow("1.0") << 0 << QSize(333, 77) << QSize(3, 1) << QSize(33, 7);
    QTest::newRow("1.5") << 1 << QSize(499, 115) << QSize(4, 1) << QSize(49, 11);
    QTest::newRow("0.5") << -1 << QSize(166, 38) << QSize(1, 1) << QSize(16, 3);
  }
  void ScrollSizeIsTruncated() {
    QFETCH(int, steps);
    QFETCH(QSize, scrollSize);
    QFETCH(QSize, line);
    QFETCH(QSize, page);
    auto view = MakeView();
    view->SetBitmap(Filled(333, 77, Qt::blue));
    TurnZoom(*view, steps);
    QCOMPARE(view->LogicalSize(), QSize(333, 77));
    QCOMPARE(view->ScrollSize(), scrollSize);
    QCOMPARE(view->LineSize(), line);
    QCOMPARE(view->PageSize(), page);
  }

  void ZoomWithoutPictureScalesDefaultSize() {
    auto view = MakeView();
    TurnZoom(*view, 1);
    QCOMPARE(view->ScrollSize(), QSize(960, 720));
  }

  void ZoomIsKeptForTheNextPicture() {
    auto view = MakeView();
    view->SetBitmap(Filled(100, 100, Qt::red));
    TurnZoom(*view, 3);
    view->SetBitmap(Filled(40, 20, Qt::green));
    QCOMPARE(view->ZoomFactor(), 2.5f);
    QCOMPARE(view->ScrollSize(), QSize(100, 50));
  }

  void NewPictureScrollsBackToTheOrigin() {
    auto view = MakeView();
    view->SetBitmap(Filled(2000, 1500, Qt::red));
    view->horizontalScrollBar()->setValue(700);
    view->verticalScrollBar()->setValue(500);
    QCOMPARE(view->ScrollPosition(), QPoint(700, 500));
    view->SetBitmap(Filled(2000, 1500, Qt::green));
    QCOMPARE(view->ScrollPosition(), QPoint(0, 0));
  }

  void NullPictureLeavesNothingToDraw() {
    auto view = MakeView();
    view->SetBitmap(Filled(50, 50, Qt::red));
    view->SetBitmap(QImage());
    QVERIFY(view->Bitmap().isNull());
    QCOMPARE(view->LogicalSize(), QSize(1, 1));
    const QImage shot = view->viewport()->grab().toImage();
    const QColor base = view->viewport()->palette().color(QPalette::Base);
    QCOMPARE(shot.pixelColor(0, 0), base);
    QCOMPARE(shot.pixelColor(25, 25), base);
  }

  void ScrollBarsOnlyWhenThePictureIsLarger() {
    auto view = MakeView();
    view->SetBitmap(Filled(100, 80, Qt::red));
    Settle();
    QVERIFY(!view->horizontalScrollBar()->isVisible());
    QVERIFY(!view->verticalScrollBar()->isVisible());
    view->SetBitmap(Filled(1000, 80, Qt::red));
    Settle();
    QVERIFY(view->horizontalScrollBar()->isVisible());
    QVERIFY(!view->verticalScrollBar()->isVisible());
    TurnZoom(*view, 8);  // 5.0: 400 high
    Settle();
    QVERIFY(view->verticalScrollBar()->isVisible());
    QCOMPARE(view->horizontalScrollBar()->maximum(), 5000 - view->viewport()->width());
  }

  void ZoomKeepsTheCentrePoint() {
    auto view = MakeView();
    view->SetBitmap(Filled(3000, 3000, Qt::red));
    Settle();
    const QSize pane = view->viewport()->size();
    view->horizontalScrollBar()->setValue(500);
    view->verticalScrollBar()->setValue(600);
    const QPoint centre(500 + pane.width() / 2, 600 + pane.height() / 2);
    view->Zoom(2.0f);
    QCOMPARE(view->ScrollPosition(),
             QPoint(centre.x() * 2 - pane.width() / 2, centre.y() * 2 - pane.height() / 2));
    view->Zoom(0.5f);
    QCOMPARE(view->ScrollPosition(), QPoint(static_cast<int>(centre.x() * 0.5) - pane.width() / 2,
                                            static_cast<int>(centre.y() * 0.5) - pane.height() / 2));
    // Wheel steps keep it too, give or take the pixel each step truncates.
    view->Zoom(1.0f);
    view->horizontalScrollBar()->setValue(500);
    view->verticalScrollBar()->setValue(600);
    TurnZoom(*view, 3);  // 2.5
    const QPoint expected(centre.x() * 5 / 2 - pane.width() / 2, centre.y() * 5 / 2 - pane.height() / 2);
    QVERIFY2((view->ScrollPosition() - expected).manhattanLength() <= 4,
             qPrintable(QString("%1,%2").arg(view->ScrollPosition().x()).arg(view->ScrollPosition().y())));
  }

  void ZoomIgnoresFactorsOfZeroOrLessAndClampsOthers_data() {
    QTest::addColumn<float>("factor");
    QTest::addColumn<float>("zoom");
    QTest::newRow("zero") << 0.0f << 3.0f;
    QTest::newRow("negative") << -1.5f << 3.0f;
    QTest::newRow("tiny") << 0.01f << 0.1f;
    QTest::newRow("huge") << 1000.0f << 100.0f;
    QTest::newRow("inside") << 0.25f << 0.25f;
  }
  void ZoomIgnoresFactorsOfZeroOrLessAndClampsOthers() {
    QFETCH(float, factor);
    QFETCH(float, zoom);
    auto view = MakeView();
    view->Zoom(3.0f);
    view->Zoom(factor);
    QCOMPARE(view->ZoomFactor(), zoom);
  }

  void ZoomNearTheOriginStaysInRange() {
    auto view = MakeView();
    view->SetBitmap(Filled(3000, 3000, Qt::red));
    TurnZoom(*view, -1);
    QCOMPARE(view->ScrollPosition(), QPoint(0, 0));
  }

  void PlainWheelScrollsByLines() {
    auto view = MakeView();
    const int lines = QApplication::wheelScrollLines();
    view->SetBitmap(Filled(2000, 3000, Qt::red));  // taller than the pane: vertical
    Wheel(*view, false, Qt::NoModifier);
    QCOMPARE(view->ScrollPosition(), QPoint(0, lines * 30));
    Wheel(*view, true, Qt::NoModifier);
    QCOMPARE(view->ScrollPosition(), QPoint(0, 0));
    QCOMPARE(view->ZoomFactor(), 1.0f);

    view->SetBitmap(Filled(2000, 100, Qt::red));  // wide and low: horizontal
    Wheel(*view, false, Qt::NoModifier);
    QCOMPARE(view->ScrollPosition(), QPoint(lines * 20, 0));

    Wheel(*view, false, Qt::NoModifier, /*horizontal=*/true);
    QCOMPARE(view->ScrollPosition(), QPoint(2 * lines * 20, 0));
  }

  void PageClicksMoveByThePageSize() {
    auto view = MakeView();
    view->SetBitmap(Filled(3000, 3000, Qt::red));
    view->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QCOMPARE(view->ScrollPosition(), QPoint(0, 300));
    view->verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(view->ScrollPosition(), QPoint(0, 330));
    view->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    view->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    view->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
    QCOMPARE(view->ScrollPosition(), QPoint(300, 330));
  }

  void DrawsAtTopLeftOverTheBackground() {
    auto view = MakeView();
    QImage picture = Filled(40, 30, Qt::red);
    picture.setPixelColor(39, 29, Qt::blue);
    view->SetBitmap(picture);
    Settle();
    QCOMPARE(view->viewport()->size(), QSize(400, 300));
    const QImage shot = view->viewport()->grab().toImage();
    const QColor base = view->viewport()->palette().color(QPalette::Base);
    QCOMPARE(shot.pixelColor(0, 0), QColor(Qt::red));
    QCOMPARE(shot.pixelColor(39, 29), QColor(Qt::blue));
    QCOMPARE(shot.pixelColor(40, 10), base);
    QCOMPARE(shot.pixelColor(10, 30), base);
    QCOMPARE(shot.pixelColor(399, 299), base);
  }

  void DrawsScaledAndScrolled() {
    auto view = MakeView();
    QImage picture = Filled(1000, 1000, Qt::red);
    for (int y = 100; y < 110; ++y) {
      for (int x = 200; x < 210; ++x) picture.setPixelColor(x, y, Qt::blue);
    }
    view->SetBitmap(picture);
    TurnZoom(*view, -1);  // 0.5
    TurnZoom(*view, 2);   // 1.5
    TurnZoom(*view, 1);   // 2.0
    view->horizontalScrollBar()->setValue(300);
    view->verticalScrollBar()->setValue(150);
    const QImage shot = view->viewport()->grab().toImage();
    // Picture pixel (200, 100) lands at (400, 200) of the scroll size, shown
    // at (100, 50); the 10-pixel square covers 20 pixels.
    QCOMPARE(shot.pixelColor(100, 50), QColor(Qt::blue));
    QCOMPARE(shot.pixelColor(119, 69), QColor(Qt::blue));
    QCOMPARE(shot.pixelColor(99, 50), QColor(Qt::red));
    QCOMPARE(shot.pixelColor(120, 69), QColor(Qt::red));
    QCOMPARE(shot.pixelColor(119, 70), QColor(Qt::red));
  }

  void DrawsALargePictureAtTheLargestZoom() {
    auto view = MakeView();
    QImage picture = Filled(4000, 4000, Qt::red);
    picture.setPixelColor(2000, 2000, Qt::blue);
    view->SetBitmap(picture);
    view->Zoom(100.0f);
    Settle();
    QCOMPARE(view->ScrollSize(), QSize(400000, 400000));
    view->horizontalScrollBar()->setValue(200000 - 50);
    view->verticalScrollBar()->setValue(200000 - 50);
    // Only the visible part is scaled: a 400000-pixel-wide picture is never made.
    const QImage shot = view->viewport()->grab().toImage();
    QCOMPARE(shot.pixelColor(49, 49), QColor(Qt::red));
    QCOMPARE(shot.pixelColor(50, 50), QColor(Qt::blue));
    QCOMPARE(shot.pixelColor(149, 149), QColor(Qt::blue));
    QCOMPARE(shot.pixelColor(150, 150), QColor(Qt::red));
  }

  void ResizeKeepsTheScrollRangeRight() {
    auto view = MakeView();
    view->SetBitmap(Filled(1000, 1000, Qt::red));
    view->resize(700, 600);
    Settle();
    QCOMPARE(view->verticalScrollBar()->maximum(), 1000 - view->viewport()->height());
    view->resize(1200, 1100);
    Settle();
    QVERIFY(!view->verticalScrollBar()->isVisible());
    QCOMPARE(view->ScrollPosition(), QPoint(0, 0));
  }
};

QTEST_MAIN(ZoomScrollViewTest)
#include "zoom_scroll_view_test.moc"
