#include "edit/pack_plan.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "containers/entry_name.h"
#include "containers/folder_scan.h"

namespace cfv {
namespace {

// What lies at `path`, links not followed: false (with `failure`) for a
// link or anything but a regular file or a folder, or when it cannot be
// looked at for another reason than not being there.
bool Look(const std::filesystem::path& path, struct stat& info, bool& exists, PackFailure& failure) {
  exists = ::lstat(path.c_str(), &info) == 0;
  if (!exists) {
    if (errno == ENOENT || errno == ENOTDIR) return true;
    failure = {path, errno, {}};
    return false;
  }
  if (S_ISLNK(info.st_mode))
    failure = {path, 0, "is a symbolic link, which is not packed"};
  else if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
    failure = {path, 0, "is not a regular file"};
  else
    return true;
  return false;
}

// Whether the regular file at `path` holds `length` bytes hashing to `hash`.
bool SameBytes(const std::filesystem::path& path, std::uint64_t length, const Hash128& hash, bool& same,
               PackFailure& failure) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  struct stat info;
  Hash128 now;
  std::uint64_t read = 0;
  const bool ok = fd >= 0 && ::fstat(fd, &info) == 0 &&
                  (static_cast<std::uint64_t>(info.st_size) != length || HashFile(fd, now, &read));
  if (!ok) failure = {path, errno, {}};
  same = ok && static_cast<std::uint64_t>(info.st_size) == length && read == length && now == hash;
  if (fd >= 0) ::close(fd);
  return ok;
}

}  // namespace

const char* PackNoteWord(PackNote::Kind kind) {
  static constexpr const char* kWords[] = {"added", "left out", "changed", "renamed"};
  return kWords[static_cast<int>(kind)];
}

std::string ManifestMismatch(const Manifest& manifest, const EditTree& tree, std::uint64_t length,
                             const Hash128& hash) {
  if (length != manifest.size || !(hash == manifest.hash)) return "its size or hash differs";
  if (manifest.entries.size() + 1 != tree.Size())
    return "it has " + std::to_string(tree.Size() - 1) + " entries, the manifest " +
           std::to_string(manifest.entries.size());
  for (std::size_t i = 0; i < manifest.entries.size(); ++i) {
    const ManifestEntry& entry = manifest.entries[i];
    const auto node = static_cast<EditTree::NodeId>(i + 1);
    if (tree.At(node).sourceOffset != entry.offset || tree.LevelOf(node) != entry.depth ||
        tree.At(node).branch != entry.branch)
      return "it has no entry like the manifest's entry " + std::to_string(i + 1) + " (" + entry.path +
             ") at offset " + std::to_string(entry.offset);
  }
  return {};
}

PackPlan::PackPlan(std::filesystem::path folder, Compression compression)
    : folder_(std::move(folder)), compression_(compression) {}

std::filesystem::path PackPlan::PathOf(const std::string& relative) const {
  return relative.empty() ? folder_ : JoinPath(folder_, relative);
}

bool PackPlan::FromFolder(PackFailure& failure) {
  own_ = std::make_unique<EditTree>();
  tree_ = own_.get();
  if (!PackFolder(folder_, *tree_, EditTree::kRoot, compression_, failure)) return false;
  for (EditTree::NodeId node = 1; node < tree_->Size(); ++node)
    notes_.push_back({PackNote::Kind::kAdded, tree_->PathOf(node)});
  return true;
}

void PackPlan::Know(const std::string& path, Known kind) {
  known_[path] = kind;
  for (std::size_t slash = path.rfind('/'); slash != std::string::npos && slash > 0;
       slash = path.rfind('/', slash - 1))
    known_.emplace(path.substr(0, slash), Known::kSharedFolder);
}

bool PackPlan::Leaf(const ManifestEntry& entry, std::size_t index, EditTree::NodeId parent,
                    EditTree::NodeId& node, PackFailure& failure) {
  node = base_ ? static_cast<EditTree::NodeId>(index + 1) : kNone;
  // Not exported: the original's bytes where there is one.
  if (!entry.file) {
    if (!base_) notes_.push_back({PackNote::Kind::kLeftOut, entry.path});
    return true;
  }
  const std::filesystem::path path = PathOf(*entry.file);
  struct stat info;
  bool exists = false;
  if (!Look(path, info, exists, failure)) return false;
  if (exists && S_ISDIR(info.st_mode)) {
    failure = {path, 0, "is a folder where the manifest has the file of an entry"};
    return false;
  }
  if (!exists) {
    notes_.push_back({PackNote::Kind::kLeftOut, base_ ? tree_->PathOf(node) : entry.path});
    if (base_) tree_->Remove(node);
    node = kNone;
    return true;
  }
  bool same = false;
  if (base_ && !SameBytes(path, entry.length, entry.hash, same, failure)) return false;
  if (same) return true;
  std::string data;
  if (!ReadSourceFile(path, data, failure)) return false;
  // A changed leaf keeps its compression.
  if (base_) {
    tree_->SetContent(node, MakeLeafContent(std::move(data), entry.compression));
    notes_.push_back({PackNote::Kind::kChanged, tree_->PathOf(node)});
  } else {
    node = tree_->AddLeaf(parent, entry.nameField, MakeLeafContent(std::move(data), entry.compression));
  }
  return true;
}

bool PackPlan::FromManifest(const Manifest& manifest, EditTree* base, PackFailure& failure) {
  base_ = base != nullptr;
  if (!base_) own_ = std::make_unique<EditTree>();
  tree_ = base_ ? base : own_.get();
  known_.emplace(kManifestName, Known::kFile);
  for (const ManifestEntry& entry : manifest.entries) {
    if (entry.file) Know(*entry.file, Known::kFile);
    if (entry.branch && !entry.folder.empty()) Know(entry.folder, Known::kBranchFolder);
  }
  // The manifest's entries, each under the last entry one level up.
  std::vector<EditTree::NodeId> nodes(manifest.entries.size(), kNone);
  std::vector<EditTree::NodeId> lists = {EditTree::kRoot};
  for (std::size_t i = 0; i < manifest.entries.size(); ++i) {
    const ManifestEntry& entry = manifest.entries[i];
    lists.resize(entry.depth);
    const EditTree::NodeId parent = lists.back();
    if (entry.branch) {
      nodes[i] = base_ ? static_cast<EditTree::NodeId>(i + 1) : tree_->AddBranch(parent, entry.nameField);
    } else if (!Leaf(entry, i, parent, nodes[i], failure)) {
      return false;
    }
    lists.push_back(nodes[i]);
    // A name the manifest changed (by hand) is a rename.
    if (base_ && nodes[i] != kNone && tree_->At(nodes[i]).nameField != entry.nameField) {
      tree_->Rename(nodes[i], entry.nameField);
      notes_.push_back({PackNote::Kind::kRenamed, tree_->PathOf(nodes[i])});
    }
  }
  // What the manifest does not know, at the end of its folder's list.
  if (!AddUnknown("", EditTree::kRoot, failure)) return false;
  for (std::size_t i = 0; i < manifest.entries.size(); ++i)
    if (manifest.entries[i].branch && !manifest.entries[i].folder.empty() &&
        !AddUnknown(manifest.entries[i].folder, nodes[i], failure))
      return false;
  // Branches left with no entries, the deepest first.
  for (std::size_t i = manifest.entries.size(); i-- > 0;) {
    if (!manifest.entries[i].branch || !tree_->At(nodes[i]).children.empty()) continue;
    notes_.push_back({PackNote::Kind::kLeftOut, tree_->PathOf(nodes[i])});
    tree_->Remove(nodes[i]);
  }
  return true;
}

bool PackPlan::AddUnknown(const std::string& folder, EditTree::NodeId list, PackFailure& failure) {
  int error = 0;
  const std::vector<FolderEntry> entries = ListFolder(PathOf(folder), &error);
  if (error != 0 && error != ENOENT && error != ENOTDIR) {
    failure = {PathOf(folder), error, {}};
    return false;
  }
  for (const FolderEntry& item : entries) {
    const std::string relative = folder.empty() ? item.name : folder + "/" + item.name;
    const auto known = known_.find(relative);
    if (known != known_.end()) {
      if (known->second == Known::kSharedFolder && !CheckShared(relative, failure)) return false;
      continue;
    }
    const std::filesystem::path path = PathOf(relative);
    struct stat info;
    bool exists = false;
    if (!Look(path, info, exists, failure)) return false;
    if (!exists) continue;  // gone since the listing
    EncodedName name = EncodeEntryName(item.name);
    if (name.problem != NameProblem::kNone) {
      failure = {path, 0, std::string("cannot be an entry name: the name ") + NameProblemText(name.problem)};
      return false;
    }
    for (const EditTree::NodeId sibling : tree_->At(list).children)
      if (tree_->At(sibling).nameField == name.field) {
        failure = {path, 0, "cannot be added: its name is taken by another entry of that list"};
        return false;
      }
    EditTree::NodeId added;
    if (S_ISDIR(info.st_mode)) {
      added = tree_->AddBranch(list, std::move(name.field));
      if (!PackFolder(path, *tree_, added, compression_, failure)) return false;
    } else {
      std::string data;
      if (!ReadSourceFile(path, data, failure)) return false;
      added = tree_->AddLeaf(list, std::move(name.field), PackedFileContent(std::move(data), compression_));
    }
    notes_.push_back({PackNote::Kind::kAdded, tree_->PathOf(added)});
  }
  return true;
}

bool PackPlan::CheckShared(const std::string& folder, PackFailure& failure) {
  for (const FolderEntry& item : ListFolder(PathOf(folder))) {
    const std::string relative = folder + "/" + item.name;
    const auto known = known_.find(relative);
    if (known == known_.end()) {
      failure = {PathOf(relative), 0,
                 "cannot be added: it lies in a folder made for entry names that hold a / or \\, which is no "
                 "branch's list"};
      return false;
    }
    if (known->second == Known::kSharedFolder && !CheckShared(relative, failure)) return false;
  }
  return true;
}

}  // namespace cfv
