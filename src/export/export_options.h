// What an export is asked to do (the Configure Export dialog's choices, or
// the command line's), and the answers to the overwrite question. The
// answers belong to one run of the export engine: every run starts without
// one. Nothing here is saved anywhere.
#pragma once

#include <cstdint>
#include <filesystem>

#include "containers/entry_tree.h"

namespace cfv {

class ExportRecorder;

// The options as the dialog leaves them: true when its check box was checked,
// false when not. Both are on by default, and every opening of the dialog starts
// from the default.
struct ExportOptions {
  // Items that have children (extractable entries such as nested .cmp and
  // .npc files) are not written as files; their children are still visited.
  bool skipExtractable = true;
  // The extension of every written file is corrected from its content.
  bool renameExtension = true;
  // Where each custom file's export folder goes: empty for beside the
  // custom file (the default); otherwise this folder, in which each custom
  // file's entries go to <folder>/<custom file's name without extension>/.
  // Nothing is created or written outside it.
  std::filesystem::path destination;
  // Read and name every entry as the export would, report each path that
  // would be written (ExportUser::EntryWritten) and create nothing.
  bool dryRun = false;
  // Export This Branch and dragging out of the tree: when set, only this
  // item and everything below it are written, checked or not, and they are
  // laid out in `destination` itself (which must be set) as the export lays
  // out the item's parent's folder: the item's own folder (or file) directly
  // in it. A root item is not allowed here.
  ItemId subtree = kNoItem;
  // An export with a manifest (export --manifest; not with `subtree`): every
  // file and branch folder gets a path of its own, as the recorder gives
  // it, and the recorder hears what became of each entry. Borrowed.
  ExportRecorder* recorder = nullptr;
};

// The answer to the last overwrite question of the current export.
enum class OverwriteAnswer : std::int32_t {
  kNone,      // no question asked yet in this export
  kYes,       // the existing file was replaced
  kNo,        // the existing file stayed; holds for that file only
  kCancel,    // nothing more is read or written in this export
  kYesToAll,  // replaced, and every later existing file is replaced unasked
  kNoToAll,   // kept, and every later existing file is kept unasked
};

}  // namespace cfv
