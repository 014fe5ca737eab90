#include "containers/loader.h"

#include <cerrno>

#include "containers/custom_file.h"
#include "containers/entry_header.h"

namespace cfv {

void ParseEntryList(ParseState& state, CustomFile& file, std::uint32_t blockSize, ItemId parent,
                    unsigned level) {
  if (blockSize == 0) return;
  // 64 bits: a 32-bit count could wrap on a file near 4 GiB and never end.
  std::uint64_t consumed = 0;
  while (consumed < blockSize) {
    unsigned char header[kEntryHeaderSize];
    const std::uint64_t candidate = file.Position();
    const bool read = file.ReadZeroed(header, sizeof header);
    state.parseOffset += kEntryHeaderSize;
    if (!read) return;
    // At the end of the file the read comes up short. Step over the whole
    // candidate anyway, as parseOffset does: the bytes past the end read as
    // zeros. Otherwise a later backward move (a block shorter than 50) lands
    // on a header cut by the end of the file, which is then read again and
    // again, millions of times within a large block.
    file.Move(static_cast<std::int32_t>(candidate + kEntryHeaderSize - file.Position()));
    if (!IsUsableEntryHeader(header)) {
      // No header: step over the rest of the block, measured from the end of
      // this candidate. This ends the list.
      const std::uint32_t distance = blockSize - static_cast<std::uint32_t>(kEntryHeaderSize);
      file.Move(static_cast<std::int32_t>(distance));
      state.parseOffset += distance;
      return;
    }
    const ItemId item = state.tree.AppendNameFieldItem(parent, header, kNameFieldSize);
    state.tree.SetData(item, state.parseOffset - static_cast<std::uint32_t>(kEntryHeaderSize));
    const auto size = static_cast<std::uint32_t>(HeaderSizeValue(header));
    const std::uint32_t payload = size - static_cast<std::uint32_t>(kEntryHeaderSize);
    if (level < kMaxNestingDepth) {
      ParseEntryList(state, file, payload, item, level + 1);
    } else {
      // Too deep to nest further: take it as a leaf and step over its payload.
      file.Move(static_cast<std::int32_t>(payload));
      state.parseOffset += payload;
    }
    consumed += size;
  }
}

bool LoadCustomFile(const std::filesystem::path& path, std::string_view rootText, EntryTree& tree,
                    const std::atomic<bool>* abortRequested, int* readError) {
  if (readError != nullptr) *readError = 0;
  if (abortRequested != nullptr && abortRequested->load(std::memory_order_relaxed)) return false;
  CustomFile file(path);
  if (!file.IsOpen()) {
    if (readError != nullptr) *readError = file.OpenError();
    return false;
  }
  return LoadCustomFile(file, rootText, tree, readError);
}

bool LoadCustomFile(CustomFile& file, std::string_view rootText, EntryTree& tree, int* readError) {
  if (readError != nullptr) *readError = 0;
  file.MoveTo(0);
  unsigned char first[kEntryHeaderSize];
  if (!file.ReadZeroed(first, sizeof first)) {
    if (readError != nullptr) *readError = errno;
    return false;
  }
  if (!IsUsableEntryHeader(first)) return false;
  file.MoveTo(0);
  const ItemId root = tree.AppendItem(kNoItem, rootText);
  ParseState state{tree, 0};
  ParseEntryList(state, file, static_cast<std::uint32_t>(file.Length()), root, 1);
  return true;
}

}  // namespace cfv
