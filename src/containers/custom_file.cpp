#include "containers/custom_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace cfv {
namespace {

constexpr std::size_t kMinReadAhead = 512;
constexpr std::size_t kMaxReadAhead = 64 * 1024;
// Headers further apart than this, on average, are read one fill each: a
// system call costs less than copying the payload bytes between them.
constexpr std::uint64_t kDenseStride = 8 * 1024;

// pread that retries on EINTR and short reads; returns the bytes read
// before the end of the file or an error (`*error`, else 0).
std::size_t PreadUpTo(int fd, unsigned char* out, std::size_t n, std::uint64_t at, int* error) {
  std::size_t got = 0;
  *error = 0;
  while (got < n) {
    const ssize_t r = ::pread(fd, out + got, n - got, static_cast<off_t>(at + got));
    if (r < 0) {
      if (errno == EINTR) continue;
      *error = errno;
      break;
    }
    if (r == 0) break;
    got += static_cast<std::size_t>(r);
  }
  return got;
}

// The same, all or nothing: the bytes read, or -1 (errno set) on an error.
long long PreadAll(int fd, unsigned char* out, std::size_t n, std::uint64_t at) {
  int error = 0;
  const std::size_t got = PreadUpTo(fd, out, n, at, &error);
  if (error != 0) {
    errno = error;
    return -1;
  }
  return static_cast<long long>(got);
}

}  // namespace

CustomFile::CustomFile(const std::filesystem::path& path, Access access) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    openError_ = errno;
    return;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return;
  }
  fd_ = fd;
  length_ = static_cast<std::uint64_t>(st.st_size);
  if (access == Access::kScan) ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
}

CustomFile::CustomFile(int fd) {
  const int own = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
  struct stat st {};
  if (own < 0 || ::fstat(own, &st) != 0 || !S_ISREG(st.st_mode)) {
    openError_ = own < 0 ? errno : 0;
    if (own >= 0) ::close(own);
    return;
  }
  fd_ = own;
  length_ = static_cast<std::uint64_t>(st.st_size);
}

CustomFile::CustomFile(std::span<const unsigned char> image)
    : length_(image.size()), view_(image.data()), inMemory_(true), bufferSize_(image.size()) {}

CustomFile::~CustomFile() {
  if (fd_ >= 0) ::close(fd_);
}

bool CustomFile::Fill(std::uint64_t at, std::size_t want) {
  // Adapt the read-ahead: grow while one fill serves several headers close
  // together, shrink when each fill serves only one or the headers it
  // served lie far apart (large entries: do not read payloads; an entry of
  // any size takes two reads, its header and the candidate header at the
  // start of its payload).
  const bool dense = headersFromLastFill_ >= 2 && at > bufferStart_ &&
                     (at - bufferStart_) / headersFromLastFill_ <= kDenseStride;
  if (dense) {
    readAhead_ = std::min(kMaxReadAhead, readAhead_ * 2);
  } else if (bufferSize_ != 0) {
    readAhead_ = std::max(kMinReadAhead, readAhead_ / 2);
  }
  headersFromLastFill_ = 0;
  if (!buffer_) buffer_ = std::make_unique_for_overwrite<unsigned char[]>(kMaxReadAhead);
  view_ = buffer_.get();
  const std::size_t size = std::max(want, readAhead_);
  int error = 0;
  const std::size_t got = PreadUpTo(fd_, buffer_.get(), size, at, &error);
  // The read-ahead past what is wanted is a guess: an error there (a bad
  // sector further on) fails only a read that needs those bytes.
  if (error != 0 && got < want) {
    readError_ = error;
    bufferSize_ = 0;
    return false;
  }
  bufferStart_ = at;
  bufferSize_ = got;
  return true;
}

bool CustomFile::ReadZeroedSlow(unsigned char* out, std::size_t n) {
  std::memset(out, 0, n);
  if (inMemory_) {
    // Only a read that runs past the end of the file comes here.
    position_ += static_cast<std::uint64_t>(ReadAt(position_, out, n));
    return true;
  }
  if (fd_ < 0) return false;
  if (n > kMaxReadAhead) return ReadDirect(out, n);
  const bool inBuffer = position_ >= bufferStart_ && position_ + n <= bufferStart_ + bufferSize_;
  if (!inBuffer) {
    if (position_ >= length_) {
      // At or past the end: a successful read of nothing.
      return true;
    }
    if (!Fill(position_, n)) return false;
  }
  const std::size_t from = static_cast<std::size_t>(position_ - bufferStart_);
  const std::size_t available = bufferSize_ > from ? std::min(n, bufferSize_ - from) : 0;
  std::memcpy(out, buffer_.get() + from, available);
  position_ += available;
  ++headersFromLastFill_;
  return true;
}

bool CustomFile::ReadDirect(unsigned char* out, std::size_t n, bool outIsZeroed) {
  long long got = -1;
  // Nothing lies past the end: do not ask for it.
  const std::size_t want =
      position_ >= length_ ? 0 : static_cast<std::size_t>(std::min<std::uint64_t>(n, length_ - position_));
  if (inMemory_) got = ReadAt(position_, out, want);
  if (fd_ >= 0) got = want == 0 ? 0 : PreadAll(fd_, out, want, position_);
  const std::size_t filled = got > 0 ? static_cast<std::size_t>(got) : 0;
  if (!outIsZeroed) std::memset(out + filled, 0, n - filled);
  if (got < 0) {
    readError_ = errno;
    if (!outIsZeroed) std::memset(out, 0, n);
    return false;
  }
  position_ += filled;
  return true;
}

long long CustomFile::ReadAt(std::uint64_t at, unsigned char* out, std::size_t n) {
  if (inMemory_) {
    const auto available =
        at < length_ ? static_cast<std::size_t>(std::min<std::uint64_t>(n, length_ - at)) : std::size_t{0};
    if (available != 0) std::memcpy(out, view_ + at, available);
    return static_cast<long long>(available);
  }
  if (fd_ < 0) {
    errno = EBADF;
    return -1;
  }
  return PreadAll(fd_, out, n, at);
}

}  // namespace cfv
