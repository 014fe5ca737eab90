// CTextFill: puts a text entry into the text view so that its first screen
// shows at once, however long the text.
//
// Start() takes the entry's data and shows its text as DecodePreviewText
// decodes it (up to the first zero byte, code page 932), wrapped as
// kLongRun says. It decodes and shows the first part at once (about
// kFirstPart bytes, up to a line feed) and decodes and appends the rest in
// slices of about kSlice bytes, each up to a line feed, one slice per turn of
// the event loop. Decoding and laying out 10 MB in one go holds the UI thread
// for the better part of a second; a slice holds it for a few milliseconds,
// so scrolling, selecting and copying work while the rest fills in. A line
// feed byte is never part of a double-byte character, so the slices decode
// to exactly the whole text, and CR LF pairs are never split. A text with no
// line feed after the first part goes in whole. The wrap mode follows the
// text read so far: a run without blanks longer than kLongRun met in a later
// slice switches the view to wrapping anywhere from then on.
// Stop() drops what is left of the text being filled; Start() does so first.
//
// The view's document keeps no undo history (the view is read-only).
//
// Thread: UI thread only. The view must outlive the fill.
#pragma once

#include <QObject>
#include <QTimer>
#include <cstddef>

#include "containers/extract.h"

class QPlainTextEdit;

namespace cfv {

class CTextFill : public QObject {
  Q_OBJECT

 public:
  static constexpr std::size_t kFirstPart = 16 * 1024;
  static constexpr std::size_t kSlice = 64 * 1024;

  explicit CTextFill(QPlainTextEdit& view, QObject* parent = nullptr);

  void Start(EntryData data);
  void Stop();
  // True while part of the text is still to be appended.
  bool Filling() const { return next_ < length_; }

 private:
  void AppendSlice();
  // Decodes the part [next_, end) and moves next_ to `end`; adjusts the wrap
  // mode to the text read so far.
  QString TakePart(std::size_t end);

  QPlainTextEdit& view_;
  const unsigned char* Bytes() const { return data_.data(); }

  EntryData data_;
  std::size_t length_ = 0;  // bytes of text: up to the first zero byte
  std::size_t next_ = 0;    // where the part still to be appended starts
  int run_ = 0;             // characters since the last blank
  bool longRun_ = false;
  QTimer timer_;
};

}  // namespace cfv
