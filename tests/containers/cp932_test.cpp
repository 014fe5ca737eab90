// Code page 932 names and texts are decoded through tables filled from iconv; here the result is held against
// converting with iconv directly, for every one- and two-byte sequence and for many longer ones.
#include "containers/cp932.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <random>

#include "containers/cp932_table.h"
#include "containers/entry_tree.h"

namespace cfv {
namespace {

using namespace std::string_literals;

// Plain iconv over the whole input; where it rejects a byte, U+FFFD and on with the next byte.
std::string IconvDecode(const std::string& in) {
  iconv_t cd = iconv_open("UTF-8", "CP932");
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
  std::string out;
  char buffer[4096];
  for (std::size_t i = 0; i < in.size();) {
    char* inPtr = const_cast<char*>(in.data()) + i;
    char* outPtr = buffer;
    std::size_t inLeft = in.size() - i, outLeft = sizeof buffer;
    const bool rejected =
        iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) && errno != E2BIG;
    out.append(buffer, sizeof buffer - outLeft);
    i = in.size() - inLeft;
    if (rejected) {
      out += "\xEF\xBF\xBD";
      ++i;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return out;
}

// Anchors that do not lean on iconv: Windows' own mapping (wave dash, NEC signs), a trail byte 0x5C that is
// no backslash, bytes that are no text; in the other direction one '?' per character without a form and per
// broken UTF-8 sequence.
TEST(Cp932, KnownTextBothWays) {
  EXPECT_EQ(DecodeCp932("\x83\x66\x81\x5B\x83\x5E.bmp"), "データ.bmp");
  EXPECT_EQ(DecodeCp932("\x81\x60\x87\x40\xB1\x83\x5C"), "～①ｱソ");
  EXPECT_EQ(DecodeCp932("a\0\\\x82 \xFF\x82"s), "a\0\\\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD"s);
  EXPECT_EQ(EncodeCp932("データ.bmp"), "\x83\x66\x81\x5B\x83\x5E.bmp");
  EXPECT_EQ(DecodeCp932(EncodeCp932("漢字とｶﾀｶﾅ～①")), "漢字とｶﾀｶﾅ～①");
  EXPECT_EQ(EncodeCp932("a€b\U0001F600c"), "a?b?c");
  EXPECT_EQ(EncodeCp932("\xE3\x81\x61\xF0\x9F"), "?a?");  // a cut sequence, "a", a cut sequence
  // The checked form refuses what would read back as other text: no form, broken UTF-8, a second code.
  EXPECT_EQ(EncodeCp932Checked("データ?.bmp"), "\x83\x66\x81\x5B\x83\x5E?.bmp");
  for (const char* refused : {"a€b", "\xE3\x81\x61", "\xF0\x9F\x98\x80", "\xE3\x80\x9C"})
    EXPECT_EQ(EncodeCp932Checked(refused), std::nullopt) << refused;
}

TEST(Cp932, EveryOneAndTwoByteSequence) {
  for (unsigned n = 0; n < 0x100 + 0x10000; ++n) {  // the byte n, then the two bytes n - 0x100
    const std::string s = n < 0x100 ? std::string(1, char(n)) : std::string{char((n - 0x100) >> 8), char(n)};
    ASSERT_EQ(DecodeCp932(s), IconvDecode(s)) << n;
  }
}

// Lead bytes, trail bytes, ASCII, half-width katakana, NUL and the unmapped
// corners, strung together at random; each string is also read as a name
// field (cut at its first NUL), as the loader does, straight into the tree.
TEST(Cp932, LongerMixedSequencesAndNameFields) {
  const unsigned char bytes[] = {0x00, 0x09, 0x2E, 0x40, 0x5C, 0x7E, 0x7F, 0x80, 0x81, 0x82, 0x88,
                                 0x9F, 0xA0, 0xA1, 0xDF, 0xE0, 0xEA, 0xED, 0xEE, 0xF0, 0xFA, 0xFC,
                                 0xFD, 0xFE, 0xFF, 0x41, 0x61, 0x93, 0xFA, 0x8C, 0x7B, 0xB1, 0x20};
  std::mt19937 rng(932);
  EntryTree tree;
  const ItemId root = tree.AppendItem(kNoItem, "root");
  std::string pool = "prefix";
  for (int round = 0; round < 100000; ++round) {
    std::string s(1 + rng() % 40, ' ');
    for (char& c : s) c = static_cast<char>(bytes[rng() % std::size(bytes)]);
    ASSERT_EQ(DecodeCp932(s), IconvDecode(s));
    // Read as a field of a random length within the string: a lead byte
    // at the limit has no trail byte, whatever follows.
    const auto* field = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t limit = rng() % (s.size() + 1);
    const std::string expected = IconvDecode(s.substr(0, std::min(limit, s.find('\0'))));
    ASSERT_EQ(DecodeCp932UntilNul(field, limit), expected);
    const std::size_t before = pool.size();
    AppendCp932UntilNul(field, limit, pool);
    ASSERT_EQ(pool.substr(before), expected);
    ASSERT_EQ(tree.Text(tree.AppendNameFieldItem(root, field, limit)), expected);
  }
  // Earlier texts stay as they were while the pool grows.
  EXPECT_EQ(tree.Text(root), "root");
  EXPECT_EQ(pool.substr(0, 6), "prefix");
}

}  // namespace
}  // namespace cfv
