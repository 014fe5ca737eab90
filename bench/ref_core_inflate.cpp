// cfv-ref-core-inflate: the cost of inflating every payload of custom files and
// nothing else, the baseline `tazor-cfv grep` over compressed entries is
// measured against.
//
//   cfv-ref-core-inflate FILE...
//
// Reads each custom file whole in one read, steps through its top-level
// entries by their size fields and turns each payload into its data with
// the core's own inflate call (cfv::PayloadData, whatever inflate library
// the core uses), without walking a tree, nesting, names or any search.
// Prints the number of data bytes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "containers/entry_header.h"
#include "containers/extract.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: cfv-ref-core-inflate FILE...\n");
    return 2;
  }
  auto* scratch = static_cast<unsigned char*>(std::malloc(cfv::kInflateLimit));
  std::vector<unsigned char> file;
  unsigned long long total = 0;
  for (int i = 1; i < argc; ++i) {
    const int fd = ::open(argv[i], O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
      std::perror(argv[i]);
      return 1;
    }
    file.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (got < file.size()) {
      const ssize_t r = ::read(fd, file.data() + got, file.size() - got);
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) break;
      got += static_cast<std::size_t>(r);
    }
    ::close(fd);
    for (std::size_t at = 0; at + cfv::kEntryHeaderSize <= got;) {
      const std::uint64_t size = cfv::HeaderSizeValue(file.data() + at);
      if (size < cfv::kEntryHeaderSize || size > got - at) break;
      total +=
          cfv::PayloadData(file.data() + at + cfv::kEntryHeaderSize, size - cfv::kEntryHeaderSize, scratch)
              .size;
      at += size;
    }
  }
  std::printf("%llu\n", total);
  std::free(scratch);
  return 0;
}
