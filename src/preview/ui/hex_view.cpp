#include "preview/ui/hex_view.h"

#include <QEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "preview/hex_dump.h"

namespace cfv {

CHexView::CHexView(QWidget* parent) : QAbstractScrollArea(parent) {
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  UpdateScrollBars();
}

void CHexView::SetData(EntryData bytes) {
  data_ = std::move(bytes);
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
  UpdateScrollBars();
  viewport()->update();
}

QFont CHexView::DumpFont() const {
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  if (font().pixelSize() > 0) {
    fixed.setPixelSize(font().pixelSize());
  } else if (font().pointSizeF() > 0) {
    fixed.setPointSizeF(font().pointSizeF());
  }
  return fixed;
}

std::size_t CHexView::TopLine() const { return static_cast<std::size_t>(verticalScrollBar()->value()); }

int CHexView::VisibleLines() const {
  return std::max(1, viewport()->height() / QFontMetrics(DumpFont()).lineSpacing());
}

void CHexView::UpdateScrollBars() {
  const QFontMetrics metrics(DumpFont());
  // A line's width with the margins either side of it.
  const auto widthOf = [&](std::size_t perLine) {
    return metrics.horizontalAdvance(
               QString(static_cast<qsizetype>(HexLineLength(perLine)), QLatin1Char('0'))) +
           2 * metrics.averageCharWidth();
  };
  const std::size_t perLine =
      widthOf(kHexBytesPerLine) <= viewport()->width() ? kHexBytesPerLine : kHexBytesPerLine / 2;
  const std::size_t firstByte = TopLine() * perLine_;
  perLine_ = perLine;
  // At most 64 MiB of data: 8 Mi lines, well inside the scroll bar's int.
  const auto lines = static_cast<int>(HexLineCount(data_.size(), perLine_));
  const int visible = VisibleLines();
  verticalScrollBar()->setRange(0, std::max(0, lines - visible));
  verticalScrollBar()->setPageStep(visible);
  verticalScrollBar()->setSingleStep(1);
  verticalScrollBar()->setValue(static_cast<int>(firstByte / perLine_));
  horizontalScrollBar()->setRange(0, std::max(0, widthOf(perLine_) - viewport()->width()));
  horizontalScrollBar()->setPageStep(viewport()->width());
  horizontalScrollBar()->setSingleStep(metrics.averageCharWidth());
}

void CHexView::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(viewport());
  const QFont font = DumpFont();
  painter.setFont(font);
  painter.setPen(palette().color(QPalette::Text));
  const QFontMetrics metrics(font);
  const std::size_t lines = HexLineCount(data_.size(), perLine_);
  const int x = metrics.averageCharWidth() - horizontalScrollBar()->value();
  int y = metrics.ascent();
  for (std::size_t line = TopLine(); line < lines && y - metrics.ascent() < viewport()->height(); ++line) {
    painter.drawText(x, y, QString::fromLatin1(HexLine(data_.data(), data_.size(), line, perLine_)));
    y += metrics.lineSpacing();
  }
}

void CHexView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void CHexView::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) UpdateScrollBars();
}

}  // namespace cfv
