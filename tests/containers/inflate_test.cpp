// Inflating payloads: every payload gives what zlib's inflateInit2(47) and one inflate(Z_FINISH) give, also
// where libdeflate would answer otherwise (fuzz_inflate_diff holds every such case); the walk that finds
// them.
#include "containers/inflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <memory>

#include "containers/extract.h"
#include "custom_file_builder.h"
#include "deflate_writer.h"

namespace cfv {
namespace {

using test::DeflateWriter;
using test::ZlibAround;
using Lengths = DeflateWriter::Lengths;

TEST(Inflate, EveryPayloadAsZlibDecides) {
  std::string words;  // blocks of codes with matches of all lengths and distances; packed: stored blocks
  for (std::uint32_t x = 1; words.size() < 200000; x = x * 1103515245 + 12345)
    words += std::string(1 + (x >> 16) % 9, static_cast<char>('a' + (x >> 8) % 23)) + ' ';
  const std::string packed = test::Zlib(words);
  const std::string a259(259, 'a'), aaaa(4, 'a'), text = "gzip header fields";
  Lengths lit(287, 0);  // 'a' one bit, end of block and length 3 two bits each
  lit[97] = 1, lit[256] = lit[257] = 2;
  auto fixed = [&](unsigned code) {
    return ZlibAround(DeflateWriter().Block(true, 1).Lit(97).Lit(code).Bits(0, 5).Lit(256).Bytes(), a259);
  };
  auto match = [&](unsigned litCount, const Lengths& dist, unsigned bit, unsigned pastEnd = 0) {
    DeflateWriter w;
    w.Dynamic(true, Lengths(lit.begin(), lit.begin() + litCount), dist, pastEnd > 0, pastEnd).Lit(97);
    return ZlibAround(w.Lit(257).Bits(bit, 1).Lit(256).Bytes(), aaaa);
  };
  auto gzip = [&](char flags, std::string fields, unsigned crcError = 0) {  // FHCRC (2): CRC + crcError
    std::string g = test::Gzip(text);
    g[3] = flags;
    g.insert(10, fields);
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(g.data()), 10 + fields.size()) + crcError;
    if ((flags & 2) != 0) g.insert(10 + fields.size(), {static_cast<char>(crc), static_cast<char>(crc >> 8)});
    return g;
  };
  constexpr InflatedBy kOurs = InflatedBy::kLibdeflate, kZlib = InflatedBy::kZlib;
  const struct {
    const char* what;
    std::string payload, data;  // data "": not a stream, kept as stored
    InflatedBy by;
  } cases[] = {
      {"blocks of codes", packed, words, kOurs},
      {"stored blocks", test::Gzip(packed), packed, kOurs},
      {"fixed 285", fixed(285), a259, kOurs},
      {"fixed 287", fixed(287), "", kZlib},
      {"286 and 2 codes", match(286, {1, 1}, 0), aaaa, kOurs},
      {"287 codes", match(287, {1, 1}, 0), "", kZlib},
      {"one-bit distance 0", match(286, {1}, 0), aaaa, kOurs},
      {"one-bit distance 1", match(286, {1}, 1), "", kZlib},
      {"repeat past the end", match(286, {1, 1}, 0, 10), "", kZlib},
      {"gzip FHCRC", gzip(2, ""), text, kZlib},
      {"gzip FHCRC wrong", gzip(2, "", 1), "", kZlib},
      {"gzip fields", gzip(0x1C, std::string("\2\0xyname\0note\0", 14)), text, kOurs},
      {"two gzip members: the first", gzip(0, "") + test::Gzip("second"), text, kOurs},
  };
  auto ours = std::make_unique<unsigned char[]>(kInflateLimit);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto* p = reinterpret_cast<const unsigned char*>(c.payload.data());
    const std::size_t n = InflatePayload(ours.get(), kInflateLimit, p, c.payload.size());
    EXPECT_EQ(std::string(reinterpret_cast<char*>(ours.get()), n), c.data);
    EXPECT_EQ(LastInflatedBy(), c.by);
    EXPECT_EQ(InflateWithZlib(ours.get(), kInflateLimit, p, c.payload.size()), c.data.size());  // zlib's own
  }
  // The walk: codewords of 1 to 15 bits, a run of zeros to the last length, a block without matches (and
  // distance codes), then a fixed block: yes; cut anywhere, no. A code length code of one code
  // (incomplete) and the reserved block type: no.
  auto accepts = [](const std::string& deflate) {
    const auto* p = reinterpret_cast<const unsigned char*>(deflate.data());
    return ZlibAcceptsDeflateData(p, p + deflate.size());
  };
  Lengths deep(257, 0), one(257, 0);
  for (unsigned s = 0; s < 15; ++s) deep[s] = static_cast<std::uint8_t>(s + 1);
  deep[256] = 15;
  one[97] = one[256] = 1;
  DeflateWriter w;
  w.Dynamic(false, deep, {1, 1}, 11).Lit(14).Lit(0).Lit(256).Dynamic(false, one, {0}).Lit(97).Lit(256);
  const std::string walk = w.Block(true, 1).Lit(97).Lit(256).Bytes();
  EXPECT_TRUE(accepts(walk));
  for (std::size_t n = 0; n < walk.size(); ++n) EXPECT_FALSE(accepts(walk.substr(0, n))) << n;
  EXPECT_FALSE(accepts(DeflateWriter().Block(true, 2).Bits(0, 23).Bits(1, 3).Bits(0, 300).Bytes()));
  EXPECT_FALSE(accepts(DeflateWriter().Block(true, 3).Bits(0, 30).Bytes()));
}

}  // namespace
}  // namespace cfv
