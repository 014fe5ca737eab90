// The preview dispatcher: the main frame's handling of a new current item in
// the entry tree. It lives with the preview code; the frame only connects it.
//
// An item with children puts the select-a-child prompt into the text view and
// changes nothing else. A leaf is read again from its custom file, classified,
// and shown in exactly one of the three preview panes, which becomes the
// splitter's right pane; the other two are hidden (always in the order text
// view, image view, music player view) and keep their content. A custom file
// that can no longer be opened gets the read error box and every pane stays
// as it was. Nothing is cached between selections.
#include <QMessageBox>
#include <QPlainTextEdit>
#include <filesystem>
#include <string>

#include "app/main_frame.h"
#include "app/pane_splitter.h"
#include "common/ui/message_box.h"
#include "common/ui/ui_text.h"
#include "containers/extract.h"
#include "containers/ui/entry_tree_model.h"
#include "preview/classify.h"
#include "preview/ui/music_player_view.h"
#include "preview/ui/preview_content.h"
#include "preview/ui/zoom_scroll_view.h"

namespace cfv {

ItemId CMainFrame::GetRootItem(ItemId item) const {
  const EntryTree& tree = model_->Tree();
  while (tree.Parent(item) != kNoItem) item = tree.Parent(item);
  return item;
}

void CMainFrame::OnTreeSelChanged(const QModelIndex& current, const QModelIndex& /*previous*/) {
  const ItemId item = model_->ItemOf(current);
  if (item == kNoItem) return;
  const EntryTree& tree = model_->Tree();

  if (tree.HasChildren(item)) {
    textView_->setPlainText(ToQString(texts::kSelectChildPrompt));
    return;
  }

  const std::uint32_t offset = tree.Data(item);
  const std::string itemText(tree.Text(item));
  const std::filesystem::path customFile(std::string(tree.Text(GetRootItem(item))));
  const ExtractResult extracted = ExtractEntry(customFile, offset);
  if (!extracted) {
    ShowMessageBox(this, QMessageBox::Critical, ProgramTitle(), UiText(texts::kExportReadError, language_),
                   QMessageBox::Ok);
    return;
  }
  const EntryData& entry = *extracted.data;

  QWidget* shown = nullptr;
  const PreviewClass preview = ClassifyPreview(entry.data(), entry.size(), itemText);
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
    case PreviewKind::kText: {
      const QString text = DecodePreviewText(entry);
      const QTextOption::WrapMode wrap = PreviewWrapMode(text);
      if (textView_->wordWrapMode() != wrap) {
        // A new wrap mode lays the old text out again: drop it first.
        textView_->clear();
        textView_->setWordWrapMode(wrap);
      }
      textView_->setPlainText(text);
      shown = textView_;
      break;
    }
  }
  for (QWidget* pane : {static_cast<QWidget*>(textView_), static_cast<QWidget*>(imageView_),
                        static_cast<QWidget*>(musicPlayerView_)}) {
    pane->setVisible(pane == shown);
  }
  splitter_->SetRightPane(shown);
}

}  // namespace cfv
