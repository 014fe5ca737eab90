#include "export/ui/export_dlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "settings/ui/dialog_layout.h"
#include "shell/ui/ui_text.h"

namespace cfv {

CExportDlg::CExportDlg(const LogFont& generalFont, UiLanguage language) {
  DialogBuilder b(*this, generalFont, DialogCaption(texts::kConfigureExportCaption, language), 300, 180);

  // In template order; the tab order follows it, so Export has the focus
  // first.
  QPushButton* exportButton =
      b.AddButton(kIdExport, UiText(texts::kExportButtonExport, language), 168, 156, 60, 18, true);
  QPushButton* cancel = b.AddButton(kIdCancel, UiText(texts::kCancel, language), 234, 156, 60, 18);
  QPushButton* defaults =
      b.AddButton(kIdDefault, UiText(texts::kExportButtonDefault, language), 6, 156, 60, 18);

  skipExtractable_ = new QCheckBox(UiText(texts::kExportSkipExtractable, language), this);
  b.Place(skipExtractable_, kIdSkipExtractable, 6, 6, 288, 12);
  b.AddStatic(-1, UiText(texts::kExportSkipExtractableNote, language), 18, 24, 276, 30, StaticStyle{});
  renameExtension_ = new QCheckBox(UiText(texts::kExportRenameExtension, language), this);
  b.Place(renameExtension_, kIdRenameExtension, 6, 72, 288, 12);
  b.AddStatic(-1, UiText(texts::kExportRenameExtensionNote, language), 18, 90, 276, 30, StaticStyle{});

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
