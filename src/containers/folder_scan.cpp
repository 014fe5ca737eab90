#include "containers/folder_scan.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "containers/loader.h"

namespace cfv {
namespace {

bool IsFolder(const std::filesystem::path& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::filesystem::path& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

unsigned char AsciiUpper(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }

bool ListingOrder(const FolderEntry& a, const FolderEntry& b) {
  const std::size_t n = std::min(a.name.size(), b.name.size());
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char x = AsciiUpper(static_cast<unsigned char>(a.name[i]));
    const unsigned char y = AsciiUpper(static_cast<unsigned char>(b.name[i]));
    if (x != y) return x < y;
  }
  if (a.name.size() != b.name.size()) return a.name.size() < b.name.size();
  return a.name < b.name;
}

}  // namespace

void LoadObserver::FileFound(const std::filesystem::path& path, LoadControl& control, bool named) {
  LoadFoundFile(path, control, *this, named);
}

void LoadFoundFile(const std::filesystem::path& path, LoadControl& control, LoadObserver& observer,
                   bool named) {
  // One tree per thread, emptied for each file: an observer that only reads
  // the tree (the command-line listing) leaves its storage here for the next
  // file; one that takes it (the GUI) leaves an empty tree behind.
  thread_local EntryTree tree;
  tree.Clear();
  int error = 0;
  // A file whose listing a read error ended is loaded as far as it was
  // read, and named as unreadable after it.
  if (LoadCustomFile(path, path.native(), tree, &control.abortRequested, &error))
    observer.FileLoaded(std::move(tree));
  // ENOENT: gone meanwhile, or a dangling link; ENXIO: a socket. Neither
  // is a file that could not be read.
  if (error != 0 && error != ENOENT && error != ENXIO) observer.Unreadable(path, error, named);
}

std::filesystem::path JoinPath(const std::filesystem::path& folder, const std::string& name) {
  std::string joined = folder.native();
  if (joined.empty() || joined.back() != '/') joined.push_back('/');
  joined.append(name);
  return joined;
}

std::vector<FolderEntry> ListFolder(const std::filesystem::path& folder, int* error) {
  std::vector<FolderEntry> entries;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
  if (error != nullptr) *error = dir ? 0 : errno;
  if (!dir) return entries;
  while (const dirent* e = ::readdir(dir.get())) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    FolderEntry entry;
    entry.name = name;
    if (e->d_type == DT_DIR) {
      entry.isFolder = true;
    } else if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
      entry.isFolder = IsFolder(JoinPath(folder, name));
    }
    entries.push_back(std::move(entry));
  }
  std::sort(entries.begin(), entries.end(), ListingOrder);
  return entries;
}

void CountFolder(const std::filesystem::path& folder, std::int32_t depth, LoadControl& control,
                 LoadObserver& observer) {
  if (depth >= kCountDepthLimit) return;
  std::int32_t count = 0;
  for (const FolderEntry& entry : ListFolder(folder)) {
    if (entry.isFolder) CountFolder(JoinPath(folder, entry.name), depth + 1, control, observer);
    ++count;
  }
  const std::int32_t total = control.progressTotal.fetch_add(count) + count;
  observer.TotalCounted(control.progressDone.load(), total);
}

void LoadFolder(const std::filesystem::path& folder, std::int32_t depth, LoadControl& control,
                LoadObserver& observer) {
  if (control.abortRequested.load() || depth >= kLoadDepthLimit) return;
  std::int32_t count = 0;
  int error = 0;
  const std::vector<FolderEntry> entries = ListFolder(folder, &error);
  if (error != 0) observer.Unreadable(folder, error, depth == 0);
  for (const FolderEntry& entry : entries) {
    const std::filesystem::path path = JoinPath(folder, entry.name);
    if (entry.isFolder) {
      LoadFolder(path, depth + 1, control, observer);
    } else {
      observer.FileFound(path, control, false);
    }
    ++count;
  }
  if (depth < kCountDepthLimit) {
    const std::int32_t done = control.progressDone.fetch_add(count) + count;
    observer.DoneAdvanced(done, control.progressTotal.load());
  }
}

void LoadDroppedPaths(const std::vector<std::filesystem::path>& paths, LoadControl& control,
                      LoadObserver& observer) {
  for (const auto& path : paths) {
    if (IsFolder(path)) CountFolder(path, 0, control, observer);
  }
  for (const auto& path : paths) {
    if (IsFolder(path)) {
      LoadFolder(path, 0, control, observer);
    } else if (Exists(path)) {
      observer.FileFound(path, control, true);
    }
  }
}

}  // namespace cfv
