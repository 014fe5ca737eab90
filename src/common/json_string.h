// Writing JSON strings that are always valid UTF-8 (a byte that is part of
// no valid sequence becomes U+FFFD), straight into an output buffer: for
// the command-line tool's JSON Lines and export manifests. Inline: a listing
// of a million entries calls them for every name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace cfv::json {

// Writes `text` as it stands; returns the end. Most texts here (names,
// paths, kinds) are short, and a call into the library's memcpy costs more
// than such a copy: 8 to 16 bytes go as two overlapping words.
inline char* CopyText(char* out, std::string_view text) {
  const std::size_t n = text.size();
  const char* in = text.data();
  if (n > 16) return static_cast<char*>(std::memcpy(out, in, n)) + n;
  if (n >= 8) {
    std::uint64_t head, tail;
    std::memcpy(&head, in, 8);
    std::memcpy(&tail, in + n - 8, 8);
    std::memcpy(out, &head, 8);
    std::memcpy(out + n - 8, &tail, 8);
  } else {
    for (std::size_t i = 0; i < n; ++i) out[i] = in[i];
  }
  return out + n;
}

// Whether any of the eight bytes in `word` is one WriteJsonString must look
// at: below 0x20, '"', '\\' or 0x80 and above.
inline bool AnyJsonSpecial(std::uint64_t word) {
  constexpr std::uint64_t kOnes = 0x0101010101010101;
  constexpr std::uint64_t kHighs = 0x8080808080808080;
  // A byte of x below n (n <= 0x80, no byte of x at 0x80 or above) or zero
  // sets its high bit here.
  const auto below = [](std::uint64_t x, std::uint64_t n) { return (x - kOnes * n) & ~x & kHighs; };
  return (word & kHighs) != 0 || below(word, 0x20) != 0 || below(word ^ (kOnes * '"'), 1) != 0 ||
         below(word ^ (kOnes * '\\'), 1) != 0;
}

// The length of the valid UTF-8 sequence at `p` (lead byte >= 0x80), or 0:
// no overlong forms, no surrogates, nothing above U+10FFFF.
inline std::size_t Utf8SequenceLength(const unsigned char* p, std::size_t left) {
  const unsigned char c = p[0];
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    length = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    length = 3;
    if (c == 0xE0) low = 0xA0;
    if (c == 0xED) high = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    length = 4;
    if (c == 0xF0) low = 0x90;
    if (c == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (left < length || p[1] < low || p[1] > high) return 0;
  for (std::size_t k = 2; k < length; ++k)
    if (p[k] < 0x80 || p[k] > 0xBF) return 0;
  return length;
}

// Writes `text` as a JSON string: valid UTF-8 as it stands, every byte that
// is not part of valid UTF-8 as U+FFFD, quotes, backslashes and control
// characters escaped. At most 2 + 6 * text.size() bytes; returns the end.
inline char* WriteJsonString(char* out, std::string_view text) {
  *out++ = '"';
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  std::size_t run = 0;  // start of the bytes that are copied as they stand
  for (std::size_t i = 0; i < n;) {
    // Eight plain bytes at a time, the usual case.
    std::uint64_t word;
    if (i + 8 <= n && (std::memcpy(&word, p + i, 8), !AnyJsonSpecial(word))) {
      i += 8;
      continue;
    }
    const unsigned char c = p[i];
    if (c >= 0x20 && c < 0x80 && c != '"' && c != '\\') {
      ++i;
      continue;
    }
    if (c >= 0x80) {
      const std::size_t length = Utf8SequenceLength(p + i, n - i);
      if (length != 0) {
        i += length;
        continue;
      }
    }
    out = CopyText(out, text.substr(run, i - run));
    if (c == '"' || c == '\\') {
      *out++ = '\\';
      *out++ = static_cast<char>(c);
    } else if (c < 0x20) {
      static constexpr char kHex[] = "0123456789abcdef";
      out = CopyText(out, "\\u00");
      *out++ = kHex[c >> 4];
      *out++ = kHex[c & 15];
    } else {
      out = CopyText(out, "\xEF\xBF\xBD");
    }
    run = ++i;
  }
  out = CopyText(out, text.substr(run));
  *out++ = '"';
  return out;
}

// Appends `text` to `out` as WriteJsonString writes it.
inline void AppendJsonString(std::string& out, std::string_view text) {
  const std::size_t used = out.size();
  out.resize(used + 2 + 6 * text.size());
  out.resize(static_cast<std::size_t>(WriteJsonString(out.data() + used, text) - out.data()));
}

}  // namespace cfv::json
