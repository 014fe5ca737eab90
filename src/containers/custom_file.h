// CustomFile: a custom file open for reading, with the few operations the
// loader and the extraction need, in the semantics they rely on:
//   - ReadZeroed(n) zeroes the buffer, reads up to n bytes at the position and
//     moves past what it read; at the end of the file it succeeds with fewer
//     bytes or none; it fails only on an I/O error.
//   - ReadError() then says which: the system's error number of the last
//     read that failed. Every reader checks the result of each read: a read
//     error is a failure with that reason, never data (the bytes not read
//     are zeros, which would pass for content).
//   - Move(distance) moves from the current position by a signed 32-bit
//     distance; a move before the start fails and leaves the position
//     unchanged; a move past the end is allowed.
// Header reads go through a read-ahead buffer whose size adapts: when entries
// are small one system call serves many headers, and when they are large the
// payloads stepped over are not read. Payload reads go straight to the file.
//
// Only regular files open: a folder, a FIFO or a device does not (opening a
// FIFO would otherwise block the loader forever).
//
// Ownership: owns its descriptor, closed by the destructor. Thread: one user.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <span>

namespace cfv {

class CustomFile {
 public:
  enum class Access { kScan, kOneRead };
  // Opens `path` for reading. kScan (the loader) gives the system a
  // sequential-scan hint; kOneRead (one entry's extraction: a header and a
  // payload) spares that system call. Check IsOpen().
  explicit CustomFile(const std::filesystem::path& path, Access access = Access::kScan);
  // Reads the regular file open as `fd` through a descriptor of its own (the
  // caller keeps `fd`): a file that is locked, or not yet named.
  explicit CustomFile(int fd);
  // A custom file already in memory: `image` (which must outlive this) is
  // the whole file, and reading it makes no system call.
  explicit CustomFile(std::span<const unsigned char> image);
  ~CustomFile();
  CustomFile(const CustomFile&) = delete;
  CustomFile& operator=(const CustomFile&) = delete;

  bool IsOpen() const { return fd_ >= 0 || inMemory_; }
  // Why the file did not open: the system's error number when it exists but
  // cannot be opened (no permission, ...), 0 when it is no regular file.
  int OpenError() const { return openError_; }
  // The file's length in bytes, as it was when opened.
  std::uint64_t Length() const { return length_; }
  std::uint64_t Position() const { return position_; }
  // The system's error number of the last read of the open file that
  // failed (EIO, ...), 0 while none has.
  int ReadError() const { return readError_; }

  // Zeroes out[0..n), reads up to n bytes through the read-ahead buffer.
  // Returns false only on an I/O error (the buffer is then all zero).
  bool ReadZeroed(unsigned char* out, std::size_t n) {
    // The usual case, inline: the bytes are in the read-ahead buffer.
    if (bufferSize_ != 0 && position_ >= bufferStart_ && position_ + n <= bufferStart_ + bufferSize_) {
      std::memcpy(out, view_ + (position_ - bufferStart_), n);
      position_ += n;
      ++headersFromLastFill_;
      return true;
    }
    return ReadZeroedSlow(out, n);
  }
  // Reads up to n bytes directly from the file (for payloads); the bytes not
  // read are zero afterwards (left alone when `outIsZeroed` says they are
  // already, so a huge zero buffer is not touched). Returns false only on an
  // I/O error.
  bool ReadDirect(unsigned char* out, std::size_t n, bool outIsZeroed = false);
  // Reads up to n bytes at `at` from the file, past the read-ahead buffer
  // and without moving the position. Returns the number read (fewer only at
  // the end of the file), or -1 on an I/O error with errno saying why.
  long long ReadAt(std::uint64_t at, unsigned char* out, std::size_t n);
  // Moves by `distance` from the current position. Fails, leaving the
  // position unchanged, when it would land before the start.
  bool Move(std::int32_t distance) {
    if (distance < 0 && static_cast<std::uint64_t>(-static_cast<std::int64_t>(distance)) > position_) {
      return false;
    }
    position_ = static_cast<std::uint64_t>(static_cast<std::int64_t>(position_) + distance);
    return true;
  }
  // Moves to `offset` from the start (offsets in custom files are 32-bit
  // unsigned, 2 GiB and above included); a move past the end is allowed.
  void MoveTo(std::uint32_t offset) { position_ = offset; }

 private:
  bool ReadZeroedSlow(unsigned char* out, std::size_t n);
  bool Fill(std::uint64_t at, std::size_t want);

  int fd_ = -1;
  int openError_ = 0;
  int readError_ = 0;
  std::uint64_t length_ = 0;
  std::uint64_t position_ = 0;
  // Read-ahead: bytes [bufferStart_, bufferStart_ + bufferSize_) of the file
  // at view_: in buffer_, or the whole file in memory.
  std::unique_ptr<unsigned char[]> buffer_;
  const unsigned char* view_ = nullptr;
  bool inMemory_ = false;
  std::uint64_t bufferStart_ = 0;
  std::size_t bufferSize_ = 0;
  std::size_t readAhead_ = 4096;
  unsigned headersFromLastFill_ = 0;
};

}  // namespace cfv
