// The three user fonts and the settings file that keeps them.
//
// The settings file is "TazorCustomFileViewer.ini" in the current directory,
// section "Tazor_CustomFileViewer", keys "FontGeneral", "FontFileTree" and
// "FontViewer", each a 92-byte LOGFONTW image in Windows' profile-struct
// text form (see profile_struct.h), so the file is shared with the Windows
// program. It is read once when the main window is made and written only
// when the Configuration dialog ends with OK.
//
// Thread: UI thread (the callers'); the functions themselves share nothing.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "common/mul_div.h"
#include "common/texts.h"
#include "settings/logfont.h"

namespace cfv {

inline constexpr std::string_view kSettingsFileName = "TazorCustomFileViewer.ini";
inline constexpr std::string_view kSettingsSection = "Tazor_CustomFileViewer";
inline constexpr std::string_view kKeyFontGeneral = "FontGeneral";
inline constexpr std::string_view kKeyFontFileTree = "FontFileTree";
inline constexpr std::string_view kKeyFontViewer = "FontViewer";

// The settings file as the program uses it: relative, so it follows the
// current directory.
inline std::filesystem::path DefaultSettingsPath() { return std::filesystem::path(kSettingsFileName); }

struct UserFonts {
  LogFont general;   // every dialog the program builds
  LogFont fileTree;  // the entry tree view
  LogFont viewer;    // the text view
  bool operator==(const UserFonts&) const = default;
};

// The default of all three fonts: 12 points at `screenDpi` (-16 at 96),
// weight 400, Shift-JIS character set (128), proof quality (2), face "Arial"
// (English) or "Meiryo UI" (Japanese).
LogFont MakeDefaultFont(UiLanguage language, int screenDpi);

// All three fonts set to `defaultFont`, then each read from `file` over its
// default, in the order FontGeneral, FontFileTree, FontViewer. A missing
// file, section or key, or a damaged value, keeps the default.
UserFonts LoadUserFonts(const std::filesystem::path& file, const LogFont& defaultFont);

// Writes all three keys, in the order FontGeneral, FontFileTree, FontViewer,
// creating the file and the section as needed. False when a write failed
// (the caller goes on with the fonts in memory).
bool SaveUserFonts(const std::filesystem::path& file, const UserFonts& fonts);

// The one-line text the Configuration dialog shows for a font:
// "<face> <points>pt" and, for a weight above 400 and/or italic, " [太字]",
// " [斜体]" or " [太字,斜体]" (Japanese in both UI languages). Points are
// -MulDiv(lfHeight, 72, screenDpi). UTF-8.
std::string FontDescription(const LogFont& font, int screenDpi);

}  // namespace cfv
