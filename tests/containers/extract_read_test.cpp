// Extraction reads exactly one entry's payload: payloads of many sizes
// between other entries (nothing of a neighbour leaks in), and payloads cut
// off by the end of the file (only the bytes that are there).
#include <gtest/gtest.h>

#include <string>

#include "containers/extract.h"
#include "custom_file_builder.h"

namespace cfv {
namespace {

using test::Leaf;

// Bytes that differ from position to position, so a shifted or mixed-up
// read shows.
std::string Pattern(std::size_t n, unsigned seed) {
  std::string s(n, '\0');
  unsigned x = seed * 2654435761u + 1;
  for (char& c : s) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>('A' + (x >> 16) % 26);
  }
  return s;
}

std::string AsString(const EntryData& data) {
  return std::string(reinterpret_cast<const char*>(data.data()), data.size());
}

TEST(ExtractRead, PayloadsOfManySizesBetweenOtherEntries) {
  test::TempDir dir;
  const std::size_t sizes[] = {0, 1, 49, 50, 16333, 16334, 16335, 20000, 70000};
  for (const std::size_t n : sizes) {
    for (const bool zlib : {false, true}) {
      const std::string content = Pattern(n, static_cast<unsigned>(n));
      const std::string payload = zlib ? test::Zlib(content) : content;
      const std::string before = test::Serialize({Leaf("before", Pattern(777, 1))});
      const std::string entry = test::Serialize({Leaf("it", payload)});
      const std::string after = test::Serialize({Leaf("after", Pattern(30000, 2))});
      const auto path = dir / "f.god";
      test::WriteFile(path, before + entry + after);
      const ExtractResult r = ExtractEntry(path, static_cast<std::uint32_t>(before.size()));
      ASSERT_TRUE(r) << n;
      // A zlib stream of nothing inflates to nothing and is kept as stored.
      const std::string expected = zlib && n == 0 ? payload : content;
      EXPECT_TRUE(AsString(*r.data) == expected) << n << (zlib ? " zlib" : " stored");
    }
  }
}

// A payload cut off by the end of the file holds the bytes that are there
// and nothing more: neither a cut file nor a size field that claims far more
// than the file holds (999,999,999 in a 57-byte file) is padded out.
TEST(ExtractRead, CutOffPayloadsHoldOnlyTheBytesThere) {
  test::TempDir dir;
  const std::string payload = Pattern(40000, 9);
  const std::string whole = test::Serialize({Leaf("cut", payload)});
  test::Entry huge = Leaf("huge", "1234567");
  huge.sizeField = "999999999";
  test::Entry hugeZlib = Leaf("z", test::Zlib(Pattern(1000, 3)));
  hugeZlib.sizeField = "999999999";
  const std::string zlibFile = test::Serialize(hugeZlib);
  const std::string zlib = test::Zlib(Pattern(3000, 4));
  const std::string zlibHalf = zlib.substr(0, zlib.size() / 2);
  struct Case {
    std::string file;
    std::uint32_t offset;
    std::string data;
  };
  const Case cases[] = {
      {whole.substr(0, 50), 0, ""},
      {whole.substr(0, 60), 0, payload.substr(0, 10)},
      {whole.substr(0, 16385), 0, payload.substr(0, 16335)},
      {whole.substr(0, whole.size() - 1), 0, payload.substr(0, payload.size() - 1)},
      {test::Serialize(huge), 0, "1234567"},
      // A complete stream still inflates, whatever the size field claims.
      {zlibFile, 0, Pattern(1000, 3)},
      // A stream cut by the end of the file does not inflate: stored.
      {test::Header("z", std::to_string(50 + zlib.size())) + zlibHalf, 0, zlibHalf},
      // The nested header of a hostile branch: its payload ends with the file.
      {test::Serialize({Leaf("a", "x"), huge}), 51, "1234567"},
  };
  for (const Case& c : cases) {
    const auto path = dir / "cut.god";
    test::WriteFile(path, c.file);
    const ExtractResult r = ExtractEntry(path, c.offset);
    ASSERT_TRUE(r) << c.file.size();
    EXPECT_TRUE(AsString(*r.data) == c.data) << c.file.size() << " gave " << r.data->size();
  }
}

}  // namespace
}  // namespace cfv
