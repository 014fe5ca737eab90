#include "containers/entry_header.h"

#include "containers/cp932.h"

namespace cfv {

bool IsEntryHeader(const unsigned char* header) {
  bool seenNul = false;
  for (std::size_t i = 0; i < kNameFieldSize; ++i) {
    const unsigned char c = header[i];
    if (c == 0) {
      seenNul = true;
      continue;
    }
    const bool text = c == 0x09 || c == 0x0A || c == 0x0D || c >= 0x20;
    if (!text || seenNul) return false;
  }
  const unsigned char* size = header + kNameFieldSize;
  seenNul = false;
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < kSizeFieldSize; ++i) {
    const unsigned char c = size[i];
    if (c == 0) {
      seenNul = true;
      continue;
    }
    if (c < '0' || c > '9' || seenNul) return false;
    value = value * 10 + (c - '0');
  }
  return seenNul && value != 0;
}

std::uint64_t HeaderSizeValue(const unsigned char* header) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < kSizeFieldSize; ++i) {
    const unsigned char c = header[kNameFieldSize + i];
    if (c < '0' || c > '9') break;
    value = value * 10 + (c - '0');
  }
  return value;
}

bool IsUsableEntryHeader(const unsigned char* header) {
  return IsEntryHeader(header) && HeaderSizeValue(header) >= kEntryHeaderSize;
}

std::string HeaderName(const unsigned char* header) { return DecodeCp932UntilNul(header, kNameFieldSize); }

}  // namespace cfv
