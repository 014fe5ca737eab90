#include "preview/hex_dump.h"

#include <gtest/gtest.h>

#include <string>

namespace cfv {
namespace {

TEST(HexDump, LinesAsHexdumpShowsThem) {
  std::string data = "Hello world\n";
  data += std::string("\x00\x01\x02\x03", 4);
  data += "~\x7f\x80\xff z";
  // Every byte value, for the digits and the printable range.
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  struct Case {
    const std::string* bytes;
    std::size_t line;
    const char* expected;
  };
  const Case cases[] = {
      {&data, 0, "00000000  48 65 6c 6c 6f 20 77 6f  72 6c 64 0a 00 01 02 03  |Hello world.....|"},
      {&data, 1, "00000010  7e 7f 80 ff 20 7a                                 |~... z|"},
      {&all, 2, "00000020  20 21 22 23 24 25 26 27  28 29 2a 2b 2c 2d 2e 2f  | !\"#$%&'()*+,-./|"},
      {&all, 7, "00000070  70 71 72 73 74 75 76 77  78 79 7a 7b 7c 7d 7e 7f  |pqrstuvwxyz{|}~.|"},
      {&all, 15, "000000f0  f0 f1 f2 f3 f4 f5 f6 f7  f8 f9 fa fb fc fd fe ff  |................|"},
  };
  for (const Case& c : cases) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(c.bytes->data());
    EXPECT_EQ(HexLine(bytes, c.bytes->size(), c.line), c.expected);
  }
  EXPECT_EQ(HexLineCount(0), 0u);
  EXPECT_EQ(HexLineCount(data.size()), 2u);
  EXPECT_EQ(HexLineCount(256), 16u);
  // Offsets take all eight digits: the last line of 64 MiB.
  const std::string big(64u << 20, 'A');
  EXPECT_EQ(
      HexLine(reinterpret_cast<const unsigned char*>(big.data()), big.size(), (64u << 16) - 1).substr(0, 10),
      "03fffff0  ");
}

}  // namespace
}  // namespace cfv
