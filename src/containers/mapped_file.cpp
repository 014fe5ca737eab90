#include "containers/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <mutex>

namespace cfv {
namespace {

thread_local mapped_detail::Guard* tGuard = nullptr;
struct sigaction gPrevious {};

// A fault on a mapped page: back to the ReadMapped that guards this
// thread, else as before this handler was installed (the fault repeats and
// takes that course).
void OnBusError(int, siginfo_t*, void*) {
  mapped_detail::Guard* guard = tGuard;
  if (guard != nullptr) {
    tGuard = nullptr;
    siglongjmp(guard->jump, 1);
  }
  sigaction(SIGBUS, &gPrevious, nullptr);
}

}  // namespace

namespace mapped_detail {

void Arm(Guard* guard) {
  static std::once_flag installed;
  std::call_once(installed, [] {
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    // SA_NODEFER: the jump leaves the handler, so SIGBUS must not stay
    // blocked behind it.
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, &gPrevious);
  });
  tGuard = guard;
}

}  // namespace mapped_detail

bool MappedFile::Open(const std::filesystem::path& path, int& error) {
  Close();
  error = 0;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    error = errno;
    return false;
  }
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  size_ = ok ? static_cast<std::size_t>(st.st_size) : 0;
  if (ok && size_ != 0) {
    void* at = ::mmap(nullptr, size_, PROT_READ, MAP_SHARED, fd, 0);
    if (at != MAP_FAILED) {
      data_ = static_cast<const unsigned char*>(at);
      mapped_ = true;
    } else {
      // No mapping here: the bytes, read.
      copy_ = std::make_unique_for_overwrite<unsigned char[]>(size_);
      std::size_t got = 0;
      while (got < size_) {
        const ssize_t r = ::pread(fd, copy_.get() + got, size_ - got, static_cast<off_t>(got));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) {
          error = r < 0 ? errno : 0;
          break;
        }
        got += static_cast<std::size_t>(r);
      }
      size_ = got;
      data_ = copy_.get();
      ok = error == 0;
    }
  }
  ::close(fd);
  if (!ok) Close();
  return ok;
}

void MappedFile::Close() {
  if (mapped_) ::munmap(const_cast<unsigned char*>(data_), size_);
  mapped_ = false;
  copy_.reset();
  data_ = nullptr;
  size_ = 0;
}

}  // namespace cfv
