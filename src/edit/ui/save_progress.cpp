#include "edit/ui/save_progress.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "common/ui/dialog_layout.h"
#include "common/ui/ui_text.h"

namespace cfv {

CSaveProgressDlg::CSaveProgressDlg(const UiContext& context) : JobDialog(context.owner) {
  DialogBuilder b(*this, context.generalFont, DialogCaption(texts::kSavingCaption, context.language), 260,
                  64);
  cancel_ = b.AddButton(2, UiText(texts::kCancel, context.language), 100, 42, 60, 16);
  cancel_->setAutoDefault(true);
  name_ = b.AddStatic(1030, QString(), 6, 6, 248, 9, StaticStyle{});
  bar_ = new QProgressBar(this);
  bar_->setTextVisible(false);
  bar_->setRange(0, 0);  // busy until the first step is told
  b.Place(bar_, 1031, 6, 20, 248, 12);
  connect(cancel_, &QPushButton::clicked, this, &CSaveProgressDlg::reject);
  setModal(true);
}

void CSaveProgressDlg::reject() {
  cancel_->setEnabled(false);
  JobDialog::reject();
}

void CSaveProgressDlg::showEvent(QShowEvent* event) {
  JobDialog::showEvent(event);
  CentreOver(*this, parentWidget());
  cancel_->setFocus();
}

void CSaveProgressDlg::ShowProgress(const JobProgress& progress) {
  name_->setText(name_->fontMetrics().elidedText(ToQString(progress.item), Qt::ElideMiddle, name_->width()));
  bar_->setRange(0, static_cast<int>(progress.total));
  bar_->setValue(static_cast<int>(progress.done));
}

}  // namespace cfv
