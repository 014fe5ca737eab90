// Inflating payloads: every payload gives what zlib's inflateInit2(47) and one inflate(Z_FINISH) give,
// also where libdeflate would answer otherwise; the walk that finds those streams.
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
using Lengths = std::vector<std::uint8_t>;

// A gzip stream of `data` whose header has these flags and, after its first 10 bytes, `fields`; with
// FHCRC (2) the header's CRC-16 plus `crcError`.
std::string GzipWith(std::string_view data, char flags, std::string fields, unsigned crcError = 0) {
  std::string out = std::string("\x1F\x8B\x08", 3) + flags + std::string(5, '\0') + '\x03' + fields;
  auto le = [&](unsigned long v, int n) {
    for (int i = 0; i < n; ++i, v >>= 8) out += static_cast<char>(v & 0xFF);
  };
  if ((flags & 2) != 0) le((crc32(0, reinterpret_cast<const Bytef*>(out.data()), out.size()) + crcError), 2);
  out += test::RawDeflate(data);
  le(crc32(0, reinterpret_cast<const Bytef*>(data.data()), data.size()), 4);
  le(data.size(), 4);
  return out;
}

bool Accepts(const std::string& deflate) {
  const auto* p = reinterpret_cast<const unsigned char*>(deflate.data());
  return ZlibAcceptsDeflateData(p, p + deflate.size());
}

TEST(Inflate, EveryPayloadAsZlibDecides) {
  std::string far(32768, 'x'), text = "gzip header fields";
  for (std::size_t i = 0; i < far.size(); ++i) far[i] = static_cast<char>(i * 7 % 251);
  const std::string a259(259, 'a'), aaaa(4, 'a'), farData = far + far.substr(far.size() - 24577, 3);
  // 'a' one bit, end of block and length 3 two bits each; the distance codes each case needs.
  Lengths lit(286, 0), eob(257, 0), two(30, 0);
  lit[97] = eob[256] = two[0] = two[1] = 1;
  lit[256] = lit[257] = 2;
  auto fixed = [](const std::string& data, unsigned code) {
    return ZlibAround(DeflateWriter().Block(true, 1).Lit(97).Lit(code).Dist(0).Lit(256).Bytes(), data);
  };
  auto far30 = [&](unsigned code) {
    return ZlibAround(
        DeflateWriter().Stored(false, far).Block(true, 1).Lit(257).Dist(code).Bits(0, 13).Lit(256).Bytes(),
        farData);
  };
  auto match = [&](const Lengths& l, const Lengths& dist, unsigned bit, unsigned pastEnd = 0) {
    return ZlibAround(DeflateWriter()
                          .Dynamic(true, l, dist, pastEnd > 0, pastEnd)
                          .Lit(97)
                          .Lit(257)
                          .Bits(bit, 1)
                          .Lit(256)
                          .Bytes(),
                      aaaa);
  };
  auto endOnly = [&](unsigned bit) {  // 'a' in a fixed block, then a block of a one-bit end-of-block code
    return ZlibAround(
        DeflateWriter().Block(false, 1).Lit(97).Lit(256).Dynamic(true, eob, {0}).Bits(bit, 1).Bytes(), "a");
  };
  Lengths lit287 = lit, dist31 = two;
  lit287.push_back(0);
  dist31.push_back(0);
  const std::string fields("\2\0xyname\0note\0", 14);
  constexpr InflatedBy kOurs = InflatedBy::kLibdeflate, kZlib = InflatedBy::kZlib;
  const struct {
    const char* what;
    std::string payload, data;  // data "": not a stream, kept as stored
    InflatedBy by;
  } cases[] = {
      {"fixed 285", fixed(a259, 285), a259, kOurs},
      {"fixed 286", fixed(a259, 286), "", kZlib},
      {"fixed 287", fixed(a259, 287), "", kZlib},
      {"distance 29", far30(29), farData, kOurs},
      {"distance 30", far30(30), "", kZlib},
      {"distance 31", far30(31), "", kZlib},
      {"286 and 30 codes", match(lit, two, 0), aaaa, kOurs},
      {"287 codes", match(lit287, two, 0), "", kZlib},
      {"31 distance codes", match(lit, dist31, 0), "", kZlib},
      {"one-bit distance 0", match(lit, {1}, 0), aaaa, kOurs},
      {"one-bit distance 1", match(lit, {1}, 1), "", kZlib},
      {"empty distance code used", match(lit, {0}, 0), "", kZlib},
      {"repeat past the end", match(lit, {1, 1}, 0, 10), "", kZlib},
      {"one-bit end 0", endOnly(0), "a", kOurs},
      {"one-bit end 1", endOnly(1), "", kZlib},
      {"gzip FHCRC", GzipWith(text, 2, ""), text, kZlib},
      {"gzip FHCRC wrong", GzipWith(text, 2, "", 1), "", kZlib},
      {"gzip all fields", GzipWith(text, 0x1E, fields), text, kZlib},
      {"gzip fields", GzipWith(text, 0x1C, fields), text, kOurs},
      {"two gzip members: the first", GzipWith(text, 0, "") + GzipWith("second", 0, ""), text, kOurs},
  };
  auto ours = std::make_unique<unsigned char[]>(kInflateLimit),
       zlib = std::make_unique<unsigned char[]>(kInflateLimit);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto* p = reinterpret_cast<const unsigned char*>(c.payload.data());
    const std::size_t n = InflatePayload(ours.get(), kInflateLimit, p, c.payload.size());
    EXPECT_EQ(std::string(reinterpret_cast<char*>(ours.get()), n), c.data);
    EXPECT_EQ(LastInflatedBy(), c.by);
    // The expectation is zlib's own.
    const std::size_t z = InflateWithZlib(zlib.get(), kInflateLimit, p, c.payload.size());
    EXPECT_EQ(std::string(reinterpret_cast<char*>(zlib.get()), z), c.data);
  }
}

// The walk steps over every kind of block zlib writes (long codes included) and says yes; it says no at
// the codes zlib refuses and wherever the data is cut.
TEST(Inflate, WalkOverDeflateData) {
  std::string data;  // words (matches of all lengths and distances), then bytes of long codes
  for (std::uint32_t x = 1; data.size() < 150000; x = x * 1103515245 + 12345)
    data += data.size() < 100000
                ? std::string(1 + (x >> 16) % 9, static_cast<char>('a' + (x >> 8) % 23)) + ' '
                : std::string(1, static_cast<char>((x >> 16) % (1 + (x >> 8) % 200)));
  const struct {
    int level, memLevel, strategy;
    std::size_t flushEvery;
  } settings[] = {
      {6, 8, Z_DEFAULT_STRATEGY, 0}, {1, 8, 0, 0},        {9, 1, 0, 0},    {0, 8, 0, 0}, {6, 8, Z_FIXED, 0},
      {6, 8, Z_HUFFMAN_ONLY, 0},     {6, 8, Z_RLE, 5000}, {6, 8, 0, 40000}};
  for (const auto& [level, memLevel, strategy, flush] : settings) {
    SCOPED_TRACE(testing::Message() << level << " " << memLevel << " " << strategy << " " << flush);
    const std::string deflate = test::RawDeflate(data, level, memLevel, strategy, flush);
    EXPECT_TRUE(Accepts(deflate));
    EXPECT_FALSE(Accepts(deflate.substr(0, deflate.size() / 3)));
  }
  // Codewords of 1 to 15 bits, a run of zeros to the last length, no match (no distance code): then a
  // fixed block. Cut anywhere, no.
  Lengths deep(257, 0), lit(257, 0);
  for (unsigned s = 0; s < 15; ++s) deep[s] = static_cast<std::uint8_t>(s + 1);
  deep[256] = 15;
  lit[97] = lit[256] = 1;
  const std::string walk = DeflateWriter()
                               .Dynamic(false, deep, {1, 1}, 11)
                               .Lit(14)
                               .Lit(0)
                               .Lit(256)
                               .Dynamic(false, lit, {0})
                               .Lit(97)
                               .Lit(256)
                               .Block(true, 1)
                               .Lit(97)
                               .Lit(256)
                               .Bytes();
  EXPECT_TRUE(Accepts(walk));
  for (std::size_t n = 0; n < walk.size(); ++n) EXPECT_FALSE(Accepts(walk.substr(0, n))) << n;
  // A code length code of one code: incomplete; a reserved block type.
  EXPECT_FALSE(
      Accepts(DeflateWriter().Block(true, 2).Bits(0, 14).Bits(0, 9).Bits(1, 3).Bits(0, 300).Bytes()));
  EXPECT_FALSE(Accepts(DeflateWriter().Block(true, 3).Bits(0, 30).Bytes()));
}

}  // namespace
}  // namespace cfv
