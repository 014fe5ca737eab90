#include "preview/ui/preview_panes.h"

#include <QAction>
#include <QMenu>
#include <QPlainTextEdit>
#include <filesystem>
#include <memory>
#include <string>

#include "common/ui/message_box.h"
#include "common/ui/ui_text.h"
#include "containers/extract.h"
#include "preview/classify.h"
#include "preview/ui/hex_view.h"
#include "preview/ui/music_player_view.h"
#include "preview/ui/preview_content.h"
#include "preview/ui/text_fill.h"
#include "preview/ui/zoom_scroll_view.h"

namespace cfv {

CPreviewPanes::CPreviewPanes(QWidget& paneParent, const UiContext& context)
    : QObject(&paneParent), context_(context), language_(context.language) {
  textView_ = new QPlainTextEdit(&paneParent);
  textView_->setObjectName(QStringLiteral("textView"));
  textView_->setReadOnly(true);
  textView_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  textView_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  textView_->setAcceptDrops(false);
  textFill_ = new CTextFill(*textView_, this);

  imageView_ = new CZoomScrollView(&paneParent);
  imageView_->setObjectName(QStringLiteral("imageView"));
  imageView_->hide();
  musicPlayerView_ = new CMusicPlayerView(&paneParent, language_);
  musicPlayerView_->setObjectName(QStringLiteral("musicPlayerView"));
  musicPlayerView_->hide();
  hexView_ = new CHexView(&paneParent);
  hexView_->setObjectName(QStringLiteral("hexView"));
  hexView_->hide();

  viewAsHex_ = new QAction(UiText(texts::kViewAsHex, language_), this);
  viewAsHex_->setCheckable(true);
  connect(viewAsHex_, &QAction::toggled, this, [this] {
    if (textTree_ != nullptr && textItem_ != kNoItem) ShowItem(*textTree_, textItem_);
  });
  for (QWidget* pane : {static_cast<QWidget*>(textView_), static_cast<QWidget*>(hexView_)}) {
    pane->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(pane, &QWidget::customContextMenuRequested, this,
            [this, pane](const QPoint& at) { ShowContextMenu(*pane, at); });
  }
}

void CPreviewPanes::ShowContextMenu(QWidget& pane, const QPoint& at) {
  // The text view keeps its own items (Copy, Select All) above ours.
  std::unique_ptr<QMenu> menu(&pane == textView_ ? textView_->createStandardContextMenu() : new QMenu);
  if (!menu->isEmpty()) menu->addSeparator();
  menu->addAction(viewAsHex_);
  emit MenuOpening(menu.get());
  menu->exec(pane.mapToGlobal(at));
}

std::optional<CPreviewPanes::Shown> CPreviewPanes::ShowItem(const EntryTree& tree, ItemId item) {
  if (item == kNoItem) return std::nullopt;

  if (tree.HasChildren(item)) {
    textFill_->Stop();
    textView_->setPlainText(ToQString(texts::kSelectChildPrompt));
    return std::nullopt;
  }

  const std::string itemText(tree.Text(item));
  ExtractResult extracted = ExtractItem(tree, item);
  if (!extracted) {
    ShowReadErrorBox(context_, extracted.systemError);
    return std::nullopt;
  }
  const EntryData& entry = *extracted.data;
  Shown facts{entry.size(), extracted.compression, PreviewKind::kText, false};

  QWidget* shown = nullptr;
  const PreviewClass preview = ClassifyPreview(entry.data(), entry.size(), itemText);
  facts.kind = preview.kind;
  switch (preview.kind) {
    case PreviewKind::kImage:
      // Data that does not decode leaves the view with its background only.
      imageView_->SetBitmap(DecodePreviewImage(entry));
      shown = imageView_;
      break;
    case PreviewKind::kSound:
      musicPlayerView_->SetSound(entry.data(), entry.size(), preview.device);
      shown = musicPlayerView_;
      break;
    case PreviewKind::kText:
      textTree_ = &tree;
      textItem_ = item;
      if (viewAsHex_->isChecked()) {
        textFill_->Stop();
        hexView_->SetData(std::move(*extracted.data));
        shown = hexView_;
        facts.asHex = true;
        break;
      }
      // The first screen now, the rest of a long text in slices after it.
      textFill_->Start(std::move(*extracted.data));
      shown = textView_;
      break;
  }
  for (QWidget* pane : {static_cast<QWidget*>(textView_), static_cast<QWidget*>(imageView_),
                        static_cast<QWidget*>(musicPlayerView_), static_cast<QWidget*>(hexView_)}) {
    pane->setVisible(pane == shown);
  }
  emit PaneShown(shown);
  return facts;
}

}  // namespace cfv
