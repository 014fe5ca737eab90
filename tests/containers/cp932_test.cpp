#include "containers/cp932.h"

#include <gtest/gtest.h>

#include <string>

namespace cfv {
namespace {

using namespace std::string_literals;

TEST(DecodeCp932, Table) {
  struct Case {
    const char* what;
    std::string bytes;
    std::string utf8;
  };
  const Case cases[] = {
      {"ASCII", "abc.t", "abc.t"},
      {"empty", "", ""},
      {"katakana", "\x83\x66\x81\x5B\x83\x5E", "データ"},
      {"hiragana", "\x82\xA0\x82\xA2", "あい"},
      {"kanji", "\x8A\xBF\x8E\x9A", "漢字"},
      {"half-width katakana", "\xB1\xB2", "ｱｲ"},
      {"trail byte 0x5C", "\x83\x5C", "ソ"},
      {"backslash stays a backslash", "a\\b", "a\\b"},
      {"NEC circled one", "\x87\x40", "①"},
      {"wave dash as Windows maps it", "\x81\x60", "～"},
      {"mixed", "x\x82\xA0.bmp", "xあ.bmp"},
      {"zero bytes decode too", "a\0b"s, "a\0b"s},
      // Invalid bytes become U+FFFD, one for each byte the decoder rejects,
      // and whatever follows is still decoded.
      {"lone lead byte at the end", "ab\x82", "ab\xEF\xBF\xBD"},
      {"lead byte before a space", "\x82 x", "\xEF\xBF\xBD x"},
      {"lead byte before a control byte", "\x82\x09z", "\xEF\xBF\xBD\tz"},
      {"0xFF",
       "a\xFF"
       "b",
       "a\xEF\xBF\xBD"
       "b"},
      {"0x80", "\x80", "\xEF\xBF\xBD"},
      {"two bad bytes", "\xFF\xFF", "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {"invalid then valid", "\xFF\x82\xA0",
       "\xEF\xBF\xBD"
       "あ"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(DecodeCp932(c.bytes), c.utf8);
  }
}

TEST(DecodeCp932, NothingIsDropped) {
  // Every single byte decodes to something: ASCII to itself, the rest to a
  // character or U+FFFD. The space after it can be no trail byte, so it
  // must come out as itself.
  for (int b = 1; b < 256; ++b) {
    SCOPED_TRACE(b);
    const std::string in(1, static_cast<char>(b));
    const std::string out = DecodeCp932(in + " ");
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.back(), ' ');
    EXPECT_GT(out.size(), 1u);
  }
}

TEST(DecodeCp932UntilNul, StopsAtZeroOrLimit) {
  const std::string bytes = "\x82\xA0x\0tail"s;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  EXPECT_EQ(DecodeCp932UntilNul(p, bytes.size()), "あx");
  EXPECT_EQ(DecodeCp932UntilNul(p, 2), "あ");
  EXPECT_EQ(DecodeCp932UntilNul(p, 1), "\xEF\xBF\xBD");
  EXPECT_EQ(DecodeCp932UntilNul(p, 0), "");
}

TEST(EncodeCp932, RoundTripsAndReplacesWhatHasNoForm) {
  EXPECT_EQ(EncodeCp932("データ.bmp"), "\x83\x66\x81\x5B\x83\x5E.bmp");
  EXPECT_EQ(DecodeCp932(EncodeCp932("漢字とｶﾀｶﾅ")), "漢字とｶﾀｶﾅ");
  EXPECT_EQ(EncodeCp932("a€b"), "a?b");
  EXPECT_EQ(EncodeCp932("a\U0001F600b"), "a?b");
  // A broken UTF-8 sequence costs only its own bytes.
  EXPECT_EQ(EncodeCp932("\xE3\x81"
                        "a"),
            "?a");
}

}  // namespace
}  // namespace cfv
