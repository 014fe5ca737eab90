#include "containers/cp932.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "containers/cp932_table.h"

namespace cfv {
namespace {

// Byte length of the UTF-8 sequence that starts with `lead` (1 for a byte
// that starts none).
std::size_t Utf8SequenceLength(char lead) {
  const auto c = static_cast<unsigned char>(lead);
  if ((c & 0xE0) == 0xC0) return 2;
  if ((c & 0xF0) == 0xE0) return 3;
  if ((c & 0xF8) == 0xF0) return 4;
  return 1;
}

// A per-thread iconv descriptor, opened once: opening one per entry name
// would dominate the load time of a file of small entries.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts all of `in`; on a byte sequence the converter rejects, appends
  // `replacement` and skips one input byte, or one whole character when the
  // input is UTF-8 (`utf8In`), so each character gets one replacement.
  std::string Convert(std::string_view in, std::string_view replacement, bool utf8In = false) {
    std::string out;
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      for (char c : in) {
        if (static_cast<unsigned char>(c) < 0x80) {
          out.push_back(c);
        } else {
          out.append(replacement);
        }
      }
      return out;
    }
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    out.resize(in.size() * 3 + 16);
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    std::size_t used = 0;
    while (true) {
      char* outPtr = out.data() + used;
      std::size_t outLeft = out.size() - used;
      const std::size_t rc = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
      used = out.size() - outLeft;
      if (rc != static_cast<std::size_t>(-1)) break;
      if (errno == E2BIG) {
        out.resize(out.size() * 2 + 16);
        continue;
      }
      // EILSEQ or EINVAL (a lead byte at the end): replace one byte, go on.
      out.resize(used);
      out.append(replacement);
      used = out.size();
      out.resize(used + inLeft * 3 + 16);
      std::size_t skip = 1;
      if (utf8In) {
        // The lead byte and the continuation bytes that follow it.
        const std::size_t want = std::min(Utf8SequenceLength(*inPtr), inLeft);
        while (skip < want && (static_cast<unsigned char>(inPtr[skip]) & 0xC0) == 0x80) ++skip;
      }
      inPtr += skip;
      inLeft -= skip;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      if (inLeft == 0) break;
    }
    out.resize(used);
    return out;
  }

 private:
  iconv_t cd_;
};

bool IsAscii(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

std::string DecodeCp932(std::string_view bytes) {
  if (IsAscii(bytes)) return std::string(bytes);
  std::string out;
  if (AppendCp932Decoded(bytes, out)) return out;
  thread_local Converter converter("UTF-8", "CP932");
  return converter.Convert(bytes, "\xEF\xBF\xBD");
}

std::string DecodeCp932UntilNul(const unsigned char* bytes, std::size_t limit) {
  const void* nul = std::memchr(bytes, 0, limit);
  const std::size_t n = nul ? static_cast<const unsigned char*>(nul) - bytes : limit;
  return DecodeCp932(std::string_view(reinterpret_cast<const char*>(bytes), n));
}

std::string EncodeCp932(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  thread_local Converter converter("CP932", "UTF-8");
  return converter.Convert(utf8, "?", /*utf8In=*/true);
}

std::optional<std::string> EncodeCp932Checked(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  // Both ways through the system's converter: a character with no form
  // becomes '?' on the way in, and a form that decodes to another character
  // (or broken UTF-8, which never decodes back to itself) differs on the way
  // back, so the round trip alone decides.
  std::string encoded = EncodeCp932(utf8);
  if (DecodeCp932(encoded) != utf8) return std::nullopt;
  return encoded;
}

}  // namespace cfv
