#include "scratch_file.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace cfv::fuzz {
namespace {

[[noreturn]] void Fail(const char* what) {
  std::perror(what);
  std::abort();
}

struct Scratch {
  int fd;
  std::filesystem::path path;
  Scratch() : fd(::memfd_create("cfv-fuzz-input", MFD_CLOEXEC)) {
    if (fd < 0) Fail("memfd_create");
    path = "/proc/self/fd/" + std::to_string(fd);
  }
  ~Scratch() { ::close(fd); }
};

}  // namespace

const std::filesystem::path& WriteScratch(const std::uint8_t* data, std::size_t size) {
  static Scratch scratch;
  if (::ftruncate(scratch.fd, 0) != 0) Fail("ftruncate");
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pwrite(scratch.fd, data + done, size - done, static_cast<off_t>(done));
    if (n <= 0) Fail("pwrite");
    done += static_cast<std::size_t>(n);
  }
  return scratch.path;
}

}  // namespace cfv::fuzz
