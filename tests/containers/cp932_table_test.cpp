// Code page 932 names and texts are decoded through tables filled from iconv;
// here the result is held against converting with iconv directly, for every
// one- and two-byte sequence and for many longer ones.
#include "containers/cp932_table.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cerrno>
#include <random>
#include <string>

#include "containers/cp932.h"
#include "containers/entry_tree.h"

namespace cfv {
namespace {

// Plain iconv over the whole input; where it rejects a byte, U+FFFD and on
// with the next byte.
std::string IconvDecode(const std::string& in) {
  iconv_t cd = iconv_open("UTF-8", "CP932");
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
  std::string out;
  std::size_t i = 0;
  while (i < in.size()) {
    char buffer[4096];
    char* inPtr = const_cast<char*>(in.data()) + i;
    std::size_t inLeft = in.size() - i;
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    out.append(buffer, sizeof buffer - outLeft);
    i = in.size() - inLeft;
    if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
      out += "\xEF\xBF\xBD";
      ++i;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return out;
}

TEST(Cp932Table, KnownText) {
  EXPECT_EQ(DecodeCp932("\x93\xFA\x96\x7B\x8C\xEA.t"), "日本語.t");
  EXPECT_EQ(DecodeCp932("\xB1\xB2"), "ｱｲ");          // half-width katakana, one byte each
  EXPECT_EQ(DecodeCp932("a\x82"), "a\xEF\xBF\xBD");  // a lead byte at the end
}

TEST(Cp932Table, EveryOneAndTwoByteSequence) {
  for (unsigned a = 0; a < 256; ++a) {
    const std::string one(1, static_cast<char>(a));
    ASSERT_EQ(DecodeCp932(one), IconvDecode(one)) << a;
    for (unsigned b = 0; b < 256; ++b) {
      // A non-ASCII byte first, so the table is used and not the ASCII copy.
      const std::string two{static_cast<char>(a), static_cast<char>(b)};
      ASSERT_EQ(DecodeCp932(two), IconvDecode(two)) << a << " " << b;
    }
  }
}

TEST(Cp932Table, LongerMixedSequences) {
  // Lead bytes, trail bytes, ASCII, half-width katakana and the unmapped
  // corners, strung together at random.
  const unsigned char bytes[] = {0x00, 0x09, 0x2E, 0x40, 0x5C, 0x7E, 0x7F, 0x80, 0x81, 0x82,
                                 0x88, 0x9F, 0xA0, 0xA1, 0xDF, 0xE0, 0xEA, 0xED, 0xEE, 0xF0,
                                 0xFA, 0xFC, 0xFD, 0xFE, 0xFF, 0x41, 0x61, 0x93, 0xFA};
  std::mt19937 rng(932);
  for (int round = 0; round < 100000; ++round) {
    std::string s(1 + rng() % 12, ' ');
    for (char& c : s) c = static_cast<char>(bytes[rng() % std::size(bytes)]);
    ASSERT_EQ(DecodeCp932(s), IconvDecode(s));
  }
}

// The loader's path for names: decoded straight into the tree's text pool,
// cut at the first NUL, the same text as DecodeCp932UntilNul gives.
TEST(Cp932Table, NameFieldsDecodedIntoThePool) {
  const unsigned char bytes[] = {0x00, 0x20, 0x41, 0x5C, 0x7E, 0x81, 0x82, 0x93, 0x96, 0xA0,
                                 0xB1, 0xE0, 0xEA, 0xFA, 0xFD, 0xFF, 0x40, 0x7B, 0x8C};
  std::mt19937 rng(40);
  EntryTree tree;
  const ItemId root = tree.AppendItem(kNoItem, "root");
  std::string pool = "prefix";
  for (int round = 0; round < 20000; ++round) {
    unsigned char field[40];
    for (unsigned char& c : field) c = bytes[rng() % std::size(bytes)];
    if (round % 3 == 0) field[rng() % 40] = 0;
    const std::string expected = DecodeCp932UntilNul(field, sizeof field);
    const std::size_t before = pool.size();
    AppendCp932UntilNul(field, sizeof field, pool);
    ASSERT_EQ(pool.substr(before), expected);
    const ItemId item = tree.AppendNameFieldItem(root, field, sizeof field);
    ASSERT_EQ(tree.Text(item), expected);
    ASSERT_EQ(tree.Parent(item), root);
  }
  // Earlier texts stay as they were while the pool grows.
  EXPECT_EQ(tree.Text(root), "root");
  EXPECT_EQ(pool.substr(0, 6), "prefix");
}

}  // namespace
}  // namespace cfv
