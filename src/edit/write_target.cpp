#include "edit/write_target.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "edit/custom_file_writer.h"

namespace cfv {

std::filesystem::path FollowLinks(const std::filesystem::path& path) {
  std::filesystem::path at = path;
  for (int hop = 0; hop < 40; ++hop) {
    std::error_code error;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(at, error))) break;
    const std::filesystem::path next = std::filesystem::read_symlink(at, error);
    if (error) break;
    at = next.is_absolute() ? next : at.parent_path() / next;
  }
  return at;
}

WriteTarget::~WriteTarget() {
  if (fd_ >= 0) ::close(fd_);
}

std::filesystem::path WriteTarget::BackupPath() const { return path_.parent_path() / (name_ + ".bak"); }

bool WriteTarget::Open(const std::filesystem::path& path, bool backup, Failure& failure) {
  path_ = FollowLinks(path);
  name_ = path_.filename().string();
  std::filesystem::path parent = path_.parent_path();
  if (parent.empty()) parent = ".";
  folder_ = FolderHandle(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!folder_) {
    failure = {parent, errno, {}};
    return false;
  }
  // The leftovers of killed writers, before this one locks anything (a
  // temporary link to the target is one of them).
  SweepLeftovers(folder_);
  fd_ = ::openat(folder_.fd(), name_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd_ < 0 && errno != ENOENT) {
    failure = {path_, errno, {}};
    return false;
  }
  if (fd_ >= 0) {
    if (::fstat(fd_, &stat_) != 0 || !S_ISREG(stat_.st_mode)) {
      failure = {path_, 0, "not a regular file"};
      return false;
    }
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      failure = {path_, 0, errno == EWOULDBLOCK ? "another program is writing it (it is locked)" : ""};
      if (failure.text.empty()) failure.error = errno;
      return false;
    }
  }
  if (backup) {
    struct stat info;
    const std::string bak = name_ + ".bak";
    if (::fstatat(folder_.fd(), bak.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
        (S_ISDIR(info.st_mode) || S_ISLNK(info.st_mode))) {
      failure = {BackupPath(), 0,
                 S_ISDIR(info.st_mode) ? "is a folder, so the old file cannot be kept there"
                                       : "is a symbolic link, so the old file cannot be kept there"};
      return false;
    }
  }
  return true;
}

bool WriteTarget::Unchanged() const {
  struct stat now, atName;
  const bool named = ::fstatat(folder_.fd(), name_.c_str(), &atName, AT_SYMLINK_NOFOLLOW) == 0;
  if (fd_ < 0) return !named;
  return named && ::fstat(fd_, &now) == 0 && atName.st_dev == stat_.st_dev && atName.st_ino == stat_.st_ino &&
         now.st_size == stat_.st_size && now.st_mtim.tv_sec == stat_.st_mtim.tv_sec &&
         now.st_mtim.tv_nsec == stat_.st_mtim.tv_nsec;
}

bool WriteTarget::MakeBackup(Failure& failure) {
  const std::string bak = name_ + ".bak";
  const std::string temporary = TemporaryNameFor(stat_.st_dev, stat_.st_ino);
  // A hard link to the very file that is locked, through its descriptor.
  const std::string self = "/proc/self/fd/" + std::to_string(fd_);
  ::unlinkat(folder_.fd(), temporary.c_str(), 0);  // a leftover of this same file, if any
  if (::linkat(AT_FDCWD, self.c_str(), folder_.fd(), temporary.c_str(), AT_SYMLINK_FOLLOW) == 0) {
    if (::renameat(folder_.fd(), temporary.c_str(), folder_.fd(), bak.c_str()) == 0) {
      // When FILE.bak already was this very file (a run killed after keeping
      // it), the rename does nothing and leaves the temporary name.
      ::unlinkat(folder_.fd(), temporary.c_str(), 0);
      return true;
    }
    failure = {BackupPath(), errno, {}};
    ::unlinkat(folder_.fd(), temporary.c_str(), 0);
    return false;
  }
  // No hard links here: a copy, written as safely as the file itself.
  PendingFile copy;
  if (!copy.Open(folder_, PosixFileWriter()) || !CopyFileRange(fd_, 0, copy.fd(), stat_.st_size) ||
      !copy.Commit(bak, true, Ownership::kKeepOwner, &stat_)) {
    failure = {BackupPath(), errno, {}};
    return false;
  }
  return true;
}

bool WriteTarget::Commit(PendingFile& pending, bool backup, Failure& failure) {
  if (!Unchanged()) {
    failure = {path_, 0, "changed since it was read; nothing was written"};
    return false;
  }
  if (backup && fd_ >= 0 && !MakeBackup(failure)) return false;
  if (!pending.Commit(name_, fd_ >= 0, Ownership::kKeepOwner)) {
    failure = {path_, errno, {}};
    return false;
  }
  // The new name itself on disk too.
  ::fsync(folder_.fd());
  return true;
}

}  // namespace cfv
