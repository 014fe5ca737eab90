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

class MappedFile;

// Something comparing or searching could not read; the work goes on
// without it, and its result is not to be trusted as complete.
struct ReadTrouble {
  enum class Kind {
    kUnreadable,       // `path` (named, or found in a named folder) cannot be read: `error`
    kNotCustomFile,    // `path` was named and is no custom file
    kEntryUnreadable,  // the entry whose header is at `offset` in `path` cannot be read: `error`
    kChanged,          // `path` changed while it was read (cut short, or no entry where one was)
    kFileAndFolder,    // `path`, a custom file, was to be compared with a folder (or the other way)
  };
  Kind kind = Kind::kUnreadable;
  std::string path;
  std::uint32_t offset = 0;
  int error = 0;
};

class TroubleObserver {
 public:
  virtual ~TroubleObserver() = default;
  virtual void Trouble(const ReadTrouble& trouble) = 0;
};

class InputObserver : public TroubleObserver {
 public:
  // One custom file: `tree` holds its root item (text: its path as named or
  // found) and its entries.
  virtual void FileLoaded(EntryTree&& tree) = 0;
};

// Loads `paths` in order as a drop does (files, and the files of folders
// four levels deep; files that are no custom files are skipped). A path
// that does not exist or cannot be read, a named file that is no custom
// file and a file or folder inside a named folder that cannot be read are
// troubles.
void LoadInputs(const std::vector<std::filesystem::path>& paths, InputObserver& observer);

// A file as a drop finds it (one of the named paths, or found in a named
// folder), not read yet.
struct InputFile {
  std::string path;  // as named, or joined to the folder it was found in
  bool named = false;
};

// Appends the files LoadInputs would load from `paths`, in its order,
// without reading them: whether each is a custom file is told when it is
// read. A path that does not exist or cannot be read and a folder inside a
// named one that cannot be read are troubles.
void FindInputs(const std::vector<std::filesystem::path>& paths, std::vector<InputFile>& files,
                TroubleObserver& observer);

// Maps `file` into `mapped` and loads its tree from there (a root item whose
// text is the path, as a drop loads it). A named file that is no custom
// file, a file that cannot be read and one cut short while its headers are
// read are troubles; a file that vanished meanwhile, or one in a folder that
// is no custom file, is kNoCustomFile without one.
enum class MappedInput { kCustomFile, kNoCustomFile, kTrouble };
MappedInput LoadMapped(const InputFile& file, MappedFile& mapped, EntryTree& tree, TroubleObserver& observer);

}  // namespace cfv
