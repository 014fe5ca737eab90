// Exporting one item of the tree on its own: what the tree's context menu
// offers for an item, Export This Entry (one entry's data under the name the
// export gives it, at a path the user chose), and the export of one branch
// into a folder, which Export This Branch and dragging out of the tree share.
//
// Everything goes through the export's own naming (OutputFileName,
// BuildItemPath) and the export engine, so a file saved or dragged out is
// named and laid out as File > Export would name and lay it out.
//
// Thread: the calling thread; the tree must not change meanwhile.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "common/job.h"
#include "containers/entry_tree.h"
#include "containers/extract.h"
#include "export/export_engine.h"

namespace cfv {

// What an item can be exported as on its own: nothing (a root item, the
// custom file itself: File > Export serves it; or no item), an entry (a leaf)
// or a branch (an entry that holds entries).
enum class ItemExport { kNone, kEntry, kBranch };
ItemExport ExportOffered(const EntryTree& tree, ItemId item);

// A leaf entry read for Export This Entry.
struct EntryForExport {
  ExtractResult extracted;  // the entry's data, or why it cannot be read
  // The file name the export writes the data under (extension corrected
  // from the content; without the folders the entry name may hold). Empty
  // when the name leaves none, or when the entry could not be read.
  std::string fileName;
};
EntryForExport ReadEntryForExport(const EntryTree& tree, ItemId item);

// Writes `length` bytes as the file at `path`, replacing what is there in
// one step after the new data is on disk (the user was asked already), or
// nothing at all on failure (false, errno set). The folder must exist.
bool WriteFileReplacing(const std::filesystem::path& path, const unsigned char* data, std::size_t length);

// The options that export the branch or entry `item` (not a root) into the
// existing folder `folder` with the default options, as File > Export lays
// it out: the item's folder (or file) directly in `folder`, everything below
// it inside, checked or not. A folder that does not exist counts as a write
// failure.
ExportOptions SubtreeOptions(ItemId item, const std::filesystem::path& folder);

// Dragging out: exports `item` into the empty folder `folder` without asking
// or telling anything, and returns what now lies directly in `folder` (the
// item's file or top folder), sorted. Entries that fail are left out. The
// export's progress goes to `context`, whose cancel stops it (what was
// written stays).
std::vector<std::filesystem::path> WriteItemForDrag(const EntryTree& tree, ItemId item,
                                                    const std::filesystem::path& folder, JobContext& context);

}  // namespace cfv
