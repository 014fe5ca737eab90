#include "settings/user_fonts.h"

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
