#include "export/output_name.h"

#include <algorithm>
#include <cstring>

namespace cfv {
namespace {

bool HasBytes(const unsigned char* data, std::size_t length, std::size_t at, const char* signature) {
  const std::size_t n = std::strlen(signature);
  return length >= at + n && std::memcmp(data + at, signature, n) == 0;
}

// Byte length of the UTF-8 sequence that starts with `lead`.
std::size_t Utf8Length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

std::string_view TrimSpaces(std::string_view s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(' ');
  return s.substr(first, last - first + 1);
}

}  // namespace

bool IsTextData(const unsigned char* data, std::size_t length) {
  const std::size_t n = std::min<std::size_t>(length, 256);
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char c = data[i];
    if (c < 0x20 && c != 0x09 && c != 0x0A && c != 0x0D) return false;
  }
  return true;
}

namespace {

// SplitEntryName's parts as views into the name: the drive and folder text
// (separators included), the stem and the extension.
struct NameParts {
  std::string_view head;
  std::string_view stem;
  std::string_view extension;
};

NameParts SplitParts(std::string_view name) {
  std::size_t driveEnd = 0;
  if (!name.empty()) {
    const std::size_t first = Utf8Length(static_cast<unsigned char>(name[0]));
    if (first < name.size() && name[first] == ':') driveEnd = first + 1;
  }
  std::size_t fileStart = name.size();
  while (fileStart > driveEnd && name[fileStart - 1] != '\\' && name[fileStart - 1] != '/') --fileStart;
  const std::string_view file = name.substr(fileStart);
  const auto dot = file.rfind('.');
  if (dot == std::string_view::npos) return {name.substr(0, fileStart), file, {}};
  return {name.substr(0, fileStart), file.substr(0, dot), file.substr(dot)};
}

// The base: head and stem joined, leading and trailing spaces removed.
void AppendBase(std::string& out, const NameParts& parts) {
  const std::size_t from = out.size();
  out.append(parts.head);
  out.append(parts.stem);
  const std::string_view joined = std::string_view(out).substr(from);
  const std::string_view trimmed = TrimSpaces(joined);
  if (trimmed.size() == joined.size()) return;
  if (trimmed.empty()) {
    out.resize(from);
    return;
  }
  const std::size_t start = from + static_cast<std::size_t>(trimmed.data() - joined.data());
  out.erase(start + trimmed.size());
  out.erase(from, start - from);
}

// CorrectExtension's answer, as a view of a literal or of `extension`.
std::string_view CorrectedExtension(std::string_view extension, const unsigned char* data,
                                    std::size_t length) {
  if (HasBytes(data, length, 0, "BM")) return ".bmp";
  if (HasBytes(data, length, 6, "JFIF")) return ".jpg";
  if (HasBytes(data, length, 0, "RIFF")) return ".wav";
  if (extension == ".mp3") return ".mp3";
  if (extension == ".mid") return ".mid";
  if ((extension == ".t" || extension == ".tx") && IsTextData(data, length)) return ".txt";
  if (extension == ".obc" && IsTextData(data, length)) return ".obc.txt";
  if (HasBytes(data, length, 1024, "m1_0")) return ".eum";
  return extension;
}

}  // namespace

SplitName SplitEntryName(std::string_view name) {
  const NameParts parts = SplitParts(name);
  SplitName split;
  split.extension = std::string(parts.extension);
  AppendBase(split.base, parts);
  return split;
}

std::string CorrectExtension(std::string_view extension, const unsigned char* data, std::size_t length) {
  return std::string(CorrectedExtension(extension, data, length));
}

void AppendOutputFileName(std::string& out, std::string_view entryName, const unsigned char* data,
                          std::size_t length, bool renameExtension) {
  const NameParts parts = SplitParts(entryName);
  const std::string_view extension =
      renameExtension ? CorrectedExtension(parts.extension, data, length) : parts.extension;
  AppendBase(out, parts);
  out.append(extension);
}

// One allocation: an export names every entry it writes.
std::string OutputFileName(std::string_view entryName, const unsigned char* data, std::size_t length,
                           bool renameExtension) {
  std::string name;
  name.reserve(entryName.size() + 8);
  AppendOutputFileName(name, entryName, data, length, renameExtension);
  return name;
}

}  // namespace cfv
