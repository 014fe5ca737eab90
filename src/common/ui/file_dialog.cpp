#include "common/ui/file_dialog.h"

#include <QFileSystemModel>
#include <QFontMetrics>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QTreeView>
#include <algorithm>

#include "common/ui/ui_text.h"

namespace cfv {
namespace {

// The dialog's list as Qt makes it, with the size, type and date columns of
// QFileSystemModel (1, 2, 3) worded in Japanese.
class JapaneseFileList final : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;

  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole) return QIdentityProxyModel::data(index, role);
    // QFileDialog's own model, the one it gives every proxy.
    const auto* files = static_cast<const QFileSystemModel*>(sourceModel());
    const QModelIndex source = mapToSource(index);
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    const bool folder = files->isDir(source);
    if (index.column() == 1 && !folder) return japanese.formattedDataSize(files->size(source));
    if (index.column() == 2 && folder) return UiText(texts::kFileDialogFolderType, UiLanguage::kJapanese);
    if (index.column() == 3) return japanese.toString(files->lastModified(source), QLocale::ShortFormat);
    return QIdentityProxyModel::data(index, role);
  }
};

}  // namespace

void SetUpFileDialog(QFileDialog& dialog, QFileDialog::FileMode mode, UiLanguage language) {
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(mode);
  if (mode == QFileDialog::Directory) dialog.setOption(QFileDialog::ShowDirsOnly);
  if (mode == QFileDialog::AnyFile) dialog.setAcceptMode(QFileDialog::AcceptSave);
  if (language != UiLanguage::kJapanese) return;
  dialog.setProxyModel(new JapaneseFileList(&dialog));
  // Qt sizes the columns for English samples ("mp3Folder"): wide enough
  // for the Japanese words too.
  auto* list = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
  if (list == nullptr) return;
  const QFontMetrics metrics(list->font());
  const QString samples[] = {QStringLiteral("1023 バイト"), UiText(texts::kFileDialogFolderType, language),
                             QStringLiteral("2000/00/00 00:00")};
  for (int column = 1; column <= 3; ++column) {
    const int width = metrics.horizontalAdvance(samples[column - 1]) + 3 * metrics.averageCharWidth();
    list->header()->resizeSection(column, std::max(width, list->header()->sectionSize(column)));
  }
}

}  // namespace cfv
