// CZoomScrollView: zoom steps and limits, scroll size, scrolling, drawing.
#include "preview/ui/zoom_scroll_view.h"

#include <QApplication>
#include <QScrollBar>
#include <QWheelEvent>
#include <QtTest>

#include "gui_test.h"

using cfv::CZoomScrollView;

namespace {

QImage Picture(QSize size, QRect blue = {}) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::red);
  for (int y = blue.top(); y <= blue.bottom(); ++y) {
    for (int x = blue.left(); x <= blue.right(); ++x) image.setPixelColor(x, y, Qt::blue);
  }
  return image;
}

// A shown view whose pane is 400 x 300 without scroll bars, showing a red
// picture of `size` (none when empty) with a blue `square`.
std::unique_ptr<CZoomScrollView> MakeView(QSize size, QRect square = {}) {
  auto view = std::make_unique<CZoomScrollView>();
  view->resize(400 + 2 * view->frameWidth(), 300 + 2 * view->frameWidth());
  view->show();
  if (!QTest::qWaitForWindowExposed(view.get())) qWarning("view not exposed");
  if (!size.isEmpty()) view->SetBitmap(Picture(size, square));
  QCoreApplication::processEvents();
  return view;
}

void Wheel(CZoomScrollView& view, QPoint angle, Qt::KeyboardModifiers modifiers) {
  QWheelEvent event(QPointF(10, 10), view.viewport()->mapToGlobal(QPointF(10, 10)), QPoint(), angle,
                    Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
  QApplication::sendEvent(view.viewport(), &event);
}

// Steps: "+n" / "-n" turn the wheel n notches with Ctrl, "=f" zooms to f,
// "x:n" / "y:n" move a scroll bar, "wheel", "wheel+" and "hwheel" turn the
// wheel one notch down, up and sideways, "page:x", "page-:x" and "line:y"
// click a bar, "new:WxH" shows a new picture, "null" none, "size:WxH"
// resizes the view.
void Run(CZoomScrollView& view, const QString& steps) {
  for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
    const QString arg = step.section(':', 1);
    QScrollBar* bar = arg == "x" ? view.horizontalScrollBar() : view.verticalScrollBar();
    const QSize size(arg.section('x', 0, 0).toInt(), arg.section('x', 1).toInt());
    if (step[0] == '+' || step[0] == '-') {
      for (int i = 0; i < std::abs(step.toInt()); ++i)
        Wheel(view, QPoint(0, step[0] == '+' ? 120 : -120), Qt::ControlModifier);
    }
    if (step[0] == '=') view.Zoom(step.mid(1).toFloat());
    if (step.startsWith("x:")) view.horizontalScrollBar()->setValue(arg.toInt());
    if (step.startsWith("y:")) view.verticalScrollBar()->setValue(arg.toInt());
    if (step == "wheel" || step == "wheel+")
      Wheel(view, QPoint(0, step == "wheel" ? -120 : 120), Qt::NoModifier);
    if (step == "hwheel") Wheel(view, QPoint(-120, 0), Qt::NoModifier);
    if (step.startsWith("page:")) bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    if (step.startsWith("page-:")) bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    if (step.startsWith("line:")) bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    if (step.startsWith("new:")) view.SetBitmap(Picture(size));
    if (step == "null") view.SetBitmap(QImage());
    if (step.startsWith("size:")) view.resize(size);
    QCoreApplication::processEvents();  // the scroll bars show or hide from the event loop
  }
}

}  // namespace

class ZoomScrollViewTest : public QObject {
  Q_OBJECT

 private slots:
  void Steps_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<float>("zoom");
    QTest::addColumn<QSize>("scrollSize");
    QTest::addColumn<QPoint>("position");
    QTest::addColumn<QString>("bars");
    const QSize small(33, 7), none, big(3000, 3000);
    const QPoint origin, centred(-1, -1);  // centred: kept where zooming put it (below)
    QTest::newRow("one forward") << small << "+1" << 1.5f << QSize(49, 10) << origin << "";
    QTest::newRow("three forward") << small << "+3" << 2.5f << QSize(82, 17) << origin << "";
    QTest::newRow("back stays at 0.5") << small << "-10" << 0.5f << QSize(16, 3) << origin << "";
    QTest::newRow("just below the top") << small << "+197" << 99.5f << QSize(3283, 696) << centred << "hv";
    QTest::newRow("past the top") << small << "+230" << 100.0f << QSize(3300, 700) << centred << "hv";
    QTest::newRow("back from the top by half")
        << small << "+250 -1" << 99.5f << QSize(3283, 696) << centred << "hv";
    QTest::newRow("truncated at 1.5") << QSize(333, 77) << "+1" << 1.5f << QSize(499, 115) << centred << "h";
    QTest::newRow("truncated at 0.5") << QSize(333, 77) << "-1" << 0.5f << QSize(166, 38) << origin << "";
    QTest::newRow("no picture: the default size")
        << none << "+1" << 1.5f << QSize(960, 720) << centred << "hv";
    QTest::newRow("factor 0 ignored") << none << "=3 =0" << 3.0f << QSize(1920, 1440) << centred << "hv";
    QTest::newRow("negative factor ignored")
        << none << "=3 =-1.5" << 3.0f << QSize(1920, 1440) << centred << "hv";
    QTest::newRow("tiny factor clamped") << none << "=0.01" << 0.1f << QSize(64, 48) << origin << "";
    QTest::newRow("huge factor clamped")
        << none << "=1000" << 100.0f << QSize(64000, 48000) << centred << "hv";
    QTest::newRow("factor inside") << none << "=0.25" << 0.25f << QSize(160, 120) << origin << "";
    QTest::newRow("zoom kept for the next picture")
        << QSize(100, 100) << "+3 new:40x20" << 2.5f << QSize(100, 50) << origin << "";
    QTest::newRow("a new picture scrolls back")
        << QSize(2000, 1500) << "x:700 y:500 new:2000x1500" << 1.0f << QSize(2000, 1500) << origin << "hv";
    QTest::newRow("zoom near the origin") << big << "-1" << 0.5f << QSize(1500, 1500) << origin << "hv";
    QTest::newRow("wheel: down by lines")
        << QSize(2000, 3000) << "wheel" << 1.0f << QSize(2000, 3000) << QPoint(0, 90) << "hv";
    QTest::newRow("wheel: and back") << QSize(2000, 3000) << "wheel wheel+" << 1.0f << QSize(2000, 3000)
                                     << origin << "hv";
    QTest::newRow("wheel: sideways when low")
        << QSize(2000, 100) << "wheel" << 1.0f << QSize(2000, 100) << QPoint(60, 0) << "h";
    QTest::newRow("wheel: sideways") << QSize(2000, 100) << "wheel hwheel" << 1.0f << QSize(2000, 100)
                                     << QPoint(120, 0) << "h";
    QTest::newRow("page and line") << big << "page:y line:y page:x page:x page-:x" << 1.0f << big
                                   << QPoint(300, 330) << "hv";
    QTest::newRow("no bars when it fits") << QSize(100, 80) << "" << 1.0f << QSize(100, 80) << origin << "";
    QTest::newRow("bars when zoomed past")
        << QSize(1000, 80) << "+8" << 5.0f << QSize(5000, 400) << centred << "hv";
    QTest::newRow("resized past the picture")
        << QSize(1000, 1000) << "y:500 size:1200x1100" << 1.0f << QSize(1000, 1000) << origin << "";
  }
  void Steps() {
    QFETCH(QSize, picture);
    QFETCH(QString, steps);
    auto view = MakeView(picture);
    Run(*view, steps);
    QTEST(view->ZoomFactor(), "zoom");
    QTEST(view->ScrollSize(), "scrollSize");
    QFETCH(QPoint, position);
    if (position != QPoint(-1, -1)) QCOMPARE(view->ScrollPosition(), position);
    QTEST(QString(view->horizontalScrollBar()->isVisible() ? "h" : "") +
              (view->verticalScrollBar()->isVisible() ? "v" : ""),
          "bars");
    QCOMPARE(view->horizontalScrollBar()->maximum(),
             std::max(0, view->ScrollSize().width() - view->viewport()->width()));
    QCOMPARE(view->verticalScrollBar()->maximum(),
             std::max(0, view->ScrollSize().height() - view->viewport()->height()));
  }

  // Zooming keeps the point at the centre of the pane where it was, give or
  // take the pixel each wheel step truncates.
  void ZoomKeepsTheCentrePoint() {
    auto view = MakeView(QSize(3000, 3000));
    const QSize pane = view->viewport()->size();
    const QPoint centre(500 + pane.width() / 2, 600 + pane.height() / 2);
    Run(*view, "x:500 y:600 =2");
    QCOMPARE(view->ScrollPosition(), centre * 2 - QPoint(pane.width() / 2, pane.height() / 2));
    Run(*view, "=1 x:500 y:600 +3");
    const QPoint expected = centre * 5 / 2 - QPoint(pane.width() / 2, pane.height() / 2);
    QVERIFY((view->ScrollPosition() - expected).manhattanLength() <= 4);
  }

  // The picture is drawn from the top left over the background, scaled and
  // scrolled; only the part on screen is scaled. Probes: "x,y=c" with c r
  // (red), b (blue) or . (background).
  void Drawing_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QRect>("blue");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("probes");
    QTest::newRow("top left") << QSize(40, 30) << QRect(39, 29, 1, 1) << ""
                              << "0,0=r 39,29=b 40,10=. 10,30=. 399,299=.";
    QTest::newRow("scaled and scrolled")
        << QSize(1000, 1000) << QRect(200, 100, 10, 10) << "-1 +3 x:300 y:150"
        << "100,50=b 119,69=b 99,50=r 120,69=r 119,70=r";
    QTest::newRow("largest zoom") << QSize(4000, 4000) << QRect(2000, 2000, 1, 1) << "=100 x:199950 y:199950"
                                  << "49,49=r 50,50=b 149,149=b 150,150=r";
    QTest::newRow("no picture") << QSize(50, 50) << QRect() << "null"
                                << "0,0=. 25,25=.";
  }
  void Drawing() {
    QFETCH(QSize, picture);
    QFETCH(QRect, blue);
    QFETCH(QString, steps);
    QFETCH(QString, probes);
    auto view = MakeView(picture, blue);
    Run(*view, steps);
    const QImage shot = view->viewport()->grab().toImage();
    for (const QString& probe : probes.split(' ')) {
      const QColor color = probe.endsWith('r')   ? QColor(Qt::red)
                           : probe.endsWith('b') ? QColor(Qt::blue)
                                                 : view->viewport()->palette().color(QPalette::Base);
      QVERIFY2(shot.pixelColor(probe.section(',', 0, 0).toInt(),
                               probe.section(',', 1).section('=', 0, 0).toInt()) == color,
               qPrintable(probe));
    }
  }
};

CFV_GUI_TEST(ZoomScrollViewTest)
#include "zoom_scroll_view_test.moc"
