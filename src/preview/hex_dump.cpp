#include "preview/hex_dump.h"

#include <algorithm>

namespace cfv {

std::string HexLine(const unsigned char* data, std::size_t size, std::size_t line, std::size_t perLine) {
  static constexpr char kDigits[] = "0123456789abcdef";
  const std::size_t start = line * perLine;
  const std::size_t count = std::min(perLine, size - start);
  const std::size_t bar = HexAsciiBar(perLine);
  std::string out(HexLineLength(perLine) - (perLine - count), ' ');
  for (int shift = 28, at = 0; shift >= 0; shift -= 4, ++at) out[at] = kDigits[(start >> shift) & 0xF];
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned char byte = data[start + i];
    // Two spaces after the offset, a space after each byte, one more after the eighth.
    const std::size_t at = 10 + 3 * i + (i >= 8 ? 1 : 0);
    out[at] = kDigits[byte >> 4];
    out[at + 1] = kDigits[byte & 0xF];
    out[bar + 1 + i] = byte >= 0x20 && byte <= 0x7E ? static_cast<char>(byte) : '.';
  }
  out[bar] = '|';
  out.back() = '|';
  return out;
}

}  // namespace cfv
