#include <sys/stat.h>

#include <algorithm>
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
  TreePrinter(std::FILE* out, std::FILE* err, bool tsv) : out_(out), err_(err), tsv_(tsv), buffer_(kBlock) {}
  ~TreePrinter() override { Flush(); }
  TreePrinter(const TreePrinter&) = delete;
  TreePrinter& operator=(const TreePrinter&) = delete;

  void FileLoaded(EntryTree&& tree) override {
    ++files;
    tree.ForEachPreOrder(kNoItem, [&](ItemId id, unsigned depth) {
      const std::string_view text = tree.Text(id);
      // The longest line: two numbers of at most 10 digits, three tabs, the
      // children flag, the text escaped (at most twice its length) and the
      // line feed; or the indent and the text.
      const std::size_t longest = tsv_ ? 32 + 2 * text.size() : 2 * std::size_t{depth} + text.size() + 1;
      if (used_ + longest > buffer_.size()) {
        Flush();
        if (longest > buffer_.size()) buffer_.resize(longest);
      }
      char* p = buffer_.data() + used_;
      if (tsv_) {
        p = std::to_chars(p, p + 10, depth).ptr;
        *p++ = '\t';
        p = std::to_chars(p, p + 10, tree.Data(id)).ptr;
        *p++ = '\t';
        *p++ = tree.HasChildren(id) ? '1' : '0';
        *p++ = '\t';
        p = WriteEscaped(p, text);
      } else {
        p = std::fill_n(p, 2 * std::size_t{depth}, ' ');
        p = std::copy(text.begin(), text.end(), p);
      }
      *p++ = '\n';
      used_ = static_cast<std::size_t>(p - buffer_.data());
    });
  }

  void Unreadable(const std::filesystem::path& path, int error, bool named) override {
    // The listing so far comes first, as the files were met.
    Flush();
    std::fflush(out_);
    ReportUnreadable(err_, path, error, named, status);
  }

  int status = kExitOk;
  std::size_t files = 0;

  void Flush() {
    if (used_ != 0) std::fwrite(buffer_.data(), 1, used_, out_);
    used_ = 0;
  }

 private:
  static constexpr std::size_t kBlock = 256 * 1024;

  // Writes `text` escaped as EscapeField does; returns the end.
  static char* WriteEscaped(char* p, std::string_view text) {
    for (const char c : text) {
      char code = 0;
      switch (c) {
        case '\\':
          code = '\\';
          break;
        case '\t':
          code = 't';
          break;
        case '\n':
          code = 'n';
          break;
        case '\r':
          code = 'r';
          break;
        default:
          *p++ = c;
          continue;
      }
      *p++ = '\\';
      *p++ = code;
    }
    return p;
  }

  std::FILE* out_;
  std::FILE* err_;
  bool tsv_;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
};

}  // namespace

void ReportUnreadable(std::FILE* err, const std::filesystem::path& path, int error, bool named, int& status) {
  std::fprintf(err, "tazor-cfv: %s%s: %s\n", named ? "" : "warning: ", path.c_str(), std::strerror(error));
  status = std::max(status, named ? kExitUsage : kExitFailed);
}

int RunList(const std::vector<std::filesystem::path>& paths, bool tsv, std::FILE* out, std::FILE* err) {
  int status = kExitOk;
  for (const auto& path : paths) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
      std::fprintf(err, "tazor-cfv: %s: %s\n", path.c_str(), std::strerror(errno));
      status = kExitUsage;
    }
  }
  TreePrinter printer(out, err, tsv);
  LoadControl control;
  LoadDroppedPaths(paths, control, printer);
  printer.Flush();
  status = std::max(status, printer.status);
  // A named input that cannot be read has said why already.
  if (printer.files == 0 && status < kExitUsage) {
    std::fprintf(err, "tazor-cfv: none of the inputs is a custom file\n");
    status = kExitFailed;
  }
  if (std::fflush(out) != 0 || std::ferror(out)) {
    std::fprintf(err, "tazor-cfv: cannot write the listing: %s\n", std::strerror(errno));
    return kExitFailed;
  }
  return status;
}

}  // namespace cfv::cli
