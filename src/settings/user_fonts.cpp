#include "settings/user_fonts.h"

#include <cstdint>
#include <limits>

#include "settings/ini_file.h"
#include "settings/profile_struct.h"

namespace cfv {
namespace {

void ReadFont(const std::filesystem::path& file, std::string_view key, LogFont& font) {
  const auto text = ReadIniValue(file, kSettingsSection, key);
  if (!text) return;
  const auto bytes = DecodeProfileStruct(*text, kLogFontBytes);
  if (!bytes) return;
  if (auto parsed = FromBytes(*bytes)) font = *parsed;
}

bool WriteFont(const std::filesystem::path& file, std::string_view key, const LogFont& font) {
  const auto bytes = ToBytes(font);
  return WriteIniValue(file, kSettingsSection, key, EncodeProfileStruct(bytes));
}

}  // namespace

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const std::int64_t product = static_cast<std::int64_t>(a) * b;
  const bool negative = (product < 0) != (c < 0);
  const std::int64_t absProduct = product < 0 ? -product : product;
  const std::int64_t absC = c < 0 ? -static_cast<std::int64_t>(c) : c;
  std::int64_t result = (absProduct + absC / 2) / absC;
  if (negative) result = -result;
  if (result > std::numeric_limits<int>::max() || result < std::numeric_limits<int>::min()) return -1;
  return static_cast<int>(result);
}

LogFont MakeDefaultFont(UiLanguage language, int screenDpi) {
  LogFont f;
  f.lfHeight = -MulDiv(12, screenDpi, 72);
  f.lfWeight = 400;
  f.lfCharSet = 128;
  f.lfQuality = 2;
  f.SetFaceName(texts::kDefaultFontFace.In(language));
  return f;
}

UserFonts LoadUserFonts(const std::filesystem::path& file, const LogFont& defaultFont) {
  UserFonts fonts{defaultFont, defaultFont, defaultFont};
  ReadFont(file, kKeyFontGeneral, fonts.general);
  ReadFont(file, kKeyFontFileTree, fonts.fileTree);
  ReadFont(file, kKeyFontViewer, fonts.viewer);
  return fonts;
}

bool SaveUserFonts(const std::filesystem::path& file, const UserFonts& fonts) {
  bool ok = WriteFont(file, kKeyFontGeneral, fonts.general);
  ok = WriteFont(file, kKeyFontFileTree, fonts.fileTree) && ok;
  ok = WriteFont(file, kKeyFontViewer, fonts.viewer) && ok;
  return ok;
}

std::string FontDescription(const LogFont& font, int screenDpi) {
  const int points = -MulDiv(font.lfHeight, 72, screenDpi);
  std::string style;
  if (font.lfWeight > 400) style += texts::kFontStyleBold;
  if (font.lfItalic != 0) {
    if (!style.empty()) style += ',';
    style += texts::kFontStyleItalic;
  }
  std::string out = font.FaceName() + " " + std::to_string(points) + "pt";
  if (!style.empty()) out += " [" + style + "]";
  return out;
}

}  // namespace cfv
