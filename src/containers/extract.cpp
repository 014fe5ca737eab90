#include "containers/extract.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "containers/custom_file.h"
#include "containers/entry_header.h"

namespace cfv {

const unsigned char EntryData::kEmpty[kZeroTail] = {};

void EntryData::Free::operator()(unsigned char* p) const { std::free(p); }

// calloc: large buffers come as fresh zero pages, committed only when used.
EntryData::EntryData(std::size_t length)
    : bytes_(static_cast<unsigned char*>(std::calloc(length + kZeroTail, 1))), length_(bytes_ ? length : 0) {}

namespace {

// The 64 MiB inflate target, kept per thread: its pages are committed only
// as far as output is written, and it is not allocated anew for each entry.
unsigned char* InflateScratch() {
  struct Scratch {
    unsigned char* bytes = static_cast<unsigned char*>(std::malloc(kInflateLimit));
    ~Scratch() { std::free(bytes); }
  };
  thread_local Scratch scratch;
  return scratch.bytes;
}

// zlib and gzip streams start with these; anything else cannot inflate, so
// the scratch buffer is not touched for stored payloads.
bool MayBeStream(const unsigned char* p, std::size_t n) {
  if (n < 2) return false;
  if (p[0] == 0x1F && p[1] == 0x8B) return true;
  return (p[0] & 0x0F) == 8 && ((p[0] << 8) | p[1]) % 31 == 0;
}

// The entry at `offset`, its header and payload read by `read` (the file's
// position at the header).
template <typename Read>
ExtractResult ExtractFrom(CustomFile& file, std::uint32_t offset, Read&& read) {
  ExtractResult result;
  // The whole unsigned offset: a signed seek would fail at 2 GiB and above
  // and read the entry at offset 0 instead, under this entry's name.
  file.MoveTo(offset);
  unsigned char header[kEntryHeaderSize];
  read(header, sizeof header, false);
  const std::uint64_t size = HeaderSizeValue(header);
  // A ten-digit size field is no header at all; taking it would size the
  // payload buffer at up to 10 GB for a file that holds nothing of it.
  if (size < kEntryHeaderSize || size > kMaxEntrySize) {
    result.error = ExtractError::kBadHeader;
    return result;
  }
  // The payload holds what the file has of it: a size field that runs past
  // the end of the file (a cut-off or hostile file) must not turn a few bytes
  // into gigabytes of padding.
  const std::uint64_t payloadStart = std::uint64_t{offset} + kEntryHeaderSize;
  const std::uint64_t present = file.Length() > payloadStart ? file.Length() - payloadStart : 0;
  const std::size_t payloadLength = static_cast<std::size_t>(std::min(size - kEntryHeaderSize, present));

  EntryData payload(payloadLength);
  if (payload.size() != payloadLength) {
    result.error = ExtractError::kBadHeader;
    return result;
  }
  // The payload buffer doubles as the data when the payload does not inflate.
  read(payload.data(), payloadLength, /*outIsZeroed=*/true);
  result.storedLength = payloadLength;

  if (MayBeStream(payload.data(), payloadLength)) {
    unsigned char* scratch = InflateScratch();
    if (scratch != nullptr) {
      const std::size_t length = InflatePayload(scratch, kInflateLimit, payload.data(), payloadLength);
      if (length != 0) {
        EntryData data(length);
        if (data.size() == length) {
          std::memcpy(data.data(), scratch, length);
          result.data = std::move(data);
          result.compression = payload.data()[0] == 0x1F ? Compression::kGzip : Compression::kZlib;
          return result;
        }
      }
    }
  }
  result.data = std::move(payload);
  return result;
}

}  // namespace

std::optional<std::uint64_t> StoredPayloadLength(const std::filesystem::path& path, std::uint32_t offset) {
  CustomFile file(path, CustomFile::Access::kOneRead);
  if (!file.IsOpen()) return std::nullopt;
  file.MoveTo(offset);
  unsigned char header[kEntryHeaderSize];
  file.ReadDirect(header, sizeof header);
  const std::uint64_t size = HeaderSizeValue(header);
  if (size < kEntryHeaderSize || size > kMaxEntrySize) return std::nullopt;
  const std::uint64_t payloadStart = std::uint64_t{offset} + kEntryHeaderSize;
  const std::uint64_t present = file.Length() > payloadStart ? file.Length() - payloadStart : 0;
  return std::min(size - kEntryHeaderSize, present);
}

ExtractResult ExtractEntry(const std::filesystem::path& path, std::uint32_t offset) {
  // An export extracts entry after entry: each costs only open, two reads
  // and close.
  CustomFile file(path, CustomFile::Access::kOneRead);
  if (!file.IsOpen()) return ExtractResult();
  return ExtractFrom(
      file, offset, [&](unsigned char* out, std::size_t n, bool zeroed) { file.ReadDirect(out, n, zeroed); });
}

ExtractResult ExtractEntry(CustomFile& file, std::uint32_t offset) {
  // Small payloads come through the read-ahead buffer, large ones directly.
  constexpr std::size_t kBuffered = 64 * 1024;
  return ExtractFrom(file, offset, [&](unsigned char* out, std::size_t n, bool zeroed) {
    if (n <= kBuffered) {
      file.ReadZeroed(out, n);
    } else {
      file.ReadDirect(out, n, zeroed);
    }
  });
}

EntryFacts InspectEntry(CustomFile& file, std::uint32_t offset, unsigned char* head,
                        std::size_t headCapacity) {
  EntryFacts facts;
  file.MoveTo(offset);
  unsigned char header[kEntryHeaderSize];
  file.ReadZeroed(header, sizeof header);
  const std::uint64_t size = HeaderSizeValue(header);
  if (size < kEntryHeaderSize || size > kMaxEntrySize) {
    facts.error = ExtractError::kBadHeader;
    return facts;
  }
  // As ExtractFrom: the payload is what the file has of it.
  const std::uint64_t payloadStart = std::uint64_t{offset} + kEntryHeaderSize;
  const std::uint64_t present = file.Length() > payloadStart ? file.Length() - payloadStart : 0;
  const std::size_t payloadLength = static_cast<std::size_t>(std::min(size - kEntryHeaderSize, present));
  facts.ok = true;
  facts.storedLength = payloadLength;
  facts.length = payloadLength;
  const std::size_t headLength = std::min(payloadLength, headCapacity);
  file.ReadZeroed(head, headLength);
  std::memset(head + headLength, 0, kZeroTail);
  if (!MayBeStream(head, headLength)) return facts;

  // The whole payload, in a buffer kept by the thread.
  thread_local std::vector<unsigned char> payload;
  payload.resize(payloadLength);
  std::memcpy(payload.data(), head, headLength);
  const std::size_t rest = payloadLength - headLength;
  if (rest <= 64 * 1024) {
    file.ReadZeroed(payload.data() + headLength, rest);
  } else {
    file.ReadDirect(payload.data() + headLength, rest);
  }
  unsigned char* scratch = InflateScratch();
  if (scratch == nullptr) return facts;
  const std::size_t length = InflatePayload(scratch, kInflateLimit, payload.data(), payloadLength);
  if (length == 0) return facts;
  facts.length = length;
  facts.compression = payload[0] == 0x1F ? Compression::kGzip : Compression::kZlib;
  const std::size_t dataHead = std::min(length, headCapacity);
  std::memcpy(head, scratch, dataHead);
  std::memset(head + dataHead, 0, kZeroTail);
  return facts;
}

}  // namespace cfv
