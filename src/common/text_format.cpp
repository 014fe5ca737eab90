#include "common/text_format.h"

namespace cfv {

std::string FormatText(std::string_view format, std::initializer_list<std::string_view> args) {
  std::string out;
  out.reserve(format.size() + 64);
  auto next = args.begin();
  std::size_t pos = 0;
  while (pos < format.size()) {
    const std::size_t at = format.find("%s", pos);
    if (at == std::string_view::npos || next == args.end()) {
      out.append(format.substr(pos));
      break;
    }
    out.append(format.substr(pos, at - pos));
    out.append(*next++);
    pos = at + 2;
  }
  return out;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

}  // namespace cfv
