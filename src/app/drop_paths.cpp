#include "app/drop_paths.h"

#include <QFile>
#include <QMimeData>
#include <QUrl>

namespace cfv {

std::vector<std::filesystem::path> LocalPathsOf(const QMimeData& mime) {
  std::vector<std::filesystem::path> paths;
  if (!mime.hasUrls()) return paths;
  for (const QUrl& url : mime.urls()) {
    if (!url.isLocalFile()) continue;
    const QString file = url.toLocalFile();
    if (file.isEmpty()) continue;
    // The file system's own encoding of the name, byte for byte.
    const QByteArray bytes = QFile::encodeName(file);
    paths.emplace_back(std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  }
  return paths;
}

}  // namespace cfv
