#include "app/pane_splitter.h"

#include <QMouseEvent>
#include <algorithm>

namespace cfv {

CPaneSplitter::CPaneSplitter(QWidget* parent) : QWidget(parent), bar_(new QWidget(this)) {
  bar_->setObjectName(QStringLiteral("splitterBar"));
  bar_->setCursor(Qt::SplitHCursor);
  bar_->installEventFilter(this);
}

void CPaneSplitter::SetLeftPane(QWidget* pane) {
  left_ = pane;
  UpdateLayout();
}

void CPaneSplitter::SetRightPane(QWidget* pane) {
  right_ = pane;
  UpdateLayout();
}

void CPaneSplitter::SetSplitterPos(int pos) {
  const int maxPos = width() - kBarWidth - kMinPaneWidth;
  if (pos < 0) pos = (width() - kBarWidth) / 2;
  if (pos > maxPos) pos = maxPos;
  if (pos < kMinPaneWidth) pos = kMinPaneWidth;
  pos_ = pos;
  UpdateLayout();
}

QRect CPaneSplitter::BarRect() const { return QRect(pos_, 0, kBarWidth, height()); }

void CPaneSplitter::UpdateLayout() {
  const int h = height();
  if (left_ != nullptr) left_->setGeometry(0, 0, pos_, h);
  bar_->setGeometry(BarRect());
  if (right_ != nullptr) {
    const int x = pos_ + kBarWidth;
    right_->setGeometry(x, 0, std::max(0, width() - x), h);
  }
}

void CPaneSplitter::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  UpdateLayout();
}

bool CPaneSplitter::eventFilter(QObject* watched, QEvent* event) {
  if (watched != bar_) return QWidget::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::LeftButton) break;
      dragOffset_ = static_cast<int>(mouse->position().x());
      return true;
    }
    case QEvent::MouseMove: {
      if (dragOffset_ < 0) break;
      auto* mouse = static_cast<QMouseEvent*>(event);
      const int x = static_cast<int>(bar_->mapToParent(mouse->position()).x());
      SetSplitterPos(std::max(0, x - dragOffset_));
      return true;
    }
    case QEvent::MouseButtonRelease:
      dragOffset_ = -1;
      return true;
    case QEvent::MouseButtonDblClick:
      dragOffset_ = -1;
      SetSplitterPos(-1);
      return true;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace cfv
