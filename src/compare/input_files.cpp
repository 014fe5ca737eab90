#include "compare/input_files.h"

#include <sys/stat.h>

#include <cerrno>

#include "containers/folder_scan.h"

namespace cfv {
namespace {

class Loader final : public LoadObserver {
 public:
  explicit Loader(InputObserver& target) : target_(target) {}

  void FileLoaded(EntryTree&& tree) override {
    ++loaded;
    target_.FileLoaded(std::move(tree));
  }
  void Unreadable(const std::filesystem::path& path, int error, bool) override {
    ++troubles;
    target_.Trouble({ReadTrouble::Kind::kUnreadable, path.native(), 0, error});
  }

  LoadControl control;
  unsigned loaded = 0;
  unsigned troubles = 0;

 private:
  InputObserver& target_;
};

}  // namespace

void LoadInputs(const std::vector<std::filesystem::path>& paths, InputObserver& observer) {
  for (const std::filesystem::path& path : paths) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
      observer.Trouble({ReadTrouble::Kind::kUnreadable, path.native(), 0, errno});
      continue;
    }
    Loader loader(observer);
    LoadDroppedPaths({path}, loader.control, loader);
    if (!S_ISDIR(st.st_mode) && loader.loaded == 0 && loader.troubles == 0)
      observer.Trouble({ReadTrouble::Kind::kNotCustomFile, path.native(), 0, 0});
  }
}

}  // namespace cfv
