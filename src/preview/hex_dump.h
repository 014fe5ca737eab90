// The hex view's lines, Qt-free: offset, 16 bytes in hex and the same bytes
// as ASCII, in the layout of `hexdump -C`:
//
//   00000010  48 65 6c 6c 6f 20 77 6f  72 6c 64 0a 00 01 02 03  |Hello world.....|
//
// Bytes outside 0x20..0x7E show as '.' in the ASCII column. The last line of
// data whose length is not a multiple of 16 keeps the hex columns aligned
// and ends its ASCII column after its last byte. A line is made on demand,
// so a 64 MiB entry costs nothing until a line is painted.
#pragma once

#include <cstddef>
#include <string>

namespace cfv {

inline constexpr std::size_t kHexBytesPerLine = 16;
// Where the ASCII column's opening bar stands: the offset, two spaces, three
// characters a byte, one more space after the eighth and one before the bar.
inline constexpr std::size_t kHexAsciiBar = 8 + 2 + 3 * kHexBytesPerLine + 2;
// Characters in a full line.
inline constexpr std::size_t kHexLineLength = kHexAsciiBar + 1 + kHexBytesPerLine + 1;

// Lines in the dump of `size` bytes (0 for no data).
constexpr std::size_t HexLineCount(std::size_t size) {
  return (size + kHexBytesPerLine - 1) / kHexBytesPerLine;
}

// Line `line` (< HexLineCount(size)) of the dump of data[0, size), with no
// line end.
std::string HexLine(const unsigned char* data, std::size_t size, std::size_t line);

}  // namespace cfv
