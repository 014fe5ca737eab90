// Inflating payloads: libdeflate for speed, with zlib's answer for every
// payload.
//
// A payload counts as compressed when zlib's inflateInit2(47) and one
// inflate(Z_FINISH) end the stream within the output limit with some output.
// libdeflate inflates a whole buffer two to three times faster, but it is not
// zlib: some streams it accepts are ones zlib refuses, and a refused stream
// is data stored as it stands. So libdeflate's answer is taken only where it
// is zlib's too, and zlib decides the rest.
//
// Where the two stand, libdeflate 1.14 against zlib 1.2.13 (each case is
// held to zlib's answer by the differential fuzz target fuzz_inflate_diff):
//
// The zlib and gzip wrappers
//   - gzip FHCRC (a CRC-16 of the header): zlib checks it, libdeflate steps
//     over it. Such payloads go to zlib before libdeflate is asked.
//   - gzip FEXTRA, FNAME, FCOMMENT: both step over XLEN bytes and over
//     zero-terminated strings the same way, and both need the rest of the
//     stream after them. Reserved FLG bits or a method other than 8: both
//     refuse.
//   - zlib FDICT (a preset dictionary): zlib stops with Z_NEED_DICT,
//     libdeflate refuses: either way no stream.
//   - zlib CINFO above 7: both refuse. Below 7 neither holds distances to the
//     smaller window (zlib is built without INFLATE_STRICT).
//   - Bytes after the end of the stream: both ignore them. A second gzip
//     member is such bytes: zlib's inflate ends at the end of the first member
//     (Z_STREAM_END), and libdeflate_gzip_decompress_ex inflates the first
//     member and reports how far it read.
//   - A cut stream: both refuse (libdeflate reads zero bytes past the end and
//     refuses when it has used one).
//   - The output limit: with the actual output length asked for, libdeflate
//     succeeds for a stream of exactly `capacity` bytes and answers
//     LIBDEFLATE_INSUFFICIENT_SPACE for one byte more, as zlib gives
//     Z_STREAM_END and Z_BUF_ERROR. LIBDEFLATE_SHORT_OUTPUT comes only when
//     the output length is not asked for, never here. INSUFFICIENT_SPACE is
//     final: libdeflate decodes every stream zlib accepts code for code as
//     zlib does, so a stream whose codes run past the limit in libdeflate
//     either runs past it in zlib or is refused there.
//   - A complete stream of no output: both accept it; InflatePayload answers
//     0, so it is taken as stored, as before.
//   - Any other refusal by libdeflate is handed to zlib, which decides. None
//     is known to differ; it costs time only for damaged streams.
//   - zlib counts input and output in 32 bits: a payload or a limit of 4 GiB
//     or more goes to zlib, to be cut as it cuts it.
//
// The deflate data (libdeflate accepts, zlib refuses)
//   - More than 286 literal/length or 30 distance codes in a dynamic block
//     header: zlib "too many length or distance symbols".
//   - A repeat of code lengths that runs past the last code length: zlib
//     "invalid bit length repeat".
//   - An incomplete code length code: zlib "invalid code lengths set".
//   - A literal/length or distance code of a single codeword of one bit:
//     both accept the code, but zlib refuses the bit 1 where libdeflate reads
//     it as that codeword. An empty distance code: zlib refuses any match in
//     its block, libdeflate reads distance code 0.
//   - The fixed code's literal/length symbols 286 and 287 (libdeflate: length
//     258) and distance codes 30 and 31 (libdeflate: 24,577 and up).
//   - No code for the end of block: zlib refuses the header; libdeflate never
//     finds the block's end. Same answer, taken to zlib all the same.
// None of these is ever written by a compressor, but a damaged stream can
// hold them with a correct check value (a 285 turned into a 287 inflates to
// the same bytes in libdeflate). So after libdeflate has accepted a stream,
// ZlibAcceptsDeflateData walks its deflate data: every block header, and the
// codes of every block but a last one of complete dynamic codes (the only way
// to reach the next header; a block whose header zlib accepts with complete
// codes can hold nothing zlib refuses). Where it finds one of these, zlib
// decides. The walk reads each code with one table look-up (a match's length
// and distance codes mostly with one together) and writes nothing: it costs
// a third to a half of libdeflate's time on a stream of several blocks.
//
// The output buffer: a zlib stream does not store its output's length (a
// gzip stream's ISIZE is it modulo 2^32, and is found only when nothing
// follows the stream), so the callers give InflatePayload the whole limit:
// ExtractEntry and InspectEntry pass a 64 MiB scratch buffer kept by the
// thread, whose pages are committed only as far as output is written, and
// copy the data out to a buffer of its size. libdeflate writes nothing past
// the output, and adds one decompressor per thread (about 10 KB) and the
// walk's tables (about 45 KB): peak memory stays where it was with zlib.
#include "containers/inflate.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>

#include "containers/extract.h"

namespace cfv {

std::size_t InflateWithZlib(unsigned char* out, std::size_t capacity, const unsigned char* payload,
                            std::size_t payloadLength) {
  z_stream stream{};
  stream.next_in = const_cast<Bytef*>(payload);
  stream.avail_in = static_cast<uInt>(payloadLength);
  stream.next_out = out;
  stream.avail_out = static_cast<uInt>(capacity);
  // 32 + 15: a 32 KiB window, zlib or gzip header recognised.
  if (inflateInit2(&stream, 47) != Z_OK) return 0;
  const int rc = inflate(&stream, Z_FINISH);
  const std::size_t total = stream.total_out;
  inflateEnd(&stream);
  return rc == Z_STREAM_END || rc == Z_OK ? total : 0;
}

namespace {

static_assert(std::endian::native == std::endian::little, "the bit reader loads little-endian words");

// Deflate's bits, least significant first, with zero bytes past the end
// (counted, so a walk that uses them is known to have left the stream).
class BitReader {
 public:
  BitReader(const unsigned char* begin, const unsigned char* end) : next_(begin), end_(end) {}

  // At least 56 bits buffered; false once the stream is far behind.
  bool Refill() {
    if (end_ - next_ >= 8) {
      std::uint64_t word;
      std::memcpy(&word, next_, 8);
      bits_ |= word << have_;
      next_ += (63 - have_) >> 3;
      have_ |= 56;
      return true;
    }
    while (have_ < 56) {
      if (next_ != end_) {
        bits_ |= std::uint64_t{*next_++} << have_;
      } else {
        ++overread_;
      }
      have_ += 8;
    }
    return overread_ <= 8;
  }
  std::uint64_t Peek() const { return bits_; }
  void Drop(unsigned n) {
    bits_ >>= n;
    have_ -= n;
  }
  unsigned Pop(unsigned n) {
    const auto value = static_cast<unsigned>(bits_ & ((std::uint64_t{1} << n) - 1));
    Drop(n);
    return value;
  }
  // Skips to the next byte boundary and gives the bytes from there, the bit
  // buffer emptied; null when bits past the end were used.
  const unsigned char* AlignedBytes() {
    Drop(have_ & 7);
    if (overread_ > have_ / 8) return nullptr;
    const unsigned char* at = next_ - (have_ / 8 - overread_);
    bits_ = 0;
    have_ = 0;
    overread_ = 0;
    return at;
  }
  void SkipTo(const unsigned char* at) { next_ = at; }
  const unsigned char* End() const { return end_; }

 private:
  const unsigned char* next_;
  const unsigned char* end_;
  std::uint64_t bits_ = 0;
  unsigned have_ = 0;
  unsigned overread_ = 0;
};

// A decode table entry: the bits to drop (the codeword's, at its level, and
// the extra bits of a length or distance), what the code is, and in bits 12
// to 15 the codeword's length. An entry without flags is a literal, or a
// whole match: length, distance and their extra bits at once.
constexpr std::uint32_t kBitsMask = 0xFF;
constexpr std::uint32_t kLength = 1u << 8;     // a length: a distance code follows
constexpr std::uint32_t kEnd = 1u << 9;        // end of block
constexpr std::uint32_t kSubtable = 1u << 10;  // bits 16 on: its start; low byte: its index bits
constexpr std::uint32_t kRefused = 1u << 11;   // zlib refuses this code

constexpr unsigned kLitBits = 11;
constexpr unsigned kDistBits = 8;
constexpr unsigned kPreBits = 7;
// Main tables and their subtables (see Fill).
constexpr std::size_t kLitTable = (1u << kLitBits) + 288 / 2 * (1u << (15 - kLitBits));
constexpr std::size_t kDistTable = (1u << kDistBits) + 32 / 2 * (1u << (15 - kDistBits));

// What each symbol decodes to, before the codeword length is added.
struct SymbolInfo {
  std::array<std::uint32_t, 288> lit{};
  std::array<std::uint32_t, 32> dist{};
  std::array<std::uint32_t, 19> pre{};
  SymbolInfo() {
    lit[256] = kEnd;
    for (unsigned s = 257; s < 286; ++s) {
      const unsigned extra = s < 265 || s == 285 ? 0 : (s - 261) / 4;
      lit[s] = kLength | extra;
    }
    lit[286] = lit[287] = kRefused;
    for (unsigned d = 0; d < 32; ++d) dist[d] = d >= 30 ? kRefused : d < 4 ? 0 : (d - 2) / 2;
    for (unsigned s = 0; s < 19; ++s) pre[s] = s << 16;
  }
};
const SymbolInfo kSymbols;

enum class Code { kComplete, kOneBit, kEmpty, kInvalid };

// The canonical code of `lengths` as zlib's inflate_table judges it:
// over-subscribed and incomplete codes are refused, but for a single
// codeword of one bit and no codes at all.
Code Judge(const std::uint8_t* lengths, unsigned count) {
  unsigned perLength[16] = {};
  for (unsigned s = 0; s < count; ++s) ++perLength[lengths[s]];
  int left = 1;
  unsigned longest = 0;
  for (unsigned len = 1; len <= 15; ++len) {
    left = (left << 1) - static_cast<int>(perLength[len]);
    if (left < 0) return Code::kInvalid;
    if (perLength[len] != 0) longest = len;
  }
  if (longest == 0) return Code::kEmpty;
  if (left == 0) return Code::kComplete;
  return longest == 1 ? Code::kOneBit : Code::kInvalid;
}

struct ByteReversal {
  std::uint8_t of[256];
  ByteReversal() {
    for (unsigned b = 0; b < 256; ++b) {
      of[b] = 0;
      for (unsigned i = 0; i < 8; ++i) of[b] |= static_cast<std::uint8_t>(((b >> i) & 1) << (7 - i));
    }
  }
};
const ByteReversal kReversed;

// The decode table of a code Judge did not refuse: a main table of
// `mainBits` bits, and for longer codewords subtables of 2^(longest -
// mainBits) entries. Unused codes (the bit 1 of a one-bit code, every code
// of an empty one) are refused. A complete code has at most half as many
// main entries with subtables as codewords longer than the main bits, so
// `table` holds 2^mainBits + symbols / 2 * 2^(15 - mainBits) entries.
void Fill(const std::uint8_t* lengths, unsigned count, Code code, const std::uint32_t* info,
          unsigned mainBits, std::uint32_t* table) {
  const std::size_t mainSize = std::size_t{1} << mainBits;
  if (code != Code::kComplete) {
    const std::size_t one = static_cast<std::size_t>(std::find(lengths, lengths + count, 1) - lengths);
    for (std::size_t i = 0; i < mainSize; ++i)
      table[i] = code == Code::kOneBit && (i & 1) == 0 ? info[one] + 1 + (1u << 12) : kRefused | 1;
    return;
  }
  unsigned perLength[16] = {}, next[16] = {}, longest = 0;
  for (unsigned s = 0; s < count; ++s) ++perLength[lengths[s]];
  for (unsigned len = 1, word = 0; len <= 15; ++len) {
    word = (word + (len > 1 ? perLength[len - 1] : 0)) << 1;
    next[len] = word;
    if (perLength[len] != 0) longest = len;
  }
  std::fill(table, table + mainSize, 0);
  const unsigned subBits = longest > mainBits ? longest - mainBits : 0;
  std::size_t used = mainSize;
  for (unsigned s = 0; s < count; ++s) {
    const unsigned len = lengths[s];
    if (len == 0) continue;
    const unsigned word = next[len]++;
    const unsigned reversed = (kReversed.of[word & 0xFF] << 8 | kReversed.of[word >> 8]) >> (16 - len);
    if (len <= mainBits) {
      for (std::size_t i = reversed; i < mainSize; i += std::size_t{1} << len)
        table[i] = info[s] + len + (len << 12);
      continue;
    }
    std::uint32_t& pointer = table[reversed & (mainSize - 1)];
    if (pointer == 0) {
      pointer = kSubtable | static_cast<std::uint32_t>(used << 16) | subBits;
      used += std::size_t{1} << subBits;
    }
    std::uint32_t* sub = table + (pointer >> 16);
    for (std::size_t i = reversed >> mainBits; i < (std::size_t{1} << subBits);
         i += std::size_t{1} << (len - mainBits))
      sub[i] = info[s] + (len - mainBits);
  }
}

// Makes each main-table length entry whose distance codeword lies within
// the same kLitBits bits a whole-match entry: one look-up for most matches.
void JoinMatches(std::uint32_t* lit, const std::uint32_t* dist) {
  for (std::uint32_t i = 0; i < (1u << kLitBits); ++i) {
    const std::uint32_t e = lit[i];
    if ((e & (kLength | kEnd | kSubtable | kRefused)) != kLength) continue;
    const std::uint32_t used = e & kBitsMask;
    const std::uint32_t d = dist[(i >> used) & ((1u << kDistBits) - 1)];
    if ((d & (kSubtable | kRefused)) == 0 && used + ((d >> 12) & 15) <= kLitBits)
      lit[i] = used + (d & kBitsMask);
  }
}

struct Tables {
  std::uint32_t lit[kLitTable];
  std::uint32_t dist[kDistTable];
  std::uint32_t pre[1u << kPreBits];
  std::uint8_t lengths[288 + 32];
};

// The fixed code's tables, built once.
const Tables& FixedTables() {
  static const auto* fixed = [] {
    auto* t = new Tables;
    std::fill(t->lengths, t->lengths + 144, 8);
    std::fill(t->lengths + 144, t->lengths + 256, 9);
    std::fill(t->lengths + 256, t->lengths + 280, 7);
    std::fill(t->lengths + 280, t->lengths + 288, 8);
    Fill(t->lengths, 288, Code::kComplete, kSymbols.lit.data(), kLitBits, t->lit);
    std::fill(t->lengths, t->lengths + 32, 5);
    Fill(t->lengths, 32, Code::kComplete, kSymbols.dist.data(), kDistBits, t->dist);
    JoinMatches(t->lit, t->dist);
    return t;
  }();
  return *fixed;
}

// Steps over the codes of one block to its end-of-block code; false at a
// code zlib refuses.
bool StepOverCodes(BitReader& reader, const Tables& t) {
  // A copy in registers: the tables' loads cannot alias it.
  BitReader in = reader;
  const std::uint32_t* const lit = t.lit;
  const std::uint32_t* const dist = t.dist;
  constexpr std::uint32_t kLitMask = (1u << kLitBits) - 1, kDistMask = (1u << kDistBits) - 1;
  // Each round starts with at least 56 bits buffered and the entry of the
  // next code looked up. A round takes at most 48 bits: a 15-bit length code
  // and 5 extra bits, a 15-bit distance code and 13 extra bits. A literal or
  // a whole match takes at most 11 + 13 bits: the next entry is looked up
  // before the refill, which then does not delay it.
  in.Refill();  // a stream left behind is seen at the next refill
  std::uint32_t e = lit[in.Peek() & kLitMask];
  for (;;) {
    if ((e & (kLength | kEnd | kSubtable | kRefused)) == 0) {
      in.Drop(e & kBitsMask);
      e = lit[in.Peek() & kLitMask];
      if (!in.Refill()) return false;
      continue;
    }
    if ((e & kSubtable) != 0) {
      in.Drop(kLitBits);
      e = lit[(e >> 16) + (in.Peek() & ((1u << (e & kBitsMask)) - 1))];
    }
    if ((e & (kEnd | kRefused)) != 0) {
      in.Drop(e & kBitsMask);
      reader = in;
      return (e & kRefused) == 0;
    }
    in.Drop(e & kBitsMask);
    if ((e & kLength) != 0) {
      std::uint32_t d = dist[in.Peek() & kDistMask];
      if ((d & (kSubtable | kRefused)) != 0) {
        if ((d & kRefused) != 0) return false;
        in.Drop(kDistBits);
        d = dist[(d >> 16) + (in.Peek() & ((1u << (d & kBitsMask)) - 1))];
      }
      in.Drop(d & kBitsMask);
    }
    if (!in.Refill()) return false;
    e = lit[in.Peek() & kLitMask];
  }
}

// A dynamic block's codes: how many of each, and how zlib judges them.
struct DynamicCodes {
  unsigned litCount, distCount;
  Code lit, dist;
};

// Reads a dynamic block's header as zlib does: nothing where zlib refuses
// it. The code lengths go to `t`.
std::optional<DynamicCodes> ReadDynamicHeader(BitReader& in, Tables& t) {
  static constexpr std::uint8_t kOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                              11, 4,  12, 3, 13, 2, 14, 1, 15};
  if (!in.Refill()) return std::nullopt;
  const unsigned litCount = in.Pop(5) + 257, distCount = in.Pop(5) + 1, preCount = in.Pop(4) + 4;
  if (litCount > 286 || distCount > 30) return std::nullopt;
  std::uint8_t pre[19] = {};
  for (unsigned i = 0; i < preCount; ++i) {
    if (!in.Refill()) return std::nullopt;
    pre[kOrder[i]] = static_cast<std::uint8_t>(in.Pop(3));
  }
  if (Judge(pre, 19) != Code::kComplete) return std::nullopt;
  Fill(pre, 19, Code::kComplete, kSymbols.pre.data(), kPreBits, t.pre);
  const unsigned total = litCount + distCount;
  for (unsigned i = 0; i < total;) {
    if (!in.Refill()) return std::nullopt;
    const std::uint32_t e = t.pre[in.Peek() & ((1u << kPreBits) - 1)];
    in.Drop(e & kBitsMask);
    const unsigned sym = e >> 16;
    if (sym < 16) {
      t.lengths[i++] = static_cast<std::uint8_t>(sym);
      continue;
    }
    std::uint8_t value = 0;
    unsigned repeat;
    if (sym == 16) {
      if (i == 0) return std::nullopt;
      value = t.lengths[i - 1];
      repeat = 3 + in.Pop(2);
    } else {
      repeat = sym == 17 ? 3 + in.Pop(3) : 11 + in.Pop(7);
    }
    if (i + repeat > total) return std::nullopt;
    std::fill(t.lengths + i, t.lengths + i + repeat, value);
    i += repeat;
  }
  if (t.lengths[256] == 0) return std::nullopt;
  const DynamicCodes codes{litCount, distCount, Judge(t.lengths, litCount),
                           Judge(t.lengths + litCount, distCount)};
  if (codes.lit == Code::kInvalid || codes.lit == Code::kEmpty || codes.dist == Code::kInvalid)
    return std::nullopt;
  return codes;
}

}  // namespace

// The walk described at the top of this file.
bool ZlibAcceptsDeflateData(const unsigned char* begin, const unsigned char* end) {
  thread_local std::unique_ptr<Tables> dynamic;
  BitReader in(begin, end);
  for (;;) {
    in.Refill();  // a stream left behind is seen at the block's alignment or its codes' refills
    const bool last = in.Pop(1) != 0;
    const unsigned type = in.Pop(2);
    if (type == 0) {
      const unsigned char* at = in.AlignedBytes();
      if (at == nullptr || in.End() - at < 4) return false;
      const unsigned length = at[0] | (at[1] << 8), inverse = at[2] | (at[3] << 8);
      if (length != (~inverse & 0xFFFF) || static_cast<std::size_t>(in.End() - at - 4) < length) return false;
      in.SkipTo(at + 4 + length);
      if (last) return true;
      continue;
    }
    const Tables* tables = &FixedTables();
    if (type == 2) {
      if (!dynamic) dynamic = std::make_unique<Tables>();
      Tables& t = *dynamic;
      const std::optional<DynamicCodes> codes = ReadDynamicHeader(in, t);
      if (!codes) return false;
      if (last && codes->lit == Code::kComplete && codes->dist == Code::kComplete) return true;
      Fill(t.lengths, codes->litCount, codes->lit, kSymbols.lit.data(), kLitBits, t.lit);
      Fill(t.lengths + codes->litCount, codes->distCount, codes->dist, kSymbols.dist.data(), kDistBits,
           t.dist);
      JoinMatches(t.lit, t.dist);
      tables = &t;
    } else if (type != 1) {
      return false;
    }
    if (!StepOverCodes(in, *tables)) return false;
    if (last) return in.AlignedBytes() != nullptr;
  }
}

namespace {

// Where the deflate data of a gzip stream starts, or 0 when the header is
// cut or asks for the header check only zlib makes.
std::size_t GzipDataStart(const unsigned char* p, std::size_t n) {
  if (n < 10) return 0;
  const unsigned flags = p[3];
  if ((flags & 0x02) != 0) return 0;  // FHCRC
  std::size_t at = 10;
  if ((flags & 0x04) != 0) {  // FEXTRA
    if (n - at < 2) return 0;
    at += 2 + (p[at] | (p[at + 1] << 8));
  }
  for (const unsigned flag : {0x08u, 0x10u}) {  // FNAME, FCOMMENT
    if ((flags & flag) == 0) continue;
    const void* zero = at < n ? std::memchr(p + at, 0, n - at) : nullptr;
    if (zero == nullptr) return 0;
    at = static_cast<const unsigned char*>(zero) - p + 1;
  }
  return at < n ? at : 0;
}

thread_local InflatedBy lastInflatedBy = InflatedBy::kZlib;

struct FreeDecompressor {
  void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

}  // namespace

std::size_t InflatePayload(unsigned char* out, std::size_t capacity, const unsigned char* payload,
                           std::size_t payloadLength) {
  lastInflatedBy = InflatedBy::kZlib;
  // zlib counts in 32 bits: past them its answer is its own.
  if (payloadLength < 2 || payloadLength > UINT_MAX || capacity > UINT_MAX)
    return InflateWithZlib(out, capacity, payload, payloadLength);
  const bool gzip = payload[0] == 0x1F && payload[1] == 0x8B;
  const std::size_t dataStart = gzip ? GzipDataStart(payload, payloadLength) : 2;
  thread_local std::unique_ptr<libdeflate_decompressor, FreeDecompressor> decompressor(
      libdeflate_alloc_decompressor());
  if (dataStart == 0 || !decompressor) return InflateWithZlib(out, capacity, payload, payloadLength);

  std::size_t read = 0, written = 0;
  const libdeflate_result result =
      gzip ? libdeflate_gzip_decompress_ex(decompressor.get(), payload, payloadLength, out, capacity, &read,
                                           &written)
           : libdeflate_zlib_decompress_ex(decompressor.get(), payload, payloadLength, out, capacity, &read,
                                           &written);
  // The check value follows the deflate data: 4 bytes in zlib, 8 in gzip.
  const std::size_t checkLength = gzip ? 8 : 4;
  if (result == LIBDEFLATE_INSUFFICIENT_SPACE ||
      (result == LIBDEFLATE_SUCCESS && read >= dataStart + checkLength &&
       ZlibAcceptsDeflateData(payload + dataStart, payload + read - checkLength))) {
    lastInflatedBy = InflatedBy::kLibdeflate;
    return result == LIBDEFLATE_SUCCESS ? written : 0;
  }
  return InflateWithZlib(out, capacity, payload, payloadLength);
}

InflatedBy LastInflatedBy() { return lastInflatedBy; }

}  // namespace cfv
