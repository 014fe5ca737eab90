#include "preview/ui/preview_content.h"

#include <QPainter>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "containers/cp932.h"
#include "containers/extract.h"

namespace cfv {

QString DecodePreviewText(const EntryData& data) {
  const std::string utf8 = DecodeCp932UntilNul(data.data(), data.size());
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

bool HasLongRun(QStringView part, int& run) {
  for (const QChar c : part) {
    run = c.isSpace() ? 0 : run + 1;
    if (run > kLongRun) return true;
  }
  return false;
}

namespace {

std::uint32_t U32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t U16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

// Pictures the general reader refuses as too large (its allocation limit).
constexpr std::uint64_t kMaxPictureBytes = 256u * 1024 * 1024;

// The most common bitmap, an uncompressed 24-bit one with the 40-byte
// header and every row present, copied straight into a picture of the same
// pixel layout: the general reader takes several times as long over a large
// one. Anything else
// gives a null image and goes to the general reader.
QImage DecodePlain24BitBmp(const unsigned char* p, std::size_t size) {
  constexpr std::size_t kHeaders = 14 + 40;
  if (size < kHeaders || p[0] != 'B' || p[1] != 'M') return QImage();
  const std::uint32_t pixelsAt = U32(p + 10);
  const auto width = static_cast<std::int32_t>(U32(p + 18));
  const auto height = static_cast<std::int32_t>(U32(p + 22));
  if (U32(p + 14) != 40 || U16(p + 26) != 1 || U16(p + 28) != 24 || U32(p + 30) != 0) return QImage();
  if (width <= 0 || height == 0 || height == INT32_MIN) return QImage();
  const std::uint64_t rows = static_cast<std::uint64_t>(std::abs(static_cast<std::int64_t>(height)));
  const std::uint64_t stride = (static_cast<std::uint64_t>(width) * 3 + 3) & ~std::uint64_t{3};
  if (static_cast<std::uint64_t>(width) * rows * 4 > kMaxPictureBytes) return QImage();
  if (pixelsAt < kHeaders || pixelsAt > size || (size - pixelsAt) / stride < rows) return QImage();
  // The rows as they are stored (blue, green, red), each copied whole: no
  // pixel-by-pixel conversion and a quarter less memory than 32 bits.
  QImage image(width, static_cast<int>(rows), QImage::Format_BGR888);
  if (image.isNull()) return image;
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
  for (std::uint64_t y = 0; y < rows; ++y) {
    // Rows are stored bottom-up, or top-down when the height is negative.
    const unsigned char* src = p + pixelsAt + stride * (height > 0 ? rows - 1 - y : y);
    std::memcpy(image.scanLine(static_cast<int>(y)), src, rowBytes);
  }
  return image;
}

}  // namespace

QImage DecodePreviewImage(const EntryData& data) {
  QImage plain = DecodePlain24BitBmp(data.data(), data.size());
  if (!plain.isNull()) return plain;
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
