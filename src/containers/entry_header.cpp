#include "containers/entry_header.h"

#include <cstring>

#include "containers/cp932.h"

namespace cfv {

namespace {

// The size field's value when the field keeps its rules (digits, then only
// NULs, at least one NUL), else 0. The loader tests two candidates per entry
// and one of them (the start of a leaf's payload) is usually no header; it
// fails here within a byte or two, so the size field is tested first.
std::uint64_t CheckedSizeValue(const unsigned char* size) {
  std::uint64_t value = 0;
  std::size_t i = 0;
  for (; i < kSizeFieldSize; ++i) {
    const unsigned c = size[i];
    if (c == 0) break;
    if (c - '0' > 9u) return 0;
    value = value * 10 + (c - '0');
  }
  if (i == kSizeFieldSize) return 0;  // no NUL
  for (; i < kSizeFieldSize; ++i) {
    if (size[i] != 0) return 0;  // a digit or anything else after a NUL
  }
  return value;
}

// 1 for the bytes a name field may not hold at all: controls other than TAB,
// LF and CR. NUL is allowed here; where it may stand is tested apart.
constexpr struct NotTextTable {
  unsigned char bad[256] = {};
  constexpr NotTextTable() {
    for (unsigned c = 1; c < 0x20; ++c) bad[c] = c == 0x09 || c == 0x0A || c == 0x0D ? 0 : 1;
  }
} kNotText;

bool NameFieldValid(const unsigned char* name) {
  unsigned bad = 0;
  for (std::size_t i = 0; i < kNameFieldSize; ++i) bad |= kNotText.bad[name[i]];
  if (bad != 0) return false;
  // After the first NUL only NULs.
  const auto* nul = static_cast<const unsigned char*>(std::memchr(name, 0, kNameFieldSize));
  if (nul == nullptr) return true;
  unsigned rest = 0;
  for (const unsigned char* p = nul; p < name + kNameFieldSize; ++p) rest |= *p;
  return rest == 0;
}

}  // namespace

bool IsEntryHeader(const unsigned char* header) {
  return CheckedSizeValue(header + kNameFieldSize) != 0 && NameFieldValid(header);
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
  return CheckedSizeValue(header + kNameFieldSize) >= kEntryHeaderSize && NameFieldValid(header);
}

std::string HeaderName(const unsigned char* header) { return DecodeCp932UntilNul(header, kNameFieldSize); }

}  // namespace cfv
