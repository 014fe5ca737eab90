#include "export/output_folder_cache.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <span>
#include <utility>

namespace cfv {
namespace {

// True when `kept` (of the same export folder) is `folder` or a folder
// above it.
bool IsOnPath(const std::vector<std::string>& kept, const std::vector<std::string>& folder) {
  return kept.size() <= folder.size() && std::equal(kept.begin(), kept.end(), folder.begin());
}

}  // namespace

const FolderHandle& OutputFolderCache::Open(const OutputPath& folder, bool create) {
  if (folder.leavesExportFolder) {
    errno = EACCES;
    return none_;
  }
  // The deepest kept folder on the path; the export folder is compared as
  // written, so two spellings of one folder are simply two entries.
  auto best = kept_.end();
  for (auto it = kept_.begin(); it != kept_.end(); ++it) {
    if (it->exportFolder.native() != folder.exportFolder.native() ||
        !IsOnPath(it->components, folder.components))
      continue;
    if (best == kept_.end() || it->components.size() > best->components.size()) best = it;
    if (best->components.size() == folder.components.size()) break;
  }

  if (best != kept_.end() && best->components.size() == folder.components.size()) {
    std::rotate(kept_.begin(), best, best + 1);
    return kept_.front().handle;
  }

  FolderHandle handle =
      best != kept_.end()
          ? OpenOutputSubfolder(
                best->handle,
                std::span<const std::string>(folder.components).subspan(best->components.size()), create)
          : OpenOutputFolder(folder, create);
  if (!handle) return none_;
  // A folder this export has just made holds no leftovers: only one that
  // was there before is swept.
  struct stat info;
  if (!handle.created() && ::fstat(handle.fd(), &info) == 0 &&
      swept_.emplace(info.st_dev, info.st_ino).second)
    SweepLeftovers(handle, keep_ != nullptr ? *keep_ : FileIds{});
  if (kept_.size() == kCapacity) kept_.pop_back();
  kept_.insert(kept_.begin(), Kept{folder.exportFolder, folder.components, std::move(handle)});
  return kept_.front().handle;
}

}  // namespace cfv
