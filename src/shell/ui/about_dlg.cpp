#include "shell/ui/about_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "settings/ui/dialog_layout.h"
#include "shell/ui/program_icon.h"
#include "shell/ui/ui_text.h"

namespace cfv {
namespace {

// The icon is drawn at the system's large icon size, from the top left of
// its 20 x 20 unit cell.
constexpr int kIconPixels = 32;

}  // namespace

CAboutDlg::CAboutDlg(const LogFont& generalFont, UiLanguage language) {
  DialogBuilder builder(*this, generalFont, UiText(texts::kAboutCaption, language), 187, 102);

  QPushButton* ok = builder.AddButton(1, UiText(texts::kOk, language), 130, 81, 50, 14, true);
  connect(ok, &QPushButton::clicked, this, [this] { done(kResultOk); });

  builder.AddStatic(-1,
                    UiFormat(texts::kAboutTextFormat, language,
                             {texts::kProgramTitle.In(language), texts::kReleaseLabel.In(language)}),
                    25, 57, 78, 32, StaticStyle{.centreHorizontally = true});

  QLabel* icon = builder.AddStatic(-1, QString(), 55, 26, 20, 20, StaticStyle{});
  icon->setObjectName(QStringLiteral("programIcon"));
  icon->setPixmap(ProgramIcon().pixmap(kIconPixels, kIconPixels));
  icon->resize(kIconPixels, kIconPixels);

  builder.AddGroupBox(-1, QString(), 7, 7, 115, 88);
  ok->setFocus();
}

int CAboutDlg::Show(QWidget* owner) {
  setParent(owner, windowFlags());
  return exec();
}

void CAboutDlg::reject() { done(kResultCancel); }

void CAboutDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOver(*this, parentWidget());
}

}  // namespace cfv
