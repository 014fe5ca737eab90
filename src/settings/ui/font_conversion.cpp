#include "settings/ui/font_conversion.h"

#include <QFontMetrics>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace cfv {

QFont ToQFont(const LogFont& font) {
  QFont q;
  const QString face = QString::fromStdString(font.FaceName());
  if (!face.isEmpty()) q.setFamilies({face});
  if (font.lfHeight < 0) {
    q.setPixelSize(std::max(1, -font.lfHeight));
  } else if (font.lfHeight > 0) {
    // A cell height: find the pixel size whose line height matches it.
    q.setPixelSize(font.lfHeight);
    const int cell = QFontMetrics(q).height();
    if (cell > 0) {
      const int size = static_cast<int>(std::lround(double(font.lfHeight) * font.lfHeight / cell));
      q.setPixelSize(std::max(1, size));
    }
  }
  const int weight = font.lfWeight <= 0 ? 400 : std::min(font.lfWeight, 1000);
  q.setWeight(static_cast<QFont::Weight>(weight));
  q.setItalic(font.lfItalic != 0);
  q.setUnderline(font.lfUnderline != 0);
  q.setStrikeOut(font.lfStrikeOut != 0);
  // lfQuality 3 (non-antialiased) and 4/5 (antialiased, ClearType).
  if (font.lfQuality == 3) {
    q.setStyleStrategy(QFont::NoAntialias);
  } else if (font.lfQuality == 4 || font.lfQuality == 5) {
    q.setStyleStrategy(QFont::PreferAntialias);
  }
  return q;
}

void InstallWindowsFontSubstitutes() {
  const QString cjk = QStringLiteral("Noto Sans CJK JP");
  const struct {
    const char* windowsFace;
    QStringList substitutes;
  } table[] = {
      {"Arial", {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")}},
      {"Meiryo UI", {cjk}},
      {"Meiryo", {cjk}},
      {"MS UI Gothic", {cjk}},
      {"MS Gothic", {cjk}},
      {"MS PGothic", {cjk}},
      {"Yu Gothic UI", {cjk}},
  };
  for (const auto& entry : table) {
    const QString face = QString::fromLatin1(entry.windowsFace);
    if (QFont::substitutes(face).isEmpty()) QFont::insertSubstitutions(face, entry.substitutes);
  }
}

LogFont FromQFont(const QFont& qfont, const LogFont& base, int screenDpi) {
  LogFont f = base;
  const QStringList families = qfont.families();
  const QString face = families.isEmpty() ? qfont.family() : families.front();
  f.SetFaceName(face.toStdString());
  if (qfont.pixelSize() > 0) {
    f.lfHeight = -qfont.pixelSize();
  } else if (qfont.pointSizeF() > 0) {
    f.lfHeight = -static_cast<int>(std::lround(qfont.pointSizeF() * screenDpi / 72.0));
  }
  f.lfWeight = qfont.weight();
  f.lfItalic = qfont.italic() ? 1 : 0;
  f.lfUnderline = qfont.underline() ? 1 : 0;
  f.lfStrikeOut = qfont.strikeOut() ? 1 : 0;
  return f;
}

}  // namespace cfv
