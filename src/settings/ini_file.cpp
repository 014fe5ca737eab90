#include "settings/ini_file.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <system_error>
#include <utility>
#include <vector>

#include "common/text_format.h"

namespace cfv {
namespace {

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

// The section name of a "[name]" line, or nothing.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = TrimBlanks(line);
  if (line.size() < 2 || line.front() != '[') return std::nullopt;
  const std::size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return TrimBlanks(line.substr(1, close - 1));
}

// The key of a "key=value" line, or nothing; `value` receives the value.
std::optional<std::string_view> KeyOf(std::string_view line, std::string_view* value) {
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  if (value != nullptr) *value = TrimBlanks(line.substr(eq + 1));
  return TrimBlanks(line.substr(0, eq));
}

bool ReadLines(const std::filesystem::path& file, std::vector<std::string>& lines, std::string& bom) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  std::ostringstream all;
  all << in.rdbuf();
  std::string text = all.str();
  if (text.starts_with("\xEF\xBB\xBF")) {
    bom = text.substr(0, 3);
    text.erase(0, 3);
  }
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    pos = end + 1;
  }
  return true;
}

}  // namespace

std::optional<std::string> ReadIniValue(const std::filesystem::path& file, std::string_view section,
                                        std::string_view key) {
  std::vector<std::string> lines;
  std::string bom;
  if (!ReadLines(file, lines, bom)) return std::nullopt;
  bool inSection = false;
  for (const std::string& line : lines) {
    if (auto name = SectionName(line)) {
      inSection = EqualsIgnoringAsciiCase(*name, section);
      continue;
    }
    if (!inSection) continue;
    std::string_view value;
    if (auto k = KeyOf(line, &value); k && EqualsIgnoringAsciiCase(*k, key)) return std::string(value);
  }
  return std::nullopt;
}

bool WriteIniValue(const std::filesystem::path& file, std::string_view section, std::string_view key,
                   std::string_view value) {
  std::vector<std::string> lines;
  std::string bom;
  ReadLines(file, lines, bom);  // a missing file starts empty

  const std::string newLine = std::string(key) + "=" + std::string(value);
  bool inSection = false;
  bool done = false;
  std::optional<std::size_t> sectionEnd;  // index after the last key line of the section
  for (std::size_t i = 0; i < lines.size() && !done; ++i) {
    if (auto name = SectionName(lines[i])) {
      if (inSection) break;  // the section ended without the key
      inSection = EqualsIgnoringAsciiCase(*name, section);
      if (inSection) sectionEnd = i + 1;
      continue;
    }
    if (!inSection) continue;
    if (auto k = KeyOf(lines[i], nullptr)) {
      if (EqualsIgnoringAsciiCase(*k, key)) {
        lines[i] = newLine;
        done = true;
      } else {
        sectionEnd = i + 1;
      }
    }
  }
  if (!done) {
    if (sectionEnd) {
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*sectionEnd), newLine);
    } else {
      // Appended piece by piece: `"[" + std::string(...)` inserts at the front,
      // where GCC 12 at -O3 reports a false -Wrestrict overlap.
      std::string header = "[";
      header.append(section).append("]");
      lines.push_back(std::move(header));
      lines.push_back(newLine);
    }
  }

  std::string text = bom;
  for (const std::string& line : lines) text += line + "\r\n";

  std::filesystem::path temp = file;
  temp += ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    if (!out) {
      out.close();
      std::error_code ec;
      std::filesystem::remove(temp, ec);
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, file, ec);
  if (ec) {
    std::filesystem::remove(temp, ec);
    return false;
  }
  return true;
}

}  // namespace cfv
