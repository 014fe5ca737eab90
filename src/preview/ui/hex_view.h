// CHexView: an entry's bytes as a hex dump (offset, 16 bytes in hex, ASCII),
// the "View as Hex" preview of anything not shown as a picture or a sound.
// A view too narrow for a line of 16 bytes and its ASCII column shows 8
// bytes a line, so the ASCII column stays on screen (the right pane of a
// window at its first size is narrower than 16 bytes in the preview font);
// the first byte on screen stays there when the view switches.
//
// It owns the entry's data and makes only the lines on screen, each time it
// paints, so a 64 MiB entry (4 million lines) scrolls as fast as a short one.
// The vertical scroll bar counts lines, the horizontal one pixels. Text is
// drawn in the fixed-pitch face of the desktop at the size of the font the
// view is given (the preview font), so the columns line up.
//
// Thread: UI thread only.
#pragma once

#include <QAbstractScrollArea>
#include <QFont>

#include "containers/extract.h"

namespace cfv {

class CHexView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  explicit CHexView(QWidget* parent = nullptr);

  // Shows `data` from its first line; the view owns it from now on.
  void SetData(EntryData bytes);
  const EntryData& Data() const { return data_; }
  // The first line on screen.
  std::size_t TopLine() const;
  // Lines that fit the viewport whole (at least 1).
  int VisibleLines() const;
  // Bytes a line shows now: 16, or 8 in a narrow view.
  std::size_t BytesPerLine() const { return perLine_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void UpdateScrollBars();
  QFont DumpFont() const;

  EntryData data_;
  std::size_t perLine_ = 16;
};

}  // namespace cfv
