#include "preview/ui/text_fill.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <cstring>

#include "containers/cp932.h"
#include "preview/ui/preview_content.h"

namespace cfv {
namespace {

// The end of the part of `bytes` that starts at `from` and holds at least
// `length` bytes: just after the first line feed from there on, else the end.
std::size_t PartEnd(const unsigned char* bytes, std::size_t size, std::size_t from, std::size_t length) {
  if (size - from <= length) return size;
  const auto* feed = static_cast<const unsigned char*>(
      std::memchr(bytes + from + length - 1, '\n', size - (from + length - 1)));
  return feed == nullptr ? size : static_cast<std::size_t>(feed - bytes) + 1;
}

}  // namespace

CTextFill::CTextFill(QPlainTextEdit& view, QObject* parent) : QObject(parent), view_(view) {
  view_.document()->setUndoRedoEnabled(false);
  timer_.setInterval(0);
  connect(&timer_, &QTimer::timeout, this, &CTextFill::AppendSlice);
}

void CTextFill::Start(EntryData data) {
  Stop();
  data_ = std::move(data);
  const void* zero = std::memchr(Bytes(), 0, data_.size());
  length_ = zero == nullptr ? data_.size()
                            : static_cast<std::size_t>(static_cast<const unsigned char*>(zero) - Bytes());
  const QString first = TakePart(PartEnd(Bytes(), length_, 0, kFirstPart));
  const QTextOption::WrapMode wrap =
      longRun_ ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere;
  if (view_.wordWrapMode() != wrap) {
    // A new wrap mode lays the old text out again: drop it first.
    view_.clear();
    view_.setWordWrapMode(wrap);
  }
  view_.setPlainText(first);
  if (Filling()) {
    timer_.start();
  } else {
    Stop();
  }
}

void CTextFill::Stop() {
  timer_.stop();
  data_ = EntryData();
  length_ = 0;
  next_ = 0;
  run_ = 0;
  longRun_ = false;
}

QString CTextFill::TakePart(std::size_t end) {
  const std::string utf8 = DecodeCp932UntilNul(Bytes() + next_, end - next_);
  next_ = end;
  QString part = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
  if (!longRun_) longRun_ = HasLongRun(part, run_);
  return part;
}

void CTextFill::AppendSlice() {
  const bool wasLongRun = longRun_;
  const QString part = TakePart(PartEnd(Bytes(), length_, next_, kSlice));
  if (longRun_ && !wasLongRun) view_.setWordWrapMode(QTextOption::WrapAnywhere);
  // A cursor of its own at the end: the user's cursor, selection and scroll
  // position stay where they are.
  QTextCursor cursor(view_.document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(part);
  if (!Filling()) Stop();
}

}  // namespace cfv
