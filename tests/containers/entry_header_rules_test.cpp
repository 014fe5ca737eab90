// The header test is written for speed (size field first, name bytes in
// blocks); here it is held against the five rules read the plain way, byte
// by byte, over many headers built from the bytes that matter to the rules.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>

#include "containers/entry_header.h"

namespace cfv {
namespace {

using Header = std::array<unsigned char, kEntryHeaderSize>;

// The rules as stated: name bytes NUL or text, no text after a NUL; size
// bytes NUL or digits, no digit after a NUL, at least one NUL, value not 0.
bool RulesHold(const Header& h) {
  bool seenNul = false;
  for (std::size_t i = 0; i < kNameFieldSize; ++i) {
    const unsigned char c = h[i];
    if (c == 0) {
      seenNul = true;
      continue;
    }
    const bool text = c == 0x09 || c == 0x0A || c == 0x0D || c >= 0x20;
    if (!text || seenNul) return false;
  }
  seenNul = false;
  std::uint64_t value = 0;
  for (std::size_t i = kNameFieldSize; i < kEntryHeaderSize; ++i) {
    const unsigned char c = h[i];
    if (c == 0) {
      seenNul = true;
      continue;
    }
    if (c < '0' || c > '9' || seenNul) return false;
    value = value * 10 + (c - '0');
  }
  return seenNul && value != 0;
}

std::string Describe(const Header& h) {
  std::string out;
  for (unsigned char c : h) out += std::to_string(c) + " ";
  return out;
}

// Bytes at the edges of each rule.
constexpr unsigned char kNameBytes[] = {0x00, 0x01, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x1B,
                                        0x1F, 0x20, 0x30, 0x41, 0x7F, 0x80, 0x81, 0x9F, 0xE0, 0xFF};
constexpr unsigned char kSizeBytes[] = {0x00, '0', '1', '5', '9', '/', ':', ' ', 0x80, 0xFF};

// A header whose name is `nameLength` text bytes then NULs, and whose size
// field is `digits` then NULs: valid when the numbers allow it.
Header Valid(std::mt19937& rng, std::size_t nameLength, std::size_t digits) {
  Header h{};
  for (std::size_t i = 0; i < nameLength; ++i) h[i] = static_cast<unsigned char>(0x20 + rng() % 0xE0);
  for (std::size_t i = 0; i < digits; ++i)
    h[kNameFieldSize + i] = static_cast<unsigned char>('0' + rng() % 10);
  return h;
}

TEST(EntryHeaderRules, AgreeOnMutatedValidHeaders) {
  std::mt19937 rng(12345);
  int valid = 0;
  for (int round = 0; round < 200000; ++round) {
    Header h = Valid(rng, rng() % 41, rng() % 11);
    // Change up to three bytes anywhere to a byte at a rule's edge.
    const int changes = static_cast<int>(rng() % 4);
    for (int k = 0; k < changes; ++k) {
      const std::size_t at = rng() % kEntryHeaderSize;
      h[at] = at < kNameFieldSize ? kNameBytes[rng() % std::size(kNameBytes)]
                                  : kSizeBytes[rng() % std::size(kSizeBytes)];
    }
    const bool expected = RulesHold(h);
    valid += expected;
    ASSERT_EQ(IsEntryHeader(h.data()), expected) << Describe(h);
    ASSERT_EQ(IsUsableEntryHeader(h.data()), expected && HeaderSizeValue(h.data()) >= kEntryHeaderSize)
        << Describe(h);
  }
  // Both outcomes were met often enough for the comparison to mean something.
  EXPECT_GT(valid, 20000);
  EXPECT_LT(valid, 180000);
}

TEST(EntryHeaderRules, EveryByteAtEveryNamePosition) {
  // A 39-byte name, then each position in turn given each byte value.
  std::mt19937 rng(7);
  for (std::size_t at = 0; at < kNameFieldSize; ++at) {
    for (unsigned b = 0; b < 256; ++b) {
      for (std::size_t nameLength : {std::size_t{0}, at, at + 1, kNameFieldSize}) {
        Header h = Valid(rng, nameLength, 3);
        h[at] = static_cast<unsigned char>(b);
        ASSERT_EQ(IsEntryHeader(h.data()), RulesHold(h)) << Describe(h);
      }
    }
  }
}

TEST(EntryHeaderRules, EveryByteAtEverySizePosition) {
  std::mt19937 rng(8);
  for (std::size_t at = kNameFieldSize; at < kEntryHeaderSize; ++at) {
    for (unsigned b = 0; b < 256; ++b) {
      for (std::size_t digits = 0; digits <= kSizeFieldSize; ++digits) {
        Header h = Valid(rng, 12, digits);
        h[at] = static_cast<unsigned char>(b);
        ASSERT_EQ(IsEntryHeader(h.data()), RulesHold(h)) << Describe(h);
        ASSERT_EQ(IsUsableEntryHeader(h.data()),
                  RulesHold(h) && HeaderSizeValue(h.data()) >= kEntryHeaderSize)
            << Describe(h);
      }
    }
  }
}

}  // namespace
}  // namespace cfv
