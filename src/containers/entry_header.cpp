#include "containers/entry_header.h"

#include <algorithm>
#include <cstring>
#if defined(__SSE2__) && !defined(CFV_NO_SIMD)
#include <emmintrin.h>
#endif

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

#if defined(__SSE2__) && !defined(CFV_NO_SIMD)

// Masks of one 16-byte block: bit i of `control` is set when byte i is a
// control byte a name may not hold (below 0x20, not NUL, TAB, LF or CR),
// bit i of `nul` when byte i is NUL.
inline void BlockMasks(const unsigned char* p, unsigned& control, unsigned& nul) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i below20 = _mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8(0x1F)), v);
  const __m128i isNul = _mm_cmpeq_epi8(v, _mm_setzero_si128());
  const __m128i allowed = _mm_or_si128(
      _mm_or_si128(isNul, _mm_cmpeq_epi8(v, _mm_set1_epi8(0x09))),
      _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(0x0A)), _mm_cmpeq_epi8(v, _mm_set1_epi8(0x0D))));
  control = static_cast<unsigned>(_mm_movemask_epi8(_mm_andnot_si128(allowed, below20)));
  nul = static_cast<unsigned>(_mm_movemask_epi8(isNul));
}

// Rules 1 and 2 over the 40 name bytes, read as blocks 0-15, 16-31 and
// 24-39 (the last two overlap, which is harmless for masks that are OR-ed).
bool NameFieldValid(const unsigned char* name) {
  unsigned c0, n0, c1, n1, c2, n2;
  BlockMasks(name, c0, n0);
  BlockMasks(name + 16, c1, n1);
  BlockMasks(name + 24, c2, n2);
  const std::uint64_t control = c0 | (std::uint64_t{c1} << 16) | (std::uint64_t{c2} << 24);
  if (control != 0) return false;
  const std::uint64_t nul = n0 | (std::uint64_t{n1} << 16) | (std::uint64_t{n2} << 24);
  if (nul == 0) return true;
  // From the first NUL to the end of the field, every byte is NUL.
  const std::uint64_t all = (std::uint64_t{1} << kNameFieldSize) - 1;
  const std::uint64_t fromFirst = all & ~((nul & (~nul + 1)) - 1);
  return (nul & fromFirst) == fromFirst;
}

#else

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

#endif

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

std::string HeaderNameField(const unsigned char* header) {
  const auto* nul = static_cast<const unsigned char*>(std::memchr(header, 0, kNameFieldSize));
  return std::string(reinterpret_cast<const char*>(header), nul ? nul - header : kNameFieldSize);
}

void EncodeEntryHeader(std::string_view nameField, std::uint64_t size, unsigned char* header) {
  std::memset(header, 0, kEntryHeaderSize);
  std::memcpy(header, nameField.data(), std::min(nameField.size(), kNameFieldSize));
  char digits[kSizeFieldSize];
  std::size_t n = 0;
  do {
    digits[n++] = static_cast<char>('0' + size % 10);
    size /= 10;
  } while (size != 0 && n < kSizeFieldSize - 1);
  for (std::size_t i = 0; i < n; ++i)
    header[kNameFieldSize + i] = static_cast<unsigned char>(digits[n - 1 - i]);
}

}  // namespace cfv
