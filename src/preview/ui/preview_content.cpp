#include "preview/ui/preview_content.h"

#include <QPainter>

#include "containers/cp932.h"
#include "containers/extract.h"

namespace cfv {

QString DecodePreviewText(const EntryData& data) {
  const std::string utf8 = DecodeCp932UntilNul(data.data(), data.size());
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QTextOption::WrapMode PreviewWrapMode(const QString& text) {
  int run = 0;
  for (const QChar c : text) {
    run = c.isSpace() ? 0 : run + 1;
    if (run > kLongRun) return QTextOption::WrapAnywhere;
  }
  return QTextOption::WrapAtWordBoundaryOrAnywhere;
}

QImage DecodePreviewImage(const EntryData& data) {
  QImage decoded = QImage::fromData(data.data(), static_cast<int>(data.size()), "BMP");
  if (decoded.isNull()) return decoded;
  if (!decoded.hasAlphaChannel()) return decoded.convertToFormat(QImage::Format_RGB32);
  QImage opaque(decoded.size(), QImage::Format_RGB32);
  if (opaque.isNull()) return opaque;
  opaque.fill(Qt::black);
  QPainter painter(&opaque);
  painter.drawImage(0, 0, decoded);
  return opaque;
}

}  // namespace cfv
