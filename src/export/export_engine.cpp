#include "export/export_engine.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "containers/extract.h"
#include "export/export_recorder.h"
#include "export/output_name.h"

namespace cfv {

ExportEngine::ExportEngine(const EntryTree& tree, ExportUser& user, FileWriter& writer)
    : tree_(tree), user_(user), writer_(writer) {}

ExportSummary ExportEngine::Run(const ExportOptions& options) {
  options_ = options;
  answer_ = OverwriteAnswer::kNone;
  summary_ = ExportSummary();
  checkedRoot_ = kNoItem;
  done_ = 0;
  total_ = 0;
  cancelRequested_.store(false, std::memory_order_relaxed);
  const ItemId subtree = options.subtree;
  tree_.ForEachPreOrder(subtree, [&](ItemId id, unsigned depth) {
    if ((subtree != kNoItem || (depth > 0 && tree_.IsChecked(id))) &&
        !(options.skipExtractable && tree_.HasChildren(id)))
      ++total_;
  });
  folders_.ForgetSweeps();
  customFiles_.clear();
  for (ItemId root = tree_.FirstRoot(); root != kNoItem; root = tree_.NextSibling(root)) {
    struct stat info;
    if (::stat(std::string(tree_.Text(root)).c_str(), &info) == 0)
      customFiles_.emplace(info.st_dev, info.st_ino);
  }
  folders_.KeepFiles(&customFiles_);
  if (subtree != kNoItem)
    tree_.ForEachPreOrder(subtree, [&](ItemId id, unsigned) { VisitWalkItem(id); });
  else
    ExportCheckedItems(tree_.FirstRoot());
  // The folders may be moved or removed once the export is over; no custom
  // file stays open after it.
  folders_.Clear();
  readFile_.reset();
  user_.ExportFinished(summary_);
  return summary_;
}

void ExportEngine::ExportCheckedItems(ItemId item) {
  for (; item != kNoItem; item = tree_.NextSibling(item))
    tree_.ForEachPreOrder(item, [this](ItemId id, unsigned) { VisitWalkItem(id); });
}

bool ExportEngine::RootIsExportable(ItemId root) {
  // A subtree goes into the destination itself, not a folder named after
  // its custom file.
  if (options_.subtree != kNoItem) return true;
  if (root == checkedRoot_) return checkedRootExportable_;
  checkedRoot_ = root;
  const std::string_view path = tree_.Text(root);
  const std::filesystem::path& destination = options_.destination;
  checkedRootExportable_ = false;
  if (!ExportFolderNameIsUsable(ExportFolderIn(destination, path))) {
    user_.Failed({ExportFailure::Kind::kFolderName, std::string(path), 0});
  } else if (destination.empty() && !HasExtension(path)) {
    user_.Failed({ExportFailure::Kind::kNoExtension, std::string(path), 0});
  } else {
    checkedRootExportable_ = true;
  }
  return checkedRootExportable_;
}

void ExportEngine::Fail(std::uint32_t& counter, ExportFailure::Kind kind, std::string path, int error) {
  ++counter;
  const ExportFailure failure{kind, std::move(path), error};
  if (options_.recorder != nullptr && writing_ != kNoItem) options_.recorder->Failed(writing_, failure);
  user_.Failed(failure);
}

void ExportEngine::FailFolder(const OutputPath& target, int error) {
  if (error == ELOOP) {
    if (std::optional<std::string> link = LinkOnPath(target.Parent())) {
      Fail(summary_.writeErrors, ExportFailure::Kind::kLink, std::move(*link));
      return;
    }
  }
  Fail(summary_.writeErrors, ExportFailure::Kind::kWrite, target.Text(), error);
}

bool ExportEngine::MayReplace(const std::string& targetText) {
  OverwriteAnswer answer = answer_;
  if (answer != OverwriteAnswer::kYesToAll && answer != OverwriteAnswer::kNoToAll) {
    userAsked_ = true;
    answer = user_.AskOverwrite(targetText);
    if (answer == OverwriteAnswer::kNone) answer = OverwriteAnswer::kNo;
    answer_ = answer;
  }
  switch (answer) {
    case OverwriteAnswer::kNo:
    case OverwriteAnswer::kNoToAll:
      ++summary_.declined;
      if (options_.recorder != nullptr) options_.recorder->Kept(writing_, false);
      return false;
    case OverwriteAnswer::kCancel:
      ++summary_.cancelled;
      if (options_.recorder != nullptr) options_.recorder->Kept(writing_, true);
      return false;
    default:
      return true;
  }
}

const FolderHandle& ExportEngine::CreateDirectoryChain(const OutputPath& folder) {
  return folders_.Open(folder, true);
}

bool ExportEngine::IsCustomFile(const FolderHandle& folder, const std::string& name) const {
  struct stat info;
  if (::fstatat(folder.fd(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return false;
  return customFiles_.contains({info.st_dev, info.st_ino});
}

void ExportEngine::VisitWalkItem(ItemId item) {
  if (tree_.Parent(item) == kNoItem || !(tree_.IsChecked(item) || options_.subtree != kNoItem)) return;
  const bool toBeWritten = !options_.skipExtractable || !tree_.HasChildren(item);
  if (toBeWritten) {
    if (cancelRequested_.load(std::memory_order_relaxed) || !user_.Progress(done_, total_, tree_.Text(item)))
      answer_ = OverwriteAnswer::kCancel;
    ++done_;
  }
  if (!RootIsExportable(tree_.RootOf(item))) {
    if (toBeWritten) ++summary_.writeErrors;
    return;
  }
  // CreateDirectoryChain, keeping the handle for the writes that follow.
  // Failures show as the write messages of the entries meant to go there.
  // A dry run creates nothing. With a recorder the folders come with the
  // files (their names are known only then).
  if (options_.recorder == nullptr) {
    const OutputPath folder = ItemFolder(tree_, item, options_.destination, options_.subtree);
    if (!folder.leavesExportFolder && !options_.dryRun) (void)folders_.Open(folder, true);
  }
  ExportItem(item);
}

void ExportEngine::ExportItem(ItemId item) {
  if (options_.skipExtractable && tree_.HasChildren(item)) return;
  if (tree_.IsUnsaved(item)) {
    // Its bytes on disk are not what the tree shows: no file rather than
    // the old one.
    OutputPath target = BuildItemPath(tree_, tree_.Parent(item), options_.destination, options_.subtree);
    AppendNameComponents(std::string(tree_.Text(item)), target);
    Fail(summary_.writeErrors, ExportFailure::Kind::kUnsaved, target.Text());
    return;
  }
  const std::uint32_t offset = tree_.Data(item);
  const ItemId parent = tree_.Parent(item);
  const ItemId root = tree_.RootOf(item);
  held_ = tree_.Held(item);
  writing_ = item;
  WriteEntryFile(std::filesystem::path(tree_.Text(root)), offset,
                 options_.recorder != nullptr
                     ? options_.recorder->FolderOf(parent)
                     : BuildItemPath(tree_, parent, options_.destination, options_.subtree),
                 tree_.Text(item), options_.renameExtension);
  writing_ = kNoItem;
  held_ = nullptr;
}

void ExportEngine::WriteEntryFile(const std::filesystem::path& customFilePath, std::uint32_t offset,
                                  const OutputPath& destinationFolder, std::string_view entryName,
                                  bool renameExtension) {
  ExtractAndWrite(customFilePath, offset, destinationFolder, entryName, renameExtension);
  // A question may keep the user away for any time, during which folders
  // can be moved or removed: what follows opens them afresh.
  if (userAsked_) folders_.Clear();
  userAsked_ = false;
}

void ExportEngine::ExtractAndWrite(const std::filesystem::path& customFilePath, std::uint32_t offset,
                                   const OutputPath& destinationFolder, std::string_view entryName,
                                   bool renameExtension) {
  using Kind = ExportFailure::Kind;
  if (answer_ == OverwriteAnswer::kCancel) {
    ++summary_.cancelled;
    if (options_.recorder != nullptr) options_.recorder->Kept(writing_, true);
    return;
  }
  ExtractResult extracted;
  if (held_ != nullptr) {
    // An edited leaf: the data the edit gave it, not the bytes on disk.
    extracted = ExtractItem(tree_, writing_);
  } else {
    if (!readFile_ || readPath_ != customFilePath) {
      readFile_ = std::make_unique<CustomFile>(customFilePath);
      readPath_ = customFilePath;
    }
    if (!readFile_->IsOpen()) {
      const int error = readFile_->OpenError();
      readFile_.reset();
      Fail(summary_.readErrors, Kind::kRead, customFilePath.string(), error);
      return;
    }
    extracted = ExtractEntry(*readFile_, offset);
  }
  if (!extracted) {
    // A read error is a failure with its reason; nothing is written, so an
    // old file stays as it was.
    Fail(summary_.readErrors, Kind::kRead, customFilePath.string(), extracted.systemError);
    return;
  }
  const EntryData& data = *extracted.data;
  OutputPath target = destinationFolder;
  AppendNameComponents(OutputFileName(entryName, data.data(), data.size(), renameExtension), target);
  if (options_.recorder != nullptr && !target.leavesExportFolder)
    options_.recorder->ClaimFile(writing_, target);
  // An entry whose name leaves no file name would be written over its own
  // folder: it is refused like a name that leaves the export folder.
  const bool hasFileName = target.components.size() > destinationFolder.components.size();
  if (!hasFileName || target.leavesExportFolder) {
    Fail(summary_.writeErrors, Kind::kLeavesFolder, target.Text());
    return;
  }
  if (!options_.dryRun) {
    // Valid until the next folders_ call, which comes after this write.
    const FolderHandle& folder = CreateDirectoryChain(target.Parent());
    if (!folder) {
      FailFolder(target, errno);
      return;
    }
    if (!WriteTarget(folder, target, data)) return;
  } else {
    ++summary_.written;
    user_.EntryWritten(target.Text());
  }
  if (options_.recorder != nullptr) options_.recorder->Written(writing_, target, extracted);
}

bool ExportEngine::WriteTarget(const FolderHandle& folder, const OutputPath& target, const EntryData& data) {
  using Kind = ExportFailure::Kind;
  const std::string& name = target.components.back();
  // In a folder this export has just made, nothing is there but what it
  // wrote: the new file is written at once, and only a name already taken
  // (two entries of one name) is looked at and asked about. This spares a
  // look-up per file where most files go.
  TargetKind existing = folder.created() ? TargetKind::kNothing : InspectTarget(folder, name);
  // Another writer may make or remove the name between the look and the
  // write (two exports into one folder): look again and act on what is
  // there then, as the user's answer says.
  for (int attempt = 0;; ++attempt) {
    if (existing == TargetKind::kFolder) {
      Fail(summary_.writeErrors, Kind::kWrite, target.Text(), EISDIR);
      return false;
    }
    // A custom file being exported is never replaced: an entry named like
    // it (or a hard link to it) would destroy what the export reads from.
    if (existing == TargetKind::kOther && IsCustomFile(folder, name)) {
      Fail(summary_.writeErrors, Kind::kCustomFile, target.Text());
      return false;
    }
    if (existing == TargetKind::kOther && !MayReplace(target.Text())) return false;
    if (WriteOutputFile(folder, name, data.data(), data.size(), existing == TargetKind::kOther, writer_)) {
      ++summary_.written;
      user_.EntryWritten(target.Text());
      return true;
    }
    const int error = errno;
    if (error != EEXIST || attempt == 3) {
      Fail(summary_.writeErrors, Kind::kWrite, target.Text(), error);
      return false;
    }
    existing = InspectTarget(folder, name);
  }
}

}  // namespace cfv
