#include "export/ui/export_dlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "common/ui/dialog_layout.h"
#include "common/ui/ui_text.h"
#include "settings/ui/font_conversion.h"

namespace cfv {
namespace {

// Makes a word-wrapped label tall enough for its text, but never past
// `limitY` (the top of the next control below it).
void GrowToFit(QLabel* label, int limitY) {
  const int needed = label->heightForWidth(label->width());
  if (needed > label->height()) {
    label->resize(label->width(), std::max(label->height(), std::min(needed, limitY - label->y())));
  }
}

}  // namespace

CExportDlg::CExportDlg(const LogFont& generalFont, UiLanguage language) {
  DialogBuilder b(*this, ToQFont(generalFont), DialogCaption(texts::kConfigureExportCaption, language), 300,
                  180);

  // In template order; the tab order follows it, so Export has the focus
  // first.
  QPushButton* exportButton =
      b.AddButton(kIdExport, UiText(texts::kExportButtonExport, language), 168, 156, 60, 18, true);
  QPushButton* cancel = b.AddButton(kIdCancel, UiText(texts::kCancel, language), 234, 156, 60, 18);
  QPushButton* defaults =
      b.AddButton(kIdDefault, UiText(texts::kExportButtonDefault, language), 6, 156, 60, 18);

  skipExtractable_ = new QCheckBox(UiText(texts::kExportSkipExtractable, language), this);
  b.Place(skipExtractable_, kIdSkipExtractable, 6, 6, 288, 12);
  QLabel* skipNote =
      b.AddStatic(-1, UiText(texts::kExportSkipExtractableNote, language), 18, 24, 276, 30, StaticStyle{});
  renameExtension_ = new QCheckBox(UiText(texts::kExportRenameExtension, language), this);
  b.Place(renameExtension_, kIdRenameExtension, 6, 72, 288, 12);
  QLabel* renameNote =
      b.AddStatic(-1, UiText(texts::kExportRenameExtensionNote, language), 18, 90, 276, 30, StaticStyle{});
  // In a font whose Japanese glyphs are wider than the layout was drawn for,
  // an explanation wraps to one more line; let it grow into the free space
  // below it rather than lose its last line.
  GrowToFit(skipNote, renameExtension_->y());
  GrowToFit(renameNote, exportButton->y());

  connect(exportButton, &QPushButton::clicked, this, &CExportDlg::accept);
  connect(cancel, &QPushButton::clicked, this, &CExportDlg::reject);
  connect(defaults, &QPushButton::clicked, this, &CExportDlg::CheckBoth);

  CheckBoth();
  exportButton->setFocus();
}

int CExportDlg::Show(QWidget* owner) {
  setParent(owner, windowFlags());
  return exec();
}

void CExportDlg::accept() {
  ReadOptions();
  done(kResultExport);
}

void CExportDlg::reject() {
  ReadOptions();
  done(kResultCancel);
}

void CExportDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOver(*this, parentWidget());
}

void CExportDlg::CheckBoth() {
  skipExtractable_->setChecked(true);
  renameExtension_->setChecked(true);
}

void CExportDlg::ReadOptions() {
  options_.skipExtractable = skipExtractable_->isChecked() ? 1 : 0;
  options_.renameExtension = renameExtension_->isChecked() ? 1 : 0;
}

}  // namespace cfv
