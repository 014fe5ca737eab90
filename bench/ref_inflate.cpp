// cfv-ref-inflate: the cost of writing the data of compressed entries and
// nothing else, the baseline `cat` is measured against.
//
//   cfv-ref-inflate FILES_FOLDER ENTRIES_TSV
//
// ENTRIES_TSV (written by make-corpus) gives one entry per line: custom file,
// header offset, entry size, output path, the paths relative to FILES_FOLDER.
// For each entry, as `tazor-cfv cat FILE OFFSET` does for one, the program
// opens the custom file, reads the payload, inflates it with libdeflate in
// one call (zlib or gzip by its first bytes; stored when it does not
// inflate) and writes the data to standard output. It checks no header and
// walks no tree: the physical work of a cat, as cheaply as it can be done.
//
// Built a second time as cfv-ref-inflate-walk (CFV_REF_WALK), it also walks
// the deflate data of every stream libdeflate accepted with the core's
// ZlibAcceptsDeflateData, the check that keeps zlib's answer for the streams
// libdeflate reads and zlib refuses: the least a cat that decides as zlib
// decides must do, the floor of the cat row.
#include <fcntl.h>
#include <libdeflate.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#ifdef CFV_REF_WALK
#include "containers/inflate.h"
#endif

namespace {

constexpr std::size_t kHeader = 50;
constexpr std::size_t kOutCapacity = 64u * 1024 * 1024;

bool ReadAll(int fd, unsigned char* out, std::size_t n, off_t at) {
  std::size_t got = 0;
  while (got < n) {
    const ssize_t r = ::pread(fd, out + got, n - got, at + static_cast<off_t>(got));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    got += static_cast<std::size_t>(r);
  }
  return true;
}

#ifdef CFV_REF_WALK
// Where a gzip member's deflate data starts (after FEXTRA, FNAME, FCOMMENT
// and FHCRC), or 0 when the header is cut.
std::size_t GzipDataStart(const unsigned char* p, std::size_t n) {
  if (n < 10) return 0;
  std::size_t at = 10;
  const unsigned flags = p[3];
  if ((flags & 4) != 0) {
    if (at + 2 > n) return 0;
    at += 2 + (p[at] | (p[at + 1] << 8));
  }
  for (const unsigned flag : {8u, 16u})
    if ((flags & flag) != 0) {
      while (at < n && p[at] != 0) ++at;
      ++at;
    }
  if ((flags & 2) != 0) at += 2;
  return at < n ? at : 0;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: cfv-ref-inflate FILES_FOLDER ENTRIES_TSV\n");
    return 2;
  }
  const std::string root = std::string(argv[1]) + "/";
  std::ifstream list(argv[2]);
  if (!list) {
    std::fprintf(stderr, "cfv-ref-inflate: cannot read %s\n", argv[2]);
    return 2;
  }
  auto* out = static_cast<unsigned char*>(std::malloc(kOutCapacity));
  libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
  std::vector<unsigned char> payload;
  std::string line;
  int failures = 0;
  while (std::getline(list, line)) {
    const std::size_t t1 = line.find('\t');
    const std::size_t t2 = line.find('\t', t1 + 1);
    if (t2 == std::string::npos) continue;
    const off_t offset = std::strtoll(line.c_str() + t1 + 1, nullptr, 10);
    const std::size_t n = std::strtoull(line.c_str() + t2 + 1, nullptr, 10) - kHeader;
    const int in = ::open((root + line.substr(0, t1)).c_str(), O_RDONLY | O_CLOEXEC);
    payload.resize(n);
    const bool read = in >= 0 && ReadAll(in, payload.data(), n, offset + static_cast<off_t>(kHeader));
    if (in >= 0) ::close(in);
    if (!read) {
      ++failures;
      continue;
    }
    std::size_t length = 0, used = 0;
    const bool gzip = n >= 2 && payload[0] == 0x1F && payload[1] == 0x8B;
    libdeflate_result result = gzip ? libdeflate_gzip_decompress_ex(decompressor, payload.data(), n, out,
                                                                    kOutCapacity, &used, &length)
                                    : libdeflate_zlib_decompress_ex(decompressor, payload.data(), n, out,
                                                                    kOutCapacity, &used, &length);
#ifdef CFV_REF_WALK
    const std::size_t start = gzip ? GzipDataStart(payload.data(), n) : 2;
    const std::size_t trailer = gzip ? 8 : 4;
    if (result == LIBDEFLATE_SUCCESS &&
        (start == 0 || used < start + trailer ||
         !cfv::ZlibAcceptsDeflateData(payload.data() + start, payload.data() + used - trailer)))
      result = LIBDEFLATE_BAD_DATA;
#endif
    const unsigned char* data = out;
    if (result != LIBDEFLATE_SUCCESS || length == 0) {
      data = payload.data();
      length = n;
    }
    if (std::fwrite(data, 1, length, stdout) != length || std::fflush(stdout) != 0) ++failures;
  }
  libdeflate_free_decompressor(decompressor);
  std::free(out);
  if (failures != 0) std::fprintf(stderr, "cfv-ref-inflate: %d entries failed\n", failures);
  return failures == 0 ? 0 : 1;
}
