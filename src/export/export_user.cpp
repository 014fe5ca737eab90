#include "export/export_user.h"

namespace cfv {

void ExportUser::Failed(const ExportFailure& failure) {
  switch (failure.kind) {
    case ExportFailure::Kind::kRead:
      ReadFailed(failure.path);
      return;
    case ExportFailure::Kind::kWrite:
    case ExportFailure::Kind::kLeavesFolder:
    case ExportFailure::Kind::kCustomFile:
    case ExportFailure::Kind::kLink:
      WriteFailed(failure.path);
      return;
    case ExportFailure::Kind::kFolderName:
    case ExportFailure::Kind::kNoExtension:
      FolderNameRefused(failure.path);
      return;
  }
}

}  // namespace cfv
