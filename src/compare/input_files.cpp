#include "compare/input_files.h"

#include <sys/stat.h>

#include <cerrno>

#include "containers/custom_file.h"
#include "containers/folder_scan.h"
#include "containers/loader.h"
#include "containers/mapped_file.h"

namespace cfv {
namespace {

class Loader final : public LoadObserver {
 public:
  explicit Loader(InputObserver& target) : target_(target) {}

  void FileLoaded(EntryTree&& tree) override {
    loaded = true;
    target_.FileLoaded(std::move(tree));
  }
  void Unreadable(const std::filesystem::path& path, int error, bool) override {
    troubled = true;
    target_.Trouble({ReadTrouble::Kind::kUnreadable, path.native(), 0, error});
  }

  LoadControl control;
  bool loaded = false;
  bool troubled = false;

 private:
  InputObserver& target_;
};

// Takes the files a drop finds instead of loading them.
class Finder final : public LoadObserver {
 public:
  Finder(std::vector<InputFile>& files, TroubleObserver& observer) : files_(files), observer_(observer) {}

  void FileLoaded(EntryTree&&) override {}
  void FileFound(const std::filesystem::path& path, LoadControl&, bool named) override {
    files_.push_back({path.native(), named});
  }
  void Unreadable(const std::filesystem::path& path, int error, bool) override {
    observer_.Trouble({ReadTrouble::Kind::kUnreadable, path.native(), 0, error});
  }

 private:
  std::vector<InputFile>& files_;
  TroubleObserver& observer_;
};

}  // namespace

void FindInputs(const std::vector<std::filesystem::path>& paths, std::vector<InputFile>& files,
                TroubleObserver& observer) {
  for (const std::filesystem::path& path : paths) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
      observer.Trouble({ReadTrouble::Kind::kUnreadable, path.native(), 0, errno});
      continue;
    }
    Finder finder(files, observer);
    LoadControl control;
    LoadDroppedPaths({path}, control, finder);
  }
}

MappedInput LoadMapped(const InputFile& file, MappedFile& mapped, EntryTree& tree,
                       TroubleObserver& observer) {
  tree.Clear();
  const auto trouble = [&](ReadTrouble::Kind kind, int error) {
    observer.Trouble({kind, file.path, 0, error});
    return MappedInput::kTrouble;
  };
  int error = 0;
  if (!mapped.Open(file.path, error)) {
    // Gone meanwhile, or a socket: no file that could not be read (as a drop
    // has it).
    if (error == ENOENT || error == ENXIO) return MappedInput::kNoCustomFile;
    if (error != 0) return trouble(ReadTrouble::Kind::kUnreadable, error);
  } else {
    CustomFile image(mapped.bytes());
    bool loaded = false;
    if (!ReadMapped([&] { loaded = LoadOpenCustomFile(image, file.path, tree); }))
      return trouble(ReadTrouble::Kind::kChanged, 0);
    if (loaded) return MappedInput::kCustomFile;
  }
  return file.named ? trouble(ReadTrouble::Kind::kNotCustomFile, 0) : MappedInput::kNoCustomFile;
}

void LoadInputs(const std::vector<std::filesystem::path>& paths, InputObserver& observer) {
  for (const std::filesystem::path& path : paths) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
      observer.Trouble({ReadTrouble::Kind::kUnreadable, path.native(), 0, errno});
      continue;
    }
    Loader loader(observer);
    LoadDroppedPaths({path}, loader.control, loader);
    if (!S_ISDIR(st.st_mode) && !loader.loaded && !loader.troubled)
      observer.Trouble({ReadTrouble::Kind::kNotCustomFile, path.native(), 0, 0});
  }
}

}  // namespace cfv
