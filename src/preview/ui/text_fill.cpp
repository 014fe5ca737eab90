#include "preview/ui/text_fill.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

namespace cfv {
namespace {

// The end of the part of `text` that starts at `from` and holds at least
// `length` characters: just after the first line feed from there on, else
// the end of the text. A CR LF pair is never split.
qsizetype PartEnd(const QString& text, qsizetype from, qsizetype length) {
  if (text.size() - from <= length) return text.size();
  const qsizetype feed = text.indexOf(u'\n', from + length - 1);
  return feed < 0 ? text.size() : feed + 1;
}

}  // namespace

CTextFill::CTextFill(QPlainTextEdit& view, QObject* parent) : QObject(parent), view_(view) {
  view_.document()->setUndoRedoEnabled(false);
  timer_.setInterval(0);
  connect(&timer_, &QTimer::timeout, this, &CTextFill::AppendSlice);
}

void CTextFill::Start(QString text) {
  Stop();
  const qsizetype first = PartEnd(text, 0, kFirstPart);
  if (first >= text.size()) {
    view_.setPlainText(text);
    return;
  }
  view_.setPlainText(text.first(first));
  text_ = std::move(text);
  next_ = first;
  timer_.start();
}

void CTextFill::Stop() {
  timer_.stop();
  text_.clear();
  next_ = 0;
}

void CTextFill::AppendSlice() {
  const qsizetype end = PartEnd(text_, next_, kSlice);
  // A cursor of its own at the end: the user's cursor, selection and scroll
  // position stay where they are.
  QTextCursor cursor(view_.document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(QStringView(text_).sliced(next_, end - next_).toString());
  next_ = end;
  if (!Filling()) Stop();
}

}  // namespace cfv
