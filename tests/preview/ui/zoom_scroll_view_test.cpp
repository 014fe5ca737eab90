// CZoomScrollView: zoom steps and limits, scroll size, scrolling, drawing.
#include "preview/ui/zoom_scroll_view.h"

#include <QApplication>
#include <QScrollBar>
#include <QWheelEvent>
#include <QtTest>

#include "gui_test.h"

using cfv::CZoomScrollView;

namespace {

QSize Size(const QString& text) {
  return QSize(text.section('x', 0, 0).toInt(), text.section('x', 1).toInt());
}

// A red picture with a blue `square`.
QImage Picture(QSize size, QRect square = {}) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::red);
  for (int y = square.top(); y <= square.bottom(); ++y) {
    for (int x = square.left(); x <= square.right(); ++x) image.setPixelColor(x, y, Qt::blue);
  }
  return image;
}

void Wheel(CZoomScrollView& view, QPoint angle, Qt::KeyboardModifiers modifiers) {
  QWheelEvent event(QPointF(10, 10), view.viewport()->mapToGlobal(QPointF(10, 10)), QPoint(), angle,
                    Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
  QApplication::sendEvent(view.viewport(), &event);
}

// A shown view whose pane is 400 x 300 without scroll bars, showing
// `picture` ("WxH", or none), then the steps: "+n" / "-n" turn the wheel n
// notches with Ctrl, "=f" zooms to f, "x:n" / "y:n" move a scroll bar,
// "wheel", "wheel+" and "hwheel" turn the wheel one notch down, up and
// sideways, "page:x", "page-:x" and "line:y" click a bar, "new:WxH" shows
// a new picture, "null" none, "size:WxH" resizes the view.
std::unique_ptr<CZoomScrollView> View(const QString& picture, const QString& steps, QRect square = {}) {
  auto view = std::make_unique<CZoomScrollView>();
  view->resize(400 + 2 * view->frameWidth(), 300 + 2 * view->frameWidth());
  view->show();
  if (!QTest::qWaitForWindowExposed(view.get())) qWarning("view not exposed");
  if (!picture.isEmpty()) view->SetBitmap(Picture(Size(picture), square));
  QCoreApplication::processEvents();  // the scroll bars show or hide from the event loop
  for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
    const QString arg = step.section(':', 1);
    QScrollBar* bar = arg == "x" ? view->horizontalScrollBar() : view->verticalScrollBar();
    for (int i = 0; (step[0] == '+' || step[0] == '-') && i < std::abs(step.toInt()); ++i)
      Wheel(*view, QPoint(0, step[0] == '+' ? 120 : -120), Qt::ControlModifier);
    if (step[0] == '=') view->Zoom(step.mid(1).toFloat());
    if (step.startsWith("x:")) view->horizontalScrollBar()->setValue(arg.toInt());
    if (step.startsWith("y:")) view->verticalScrollBar()->setValue(arg.toInt());
    if (step.startsWith("wheel")) Wheel(*view, QPoint(0, step == "wheel" ? -120 : 120), Qt::NoModifier);
    if (step == "hwheel") Wheel(*view, QPoint(-120, 0), Qt::NoModifier);
    if (step.startsWith("page:")) bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    if (step.startsWith("page-:")) bar->triggerAction(QAbstractSlider::SliderPageStepSub);
    if (step.startsWith("line:")) bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    if (step.startsWith("new:")) view->SetBitmap(Picture(Size(arg)));
    if (step == "null") view->SetBitmap(QImage());
    if (step.startsWith("size:")) view->resize(Size(arg));
    QCoreApplication::processEvents();
  }
  return view;
}

}  // namespace

class ZoomScrollViewTest : public QObject {
  Q_OBJECT

 private slots:
  // Outcome: "<zoom> <scroll size> at <scroll position> bars <h, v>"; "*"
  // where zooming has kept the centre point.
  void Steps_data() {
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("outcome");
    const auto row = [](const char* name, const char* picture, const char* steps, const char* outcome) {
      QTest::newRow(name) << picture << steps << outcome;
    };
    row("three forward", "33x7", "+3", "2.5 82x17 at 0,0 bars ");
    row("back stays at 0.5", "33x7", "-10", "0.5 16x3 at 0,0 bars ");
    row("past the top", "33x7", "+230", "100 3300x700 at * bars hv");
    row("back from the top by half", "33x7", "+250 -1", "99.5 3283x696 at * bars hv");
    row("truncated at 1.5", "333x77", "+1", "1.5 499x115 at * bars h");
    row("no picture: the default size", "", "+1", "1.5 960x720 at * bars hv");
    row("factor 0 and below ignored", "", "=3 =0 =-1.5", "3 1920x1440 at * bars hv");
    row("tiny factor clamped", "", "=0.01", "0.1 64x48 at 0,0 bars ");
    row("huge factor clamped", "", "=1000", "100 64000x48000 at * bars hv");
    row("factor inside", "", "=0.25", "0.25 160x120 at 0,0 bars ");
    row("zoom kept for the next picture", "100x100", "+3 new:40x20", "2.5 100x50 at 0,0 bars ");
    row("a new picture scrolls back", "2000x1500", "x:700 y:500 new:2000x1500", "1 2000x1500 at 0,0 bars hv");
    row("zoom near the origin", "3000x3000", "-1", "0.5 1500x1500 at 0,0 bars hv");
    row("wheel: down and up by lines", "2000x3000", "wheel wheel wheel+", "1 2000x3000 at 0,90 bars hv");
    row("wheel: sideways when low", "2000x100", "wheel hwheel", "1 2000x100 at 120,0 bars h");
    row("page and line", "3000x3000", "page:y line:y page:x page:x page-:x",
        "1 3000x3000 at 300,330 bars hv");
    row("resized past the picture", "1000x1000", "y:500 size:1200x1100", "1 1000x1000 at 0,0 bars ");
  }
  void Steps() {
    QFETCH(QString, picture);
    QFETCH(QString, steps);
    QFETCH(QString, outcome);
    auto view = View(picture, steps);
    const QScrollBar& h = *view->horizontalScrollBar();
    const QScrollBar& v = *view->verticalScrollBar();
    const QSize size = view->ScrollSize();
    const QPoint at = view->ScrollPosition();
    const QString seen =
        QString::asprintf("%g %dx%d at %d,%d bars %s%s", view->ZoomFactor(), size.width(), size.height(),
                          at.x(), at.y(), h.isVisible() ? "h" : "", v.isVisible() ? "v" : "");
    QVERIFY2(
        QRegularExpression(QRegularExpression::wildcardToRegularExpression(outcome)).match(seen).hasMatch(),
        qPrintable(seen));
    QCOMPARE(h.maximum(), std::max(0, view->ScrollSize().width() - view->viewport()->width()));
    QCOMPARE(v.maximum(), std::max(0, view->ScrollSize().height() - view->viewport()->height()));
  }

  // Zooming keeps the point at the centre of the pane where it was, give or
  // take the pixel each wheel step truncates.
  void ZoomKeepsTheCentrePoint() {
    for (const char* steps : {"x:500 y:600 =2", "x:500 y:600 +3"}) {
      auto view = View("3000x3000", steps);
      const QPoint halfPane(view->viewport()->width() / 2, view->viewport()->height() / 2);
      const QPoint expected = (QPoint(500, 600) + halfPane) * view->ZoomFactor() - halfPane;
      QVERIFY2((view->ScrollPosition() - expected).manhattanLength() <= 4, steps);
    }
  }

  // Drawn from the top left over the background, scaled and scrolled; only
  // the part on screen is scaled. Probes "x,y=c": c is r(ed), b(lue) or
  // . (the background).
  void Drawing_data() {
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QRect>("blue");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("probes");
    // clang-format off
    QTest::newRow("top left") << "40x30" << QRect(39, 29, 1, 1) << "" << "0,0=r 39,29=b 40,10=. 10,30=. 399,299=.";
    QTest::newRow("scaled, scrolled") << "1000x1000" << QRect(200, 100, 10, 10) << "-1 +3 x:300 y:150" << "100,50=b 119,69=b 99,50=r 120,69=r 119,70=r";
    QTest::newRow("largest zoom") << "4000x4000" << QRect(2000, 2000, 1, 1) << "=100 x:199950 y:199950" << "49,49=r 50,50=b 149,149=b 150,150=r";
    QTest::newRow("no picture") << "50x50" << QRect() << "null" << "0,0=. 25,25=.";
    // clang-format on
  }
  void Drawing() {
    QFETCH(QString, picture);
    QFETCH(QRect, blue);
    QFETCH(QString, steps);
    QFETCH(QString, probes);
    auto view = View(picture, steps, blue);
    const QImage shot = view->viewport()->grab().toImage();
    const QColor base = view->viewport()->palette().color(QPalette::Base);
    for (const QString& probe : probes.split(' ')) {
      const QColor color = probe.endsWith('r')   ? QColor(Qt::red)
                           : probe.endsWith('b') ? QColor(Qt::blue)
                                                 : base;
      const QPoint at(probe.section(',', 0, 0).toInt(), probe.section(',', 1).section('=', 0, 0).toInt());
      QVERIFY2(shot.pixelColor(at) == color, qPrintable(probe));
    }
  }
};

CFV_GUI_TEST(ZoomScrollViewTest)
#include "zoom_scroll_view_test.moc"
