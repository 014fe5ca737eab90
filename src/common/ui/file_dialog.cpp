#include "common/ui/file_dialog.h"

namespace cfv {

void SetUpFileDialog(QFileDialog& dialog, QFileDialog::FileMode mode) {
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(mode);
  if (mode == QFileDialog::Directory) dialog.setOption(QFileDialog::ShowDirsOnly);
  if (mode == QFileDialog::AnyFile) dialog.setAcceptMode(QFileDialog::AcceptSave);
}

}  // namespace cfv
