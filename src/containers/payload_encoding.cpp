#include "containers/payload_encoding.h"

#include <zlib.h>

#include <cstring>

#include "containers/entry_header.h"

namespace cfv {

std::string EncodePayload(std::string_view data, Compression compression) {
  if (compression == Compression::kNone) return std::string(data);
  z_stream stream{};
  const int windowBits = compression == Compression::kGzip ? 15 + 16 : 15;
  if (deflateInit2(&stream, 6, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK) return {};
  gz_header header{};
  header.os = 3;  // Unix, whatever system writes it
  if (compression == Compression::kGzip) deflateSetHeader(&stream, &header);
  std::string out(deflateBound(&stream, data.size()) + 64, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int rc = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return rc == Z_STREAM_END ? out : std::string();
}

LeafTrap CheckLeafPayload(std::string_view payload, std::string_view data, Compression compression) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(payload.data());
  if (payload.size() >= kEntryHeaderSize && IsUsableEntryHeader(bytes)) return LeafTrap::kReadsAsBranch;
  const ExtractResult back = DecodePayload(bytes, payload.size());
  if (back.compression != compression)
    return compression == Compression::kNone ? LeafTrap::kReadsInflated : LeafTrap::kReadsStored;
  // The same way of storing: only a payload that does not decode at all
  // (no memory) can still differ.
  if (!back.data || back.data->size() != data.size() ||
      (!data.empty() && std::memcmp(back.data->data(), data.data(), data.size()) != 0))
    return LeafTrap::kReadsStored;
  return LeafTrap::kNone;
}

const char* LeafTrapText(LeafTrap trap) {
  switch (trap) {
    case LeafTrap::kNone:
      return "reads back as written";
    case LeafTrap::kReadsAsBranch:
      return "its data begins with 50 bytes that form an entry header, so it would read back as a branch";
    case LeafTrap::kReadsInflated:
      return "its data is itself a complete zlib or gzip stream, so stored it would read back inflated "
             "(store it compressed)";
    case LeafTrap::kReadsStored:
      return "compressed it would read back as the compressed bytes (empty data, or more than 64 MiB "
             "inflated); store it uncompressed";
  }
  return "";
}

const char* CompressionName(Compression compression) {
  switch (compression) {
    case Compression::kZlib:
      return "zlib";
    case Compression::kGzip:
      return "gzip";
    case Compression::kNone:
      break;
  }
  return "none";
}

}  // namespace cfv
