// The hex view's lines, Qt-free: offset, 16 bytes in hex and the same bytes
// as ASCII, in the layout of `hexdump -C`:
//
//   00000010  48 65 6c 6c 6f 20 77 6f  72 6c 64 0a 00 01 02 03  |Hello world.....|
//
// or, for a view too narrow for that, 8 bytes a line in the same layout:
//
//   00000008  72 6c 64 0a 00 01 02 03  |rld.....|
//
// Bytes outside 0x20..0x7E show as '.' in the ASCII column. The last line of
// data whose length is not a multiple of the line's bytes keeps the hex
// columns aligned and ends its ASCII column after its last byte. A line is
// made on demand, so a 64 MiB entry costs nothing until a line is painted.
#pragma once

#include <cstddef>
#include <string>

namespace cfv {

inline constexpr std::size_t kHexBytesPerLine = 16;
// Where the ASCII column's opening bar stands in a line of `perLine` bytes
// (16 or 8): the offset, two spaces, three characters a byte, one more space
// after the eighth of sixteen and one before the bar.
constexpr std::size_t HexAsciiBar(std::size_t perLine) { return 8 + 2 + 3 * perLine + (perLine > 8) + 1; }
// Characters in a full line.
constexpr std::size_t HexLineLength(std::size_t perLine) { return HexAsciiBar(perLine) + 1 + perLine + 1; }
inline constexpr std::size_t kHexLineLength = HexLineLength(kHexBytesPerLine);

// Lines in the dump of `size` bytes (0 for no data).
constexpr std::size_t HexLineCount(std::size_t size, std::size_t perLine = kHexBytesPerLine) {
  return (size + perLine - 1) / perLine;
}

// Line `line` (< HexLineCount(size, perLine)) of the dump of data[0, size),
// with no line end.
std::string HexLine(const unsigned char* data, std::size_t size, std::size_t line,
                    std::size_t perLine = kHexBytesPerLine);

}  // namespace cfv
