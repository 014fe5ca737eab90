// Test helper for GUI tests: a main window (h-> is the CMainFrame) that
// sees the system locale given, with its settings file SettingsPath() in the
// temporary folder `dir` (absent until something writes it). While the
// harness lives the current directory is `dir` (the sound player writes
// play.tmp there).
#pragma once

#include <QModelIndex>
#include <QStringList>
#include <memory>

#include "app/main_frame.h"
#include "custom_file_builder.h"

namespace cfv::test {

class FrameHarness {
 public:
  explicit FrameHarness(std::string locale = "en-US");
  ~FrameHarness();

  TempDir dir;
  CMainFrame* operator->() const { return frame_.get(); }
  CMainFrame& operator*() const { return *frame_; }
  std::filesystem::path SettingsPath() const { return dir / "TazorCustomFileViewer.ini"; }

  // Shows the window (1000 x 700) and waits until it is active.
  void Show();
  // A new window in the same environment: the next start of the program.
  void Restart();
  // Appends the custom file at `path` to the tree as a drop of it would,
  // without the loader; every item checked when `checked`. Expands the tree.
  void Load(const std::filesystem::path& path, bool checked = false);
  // Waits until no drop is loading; the root items' texts without "<dir>/".
  QStringList Roots() const;
  // The first item in pre-order whose text is `text` (a root's: also "<dir>/<text>").
  QModelIndex Index(std::string_view text) const;
  // Makes that item the tree view's current item, as a click on it does.
  void Select(std::string_view text);

 private:
  std::string locale_;
  std::filesystem::path oldCwd_;
  std::unique_ptr<CMainFrame> frame_;
};

}  // namespace cfv::test
