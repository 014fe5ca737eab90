// The pane splitter: the left pane keeps its pixel width as the splitter is
// resized; the bar is clamped only when it is moved.
#include "app/pane_splitter.h"

#include <QtTest>

using namespace cfv;

class PaneSplitterTest : public QObject {
  Q_OBJECT

  struct Fixture {
    CPaneSplitter splitter;
    QWidget* left = new QWidget(&splitter);
    QWidget* right = new QWidget(&splitter);
    Fixture(int width) {
      splitter.resize(width, 300);
      splitter.SetLeftPane(left);
      splitter.SetRightPane(right);
      splitter.show();
    }
  };

 private slots:
  void barStaysWhereItIsWhenResized() {
    Fixture f(800);
    f.splitter.SetSplitterPos(360);
    QCOMPARE(f.left->geometry(), QRect(0, 0, 360, 300));
    QCOMPARE(f.right->geometry(), QRect(364, 0, 436, 300));
    f.splitter.resize(1200, 500);
    QCOMPARE(f.splitter.SplitterPos(), 360);
    QCOMPARE(f.left->geometry(), QRect(0, 0, 360, 500));
    QCOMPARE(f.right->geometry(), QRect(364, 0, 836, 500));
    // Narrower than the bar: the right pane loses its width, the bar stays.
    f.splitter.resize(200, 500);
    QCOMPARE(f.splitter.SplitterPos(), 360);
    QCOMPARE(f.left->width(), 360);
    QCOMPARE(f.right->width(), 0);
    f.splitter.resize(900, 500);
    QCOMPARE(f.splitter.SplitterPos(), 360);
    QCOMPARE(f.right->geometry(), QRect(364, 0, 536, 500));
  }

  void movingTheBarClampsIt() {
    Fixture f(300);
    f.splitter.SetSplitterPos(360);  // as at creation in a narrow window
    QCOMPARE(f.splitter.SplitterPos(), 300 - CPaneSplitter::kBarWidth);
    f.splitter.resize(1000, 300);  // widening does not move it
    QCOMPARE(f.splitter.SplitterPos(), 296);
    f.splitter.SetSplitterPos(-1);  // centres
    QCOMPARE(f.splitter.SplitterPos(), 498);
  }

  void doubleClickCentresAndDragMoves() {
    Fixture f(804);
    QVERIFY(QTest::qWaitForWindowExposed(&f.splitter));
    f.splitter.SetSplitterPos(100);
    QWidget* bar = f.splitter.findChild<QWidget*>(QStringLiteral("splitterBar"));
    QVERIFY(bar != nullptr);
    QCOMPARE(bar->geometry(), QRect(100, 0, 4, 300));
    QTest::mouseDClick(bar, Qt::LeftButton, {}, QPoint(2, 10));
    QCOMPARE(f.splitter.SplitterPos(), 400);
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(1, 10));
    QMouseEvent move(QEvent::MouseMove, QPointF(1 - 150, 10), bar->mapToGlobal(QPointF(1 - 150, 10)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &move);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(1, 10));
    QCOMPARE(f.splitter.SplitterPos(), 250);
    QCOMPARE(f.left->width(), 250);
  }
};

QTEST_MAIN(PaneSplitterTest)
#include "pane_splitter_test.moc"
