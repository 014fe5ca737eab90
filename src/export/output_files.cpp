#include "export/output_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <random>
#include <string_view>
#include <system_error>
#include <utility>

namespace cfv {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// Opens `name` inside `parent` as a folder without following a link,
// creating it first when asked. A link there fails with ELOOP, whatever the
// system said (O_DIRECTORY may report it as ENOTDIR).
FolderHandle OpenChild(int parent, const std::string& name, bool create) {
  // Open first: the folder usually exists already (every entry of a folder
  // comes here), and a mkdirat that fails with EEXIST would cost a system
  // call per entry for nothing.
  FolderHandle handle(::openat(parent, name.c_str(), kFolderFlags | O_NOFOLLOW));
  if (!handle && create && errno == ENOENT) {
    const bool made = ::mkdirat(parent, name.c_str(), 0777) == 0;
    if (!made && errno != EEXIST) return FolderHandle();
    handle = FolderHandle(::openat(parent, name.c_str(), kFolderFlags | O_NOFOLLOW), made);
  }
  if (!handle && (errno == ENOTDIR || errno == ELOOP)) {
    struct stat info;
    if (::fstatat(parent, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode))
      errno = ELOOP;
  }
  return handle;
}

// Opens the export folder: its parent as the user's path, the folder itself
// without following a link.
FolderHandle OpenExportFolder(const std::filesystem::path& exportFolder, bool create) {
  // "", "." and ".." (and what Windows reads as them) would be the custom
  // file's own folder or one above it, never a new folder inside it.
  if (!ExportFolderNameIsUsable(exportFolder)) {
    errno = EACCES;
    return FolderHandle();
  }
  const std::filesystem::path name = exportFolder.filename();
  std::filesystem::path parent = exportFolder.parent_path();
  if (parent.empty()) parent = ".";
  FolderHandle parentHandle(::open(parent.c_str(), kFolderFlags));
  if (!parentHandle && create && errno == ENOENT) {
    // The reason the folders above cannot be made is the one to report (a
    // read-only file system, a parent without write access), not the
    // ENOENT of the open that follows.
    std::error_code made;
    std::filesystem::create_directories(parent, made);
    parentHandle = FolderHandle(::open(parent.c_str(), kFolderFlags));
    if (!parentHandle && made) errno = made.value();
  }
  if (!parentHandle) return FolderHandle();
  return OpenChild(parentHandle.fd(), name.string(), create);
}

constexpr std::string_view kTemporaryPrefix = ".cfv-export-";
constexpr std::string_view kTemporarySuffix = ".tmp";
constexpr std::size_t kTemporaryDigits = 12;

// A fresh random temporary name, for the moment before a named file's
// inode is known.
std::string RandomTemporaryName() {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  static const char kHex[] = "0123456789abcdef";
  std::string name(kTemporaryPrefix);
  std::uint64_t bits = random();
  for (std::size_t i = 0; i < kTemporaryDigits; ++i, bits >>= 4) name.push_back(kHex[bits & 15]);
  name += kTemporarySuffix;
  return name;
}

bool IsTemporaryName(std::string_view name) {
  if (name.size() != kTemporaryPrefix.size() + kTemporaryDigits + kTemporarySuffix.size() ||
      !name.starts_with(kTemporaryPrefix) || !name.ends_with(kTemporarySuffix))
    return false;
  for (const char c : name.substr(kTemporaryPrefix.size(), kTemporaryDigits))
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

// The umask, read without changing it (umask() would change it for a moment
// for every thread); the usual 022 where the kernel does not tell.
mode_t CurrentUmask() {
  static const mode_t mask = [] {
    std::FILE* status = std::fopen("/proc/self/status", "re");
    unsigned value = 022;
    if (status != nullptr) {
      char line[256];
      while (std::fgets(line, sizeof line, status) != nullptr)
        if (std::sscanf(line, "Umask: %o", &value) == 1) break;
      std::fclose(status);
    }
    return static_cast<mode_t>(value & 0777);
  }();
  return mask;
}

}  // namespace

bool FileWriter::WriteAll(int fd, const unsigned char* data, std::size_t length) {
  while (length > 0) {
    const ssize_t n = ::write(fd, data, length);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {
      errno = EIO;
      return false;
    }
    data += n;
    length -= static_cast<std::size_t>(n);
  }
  return true;
}

bool FileWriter::Flush(int fd) { return ::fsync(fd) == 0; }

bool FileWriter::Close(int fd) { return ::close(fd) == 0; }

int FileWriter::OpenUnnamed(int folder, mode_t mode) {
  return ::openat(folder, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
}

FileWriter& PosixFileWriter() {
  static FileWriter writer;
  return writer;
}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    created_ = other.created_;
    other.fd_ = -1;
  }
  return *this;
}

FolderHandle::~FolderHandle() {
  if (fd_ >= 0) ::close(fd_);
}

FolderHandle OpenOutputFolder(const OutputPath& folder, bool create) {
  if (folder.leavesExportFolder) {
    errno = EACCES;
    return FolderHandle();
  }
  FolderHandle handle = OpenExportFolder(folder.exportFolder, create);
  if (!handle || folder.components.empty()) return handle;
  return OpenOutputSubfolder(handle, folder.components, create);
}

FolderHandle OpenOutputSubfolder(const FolderHandle& base, std::span<const std::string> components,
                                 bool create) {
  if (components.empty()) return FolderHandle(::fcntl(base.fd(), F_DUPFD_CLOEXEC, 0));
  FolderHandle handle = OpenChild(base.fd(), components.front(), create);
  for (const std::string& component : components.subspan(1)) {
    if (!handle) break;
    handle = OpenChild(handle.fd(), component, create);
  }
  return handle;
}

TargetKind InspectTarget(const FolderHandle& folder, const std::string& name) {
  struct stat info;
  if (::fstatat(folder.fd(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return TargetKind::kNothing;
  return S_ISDIR(info.st_mode) ? TargetKind::kFolder : TargetKind::kOther;
}

std::optional<std::string> LinkOnPath(const OutputPath& folder) {
  OutputPath step{folder.exportFolder, {}, false};
  for (std::size_t i = 0;; ++i) {
    struct stat info;
    if (::lstat(step.Text().c_str(), &info) != 0) return std::nullopt;
    if (S_ISLNK(info.st_mode)) return step.Text();
    if (i == folder.components.size()) return std::nullopt;
    step.components.push_back(folder.components[i]);
  }
}

std::string TemporaryNameFor(std::uint64_t device, std::uint64_t inode) {
  // splitmix64 over both numbers: any change of either changes every digit.
  std::uint64_t h = inode * 0x9E3779B97F4A7C15ull ^ (device + 0x632BE59BD9B4E019ull);
  h = (h ^ (h >> 30)) * 0xBF58476D1CE4E5B9ull;
  h = (h ^ (h >> 27)) * 0x94D049BB133111EBull;
  h ^= h >> 31;
  static const char kHex[] = "0123456789abcdef";
  std::string name(kTemporaryPrefix);
  for (std::size_t i = 0; i < kTemporaryDigits; ++i, h >>= 4) name.push_back(kHex[h & 15]);
  name += kTemporarySuffix;
  return name;
}

namespace {

constexpr int kNewFileFlags = O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;

// Removes `name` from `folder`, keeping errno.
void RemoveKeepingErrno(int folder, const std::string& name) {
  const int failure = errno;
  ::unlinkat(folder, name.c_str(), 0);
  errno = failure;
}

// Whether files opened with O_TMPFILE can be given a name: linkat through
// /proc/self/fd works without privileges (AT_EMPTY_PATH does not).
bool ProcFdUsable() {
  static const bool usable = ::access("/proc/self/fd", X_OK) == 0;
  return usable;
}

std::string ProcFdPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// Gives the unnamed file `fd` the name `name` in `folder`; fails with EEXIST
// when anything is there. AT_EMPTY_PATH is the cheaper way, but before Linux
// 6.10 only privileged callers may use it (ENOENT otherwise): once refused,
// the path through /proc serves from then on.
bool LinkUnnamed(int fd, int folder, const std::string& name) {
  static std::atomic<bool> emptyPathRefused{false};
  if (!emptyPathRefused.load(std::memory_order_relaxed)) {
    if (::linkat(fd, "", folder, name.c_str(), AT_EMPTY_PATH) == 0) return true;
    if (errno != ENOENT && errno != EPERM) return false;
    if (::linkat(AT_FDCWD, ProcFdPath(fd).c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) != 0)
      return false;
    emptyPathRefused.store(true, std::memory_order_relaxed);
    return true;
  }
  return ::linkat(AT_FDCWD, ProcFdPath(fd).c_str(), folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

// Whether an unnamed file could not be opened only because the file system
// has none (then a named temporary file serves).
bool NoUnnamedFiles(int error) { return error == EOPNOTSUPP || error == EISDIR || error == EINVAL; }

// Whether `name` in `folder` is the file open as `fd`.
bool NameIsFile(int folder, const std::string& name, int fd) {
  struct stat byName, byFd;
  return ::fstatat(folder, name.c_str(), &byName, AT_SYMLINK_NOFOLLOW) == 0 && ::fstat(fd, &byFd) == 0 &&
         byName.st_dev == byFd.st_dev && byName.st_ino == byFd.st_ino;
}

// Creates a named temporary file in `folder` (mode 0000, so a sweep may take
// it if a kill comes before it is renamed), locks it, makes sure no sweep
// took it before the lock, and renames it to the name its inode gives
// (TemporaryNameFor). Returns the descriptor and sets `name`; -1 with errno
// on failure.
int CreateNamedTemporary(int folder, std::string& name) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = RandomTemporaryName();
    const int fd = ::openat(folder, name.c_str(), kNewFileFlags, 0);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return -1;
    }
    // A sweep may have taken the name between the open and the lock; then
    // the file is someone else's no longer and another one is made.
    ::flock(fd, LOCK_EX);
    if (!NameIsFile(folder, name, fd)) {
      ::close(fd);
      continue;
    }
    struct stat info;
    if (::fstat(fd, &info) == 0) {
      const std::string marked = TemporaryNameFor(info.st_dev, info.st_ino);
      if (::renameat2(folder, name.c_str(), folder, marked.c_str(), RENAME_NOREPLACE) == 0) name = marked;
    }
    return fd;
  }
  errno = EEXIST;
  return -1;
}

// The mode a committed file takes (see Ownership), after giving it the old
// file's owner when asked.
void SetFinalMode(int folder, const std::string& name, int fd, Ownership ownership, const struct stat* like) {
  const mode_t fresh = 0666 & ~CurrentUmask();
  struct stat old;
  if (like != nullptr) {
    old = *like;
  } else if (::fstatat(folder, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) != 0) {
    old.st_mode = 0;
  }
  if (!S_ISREG(old.st_mode)) {
    ::fchmod(fd, fresh);
    return;
  }
  const uid_t self = ::geteuid();
  if (ownership == Ownership::kKeepOwner && self == 0 && ::fchown(fd, old.st_uid, old.st_gid) == 0) {
    ::fchmod(fd, old.st_mode & 0777);
    return;
  }
  ::fchmod(fd, old.st_uid == self ? old.st_mode & 0777 : fresh);
}

// A new file appears at its name whole or not at all: it is written unnamed
// and then linked to its name, which fails when anything, a link included,
// is there by then, so nothing is replaced that nobody was asked about. A
// kill at any moment leaves the name empty or holding the whole file. No
// flush: no old data is at stake. The usual case costs four system calls:
// open, write, link, close; an unnamed file needs no lock (no sweep can see
// it) and is linked before it is closed; a failed close then takes the name
// away again.
bool WriteNewFileUnnamed(int folder, const std::string& name, const unsigned char* data, std::size_t length,
                         FileWriter& writer, bool& tried) {
  tried = false;
  if (!ProcFdUsable()) return false;
  const int fd = writer.OpenUnnamed(folder, 0666);
  if (fd < 0) {
    tried = !NoUnnamedFiles(errno);
    return false;
  }
  tried = true;
  if (!writer.WriteAll(fd, data, length) || !LinkUnnamed(fd, folder, name)) {
    const int failure = errno;
    writer.Close(fd);
    errno = failure;
    return false;
  }
  if (writer.Close(fd)) return true;
  RemoveKeepingErrno(folder, name);
  return false;
}

}  // namespace

PendingFile::PendingFile(PendingFile&& other) noexcept { *this = std::move(other); }

PendingFile& PendingFile::operator=(PendingFile&& other) noexcept {
  if (this != &other) {
    Discard();
    folder_ = std::exchange(other.folder_, -1);
    fd_ = std::exchange(other.fd_, -1);
    hold_ = std::exchange(other.hold_, -1);
    temporaryName_ = std::exchange(other.temporaryName_, {});
    writer_ = std::exchange(other.writer_, nullptr);
  }
  return *this;
}

PendingFile::~PendingFile() { Discard(); }

void PendingFile::Discard() {
  // Runs after failures (and from the destructor): the failure's errno is
  // the one to report, not what cleaning up gives.
  const int failure = errno;
  if (fd_ >= 0) writer_->Close(fd_);
  fd_ = -1;
  if (!temporaryName_.empty()) ::unlinkat(folder_, temporaryName_.c_str(), 0);
  temporaryName_.clear();
  if (hold_ >= 0) ::close(hold_);
  hold_ = -1;
  errno = failure;
}

bool PendingFile::Open(const FolderHandle& folder, FileWriter& writer) {
  Discard();
  folder_ = folder.fd();
  writer_ = &writer;
  // Mode 0000 until committed: what a kill leaves is a writer's, never a
  // file that looks like a user's.
  if (ProcFdUsable()) {
    fd_ = writer.OpenUnnamed(folder_, 0);
    if (fd_ < 0 && !NoUnnamedFiles(errno)) return false;
  }
  if (fd_ < 0) {
    fd_ = CreateNamedTemporary(folder_, temporaryName_);
    if (fd_ < 0) return false;
  }
  // The second descriptor keeps the lock (and an unnamed file) until the
  // writer's descriptor is closed and the file is committed or removed.
  hold_ = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
  if (hold_ < 0 || ::flock(hold_, LOCK_EX) != 0) {
    const int failure = errno;
    Discard();
    errno = failure;
    return false;
  }
  return true;
}

bool PendingFile::Write(const unsigned char* data, std::size_t length) {
  return writer_->WriteAll(fd_, data, length);
}

bool PendingFile::Commit(const std::string& name, bool replace, Ownership ownership, const struct stat* like) {
  // Only a replacement needs its data on disk before its name: a new name
  // has no old data at stake.
  bool ok = !replace || writer_->Flush(fd_);
  const int failure = errno;
  const bool closed = writer_->Close(fd_);
  fd_ = -1;
  if (!ok || !closed) {
    if (!ok) errno = failure;
    Discard();
    return false;
  }
  SetFinalMode(folder_, name, hold_, ownership, like);
  if (temporaryName_.empty()) {
    // An unnamed file is linked: at its name when nothing may be replaced,
    // else under the temporary name its inode gives, which a sweep knows as
    // a writer's if a kill comes before the rename.
    if (!replace) {
      ok = LinkUnnamed(hold_, folder_, name);
      Discard();
      return ok;
    }
    struct stat info;
    if (::fstat(hold_, &info) != 0 ||
        !LinkUnnamed(hold_, folder_, TemporaryNameFor(info.st_dev, info.st_ino))) {
      Discard();
      return false;
    }
    temporaryName_ = TemporaryNameFor(info.st_dev, info.st_ino);
  }
  if (replace) {
    ok = ::renameat(folder_, temporaryName_.c_str(), folder_, name.c_str()) == 0;
  } else {
    ok = ::renameat2(folder_, temporaryName_.c_str(), folder_, name.c_str(), RENAME_NOREPLACE) == 0;
    if (!ok && errno == EINVAL) {
      // No RENAME_NOREPLACE here: a hard link fails on an existing name too.
      ok = ::linkat(folder_, temporaryName_.c_str(), folder_, name.c_str(), 0) == 0;
      if (ok) ::unlinkat(folder_, temporaryName_.c_str(), 0);
    }
  }
  if (ok) temporaryName_.clear();
  Discard();
  return ok;
}

void SweepLeftovers(const FolderHandle& folder, const FileIds& keep) {
  const int listing = ::openat(folder.fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing < 0) return;
  DIR* dir = ::fdopendir(listing);
  if (dir == nullptr) {
    ::close(listing);
    return;
  }
  while (const dirent* entry = ::readdir(dir)) {
    if (!IsTemporaryName(entry->d_name)) continue;
    const int fd = ::openat(folder.fd(), entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat info;
    // The writer's mark: the name its inode gives, or mode 0000 and no
    // bytes (a named file killed before its renaming). Never one of `keep`,
    // never one a running writer holds (it keeps it locked), and the name
    // must still be this file once the lock is had.
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        (entry->d_name == TemporaryNameFor(info.st_dev, info.st_ino) ||
         ((info.st_mode & 07777) == 0 && info.st_size == 0)) &&
        !keep.contains({info.st_dev, info.st_ino}) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        NameIsFile(folder.fd(), entry->d_name, fd))
      ::unlinkat(folder.fd(), entry->d_name, 0);
    ::close(fd);
  }
  ::closedir(dir);
}

bool WriteOutputFile(const FolderHandle& folder, const std::string& name, const unsigned char* data,
                     std::size_t length, bool replace, FileWriter& writer) {
  if (!replace) {
    bool tried = false;
    if (WriteNewFileUnnamed(folder.fd(), name, data, length, writer, tried)) return true;
    if (tried) return false;
  }
  PendingFile pending;
  return pending.Open(folder, writer) && pending.Write(data, length) && pending.Commit(name, replace);
}

}  // namespace cfv
