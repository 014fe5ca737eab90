// MappedFile: a custom file mapped into memory, for work that reads every
// byte of many files and copies none (comparing two versions): the pages
// come straight from the system's file cache.
//
// A file that another program cuts short while it is mapped would kill the
// process (SIGBUS) at the first touch of a page past its new end. Every read
// of mapped bytes therefore goes through ReadMapped, which turns that fault
// into a failed read: the work goes on with the next file.
//
// Where a file cannot be mapped (some file systems), its bytes are read into
// memory instead; either way bytes() is the whole file.
//
// Thread: one user per object; ReadMapped guards the calling thread.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <span>

namespace cfv {

class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile() { Close(); }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // Maps the regular file at `path` (closing what was open). False when it
  // cannot be opened or read, with the system's error number in `error`
  // (0: it is no regular file).
  bool Open(const std::filesystem::path& path, int& error);
  void Close();

  std::span<const unsigned char> bytes() const { return {data_, size_}; }

 private:
  const unsigned char* data_ = nullptr;
  std::size_t size_ = 0;
  bool mapped_ = false;
  std::unique_ptr<unsigned char[]> copy_;  // when the file could not be mapped
};

namespace mapped_detail {
struct Guard {
  sigjmp_buf jump;
};
// Makes `guard` the calling thread's (null: none), installing the fault
// handler the first time.
void Arm(Guard* guard);
}  // namespace mapped_detail

// Runs `read`, which reads mapped bytes; false when a mapped page could not
// be read (the file was cut short meanwhile). `read` may not hold objects
// with destructors of their own across its reads of mapped bytes (a failed
// read leaves it without unwinding), nor call ReadMapped.
template <typename Read>
bool ReadMapped(Read&& read) {
  mapped_detail::Guard guard;
  if (sigsetjmp(guard.jump, 0) != 0) {
    mapped_detail::Arm(nullptr);
    return false;
  }
  mapped_detail::Arm(&guard);
  read();
  mapped_detail::Arm(nullptr);
  return true;
}

}  // namespace cfv
