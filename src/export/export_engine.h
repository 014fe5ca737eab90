// The export engine: writes the checked entries of an EntryTree to disk, in
// an export folder beside each custom file (or inside a destination folder,
// ExportOptions::destination), folders mirroring the nesting.
//
// The walk is depth first, each item before its children, siblings in tree
// order. For every checked entry it creates the item's folders, reads the
// entry from its custom file (ExtractEntry; an edited leaf's new data from
// the tree, ExtractItem), names the file (SplitEntryName,
// CorrectExtension when renameExtension is on), asks before replacing
// anything that is not a folder, and writes it. A checked entry under an
// unchecked branch is written too; root items never are. An export of one
// subtree (ExportOptions::subtree: Export This Branch, dragging out) walks
// only that item and what is below it, checked or not, into the destination.
//
// Guarantees beyond the walk itself: nothing is created or written outside
// an export folder, which is always a new folder strictly inside the custom
// file's folder (names with ".." are refused with the write message, custom
// files whose name leaves no folder name with kExportNoFolderName, links
// inside it are not followed); no custom file of the tree is ever replaced
// (compared by device and inode; the write message); a failed write leaves
// neither a partial file nor a damaged old file; every failure is reported
// and the export goes on.
//
// Beside a custom file without an extension there is no room for its
// export folder (it would take the file's own name): its entries are
// refused with one kNoExtension failure, which points to the destination.
//
// Thread: runs to its end on the calling thread; the tree must not change
// meanwhile. The user interface is called on that thread; RequestCancel may
// be called from any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "containers/custom_file.h"
#include "containers/entry_tree.h"
#include "containers/extract.h"
#include "export/export_options.h"
#include "export/export_user.h"
#include "export/output_files.h"
#include "export/output_folder_cache.h"
#include "export/output_path.h"

namespace cfv {

class ExportEngine {
 public:
  // `user` answers and shows the messages; `writer` writes file bytes (a
  // seam for tests). Both and the tree are borrowed for the engine's life.
  ExportEngine(const EntryTree& tree, ExportUser& user, FileWriter& writer = PosixFileWriter());

  // The Export command after its dialog was confirmed: walks every root item
  // with `options`, asking afresh (no answer of an earlier run holds), and
  // shows the finished message (also for an empty tree, after errors and
  // after a Cancel).
  ExportSummary Run(const ExportOptions& options);

  // Acts as the overwrite question's Cancel at the next entry: nothing more
  // is read or written, the walk runs to its end. Any thread.
  void RequestCancel() { cancelRequested_.store(true, std::memory_order_relaxed); }

 private:
  // The walk over `item` and its following siblings and everything below
  // them, in pre-order (EntryTree::ForEachPreOrder, iterative: any depth is
  // safe). kNoItem does nothing.
  void ExportCheckedItems(ItemId item);

  // The step for one checked, non-root item: skipped when skipExtractable is
  // set and it has children, otherwise written into its parent's folder.
  void ExportItem(ItemId item);

  // Reads the entry at `offset` of `customFilePath` and writes it into
  // `destinationFolder` under its output name.
  void WriteEntryFile(const std::filesystem::path& customFilePath, std::uint32_t offset,
                      const OutputPath& destinationFolder, std::string_view entryName, bool renameExtension);

  // Creates `folder` and the folders above it inside the export folder, as
  // needed, without following links: the one place the export makes
  // folders. The handle is kept for the writes that follow and is valid
  // until the next call; an empty handle (errno set) on failure.
  const FolderHandle& CreateDirectoryChain(const OutputPath& folder);
  // One item of the walk: its folders (CreateDirectoryChain), then
  // ExportItem when it is a checked, non-root item.
  void VisitWalkItem(ItemId item);
  // WriteEntryFile's work, without the clean-up after a question.
  void ExtractAndWrite(const std::filesystem::path& customFilePath, std::uint32_t offset,
                       const OutputPath& destinationFolder, std::string_view entryName, bool renameExtension);

  // Whether the entries of `root` may be exported: its export folder has a
  // usable name and, beside the custom file, the file has an extension.
  // Reports the refusal once per root.
  bool RootIsExportable(ItemId root);
  // Whether `name` in `folder` is one of the custom files of the tree.
  bool IsCustomFile(const FolderHandle& folder, const std::string& name) const;
  // Counts a failure of one entry and reports it.
  void Fail(std::uint32_t& counter, ExportFailure::Kind kind, std::string path, int error = 0);
  // The entry meant for `target` could not be written because its folder
  // could not be opened (errno `error`): a link on the way is named as such.
  void FailFolder(const OutputPath& target, int error);
  // Writes `data` as `target`'s file in `folder`: asks before replacing a
  // file that is there, refuses a folder and a custom file of the tree, and
  // looks again when another writer makes the name meanwhile. True when
  // written.
  bool WriteTarget(const FolderHandle& folder, const OutputPath& target, const EntryData& data);
  // Whether an existing file at `targetText` is to be replaced: asks unless
  // an all-answer holds. Counts a No or Cancel.
  bool MayReplace(const std::string& targetText);

  // The custom file the last entry was read from, kept open for the entries
  // of the same file that follow (read through its read-ahead buffer): a
  // file's entries come one after the other in the walk. Closed when Run
  // ends; a file that cannot be opened is tried again for each entry.
  std::unique_ptr<CustomFile> readFile_;
  std::filesystem::path readPath_;
  // The edited leaf being written, whose data the tree holds (none: read it
  // from its custom file).
  const LeafContent* held_ = nullptr;

  // The entry being written, for the recorder (kNoItem between entries).
  ItemId writing_ = kNoItem;

  // Device and inode of every custom file of the tree, taken when Run starts.
  FileIds customFiles_;
  ItemId checkedRoot_ = kNoItem;
  // Entries of the walk to be written, and how many of them are behind.
  std::uint32_t total_ = 0;
  std::uint32_t done_ = 0;
  std::atomic<bool> cancelRequested_{false};
  bool checkedRootExportable_ = false;

  // The folders of the last few entries, kept open for the entries that
  // follow (most go into the same one). Cleared after the user was asked
  // anything and when the export ends.
  OutputFolderCache folders_;
  bool userAsked_ = false;

  const EntryTree& tree_;
  // The options of the run in progress and the answer to its last overwrite
  // question (kYesToAll and kNoToAll hold for the rest of the run).
  ExportOptions options_;
  OverwriteAnswer answer_ = OverwriteAnswer::kNone;
  ExportUser& user_;
  FileWriter& writer_;
  ExportSummary summary_;
};

}  // namespace cfv
