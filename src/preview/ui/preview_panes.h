// CPreviewPanes: the three preview panes (text view, image view, music
// player view) and the dispatch that shows an entry tree item in one of them.
//
// An item with children puts the select-a-child prompt into the text view and
// changes nothing else. A leaf is read again from its custom file, classified,
// and shown in exactly one of the three panes; the other two are hidden
// (always in the order text view, image view, music player view) and keep
// their content, and PaneShown names the pane that shows, for the owner to
// lay it out. A custom file that can no longer be opened gets the read error
// box and every pane stays as it was. Nothing is cached between selections.
// A long text shows its first screen at once and fills in after it
// (CTextFill). With View as Hex checked, text entries show in the hex view,
// a fourth pane, hidden like the others when it does not show.
//
// Thread: UI thread.
#pragma once

#include <QObject>
#include <cstdint>
#include <optional>

#include "common/texts.h"
#include "common/ui/ui_context.h"
#include "containers/entry_tree.h"
#include "containers/extract.h"
#include "preview/classify.h"

class QAction;
class QMenu;
class QPlainTextEdit;
class QPoint;
class QWidget;

namespace cfv {

class CHexView;
class CMusicPlayerView;
class CTextFill;
class CZoomScrollView;

class CPreviewPanes : public QObject {
  Q_OBJECT

 public:
  // Creates the panes as children of `paneParent`: the text view (read-only,
  // wrapping long lines, selectable for copying) visible, the image view and
  // the music player view hidden. The read error box is owned by
  // context.owner; texts are in context.language. Both widgets must outlive
  // this object, which is a child of `paneParent`.
  CPreviewPanes(QWidget& paneParent, const UiContext& context);

  QPlainTextEdit& TextView() const { return *textView_; }
  CZoomScrollView& ImageView() const { return *imageView_; }
  CMusicPlayerView& MusicPlayerView() const { return *musicPlayerView_; }
  CHexView& HexView() const { return *hexView_; }
  // "View as Hex", a check item in the context menus of the text view and
  // the hex view. While it is checked, every entry that would show as text
  // shows as a hex dump instead; checking or unchecking it shows the entry
  // on screen again the other way.
  QAction& ViewAsHex() const { return *viewAsHex_; }

  // What ShowItem read of a leaf, for the status bar.
  struct Shown {
    std::uint64_t length = 0;  // the data's length, after inflation
    Compression compression = Compression::kNone;
    PreviewKind kind = PreviewKind::kText;
    bool asHex = false;  // a text entry shown as a hex dump
  };
  // Shows `item` of `tree` as described above; kNoItem changes nothing.
  // Returns what was shown of a leaf; nothing for a branch, kNoItem or an
  // entry that could not be read.
  std::optional<Shown> ShowItem(const EntryTree& tree, ItemId item);

 signals:
  // `pane` now shows and the other two panes are hidden.
  void PaneShown(QWidget* pane);
  // The context menu of a pane is about to open (and closes before the
  // call that opened it returns).
  void MenuOpening(QMenu* menu);

 private:
  const UiContext context_;
  const UiLanguage language_;
  QPlainTextEdit* textView_ = nullptr;
  // Puts text previews into the text view, the first screen at once.
  CTextFill* textFill_ = nullptr;
  CZoomScrollView* imageView_ = nullptr;
  CMusicPlayerView* musicPlayerView_ = nullptr;
  CHexView* hexView_ = nullptr;
  QAction* viewAsHex_ = nullptr;
  // The entry last shown as text or hex, for the toggle to show again.
  const EntryTree* textTree_ = nullptr;
  ItemId textItem_ = kNoItem;

  void ShowContextMenu(QWidget& pane, const QPoint& at);
};

}  // namespace cfv
