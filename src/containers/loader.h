// The loader: reads one custom file's entry headers into an EntryTree.
//
// A custom file is accepted when its first 50 bytes form a usable entry
// header; it then becomes one root item (text = the path as given, data 0)
// with one item per entry beneath it, nested as the entries nest,
// each carrying the file offset of its header. Only headers are read (50
// bytes per entry and 50 at the start of each non-empty payload); payloads
// are stepped over.
//
// Malformed input never crashes or hangs the loader: a list ends at the first
// bytes that are no header, at a read error and at the end of the file;
// headers with sizes 1 to 49 count as no header; entries nested deeper than
// kMaxNestingDepth levels are taken as leaves (their payload is stepped over);
// past the end of the file the reading moves on over zeros, so the file
// position always equals parseOffset and no header is read twice.
//
// Thread: any thread; shares nothing between calls.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string_view>

#include "containers/entry_tree.h"

namespace cfv {

class CustomFile;

// Entry items nest at most this deep below a root item.
inline constexpr unsigned kMaxNestingDepth = 64;

// What ParseEntryList carries through one file.
struct ParseState {
  EntryTree& tree;
  // The loader's count of the bytes it has moved through (modulo 2^32): an
  // entry item's data is parseOffset - 50 taken just after its header was
  // read. In a well-formed file it equals the file position at every header.
  std::uint32_t parseOffset = 0;
};

// Parses the block of `blockSize` bytes at the file's position as a list of
// entries, appending an item under `parent` for each. `level` is the nesting
// level of the list's entries (1 for the top-level list).
void ParseEntryList(ParseState& state, CustomFile& file, std::uint32_t blockSize, ItemId parent,
                    unsigned level);

// Loads the file at `path` into `tree` when it is a custom file: appends a
// root item whose text is `rootText` and parses the file beneath it. Returns
// true when a root item was appended. Does nothing and returns false when
// `abortRequested` is set, when the file cannot be opened or is no regular
// file, and when its first header is not usable. When the file exists but
// cannot be opened (no permission) or its first bytes cannot be read, the
// system's error number is stored in `*readError` when given (0 otherwise).
bool LoadCustomFile(const std::filesystem::path& path, std::string_view rootText, EntryTree& tree,
                    const std::atomic<bool>* abortRequested = nullptr, int* readError = nullptr);

// The same from a custom file already open (or in memory), read from its
// start.
bool LoadCustomFile(CustomFile& file, std::string_view rootText, EntryTree& tree, int* readError = nullptr);

}  // namespace cfv
