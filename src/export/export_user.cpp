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
      WriteFailed(failure.path);
      return;
    case ExportFailure::Kind::kFolderName:
    case ExportFailure::Kind::kNoExtension:
      FolderNameRefused(failure.path);
      return;
  }
}

std::string WithUnixLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out.push_back(text[i]);
  }
  return out;
}

}  // namespace cfv
