// The loader's walk over a list of entries, for any file-like source: the
// loader reads custom files through CustomFile, the writer checks the file
// it is about to write through its planned bytes with this same walk, so
// both see exactly what readers will see.
//
// File needs: Position(), ReadZeroed(out, n) (false on an I/O error; zeros
// past the end), ReadError() (the errno of the failed read), Move(int32
// distance) (false before the start).
#pragma once

#include <cstdint>

#include "containers/entry_header.h"
#include "containers/loader.h"

namespace cfv {

// ParseEntryList's steps (see loader.h) over `file`.
template <typename File>
void ParseEntryListOf(ParseState& state, File& file, std::uint32_t blockSize, ItemId parent, unsigned level) {
  if (blockSize == 0) return;
  // 64 bits: a 32-bit count could wrap on a file near 4 GiB and never end.
  std::uint64_t consumed = 0;
  while (consumed < blockSize) {
    unsigned char header[kEntryHeaderSize];
    const std::uint64_t candidate = file.Position();
    const bool read = file.ReadZeroed(header, sizeof header);
    state.parseOffset += kEntryHeaderSize;
    if (!read) {
      state.readError = file.ReadError();
      return;
    }
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
      ParseEntryListOf(state, file, payload, item, level + 1);
    } else {
      // Too deep to nest further: take it as a leaf and step over its payload.
      file.Move(static_cast<std::int32_t>(payload));
      state.parseOffset += payload;
    }
    consumed += size;
  }
}

}  // namespace cfv
