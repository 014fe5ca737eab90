#include "app/about_dlg.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "app/program_icon.h"
#include "common/ui/dialog_layout.h"
#include "common/ui/ui_text.h"

namespace cfv {
namespace {

// The icon is drawn at the system's large icon size, from the top left of
// its 20 x 20 unit cell.
constexpr int kIconPixels = 32;

}  // namespace

CAboutDlg::CAboutDlg(const UiContext& context) {
  const UiLanguage language = context.language;
  DialogBuilder builder(*this, context.generalFont, UiText(texts::kAboutCaption, language), 187, 102);

  QPushButton* ok = builder.AddButton(kIdOk, UiText(texts::kOk, language), 130, 81, 50, 14, true);
  connect(ok, &QPushButton::clicked, this, [this] { done(kResultOk); });

  // The title and the release stay two centred lines: a line wider than the
  // 78-unit box in the chosen font widens the box about its centre (never
  // past the group box) instead of wrapping into a box too low to show it.
  QLabel* text =
      builder.AddStatic(-1,
                        UiFormat(texts::kAboutTextFormat, language,
                                 {texts::kProgramTitle.In(language), texts::kReleaseLabel.In(language)}),
                        25, 57, 78, 32, StaticStyle{.centreHorizontally = true});
  text->setObjectName(QStringLiteral("aboutText"));
  text->setWordWrap(false);
  const QFontMetrics metrics(builder.Font());
  int widest = 0;
  for (const QString& line : text->text().split(QLatin1Char('\n'))) {
    widest = std::max(widest, metrics.horizontalAdvance(line) + 2);
  }
  const QRect group = builder.Units().ToPixels(7, 7, 115, 88).adjusted(2, 0, -2, 0);
  QRect box = text->geometry();
  if (widest > box.width()) {
    box.setLeft(std::max(group.left(), box.center().x() - widest / 2));
    box.setRight(std::min(group.right(), box.left() + widest));
    text->setGeometry(box);
  }

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
