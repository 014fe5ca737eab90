#include "edit/file_edits.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "containers/custom_file.h"
#include "containers/entry_header.h"
#include "containers/extract.h"
#include "containers/loader.h"
#include "containers/payload_encoding.h"
#include "containers/verify.h"
#include "edit/custom_file_writer.h"
#include "edit/folder_pack.h"
#include "edit/write_target.h"

namespace cfv {
namespace {

using Kind = EditRefusal::Kind;
constexpr std::uint64_t kSignedOffsetLimit = std::uint64_t{1} << 31;

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

EditRefusal PackRefusal(const PackFailure& failure) {
  EditRefusal refusal{failure.error != 0 ? Kind::kCannotRead : Kind::kPack, failure.path.string()};
  refusal.error = failure.error;
  refusal.detail = failure.text;
  return refusal;
}

}  // namespace

bool IsRootOfTree(const EntryTree& tree, const std::filesystem::path& path, ItemId except) {
  struct stat self {};
  if (::stat(path.c_str(), &self) != 0) return false;
  for (ItemId root = tree.FirstRoot(); root != kNoItem; root = tree.NextSibling(root)) {
    struct stat other {};
    if (root != except && ::stat(std::string(tree.Text(root)).c_str(), &other) == 0 &&
        other.st_dev == self.st_dev && other.st_ino == self.st_ino)
      return true;
  }
  return false;
}

FileEdits::~FileEdits() {
  if (fd_ >= 0) ::close(fd_);
}

bool FileEdits::OpenSource(const std::filesystem::path& path, EditRefusal& refusal) {
  if (fd_ >= 0) ::close(fd_);
  path_ = path;
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd_ < 0 || ::fstat(fd_, &stat_) != 0 || !S_ISREG(stat_.st_mode)) {
    refusal = {fd_ < 0 ? Kind::kCannotRead : Kind::kNotCustomFile, path.string()};
    refusal.error = fd_ < 0 ? errno : 0;
    return false;
  }
  return true;
}

std::unique_ptr<FileEdits> FileEdits::Open(const EntryTree& tree, ItemId root, EditRefusal& refusal) {
  std::unique_ptr<FileEdits> edits(new FileEdits);
  edits->root_ = root;
  const std::string path(tree.Text(root));
  if (!edits->OpenSource(path, refusal)) return nullptr;
  if (IsRootOfTree(tree, path, root)) {
    refusal = {Kind::kLoadedTwice, path};
    return nullptr;
  }
  CustomFile file(edits->fd_);
  std::vector<std::string> names;
  const VerifyReport report = VerifyCustomFile(file, false, &names);
  EntryTree loaded;
  int readError = report.readError;
  if (readError == 0 && report.customFile) LoadOpenCustomFile(file, "", loaded, &readError);
  if (readError != 0) {
    refusal = {Kind::kCannotRead, path};
    refusal.error = readError;
    return nullptr;
  }
  if (!report.customFile) {
    refusal = {Kind::kNotCustomFile, path};
    return nullptr;
  }
  for (const FileProblem& problem : report.problems) {
    if (!IsStructural(problem.kind)) continue;
    refusal = {Kind::kNotWellFormed, path};
    refusal.detail = (problem.path.empty() ? std::string("(top level)") : problem.path) + ": " + problem.text;
    return nullptr;
  }
  // The file must still be what the tree shows: the same entries, names
  // and offsets, in the same order.
  ItemId index = 0;
  bool same = true;
  tree.ForEachPreOrder(root, [&](ItemId item, unsigned depth) {
    same = same && item == root + index && index < loaded.Size() &&
           loaded.HasChildren(index) == tree.HasChildren(item) &&
           (depth == 0 || (loaded.Data(index) == tree.Data(item) && loaded.Text(index) == tree.Text(item)));
    ++index;
  });
  if (!same || index != loaded.Size()) {
    refusal = {Kind::kChangedOnDisk, path};
    return nullptr;
  }
  edits->tree_ = EditTree::FromSource(loaded, loaded.FirstRoot(), file.Length(), std::move(names));
  edits->loadedNodes_ = index;
  edits->items_.resize(index);
  for (ItemId i = 0; i < index; ++i) edits->items_[i] = root + i;
  return edits;
}

FileEdits::NodeId FileEdits::NodeOf(ItemId item) const {
  if (item >= root_ && item - root_ < loadedNodes_) return item - root_;
  const auto it = added_.find(item);
  return it == added_.end() ? EditTree::kRoot : it->second;
}

bool FileEdits::UnchangedOnDisk() const {
  struct stat atPath {
  }, open{};
  return ::stat(path_.c_str(), &atPath) == 0 && ::fstat(fd_, &open) == 0 && SameFile(atPath, stat_) &&
         SameFile(open, stat_);
}

EditRefusal FileEdits::CheckNewName(NodeId parent, NodeId self, std::string_view name,
                                    std::string& field) const {
  EncodedName encoded = EncodeEntryName(name);
  if (encoded.problem != NameProblem::kNone) {
    EditRefusal refusal{Kind::kName, std::string(name)};
    refusal.name = encoded.problem;
    return refusal;
  }
  for (const NodeId sibling : tree_->At(parent).children)
    if (sibling != self && tree_->At(sibling).nameField == encoded.field)
      return {Kind::kNameTaken, std::string(name)};
  field = std::move(encoded.field);
  return {};
}

EditRefusal FileEdits::CheckContent(NodeId node, const LeafContent& content) const {
  switch (CheckLeafPayload(content.payload, content.data, content.compression)) {
    case LeafTrap::kReadsAsBranch:
      return {Kind::kReadsAsBranch, tree_->PathOf(node)};
    case LeafTrap::kReadsInflated:
      return {Kind::kReadsInflated, tree_->PathOf(node)};
    case LeafTrap::kReadsStored:
      return {Kind::kReadsStored, tree_->PathOf(node)};
    case LeafTrap::kNone:
      break;
  }
  return {};
}

namespace {

// The entry that ends where the list of `parent` has its entry `index`: the
// last one in file order before it (a branch: the parent itself).
EditTree::NodeId EntryBefore(const EditTree& tree, EditTree::NodeId parent, std::size_t index) {
  if (index == 0) return parent;
  EditTree::NodeId at = tree.At(parent).children[index - 1];
  while (tree.At(at).branch && !tree.At(at).children.empty()) at = tree.At(at).children.back();
  return at;
}

std::size_t IndexIn(const EditTree& tree, EditTree::NodeId node) {
  const auto& siblings = tree.At(tree.At(node).parent).children;
  return static_cast<std::size_t>(std::find(siblings.begin(), siblings.end(), node) - siblings.begin());
}

}  // namespace

EditTree::NodeId FileEdits::NextInFile(NodeId node) const {
  const EditTree& tree = *tree_;
  for (NodeId at = node; at != EditTree::kRoot; at = tree.At(at).parent) {
    const auto& siblings = tree.At(tree.At(at).parent).children;
    const std::size_t index = IndexIn(tree, at);
    if (index + 1 < siblings.size()) return siblings[index + 1];
  }
  return EditTree::kRoot;
}

bool FileEdits::WindowFormsHeader(NodeId leaf, int* readError) const {
  const EditTree& tree = *tree_;
  if (leaf == EditTree::kRoot || tree.At(leaf).branch) return false;
  const std::uint64_t payload = tree.PlannedSize(leaf) - kEntryHeaderSize;
  if (payload == 0 || payload >= kEntryHeaderSize) return false;
  // The loader reads a candidate header at the payload's start, on into
  // the next entry's header (zeros past the end of the file).
  unsigned char window[2 * kEntryHeaderSize] = {};
  const auto read = [&](unsigned char* out, std::size_t n, std::uint64_t offset) {
    if (::pread(fd_, out, n, static_cast<off_t>(offset)) < 0) *readError = errno;
  };
  const EditTree::Node& node = tree.At(leaf);
  if (node.content)
    std::memcpy(window, node.content->payload.data(), payload);
  else
    read(window, payload, node.sourceOffset + kEntryHeaderSize);
  if (const NodeId next = NextInFile(leaf); next != EditTree::kRoot) {
    const EditTree::Node& after = tree.At(next);
    if (after.touched)
      EncodeEntryHeader(after.nameField, std::min(tree.PlannedSize(next), kMaxEntrySize), window + payload);
    else
      read(window + payload, kEntryHeaderSize, after.sourceOffset);
  }
  return IsUsableEntryHeader(window);
}

EditRefusal FileEdits::CheckAround(NodeId node, NodeId parent, std::size_t index) const {
  const EditTree& tree = *tree_;
  const std::uint64_t fileSize = tree.PlannedSize(EditTree::kRoot);
  if (fileSize > 0xFFFFFFFFu) return {Kind::kTooLarge, path_.string()};
  // Offsets near 2 GiB: the writer's check of the whole file says where.
  if (fileSize >= kSignedOffsetLimit) return CheckWhole();
  // A leaf shorter than a header reads its candidate header on into what
  // follows: the leaves that end where bytes changed (before the edited
  // entry, before each branch above it, whose size changed) and the edited
  // leaf itself.
  std::vector<NodeId> leaves;
  if (node != EditTree::kRoot) {
    leaves = {node, EntryBefore(tree, parent, IndexIn(tree, node))};
  } else {
    leaves = {EntryBefore(tree, parent, index)};
  }
  const NodeId start = node != EditTree::kRoot ? node : parent;
  for (NodeId at = start; at != EditTree::kRoot; at = tree.At(at).parent) {
    if (tree.PlannedSize(at) > kMaxEntrySize) return {Kind::kTooLarge, tree.PathOf(at)};
    if (at != node) leaves.push_back(EntryBefore(tree, tree.At(at).parent, IndexIn(tree, at)));
  }
  for (const NodeId leaf : leaves) {
    int readError = 0;
    const bool forms = WindowFormsHeader(leaf, &readError);
    if (readError != 0) {
      EditRefusal refusal{Kind::kCannotRead, path_.string()};
      refusal.error = readError;
      return refusal;
    }
    if (forms) return {Kind::kShortLeaf, tree.PathOf(leaf)};
  }
  return {};
}

EditRefusal FileEdits::CheckWhole() const {
  CustomFileWriter writer(*tree_, fd_);
  int readError = 0;
  const std::vector<CustomFileWriter::Problem> problems = writer.Check(&readError);
  if (readError != 0) {
    EditRefusal refusal{Kind::kCannotRead, path_.string()};
    refusal.error = readError;
    return refusal;
  }
  if (problems.empty()) return {};
  EditRefusal refusal{Kind::kWriter, problems.front().path.empty() ? path_.string() : problems.front().path};
  refusal.detail = problems.front().text;
  return refusal;
}

EditRefusal FileEdits::Replace(NodeId leaf, const std::filesystem::path& file,
                               std::shared_ptr<const LeafContent>& previous) {
  std::string data;
  PackFailure failure;
  if (!ReadSourceFile(file, data, failure)) return PackRefusal(failure);
  const EditTree::Node& node = tree_->At(leaf);
  Compression compression = Compression::kNone;
  if (node.content) {
    compression = node.content->compression;
  } else {
    CustomFile source(fd_);
    const ExtractResult old = ExtractEntry(source, static_cast<std::uint32_t>(node.sourceOffset));
    if (!old) {
      EditRefusal refusal{Kind::kCannotRead, path_.string()};
      refusal.error = old.systemError != 0 ? old.systemError : EIO;
      return refusal;
    }
    compression = old.compression;
  }
  std::shared_ptr<const LeafContent> content = MakeLeafContent(std::move(data), compression);
  if (EditRefusal refusal = CheckContent(leaf, *content)) return refusal;
  previous = node.content;
  tree_->SetContent(leaf, std::move(content));
  EditRefusal refusal = CheckAround(leaf, tree_->At(leaf).parent, 0);
  if (refusal) tree_->SetContent(leaf, previous);
  return refusal;
}

EditRefusal FileEdits::AddFiles(NodeId parent, const std::vector<std::filesystem::path>& files,
                                std::vector<NodeId>& added) {
  EditRefusal refusal;
  for (const std::filesystem::path& file : files) {
    std::string field, data;
    PackFailure failure;
    if ((refusal = CheckNewName(parent, EditTree::kRoot, file.filename().string(), field))) break;
    if (!ReadSourceFile(file, data, failure)) {
      refusal = PackRefusal(failure);
      break;
    }
    std::shared_ptr<const LeafContent> content = MakeLeafContent(std::move(data), Compression::kNone);
    added.push_back(tree_->AddLeaf(parent, std::move(field), content));
    if ((refusal = CheckContent(added.back(), *content))) break;
  }
  for (std::size_t i = 0; !refusal && i < added.size(); ++i) refusal = CheckAround(added[i], parent, 0);
  if (refusal) {
    for (auto it = added.rbegin(); it != added.rend(); ++it) tree_->Withdraw(*it);
    added.clear();
  }
  return refusal;
}

EditRefusal FileEdits::AddFolder(NodeId parent, const std::filesystem::path& folder, NodeId& added) {
  std::string field;
  if (EditRefusal refusal = CheckNewName(parent, EditTree::kRoot, folder.filename().string(), field))
    return refusal;
  added = tree_->AddBranch(parent, std::move(field));
  PackFailure failure;
  EditRefusal refusal;
  if (!PackFolder(folder, *tree_, added, Compression::kNone, failure)) refusal = PackRefusal(failure);
  // What the folder holds, as the tree will show it: no custom file packed
  // as a branch, no branch past the deepest level, no data that reads back
  // otherwise.
  std::vector<std::pair<NodeId, unsigned>> stack{{added, tree_->LevelOf(added)}};
  while (!refusal && !stack.empty()) {
    const auto [at, level] = stack.back();
    stack.pop_back();
    const EditTree::Node& node = tree_->At(at);
    if (node.branch && level >= kMaxNestingDepth) refusal = {Kind::kTooDeep, tree_->PathOf(at)};
    if (node.content && node.content->formsBranch) refusal = {Kind::kReadsAsBranch, tree_->PathOf(at)};
    if (!refusal && node.content) refusal = CheckContent(at, *node.content);
    for (const NodeId child : node.children) stack.emplace_back(child, level + 1);
  }
  if (!refusal) refusal = CheckAround(added, parent, 0);
  if (refusal) tree_->Withdraw(added);
  return refusal;
}

EditRefusal FileEdits::Remove(NodeId node, std::size_t& index) {
  const NodeId parent = tree_->At(node).parent;
  if (tree_->At(parent).children.size() == 1)
    return {parent == EditTree::kRoot ? Kind::kEmptyFile : Kind::kEmptyBranch, tree_->PathOf(node)};
  index = tree_->Remove(node);
  EditRefusal refusal = CheckAround(EditTree::kRoot, parent, index);
  if (refusal) tree_->Restore(node, index);
  return refusal;
}

EditRefusal FileEdits::Rename(NodeId node, std::string_view name, std::string& old, bool& wasRenamed) {
  std::string field;
  if (EditRefusal refusal = CheckNewName(tree_->At(node).parent, node, name, field)) return refusal;
  old = tree_->At(node).nameField;
  wasRenamed = tree_->At(node).renamed;
  tree_->Rename(node, std::move(field));
  EditRefusal refusal = CheckAround(node, tree_->At(node).parent, 0);
  if (refusal) tree_->Unrename(node, old, wasRenamed);
  return refusal;
}

FileEdits::SaveResult FileEdits::Save(const std::filesystem::path& targetPath, JobContext* job) const {
  SaveResult result;
  const std::string name = targetPath.filename().string();
  const auto step = [&](unsigned done) {
    if (job != nullptr) job->Progress(done, kSaveSteps, name);
    return job == nullptr || !job->Cancelled();
  };
  EditRefusal& refusal = result.refusal;
  WriteTarget target;
  WriteTarget::Failure failure;
  const auto failed = [&](const WriteTarget::Failure& why) {
    refusal = {Kind::kCannotWrite, why.path.string()};
    refusal.error = why.error;
    refusal.detail = why.text;
    return result;
  };
  if (!target.Open(targetPath, true, failure)) return failed(failure);
  // The bytes the tree copies must be those loaded, and the file itself is
  // never replaced when it changed on disk since.
  struct stat open {};
  const bool inPlace = FollowLinks(targetPath) == FollowLinks(path_);
  if (::fstat(fd_, &open) != 0 || !SameFile(open, stat_) || (inPlace && !UnchangedOnDisk())) {
    refusal = {Kind::kChangedOnDisk, path_.string()};
    return result;
  }
  step(0);
  CustomFileWriter writer(*tree_, fd_);
  int error = 0;
  std::vector<CustomFileWriter::Problem> problems = writer.Check(&error);
  PendingFile pending;
  if (error == 0 && problems.empty() && step(1)) {
    if (!pending.Open(target.Folder(), PosixFileWriter()))
      error = errno;
    else
      writer.WriteTo(pending, problems, &error);
  }
  if (!problems.empty()) {
    refusal = {Kind::kWriter, problems.front().path.empty() ? target.Path().string() : problems.front().path};
    refusal.detail = problems.front().text;
    return result;
  }
  if (error != 0) return failed({target.Path(), error, {}});
  if (!step(2)) {
    result.cancelled = true;
    return result;
  }
  if (!target.Commit(pending, true, failure)) return failed(failure);
  result.written = target.Path();
  if (target.Exists()) result.backup = target.BackupPath();
  result.offsets = writer.Offsets();
  result.sizes = writer.Sizes();
  return result;
}

bool FileEdits::Saved(const SaveResult& result, const std::filesystem::path& path, EditRefusal& refusal) {
  tree_->Rebase(result.offsets, result.sizes);
  return OpenSource(path, refusal);
}

}  // namespace cfv
