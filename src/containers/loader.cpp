#include "containers/loader.h"

#include "containers/custom_file.h"
#include "containers/entry_header.h"
#include "containers/entry_list_parser.h"

namespace cfv {

void ParseEntryList(ParseState& state, CustomFile& file, std::uint32_t blockSize, ItemId parent,
                    unsigned level) {
  ParseEntryListOf(state, file, blockSize, parent, level);
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
  return LoadOpenCustomFile(file, rootText, tree, readError);
}

bool LoadOpenCustomFile(CustomFile& file, std::string_view rootText, EntryTree& tree, int* readError) {
  if (readError != nullptr) *readError = 0;
  file.MoveTo(0);
  unsigned char first[kEntryHeaderSize];
  if (!file.ReadZeroed(first, sizeof first)) {
    if (readError != nullptr) *readError = file.ReadError();
    return false;
  }
  if (!IsUsableEntryHeader(first)) return false;
  file.MoveTo(0);
  const ItemId root = tree.AppendItem(kNoItem, rootText);
  ParseState state{tree, 0};
  ParseEntryList(state, file, static_cast<std::uint32_t>(file.Length()), root, 1);
  if (readError != nullptr) *readError = state.readError;
  return true;
}

}  // namespace cfv
