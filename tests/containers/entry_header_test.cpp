// The entry header check is written for speed (size field first, name bytes in blocks); here it is held
// against the five rules read the plain way, byte by byte, over many headers built from the bytes that
// matter to the rules. Built twice: with the block check and with the portable one.
#include "containers/entry_header.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>

namespace cfv {
namespace {

// A header and one digit after it, which no check may take for part of the size field.
using Header = std::array<unsigned char, kEntryHeaderSize + 1>;

// The size field's leading digits as a number.
std::uint64_t LeadingDigits(const Header& h) {
  std::uint64_t value = 0;
  for (std::size_t i = kNameFieldSize; i < kEntryHeaderSize && h[i] >= '0' && h[i] <= '9'; ++i)
    value = value * 10 + (h[i] - '0');
  return value;
}

// The rules as stated: name bytes NUL or text, no text after a NUL; size
// bytes NUL or digits, no digit after a NUL, at least one NUL, value not 0.
bool RulesHold(const Header& h) {
  bool seenNul = false;  // in the field at hand
  for (std::size_t i = 0; i < kEntryHeaderSize; ++i) {
    const unsigned char c = h[i];
    const bool allowed =
        i < kNameFieldSize ? c == 0x09 || c == 0x0A || c == 0x0D || c >= 0x20 : c >= '0' && c <= '9';
    seenNul = seenNul && i != kNameFieldSize;
    if (c != 0 && (!allowed || seenNul)) return false;
    seenNul = seenNul || c == 0;
  }
  return seenNul && LeadingDigits(h) != 0;
}

// Checks all three functions on `h`; false (with a message) on a mismatch.
::testing::AssertionResult Agrees(const Header& h) {
  const bool valid = RulesHold(h);
  const std::uint64_t value = LeadingDigits(h);
  if (IsEntryHeader(h.data()) == valid && HeaderSizeValue(h.data()) == value &&
      IsUsableEntryHeader(h.data()) == (valid && value >= kEntryHeaderSize))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "header " << ::testing::PrintToString(h);
}

// A header: `nameLength` text bytes then NULs, and a size field of `digits` digits then NULs.
Header Valid(std::mt19937& rng, std::size_t nameLength, std::size_t digits) {
  Header h{};
  h.back() = '7';
  for (std::size_t i = 0; i < nameLength; ++i) h[i] = static_cast<unsigned char>(0x20 + rng() % 0xE0);
  for (std::size_t i = 0; i < digits; ++i)
    h[kNameFieldSize + i] = static_cast<unsigned char>('0' + rng() % 10);
  return h;
}

TEST(EntryHeaderRules, AgreeWithTheReading) {
  std::mt19937 rng(7);
  // Every byte at every position, in names ending before, at and after the
  // changed byte and size fields of every length.
  for (std::size_t at = 0; at < kEntryHeaderSize; ++at) {
    for (unsigned b = 0; b < 256; ++b) {
      for (std::size_t nameLength : {std::size_t{0}, at, at + 1, kNameFieldSize}) {
        for (std::size_t digits = 0; digits <= kSizeFieldSize; ++digits) {
          Header h = Valid(rng, std::min(nameLength, kNameFieldSize), digits);
          h[at] = static_cast<unsigned char>(b);
          ASSERT_TRUE(Agrees(h));
        }
      }
    }
  }
  // Valid headers with up to three bytes changed to bytes at the edges of each rule.
  constexpr unsigned char kNameBytes[] = {0x00, 0x01, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x1B,
                                          0x1F, 0x20, 0x30, 0x41, 0x7F, 0x80, 0x81, 0x9F, 0xE0, 0xFF};
  constexpr unsigned char kSizeBytes[] = {0x00, '0', '1', '5', '9', '/', ':', ' ', 0x80, 0xFF};
  int valid = 0;
  for (int round = 0; round < 200000; ++round) {
    Header h = Valid(rng, rng() % 41, rng() % 11);
    for (int k = static_cast<int>(rng() % 4); k > 0; --k) {
      const std::size_t at = rng() % kEntryHeaderSize;
      h[at] = at < kNameFieldSize ? kNameBytes[rng() % std::size(kNameBytes)]
                                  : kSizeBytes[rng() % std::size(kSizeBytes)];
    }
    valid += RulesHold(h);
    ASSERT_TRUE(Agrees(h));
  }
  // Both outcomes were met often enough for the comparison to mean something.
  EXPECT_TRUE(valid > 20000 && valid < 180000) << valid;
}

}  // namespace
}  // namespace cfv
