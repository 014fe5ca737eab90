// Fuzz target: any bytes as a custom file through LoadCustomFile.
//
// Besides crashes, hangs and leaks it checks what the loader promises about
// any file: a root item exactly when the first header is usable; every entry
// item stands on a usable header at its offset, with the decoded name as its
// text; offsets rise strictly in pre-order (no header is read twice) and lie
// inside the file; a branch's first child starts right after its header; and
// nothing nests deeper than kMaxNestingDepth.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "containers/entry_header.h"
#include "containers/entry_tree.h"
#include "containers/loader.h"
#include "scratch_file.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
  }
}

// The 50 header bytes at `offset`, zero beyond the input's end.
void HeaderAt(const std::uint8_t* data, std::size_t size, std::uint64_t offset, unsigned char* out) {
  std::memset(out, 0, cfv::kEntryHeaderSize);
  if (offset >= size) return;
  std::memcpy(out, data + offset, std::min<std::uint64_t>(cfv::kEntryHeaderSize, size - offset));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto& path = cfv::fuzz::WriteScratch(data, size);
  cfv::EntryTree tree;
  const bool loaded = cfv::LoadCustomFile(path, "root", tree);

  unsigned char header[cfv::kEntryHeaderSize];
  HeaderAt(data, size, 0, header);
  Check(loaded == cfv::IsUsableEntryHeader(header), "root item exactly for a usable first header");
  if (!loaded) {
    Check(tree.Empty(), "nothing appended for a file that is not loaded");
    return 0;
  }
  Check(tree.ChildCount(cfv::kNoItem) == 1, "one root item");
  const cfv::ItemId root = tree.FirstRoot();
  Check(tree.Text(root) == "root" && tree.Data(root) == 0, "root text and data");
  Check(tree.HasChildren(root) && tree.Data(tree.FirstChild(root)) == 0, "first entry at offset 0");

  bool first = true;
  std::uint64_t last = 0;
  tree.ForEachPreOrder(root, [&](cfv::ItemId item, unsigned depth) {
    if (depth == 0) return;
    const std::uint32_t offset = tree.Data(item);
    Check(depth <= cfv::kMaxNestingDepth, "nesting bounded");
    Check(first || offset > last, "offsets rise in pre-order");
    Check(offset < size, "headers start inside the file");
    first = false;
    last = offset;
    HeaderAt(data, size, offset, header);
    Check(cfv::IsUsableEntryHeader(header), "entry item on a usable header");
    Check(tree.Text(item) == cfv::HeaderName(header), "item text is the decoded name");
    if (tree.HasChildren(item)) {
      Check(tree.Data(tree.FirstChild(item)) == offset + cfv::kEntryHeaderSize,
            "branch payload starts with a header");
    }
  });
  return 0;
}
