// Files and folders of the user's as entries: a file's bytes as a leaf's
// data, a folder as a branch with one entry per file and folder in it.
//
// Names come from the file and folder names (so an extension the export
// corrected stays corrected) and must be storable (EncodeEntryName);
// entries follow the folder scan's order (names compared with ASCII letters
// upper-cased, then byte order). Symbolic links are refused (what they lead
// to is not the folder's own), and so are empty folders (an empty branch
// would read back as an empty leaf). A file whose bytes are themselves a
// custom file reads back as a branch, since the format decides that: it is
// packed as it is and expected as such.
//
// Thread: any; the files are read once, when packed.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "edit/edit_tree.h"

namespace cfv {

// Why a file or folder cannot be packed: the path, and the system's error
// number or, with 0, the refusal in English words.
struct PackFailure {
  std::filesystem::path path;
  int error = 0;
  std::string text;
};

// Reads the whole regular file at `path` into `bytes`.
bool ReadSourceFile(const std::filesystem::path& path, std::string& bytes, PackFailure& failure);

// The content of a packed file: `data` stored with `compression`; data that
// begins with an entry header is stored as it is and marked as a branch.
std::shared_ptr<const LeafContent> PackedFileContent(std::string data, Compression compression);

// Appends the entries of `folder` (files and folders, recursively) to
// `branch` of `tree`.
bool PackFolder(const std::filesystem::path& folder, EditTree& tree, EditTree::NodeId branch,
                Compression compression, PackFailure& failure);

}  // namespace cfv
