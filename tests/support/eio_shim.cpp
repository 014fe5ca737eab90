// Read errors on demand, for tests: preloaded into a program (LD_PRELOAD),
// pread and copy_file_range from a file whose path holds "EIO-<N>" fail
// with EIO from byte N on, as a disk with a bad sector there: a read
// starting before N gives the bytes up to N, the next one fails. Other files
// read as usual. copy_file_range from a file whose path holds "NOCOPY" fails
// with EXDEV, as between file systems that cannot copy.
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Where reads of `fd` start to fail.
off_t Bad(int fd) {
  char link[64], path[4096] = {};
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const char* mark = ::readlink(link, path, sizeof path - 1) > 0 ? std::strstr(path, "EIO-") : nullptr;
  return mark != nullptr ? std::atoll(mark + 4) : LLONG_MAX;
}

ssize_t Read(const char* real, int fd, void* out, size_t n, off_t at) {
  const off_t bad = Bad(fd);
  if (at >= bad) return errno = EIO, -1;
  n = static_cast<size_t>(std::min<off_t>(static_cast<off_t>(n), bad - at));
  return reinterpret_cast<ssize_t (*)(int, void*, size_t, off_t)>(::dlsym(RTLD_NEXT, real))(fd, out, n, at);
}

}  // namespace

extern "C" ssize_t pread(int fd, void* out, size_t n, off_t at) { return Read("pread", fd, out, n, at); }
extern "C" ssize_t pread64(int fd, void* out, size_t n, off_t at) { return Read("pread64", fd, out, n, at); }
extern "C" ssize_t copy_file_range(int in, off64_t* at, int out, off64_t* to, size_t n, unsigned flags) {
  // A file whose path holds "NOCOPY" is read where the kernel cannot copy.
  char link[64], path[4096] = {};
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", in);
  if (::readlink(link, path, sizeof path - 1) > 0 && std::strstr(path, "NOCOPY") != nullptr)
    return errno = EXDEV, -1;
  const off_t bad = Bad(in);
  if (at != nullptr && *at >= bad) return errno = EIO, -1;
  if (at != nullptr) n = static_cast<size_t>(std::min<off_t>(static_cast<off_t>(n), bad - *at));
  return reinterpret_cast<ssize_t (*)(int, off64_t*, int, off64_t*, size_t, unsigned)>(
      ::dlsym(RTLD_NEXT, "copy_file_range"))(in, at, out, to, n, flags);
}
