#include "common/language.h"

#include <fstream>

#include "common/text_format.h"

namespace cfv {
namespace {

// The value of a `LANG=...` line, or nothing for any other line.
bool LangValue(std::string_view line, std::string& value) {
  line = TrimBlanks(line);
  if (line.starts_with("export ")) line = TrimBlanks(line.substr(7));
  if (!line.starts_with("LANG=")) return false;
  std::string_view v = TrimBlanks(line.substr(5));
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    v = v.substr(1, v.size() - 2);
  }
  value.assign(v);
  return true;
}

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::vector<std::filesystem::path> DefaultLocaleFiles() {
  return {"/etc/locale.conf", "/etc/default/locale"};
}

std::string NormaliseLocaleName(std::string_view posixValue) {
  const std::size_t cut = posixValue.find_first_of(".@");
  std::string name(posixValue.substr(0, cut));
  for (char& c : name) {
    if (c == '_') c = '-';
  }
  return name;
}

std::string ReadSystemLocaleName(const std::vector<std::filesystem::path>& files) {
  for (const auto& file : files) {
    std::ifstream in(file);
    if (!in) continue;
    std::string line;
    std::string value;
    bool found = false;
    // The last assignment wins, as when the file is sourced by a shell.
    while (std::getline(in, line)) {
      if (!line.empty() && TrimBlanks(line).starts_with('#')) continue;
      std::string v;
      if (LangValue(line, v)) {
        value = std::move(v);
        found = true;
      }
    }
    if (found) return NormaliseLocaleName(value);
  }
  return {};
}

UiLanguage LanguageFromLocaleName(std::string_view localeName) {
  constexpr std::string_view kJapanese = "JA-JP";
  if (localeName.size() != kJapanese.size()) return UiLanguage::kEnglish;
  for (std::size_t i = 0; i < kJapanese.size(); ++i) {
    if (AsciiUpper(localeName[i]) != kJapanese[i]) return UiLanguage::kEnglish;
  }
  return UiLanguage::kJapanese;
}

}  // namespace cfv
