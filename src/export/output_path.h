// Where an item of the entry tree goes on disk.
//
// Every custom file has an export folder beside it, named as the file
// without its extension (/games/hero.npc gives /games/hero); each branch
// entry adds one folder level inside it, named as the entry without its
// extension. The export folder is a path of this system, used as given. What
// lies inside it comes from entry names and is stored as Windows stores a
// path: '\' and '/' both separate folders, every component loses its
// trailing spaces and dots, and a component left empty disappears. A ".."
// component is kept as it stands so that the path can be refused: no output
// path may leave its export folder.
//
// Pure functions over texts; any thread.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "containers/entry_tree.h"

namespace cfv {

struct OutputPath {
  // The custom file's path without its extension.
  std::filesystem::path exportFolder;
  // The components inside the export folder, outermost first.
  std::vector<std::string> components;
  // Some entry name on the way held a ".." component: nothing may be created
  // or written for this path or any below it.
  bool leavesExportFolder = false;

  // The path as messages show it: the export folder, then each component
  // after a '/'.
  std::string Text() const;
  // The path without its last component (the export folder itself stays).
  OutputPath Parent() const;
};

// The export folder of the custom file at `customFilePath`: the path without
// the extension of its last component (from its last '.' on). A file name
// without a dot, or whose only dot is its first character, has no
// extension: its export folder is the file's own path, which cannot be made
// a folder, so each of its entries ends with the write message.
std::filesystem::path ExportFolderOf(std::string_view customFilePath);

// Whether `exportFolder` can hold a custom file's entries: its last
// component, read as Windows reads a name (trailing spaces and dots
// dropped), is not empty. A custom file named "...god" or "..god" has the
// stem ".." or ".", whose export folder would be the folder above it or its
// own folder: its entries are refused instead, so that the export folder is
// always a new folder strictly inside the custom file's folder.
bool ExportFolderNameIsUsable(const std::filesystem::path& exportFolder);

// Appends the components of `name` to `path`: split at '\' and '/', a
// leading drive ("X:") taken as a component of its own like any other text,
// trailing spaces and dots removed from each, empty ones dropped. A ".."
// component is appended as ".." and marks the path as leaving its folder.
void AppendNameComponents(std::string_view name, OutputPath& path);

// The export folder of the custom file at `customFilePath` when the export
// goes to `destination`: beside the custom file (ExportFolderOf) when
// `destination` is empty, else `destination` joined with the custom file's
// name without its extension.
std::filesystem::path ExportFolderIn(const std::filesystem::path& destination,
                                     std::string_view customFilePath);

// Whether the custom file at `customFilePath` has an extension: without
// one, its export folder beside it would be the file itself.
bool HasExtension(std::string_view customFilePath);

// The output path of `item`: for a root item its export folder (in
// `destination`, see ExportFolderIn); for an entry its parent's path
// followed by the components of the entry's name without its extension.
// With a `base` entry (an export of one subtree, ExportOptions::subtree),
// the parent of `base` has `destination` itself as its path, and `base` and
// the items below it go on from there; `item` is then `base`, its parent or
// an item below `base`.
OutputPath BuildItemPath(const EntryTree& tree, ItemId item, const std::filesystem::path& destination = {},
                         ItemId base = kNoItem);

// The folder an item's folders end in: its output path without the last
// component the item's own name added (its parent's path when its name
// added none). `base` as for BuildItemPath.
OutputPath ItemFolder(const EntryTree& tree, ItemId item, const std::filesystem::path& destination = {},
                      ItemId base = kNoItem);

}  // namespace cfv
