// A table-driven decoder of code page 932 for the loader's hot path (a
// million entry names) and large text previews.
//
// The tables are filled from the system's own CP932 converter (iconv), one
// row of 256 two-byte sequences the first time a lead byte is met, so the
// result is byte for byte what converting with iconv gives, with the same
// rule for what iconv rejects: U+FFFD for one byte, then on with the next.
//
// Thread: each thread keeps its own tables.
#pragma once

#include <bitset>
#include <cstddef>
#include <string>
#include <string_view>

namespace cfv {

// Appends the UTF-8 decoding of `bytes` to `out` and returns true; returns
// false and appends nothing when the system has no CP932 converter.
bool AppendCp932Decoded(std::string_view bytes, std::string& out);

// Appends the decoding of the text at `bytes` up to its first zero byte, or
// of all `limit` bytes when none comes first, to `out`: what
// DecodeCp932UntilNul gives, without a string of its own.
void AppendCp932UntilNul(const unsigned char* bytes, std::size_t limit, std::string& out);

// How the decoder divides code page 932 bytes into characters, for finding
// text at character boundaries: a lead byte and the byte after it are one
// character exactly when IsPair says so; every other byte is a character of
// its own. A line feed is never part of a pair. Taken from the same
// converter as the decoder, once per thread; without a converter every byte
// is a character.
class Cp932Characters {
 public:
  static const Cp932Characters& ForThread();

  bool IsPair(unsigned char lead, unsigned char trail) const { return pairs_[lead << 8 | trail]; }
  // Whether `b` is the second byte of some pair: a character always starts
  // at a byte that is not.
  bool MayTrail(unsigned char b) const { return trails_[b]; }
  // The length of the character at `p` (1 or 2), `left` bytes being there.
  std::size_t Length(const unsigned char* p, std::size_t left) const {
    return left >= 2 && IsPair(p[0], p[1]) ? 2 : 1;
  }

 private:
  Cp932Characters();
  std::bitset<65536> pairs_;
  std::bitset<256> trails_;
};

}  // namespace cfv
