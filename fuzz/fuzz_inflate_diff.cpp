// Fuzz target: InflatePayload (libdeflate where it decides as zlib) against
// zlib itself on the same bytes. Both must give the same answer: the same
// number of bytes written (0: not a stream, taken as stored) and the same
// bytes.
//
// Input: a mode byte, then the payload.
//   - bit 7 picks the output capacity: clear, the real limit (kInflateLimit);
//     set, zlib's output length plus (mode & 15) - 8 (at least 0), so that
//     streams which fill the output exactly, and those one byte too long,
//     come up without 64 MiB outputs.
//   - bit 6 set: the rest is raw deflate data, and the payload is made of it:
//     a zlib wrapper (gzip with bit 5) around the deflate data as far as
//     libdeflate reads it, with the check value of what libdeflate reads
//     from it, and the rest after that. A changed bit then keeps the check
//     value right, so that streams libdeflate accepts and zlib refuses are
//     found: with the check value left as it was, almost every change is
//     refused by both for its check value alone.
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "containers/extract.h"
#include "containers/inflate.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
  }
}

// Output buffers of the real limit; their pages are committed only as far
// as an input writes.
unsigned char* Buffer() { return static_cast<unsigned char*>(std::malloc(cfv::kInflateLimit)); }

// The payload of mode bit 6 (see the top of this file).
std::string Wrapped(const unsigned char* raw, std::size_t n, bool gzip, unsigned char* scratch) {
  static libdeflate_decompressor* const decompressor = libdeflate_alloc_decompressor();
  std::size_t read = 0, written = 0;
  if (libdeflate_deflate_decompress_ex(decompressor, raw, n, scratch, cfv::kInflateLimit, &read, &written) !=
      LIBDEFLATE_SUCCESS)
    read = n, written = 0;
  std::string out = gzip ? std::string("\x1F\x8B\x08\0\0\0\0\0\0\x03", 10) : std::string("\x78\x9C");
  out.append(reinterpret_cast<const char*>(raw), read);
  auto put = [&](std::uint32_t v, bool big) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((big ? v >> (24 - 8 * i) : v >> (8 * i)) & 0xFF);
  };
  if (gzip) {
    put(static_cast<std::uint32_t>(crc32(0, scratch, static_cast<uInt>(written))), false);
    put(static_cast<std::uint32_t>(written), false);
  } else {
    put(static_cast<std::uint32_t>(adler32(1, scratch, static_cast<uInt>(written))), true);
  }
  out.append(reinterpret_cast<const char*>(raw) + read, n - read);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static unsigned char* const zlibOut = Buffer();
  static unsigned char* const ourOut = Buffer();
  const unsigned mode = data[0];
  std::string wrapped;
  const unsigned char* payload = data + 1;
  std::size_t length = size - 1;
  if ((mode & 0x40) != 0) {
    wrapped = Wrapped(payload, length, (mode & 0x20) != 0, ourOut);
    payload = reinterpret_cast<const unsigned char*>(wrapped.data());
    length = wrapped.size();
  }

  std::size_t capacity = cfv::kInflateLimit;
  std::size_t expected = cfv::InflateWithZlib(zlibOut, capacity, payload, length);
  if ((mode & 0x80) != 0) {
    const long wanted = static_cast<long>(expected) + static_cast<long>(mode & 15) - 8;
    capacity = static_cast<std::size_t>(std::max(0L, wanted));
    expected = cfv::InflateWithZlib(zlibOut, capacity, payload, length);
  }
  const std::size_t got = cfv::InflatePayload(ourOut, capacity, payload, length);
  Check(got == expected, "the same answer as zlib: stream or not, and its length");
  Check(got <= capacity, "output within the capacity");
  Check(std::memcmp(ourOut, zlibOut, got) == 0, "the same bytes as zlib");
  return 0;
}
