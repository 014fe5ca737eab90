#include "export/ui/export_progress.h"

#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "common/ui/dialog_layout.h"
#include "common/ui/ui_text.h"
#include "settings/ui/font_conversion.h"

namespace cfv {

void ExportProgressShare::Publish(std::uint32_t done, std::uint32_t total, std::string_view name,
                                  bool always) {
  const auto now = std::chrono::steady_clock::now();
  if (!always && done != 0 && now - lastKept_ < kPublishPeriod) return;
  lastKept_ = now;
  const std::lock_guard<std::mutex> lock(mutex_);
  done_ = done;
  total_ = total;
  name_.assign(name);
  fresh_ = true;
}

bool ExportProgressShare::Take(std::uint32_t& done, std::uint32_t& total, std::string& name) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (!fresh_) return false;
  fresh_ = false;
  done = done_;
  total = total_;
  name = name_;
  return true;
}

CExportProgressDlg::CExportProgressDlg(QWidget* owner, const LogFont& generalFont, UiLanguage language,
                                       ExportProgressShare& share)
    : QDialog(owner), language_(language), share_(share) {
  DialogBuilder b(*this, ToQFont(generalFont), DialogCaption(texts::kExportProgressCaption, language), 260,
                  76);
  cancel_ = b.AddButton(kIdCancel, UiText(texts::kCancel, language), 100, 54, 60, 16);
  cancel_->setAutoDefault(true);
  counter_ = b.AddStatic(kIdCounter, UiFormat(texts::kExportProgressCount, language, {"0", "0"}), 6, 6, 248,
                         9, StaticStyle{});
  name_ = b.AddStatic(kIdName, QString(), 6, 18, 248, 9, StaticStyle{});
  bar_ = new QProgressBar(this);
  bar_->setTextVisible(false);
  bar_->setRange(0, 1);
  bar_->setValue(0);
  b.Place(bar_, kIdBar, 6, 32, 248, 12);
  connect(cancel_, &QPushButton::clicked, this, &CExportProgressDlg::reject);

  setModal(true);
  pollTimer_.setInterval(ExportProgressShare::kPublishPeriod);
  connect(&pollTimer_, &QTimer::timeout, this, &CExportProgressDlg::Poll);
}

void CExportProgressDlg::Finish() {
  pollTimer_.stop();
  QDialog::done(QDialog::Accepted);
}

void CExportProgressDlg::reject() {
  share_.RequestCancel();
  cancel_->setEnabled(false);
}

void CExportProgressDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOver(*this, parentWidget());
  cancel_->setFocus();
  pollTimer_.start();
}

void CExportProgressDlg::Poll() {
  std::uint32_t done = 0;
  std::uint32_t total = 0;
  std::string name;
  if (!share_.Take(done, total, name)) return;
  counter_->setText(
      UiFormat(texts::kExportProgressCount, language_, {std::to_string(done), std::to_string(total)}));
  name_->setText(name_->fontMetrics().elidedText(ToQString(name), Qt::ElideMiddle, name_->width()));
  // The bar counts in thousandths: its range is an int, the counts are not.
  bar_->setRange(0, 1000);
  bar_->setValue(total == 0 ? 0 : static_cast<int>(std::uint64_t{done} * 1000 / total));
}

}  // namespace cfv
