// The output folders an export keeps open from one entry to the next.
//
// Consecutive entries of an export mostly go into the same folder, or into
// one just below or above it. Opening a folder afresh walks its whole chain
// from the export folder's parent, a system call per level for every entry;
// this keeps the last few folders open, and opens a folder that is not kept
// from the deepest kept folder on its path.
//
// A kept handle is as safe as opening the chain again: files and folders are
// created relative to it, which a link planted since cannot redirect, and the
// folders below it are opened without following links as OpenOutputFolder
// opens them. What a kept handle does not follow is its folder being renamed
// or removed after it was opened: writes then land in the folder where it is
// now, or fail with the write message. Owners drop the kept folders (Clear)
// whenever the user may have acted meanwhile: after a question, and when an
// export ends.
//
// Each folder opened is swept of the temporary files a killed export left
// behind (SweepLeftovers) the first time it is opened in an export.
//
// Thread: one thread at a time; holds at most kCapacity descriptors.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "export/output_files.h"
#include "export/output_path.h"

namespace cfv {

class OutputFolderCache {
 public:
  static constexpr std::size_t kCapacity = 4;

  // The open folder `folder`, created when missing with `create`, as
  // OpenOutputFolder opens it. The reference is valid until the next Open or
  // Clear. An empty handle (errno set) when the folder cannot be opened; a
  // failure is not kept, so the next Open of that folder tries again.
  const FolderHandle& Open(const OutputPath& folder, bool create);

  // Closes every kept folder.
  void Clear() { kept_.clear(); }
  // A new export starts: every folder is swept again when next opened.
  void ForgetSweeps() { swept_.clear(); }
  // Files the sweeps must never remove (the custom files being exported),
  // borrowed until the next call; nullptr for none.
  void KeepFiles(const FileIds* keep) { keep_ = keep; }

  // How many folders are kept open (for tests).
  std::size_t size() const { return kept_.size(); }

 private:
  struct Kept {
    std::filesystem::path exportFolder;
    std::vector<std::string> components;
    FolderHandle handle;
  };

  // Most recently used first.
  std::vector<Kept> kept_;
  // Device and inode of the folders swept in this export.
  std::set<std::pair<std::uint64_t, std::uint64_t>> swept_;
  FolderHandle none_;
  const FileIds* keep_ = nullptr;
};

}  // namespace cfv
