// The UI language: Japanese when the system's default locale is "ja-JP",
// English otherwise.
//
// On Linux the system default locale is the LANG setting of the system-wide
// locale files: /etc/locale.conf first, else /etc/default/locale. The user's
// own environment (LANG, LC_ALL, ...) is deliberately not consulted: only the
// system default counts. A value such as "ja_JP.UTF-8" is read as "ja-JP"
// (cut at '.' or '@', '_' becomes '-').
//
// Thread: any; pure functions and file reads.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "common/texts.h"

namespace cfv {

// The files consulted for the system default locale, in order.
std::vector<std::filesystem::path> DefaultLocaleFiles();

// The LANG value of the first file in `files` that exists and sets LANG,
// normalised to the "ll-CC" form ("ja_JP.UTF-8" -> "ja-JP"). Empty when no
// file sets it. Accepts `LANG=v`, `export LANG=v`, quoted values and comments.
std::string ReadSystemLocaleName(const std::vector<std::filesystem::path>& files);

// Normalises a POSIX locale value: cut at '.' or '@', '_' -> '-'.
std::string NormaliseLocaleName(std::string_view posixValue);

// Japanese exactly when `localeName` equals "ja-JP" ignoring the case of
// ASCII letters A-Z (and nothing else).
UiLanguage LanguageFromLocaleName(std::string_view localeName);

// Index of a language in the bilingual pairs: 0 English, 1 Japanese.
constexpr int LanguageFlag(UiLanguage language) { return language == UiLanguage::kJapanese ? 1 : 0; }

}  // namespace cfv
