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

// `result` (an ExtractResult or EntryFacts) failed by the last read error
// of `file`.
template <typename Result>
void SetReadFailed(Result& result, const CustomFile& file) {
  result.error = ExtractError::kReadFailed;
  result.systemError = file.ReadError();
}

// Reads the header at `offset` with `read` (the file's position then past
// it): the payload's length as the file holds it (its size field less the
// header, cut at the end of the file: a cut-off or hostile size field must
// not turn a few bytes into gigabytes), or nothing, with the reason in
// `result`.
template <typename Result, typename Read>
std::optional<std::size_t> ReadPayloadLength(CustomFile& file, std::uint32_t offset, Read&& read,
                                             Result& result) {
  // The whole unsigned offset: a signed seek would fail at 2 GiB and above
  // and read the entry at offset 0 instead, under this entry's name.
  file.MoveTo(offset);
  unsigned char header[kEntryHeaderSize];
  if (!read(header, sizeof header, false)) {
    SetReadFailed(result, file);
    return std::nullopt;
  }
  const std::uint64_t size = HeaderSizeValue(header);
  // A ten-digit size field is no header at all; taking it would size the
  // payload buffer at up to 10 GB for a file that holds nothing of it.
  if (size < kEntryHeaderSize || size > kMaxEntrySize) {
    result.error = ExtractError::kBadHeader;
    return std::nullopt;
  }
  const std::uint64_t payloadStart = std::uint64_t{offset} + kEntryHeaderSize;
  const std::uint64_t present = file.Length() > payloadStart ? file.Length() - payloadStart : 0;
  return static_cast<std::size_t>(std::min(size - kEntryHeaderSize, present));
}

// Reads the entry at `offset` into `payload` (its header and payload read by
// `read`, false on a read error) and sets `view` on its data: the payload
// itself, or the thread's inflate buffer. False with the reason in `result`.
template <typename Result, typename Read>
bool ReadAndView(CustomFile& file, std::uint32_t offset, Read&& read, Result& result, EntryData& payload,
                 DataView& view) {
  const std::optional<std::size_t> payloadLength = ReadPayloadLength(file, offset, read, result);
  if (!payloadLength) return false;
  payload = EntryData(*payloadLength);
  if (payload.size() != *payloadLength) {
    result.error = ExtractError::kBadHeader;
    return false;
  }
  // The payload buffer doubles as the data when the payload does not inflate.
  if (!read(payload.data(), *payloadLength, /*outIsZeroed=*/true)) {
    SetReadFailed(result, file);
    return false;
  }
  result.storedLength = *payloadLength;
  unsigned char* scratch = MayBeStream(payload.data(), *payloadLength) ? InflateScratch() : nullptr;
  view = scratch != nullptr ? PayloadData(payload.data(), *payloadLength, scratch)
                            : DataView{payload.data(), *payloadLength, Compression::kNone};
  return true;
}

// The entry at `offset`, its data copied out of the inflate buffer.
template <typename Read>
ExtractResult ExtractFrom(CustomFile& file, std::uint32_t offset, Read&& read) {
  ExtractResult result;
  EntryData payload;
  DataView view;
  if (!ReadAndView(file, offset, read, result, payload, view)) return result;
  if (view.bytes != payload.data()) {
    EntryData data(view.size);
    if (data.size() == view.size) {
      std::memcpy(data.data(), view.bytes, view.size);
      result.data = std::move(data);
      result.compression = view.compression;
      return result;
    }
  }
  result.data = std::move(payload);
  return result;
}

// Small payloads come through the read-ahead buffer, large ones directly.
auto ReaderOf(CustomFile& file) {
  return [&file](unsigned char* out, std::size_t n, bool zeroed) {
    constexpr std::size_t kBuffered = 64 * 1024;
    return n <= kBuffered ? file.ReadZeroed(out, n) : file.ReadDirect(out, n, zeroed);
  };
}

}  // namespace

std::optional<std::uint64_t> StoredPayloadLength(const std::filesystem::path& path, std::uint32_t offset) {
  CustomFile file(path, CustomFile::Access::kOneRead);
  if (!file.IsOpen()) return std::nullopt;
  ExtractResult unused;
  return ReadPayloadLength(
      file, offset, [&](unsigned char* out, std::size_t n, bool) { return file.ReadDirect(out, n); }, unused);
}

ExtractResult ExtractEntry(const std::filesystem::path& path, std::uint32_t offset) {
  // An export extracts entry after entry: each costs only open, two reads
  // and close.
  CustomFile file(path, CustomFile::Access::kOneRead);
  if (!file.IsOpen()) {
    ExtractResult result;
    result.systemError = file.OpenError();
    return result;
  }
  return ExtractFrom(file, offset, [&](unsigned char* out, std::size_t n, bool zeroed) {
    return file.ReadDirect(out, n, zeroed);
  });
}

ExtractResult ExtractItem(const EntryTree& tree, ItemId item) {
  if (const LeafContent* held = tree.Held(item)) {
    ExtractResult result;
    EntryData data(held->data.size());
    if (data.size() != held->data.size()) return result;
    if (!held->data.empty()) std::memcpy(data.data(), held->data.data(), held->data.size());
    result.data = std::move(data);
    result.compression = held->compression;
    result.storedLength = held->payload.size();
    return result;
  }
  return ExtractEntry(std::filesystem::path(std::string(tree.Text(tree.RootOf(item)))), tree.Data(item));
}

ExtractResult ExtractEntry(CustomFile& file, std::uint32_t offset) {
  return ExtractFrom(file, offset, ReaderOf(file));
}

EntryView ViewEntry(CustomFile& file, std::uint32_t offset) {
  EntryView entry;
  entry.ok = ReadAndView(file, offset, ReaderOf(file), entry, entry.payload, entry.data);
  return entry;
}

EntryFacts InspectEntry(CustomFile& file, std::uint32_t offset, unsigned char* head,
                        std::size_t headCapacity) {
  EntryFacts facts;
  const auto buffered = [&](unsigned char* out, std::size_t n, bool) { return file.ReadZeroed(out, n); };
  const std::optional<std::size_t> payloadLength = ReadPayloadLength(file, offset, buffered, facts);
  if (!payloadLength) return facts;
  const std::size_t headLength = std::min(*payloadLength, headCapacity);
  if (!file.ReadZeroed(head, headLength)) {
    SetReadFailed(facts, file);
    return facts;
  }
  std::memset(head + headLength, 0, kZeroTail);
  facts.storedLength = *payloadLength;
  facts.length = *payloadLength;
  facts.ok = true;
  if (!MayBeStream(head, headLength)) return facts;

  // The whole payload, in a buffer kept by the thread.
  thread_local std::vector<unsigned char> payload;
  payload.resize(*payloadLength);
  std::memcpy(payload.data(), head, headLength);
  const std::size_t rest = *payloadLength - headLength;
  const bool read = rest <= 64 * 1024 ? file.ReadZeroed(payload.data() + headLength, rest)
                                      : file.ReadDirect(payload.data() + headLength, rest);
  if (!read) {
    facts.ok = false;
    SetReadFailed(facts, file);
    return facts;
  }
  unsigned char* scratch = InflateScratch();
  if (scratch == nullptr) return facts;
  const std::size_t length = InflatePayload(scratch, kInflateLimit, payload.data(), *payloadLength);
  if (length == 0) return facts;
  facts.length = length;
  facts.compression = payload[0] == 0x1F ? Compression::kGzip : Compression::kZlib;
  const std::size_t dataHead = std::min(length, headCapacity);
  std::memcpy(head, scratch, dataHead);
  std::memset(head + dataHead, 0, kZeroTail);
  return facts;
}

DataView PayloadData(const unsigned char* payload, std::size_t payloadLength, unsigned char* scratch) {
  if (MayBeStream(payload, payloadLength)) {
    const std::size_t length = InflatePayload(scratch, kInflateLimit, payload, payloadLength);
    if (length != 0) return {scratch, length, payload[0] == 0x1F ? Compression::kGzip : Compression::kZlib};
  }
  return {payload, payloadLength, Compression::kNone};
}

ExtractResult DecodePayload(const unsigned char* payload, std::size_t length) {
  ExtractResult result;
  result.storedLength = length;
  unsigned char* scratch = InflateScratch();
  const DataView view = scratch != nullptr ? PayloadData(payload, length, scratch)
                                           : DataView{payload, length, Compression::kNone};
  EntryData data(view.size);
  if (data.size() != view.size) return result;
  if (view.size != 0) std::memcpy(data.data(), view.bytes, view.size);
  result.data = std::move(data);
  result.compression = view.compression;
  return result;
}

}  // namespace cfv
