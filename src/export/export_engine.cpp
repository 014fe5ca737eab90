#include "export/export_engine.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>

#include "containers/extract.h"
#include "export/output_name.h"

namespace cfv {

ExportEngine::ExportEngine(const EntryTree& tree, ExportState& state, ExportUser& user, FileWriter& writer)
    : tree_(tree), state_(state), user_(user), writer_(writer) {}

ExportSummary ExportEngine::Run(const ExportOptions& options) {
  state_.options = options;
  state_.overwriteAnswer = OverwriteAnswer::kNone;
  summary_ = ExportSummary();
  checkedRoot_ = kNoItem;
  folders_.ForgetSweeps();
  customFiles_.clear();
  for (ItemId root = tree_.FirstRoot(); root != kNoItem; root = tree_.NextSibling(root)) {
    struct stat info;
    if (::stat(std::string(tree_.Text(root)).c_str(), &info) == 0)
      customFiles_.emplace_back(info.st_dev, info.st_ino);
  }
  std::sort(customFiles_.begin(), customFiles_.end());
  ExportCheckedItems(tree_.FirstRoot());
  // The folders may be moved or removed once the export is over.
  folders_.Clear();
  user_.ExportFinished();
  return summary_;
}

void ExportEngine::ExportCheckedItems(ItemId item) {
  if (item == kNoItem) return;
  const ItemId stopAt = tree_.Parent(item);
  while (item != kNoItem) {
    ExportCheckedItem(item);
    if (tree_.HasChildren(item)) {
      item = tree_.FirstChild(item);
      continue;
    }
    // Climb to the next sibling of the nearest item that has one, never above
    // the level the walk started at.
    while (item != kNoItem && tree_.NextSibling(item) == kNoItem) {
      item = tree_.Parent(item);
      if (item == stopAt) item = kNoItem;
    }
    if (item != kNoItem) item = tree_.NextSibling(item);
  }
}

bool ExportEngine::RootIsExportable(ItemId root) {
  if (root == checkedRoot_) return checkedRootExportable_;
  checkedRoot_ = root;
  const std::string_view path = tree_.Text(root);
  checkedRootExportable_ = ExportFolderNameIsUsable(ExportFolderOf(path));
  if (!checkedRootExportable_) user_.FolderNameRefused(std::string(path));
  return checkedRootExportable_;
}

bool ExportEngine::IsCustomFile(const FolderHandle& folder, const std::string& name) const {
  struct stat info;
  if (::fstatat(folder.fd(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return false;
  return std::binary_search(customFiles_.begin(), customFiles_.end(),
                            std::pair<std::uint64_t, std::uint64_t>(info.st_dev, info.st_ino));
}

void ExportEngine::ExportCheckedItem(ItemId item) {
  if (tree_.Parent(item) == kNoItem || !tree_.IsChecked(item)) return;
  if (!RootIsExportable(tree_.RootOf(item))) {
    if (state_.options.skipExtractable == 0 || !tree_.HasChildren(item)) ++summary_.writeErrors;
    return;
  }
  // CreateDirectoryChain, keeping the handle for the writes that follow.
  // Failures show as the write messages of the entries meant to go there.
  const OutputPath folder = ItemFolder(tree_, item);
  if (!folder.leavesExportFolder) (void)folders_.Open(folder, true);
  ExportItem(item);
}

void ExportEngine::ExportItem(ItemId item) {
  if (state_.options.skipExtractable != 0 && tree_.HasChildren(item)) return;
  const std::uint32_t offset = tree_.Data(item);
  const ItemId parent = tree_.Parent(item);
  const ItemId root = tree_.RootOf(item);
  WriteEntryFile(std::filesystem::path(tree_.Text(root)), offset, BuildItemPath(tree_, parent),
                 tree_.Text(item), state_.options.renameExtension != 0);
}

void ExportEngine::WriteEntryFile(const std::filesystem::path& customFilePath, std::uint32_t offset,
                                  const OutputPath& destinationFolder, std::string_view entryName,
                                  bool renameExtension) {
  WriteEntry(customFilePath, offset, destinationFolder, entryName, renameExtension);
  // A question may keep the user away for any time, during which folders
  // can be moved or removed: what follows opens them afresh.
  if (userAsked_) folders_.Clear();
  userAsked_ = false;
}

void ExportEngine::WriteEntry(const std::filesystem::path& customFilePath, std::uint32_t offset,
                              const OutputPath& destinationFolder, std::string_view entryName,
                              bool renameExtension) {
  if (state_.overwriteAnswer == OverwriteAnswer::kCancel) {
    ++summary_.cancelled;
    return;
  }
  ExtractResult extracted = ExtractEntry(customFilePath, offset);
  if (!extracted) {
    ++summary_.readErrors;
    user_.ReadFailed(customFilePath.string());
    return;
  }
  const EntryData& data = *extracted.data;
  OutputPath target = destinationFolder;
  AppendNameComponents(OutputFileName(entryName, data.data(), data.size(), renameExtension), target);
  // An entry whose name leaves no file name would be written over its own
  // folder: it is refused like a name that leaves the export folder.
  const bool hasFileName = target.components.size() > destinationFolder.components.size();
  // Valid until the next folders_ call, which comes after this write.
  const FolderHandle noFolder;
  const FolderHandle& folder =
      hasFileName && !target.leavesExportFolder ? folders_.Open(target.Parent(), true) : noFolder;
  if (!folder) {
    ++summary_.writeErrors;
    user_.WriteFailed(target.Text());
    return;
  }
  const std::string& name = target.components.back();
  // In a folder this export has just made, nothing is there but what it
  // wrote: the new file is written at once, and only a name already taken
  // (EEXIST: two entries of one name) is looked at and asked about. This
  // spares a look-up per file where most files go.
  if (folder.created()) {
    if (WriteOutputFile(folder, name, data.data(), data.size(), false, writer_)) {
      ++summary_.written;
      return;
    }
    if (errno != EEXIST) {
      ++summary_.writeErrors;
      user_.WriteFailed(target.Text());
      return;
    }
  }
  const TargetKind existing = InspectTarget(folder, name);
  if (existing == TargetKind::kFolder) {
    ++summary_.writeErrors;
    user_.WriteFailed(target.Text());
    return;
  }
  // A custom file being exported is never replaced: an entry named like it
  // (or a hard link to it) would destroy what the export reads from.
  if (existing == TargetKind::kOther && IsCustomFile(folder, name)) {
    ++summary_.writeErrors;
    user_.WriteFailed(target.Text());
    return;
  }
  if (existing == TargetKind::kOther) {
    userAsked_ = true;
    OverwriteAnswer answer = user_.AskOverwrite(target.Text());
    if (answer == OverwriteAnswer::kNone) answer = OverwriteAnswer::kNo;
    state_.overwriteAnswer = answer;
    if (answer == OverwriteAnswer::kNo) {
      ++summary_.declined;
      return;
    }
    if (answer == OverwriteAnswer::kCancel) {
      ++summary_.cancelled;
      return;
    }
  }
  if (!WriteOutputFile(folder, name, data.data(), data.size(), existing == TargetKind::kOther, writer_)) {
    ++summary_.writeErrors;
    user_.WriteFailed(target.Text());
    return;
  }
  ++summary_.written;
}

}  // namespace cfv
