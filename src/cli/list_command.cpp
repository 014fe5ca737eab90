#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "cli/commands.h"
#include "containers/folder_scan.h"

namespace cfv::cli {
namespace {

// Prints each loaded file as soon as it is parsed, so memory holds one file's
// tree at a time however many files the paths hold.
class TreePrinter final : public LoadObserver {
 public:
  TreePrinter(std::FILE* out, bool tsv) : out_(out), tsv_(tsv) {}

  void FileLoaded(EntryTree&& tree) override {
    std::string line;
    tree.ForEachPreOrder(kNoItem, [&](ItemId id, unsigned depth) {
      line.clear();
      if (tsv_) {
        line += std::to_string(depth);
        line += '\t';
        line += std::to_string(tree.Data(id));
        line += '\t';
        line += tree.HasChildren(id) ? '1' : '0';
        line += '\t';
        line += EscapeField(tree.Text(id));
      } else {
        line.append(2 * static_cast<std::size_t>(depth), ' ');
        line += tree.Text(id);
      }
      line += '\n';
      std::fwrite(line.data(), 1, line.size(), out_);
    });
  }

 private:
  std::FILE* out_;
  bool tsv_;
};

}  // namespace

int RunList(const std::vector<std::filesystem::path>& paths, bool tsv, std::FILE* out, std::FILE* err) {
  int status = kExitOk;
  for (const auto& path : paths) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
      std::fprintf(err, "tazor-cfv: %s: %s\n", path.c_str(), std::strerror(errno));
      status = kExitUsage;
    }
  }
  TreePrinter printer(out, tsv);
  LoadControl control;
  LoadDroppedPaths(paths, control, printer);
  if (std::fflush(out) != 0 || std::ferror(out)) {
    std::fprintf(err, "tazor-cfv: cannot write the listing: %s\n", std::strerror(errno));
    return kExitFailed;
  }
  return status;
}

}  // namespace cfv::cli
