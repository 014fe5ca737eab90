#include "export/ui/export_dlg.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <algorithm>
#include <initializer_list>
#include <system_error>

#include "common/ui/dialog_layout.h"
#include "common/ui/file_dialog.h"
#include "common/ui/message_box.h"
#include "common/ui/ui_text.h"

namespace cfv {
namespace {

// Sizes the explanations for the font in use. Each of their lines is kept
// whole where the screen allows: the dialog widens by what the longest one
// needs (the controls that span it widen with it, those on its right move
// right), so that no sentence wraps to leave a word or two alone on a line.
// Then each explanation is as tall as its text, and what lies below it
// moves down, the dialog growing with it, so that `gap` pixels stay
// between its last line and the next control.
void FitExplanations(QDialog& dialog, const std::initializer_list<QLabel*>& notes, int gap) {
  const QList<QWidget*> controls = dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
  int widen = 0;
  for (QLabel* note : notes)
    widen = std::max(widen, note->fontMetrics().size(0, note->text()).width() + 2 - note->width());
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    widen = std::min(widen, screen->availableGeometry().width() * 9 / 10 - dialog.width());
  const int middle = dialog.width() / 2;
  for (QWidget* control : controls) {
    if (widen <= 0) break;
    if (control->x() >= middle) {
      control->move(control->x() + widen, control->y());
    } else if (control->geometry().right() > middle) {
      control->resize(control->width() + widen, control->height());
    }
  }
  int grow = 0;
  for (QLabel* note : notes) {
    note->resize(note->width(), note->heightForWidth(note->width()));
    int next = dialog.height() + grow;  // the top of the control below the note
    for (QWidget* control : controls) {
      if (control->y() > note->y()) next = std::min(next, control->y());
    }
    const int shift = std::max(0, note->geometry().bottom() + 1 + gap - next);
    for (QWidget* control : controls) {
      if (control->y() >= next) control->move(control->x(), control->y() + shift);
    }
    grow += shift;
  }
  dialog.setFixedSize(dialog.width() + std::max(0, widen), dialog.height() + grow);
}

}  // namespace

CExportDlg::CExportDlg(const UiContext& context) : language_(context.language) {
  const UiLanguage language = language_;
  DialogBuilder b(*this, context.generalFont, DialogCaption(texts::kConfigureExportCaption, language), 300,
                  204);

  // In template order; the tab order follows it, so Export has the focus
  // first.
  QPushButton* exportButton =
      b.AddButton(kIdExport, UiText(texts::kExportButtonExport, language), 168, 180, 60, 18, true);
  QPushButton* cancel = b.AddButton(kIdCancel, UiText(texts::kCancel, language), 234, 180, 60, 18);
  QPushButton* defaults =
      b.AddButton(kIdDefault, UiText(texts::kExportButtonDefault, language), 6, 180, 60, 18);

  skipExtractable_ = new QCheckBox(UiText(texts::kExportSkipExtractable, language), this);
  b.Place(skipExtractable_, kIdSkipExtractable, 6, 6, 288, 12);
  QLabel* skipNote =
      b.AddStatic(-1, UiText(texts::kExportSkipExtractableNote, language), 18, 24, 276, 30, StaticStyle{});
  renameExtension_ = new QCheckBox(UiText(texts::kExportRenameExtension, language), this);
  b.Place(renameExtension_, kIdRenameExtension, 6, 72, 288, 12);
  QLabel* renameNote =
      b.AddStatic(-1, UiText(texts::kExportRenameExtensionNote, language), 18, 90, 276, 30, StaticStyle{});

  b.AddGroupBox(-1, UiText(texts::kExportDestination, language), 6, 126, 288, 48);
  besideEach_ = new QRadioButton(UiText(texts::kExportBesideEach, language), this);
  b.Place(besideEach_, kIdBesideEach, 14, 138, 272, 12);
  toFolder_ = new QRadioButton(UiText(texts::kExportToFolder, language), this);
  b.Place(toFolder_, kIdToFolder, 14, 155, 62, 12);
  folderPath_ = new QLineEdit(this);
  b.Place(folderPath_, kIdFolderPath, 78, 154, 152, 14);
  QPushButton* browse = b.AddButton(kIdBrowse, UiText(texts::kExportBrowse, language), 234, 153, 52, 16);

  FitExplanations(*this, {skipNote, renameNote}, b.Units().ToPixelsY(8));

  connect(exportButton, &QPushButton::clicked, this, &CExportDlg::accept);
  connect(cancel, &QPushButton::clicked, this, &CExportDlg::reject);
  connect(defaults, &QPushButton::clicked, this, &CExportDlg::RestoreDefault);
  connect(browse, &QPushButton::clicked, this, &CExportDlg::Browse);
  connect(folderPath_, &QLineEdit::textEdited, this, [this] { toFolder_->setChecked(true); });

  RestoreDefault();
  exportButton->setFocus();
}

int CExportDlg::Show(QWidget* owner) {
  setParent(owner, windowFlags());
  return exec();
}

void CExportDlg::accept() {
  ReadOptions();
  if (toFolder_->isChecked()) {
    options_.destination = CheckedDestination();
    if (options_.destination.empty()) return;
  }
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

void CExportDlg::RestoreDefault() {
  skipExtractable_->setChecked(true);
  renameExtension_->setChecked(true);
  besideEach_->setChecked(true);
  folderPath_->clear();
}

void CExportDlg::ReadOptions() {
  options_.skipExtractable = skipExtractable_->isChecked() ? 1 : 0;
  options_.renameExtension = renameExtension_->isChecked() ? 1 : 0;
  options_.destination.clear();
}

void CExportDlg::Browse() {
  QFileDialog dialog(this, DialogCaption(texts::kExportChooseFolderCaption, language_));
  SetUpFileDialog(dialog, QFileDialog::Directory, language_);
  const QString typed = folderPath_->text().trimmed();
  dialog.setDirectory(!typed.isEmpty() && QDir(typed).exists() ? typed : QDir::homePath());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  folderPath_->setText(QDir::toNativeSeparators(dialog.selectedFiles().front()));
  toFolder_->setChecked(true);
}

std::filesystem::path CExportDlg::CheckedDestination() {
  QString typed = folderPath_->text().trimmed();
  if (typed == QStringLiteral("~") || typed.startsWith(QStringLiteral("~/")))
    typed = QDir::homePath() + typed.mid(1);
  const std::filesystem::path path(typed.toStdString());
  QString problem;
  std::error_code error;
  if (typed.isEmpty() || !path.is_absolute()) {
    problem = UiText(texts::kExportNeedsFolder, language_);
  } else if (std::filesystem::exists(path, error) && !std::filesystem::is_directory(path, error)) {
    problem = UiFormat(texts::kExportNotAFolder, language_, {typed.toStdString()});
  }
  if (problem.isEmpty()) return path;
  ShowMessageBox(this, QMessageBox::Warning, UiText(texts::kProgramTitle, language_), problem,
                 QMessageBox::Ok);
  folderPath_->setFocus();
  folderPath_->selectAll();
  return {};
}

}  // namespace cfv
