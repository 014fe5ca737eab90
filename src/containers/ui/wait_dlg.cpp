#include "containers/ui/wait_dlg.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

#include "common/ui/dialog_layout.h"
#include "common/ui/ui_text.h"
#include "containers/ui/load_progress.h"

namespace cfv {
namespace {

// A Windows progress bar's range until it is told one.
constexpr int kDefaultBarMaximum = 100;

}  // namespace

CWaitDlg::CWaitDlg(const UiContext& context) : JobDialog(context.owner) {
  const UiLanguage language = context.language;
  DialogBuilder builder(*this, context.generalFont, UiText(texts::kWaitCaption, language), 252, 72);

  abort_ = builder.AddButton(kIdAbort, UiText(texts::kWaitAbort, language), 96, 49, 60, 18);
  // A focused push button answers Enter, as the focused Windows button does.
  abort_->setAutoDefault(true);
  connect(abort_, &QPushButton::clicked, this, &CWaitDlg::reject);

  counter_ = builder.AddStatic(kIdCounter, QStringLiteral("0/0"), 6, 6, 240, 8, StaticStyle{});

  bar_ = new QProgressBar(this);
  bar_->setTextVisible(false);
  bar_->setRange(0, kDefaultBarMaximum);
  bar_->setValue(0);
  builder.Place(bar_, kIdBar, 6, 18, 240, 12);

  setModal(true);
}

void CWaitDlg::Open() {
  counter_->setText(QStringLiteral("0/0"));
  SetBarRange(kDefaultBarMaximum);
  SetBarPosition(0);
  open_ = true;
  show();
  abort_->setFocus();
}

void CWaitDlg::ShowProgress(const JobProgress& progress) {
  const auto done = static_cast<std::int32_t>(progress.done);
  const auto total = static_cast<std::int32_t>(progress.total);
  counter_->setText(QString::fromStdString(LoadCounterText(done, total)));
  SetBarRange(LoadBarMaximum(total));
  SetBarPosition(done);
}

void CWaitDlg::JobEnded() { Close(); }

void CWaitDlg::reject() {
  if (open_) emit CancelRequested();
  Close();
}

void CWaitDlg::Close() {
  if (!open_) {
    hide();
    return;
  }
  open_ = false;
  done(kResultCancel);
}

void CWaitDlg::showEvent(QShowEvent* event) {
  JobDialog::showEvent(event);
  CentreOver(*this, parentWidget());
}

void CWaitDlg::SetBarRange(int maximum) {
  barMaximum_ = maximum;
  barPosition_ = std::min(barPosition_, maximum);
  bar_->setRange(0, std::max(maximum, 1));
  bar_->setValue(barPosition_);
}

void CWaitDlg::SetBarPosition(std::int32_t position) {
  barPosition_ = std::clamp(position, 0, barMaximum_);
  bar_->setValue(barPosition_);
}

}  // namespace cfv
