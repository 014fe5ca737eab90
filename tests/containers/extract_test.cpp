#include "containers/extract.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "containers/loader.h"
#include "custom_file_builder.h"
#include "export/output_name.h"

namespace cfv {
namespace {

using test::Entry;
using test::Leaf;

std::string AsString(const EntryData& data) {
  return std::string(reinterpret_cast<const char*>(data.data()), data.size());
}

// The data is followed by kZeroTail zero bytes.
bool ZeroTail(const EntryData& data) {
  for (std::size_t i = 0; i < kZeroTail; ++i) {
    if (data.data()[data.size() + i] != 0) return false;
  }
  return true;
}

// Writes one entry with `payload` and extracts it again.
ExtractResult ExtractOne(const test::TempDir& dir, const std::string& payload) {
  const auto path = dir / "one.god";
  test::WriteFile(path, test::Serialize({Leaf("e", payload)}));
  return ExtractEntry(path, 0);
}

std::string Text(std::size_t n) {
  std::string s;
  while (s.size() < n) s += "The quick brown fox jumps over the lazy dog. ";
  s.resize(n);
  return s;
}

struct PayloadCase {
  const char* what;
  std::string payload;
  std::string expected;
};

TEST(Extract, PayloadEncodings) {
  test::TempDir dir;
  const std::string content = Text(5000);
  const std::string zlib = test::Zlib(content);
  const std::string gzip = test::Gzip(content);
  const std::string raw = test::RawDeflate(content);
  // clang-format off
  const PayloadCase cases[] = {
      {"zlib", zlib, content}, {"gzip", gzip, content}, {"raw deflate is stored", raw, raw},
      {"zlib followed by bytes", zlib + "trailing junk", content},
      {"gzip followed by bytes", gzip + std::string(100, '\0'), content},
      {"zlib cut short is stored", zlib.substr(0, zlib.size() - 10), zlib.substr(0, zlib.size() - 10)},
      {"gzip cut short is stored", gzip.substr(0, gzip.size() / 2), gzip.substr(0, gzip.size() / 2)},
      {"damaged zlib is stored", zlib.substr(0, 2) + std::string(40, '\xFF'),
      zlib.substr(0, 2) + std::string(40, '\xFF')}, {"zlib of nothing is stored", test::Zlib(""), test::Zlib("")},
      {"plain text", "hello", "hello"}, {"one byte", "x", "x"}, {"empty payload", "", ""},
      {"zero bytes inside", std::string("a\0b\0c", 5), std::string("a\0b\0c", 5)},
  };
  // clang-format on
  for (const PayloadCase& c : cases) {
    SCOPED_TRACE(c.what);
    const ExtractResult r = ExtractOne(dir, c.payload);
    ASSERT_TRUE(r);
    EXPECT_EQ(AsString(*r.data), c.expected);
    EXPECT_TRUE(ZeroTail(*r.data));
  }
}

TEST(Extract, SixtyFourMiBInflatesAndOneByteMoreIsStored) {
  test::TempDir dir;
  std::string content(kInflateLimit, 'a');
  content[12345] = 'b';
  content.back() = 'z';
  {
    const std::string zlib = test::Zlib(content);
    const ExtractResult r = ExtractOne(dir, zlib);
    ASSERT_TRUE(r);
    ASSERT_EQ(r.data->size(), kInflateLimit);
    EXPECT_TRUE(AsString(*r.data) == content);
    EXPECT_TRUE(ZeroTail(*r.data));
  }
  content.push_back('!');
  {
    const std::string zlib = test::Zlib(content);
    const ExtractResult r = ExtractOne(dir, zlib);
    ASSERT_TRUE(r);
    EXPECT_EQ(AsString(*r.data), zlib);
    EXPECT_TRUE(ZeroTail(*r.data));
  }
}

TEST(Extract, NestedEntriesAndBranches) {
  test::TempDir dir;
  const std::string inner = test::Serialize({Leaf("a", test::Zlib("alpha")), Leaf("b", "beta")});
  test::WriteFile(dir / "n.god",
                  test::Serialize({test::Branch("br", {Leaf("a", test::Zlib("alpha")), Leaf("b", "beta")}),
                                   Leaf("c", test::Gzip("gamma"))}));
  const auto path = dir / "n.god";
  const ExtractResult branch = ExtractEntry(path, 0);
  ASSERT_TRUE(branch);
  EXPECT_EQ(AsString(*branch.data), inner);
  const std::size_t aSize = 50 + test::Zlib("alpha").size();
  const ExtractResult a = ExtractEntry(path, 50);
  ASSERT_TRUE(a);
  EXPECT_EQ(AsString(*a.data), "alpha");
  const ExtractResult b = ExtractEntry(path, static_cast<std::uint32_t>(50 + aSize));
  ASSERT_TRUE(b);
  EXPECT_EQ(AsString(*b.data), "beta");
  const ExtractResult c = ExtractEntry(path, static_cast<std::uint32_t>(50 + inner.size()));
  ASSERT_TRUE(c);
  EXPECT_EQ(AsString(*c.data), "gamma");
  // The stored length from the header alone; a file cut short gives what it holds.
  EXPECT_EQ(StoredPayloadLength(path, 0), inner.size());
  EXPECT_EQ(StoredPayloadLength(path, 7), std::nullopt);
  EXPECT_EQ(StoredPayloadLength(dir / "missing.god", 0), std::nullopt);
  test::WriteFile(dir / "cut.god", test::Serialize({Leaf("x", "12345")}).substr(0, 52));
  EXPECT_EQ(StoredPayloadLength(dir / "cut.god", 0), 2u);
}

TEST(Extract, Failures) {
  test::TempDir dir;
  std::filesystem::create_directory(dir / "folder.god");
  test::WriteFile(dir / "small.god", test::Header("small", "30") + std::string(10, 's'));
  test::WriteFile(dir / "zero.god", test::Header("zero", "0"));
  test::WriteFile(dir / "ok.god", test::Serialize({Leaf("x", "data")}));
  // Ten digits: no header allows a size this large, and the file holds
  // nothing of it.
  test::WriteFile(dir / "huge.god", test::Header("huge", "9999999999") + "x");
  struct FailCase {
    const char* what;
    std::filesystem::path path;
    std::uint32_t offset;
    ExtractError error;
  };
  // clang-format off
  const FailCase cases[] = {
      {"missing file", dir / "missing.god", 0, ExtractError::kCannotOpen},
      {"folder", dir / "folder.god", 0, ExtractError::kCannotOpen},
      {"size below 50", dir / "small.god", 0, ExtractError::kBadHeader},
      {"size zero", dir / "zero.god", 0, ExtractError::kBadHeader},
      {"offset past the end", dir / "ok.god", 1000, ExtractError::kBadHeader},
      {"offset inside the payload", dir / "ok.god", 50, ExtractError::kBadHeader},
      {"ten-digit size", dir / "huge.god", 0, ExtractError::kBadHeader},
  };
  // clang-format on
  for (const FailCase& c : cases) {
    SCOPED_TRACE(c.what);
    const ExtractResult r = ExtractEntry(c.path, c.offset);
    EXPECT_FALSE(r);
    EXPECT_EQ(r.error, c.error);
  }
}

TEST(Extract, OffsetAtOrAboveTwoGiBIsReadThere) {
  test::TempDir dir;
  test::WriteFile(dir / "a.god", test::Serialize({Leaf("x", "first"), Leaf("y", "second")}));
  // Past the end of a small file: no header there.
  const ExtractResult none = ExtractEntry(dir / "a.god", 0x80000000u);
  EXPECT_FALSE(none);
  EXPECT_EQ(none.error, ExtractError::kBadHeader);

  // A sparse file with an entry at exactly 2 GiB, reached through the
  // loader's list walk: the loader's offset extracts that entry.
  const auto path = dir / "far.god";
  {
    std::ofstream out(path, std::ios::binary);
    auto put = [&](std::uint64_t at, const std::string& bytes) {
      out.seekp(static_cast<std::streamoff>(at));
      out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    };
    put(0, test::Header("one", "999999999"));
    put(999999999, test::Header("two", "999999999"));
    put(1999999998, test::Header("three", std::to_string(0x80000000u - 1999999998u)));
    put(0x80000000u, test::Serialize({Leaf("far", "far away")}));
    ASSERT_TRUE(out.good());
  }
  EntryTree tree;
  ASSERT_TRUE(LoadCustomFile(path, "root", tree));
  const ItemId far = tree.LastChild(tree.FirstRoot());
  ASSERT_EQ(tree.Text(far), "far");
  ASSERT_EQ(tree.Data(far), 0x80000000u);
  const ExtractResult r = ExtractEntry(path, tree.Data(far));
  ASSERT_TRUE(r);
  EXPECT_EQ(AsString(*r.data), "far away");
}

// From a loaded tree to output names: each entry item's offset extracts
// its data, and its text and data give the file name.
TEST(Extract, LoadedEntriesGetTheirOutputNames) {
  test::TempDir dir;
  std::string eum(1024, '\0');
  eum += "m1_0";
  struct Case {
    std::string name;
    std::string payload;
    std::string expected;
  };
  // clang-format off
  const Case cases[] = {
      {"empty.t", "", "empty.txt"}, {"notes.t", test::Zlib("some text\r\n"), "notes.txt"},
      {"binary.t", test::Gzip(std::string("a\0b", 3)), "binary.t"},
      {"pic.bm", test::Zlib(test::MakeBmp(2, 2)), "pic.bmp"},
      {"song.mp3", test::Gzip("RIFF\x24\x00\x00\x00WAVE"), "song.wav"}, {"  データ  .obc", "x = 1", "データ.obc.txt"},
      {"noext", test::Zlib(eum), "noext.eum"},
  };
  // clang-format on
  std::vector<Entry> entries;
  for (const Case& c : cases) entries.push_back(Leaf(c.name, c.payload));
  test::WriteFile(dir / "n.god", test::Serialize(entries));
  EntryTree tree;
  ASSERT_TRUE(LoadCustomFile(dir / "n.god", "root", tree));
  ItemId item = tree.FirstChild(tree.FirstRoot());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_NE(item, kNoItem);
    const ExtractResult r = ExtractEntry(dir / "n.god", tree.Data(item));
    ASSERT_TRUE(r);
    EXPECT_EQ(OutputFileName(tree.Text(item), r.data->data(), r.data->size(), true), c.expected);
    item = tree.NextSibling(item);
  }
}

TEST(InflatePayload, CapacityLimitsTheOutput) {
  const std::string content = Text(1000);
  const std::string zlib = test::Zlib(content);
  std::string out(1000, '\0');
  auto in = reinterpret_cast<const unsigned char*>(zlib.data());
  auto o = reinterpret_cast<unsigned char*>(out.data());
  EXPECT_EQ(InflatePayload(o, 1000, in, zlib.size()), 1000u);
  EXPECT_EQ(out, content);
  EXPECT_EQ(InflatePayload(o, 999, in, zlib.size()), 0u);
  EXPECT_EQ(InflatePayload(o, 1000, in, zlib.size() - 1), 0u);
  EXPECT_EQ(InflatePayload(o, 1000, in, 0), 0u);
}

TEST(EntryData, TruncateZeroesWhatFollows) {
  EntryData d(10);
  ASSERT_EQ(d.size(), 10u);
  for (std::size_t i = 0; i < 10; ++i) d.data()[i] = 'x';
  d.Truncate(4);
  EXPECT_EQ(d.size(), 4u);
  EXPECT_TRUE(ZeroTail(d));
  EXPECT_EQ(d.data()[4 + kZeroTail - 1], 0);
  const EntryData empty;
  EXPECT_EQ(empty.size(), 0u);
  EXPECT_EQ(empty.data()[0], 0);
}

}  // namespace
}  // namespace cfv
