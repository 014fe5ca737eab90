#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/json_writer.h"
#include "containers/custom_file.h"
#include "containers/extract.h"
#include "containers/folder_scan.h"
#include "export/output_name.h"
#include "preview/classify.h"

namespace cfv::cli {
namespace {


// Prints each loaded file as soon as it is parsed, so memory holds one file's
// tree at a time however many files the paths hold. Lines are formatted into
// one buffer and written in large blocks: a listing of a million entries
// must cost little more than reading their headers.
class TreePrinter final : public LoadObserver {
 public:
  TreePrinter(std::FILE* out, std::FILE* err, ListFormat format,
              const std::vector<std::filesystem::path>& named)
      : named_(named),
        out_(out),
        err_(err),
        tsv_(format == ListFormat::kTsv),
        json_(format == ListFormat::kJson),
        buffer_(kBlock) {}
  ~TreePrinter() override { Flush(); }
  TreePrinter(const TreePrinter&) = delete;
  TreePrinter& operator=(const TreePrinter&) = delete;

  void FileLoaded(EntryTree&& tree) override {
    ++files;
    if (json_) return PrintJson(tree);
    tree.ForEachPreOrder(kNoItem, [&](ItemId id, unsigned depth) {
      const std::string_view text = tree.Text(id);
      // The longest line: two numbers of at most 10 digits, three tabs, the
      // children flag, the text escaped (at most twice its length) and the
      // line feed; or the indent and the text escaped.
      const std::size_t longest = 32 + 2 * std::size_t{depth} + 2 * text.size();
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
        p = WriteEscaped(p, text);
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

  // Writes `value` in decimal; returns the end.
  static char* WriteNumber(char* out, std::uint64_t value) {
    // Depths and child counts are mostly one digit.
    if (value < 10) {
      *out = static_cast<char>('0' + value);
      return out + 1;
    }
    return std::to_chars(out, out + 20, value).ptr;
  }

  static char* Write(char* out, std::string_view text) { return CopyText(out, text); }
  // Whether `a` and `b` hold the same bytes; short ones without a call.
  static bool Same(std::string_view a, std::string_view b) {
    const std::size_t n = a.size();
    if (n != b.size()) return false;
    if (n > 16) return a == b;
    if (n < 8) {
      for (std::size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return false;
      return true;
    }
    std::uint64_t x[2], y[2];
    std::memcpy(&x[0], a.data(), 8);
    std::memcpy(&x[1], a.data() + n - 8, 8);
    std::memcpy(&y[0], b.data(), 8);
    std::memcpy(&y[1], b.data() + n - 8, 8);
    return x[0] == y[0] && x[1] == y[1];
  }
  // A literal: a copy of known length, which the compiler does inline.
  template <std::size_t N>
  static char* Write(char* out, const char (&text)[N]) {
    std::memcpy(out, text, N - 1);
    return out + N - 1;
  }

  // One JSON object a line, each entry read once from the file kept open,
  // and no further than its content tests look (InspectEntry). Written
  // straight into the output buffer: a listing of a million entries must
  // cost little more than reading them.
  void PrintJson(const EntryTree& tree) {
    // The path as it stands in the JSON string (escaped, without quotes),
    // and its length at each depth: each entry adds its escaped name.
    std::string path;
    std::vector<std::size_t> pathAt;
    std::string slashed;  // a name holding '\\', with '/' for it
    std::string exportName;
    std::optional<CustomFile> file;
    int readError = 0;  // the first of this file's entries
    unsigned char head[kContentTestBytes + kZeroTail];
    tree.ForEachPreOrder(kNoItem, [&](ItemId id, unsigned depth) {
      const std::string_view text = tree.Text(id);
      const std::uint32_t children = tree.ChildCount(id);
      if (depth == 0) {
        path.clear();
        pathAt.assign(1, 0);
        file.emplace(std::filesystem::path(text), CustomFile::Access::kScan);
        char* p = Reserve(96 + 12 * text.size());
        p = Write(p, "{\"depth\":0,\"offset\":");
        p = WriteNumber(p, tree.Data(id));
        p = Write(p, ",\"name\":");
        const auto slash = text.rfind('/');
        p = WriteJsonString(p, text.substr(slash == std::string_view::npos ? 0 : slash + 1));
        p = Write(p, ",\"path\":\"\",\"children\":");
        p = WriteNumber(p, children);
        p = Write(p, ",\"file\":");
        p = WriteJsonString(p, text);
        p = Write(p, "}\n");
        used_ = static_cast<std::size_t>(p - buffer_.data());
        return;
      }
      EntryFacts facts;
      if (file && file->IsOpen()) facts = InspectEntry(*file, tree.Data(id), head, kContentTestBytes);
      // The name and its export name (at most the name and a longer
      // extension) escaped, the path as escaped, and the name once more as
      // scratch.
      char* p = Reserve(512 + 6 * 3 * text.size() + path.size());
      p = Write(p, "{\"depth\":");
      p = WriteNumber(p, depth);
      p = Write(p, ",\"offset\":");
      p = WriteNumber(p, tree.Data(id));
      p = Write(p, ",\"name\":");
      char* const escapedName = p + 1;
      p = WriteJsonString(p, text);
      char* const nameEnd = p;
      path.resize(pathAt[depth - 1]);
      if (depth > 1) path.push_back('/');
      if (text.find('\\') == std::string_view::npos) {
        // The name escaped just now, without its quotes.
        path.append(escapedName, static_cast<std::size_t>(p - 1 - escapedName));
      } else {
        slashed.assign(text);
        std::replace(slashed.begin(), slashed.end(), '\\', '/');
        char* end = WriteJsonString(p, slashed);  // past the line, as scratch
        path.append(p + 1, static_cast<std::size_t>(end - 1 - (p + 1)));
      }
      pathAt.resize(depth);
      pathAt.push_back(path.size());
      p = Write(p, ",\"path\":\"");
      p = Write(p, std::string_view(path));
      p = Write(p, "\",\"children\":");
      p = WriteNumber(p, children);
      if (facts.ok) {
        static constexpr std::string_view kCompression[] = {"none", "zlib", "gzip"};
        p = Write(p, ",\"length\":");
        p = WriteNumber(p, facts.length);
        p = Write(p, ",\"stored_length\":");
        p = WriteNumber(p, facts.storedLength);
        p = Write(p, ",\"compression\":\"");
        p = Write(p, kCompression[static_cast<int>(facts.compression)]);
        p = Write(p, "\",\"preview\":\"");
        // The content tests look at the head only, and at the length.
        p = Write(p, PreviewKindName(ClassifyPreview(head, facts.length, text).kind));
        p = Write(p, "\",\"export_name\":");
        exportName.clear();
        AppendOutputFileName(exportName, text, head, facts.length, true);
        if (Same(exportName, text)) {
          // Mostly so: the name escaped above serves again.
          const std::size_t quoted = static_cast<std::size_t>(nameEnd - (escapedName - 1));
          std::memmove(p, escapedName - 1, quoted);
          p += quoted;
        } else {
          p = WriteJsonString(p, exportName);
        }
      } else if (facts.error == ExtractError::kReadFailed) {
        if (readError == 0) readError = facts.systemError;
      } else {
        // The file changed or vanished since it was listed.
        unreadEntries = true;
      }
      p = Write(p, "}\n");
      used_ = static_cast<std::size_t>(p - buffer_.data());
    });
    // A file with read errors is named after its lines, as one whose listing
    // a read error ended.
    if (readError != 0) {
      const std::filesystem::path customFile(tree.Text(tree.FirstRoot()));
      Unreadable(customFile, readError, std::ranges::find(named_, customFile) != named_.end());
    }
  }

  // Room for `n` more bytes at buffer_.data() + used_.
  char* Reserve(std::size_t n) {
    if (used_ + n > buffer_.size()) {
      Flush();
      if (n > buffer_.size()) buffer_.resize(n);
    }
    return buffer_.data() + used_;
  }

 public:
  bool unreadEntries = false;

 private:
  const std::vector<std::filesystem::path>& named_;
  std::FILE* out_;
  std::FILE* err_;
  bool tsv_;
  bool json_;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
};

}  // namespace

void ReportUnreadable(std::FILE* err, const std::filesystem::path& path, int error, bool named, int& status) {
  std::fprintf(err, "tazor-cfv: %s%s: %s\n", named ? "" : "warning: ", Shown(path).c_str(),
               std::strerror(error));
  status = std::max(status, named ? kExitUsage : kExitFailed);
}

int RunList(const std::vector<std::filesystem::path>& paths, ListFormat format, std::FILE* out,
            std::FILE* err) {
  int status = kExitOk;
  for (const auto& path : paths) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
      std::fprintf(err, "tazor-cfv: %s: %s\n", Shown(path).c_str(), std::strerror(errno));
      status = kExitUsage;
    }
  }
  TreePrinter printer(out, err, format, paths);
  LoadControl control;
  LoadDroppedPaths(paths, control, printer);
  printer.Flush();
  status = std::max(status, printer.status);
  if (printer.unreadEntries) {
    std::fprintf(err, "tazor-cfv: some entries could not be read (their objects have no data fields)\n");
    status = std::max(status, kExitFailed);
  }
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
