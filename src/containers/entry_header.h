// The 50-byte entry header of a custom file: a 40-byte name field and a
// 10-byte size field (ASCII decimal, the entry's whole length including the
// header). A custom file is a list of such entries laid end to end; a payload
// that itself starts with a valid header is a list of entries (a branch).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace cfv {

inline constexpr std::size_t kEntryHeaderSize = 50;
inline constexpr std::size_t kNameFieldSize = 40;
inline constexpr std::size_t kSizeFieldSize = 10;
// The largest size a header can give: nine digits, since the field needs a
// NUL.
inline constexpr std::uint64_t kMaxEntrySize = 999'999'999;

// True when the five header rules hold: the name field is text bytes then
// only NULs, the size field is digits then only NULs with at least one NUL,
// and the size is not zero. No side effects.
bool IsEntryHeader(const unsigned char* header);

// The size field's value: its leading ASCII digits read as a decimal number
// (0 when it starts with anything else). At most 10 digits, so it fits.
std::uint64_t HeaderSizeValue(const unsigned char* header);

// True when `header` is a header this program can use as an entry: it passes
// IsEntryHeader and its size covers at least the header itself. Sizes 1 to
// 49 cannot describe an entry; everywhere the loader tests a header they
// count as no header.
bool IsUsableEntryHeader(const unsigned char* header);

// The name field decoded from code page 932 (UTF-8), ending at its first NUL
// or after all 40 bytes.
std::string HeaderName(const unsigned char* header);

// The name field's bytes before its first NUL (all 40 when it has none).
std::string HeaderNameField(const unsigned char* header);

// Writes a 50-byte header: `nameField` (at most 40 bytes, NUL-padded) and
// `size` (at most kMaxEntrySize) in decimal, NUL-padded.
void EncodeEntryHeader(std::string_view nameField, std::uint64_t size, unsigned char* header);

}  // namespace cfv
