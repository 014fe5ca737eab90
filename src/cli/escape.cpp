#include <charconv>
#include <cstring>

#include "cli/commands.h"

namespace cfv::cli {

void AppendEscaped(std::string& out, std::string_view text) {
  // Most texts hold nothing to escape: copy the runs between special bytes
  // whole.
  std::size_t from = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const char* escaped = nullptr;
    switch (c) {
      case '\\':
        escaped = "\\\\";
        break;
      case '\t':
        escaped = "\\t";
        break;
      case '\n':
        escaped = "\\n";
        break;
      case '\r':
        escaped = "\\r";
        break;
      default:
        continue;
    }
    out.append(text.data() + from, i - from);
    out.append(escaped, 2);
    from = i + 1;
  }
  out.append(text.data() + from, text.size() - from);
}

std::string EscapeField(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendEscaped(out, text);
  return out;
}

bool PatternFits(std::string_view pattern, const char* what, std::FILE* err) {
  if (pattern.size() <= kMaxPatternBytes) return true;
  std::fprintf(err, "tazor-cfv: %s: a pattern may hold at most %zu bytes, this one holds %zu\n", what,
               kMaxPatternBytes, pattern.size());
  return false;
}

void ReportReadError(std::FILE* err, const std::filesystem::path& file, int error) {
  std::fprintf(err, "tazor-cfv: cannot read %s: %s\n", Shown(file).c_str(), std::strerror(error));
}

std::optional<std::uint32_t> ParseOffset(std::string_view text) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  if (text.empty()) return std::nullopt;
  std::uint32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

bool LooksLikeOffset(std::string_view text) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  if (hex) text.remove_prefix(2);
  if (text.empty()) return false;
  for (const char c : text) {
    const bool digit = c >= '0' && c <= '9';
    const bool hexLetter = (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (!digit && !(hex && hexLetter)) return false;
  }
  return true;
}

}  // namespace cfv::cli
