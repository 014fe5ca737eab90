// CMainFrame: the program's one top-level window.
//
// A menu bar (File: Open 1004, Open Folder 1005, Save, Save As, Export 1000,
// Exit 1001; Edit: the editor's (CFileEditor); Option: Configuration 1002;
// Help: About 1003), a status bar, and between
// them the pane splitter: on the left, 360 pixels wide
// at creation, the filter box (Ctrl+F) above the entry tree view (with check
// boxes), and on the right the text view showing the drop prompt.
// The image view and the music player view exist from the start, hidden,
// and take the right pane when the preview shows them.
//
// Creation runs in this order: UI language, caption, screen resolution,
// user fonts (default, then the settings file), menu, status bar, splitter
// and panes, fonts applied, splitter bar placed, drop prompt, drops
// accepted. The language and fonts are fixed for the window's life except
// that a confirmed Configuration dialog replaces the fonts (and writes the
// settings file).
//
// The status bar reads "Ready" until the first file loads. After each file
// loaded it reads "N files, M entries": N custom files (the root items) and M
// entries in them at any depth (every other item of the tree). On a new
// current item it reads what the item is: a leaf's name, its data length
// after inflation, whether it is stored or zlib or gzip compressed, and its
// preview kind (Image, Sound, Text, or Hex while View as Hex shows it); a
// branch's name, length and how many entries it holds (its entries are
// read from its payload as stored, so it is "stored"); a
// custom file's path and its number of entries. While a menu of the window
// (menu bar, the tree's or a preview pane's context menu) is open it is
// blank, and shows its last text again when the menu closes.
//
// The tree's context menu is CTreeActions'. Items other than root items drag
// out of the tree as files (EntryTreeModel, written by WriteItemForDrag as
// a job: RunDragJob); a drag that comes from this program is not taken as a
// drop.
//
// Entry points the loading, preview and export code build on:
//   LoadPaths         a drop of files/folders on the window ends here.
//   OnTreeSelChanged  the tree's current item changed: preview it.
//   OnFileExport      File > Export.
// The accessors give those parts the tree model and view, the text view,
// the splitter and preview windows, the fonts, the UI language and the
// screen resolution. All of it is UI-thread only.
#pragma once

#include <QMainWindow>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/job.h"
#include "common/texts.h"
#include "common/ui/ui_context.h"
#include "containers/entry_tree.h"
#include "preview/ui/music_player_view.h"
#include "preview/ui/preview_panes.h"
#include "preview/ui/zoom_scroll_view.h"
#include "settings/user_fonts.h"

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QTreeView;

namespace cfv {

class CEntryFilterBox;
class CFileEditor;
class CPaneSplitter;
class CTreeActions;
class CPreviewPanes;
class DropLoader;
class EntryTreeModel;

// Menu command ids.
enum CommandId : int {
  kIdFileExport = 1000,
  kIdFileExit = 1001,
  kIdOptionConfiguration = 1002,
  kIdHelpAbout = 1003,
  kIdFileOpen = 1004,
  kIdFileOpenFolder = 1005,
};

// Where the frame takes its system-dependent inputs from. The program uses
// the defaults; tests and the screenshot tool supply their own.
struct FrameEnvironment {
  // The system default locale name ("ja-JP", "en-US", ...). Default: the
  // system locale files (ReadSystemLocaleName over DefaultLocaleFiles()).
  std::function<std::string()> systemLocaleName;
  // The settings file; default "TazorCustomFileViewer.ini" in the current
  // directory.
  std::filesystem::path settingsFile = DefaultSettingsPath();
};

class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  // The left pane's width at creation, in pixels.
  static constexpr int kInitialTreeWidth = 360;
  // How long the files of a drag are written before their progress shows.
  static constexpr std::chrono::milliseconds kDragDialogDelay{400};

  explicit CMainFrame(FrameEnvironment environment = {}, QWidget* parent = nullptr);
  ~CMainFrame() override;

  UiLanguage Language() const { return language_; }
  // The screen's vertical logical dots per inch, read at creation.
  int ScreenDpi() const { return screenDpi_; }
  // The three user fonts as they are now (General, file list, preview).
  const UserFonts& Fonts() const { return fonts_; }
  const std::filesystem::path& SettingsFile() const { return environment_.settingsFile; }
  // The program title in the UI language: the caption of message boxes.
  QString ProgramTitle() const;
  // What a dialog or box opened now is built with: this window as owner,
  // the UI language, the General font as it is now, the program title.
  UiContext Context() const;

  EntryTreeModel& Model() const { return *model_; }
  QTreeView& TreeView() const { return *treeView_; }
  // The filter box above the tree (Ctrl+F).
  CEntryFilterBox& FilterBox() const { return *filterBox_; }
  CPaneSplitter& Splitter() const { return *splitter_; }
  // The preview panes: the text view, and the two that start hidden.
  CPreviewPanes& PreviewPanes() const { return *previewPanes_; }
  QPlainTextEdit& TextView() const;
  CZoomScrollView& ImageView() const;
  CMusicPlayerView& MusicPlayerView() const;
  // The tree's context menu and its items.
  CTreeActions& TreeActions() const { return *treeActions_; }
  // The Edit menu, Save and Save As, Undo and Redo: changing custom files.
  CFileEditor& Editor() const { return *editor_; }
  // The status bar's count of custom files with unsaved changes.
  QString ModifiedText() const;
  // The menu action of a command id (nullptr for an unknown id).
  QAction* Action(int commandId) const;
  // The status bar's text.
  QString StatusText() const;

  // Loads dropped files and folders into the tree (paths in the file
  // system's encoding, in drop order): the progress dialog opens and a load
  // job appends each custom file found as a root item. Returns at once;
  // drops that come while a load runs wait their turn (see DropLoader).
  void LoadPaths(const std::vector<std::filesystem::path>& paths);
  // The drops' loader, with the progress dialog.
  DropLoader& Loader() const { return *loader_; }

  // The root item (the custom file) that holds `item`: its top ancestor, or
  // the item itself when it has no parent (EntryTree::RootOf).
  ItemId GetRootItem(ItemId item) const;

 public slots:
  // The tree's current item changed to `current`: the preview panes show it
  // (CPreviewPanes::ShowItem). Connected to the tree view's current-index
  // signal.
  void OnTreeSelChanged(const QModelIndex& current, const QModelIndex& previous);
  // File > Open... (1004, Ctrl+O): a file dialog for several files; File >
  // Open Folder... (1005): a folder dialog. What is chosen loads as a drop
  // of it would (LoadPaths), in the order the dialog gives. Both start
  // where the last of them found what it opened.
  void OnFileOpen();
  void OnFileOpenFolder();
  // File > Export (1000): Configure Export dialog, then the export of the
  // checked entries, its messages in message boxes owned by this window.
  void OnFileExport();
  // File > Exit (1001): closes the window (asking first about unsaved
  // changes, as the close box does).
  void OnFileExit();
  // Option > Configuration (1002): edits copies of the fonts; on OK takes
  // them, writes all three to the settings file and applies them.
  void OnOptionConfiguration();
  // Help > About (1003).
  void OnHelpAbout();

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  // With unsaved changes asks Save / Discard / Cancel (CFileEditor::MayClose).
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenu();
  // The Edit menu and File > Save, Save As: the editor's actions.
  void BuildEditMenu();
  // The edits changed what the tree shows: preview and status again.
  void OnEdited();
  // Runs the Open (files) or Open Folder dialog and loads what was chosen.
  void OpenWithDialog(bool folder);
  // The status bar's text is `text`; shown at once unless a menu is open.
  void SetStatus(const QString& text);
  // Blanks the status bar while `menu` is open.
  void WatchMenu(QMenu& menu);
  // "N files, M entries" for the whole tree.
  QString CountsStatus() const;
  // What `item` is, for the status bar; `shown` is what the preview read of
  // a leaf.
  QString ItemStatus(ItemId item, const std::optional<CPreviewPanes::Shown>& shown) const;
  // Opens the tree's context menu for the item at `at` (view coordinates).
  void ShowTreeMenu(const QPoint& at);
  // Gives the tree view the file list font and the text view the preview font.
  void ApplyFonts();
  // The window that owns a dialog opened now: the active window, else this.
  QWidget* DialogOwner();
  // Writes the files of a drag out of the tree (CEntryTreeView): a busy
  // cursor, and after kDragDialogDelay the export's progress dialog with its
  // Cancel. True when the job ran to its end.
  bool RunDragJob(std::shared_ptr<Job> job);

  FrameEnvironment environment_;
  UiLanguage language_ = UiLanguage::kEnglish;
  int screenDpi_ = 96;
  UserFonts fonts_;

  QLabel* status_ = nullptr;
  QLabel* modifiedStatus_ = nullptr;
  QMenu* fileMenu_ = nullptr;
  QMenu* editMenu_ = nullptr;
  CFileEditor* editor_ = nullptr;
  QString statusText_;
  bool menuOpen_ = false;
  // The current item as the status bar describes it.
  ItemId statusItem_ = kNoItem;
  std::optional<CPreviewPanes::Shown> statusShown_;
  CTreeActions* treeActions_ = nullptr;
  CPaneSplitter* splitter_ = nullptr;
  EntryTreeModel* model_ = nullptr;
  QTreeView* treeView_ = nullptr;
  CEntryFilterBox* filterBox_ = nullptr;
  CPreviewPanes* previewPanes_ = nullptr;
  std::vector<QAction*> actions_;
  // Where the next Open or Open Folder dialog starts: the folder of the
  // files the last one opened, or the folder it opened; at first the
  // current directory.
  QString openFolder_;
  // Destroyed before the child widgets: it stops a running load first.
  std::unique_ptr<DropLoader> loader_;
};

}  // namespace cfv
