// PayloadReader: the payloads of many entries of one custom file, as stored,
// for work that reads them all (comparing two versions, searching data).
//
// Reads go through one buffer in blocks: entries visited in file order cost
// about one system call per block whatever their size, and each jump to
// another place makes the next block smaller, so entries visited out of
// order do not read much more than themselves. A payload is in view until
// the next call.
//
// A payload is what the file holds of it (cut at the end of the file), as
// ExtractEntry reads it. One reader serves file after file (Open), keeping
// its buffer. Thread: one user.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>

#include "containers/custom_file.h"

namespace cfv {

// Why a payload could not be had: the system's error number of a failed
// read, or kNoEntryHeader when the bytes at the offset give no entry size
// (the file changed after its tree was loaded).
inline constexpr int kNoEntryHeader = 0;

class PayloadReader {
 public:
  PayloadReader() = default;
  PayloadReader(const PayloadReader&) = delete;
  PayloadReader& operator=(const PayloadReader&) = delete;

  // Opens `path` (closing the file open before). False when it cannot be
  // opened, with the system's error number in `error` (0: it is no regular
  // file).
  bool Open(const std::filesystem::path& path, int& error);

  // The payload of the entry whose header is at `offset`. False on failure,
  // with the reason in `error` (a system error number or kNoEntryHeader).
  bool Payload(std::uint32_t offset, std::span<const unsigned char>& payload, int& error);

 private:
  // Bytes [at, at + n) of the file, zero past its end; null on a read error.
  const unsigned char* Fetch(std::uint64_t at, std::size_t n, int& error);

  std::optional<CustomFile> file_;
  std::unique_ptr<unsigned char[]> buffer_;
  std::size_t capacity_ = 0;
  std::uint64_t start_ = 0;  // file offset of buffer_[0]
  std::size_t filled_ = 0;   // bytes of the file held from start_
  std::size_t block_ = 0;
};

}  // namespace cfv
