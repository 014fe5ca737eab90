#include "export/output_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <random>
#include <string_view>
#include <system_error>

namespace cfv {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// Opens `name` inside `parent` as a folder without following a link,
// creating it first when asked.
FolderHandle OpenChild(int parent, const std::string& name, bool create) {
  // Open first: the folder usually exists already (every entry of a folder
  // comes here), and a mkdirat that fails with EEXIST would cost a system
  // call per entry for nothing.
  FolderHandle handle(::openat(parent, name.c_str(), kFolderFlags | O_NOFOLLOW));
  if (handle || !create || errno != ENOENT) return handle;
  const bool made = ::mkdirat(parent, name.c_str(), 0777) == 0;
  if (!made && errno != EEXIST) return FolderHandle();
  return FolderHandle(::openat(parent, name.c_str(), kFolderFlags | O_NOFOLLOW), made);
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
  if (!parentHandle && create) {
    std::error_code ignored;
    std::filesystem::create_directories(parent, ignored);
    parentHandle = FolderHandle(::open(parent.c_str(), kFolderFlags));
  }
  if (!parentHandle) return FolderHandle();
  return OpenChild(parentHandle.fd(), name.string(), create);
}

constexpr std::string_view kTemporaryPrefix = ".cfv-export-";

// kTemporaryPrefix, 12 hexadecimal digits, ".tmp".
std::string TemporaryName() {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  static const char kHex[] = "0123456789abcdef";
  std::string name(kTemporaryPrefix);
  std::uint64_t bits = random();
  for (int i = 0; i < 12; ++i, bits >>= 4) name.push_back(kHex[bits & 15]);
  name += ".tmp";
  return name;
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

int FileWriter::OpenUnnamed(int folder) {
  return ::openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
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

namespace {

constexpr int kNewFileFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;

// Writes and closes `fd`; false on any failure, with the failing step's
// errno (a failed write's errno is not masked by a later close error).
bool WriteAndClose(int fd, const unsigned char* data, std::size_t length, bool flush, FileWriter& writer) {
  bool ok = writer.WriteAll(fd, data, length);
  if (ok && flush) ok = writer.Flush(fd);
  const int writeErrno = errno;
  const bool closed = writer.Close(fd);
  if (!ok) errno = writeErrno;
  return ok && closed;
}

// Removes `name` from `folder`, keeping errno.
void RemoveKeepingErrno(int folder, const std::string& name) {
  const int failure = errno;
  ::unlinkat(folder, name.c_str(), 0);
  errno = failure;
}

// Closes a descriptor of our own (not the writer's), keeping errno.
void CloseKeepingErrno(int fd) {
  const int failure = errno;
  ::close(fd);
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

// A file being written, not yet under its final name. `fd` goes to the
// writer, which closes it; `hold` is a second descriptor of the same open
// file that keeps the lock (and, for an unnamed file, the file itself) until
// Release.
struct PendingFile {
  int fd = -1;
  int hold = -1;
  std::string temporaryName;  // empty for an unnamed (O_TMPFILE) file

  void Release() {
    if (hold >= 0) CloseKeepingErrno(hold);
    hold = -1;
  }
};

// Opens a file in `folder` that no final name holds yet: unnamed
// (O_TMPFILE) where the file system allows it and `named` is not set, else
// under a fresh temporary name. Either way it is locked before anything else can see it, so that a
// sweep of leftovers never takes a file a running export still writes.
bool OpenPendingFile(int folder, PendingFile& pending, bool named, FileWriter& writer) {
  pending = PendingFile();
  if (!named && ProcFdUsable()) pending.fd = writer.OpenUnnamed(folder);
  if (pending.fd < 0) {
    if (!named && ProcFdUsable() && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return false;
    for (int attempt = 0; attempt < 100 && pending.fd < 0; ++attempt) {
      pending.temporaryName = TemporaryName();
      pending.fd = ::openat(folder, pending.temporaryName.c_str(), kNewFileFlags, 0666);
      if (pending.fd < 0 && errno != EEXIST) return false;
    }
    if (pending.fd < 0) return false;
  }
  // A named temporary file is unlocked for the moment between its creation
  // and this flock; a sweep that takes it then makes this write fail with
  // the write message, and nothing is lost.
  ::flock(pending.fd, LOCK_EX);
  pending.hold = ::fcntl(pending.fd, F_DUPFD_CLOEXEC, 0);
  if (pending.hold < 0) {
    CloseKeepingErrno(pending.fd);
    if (!pending.temporaryName.empty()) RemoveKeepingErrno(folder, pending.temporaryName);
    return false;
  }
  return true;
}

// Gives the unnamed pending file the name `name`, failing with EEXIST when
// anything is there.
bool LinkPendingFile(const PendingFile& pending, int folder, const std::string& name) {
  return LinkUnnamed(pending.hold, folder, name);
}

// A new file appears at its name whole or not at all: it is written unnamed
// (or under a locked temporary name) and then linked (or renamed without
// replacing) to its name, which fails when anything, a link included, is
// there by then, so nothing is replaced that nobody was asked about. A kill
// at any moment leaves the name empty or holding the whole file. No flush:
// no old data is at stake.
bool WriteNewFile(int folder, const std::string& name, const unsigned char* data, std::size_t length,
                  FileWriter& writer) {
  // The usual case costs four system calls: open, write, link, close. An
  // unnamed file needs no lock (no sweep can see it) and is linked before it
  // is closed; a failed close then takes the name away again.
  if (ProcFdUsable()) {
    const int fd = writer.OpenUnnamed(folder);
    if (fd >= 0) {
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
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return false;
  }
  PendingFile pending;
  if (!OpenPendingFile(folder, pending, true, writer)) return false;
  bool ok = WriteAndClose(pending.fd, data, length, false, writer);
  if (ok) {
    ok = ::renameat2(folder, pending.temporaryName.c_str(), folder, name.c_str(), RENAME_NOREPLACE) == 0;
    if (!ok && errno == EINVAL) {
      // No RENAME_NOREPLACE here: a hard link fails on an existing name too.
      ok = ::linkat(folder, pending.temporaryName.c_str(), folder, name.c_str(), 0) == 0;
      if (ok) ::unlinkat(folder, pending.temporaryName.c_str(), 0);
    }
  }
  if (!ok) RemoveKeepingErrno(folder, pending.temporaryName);
  pending.Release();
  return ok;
}

// An overwrite is written unnamed (or under a locked temporary name),
// flushed to disk, given a temporary name and renamed over the old file in
// one step: until the rename the old file is whole, and after it the new one
// is. A kill between the link and the rename leaves the temporary name; the
// next export into the folder sweeps it away (SweepLeftovers).
bool ReplaceFile(int folder, const std::string& name, const unsigned char* data, std::size_t length,
                 FileWriter& writer) {
  PendingFile pending;
  if (!OpenPendingFile(folder, pending, false, writer)) return false;

  // An overwrite keeps the permissions of the file it replaces.
  struct stat old;
  if (::fstatat(folder, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(old.st_mode))
    ::fchmod(pending.hold, old.st_mode & 07777);

  bool ok = WriteAndClose(pending.fd, data, length, true, writer);
  if (ok && pending.temporaryName.empty()) {
    ok = false;
    for (int attempt = 0; attempt < 100 && !ok; ++attempt) {
      pending.temporaryName = TemporaryName();
      ok = LinkPendingFile(pending, folder, pending.temporaryName);
      if (!ok && errno != EEXIST) break;
    }
    if (!ok) pending.temporaryName.clear();
  }
  if (ok) ok = ::renameat(folder, pending.temporaryName.c_str(), folder, name.c_str()) == 0;
  if (!ok && !pending.temporaryName.empty()) RemoveKeepingErrno(folder, pending.temporaryName);
  pending.Release();
  return ok;
}

bool IsTemporaryName(std::string_view name) {
  return name.size() == kTemporaryPrefix.size() + 12 + 4 && name.starts_with(kTemporaryPrefix) &&
         name.ends_with(".tmp");
}

}  // namespace

void SweepLeftovers(const FolderHandle& folder) {
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
    // Only a file no running export holds: its writer keeps it locked.
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
      ::unlinkat(folder.fd(), entry->d_name, 0);
    ::close(fd);
  }
  ::closedir(dir);
}

bool WriteOutputFile(const FolderHandle& folder, const std::string& name, const unsigned char* data,
                     std::size_t length, bool replace, FileWriter& writer) {
  return replace ? ReplaceFile(folder.fd(), name, data, length, writer)
                 : WriteNewFile(folder.fd(), name, data, length, writer);
}

}  // namespace cfv
