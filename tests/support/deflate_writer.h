// Deflate data written field by field, for streams no compressor writes (codes zlib refuses). Fields go
// least significant bit first, codewords most significant bit first, in the codes of the last block.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace cfv::test {

class DeflateWriter {
 public:
  using Lengths = std::vector<std::uint8_t>;
  DeflateWriter& Bits(unsigned value, unsigned count);
  DeflateWriter& Block(bool last, unsigned type);  // type 1: the fixed codes
  // A dynamic block's header; the code length code gives 0..14 four bits, 15 and 18 five. The distance
  // lengths end with `zeros` more, in one code 18 of `zeros` + `pastEnd` zeros (`pastEnd` past the last).
  DeflateWriter& Dynamic(bool last, const Lengths& lit, const Lengths& dist, unsigned zeros = 0,
                         unsigned pastEnd = 0);
  DeflateWriter& Lit(unsigned symbol) { return Code(lit_.at(symbol)); }  // distances: Bits
  std::string Bytes() const;                                             // padded to a whole byte

 private:
  using Codes = std::vector<std::pair<unsigned, unsigned>>;  // codeword, length, per symbol
  static Codes Canonical(const Lengths& lengths);
  DeflateWriter& Code(std::pair<unsigned, unsigned> code);
  std::vector<bool> bits_;
  Codes lit_;
};

// A zlib stream of `deflate` whose Adler-32 is that of `data`.
std::string ZlibAround(std::string_view deflate, std::string_view data);

}  // namespace cfv::test
