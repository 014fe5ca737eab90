// The inputs of comparing and searching: custom files and folders named by
// the user, loaded as `list` loads them, with what could not be read
// reported as one kind of value, so each front end words it in one place.
//
// Thread: any; the observer is called on the calling thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "containers/entry_tree.h"

namespace cfv {

// Something comparing or searching could not read; the work goes on
// without it, and its result is not to be trusted as complete.
struct ReadTrouble {
  enum class Kind {
    kUnreadable,       // `path` (named, or found in a named folder) cannot be read: `error`
    kNotCustomFile,    // `path` was named and is no custom file
    kEntryUnreadable,  // the entry whose header is at `offset` in `path`: `error`, or kNoEntryHeader
    kFileAndFolder,    // `path`, a custom file, was to be compared with a folder (or the other way)
  };
  Kind kind = Kind::kUnreadable;
  std::string path;
  std::uint32_t offset = 0;
  int error = 0;
};

class InputObserver {
 public:
  virtual ~InputObserver() = default;
  // One custom file: `tree` holds its root item (text: its path as named or
  // found) and its entries.
  virtual void FileLoaded(EntryTree&& tree) = 0;
  virtual void Trouble(const ReadTrouble& trouble) = 0;
};

// Loads `paths` in order as a drop does (files, and the files of folders
// four levels deep; files that are no custom files are skipped). A path
// that does not exist or cannot be read, a named file that is no custom
// file and a file or folder inside a named folder that cannot be read are
// troubles.
void LoadInputs(const std::vector<std::filesystem::path>& paths, InputObserver& observer);

}  // namespace cfv
