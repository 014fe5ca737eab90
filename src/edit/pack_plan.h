// PackPlan: the custom file that pack makes of a folder, as the EditTree a
// CustomFileWriter writes.
//
// Without a manifest every file is a leaf and every folder a branch
// (PackFolder). With the export's manifest.json the tree's shape, the
// stored names, the order and the compression come from the manifest;
// each leaf's data from its exported file. With the original custom file
// as the base (the file the manifest describes: ManifestMismatch) the tree
// starts as the original itself, so that a leaf whose file is unchanged
// (same length and hash) or was never written keeps its bytes, a changed
// leaf gets the new data with its old compression, and a branch is made
// anew only when something below it changed. A branch's own exported file
// is never packed.
//
// Files and folders the manifest does not know are added at the end of
// their folder's list (files stored unless asked otherwise, folders packed
// as PackFolder packs them); entries whose file is gone are left out, and
// so is a branch left with no entries. manifest.json is never packed.
//
// Thread: one owner.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "edit/edit_tree.h"
#include "edit/folder_pack.h"
#include "export/manifest.h"

namespace cfv {

// What a pack did besides taking the manifest's entries as they were.
struct PackNote {
  enum class Kind { kAdded, kLeftOut, kChanged, kRenamed };
  Kind kind;
  std::string path;  // the entry's path in the tree (EditTree::PathOf)
};

// "added", "left out", "changed", "renamed".
const char* PackNoteWord(PackNote::Kind kind);

// Why the original (`length` bytes hashing to `hash`, loaded as `tree`) is
// not the custom file `manifest` describes, in words that follow "not the
// file the manifest describes: "; empty when it is.
std::string ManifestMismatch(const Manifest& manifest, const EditTree& tree, std::uint64_t length,
                             const Hash128& hash);

class PackPlan {
 public:
  // Packs `folder`; new leaves are stored with `compression`.
  PackPlan(std::filesystem::path folder, Compression compression);

  // Every file and folder of the folder, without a manifest.
  bool FromFolder(PackFailure& failure);
  // The folder as `manifest` describes it. `base` is the original's tree
  // (EditSource::Tree), changed in place, or null.
  bool FromManifest(const Manifest& manifest, EditTree* base, PackFailure& failure);

  // The tree to write (valid after a successful From...).
  EditTree& Tree() { return *tree_; }
  const std::vector<PackNote>& Notes() const { return notes_; }

 private:
  enum class Known { kFile, kBranchFolder, kSharedFolder };
  static constexpr EditTree::NodeId kNone = 0;

  void Know(const std::string& path, Known kind);
  // The leaf of `entry` (manifest index `index`) under `parent`: its node,
  // or kNone when it is left out.
  bool Leaf(const ManifestEntry& entry, std::size_t index, EditTree::NodeId parent, EditTree::NodeId& node,
            PackFailure& failure);
  // Adds what `folder` (relative; "" for the folder itself) holds that the
  // manifest does not know to the list `list`.
  bool AddUnknown(const std::string& folder, EditTree::NodeId list, PackFailure& failure);
  // Refuses anything unknown in a folder made for names with separators:
  // no list is its own.
  bool CheckShared(const std::string& folder, PackFailure& failure);
  std::filesystem::path PathOf(const std::string& relative) const;

  std::filesystem::path folder_;
  Compression compression_;
  std::unique_ptr<EditTree> own_;
  EditTree* tree_ = nullptr;
  bool base_ = false;
  std::map<std::string, Known> known_;  // relative paths the manifest names
  std::vector<PackNote> notes_;
};

}  // namespace cfv
