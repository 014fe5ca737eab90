#include "containers/ui/wait_dlg.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

#include "common/ui/dialog_layout.h"
#include "common/ui/ui_text.h"
#include "containers/ui/load_progress.h"
#include "settings/ui/font_conversion.h"

namespace cfv {
namespace {

// A Windows progress bar's range until it is told one.
constexpr int kDefaultBarMaximum = 100;

}  // namespace

CWaitDlg::CWaitDlg(QWidget* owner, const LogFont& generalFont, UiLanguage language) : QDialog(owner) {
  DialogBuilder builder(*this, ToQFont(generalFont), UiText(texts::kWaitCaption, language), 252, 72);

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
  pollTimer_.setInterval(kPollPeriod);
  connect(&pollTimer_, &QTimer::timeout, this, &CWaitDlg::Poll);
}

void CWaitDlg::Open(std::shared_ptr<LoadControl> control, std::function<bool()> hasEnded) {
  control_ = std::move(control);
  hasEnded_ = std::move(hasEnded);
  control_->progressDone.store(0);
  control_->progressTotal.store(0);
  counter_->setText(QStringLiteral("0/0"));
  SetBarRange(kDefaultBarMaximum);
  SetBarPosition(0);
  open_ = true;
  show();
  abort_->setFocus();
  pollTimer_.start();
}

void CWaitDlg::ShowTotal(std::int32_t done, std::int32_t total) {
  ShowCounter(done, total);
  SetBarRange(LoadBarMaximum(total));
}

void CWaitDlg::ShowDone(std::int32_t done, std::int32_t total) {
  ShowCounter(done, total);
  SetBarPosition(done);
}

void CWaitDlg::Poll() {
  if (open_ && (!hasEnded_ || hasEnded_())) reject();
}

void CWaitDlg::reject() {
  pollTimer_.stop();
  if (!open_) {
    hide();
    return;
  }
  open_ = false;
  control_->abortRequested.store(true);
  done(kResultCancel);
}

void CWaitDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOver(*this, parentWidget());
}

void CWaitDlg::ShowCounter(std::int32_t done, std::int32_t total) {
  counter_->setText(QString::fromStdString(LoadCounterText(done, total)));
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
