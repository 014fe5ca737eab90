#include "deflate_writer.h"

#include <zlib.h>

#include <algorithm>

namespace cfv::test {

DeflateWriter& DeflateWriter::Bits(unsigned value, unsigned count) {
  for (unsigned i = 0; i < count; ++i) bits_.push_back(i < 32 && ((value >> i) & 1) != 0);
  return *this;
}

DeflateWriter& DeflateWriter::Code(std::pair<unsigned, unsigned> code) {
  for (unsigned i = code.second; i-- > 0;) bits_.push_back(((code.first >> i) & 1) != 0);
  return *this;
}

DeflateWriter::Codes DeflateWriter::Canonical(const Lengths& lengths) {
  unsigned count[16] = {}, next[16] = {};
  for (const std::uint8_t len : lengths) ++count[len];
  for (unsigned len = 2; len < 16; ++len) next[len] = (next[len - 1] + count[len - 1]) << 1;
  Codes codes;
  for (const std::uint8_t len : lengths) codes.emplace_back(len != 0 ? next[len]++ : 0, len);
  return codes;
}

DeflateWriter& DeflateWriter::Block(bool last, unsigned type) {
  if (type == 1) {
    Lengths lit(288, 8);
    std::fill(lit.begin() + 144, lit.begin() + 256, 9);
    std::fill(lit.begin() + 256, lit.begin() + 280, 7);
    lit_ = Canonical(lit);
  }
  return Bits(last, 1).Bits(type, 2);
}

DeflateWriter& DeflateWriter::Dynamic(bool last, const Lengths& lit, const Lengths& dist, unsigned zeros,
                                      unsigned pastEnd) {
  Lengths pre(19, 4);
  pre[15] = pre[18] = 5;
  pre[16] = pre[17] = 0;
  Block(last, 2).Bits(static_cast<unsigned>(lit.size()) - 257, 5);
  Bits(static_cast<unsigned>(dist.size() + zeros) - 1, 5).Bits(15, 4);
  for (const unsigned s : {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15}) Bits(pre[s], 3);
  const Codes preCodes = Canonical(pre);
  for (const auto* lengths : {&lit, &dist})
    for (const std::uint8_t len : *lengths) Code(preCodes[len]);
  if (zeros + pastEnd > 10) Code(preCodes[18]).Bits(zeros + pastEnd - 11, 7);
  lit_ = Canonical(lit);
  return *this;
}

std::string DeflateWriter::Bytes() const {
  std::string out((bits_.size() + 7) / 8, '\0');
  for (std::size_t i = 0; i < bits_.size(); ++i)
    out[i / 8] = static_cast<char>(out[i / 8] | bits_[i] << (i % 8));
  return out;
}

std::string ZlibAround(std::string_view deflate, std::string_view data) {
  const uLong adler = adler32(1, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
  std::string out = "\x78\x9c" + std::string(deflate);
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((adler >> shift) & 0xFF);
  return out;
}

}  // namespace cfv::test
