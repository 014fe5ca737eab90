// What an export with a manifest needs from the export engine: where each
// file and folder goes, so that no two entries share a path, and what became
// of each entry. Without a recorder (ExportOptions::recorder) the engine
// names and lays out exactly as it always does.
//
// Thread: called on the engine's thread, one call at a time.
#pragma once

#include "containers/entry_tree.h"
#include "containers/extract.h"
#include "export/export_user.h"
#include "export/output_path.h"

namespace cfv {

class ExportRecorder {
 public:
  virtual ~ExportRecorder() = default;
  // The folder that holds the entries of `item`: a root item's export
  // folder, or a branch's own folder.
  virtual const OutputPath& FolderOf(ItemId item) = 0;
  // `target` is the file of `item` inside FolderOf(its parent), as the
  // export names it; makes it a path that no other file or folder of this
  // export has.
  virtual void ClaimFile(ItemId item, OutputPath& target) = 0;
  // `item` was written at `target` (in a dry run: would be), its data and
  // how it was stored as `extracted` says.
  virtual void Written(ItemId item, const OutputPath& target, const ExtractResult& extracted) = 0;
  // `item` was not written: it failed as `failure` says.
  virtual void Failed(ItemId item, const ExportFailure& failure) = 0;
  // `item` was not written: the file there was kept (a No), or the export
  // was cancelled before it.
  virtual void Kept(ItemId item, bool cancelled) = 0;
};

}  // namespace cfv
