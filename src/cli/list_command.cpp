#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <cstring>

#include "cli/commands.h"
#include "containers/folder_scan.h"

namespace cfv::cli {
namespace {

// Prints each loaded file as soon as it is parsed, so memory holds one file's
// tree at a time however many files the paths hold. Lines are formatted into
// one buffer and written in large blocks: a listing of a million entries
// must cost little more than reading their headers.
class TreePrinter final : public LoadObserver {
 public:
  TreePrinter(std::FILE* out, bool tsv) : out_(out), tsv_(tsv) { buffer_.reserve(kFlushAt + 4096); }
  ~TreePrinter() override { Flush(); }
  TreePrinter(const TreePrinter&) = delete;
  TreePrinter& operator=(const TreePrinter&) = delete;

  void FileLoaded(EntryTree&& tree) override {
    tree.ForEachPreOrder(kNoItem, [&](ItemId id, unsigned depth) {
      if (tsv_) {
        AppendNumber(depth);
        buffer_ += '\t';
        AppendNumber(tree.Data(id));
        buffer_ += '\t';
        buffer_ += tree.HasChildren(id) ? '1' : '0';
        buffer_ += '\t';
        AppendEscaped(buffer_, tree.Text(id));
      } else {
        buffer_.append(2 * static_cast<std::size_t>(depth), ' ');
        buffer_ += tree.Text(id);
      }
      buffer_ += '\n';
      if (buffer_.size() >= kFlushAt) Flush();
    });
  }

  void Flush() {
    if (!buffer_.empty()) std::fwrite(buffer_.data(), 1, buffer_.size(), out_);
    buffer_.clear();
  }

 private:
  static constexpr std::size_t kFlushAt = 256 * 1024;

  void AppendNumber(std::uint32_t value) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    buffer_.append(digits, end);
  }

  std::FILE* out_;
  bool tsv_;
  std::string buffer_;
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
  printer.Flush();
  if (std::fflush(out) != 0 || std::ferror(out)) {
    std::fprintf(err, "tazor-cfv: cannot write the listing: %s\n", std::strerror(errno));
    return kExitFailed;
  }
  return status;
}

}  // namespace cfv::cli
