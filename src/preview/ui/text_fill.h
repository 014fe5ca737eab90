// CTextFill: puts a text preview into the text view so that its first screen
// shows at once, however long the text.
//
// Start() replaces the view's text with the first part of the new one (about
// kFirstPart characters, up to a line end) and appends the rest in slices of
// about kSlice characters, each up to a line end, one slice per turn of the
// event loop. Laying out a 10 MB text in one go holds the UI thread for the
// better part of a second; a slice holds it for a few milliseconds, so
// scrolling, selecting and copying work while the rest fills in. Line ends
// are never split, so the view ends up with exactly the text setPlainText
// would give it. A text with no line end after the first part goes in whole.
// Stop() drops what is left of the text being filled; Start() does so first.
//
// The view's document keeps no undo history (the view is read-only).
//
// Thread: UI thread only. The view must outlive the fill.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class QPlainTextEdit;

namespace cfv {

class CTextFill : public QObject {
  Q_OBJECT

 public:
  static constexpr qsizetype kFirstPart = 16 * 1024;
  static constexpr qsizetype kSlice = 64 * 1024;

  explicit CTextFill(QPlainTextEdit& view, QObject* parent = nullptr);

  void Start(QString text);
  void Stop();
  // True while part of the text is still to be appended.
  bool Filling() const { return next_ < text_.size(); }

 private:
  void AppendSlice();

  QPlainTextEdit& view_;
  QString text_;
  qsizetype next_ = 0;  // where the part still to be appended starts
  QTimer timer_;
};

}  // namespace cfv
