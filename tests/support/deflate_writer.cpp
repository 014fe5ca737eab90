#include "deflate_writer.h"

#include <zlib.h>

#include <algorithm>
#include <stdexcept>

namespace cfv::test {

DeflateWriter& DeflateWriter::Bits(unsigned value, unsigned count) {
  for (unsigned i = 0; i < count; ++i) bits_.push_back(((value >> i) & 1) != 0);
  return *this;
}

DeflateWriter& DeflateWriter::Code(const std::pair<unsigned, unsigned>& code) {
  for (unsigned i = code.second; i-- > 0;) bits_.push_back(((code.first >> i) & 1) != 0);
  return *this;
}

DeflateWriter::Codes DeflateWriter::Canonical(const std::vector<std::uint8_t>& lengths) {
  unsigned count[16] = {}, next[16] = {};
  for (const std::uint8_t len : lengths) ++count[len];
  for (unsigned len = 1, code = 0; len < 16; ++len)
    next[len] = code = (code + (len > 1 ? count[len - 1] : 0)) << 1;
  Codes codes;
  for (const std::uint8_t len : lengths) codes.emplace_back(len != 0 ? next[len]++ : 0, len);
  return codes;
}

DeflateWriter& DeflateWriter::Block(bool last, unsigned type) {
  if (type == 1) {
    std::vector<std::uint8_t> lit(144, 8);
    lit.resize(256, 9);
    lit.resize(280, 7);
    lit.resize(288, 8);
    lit_ = Canonical(lit);
    dist_ = Canonical(std::vector<std::uint8_t>(32, 5));
  }
  return Bits(last, 1).Bits(type, 2);
}

DeflateWriter& DeflateWriter::Stored(bool last, std::string_view data) {
  Block(last, 0);
  while (bits_.size() % 8 != 0) bits_.push_back(false);
  Bits(static_cast<unsigned>(data.size()), 16).Bits(~static_cast<unsigned>(data.size()), 16);
  for (const char c : data) Bits(static_cast<unsigned char>(c), 8);
  return *this;
}

DeflateWriter& DeflateWriter::Dynamic(bool last, const std::vector<std::uint8_t>& lit,
                                      const std::vector<std::uint8_t>& dist, unsigned zeros,
                                      unsigned pastEnd) {
  static constexpr unsigned kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
  std::vector<std::uint8_t> pre(19, 4);
  pre[15] = pre[18] = 5;
  pre[16] = pre[17] = 0;
  const unsigned distCount = static_cast<unsigned>(dist.size()) + zeros;
  Block(last, 2).Bits(static_cast<unsigned>(lit.size()) - 257, 5).Bits(distCount - 1, 5);
  Bits(15, 4);
  for (const unsigned s : kOrder) Bits(pre[s], 3);
  const Codes preCodes = Canonical(pre);
  for (const auto* lengths : {&lit, &dist})
    for (const std::uint8_t len : *lengths) Code(preCodes[len]);
  if (zeros + pastEnd > 10) Code(preCodes[18]).Bits(zeros + pastEnd - 11, 7);
  lit_ = Canonical(lit);
  dist_ = Canonical(dist);
  return *this;
}

DeflateWriter& DeflateWriter::Lit(unsigned symbol) { return Code(lit_.at(symbol)); }
DeflateWriter& DeflateWriter::Dist(unsigned symbol) { return Code(dist_.at(symbol)); }

std::string DeflateWriter::Bytes() const {
  std::string out((bits_.size() + 7) / 8, '\0');
  for (std::size_t i = 0; i < bits_.size(); ++i)
    if (bits_[i]) out[i / 8] = static_cast<char>(out[i / 8] | (1 << (i % 8)));
  return out;
}

std::string ZlibAround(std::string_view deflate, std::string_view data) {
  const auto adler = adler32(1, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
  std::string out = "\x78\x9c" + std::string(deflate);
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((adler >> shift) & 0xFF);
  return out;
}

std::string RawDeflate(std::string_view data, int level, int memLevel, int strategy, std::size_t flushEvery) {
  z_stream s{};
  if (deflateInit2(&s, level, Z_DEFLATED, -15, memLevel, strategy) != Z_OK)
    throw std::runtime_error("deflate");
  std::string out(deflateBound(&s, data.size()) * 2 + 64 + data.size() / 4, '\0');
  s.next_out = reinterpret_cast<Bytef*>(out.data());
  s.avail_out = static_cast<uInt>(out.size());
  for (std::size_t at = 0, step = flushEvery != 0 ? flushEvery : data.size() + 1;; at += step) {
    const std::size_t n = std::min(step, data.size() - std::min(at, data.size()));
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data() + std::min(at, data.size())));
    s.avail_in = static_cast<uInt>(n);
    const bool end = at + n >= data.size();
    if (deflate(&s, end ? Z_FINISH : Z_FULL_FLUSH) != (end ? Z_STREAM_END : Z_OK))
      throw std::runtime_error("deflate");
    if (end) break;
  }
  deflateEnd(&s);
  out.resize(s.total_out);
  return out;
}

}  // namespace cfv::test
