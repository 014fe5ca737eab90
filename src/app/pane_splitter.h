// CPaneSplitter: the main window's client area, a left pane and a right
// pane side by side with a vertical bar between them.
//
// The bar keeps its pixel position when the splitter is resized, also when
// the splitter becomes narrower than that position (the right pane then
// loses its width); so the left pane keeps its width as the window is
// resized. The position is clamped to the splitter's width only when the
// bar is moved: SetSplitterPos, dragging the bar with the mouse, and a
// double-click on the bar, which centres it.
//
// The panes are child widgets of the splitter; setting a pane only lays it
// out, showing and hiding the preview windows is the caller's part.
//
// Thread: UI thread.
#pragma once

#include <QWidget>

namespace cfv {

class CPaneSplitter : public QWidget {
  Q_OBJECT

 public:
  // Width of the bar in pixels, and the smallest width either pane is given
  // when the bar is moved.
  static constexpr int kBarWidth = 4;
  static constexpr int kMinPaneWidth = 0;

  explicit CPaneSplitter(QWidget* parent = nullptr);

  void SetLeftPane(QWidget* pane);
  void SetRightPane(QWidget* pane);
  QWidget* LeftPane() const { return left_; }
  QWidget* RightPane() const { return right_; }

  // Moves the bar's left edge to `pos` pixels from the left edge, clamped so
  // both panes keep kMinPaneWidth; a negative `pos` centres the bar. Lays
  // the panes out.
  void SetSplitterPos(int pos);
  int SplitterPos() const { return pos_; }
  // The bar's rectangle in splitter coordinates.
  QRect BarRect() const;

  // Places the panes and the bar for the current size and bar position.
  void UpdateLayout();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* bar_;
  QWidget* left_ = nullptr;
  QWidget* right_ = nullptr;
  int pos_ = 0;
  int dragOffset_ = -1;  // pointer x within the bar while dragging, else -1
};

}  // namespace cfv
