// Fuzz target: ExtractEntry on any file at any offset, then the detection
// and classification of what it returns.
//
// Input: 4 bytes of header offset (little-endian), then the file's bytes.
// Besides crashes, hangs and leaks it checks: the data is always followed
// by zero bytes; a size field outside 50..999,999,999 is refused; a payload
// without a zlib or gzip header is returned as stored, cut where the file
// ends (no padding); the name without extension correction is base + extension.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "containers/entry_header.h"
#include "containers/extract.h"
#include "export/output_name.h"
#include "preview/classify.h"
#include "scratch_file.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
  }
}

// Byte `at` of the file, zero beyond its end.
unsigned char ByteAt(const std::uint8_t* file, std::size_t size, std::uint64_t at) {
  return at < size ? file[at] : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  std::uint32_t offset = 0;
  for (int i = 3; i >= 0; --i) offset = (offset << 8) | data[i];
  const std::uint8_t* file = data + 4;
  const std::size_t fileSize = size - 4;
  const auto& path = cfv::fuzz::WriteScratch(file, fileSize);

  const std::uint64_t at = offset;
  unsigned char header[cfv::kEntryHeaderSize];
  for (std::size_t i = 0; i < sizeof header; ++i) header[i] = ByteAt(file, fileSize, at + i);
  const std::uint64_t sizeValue = cfv::HeaderSizeValue(header);

  const cfv::ExtractResult result = cfv::ExtractEntry(path, offset);
  if (!result) {
    Check(result.error == cfv::ExtractError::kBadHeader, "the scratch file opens");
    Check(sizeValue < 50 || sizeValue > cfv::kMaxEntrySize, "only a size out of range is refused");
    return 0;
  }
  Check(sizeValue >= 50 && sizeValue <= cfv::kMaxEntrySize, "a size out of range is refused");
  const cfv::EntryData& entry = *result.data;
  const unsigned char* bytes = entry.data();
  const std::size_t length = entry.size();
  for (std::size_t i = 0; i < cfv::kZeroTail; ++i) Check(bytes[length + i] == 0, "zero bytes after the data");

  // The payload holds what the file has of it, never more.
  const std::uint64_t payloadStart = at + 50;
  const std::uint64_t present = fileSize > payloadStart ? fileSize - payloadStart : 0;
  const std::uint64_t payloadLength = std::min<std::uint64_t>(sizeValue - 50, present);
  const unsigned char p0 = ByteAt(file, fileSize, at + 50);
  const unsigned char p1 = ByteAt(file, fileSize, at + 51);
  const bool streamHeader =
      payloadLength >= 2 && ((p0 == 0x1F && p1 == 0x8B) || ((p0 & 0x0F) == 8 && ((p0 << 8) | p1) % 31 == 0));
  if (!streamHeader) {
    // No zlib or gzip header: nothing inflates, the data is the payload as
    // stored, as far as the file holds it.
    Check(length == payloadLength, "stored payload at the length the file holds");
    for (std::uint64_t i = 0; i < length; ++i) {
      Check(bytes[i] == ByteAt(file, fileSize, at + 50 + i), "stored payload bytes");
    }
  } else {
    Check(length <= std::max<std::uint64_t>(payloadLength, cfv::kInflateLimit),
          "inflated output within the limit");
  }

  const std::string name = cfv::HeaderName(header);
  const cfv::SplitName split = cfv::SplitEntryName(name);
  Check(cfv::OutputFileName(name, bytes, length, false) == split.base + split.extension, "name kept");
  const std::string corrected = cfv::OutputFileName(name, bytes, length, true);
  Check(corrected.rfind(split.base, 0) == 0, "corrected name keeps the base");
  const cfv::PreviewClass kind = cfv::ClassifyPreview(bytes, length, name);
  Check(kind.kind != cfv::PreviewKind::kSound || kind.device != cfv::SoundDevice::kNone,
        "a sound has a device");
  return 0;
}
