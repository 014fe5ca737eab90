#include "app/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QScreen>
#include <QStatusBar>
#include <QTreeView>
#include <QVBoxLayout>
#include <cmath>

#include "app/about_dlg.h"
#include "app/drop_paths.h"
#include "app/pane_splitter.h"
#include "app/program_icon.h"
#include "app/tree_actions.h"
#include "common/language.h"
#include "common/ui/file_dialog.h"
#include "common/ui/job_runner.h"
#include "common/ui/ui_text.h"
#include "containers/extract.h"
#include "containers/ui/drop_loader.h"
#include "containers/ui/entry_filter_box.h"
#include "containers/ui/entry_tree_model.h"
#include "containers/ui/entry_tree_view.h"
#include "edit/ui/file_editor.h"
#include "export/item_export.h"
#include "export/ui/export_command.h"
#include "export/ui/export_progress.h"
#include "preview/ui/hex_view.h"
#include "preview/ui/preview_panes.h"
#include "settings/ui/font_conversion.h"
#include "settings/ui/option_config_dlg.h"

namespace cfv {
namespace {

int PrimaryScreenDpi() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return 96;
  const int dpi = static_cast<int>(std::lround(screen->logicalDotsPerInchY()));
  return dpi > 0 ? dpi : 96;
}

// The window's first size, as the system's default window size would give
// it: three quarters of the screen's work area.
QSize DefaultWindowSize() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return QSize(960, 600);
  const QSize area = screen->availableGeometry().size();
  return QSize(area.width() * 3 / 4, area.height() * 3 / 4);
}

}  // namespace

CMainFrame::CMainFrame(FrameEnvironment environment, QWidget* parent)
    : QMainWindow(parent), environment_(std::move(environment)) {
  // The UI language, from the system default locale.
  const std::string localeName = environment_.systemLocaleName ? environment_.systemLocaleName()
                                                               : ReadSystemLocaleName(DefaultLocaleFiles());
  language_ = LanguageFromLocaleName(localeName);

  // Caption: program title and release label.
  // "[*]": Qt shows "*" there while a custom file has unsaved changes.
  setWindowTitle(UiFormat(texts::kWindowTitleFormat, language_,
                          {texts::kProgramTitle.In(language_), texts::kReleaseLabel.In(language_)}) +
                 QStringLiteral("[*]"));
  setWindowIcon(ProgramIcon());

  // Screen resolution, then the user fonts: default, then the settings file.
  InstallWindowsFontSubstitutes();
  screenDpi_ = PrimaryScreenDpi();
  fonts_ = LoadUserFonts(environment_.settingsFile, MakeDefaultFont(language_, screenDpi_));

  // Menu, shown inside the window (never as a desktop-global menu).
  BuildMenu();

  // Status bar with its idle text; blank while a menu is open.
  statusText_ = ToQString(texts::kStatusReady);
  status_ = new QLabel(statusText_, this);
  status_->setObjectName(QStringLiteral("statusText"));
  statusBar()->addWidget(status_, 1);
  modifiedStatus_ = new QLabel(this);
  modifiedStatus_->setObjectName(QStringLiteral("modifiedStatus"));
  statusBar()->addPermanentWidget(modifiedStatus_);
  statusBar()->setSizeGripEnabled(true);

  // The splitter keeps its left pane's width in pixels.
  splitter_ = new CPaneSplitter(this);
  splitter_->setObjectName(QStringLiteral("paneSplitter"));

  // Entry tree view under its filter box, the left pane.
  model_ = new EntryTreeModel(this);
  auto* leftPane = new QWidget(splitter_);
  auto* entryView = new CEntryTreeView(leftPane);
  treeView_ = entryView;
  treeView_->setObjectName(QStringLiteral("entryTreeView"));
  treeView_->setModel(model_);
  treeView_->setHeaderHidden(true);
  treeView_->setRootIsDecorated(true);
  treeView_->setUniformRowHeights(true);
  treeView_->setSelectionMode(QAbstractItemView::SingleSelection);
  treeView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  treeView_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  // Measure only the rows on screen: measuring a thousand rows after every
  // loaded file made a large drop several times slower.
  treeView_->header()->setResizeContentsPrecision(0);
  treeView_->header()->setStretchLastSection(false);
  treeView_->setAcceptDrops(false);  // drops go to the frame
  // Entries drag out as files, copied: nothing leaves the tree.
  treeView_->setDragEnabled(true);
  treeView_->setDragDropMode(QAbstractItemView::DragOnly);
  treeView_->setDefaultDropAction(Qt::CopyAction);
  model_->SetDragWriter(&WriteItemForDrag);
  entryView->SetDragRunner([this](std::shared_ptr<Job> job) { return RunDragJob(std::move(job)); });
  treeActions_ = new CTreeActions(*this);
  BuildEditMenu();
  treeView_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(treeView_, &QWidget::customContextMenuRequested, this, &CMainFrame::ShowTreeMenu);
  filterBox_ = new CEntryFilterBox(*model_, *treeView_, language_, leftPane);
  auto* leftLayout = new QVBoxLayout(leftPane);
  leftLayout->setContentsMargins(0, 0, 0, 0);
  leftLayout->setSpacing(0);
  leftLayout->addWidget(filterBox_);
  leftLayout->addWidget(treeView_, 1);
  splitter_->SetLeftPane(leftPane);
  connect(treeView_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          &CMainFrame::OnTreeSelChanged);

  // The preview panes: the text view, and the image view and the music
  // player view hidden. The pane a preview shows becomes the right pane.
  previewPanes_ = new CPreviewPanes(*splitter_, Context());
  connect(previewPanes_, &CPreviewPanes::PaneShown, splitter_, &CPaneSplitter::SetRightPane);
  connect(previewPanes_, &CPreviewPanes::MenuOpening, this, [this](QMenu* menu) { WatchMenu(*menu); });
  connect(&previewPanes_->ViewAsHex(), &QAction::toggled, this, [this](bool hex) {
    if (!statusShown_ || statusShown_->kind != PreviewKind::kText) return;
    statusShown_->asHex = hex;
    SetStatus(ItemStatus(statusItem_, statusShown_));
  });

  // Fonts; the text view is the right pane.
  ApplyFonts();
  splitter_->SetRightPane(&TextView());

  // The splitter is the client area; lay the window out at its first size.
  setCentralWidget(splitter_);
  resize(DefaultWindowSize());
  layout()->activate();

  // The bar at 360 pixels, clamped to the splitter's width.
  splitter_->SetSplitterPos(kInitialTreeWidth);

  // The drop prompt; accept drops. Each loaded file becomes one
  // root item of the model; the progress dialog takes the General font of
  // the first drop.
  TextView().setPlainText(UiText(texts::kDropPrompt, language_));
  loader_ = std::make_unique<DropLoader>(
      [this] { return Context(); }, [this](EntryTree&& tree) { model_->AppendFileTree(std::move(tree)); });
  connect(model_, &EntryTreeModel::TreeGrew, this, [this] {
    statusItem_ = kNoItem;
    statusShown_.reset();
    SetStatus(CountsStatus());
  });
  setAcceptDrops(true);
}

CMainFrame::~CMainFrame() = default;

QString CMainFrame::ProgramTitle() const { return UiText(texts::kProgramTitle, language_); }

UiContext CMainFrame::Context() const {
  return {const_cast<CMainFrame*>(this), language_, ToQFont(fonts_.general), ProgramTitle()};
}

void CMainFrame::BuildMenu() {
  QMenuBar* bar = menuBar();
  bar->setNativeMenuBar(false);
  auto addAction = [this](QMenu* menu, int id, const QString& text, void (CMainFrame::*slot)()) {
    QAction* action = menu->addAction(text);
    action->setData(id);
    action->setObjectName(QStringLiteral("action%1").arg(id));
    connect(action, &QAction::triggered, this, slot);
    actions_.push_back(action);
  };
  QMenu* file = bar->addMenu(UiText(texts::kMenuFile, language_));
  fileMenu_ = file;
  addAction(file, kIdFileOpen, UiText(texts::kMenuFileOpen, language_), &CMainFrame::OnFileOpen);
  actions_.back()->setShortcut(QKeySequence::Open);
  addAction(file, kIdFileOpenFolder, UiText(texts::kMenuFileOpenFolder, language_),
            &CMainFrame::OnFileOpenFolder);
  file->addSeparator();
  addAction(file, kIdFileExport, UiText(texts::kMenuFileExport, language_), &CMainFrame::OnFileExport);
  file->addSeparator();
  addAction(file, kIdFileExit, UiText(texts::kMenuFileExit, language_), &CMainFrame::OnFileExit);
  editMenu_ = bar->addMenu(UiText(texts::kMenuEdit, language_));
  editMenu_->setObjectName(QStringLiteral("editMenu"));
  QMenu* option = bar->addMenu(UiText(texts::kMenuOption, language_));
  addAction(option, kIdOptionConfiguration, UiText(texts::kMenuOptionConfiguration, language_),
            &CMainFrame::OnOptionConfiguration);
  QMenu* help = bar->addMenu(UiText(texts::kMenuHelp, language_));
  addAction(help, kIdHelpAbout,
            UiFormat(texts::kMenuHelpAboutFormat, language_, {texts::kProgramTitle.In(language_)}),
            &CMainFrame::OnHelpAbout);
  for (QMenu* menu : {file, editMenu_, option, help}) WatchMenu(*menu);
}

void CMainFrame::BuildEditMenu() {
  CFileEditor::Host host{*model_,
                         *treeView_,
                         *this,
                         language_,
                         [this](const std::filesystem::path& path) { LoadPaths({path}); },
                         [this] { return Context(); }};
  editor_ = new CFileEditor(std::move(host), this);
  // File: Save and Save As before Export.
  QAction* exportAction = Action(kIdFileExport);
  fileMenu_->insertAction(exportAction, &editor_->SaveAction());
  fileMenu_->insertAction(exportAction, &editor_->SaveAsAction());
  fileMenu_->insertSeparator(exportAction);
  for (QAction* action : {&editor_->ReplaceAction(), &editor_->AddFilesAction(), &editor_->AddFolderAction()})
    editMenu_->addAction(action);
  editMenu_->addSeparator();
  editMenu_->addAction(&editor_->RemoveAction());
  editMenu_->addAction(&editor_->RenameAction());
  editMenu_->addSeparator();
  editMenu_->addAction(&editor_->UndoAction());
  editMenu_->addAction(&editor_->RedoAction());
  connect(editMenu_, &QMenu::aboutToShow, this,
          [this] { editor_->Follow(model_->ItemOf(treeView_->currentIndex())); });
  connect(editor_, &CFileEditor::Changed, this, &CMainFrame::OnEdited);
  connect(editor_, &CFileEditor::ModifiedChanged, this, [this] {
    setWindowModified(!editor_->ModifiedRoots().empty());
    modifiedStatus_->setText(ModifiedText());
  });
}

QString CMainFrame::ModifiedText() const {
  const std::size_t count = editor_->ModifiedRoots().size();
  if (count == 0) return QString();
  if (count == 1) return UiText(texts::kStatusModifiedOne, language_);
  return UiFormat(texts::kStatusModified, language_, {std::to_string(count)});
}

void CMainFrame::OnEdited() {
  const ItemId item = model_->ItemOf(treeView_->currentIndex());
  if (item == kNoItem) {
    statusItem_ = kNoItem;
    statusShown_.reset();
    SetStatus(CountsStatus());
    return;
  }
  // What the preview and the status bar show is the tree's as it is now.
  OnTreeSelChanged(treeView_->currentIndex(), QModelIndex());
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (editor_->MayClose())
    event->accept();
  else
    event->ignore();
}

void CMainFrame::WatchMenu(QMenu& menu) {
  // Menu items carry no help text: the status bar is blank while a menu is
  // open and reads its last text again when it closes.
  connect(&menu, &QMenu::aboutToShow, this, [this] {
    menuOpen_ = true;
    status_->clear();
  });
  connect(&menu, &QMenu::aboutToHide, this, [this] {
    menuOpen_ = false;
    status_->setText(statusText_);
  });
}

void CMainFrame::SetStatus(const QString& text) {
  statusText_ = text;
  if (!menuOpen_) status_->setText(text);
}

namespace {

std::string Number(std::uint64_t n) {
  return QLocale(QLocale::English).toString(qulonglong(n)).toStdString();
}

std::string Count(std::uint64_t n, const Bilingual& one, const Bilingual& many, UiLanguage language) {
  return n == 1 ? std::string(one.In(language)) : FormatText(many.In(language), {Number(n)});
}

const Bilingual& CompressionWord(Compression compression) {
  switch (compression) {
    case Compression::kZlib:
      return texts::kStatusZlib;
    case Compression::kGzip:
      return texts::kStatusGzip;
    case Compression::kNone:
      break;
  }
  return texts::kStatusStored;
}

const Bilingual& KindWord(const CPreviewPanes::Shown& shown) {
  if (shown.asHex) return texts::kStatusHex;
  switch (shown.kind) {
    case PreviewKind::kImage:
      return texts::kStatusImage;
    case PreviewKind::kSound:
      return texts::kStatusSound;
    case PreviewKind::kText:
      break;
  }
  return texts::kStatusText;
}

}  // namespace

QString CMainFrame::CountsStatus() const {
  const EntryTree& tree = model_->Tree();
  const std::uint32_t files = tree.ChildCount(kNoItem);
  return UiFormat(
      texts::kStatusCounts, language_,
      {Count(files, texts::kStatusOneFile, texts::kStatusFiles, language_),
       Count(model_->LiveCount() - files, texts::kStatusOneEntry, texts::kStatusEntries, language_)});
}

QString CMainFrame::ItemStatus(ItemId item, const std::optional<CPreviewPanes::Shown>& shown) const {
  const EntryTree& tree = model_->Tree();
  const std::string_view name = tree.Text(item);
  if (tree.Parent(item) == kNoItem || tree.HasChildren(item)) {
    std::uint64_t below = 0;
    tree.ForEachPreOrder(item, [&](ItemId, unsigned) { ++below; });
    const std::string entries = Count(below - 1, texts::kStatusOneEntry, texts::kStatusEntries, language_);
    if (tree.Parent(item) == kNoItem) return UiFormat(texts::kStatusFile, language_, {name, entries});
    // A branch is not previewed, and its entries were read from its payload
    // as stored: its header alone gives the length.
    std::optional<std::uint64_t> length = editor_->EditedBranchLength(item);
    if (!length) length = StoredPayloadLength(std::string(tree.Text(tree.RootOf(item))), tree.Data(item));
    if (!length) return ToQString(name);
    return UiFormat(texts::kStatusBranch, language_,
                    {name, Number(*length), texts::kStatusStored.In(language_), entries});
  }
  if (!shown) return ToQString(name);
  return UiFormat(texts::kStatusEntry, language_,
                  {name, Number(shown->length), CompressionWord(shown->compression).In(language_),
                   KindWord(*shown).In(language_)});
}

void CMainFrame::ShowTreeMenu(const QPoint& at) {
  const ItemId item = model_->ItemOf(treeView_->indexAt(at));
  std::unique_ptr<QMenu> menu = treeActions_->MakeMenu(item);
  if (!menu) return;
  menu->addSeparator();
  editor_->AddToMenu(*menu, item);
  WatchMenu(*menu);
  menu->exec(treeView_->viewport()->mapToGlobal(at));
}

QAction* CMainFrame::Action(int commandId) const {
  for (QAction* action : actions_) {
    if (action->data().toInt() == commandId) return action;
  }
  return nullptr;
}

QString CMainFrame::StatusText() const { return status_->text(); }

void CMainFrame::ApplyFonts() {
  treeView_->setFont(ToQFont(fonts_.fileTree));
  TextView().setFont(ToQFont(fonts_.viewer));
  // The hex dump keeps a fixed-pitch face, at the preview font's size.
  previewPanes_->HexView().setFont(ToQFont(fonts_.viewer));
}

QWidget* CMainFrame::DialogOwner() {
  QWidget* active = QApplication::activeWindow();
  return active != nullptr ? active : this;
}

QPlainTextEdit& CMainFrame::TextView() const { return previewPanes_->TextView(); }

CZoomScrollView& CMainFrame::ImageView() const { return previewPanes_->ImageView(); }

CMusicPlayerView& CMainFrame::MusicPlayerView() const { return previewPanes_->MusicPlayerView(); }

ItemId CMainFrame::GetRootItem(ItemId item) const { return model_->Tree().RootOf(item); }

void CMainFrame::OnTreeSelChanged(const QModelIndex& current, const QModelIndex& /*previous*/) {
  const ItemId item = model_->ItemOf(current);
  editor_->Follow(item);
  if (item == kNoItem) return;
  statusItem_ = item;
  statusShown_ = previewPanes_->ShowItem(model_->Tree(), item);
  SetStatus(ItemStatus(item, statusShown_));
}

void CMainFrame::LoadPaths(const std::vector<std::filesystem::path>& paths) { loader_->Load(paths); }

bool CMainFrame::RunDragJob(std::shared_ptr<Job> job) {
  QApplication::setOverrideCursor(Qt::BusyCursor);
  CExportProgressDlg progress(Context());
  JobRunner runner;
  const JobEnd end = runner.Run(std::move(job), {&progress, kDragDialogDelay, {}});
  QApplication::restoreOverrideCursor();
  return end == JobEnd::kDone;
}

void CMainFrame::OnFileExport() { RunExportCommand(Context(), DialogOwner(), model_->Tree()); }

void CMainFrame::OnFileOpen() { OpenWithDialog(false); }

void CMainFrame::OnFileOpenFolder() { OpenWithDialog(true); }

void CMainFrame::OpenWithDialog(bool folder) {
  QFileDialog dialog(DialogOwner(),
                     UiText(folder ? texts::kOpenFolderCaption : texts::kOpenFilesCaption, language_));
  SetUpFileDialog(dialog, folder ? QFileDialog::Directory : QFileDialog::ExistingFiles, language_);
  if (!folder) {
    dialog.setNameFilters(
        {UiText(texts::kOpenFilesFilter, language_), UiText(texts::kAllFilesFilter, language_)});
  }
  // Qt's dialogs all start where the last one of them was left (an export's
  // folder, say); Open starts where the last Open found its files.
  dialog.setDirectory(openFolder_.isEmpty() ? QDir::currentPath() : openFolder_);
  if (dialog.exec() != QDialog::Accepted) return;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return;
  std::vector<std::filesystem::path> paths;
  for (const QString& name : chosen) paths.emplace_back(QFile::encodeName(name).toStdString());
  const QFileInfo first(chosen.front());
  openFolder_ = folder ? first.absoluteFilePath() : first.absolutePath();
  LoadPaths(paths);
}

void CMainFrame::OnFileExit() { close(); }

void CMainFrame::OnOptionConfiguration() {
  COptionConfigDlg dialog(fonts_, language_, screenDpi_);
  if (dialog.Show(DialogOwner()) != COptionConfigDlg::kResultOk) return;
  fonts_ = dialog.Fonts();
  // All three keys are written every time; a failed write goes unreported
  // and the new fonts stay in use for this run.
  SaveUserFonts(environment_.settingsFile, fonts_);
  ApplyFonts();
}

void CMainFrame::OnHelpAbout() {
  CAboutDlg dialog(Context());
  dialog.Show(DialogOwner());
}

// A drag with a source comes from this program: entries dragged out of the
// tree, which are not files to load.
void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
  if (event->source() == nullptr && !LocalPathsOf(*event->mimeData()).empty()) event->acceptProposedAction();
}

void CMainFrame::dragMoveEvent(QDragMoveEvent* event) {
  if (event->source() == nullptr && !LocalPathsOf(*event->mimeData()).empty()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
  if (event->source() != nullptr) return;
  const auto paths = LocalPathsOf(*event->mimeData());
  if (paths.empty()) return;
  event->acceptProposedAction();
  LoadPaths(paths);
}

}  // namespace cfv
