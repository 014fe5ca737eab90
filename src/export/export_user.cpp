#include "export/export_user.h"

namespace cfv {

std::string FormatExportText(std::string_view pattern, std::string_view argument) {
  const auto at = pattern.find("%s");
  if (at == std::string_view::npos) return std::string(pattern);
  std::string out;
  out.reserve(pattern.size() + argument.size());
  out.append(pattern.substr(0, at));
  out.append(argument);
  out.append(pattern.substr(at + 2));
  return out;
}

std::string WithUnixLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out.push_back(text[i]);
  }
  return out;
}

}  // namespace cfv
