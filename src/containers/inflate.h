// The two ways a payload is inflated. InflatePayload (extract.h) is the one
// the program uses: libdeflate where it decides as zlib does, zlib itself
// elsewhere. InflateWithZlib is zlib alone, called as the original program
// called it: the reference InflatePayload must match for every payload.
#pragma once

#include <cstddef>

namespace cfv {

// zlib's inflateInit2 with window bits 47 (a 32 KiB window, a zlib or gzip
// header recognised) and one inflate(Z_FINISH) into `out`, at most
// `capacity` bytes. Returns the bytes written when the stream ended within
// them, else 0.
std::size_t InflateWithZlib(unsigned char* out, std::size_t capacity, const unsigned char* payload,
                            std::size_t payloadLength);

// For deflate data libdeflate has inflated (a stream's, without its wrapper):
// true when zlib's inflate accepts it too, read block by block; false where
// it holds a code zlib refuses, or the walk cannot tell.
bool ZlibAcceptsDeflateData(const unsigned char* begin, const unsigned char* end);

// Which library gave the thread's last InflatePayload answer: a stream any
// compressor writes goes libdeflate's way, at its speed.
enum class InflatedBy { kLibdeflate, kZlib };
InflatedBy LastInflatedBy();

}  // namespace cfv
