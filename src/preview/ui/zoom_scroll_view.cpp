#include "preview/ui/zoom_scroll_view.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

namespace cfv {
namespace {

constexpr int kWheelNotch = 120;  // angle delta of one wheel notch

QSize Scaled(QSize logical, float zoom) {
  return QSize(static_cast<int>(static_cast<float>(logical.width()) * zoom),
               static_cast<int>(static_cast<float>(logical.height()) * zoom));
}

}  // namespace

CZoomScrollView::CZoomScrollView(QWidget* parent) : QAbstractScrollArea(parent) {
  // The content pane keeps the desktop's window (content) colour behind the
  // picture; the frame gives the sunken client edge of a document pane.
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  setFocusPolicy(Qt::NoFocus);

  UpdateScrollSize();
  // Before the first picture the steps are 10 and 100 logical units.
  lineSize_ = Scaled(QSize(10, 10), zoom_);
  pageSize_ = Scaled(QSize(100, 100), zoom_);

  connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this,
          [this](int action) { OnScrollAction(Qt::Horizontal, action); });
  connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
          [this](int action) { OnScrollAction(Qt::Vertical, action); });
  UpdateScrollBars();
}

void CZoomScrollView::SetBitmap(QImage image) {
  image_ = std::move(image);
  logicalSize_ = image_.isNull() ? QSize(1, 1) : image_.size();
  UpdateScrollSize();
  UpdateScrollBars();
  horizontalScrollBar()->setValue(0);
  verticalScrollBar()->setValue(0);
  viewport()->update();
}

void CZoomScrollView::Zoom(float factor) {
  if (factor <= 0.0f) return;
  factor = std::clamp(factor, kMinZoom, kMaxZoom);

  // The logical point at the centre of the pane, to be kept there.
  const QSize pane = viewport()->size();
  const QPoint position = ScrollPosition();
  const double centreX = (position.x() + pane.width() / 2) / static_cast<double>(zoom_);
  const double centreY = (position.y() + pane.height() / 2) / static_cast<double>(zoom_);

  zoom_ = factor;
  UpdateScrollSize();
  UpdateScrollBars();
  const QSize newPane = viewport()->size();
  horizontalScrollBar()->setValue(static_cast<int>(centreX * zoom_) - newPane.width() / 2);
  verticalScrollBar()->setValue(static_cast<int>(centreY * zoom_) - newPane.height() / 2);
  viewport()->update();
}

QPoint CZoomScrollView::ScrollPosition() const {
  return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void CZoomScrollView::UpdateScrollSize() {
  scrollSize_ = Scaled(logicalSize_, zoom_);
  lineSize_ = QSize(std::max(scrollSize_.width() / 100, 1), std::max(scrollSize_.height() / 100, 1));
  pageSize_ = QSize(std::max(scrollSize_.width() / 10, 1), std::max(scrollSize_.height() / 10, 1));
}

void CZoomScrollView::UpdateScrollBars() {
  const QSize pane = viewport()->size();
  QScrollBar* h = horizontalScrollBar();
  QScrollBar* v = verticalScrollBar();
  // The bars' own page step sizes their handles (the visible share); page
  // clicks move by the view's page size instead (OnScrollAction).
  h->setPageStep(pane.width());
  v->setPageStep(pane.height());
  h->setSingleStep(lineSize_.width());
  v->setSingleStep(lineSize_.height());
  h->setRange(0, std::max(0, scrollSize_.width() - pane.width()));
  v->setRange(0, std::max(0, scrollSize_.height() - pane.height()));
}

void CZoomScrollView::OnScrollAction(Qt::Orientation orientation, int action) {
  QScrollBar* bar = orientation == Qt::Horizontal ? horizontalScrollBar() : verticalScrollBar();
  const int page = orientation == Qt::Horizontal ? pageSize_.width() : pageSize_.height();
  if (action == QAbstractSlider::SliderPageStepAdd) {
    bar->setSliderPosition(bar->value() + page);
  } else if (action == QAbstractSlider::SliderPageStepSub) {
    bar->setSliderPosition(bar->value() - page);
  }
}

void CZoomScrollView::ScrollBy(Qt::Orientation orientation, int pixels) {
  QScrollBar* bar = orientation == Qt::Horizontal ? horizontalScrollBar() : verticalScrollBar();
  bar->setValue(bar->value() + pixels);
}

void CZoomScrollView::paintEvent(QPaintEvent* event) {
  if (image_.isNull()) return;  // the background alone
  QPainter painter(viewport());
  painter.setClipRect(event->rect());
  const QPoint position = ScrollPosition();
  if (scrollSize_ == image_.size()) {
    // Unscaled: only the pixels inside the clip are copied, whatever the
    // picture's size.
    const QRect visible = event->rect().translated(position) & image_.rect();
    if (!visible.isEmpty()) painter.drawImage(visible.topLeft() - position, image_, visible);
    return;
  }
  // The whole picture maps onto the scroll size, shifted by the scroll
  // position; the painter draws only the part inside the clip.
  const QRectF target(-position.x(), -position.y(), scrollSize_.width(), scrollSize_.height());
  painter.drawImage(target, image_, QRectF(image_.rect()));
}

void CZoomScrollView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
  viewport()->update();
}

void CZoomScrollView::scrollContentsBy(int dx, int dy) { viewport()->scroll(dx, dy); }

void CZoomScrollView::wheelEvent(QWheelEvent* event) {
  event->accept();
  const QPoint delta = event->angleDelta();
  if ((event->modifiers() & Qt::ControlModifier) && delta.y() != 0) {
    Zoom(zoom_ + (delta.y() > 0 ? kZoomStep : -kZoomStep));
    return;
  }
  // Whole notches scroll; the rest waits for the next event.
  wheelRemainder_ += delta;
  const int lines = QApplication::wheelScrollLines();
  const int notchesY = wheelRemainder_.y() / kWheelNotch;
  const int notchesX = wheelRemainder_.x() / kWheelNotch;
  wheelRemainder_ -= QPoint(notchesX * kWheelNotch, notchesY * kWheelNotch);
  if (notchesY != 0) {
    // A wheel turned forward moves the picture down: the view goes up/left.
    if (scrollSize_.height() > viewport()->height()) {
      ScrollBy(Qt::Vertical, -notchesY * lines * lineSize_.height());
    } else {
      ScrollBy(Qt::Horizontal, -notchesY * lines * lineSize_.width());
    }
  }
  if (notchesX != 0) ScrollBy(Qt::Horizontal, -notchesX * lines * lineSize_.width());
}

}  // namespace cfv
