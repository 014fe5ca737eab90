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

}  // namespace cfv
