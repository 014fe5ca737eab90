#include "settings/ui/option_config_dlg.h"

#include <QFontDialog>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>

#include "common/ui/dialog_layout.h"
#include "common/ui/ui_text.h"
#include "settings/ui/font_conversion.h"

namespace cfv {

std::optional<LogFont> ChooseFontWithDialog(const LogFont& initial, QWidget* owner, int screenDpi) {
  // The chooser lists installed faces only: it opens on the face the
  // program really renders with (Liberation Sans for a stored Arial), not
  // on a fallback of its own.
  QFont start = ToQFont(initial);
  const QString rendered = QFontInfo(start).family();
  start.setFamily(rendered);
  bool ok = false;
  const QFont chosen = QFontDialog::getFont(&ok, start, owner);
  if (!ok) return std::nullopt;
  LogFont result = FromQFont(chosen, initial, screenDpi);
  // The face left as it was keeps its stored name, so that a settings file
  // naming a Windows face still names it.
  if (chosen.family() == rendered) result.lfFaceName = initial.lfFaceName;
  return result;
}

COptionConfigDlg::COptionConfigDlg(const UserFonts& fonts, UiLanguage language, int screenDpi,
                                   FontChooser chooser)
    : fonts_(fonts), screenDpi_(screenDpi), chooser_(std::move(chooser)) {
  if (!chooser_) {
    chooser_ = [dpi = screenDpi_](const LogFont& initial, QWidget* owner) {
      return ChooseFontWithDialog(initial, owner, dpi);
    };
  }
  DialogBuilder b(*this, ToQFont(fonts_.general), DialogCaption(texts::kConfigurationCaption, language), 288,
                  138);

  // In template order; the tab order follows it, so OK has the focus first.
  QPushButton* ok = b.AddButton(kIdOk, UiText(texts::kOk, language), 156, 114, 60, 18, true);
  QPushButton* cancel = b.AddButton(kIdCancel, UiText(texts::kCancel, language), 222, 114, 60, 18);
  const StaticStyle labelStyle{.centreVertically = true};
  const StaticStyle descStyle{.centreVertically = true, .sunken = true};
  const QString select = UiText(texts::kFontSelect, language);

  b.AddStatic(-1, UiText(texts::kFontGeneral, language), 18, 24, 60, 18, labelStyle);
  descGeneral_ = b.AddStatic(kIdDescGeneral, QString(), 84, 24, 120, 18, descStyle);
  QPushButton* selGeneral = b.AddButton(kIdSelectGeneral, select, 210, 24, 60, 18);

  b.AddStatic(-1, UiText(texts::kFontFileList, language), 18, 48, 60, 18, labelStyle);
  descFileList_ = b.AddStatic(kIdDescFileList, QString(), 84, 48, 120, 18, descStyle);
  QPushButton* selFileList = b.AddButton(kIdSelectFileList, select, 210, 48, 60, 18);

  b.AddStatic(-1, UiText(texts::kFontPreview, language), 18, 72, 60, 18, labelStyle);
  descPreview_ = b.AddStatic(kIdDescPreview, QString(), 84, 72, 120, 18, descStyle);
  QPushButton* selPreview = b.AddButton(kIdSelectPreview, select, 210, 72, 60, 18);

  b.AddGroupBox(-1, UiText(texts::kFontGroup, language), 6, 6, 276, 96);

  connect(ok, &QPushButton::clicked, this, [this] { done(kResultOk); });
  connect(cancel, &QPushButton::clicked, this, [this] { done(kResultCancel); });
  connect(selGeneral, &QPushButton::clicked, this, [this] { Choose(fonts_.general, descGeneral_); });
  connect(selFileList, &QPushButton::clicked, this, [this] { Choose(fonts_.fileTree, descFileList_); });
  connect(selPreview, &QPushButton::clicked, this, [this] { Choose(fonts_.viewer, descPreview_); });

  UpdateDescriptions();
  ok->setFocus();
}

int COptionConfigDlg::Show(QWidget* owner) {
  setParent(owner, windowFlags());
  return exec();
}

void COptionConfigDlg::reject() { done(kResultCancel); }

void COptionConfigDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOver(*this, parentWidget());
}

void COptionConfigDlg::UpdateDescriptions() {
  descGeneral_->setText(ToQString(FontDescription(fonts_.general, screenDpi_)));
  descFileList_->setText(ToQString(FontDescription(fonts_.fileTree, screenDpi_)));
  descPreview_->setText(ToQString(FontDescription(fonts_.viewer, screenDpi_)));
}

void COptionConfigDlg::Choose(LogFont& font, QLabel* description) {
  const std::optional<LogFont> chosen = chooser_(font, this);
  if (!chosen) return;
  font = *chosen;
  description->setText(ToQString(FontDescription(font, screenDpi_)));
}

}  // namespace cfv
