// Fuzz target: InflatePayload (libdeflate where it decides as zlib) against
// zlib itself on the same bytes. Both must give the same answer: the same
// number of bytes written (0: not a stream, taken as stored) and the same
// bytes.
//
// Input: one byte that picks the output capacity, then the payload. Below
// 0x80 the capacity is the real limit, kInflateLimit; from 0x80 on it is
// zlib's output length plus (byte & 15) - 8 (at least 0), so that streams
// which fill the output exactly, and those one byte too long, come up
// without 64 MiB outputs.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static unsigned char* const zlibOut = Buffer();
  static unsigned char* const ourOut = Buffer();
  const unsigned char* payload = data + 1;
  const std::size_t length = size - 1;

  std::size_t capacity = cfv::kInflateLimit;
  std::size_t expected = cfv::InflateWithZlib(zlibOut, capacity, payload, length);
  if (data[0] >= 0x80) {
    const long wanted = static_cast<long>(expected) + (data[0] & 15) - 8;
    capacity = static_cast<std::size_t>(std::max(0L, wanted));
    expected = cfv::InflateWithZlib(zlibOut, capacity, payload, length);
  }
  const std::size_t got = cfv::InflatePayload(ourOut, capacity, payload, length);
  Check(got == expected, "the same answer as zlib: stream or not, and its length");
  Check(got <= capacity, "output within the capacity");
  Check(std::memcmp(ourOut, zlibOut, got) == 0, "the same bytes as zlib");
  return 0;
}
