// Loading a drop: the dropped paths, files and folders, become loaded custom
// files, with progress counts for the progress dialog.
//
// A counting pass first counts the entries (files and subfolders) directly
// inside each dropped folder and each of its subfolders (depths 0 and 1).
// The loading pass then loads every dropped file and every file in the
// dropped folders down to depth 3, and moves the done count once per folder
// of depth 0 or 1. Folder entries are taken in the order Windows lists them
// (names compared with ASCII letters upper-cased, then byte order); hidden
// files are loaded like any other. Which files are custom files is decided by
// their first header alone.
//
// The same code runs the GUI's load job and the command-line tool: what
// differs goes through LoadObserver. Thread: LoadDroppedPaths runs on the
// calling thread (the load job's thread); the observer is called on that thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "containers/entry_tree.h"

namespace cfv {

// Shared between the loading thread and whoever watches it. A fresh one per
// load: an abort set before the load's first step is not lost.
struct LoadControl {
  std::atomic<bool> abortRequested{false};
  std::atomic<std::int32_t> progressDone{0};
  std::atomic<std::int32_t> progressTotal{0};
};

class LoadObserver {
 public:
  virtual ~LoadObserver() = default;
  // One custom file was loaded: `tree` holds its root item and entries. The
  // observer takes it (the GUI appends it to its tree in one step).
  virtual void FileLoaded(EntryTree&& tree) = 0;
  // The counting pass finished a folder: the counter text is done/total and
  // the progress bar's range is 0 .. (total & 0xFFFF).
  virtual void TotalCounted(std::int32_t done, std::int32_t total) {
    (void)done;
    (void)total;
  }
  // The loading pass finished a folder of depth 0 or 1: the counter text is
  // done/total and the bar's position is done.
  virtual void DoneAdvanced(std::int32_t done, std::int32_t total) {
    (void)done;
    (void)total;
  }
  // A file or folder exists but cannot be read (`error`: the system's error
  // number), or a custom file's listing was ended by a read error (after
  // FileLoaded with the entries read before it). `named` when it is one of
  // the dropped paths, otherwise it was found inside a dropped folder. The
  // GUI skips it silently.
  virtual void Unreadable(const std::filesystem::path& path, int error, bool named) {
    (void)path;
    (void)error;
    (void)named;
  }
  // A file to load: one of the dropped paths (`named`) or found in a dropped
  // folder. The default loads it (LoadFoundFile); an observer that reads the
  // files its own way, later, takes them here instead.
  virtual void FileFound(const std::filesystem::path& path, LoadControl& control, bool named);
};

// Loads one file found or dropped as a drop does: FileLoaded when it is a
// custom file, Unreadable when it exists but cannot be read.
void LoadFoundFile(const std::filesystem::path& path, LoadControl& control, LoadObserver& observer,
                   bool named);

// The counting pass looks into depths below this; the loading pass into
// depths below kLoadDepthLimit.
inline constexpr std::int32_t kCountDepthLimit = 2;
inline constexpr std::int32_t kLoadDepthLimit = 4;

// Counts and loads `paths` in their order (see above). A path that is neither
// a folder nor an existing file is skipped. Once control.abortRequested is
// set, no further file is loaded (the one being parsed completes; a counting
// pass under way completes). Does not pause at the end: the GUI worker does.
void LoadDroppedPaths(const std::vector<std::filesystem::path>& paths, LoadControl& control,
                      LoadObserver& observer);

// Adds the number of entries in `folder` (and, at depth 0, in its subfolders)
// to control.progressTotal and reports it. Nothing at depth >= 2.
void CountFolder(const std::filesystem::path& folder, std::int32_t depth, LoadControl& control,
                 LoadObserver& observer);

// Loads the files in `folder` and its subfolders down to depth 3, adding and
// reporting the done count at depths 0 and 1.
void LoadFolder(const std::filesystem::path& folder, std::int32_t depth, LoadControl& control,
                LoadObserver& observer);

// One entry of a folder listing.
struct FolderEntry {
  std::string name;
  bool isFolder = false;
};

// The entries of `folder` without "." and "..", in Windows listing order.
// Empty when the folder cannot be read; then `*error` (when given) holds the
// system's error number, else 0.
std::vector<FolderEntry> ListFolder(const std::filesystem::path& folder, int* error = nullptr);

// Joins a folder path and an entry name with one '/'.
std::filesystem::path JoinPath(const std::filesystem::path& folder, const std::string& name);

}  // namespace cfv
