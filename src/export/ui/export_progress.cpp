#include "export/ui/export_progress.h"

#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "common/ui/dialog_layout.h"
#include "common/ui/ui_text.h"

namespace cfv {

CExportProgressDlg::CExportProgressDlg(const UiContext& context)
    : JobDialog(context.owner), language_(context.language) {
  DialogBuilder b(*this, context.generalFont, DialogCaption(texts::kExportProgressCaption, language_), 260,
                  76);
  cancel_ = b.AddButton(kIdCancel, UiText(texts::kCancel, language_), 100, 54, 60, 16);
  cancel_->setAutoDefault(true);
  counter_ = b.AddStatic(kIdCounter, UiFormat(texts::kExportProgressCount, language_, {"0", "0"}), 6, 6, 248,
                         9, StaticStyle{});
  name_ = b.AddStatic(kIdName, QString(), 6, 18, 248, 9, StaticStyle{});
  bar_ = new QProgressBar(this);
  bar_->setTextVisible(false);
  bar_->setRange(0, 1);
  bar_->setValue(0);
  b.Place(bar_, kIdBar, 6, 32, 248, 12);
  connect(cancel_, &QPushButton::clicked, this, &CExportProgressDlg::reject);
  setModal(true);
}

void CExportProgressDlg::reject() {
  cancel_->setEnabled(false);
  JobDialog::reject();
}

void CExportProgressDlg::showEvent(QShowEvent* event) {
  JobDialog::showEvent(event);
  CentreOver(*this, parentWidget());
  cancel_->setFocus();
}

void CExportProgressDlg::ShowProgress(const JobProgress& progress) {
  counter_->setText(UiFormat(texts::kExportProgressCount, language_,
                             {std::to_string(progress.done), std::to_string(progress.total)}));
  name_->setText(name_->fontMetrics().elidedText(ToQString(progress.item), Qt::ElideMiddle, name_->width()));
  // The bar counts in thousandths: its range is an int, the counts are not.
  bar_->setRange(0, 1000);
  bar_->setValue(progress.total == 0 ? 0 : static_cast<int>(progress.done * 1000 / progress.total));
}

}  // namespace cfv
