// Deflate data written field by field, for streams no compressor writes: codes zlib refuses, blocks of
// every kind. Fields go least significant bit first, Huffman codewords most significant bit first.
//   ZlibAround(DeflateWriter().Block(true, 1).Lit('a').Lit(287).Dist(0).Lit(256).Bytes(), "a" + 258 x 'a')
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace cfv::test {

class DeflateWriter {
 public:
  DeflateWriter& Bits(unsigned value, unsigned count);
  // A block header; after a fixed block's (type 1) Lit and Dist write the fixed codes.
  DeflateWriter& Block(bool last, unsigned type);
  DeflateWriter& Stored(bool last, std::string_view data);
  // A dynamic block's header for these code lengths, HLIT and HDIST from their counts. The code length
  // code gives 0..14 four bits, 15 and 18 five. With `zeros` + `pastEnd` > 10 the distance lengths end
  // with `zeros` more zeros, given by one code 18 of `zeros` + `pastEnd`: `pastEnd` past the last length.
  DeflateWriter& Dynamic(bool last, const std::vector<std::uint8_t>& lit,
                         const std::vector<std::uint8_t>& dist, unsigned zeros = 0, unsigned pastEnd = 0);
  // A symbol's codeword in the block's code.
  DeflateWriter& Lit(unsigned symbol);
  DeflateWriter& Dist(unsigned symbol);
  std::string Bytes() const;  // padded to a whole byte

 private:
  using Codes = std::vector<std::pair<unsigned, unsigned>>;  // codeword, length, per symbol
  static Codes Canonical(const std::vector<std::uint8_t>& lengths);
  DeflateWriter& Code(const std::pair<unsigned, unsigned>& code);
  std::vector<bool> bits_;
  Codes lit_, dist_;
};

// A zlib stream of `deflate` whose Adler-32 is that of `data`.
std::string ZlibAround(std::string_view deflate, std::string_view data);

// Raw deflate data of `data` made by zlib with these settings (strategy: Z_DEFAULT_STRATEGY, Z_FIXED, ...);
// with `flushEvery` > 0, a full flush after every so many bytes (a block ends there, with an empty stored
// one).
std::string RawDeflate(std::string_view data, int level, int memLevel, int strategy,
                       std::size_t flushEvery = 0);

}  // namespace cfv::test
