// Turning entry data into what the preview panes show.
#pragma once

#include <QImage>
#include <QString>
#include <QTextOption>

namespace cfv {

class EntryData;

// The text of a text entry: its bytes up to the first zero byte (all of them
// when there is none), decoded from code page 932; invalid bytes become
// U+FFFD. Line ends and every other character pass through unchanged.
QString DecodePreviewText(const EntryData& data);

// The text view wraps at word boundaries, breaking a word only when it is
// longer than a line, as a plain edit control does; but anywhere once the
// text holds a run of more than kLongRun characters without a blank, whose
// word-boundary layout takes time that grows with the square of the run (a
// 1 MB run would freeze the window for minutes).
inline constexpr int kLongRun = 10000;
// Whether `part`, one of the parts a text is read in, completes such a run:
// `run` carries the characters since the last blank from one part to the
// next (0 before the first).
bool HasLongRun(QStringView part, int& run);

// The picture of an image entry decoded as a BMP file image, ready to draw:
// opaque, with any transparency laid over black, as a device bitmap made over
// a transparent black background shows it. Plain 24-bit bitmaps keep their
// 24-bit pixels (Format_BGR888), every other one is 32-bit (Format_RGB32).
// A null image when the data does not decode.
QImage DecodePreviewImage(const EntryData& data);

}  // namespace cfv
