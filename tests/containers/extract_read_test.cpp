// Extraction reads exactly one entry's payload: payloads of many sizes
// between other entries (nothing of a neighbour leaks in), and files cut
// anywhere inside the payload (the missing bytes read as zero).
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

TEST(ExtractRead, FileCutAnywhereReadsZerosForTheRest) {
  test::TempDir dir;
  const std::string payload = Pattern(40000, 9);
  const std::string whole = test::Serialize({Leaf("cut", payload)});
  const std::size_t cuts[] = {60, 1000, 16383, 16384, 16385, 30000, whole.size() - 1};
  for (const std::size_t cut : cuts) {
    const auto path = dir / "cut.god";
    test::WriteFile(path, whole.substr(0, cut));
    const ExtractResult r = ExtractEntry(path, 0);
    ASSERT_TRUE(r) << cut;
    const std::string kept = payload.substr(0, cut - 50);
    EXPECT_TRUE(AsString(*r.data) == kept + std::string(payload.size() - kept.size(), '\0')) << cut;
  }
}

}  // namespace
}  // namespace cfv
