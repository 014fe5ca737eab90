#include "export/manifest_export.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "containers/custom_file.h"
#include "containers/entry_header.h"
#include "containers/entry_pattern.h"
#include "export/output_files.h"

namespace cfv {
namespace {

// `name` with "~n" before its extension (from its last '.', unless that is
// its first character).
std::string Numbered(const std::string& name, unsigned n) {
  const std::size_t dot = name.rfind('.');
  const std::size_t at = dot == std::string::npos || dot == 0 ? name.size() : dot;
  return name.substr(0, at) + "~" + std::to_string(n) + name.substr(at);
}

std::string FailureReason(const ExportFailure& failure) {
  const std::string cause = failure.error != 0 ? std::string(": ") + std::strerror(failure.error) : "";
  switch (failure.kind) {
    case ExportFailure::Kind::kRead:
      return "cannot be read" + cause;
    case ExportFailure::Kind::kWrite:
      return "cannot be written" + cause;
    case ExportFailure::Kind::kLeavesFolder:
      return "refused: the name leaves the export folder";
    case ExportFailure::Kind::kCustomFile:
      return "refused: a custom file being exported is never replaced";
    case ExportFailure::Kind::kLink:
      return "refused: a symbolic link on the way, which an export never follows";
    default:
      return "refused";
  }
}

}  // namespace

ManifestRecorder::ManifestRecorder(const EntryTree& tree, std::filesystem::path destination)
    : tree_(tree), destination_(std::move(destination)) {}

std::string ManifestRecorder::Relative(const OutputPath& path) {
  std::string text;
  for (const std::string& component : path.components) {
    if (!text.empty()) text.push_back('/');
    text += component;
  }
  return text;
}

void ManifestRecorder::Claim(OutputPath& path, std::size_t from, Use last) {
  std::string at =
      OutputPath{path.exportFolder, {path.components.begin(), path.components.begin() + from}, false}.Text();
  for (std::size_t i = from; i < path.components.size(); ++i) {
    const Use use = i + 1 == path.components.size() ? last : Use::kSharedFolder;
    const std::string name = path.components[i];
    for (unsigned n = name.empty() ? 2 : 1;; ++n) {
      path.components[i] = n == 1 ? name : Numbered(name, n);
      std::string candidate = at + "/" + path.components[i];
      const auto it = used_.find(candidate);
      // Folders made for names with a separator may be shared; nothing else.
      if (it == used_.end() || (use == Use::kSharedFolder && it->second == Use::kSharedFolder)) {
        used_[candidate] = use;
        at = std::move(candidate);
        break;
      }
    }
  }
}

const OutputPath& ManifestRecorder::FolderOf(ItemId item) {
  if (const auto it = folders_.find(item); it != folders_.end()) return it->second;
  const ItemId parent = tree_.Parent(item);
  OutputPath folder;
  if (parent == kNoItem) {
    folder.exportFolder = ExportFolderIn(destination_, tree_.Text(item));
    used_[folder.Text()] = Use::kOwnFolder;
    used_[folder.Text() + "/" + kManifestName] = Use::kFile;
  } else {
    folder = FolderOf(parent);
    // The components the branch's own name adds, as the export forms them.
    const OutputPath own = BuildItemPath(tree_, item, destination_);
    const std::size_t above = BuildItemPath(tree_, parent, destination_).components.size();
    const std::size_t from = folder.components.size();
    folder.components.insert(folder.components.end(),
                             own.components.begin() + static_cast<std::ptrdiff_t>(above),
                             own.components.end());
    folder.leavesExportFolder = folder.leavesExportFolder || own.leavesExportFolder;
    if (folder.components.size() == from) folder.components.emplace_back();
    if (!folder.leavesExportFolder) Claim(folder, from, Use::kOwnFolder);
  }
  return folders_.emplace(item, std::move(folder)).first->second;
}

void ManifestRecorder::ClaimFile(ItemId item, OutputPath& target) {
  const std::size_t from = FolderOf(tree_.Parent(item)).components.size();
  if (target.components.size() == from) target.components.emplace_back();
  Claim(target, from, Use::kFile);
}

void ManifestRecorder::Written(ItemId item, const OutputPath& target, const ExtractResult& extracted) {
  const EntryData& data = *extracted.data;
  records_[item] = {
      Relative(target), {}, extracted.compression, data.size(), HashBytes(data.data(), data.size())};
}

void ManifestRecorder::Failed(ItemId item, const ExportFailure& failure) {
  records_[item].reason = FailureReason(failure);
}

void ManifestRecorder::Kept(ItemId item, bool cancelled) {
  records_[item].reason =
      cancelled ? "not written: the export was cancelled" : "not written: the file there was kept";
}

bool ManifestRecorder::BuildManifest(ItemId root, bool skipExtractable, Manifest& manifest) {
  const std::string path(tree_.Text(root));
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return false;
  const bool hashed = HashFile(fd, manifest.hash, &manifest.size);
  const int error = errno;
  ::close(fd);
  CustomFile file(path);
  if (!hashed || !file.IsOpen()) {
    errno = hashed ? (file.OpenError() != 0 ? file.OpenError() : EIO) : error;
    return false;
  }
  bool read = true;
  tree_.ForEachPreOrder(root, [&](ItemId item, unsigned depth) {
    if (depth == 0 || !read) return;
    ManifestEntry& entry = manifest.entries.emplace_back();
    entry.path = EntryPathOf(tree_, item);
    entry.offset = tree_.Data(item);
    entry.depth = depth;
    entry.branch = tree_.HasChildren(item);
    unsigned char header[kEntryHeaderSize];
    file.MoveTo(tree_.Data(item));
    read = file.ReadZeroed(header, sizeof header);
    entry.nameField = HeaderNameField(header);
    if (entry.branch) {
      const OutputPath& folder = FolderOf(item);
      if (!folder.leavesExportFolder) entry.folder = Relative(folder);
    }
    const auto it = records_.find(item);
    if (it != records_.end() && !it->second.file.empty()) {
      entry.file = it->second.file;
      entry.compression = it->second.compression;
      entry.length = it->second.length;
      entry.hash = it->second.hash;
      return;
    }
    entry.reason = it != records_.end()              ? it->second.reason
                   : entry.branch && skipExtractable ? "a branch: its entries are in its folder"
                   : !tree_.IsChecked(item)          ? "not picked by --include or --exclude"
                                                     : "not written";
    if (!entry.branch) {
      // The first bytes tell whether the payload may be a stream at all.
      unsigned char head[16 + kZeroTail];
      const EntryFacts facts = InspectEntry(file, tree_.Data(item), head, 16);
      if (facts.ok) entry.compression = facts.compression;
    }
  });
  if (!read) errno = EIO;
  return read;
}

bool WriteManifestFile(const std::filesystem::path& exportFolder, const Manifest& manifest) {
  const FolderHandle folder = OpenOutputFolder(OutputPath{exportFolder, {}, false}, true);
  if (!folder) return false;
  const std::string text = ManifestJson(manifest);
  return WriteOutputFile(folder, kManifestName, reinterpret_cast<const unsigned char*>(text.data()),
                         text.size(), true, PosixFileWriter());
}

}  // namespace cfv
