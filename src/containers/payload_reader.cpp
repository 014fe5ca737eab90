#include "containers/payload_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "containers/entry_header.h"

namespace cfv {
namespace {

constexpr std::size_t kMinBlock = 4 * 1024;
constexpr std::size_t kFirstBlock = 64 * 1024;
// Small enough that the blocks of two files compared stay in the cache.
constexpr std::size_t kMaxBlock = 256 * 1024;

}  // namespace

bool PayloadReader::Open(const std::filesystem::path& path, int& error) {
  file_.emplace(path, CustomFile::Access::kScan);
  start_ = 0;
  filled_ = 0;
  block_ = kFirstBlock;
  error = file_->OpenError();
  return file_->IsOpen();
}

bool PayloadReader::Payload(std::uint32_t offset, std::span<const unsigned char>& payload, int& error) {
  if (!file_) {
    error = EBADF;
    return false;
  }
  const unsigned char* header = Fetch(offset, kEntryHeaderSize, error);
  if (header == nullptr) return false;
  const std::uint64_t size = HeaderSizeValue(header);
  if (size < kEntryHeaderSize || size > kMaxEntrySize) {
    error = kNoEntryHeader;
    return false;
  }
  const std::uint64_t payloadStart = std::uint64_t{offset} + kEntryHeaderSize;
  const std::uint64_t present = file_->Length() > payloadStart ? file_->Length() - payloadStart : 0;
  const std::size_t length = static_cast<std::size_t>(std::min(size - kEntryHeaderSize, present));
  const unsigned char* bytes = Fetch(payloadStart, length, error);
  if (bytes == nullptr) return false;
  payload = {bytes, length};
  return true;
}

const unsigned char* PayloadReader::Fetch(std::uint64_t at, std::size_t n, int& error) {
  if (at >= start_ && at + n <= start_ + filled_) return buffer_.get() + (at - start_);
  // Reading on from about where the last block ended asks for larger
  // blocks; a jump elsewhere (entries visited out of file order) for
  // smaller ones.
  const bool onward = at >= start_ && at <= start_ + filled_ + kMaxBlock;
  block_ = onward ? std::min(kMaxBlock, block_ * 2) : std::max(kMinBlock, block_ / 2);
  // What the buffer holds from `at` on is kept, moved to the front.
  std::size_t kept = 0;
  if (at >= start_ && at < start_ + filled_) kept = static_cast<std::size_t>(start_ + filled_ - at);
  const std::size_t want = std::max(n, block_);
  if (want > capacity_) {
    auto bigger = std::make_unique_for_overwrite<unsigned char[]>(want);
    if (kept != 0) std::memcpy(bigger.get(), buffer_.get() + (at - start_), kept);
    buffer_ = std::move(bigger);
    capacity_ = want;
  } else if (kept != 0) {
    std::memmove(buffer_.get(), buffer_.get() + (at - start_), kept);
  }
  start_ = at;
  filled_ = kept;
  const std::uint64_t end = std::max(file_->Length(), at + kept);
  const std::size_t toRead = static_cast<std::size_t>(std::min<std::uint64_t>(want, end - at) - kept);
  const long long got = toRead == 0 ? 0 : file_->ReadAt(at + kept, buffer_.get() + kept, toRead);
  if (got < 0) {
    error = errno;
    filled_ = 0;
    return nullptr;
  }
  filled_ += static_cast<std::size_t>(got);
  // Past the end of the file the bytes read as zero.
  if (filled_ < n) std::memset(buffer_.get() + filled_, 0, n - filled_);
  return buffer_.get();
}

}  // namespace cfv
