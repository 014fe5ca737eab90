#include "edit/folder_pack.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "containers/entry_header.h"
#include "containers/entry_name.h"
#include "containers/folder_scan.h"

namespace cfv {

bool ReadSourceFile(const std::filesystem::path& path, std::string& bytes, PackFailure& failure) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  struct stat info;
  if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    failure = {path, fd < 0 ? errno : 0, fd < 0 ? "" : "not a regular file"};
    if (fd >= 0) ::close(fd);
    return false;
  }
  bytes.resize(static_cast<std::size_t>(info.st_size));
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      failure = {path, errno, {}};
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  ::close(fd);
  return true;
}

std::shared_ptr<const LeafContent> PackedFileContent(std::string data, Compression compression) {
  const bool custom = data.size() >= kEntryHeaderSize &&
                      IsUsableEntryHeader(reinterpret_cast<const unsigned char*>(data.data()));
  if (!custom) return MakeLeafContent(std::move(data), compression);
  auto content = std::make_shared<LeafContent>();
  content->payload = data;
  content->data = std::move(data);
  content->formsBranch = true;
  return content;
}

bool PackFolder(const std::filesystem::path& folder, EditTree& tree, EditTree::NodeId branch,
                Compression compression, PackFailure& failure) {
  int error = 0;
  const std::vector<FolderEntry> entries = ListFolder(folder, &error);
  if (error != 0) {
    failure = {folder, error, {}};
    return false;
  }
  if (entries.empty()) {
    failure = {folder, 0, "is an empty folder, which would read back as an empty leaf"};
    return false;
  }
  for (const FolderEntry& entry : entries) {
    const std::filesystem::path path = JoinPath(folder, entry.name);
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0) {
      failure = {path, errno, {}};
      return false;
    }
    if (S_ISLNK(info.st_mode)) {
      failure = {path, 0, "is a symbolic link, which is not packed"};
      return false;
    }
    EncodedName name = EncodeEntryName(entry.name);
    if (name.problem != NameProblem::kNone) {
      failure = {path, 0, std::string("cannot be an entry name: the name ") + NameProblemText(name.problem)};
      return false;
    }
    if (S_ISDIR(info.st_mode)) {
      const EditTree::NodeId inner = tree.AddBranch(branch, std::move(name.field));
      if (!PackFolder(path, tree, inner, compression, failure)) return false;
      continue;
    }
    std::string data;
    if (!ReadSourceFile(path, data, failure)) return false;
    tree.AddLeaf(branch, std::move(name.field), PackedFileContent(std::move(data), compression));
  }
  return true;
}

}  // namespace cfv
