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

SplitName SplitEntryName(std::string_view name) {
  std::size_t driveEnd = 0;
  if (!name.empty()) {
    const std::size_t first = Utf8Length(static_cast<unsigned char>(name[0]));
    if (first < name.size() && name[first] == ':') driveEnd = first + 1;
  }
  const std::string_view rest = name.substr(driveEnd);
  const auto lastSep = rest.find_last_of("\\/");
  const std::size_t fileStart = lastSep == std::string_view::npos ? 0 : lastSep + 1;
  const std::string_view file = rest.substr(fileStart);
  const auto dot = file.rfind('.');
  const std::string_view stem = dot == std::string_view::npos ? file : file.substr(0, dot);
  SplitName split;
  split.extension = dot == std::string_view::npos ? std::string() : std::string(file.substr(dot));
  std::string joined;
  joined.reserve(name.size());
  joined.append(name.substr(0, driveEnd));
  joined.append(rest.substr(0, fileStart));
  joined.append(stem);
  split.base = std::string(TrimSpaces(joined));
  return split;
}

std::string CorrectExtension(std::string_view extension, const unsigned char* data, std::size_t length) {
  if (HasBytes(data, length, 0, "BM")) return ".bmp";
  if (HasBytes(data, length, 6, "JFIF")) return ".jpg";
  if (HasBytes(data, length, 0, "RIFF")) return ".wav";
  if (extension == ".mp3") return ".mp3";
  if (extension == ".mid") return ".mid";
  if ((extension == ".t" || extension == ".tx") && IsTextData(data, length)) return ".txt";
  if (extension == ".obc" && IsTextData(data, length)) return ".obc.txt";
  if (HasBytes(data, length, 1024, "m1_0")) return ".eum";
  return std::string(extension);
}

std::string OutputFileName(std::string_view entryName, const unsigned char* data, std::size_t length,
                           bool renameExtension) {
  SplitName split = SplitEntryName(entryName);
  if (renameExtension) split.extension = CorrectExtension(split.extension, data, length);
  return split.base + split.extension;
}

}  // namespace cfv
