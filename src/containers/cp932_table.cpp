#include "containers/cp932_table.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <memory>

#include "containers/cp932.h"

namespace cfv {
namespace {

// One decoded character as UTF-8; length 0 when the bytes are no character.
struct Code {
  unsigned char length = 0;
  unsigned char bytes[4] = {};
};

constexpr Code kReplacement{3, {0xEF, 0xBF, 0xBD, 0}};

class Cp932Table {
 public:
  Cp932Table() : cd_(iconv_open("UTF-8", "CP932")) {
    if (!Ok()) return;
    for (unsigned b = 0; b < 256; ++b) {
      const char in = static_cast<char>(b);
      bool incomplete = false;
      singles_[b] = Convert(&in, 1, incomplete);
      lead_[b] = incomplete;
    }
  }
  ~Cp932Table() {
    if (Ok()) iconv_close(cd_);
  }
  Cp932Table(const Cp932Table&) = delete;
  Cp932Table& operator=(const Cp932Table&) = delete;

  bool Ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  void Decode(std::string_view bytes, std::string& out) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
      const unsigned char b = p[i];
      const Code* code = &singles_[b];
      std::size_t used = 1;
      if (lead_[b]) {
        code = &kReplacement;
        if (i + 1 < n) {
          const Code& pair = Row(b)[p[i + 1]];
          if (pair.length != 0) {
            code = &pair;
            used = 2;
          }
        }
      } else if (code->length == 0) {
        code = &kReplacement;
      }
      out.append(reinterpret_cast<const char*>(code->bytes), code->length);
      i += used;
    }
  }

  using Row256 = std::array<Code, 256>;

  bool IsLead(unsigned char b) const { return lead_[b]; }

  // What the decoder makes of `lead` followed by each byte, built the first
  // time the lead byte is met.
  const Row256& Row(unsigned char lead) {
    std::unique_ptr<Row256>& row = rows_[lead];
    if (!row) {
      row = std::make_unique<Row256>();
      for (unsigned t = 0; t < 256; ++t) {
        const char in[2] = {static_cast<char>(lead), static_cast<char>(t)};
        bool incomplete = false;
        (*row)[t] = Convert(in, 2, incomplete);
      }
    }
    return *row;
  }

 private:
  // What iconv makes of exactly these bytes: one character when it takes
  // them all, else nothing; `incomplete` when it asks for more input.
  Code Convert(const char* in, std::size_t n, bool& incomplete) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char buffer[16];
    char* inPtr = const_cast<char*>(in);
    std::size_t inLeft = n;
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    const std::size_t rc = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
    incomplete = rc == static_cast<std::size_t>(-1) && errno == EINVAL;
    Code code;
    const std::size_t produced = sizeof buffer - outLeft;
    if (rc == static_cast<std::size_t>(-1) || inLeft != 0 || produced == 0 || produced > 4) return code;
    code.length = static_cast<unsigned char>(produced);
    for (std::size_t k = 0; k < produced; ++k) code.bytes[k] = static_cast<unsigned char>(buffer[k]);
    return code;
  }

  iconv_t cd_;
  std::array<Code, 256> singles_{};
  std::array<bool, 256> lead_{};
  std::array<std::unique_ptr<Row256>, 256> rows_;
};

Cp932Table& TableForThread() {
  thread_local Cp932Table table;
  return table;
}

}  // namespace

bool AppendCp932Decoded(std::string_view bytes, std::string& out) {
  Cp932Table& table = TableForThread();
  if (!table.Ok()) return false;
  table.Decode(bytes, out);
  return true;
}

Cp932Characters::Cp932Characters() {
  Cp932Table& table = TableForThread();
  if (!table.Ok()) return;
  for (unsigned lead = 0; lead < 256; ++lead) {
    if (!table.IsLead(static_cast<unsigned char>(lead))) continue;
    const auto& row = table.Row(static_cast<unsigned char>(lead));
    for (unsigned trail = 0; trail < 256; ++trail) {
      if (row[trail].length == 0) continue;
      pairs_[lead << 8 | trail] = true;
      trails_[trail] = true;
    }
  }
}

const Cp932Characters& Cp932Characters::ForThread() {
  thread_local const Cp932Characters characters;
  return characters;
}

void AppendCp932UntilNul(const unsigned char* bytes, std::size_t limit, std::string& out) {
  const void* nul = std::memchr(bytes, 0, limit);
  const std::size_t n =
      nul ? static_cast<std::size_t>(static_cast<const unsigned char*>(nul) - bytes) : limit;
  unsigned high = 0;
  for (std::size_t i = 0; i < n; ++i) high |= bytes[i];
  const std::string_view text(reinterpret_cast<const char*>(bytes), n);
  if ((high & 0x80) == 0) {
    out.append(text);  // ASCII: the same bytes
  } else if (!AppendCp932Decoded(text, out)) {
    out += DecodeCp932(text);  // no CP932 converter: DecodeCp932's own fallback
  }
}

}  // namespace cfv
