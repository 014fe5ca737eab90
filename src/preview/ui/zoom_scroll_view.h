// CZoomScrollView: the image preview. Shows one picture at its top-left,
// scaled by a zoom factor, with scroll bars while the scaled picture is
// larger than the pane.
//
// Sizes: the logical size is the picture's size in pixels (640 x 480 before
// the first picture, 1 x 1 for an empty one); the scroll size is the logical
// size times the zoom factor, each side truncated. Ctrl + mouse wheel changes
// the zoom by 0.5 within 0.1 to 100 and keeps the logical point at the centre
// of the pane in place; a step that would reach 0 or less is ignored. The zoom
// factor is kept from one picture to the next. The plain wheel scrolls by the
// desktop's wheel setting in lines: vertically while the picture is taller than
// the pane, otherwise horizontally.
//
// Line and page steps of the scroll bars are one hundredth and one tenth of
// the scroll size (at least one pixel) whenever the scroll size is set; before
// the first picture they are 10 and 100 logical units, scaled by the zoom.
//
// Whatever the picture does not cover shows the palette's Base colour, the
// desktop's window (content) colour. Thread: UI thread only.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <QPoint>
#include <QSize>

namespace cfv {

class CZoomScrollView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  static constexpr float kMinZoom = 0.1f;
  static constexpr float kMaxZoom = 100.0f;
  static constexpr float kZoomStep = 0.5f;

  explicit CZoomScrollView(QWidget* parent = nullptr);

  // Replaces the picture (the view owns it from now on). A null image leaves
  // the view with no picture, showing its background only. The scroll
  // position returns to the origin; the zoom factor is kept.
  void SetBitmap(QImage image);

  // Sets the zoom factor as Ctrl + wheel does: a factor of 0 or less is
  // ignored, others are clamped to kMinZoom..kMaxZoom; the logical point at the
  // pane's centre stays at the centre.
  void Zoom(float factor);

  const QImage& Bitmap() const { return image_; }
  float ZoomFactor() const { return zoom_; }
  QSize LogicalSize() const { return logicalSize_; }
  QSize ScrollSize() const { return scrollSize_; }
  QSize LineSize() const { return lineSize_; }
  QSize PageSize() const { return pageSize_; }
  // The pane's top-left in scroll-size pixels.
  QPoint ScrollPosition() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  // Sets the scroll size from the logical size and the zoom; line and page
  // steps fall back to their defaults (1/100 and 1/10 of it).
  void UpdateScrollSize();
  void UpdateScrollBars();
  void ScrollBy(Qt::Orientation orientation, int pixels);
  void OnScrollAction(Qt::Orientation orientation, int action);

  QImage image_;
  float zoom_ = 1.0f;
  QSize logicalSize_{640, 480};
  QSize scrollSize_{640, 480};
  QSize lineSize_{10, 10};
  QSize pageSize_{100, 100};
  QPoint wheelRemainder_;  // wheel angle not yet turned into whole notches
};

}  // namespace cfv
