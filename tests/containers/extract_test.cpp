// Extraction of one entry's data: how payloads are stored, reads of exactly one entry's payload (nothing
// of a neighbour; of a payload cut off by the end of the file only the bytes there), bad headers, offsets.
#include "containers/extract.h"

#include <gtest/gtest.h>

#include <fstream>

#include "containers/loader.h"
#include "custom_file_builder.h"

namespace cfv {
namespace {

using test::Leaf;
using test::Serialize;

// Bytes that differ from position to position, so a shifted or mixed-up read shows.
std::string Pattern(std::size_t n, unsigned seed) {
  std::string s(n, '\0');
  for (std::uint32_t i = 0; i < n; ++i)
    s[i] = static_cast<char>('A' + (((i + 1) * 2654435761u + seed * 97u) >> 16) % 26);
  return s;
}

// The data, checked to be followed by kZeroTail zero bytes.
std::string AsString(const EntryData& data) {
  for (std::size_t i = 0; i < kZeroTail; ++i) EXPECT_EQ(data.data()[data.size() + i], 0) << "zero tail";
  return std::string(reinterpret_cast<const char*>(data.data()), data.size());
}

// What ExtractEntry gives at `offset`: the data, or the error (the open's errno as "<N>").
std::string Extracted(const std::filesystem::path& path, std::uint32_t offset) {
  const ExtractResult r = ExtractEntry(path, offset);
  if (!r)
    return r.error == ExtractError::kCannotOpen ? "<" + std::to_string(r.systemError) + ">" : "<bad header>";
  return AsString(*r.data);
}

std::string Extract(const test::TempDir& dir, const std::string& file, std::uint32_t offset = 0) {
  test::WriteFile(dir / "f.god", file);
  return Extracted(dir / "f.god", offset);
}

TEST(Extract, PayloadEncodings) {
  test::TempDir dir;
  const std::string content = Pattern(5000, 5);
  const std::string zlib = test::Zlib(content), gzip = test::Gzip(content), raw = test::RawDeflate(content);
  const std::string damaged = zlib.substr(0, 2) + std::string(40, '\xFF');
  // Payload and data; the 64 MiB limit: the last content that inflates, then one byte more.
  const std::string big = std::string(12345, 'a') + 'b' + std::string(kInflateLimit - 12347, 'a') + 'z';
  const std::string bigZlib = test::Zlib(big), tooBigZlib = test::Zlib(big + "!");
  // clang-format off
  const std::pair<std::string, std::string> cases[] = {
      {zlib, content}, {gzip, content}, {raw, raw}, {zlib + "trailing junk", content},
      {gzip + std::string(100, '\0'), content}, {zlib.substr(0, zlib.size() - 10), zlib.substr(0, zlib.size() - 10)},
      {gzip.substr(0, gzip.size() / 2), gzip.substr(0, gzip.size() / 2)}, {damaged, damaged},
      {test::Zlib(""), test::Zlib("")}, {"x", "x"}, {"", ""}, {std::string("a\0b\0c", 5), std::string("a\0b\0c", 5)},
      {bigZlib, big}, {tooBigZlib, tooBigZlib},
  };
  // clang-format on
  EXPECT_EQ(AsString(EntryData()), "");  // no data at all has its zero tail too
  for (const auto& [payload, data] : cases) {
    SCOPED_TRACE(payload.size());
    EXPECT_TRUE(Extract(dir, Serialize({Leaf("e", payload)})) == data);
  }
  test::WriteFile(dir / "g.god", Serialize({Leaf("g", gzip)}));
  EXPECT_EQ(ExtractEntry(dir / "g.god", 0).compression, Compression::kGzip);
}

TEST(Extract, PayloadsOfManySizesBetweenOtherEntries) {
  test::TempDir dir;
  const std::string before = Serialize({Leaf("before", Pattern(777, 1))});
  const std::string after = Serialize({Leaf("after", Pattern(30000, 2))});
  for (const std::size_t n : {0, 1, 49, 50, 16333, 16334, 16335, 20000, 70000}) {
    SCOPED_TRACE(n);
    const std::string content = Pattern(n, static_cast<unsigned>(n));
    EXPECT_TRUE(Extract(dir, before + Serialize({Leaf("it", content)}) + after, before.size()) == content);
    EXPECT_TRUE(Extract(dir, before + Serialize({Leaf("it", test::Zlib(content))}) + after, before.size()) ==
                (n == 0 ? test::Zlib("") : content));  // a stream of nothing is kept as stored
  }
}

// A payload cut off by the end of the file holds the bytes that are there and nothing more: neither a cut
// file nor a size field that claims far more than the file holds (999,999,999 in a 57-byte file) is padded
// out. Then the headers that give no entry, and nested entries.
TEST(Extract, CutOffPayloadsBadHeadersAndNestedEntries) {
  test::TempDir dir;
  const std::string payload = Pattern(40000, 9), whole = Serialize({Leaf("cut", payload)});
  const std::string ok = Serialize({Leaf("x", "first"), Leaf("y", "second")}), bad = "<bad header>";
  const test::Entry huge{.name = "huge", .payload = "1234567", .sizeField = "999999999"};
  const test::Entry hugeZlib{.name = "z", .payload = test::Zlib(Pattern(1000, 3)), .sizeField = "999999999"};
  const std::string zlib = test::Zlib(Pattern(3000, 4)), zlibHalf = zlib.substr(0, zlib.size() / 2);
  const std::tuple<std::string, std::uint32_t, std::string> cases[] = {
      // clang-format off
      {whole.substr(0, 50), 0, ""}, {whole.substr(0, 60), 0, payload.substr(0, 10)},
      {whole.substr(0, 16385), 0, payload.substr(0, 16335)},
      {whole.substr(0, whole.size() - 1), 0, payload.substr(0, payload.size() - 1)},
      {Serialize(huge), 0, "1234567"},
      // A complete stream still inflates, whatever the size field claims.
      {Serialize(hugeZlib), 0, Pattern(1000, 3)},
      // A stream cut by the end of the file does not inflate: stored.
      {test::Header("z", std::to_string(50 + zlib.size())) + zlibHalf, 0, zlibHalf},
      // The nested header of a hostile branch: its payload ends with the file.
      {Serialize({Leaf("a", "x"), huge}), 51, "1234567"},
      // Sizes below 50 and 0; ten digits (no header allows a size this large, and the file holds
      // nothing of it); offsets past the end, inside a payload, at 2 GiB.
      {test::Header("small", "30") + std::string(10, 's'), 0, bad}, {test::Header("zero", "0"), 0, bad},
      {test::Header("huge", "9999999999") + "x", 0, bad}, {ok, 1000, bad}, {ok, 50, bad}, {ok, 0x80000000u, bad},
      // clang-format on
  };
  for (const auto& [file, offset, data] : cases)
    EXPECT_TRUE(Extract(dir, file, offset) == data) << file.size();
  std::filesystem::create_directory(dir / "folder.god");
  for (auto [name, error] : {std::pair("missing.god", "2"), std::pair("folder.god", "0")})  // ENOENT; no file
    EXPECT_EQ(Extracted(dir / name, 0), "<" + std::string(error) + ">");
  const std::string inner = Serialize({Leaf("a", test::Zlib("alpha")), Leaf("b", "beta")});
  EXPECT_EQ(Extract(dir, test::Header("br", std::to_string(50 + inner.size())) + inner, 0), inner);
  EXPECT_EQ(Extracted(dir / "f.god", 50), "alpha");
  // The stored length from the header alone; a file cut short gives what it holds.
  EXPECT_EQ(StoredPayloadLength(dir / "f.god", 0), inner.size());
  EXPECT_EQ(StoredPayloadLength(dir / "f.god", 7), std::nullopt);
  EXPECT_EQ(StoredPayloadLength(dir / "missing.god", 0), std::nullopt);
  test::WriteFile(dir / "cut.god", Serialize({Leaf("x", "12345")}).substr(0, 52));
  EXPECT_EQ(StoredPayloadLength(dir / "cut.god", 0), 2u);
}

// A sparse file with an entry at exactly 2 GiB, reached through the loader's
// list walk: the loader's offset extracts that entry.
TEST(Extract, OffsetAtOrAboveTwoGiBIsReadThere) {
  test::TempDir dir;
  const auto path = dir / "far.god";
  {
    std::ofstream out(path, std::ios::binary);
    for (const auto& [at, bytes] : std::initializer_list<std::pair<std::uint64_t, std::string>>{
             {0, test::Header("one", "999999999")},
             {999999999, test::Header("two", "999999999")},
             {1999999998, test::Header("three", std::to_string(0x80000000u - 1999999998u))},
             {0x80000000u, Serialize({Leaf("far", "far away")})}})
      out.seekp(static_cast<std::streamoff>(at)) << bytes;
    ASSERT_TRUE(out.good());
  }
  EntryTree tree;
  ASSERT_TRUE(LoadCustomFile(path, "root", tree));
  EXPECT_EQ(Extracted(path, tree.Data(tree.LastChild(tree.FirstRoot()))), "far away");
}

}  // namespace
}  // namespace cfv
