// Decoding of the game's 8-bit text (entry names and text entries) from code
// page 932 (Shift_JIS as Windows extends it) to UTF-8.
//
// One helper used everywhere: the loader for entry names, the preview for
// text entries, the CLI for both. Invalid or unmapped bytes become U+FFFD;
// nothing is dropped. Thread-safe: each thread keeps its own converter.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace cfv {

// Decodes `bytes` as code page 932. Zero bytes are decoded like any other
// byte (callers cut at the first zero themselves where that is the rule).
std::string DecodeCp932(std::string_view bytes);

// Decodes the text that starts at `bytes` and runs to its first zero byte, or
// to `limit` bytes when no zero byte comes first.
std::string DecodeCp932UntilNul(const unsigned char* bytes, std::size_t limit);

// Encodes UTF-8 text as code page 932 (for tests and tools that make custom
// files). Characters with no code page 932 form become '?'. Lossy: never use
// it for what is written into a custom file or searched for.
std::string EncodeCp932(std::string_view utf8);

// Encodes UTF-8 text as code page 932 only when every character has a form
// that decodes back to that same character (DecodeCp932). Nothing when the
// text is not valid UTF-8 or any character has no such form: a name written
// into a custom file, or a text searched for, must read back as the user
// typed it.
std::optional<std::string> EncodeCp932Checked(std::string_view utf8);

}  // namespace cfv
