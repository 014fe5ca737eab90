// Extraction of one entry's data from its custom file.
//
// ExtractEntry opens the custom file again (the tree keeps only offsets),
// reads the entry header at the offset, reads the payload in one read and
// inflates it in one step when it is a complete zlib or gzip stream whose
// output fits in 64 MiB; otherwise the data is the payload as stored, as far
// as the file holds it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "containers/entry_tree.h"

namespace cfv {

// Inflated output is limited to this many bytes; a stream that would give
// more is returned as stored.
inline constexpr std::size_t kInflateLimit = 64u * 1024 * 1024;
// Zero bytes guaranteed after the data: content tests may read bytes 0..3
// and text conversion stops at the first zero byte.
inline constexpr std::size_t kZeroTail = 8;

// An entry's data: an owning buffer sized to the data and followed by
// kZeroTail zero bytes. Move-only.
class EntryData {
 public:
  EntryData() = default;
  // A zero-filled buffer for `length` bytes of data plus the zero tail. When
  // memory cannot be had the result is empty (size() == 0, data() null).
  explicit EntryData(std::size_t length);

  const unsigned char* data() const { return bytes_ ? bytes_.get() : kEmpty; }
  unsigned char* data() { return bytes_.get(); }
  std::size_t size() const { return length_; }
  bool empty() const { return length_ == 0; }

 private:
  struct Free {
    void operator()(unsigned char* p) const;
  };
  static const unsigned char kEmpty[kZeroTail];
  std::unique_ptr<unsigned char[], Free> bytes_;
  std::size_t length_ = 0;
};

// Why an entry gives no data. With kCannotOpen and kReadFailed the result
// also carries the system's error number (`systemError`, for strerror):
// every reader reports a read error as a failure with that reason, never
// as data.
enum class ExtractError {
  kCannotOpen,  // the custom file cannot be opened (missing, no access, not a file)
  kBadHeader,   // the bytes at the offset give no entry size from 50 to 999,999,999
  kReadFailed,  // reading the header or the payload failed (EIO, ...)
};

// How an entry's payload is stored: a zlib or gzip stream that was
// inflated, or as it stands.
enum class Compression { kNone, kZlib, kGzip };

// A leaf's new content, as an edit gives it: the data it must read back as,
// and the payload that stores it (EncodePayload of the data and the
// compression). Immutable once made; shared by the edit and the tree.
struct LeafContent {
  std::string data;
  std::string payload;
  Compression compression = Compression::kNone;
  // Stored bytes that are themselves a list of entries: they read back as a
  // branch, which is what is meant (a custom file packed as it is).
  bool formsBranch = false;
};

struct ExtractResult {
  std::optional<EntryData> data;
  ExtractError error = ExtractError::kCannotOpen;  // meaningful when !data
  // With kCannotOpen the open's errno (0: no regular file), with
  // kReadFailed the read's; 0 otherwise.
  int systemError = 0;
  Compression compression = Compression::kNone;  // meaningful with data
  std::uint64_t storedLength = 0;                // payload bytes read from the file, with data
  explicit operator bool() const { return data.has_value(); }
};

// Reads the entry whose header is at `offset` (any 32-bit offset, 2 GiB and
// above included) in the custom file at `path`. The header is not validated again beyond its size.
// A payload cut off by the end of the file holds the bytes that are there,
// without padding: an entry's data is at most the bytes the file holds for
// it, or kInflateLimit when it inflates.
// Thread: any; every call opens its own file and owns its buffers.
ExtractResult ExtractEntry(const std::filesystem::path& path, std::uint32_t offset);

// The length of the payload of the entry at `offset` as the file holds it
// (its size field less the header, cut at the end of the file), from the
// header alone: a branch's data, which the loader reads as stored, without
// reading all of it. Nothing when the file cannot be opened or the header
// gives no size from 50 to 999,999,999, or the header cannot be read.
std::optional<std::uint64_t> StoredPayloadLength(const std::filesystem::path& path, std::uint32_t offset);

// The data of `item` of `tree` as the tree shows it: the leaf's held data
// when an edit gave it new data (EntryTree::Held), else the entry read from
// its custom file (the root item's path) at the item's offset.
ExtractResult ExtractItem(const EntryTree& tree, ItemId item);

class CustomFile;
// The same from a custom file already open, through its read-ahead buffer:
// for a caller that reads many entries of one file in order (list --json).
// Moves the file's position. Never fails with kCannotOpen.
ExtractResult ExtractEntry(CustomFile& file, std::uint32_t offset);

// What can be told of an entry without keeping its data: how it is stored,
// its lengths, and its first bytes (as ExtractEntry would give them).
struct EntryFacts {
  ExtractError error = ExtractError::kCannotOpen;  // meaningful when !ok
  int systemError = 0;                             // as ExtractResult's
  bool ok = false;
  Compression compression = Compression::kNone;
  std::uint64_t storedLength = 0;  // payload bytes read from the file
  std::size_t length = 0;          // the data's length, after inflation
};

// ExtractEntry's answer for the entry at `offset` of `file`, with only the
// first `headCapacity` bytes of the data, copied to `head` and followed
// there by kZeroTail zero bytes (`head` holds headCapacity + kZeroTail
// bytes; those past the tail are left as they were). A payload that cannot be a zlib or gzip
// stream is read no further than the head (a read error past it goes unseen); one that may be is read and
// inflated whole, into buffers kept by the thread, so that listing many
// entries allocates nothing per entry. Moves the file's position.
EntryFacts InspectEntry(CustomFile& file, std::uint32_t offset, unsigned char* head,
                        std::size_t headCapacity);

// What extraction gives for a payload held in memory: its data inflated when
// it is a complete zlib or gzip stream whose output fits in kInflateLimit,
// otherwise the payload itself, with the compression that says which. The
// writer's check that new data reads back as meant. Thread: any.
ExtractResult DecodePayload(const unsigned char* payload, std::size_t length);

// Inflates `payload` (zlib or gzip, detected from its header) in one step
// into `out`, at most `capacity` bytes. Returns the number of bytes written,
// or 0 when the payload is not a complete stream whose output fits (bytes
// after the end of the stream are ignored). The answer is zlib's for every
// payload; libdeflate gives it where it is sure to (containers/inflate.cpp).
std::size_t InflatePayload(unsigned char* out, std::size_t capacity, const unsigned char* payload,
                           std::size_t payloadLength);

// An entry's data seen in place: the inflated bytes in a caller's buffer, or
// the payload itself.
struct DataView {
  const unsigned char* bytes = nullptr;
  std::size_t size = 0;
  Compression compression = Compression::kNone;
};

// The data ExtractEntry gives for a payload, without a copy: inflated into
// `scratch` (kInflateLimit bytes, touched only as far as output is written)
// when the payload is a complete zlib or gzip stream whose output fits,
// otherwise the payload as it stands. No zero bytes follow the data.
DataView PayloadData(const unsigned char* payload, std::size_t payloadLength, unsigned char* scratch);

// ExtractEntry's data for the entry at `offset` of `file`, seen where it
// is rather than copied out: in `payload`, or in the thread's inflate
// buffer. For a caller that only passes the data on (cat writes it out):
// `data` is valid while the EntryView lives and the thread extracts nothing
// else. Moves the file's position.
struct EntryView {
  ExtractError error = ExtractError::kCannotOpen;  // meaningful when !ok
  int systemError = 0;                             // as ExtractResult's
  bool ok = false;
  std::uint64_t storedLength = 0;
  DataView data;
  EntryData payload;  // the payload as read
};
EntryView ViewEntry(CustomFile& file, std::uint32_t offset);

}  // namespace cfv
