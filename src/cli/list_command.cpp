#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <optional>
#include <string>

#include "cli/commands.h"
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
  TreePrinter(std::FILE* out, std::FILE* err, ListFormat format)
      : out_(out),
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

  // Appends `text` as a JSON string: valid UTF-8 as it stands, every byte
  // that is not part of valid UTF-8 as U+FFFD, quotes, backslashes and
  // control characters escaped.
  static void AppendJsonString(std::string& out, std::string_view text) {
    out.push_back('"');
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t run = 0;  // start of the bytes that are copied as they stand
    for (std::size_t i = 0; i < n;) {
      const unsigned char c = p[i];
      if (c >= 0x20 && c < 0x80 && c != '"' && c != '\\') {
        ++i;
        continue;
      }
      if (c >= 0x80) {
        const std::size_t length = Utf8SequenceLength(p + i, n - i);
        if (length != 0) {
          i += length;
          continue;
        }
      }
      out.append(text.data() + run, i - run);
      if (c == '"' || c == '\\') {
        out.push_back('\\');
        out.push_back(static_cast<char>(c));
      } else if (c < 0x20) {
        static constexpr char kHex[] = "0123456789abcdef";
        out += "\\u00";
        out.push_back(kHex[c >> 4]);
        out.push_back(kHex[c & 15]);
      } else {
        out += "\xEF\xBF\xBD";
      }
      run = ++i;
    }
    out.append(text.data() + run, n - run);
    out.push_back('"');
  }

  // Appends `value` in decimal.
  static void AppendNumber(std::string& out, std::uint64_t value) {
    char digits[20];
    const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, static_cast<std::size_t>(end - digits));
  }

  // The length of the valid UTF-8 sequence at `p` (lead byte >= 0x80), or 0:
  // no overlong forms, no surrogates, nothing above U+10FFFF.
  static std::size_t Utf8SequenceLength(const unsigned char* p, std::size_t left) {
    const unsigned char c = p[0];
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      if (c == 0xE0) low = 0xA0;
      if (c == 0xED) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      if (c == 0xF0) low = 0x90;
      if (c == 0xF4) high = 0x8F;
    } else {
      return 0;
    }
    if (left < length || p[1] < low || p[1] > high) return 0;
    for (std::size_t k = 2; k < length; ++k)
      if (p[k] < 0x80 || p[k] > 0xBF) return 0;
    return length;
  }

  // One JSON object a line, each entry read once from the file kept open.
  void PrintJson(const EntryTree& tree) {
    std::string line;
    std::string path;
    std::vector<std::size_t> pathAt;  // path's length at each depth
    std::optional<CustomFile> file;
    tree.ForEachPreOrder(kNoItem, [&](ItemId id, unsigned depth) {
      const std::string_view text = tree.Text(id);
      std::uint32_t children = 0;
      for (ItemId child = tree.FirstChild(id); child != kNoItem; child = tree.NextSibling(child)) ++children;
      line.clear();
      line += "{\"depth\":";
      AppendNumber(line, depth);
      line += ",\"offset\":";
      AppendNumber(line, tree.Data(id));
      line += ",\"name\":";
      if (depth == 0) {
        const auto slash = text.rfind('/');
        AppendJsonString(line, text.substr(slash == std::string_view::npos ? 0 : slash + 1));
        line += ",\"path\":\"\",\"children\":";
        AppendNumber(line, children);
        line += ",\"file\":";
        AppendJsonString(line, text);
        path.clear();
        pathAt.assign(1, 0);
        file.emplace(std::filesystem::path(text), CustomFile::Access::kScan);
      } else {
        AppendJsonString(line, text);
        path.resize(pathAt[depth - 1]);
        if (depth > 1) path.push_back('/');
        const std::size_t nameAt = path.size();
        path.append(text);
        std::replace(path.begin() + static_cast<std::ptrdiff_t>(nameAt), path.end(), '\\', '/');
        pathAt.resize(depth);
        pathAt.push_back(path.size());
        line += ",\"path\":";
        AppendJsonString(line, path);
        line += ",\"children\":";
        AppendNumber(line, children);
        ExtractResult extracted =
            file && file->IsOpen() ? ExtractEntry(*file, tree.Data(id)) : ExtractResult();
        if (extracted) {
          const EntryData& data = *extracted.data;
          static constexpr const char* kCompression[] = {"none", "zlib", "gzip"};
          line += ",\"length\":";
          AppendNumber(line, data.size());
          line += ",\"stored_length\":";
          AppendNumber(line, extracted.storedLength);
          line += ",\"compression\":\"";
          line += kCompression[static_cast<int>(extracted.compression)];
          line += "\",\"preview\":\"";
          line += PreviewKindName(ClassifyPreview(data.data(), data.size(), text).kind);
          line += "\",\"export_name\":";
          AppendJsonString(line, OutputFileName(text, data.data(), data.size(), true));
        } else {
          // The file changed or vanished since it was listed.
          unreadEntries = true;
        }
      }
      line += "}\n";
      Append(line);
    });
  }

  void Append(std::string_view text) {
    if (used_ + text.size() > buffer_.size()) {
      Flush();
      if (text.size() > buffer_.size()) buffer_.resize(text.size());
    }
    std::copy(text.begin(), text.end(), buffer_.data() + used_);
    used_ += text.size();
  }

 public:
  bool unreadEntries = false;

 private:
  std::FILE* out_;
  std::FILE* err_;
  bool tsv_;
  bool json_;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
};

}  // namespace

void ReportUnreadable(std::FILE* err, const std::filesystem::path& path, int error, bool named, int& status) {
  std::fprintf(err, "tazor-cfv: %s%s: %s\n", named ? "" : "warning: ", path.c_str(), std::strerror(error));
  status = std::max(status, named ? kExitUsage : kExitFailed);
}

int RunList(const std::vector<std::filesystem::path>& paths, ListFormat format, std::FILE* out,
            std::FILE* err) {
  int status = kExitOk;
  for (const auto& path : paths) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
      std::fprintf(err, "tazor-cfv: %s: %s\n", path.c_str(), std::strerror(errno));
      status = kExitUsage;
    }
  }
  TreePrinter printer(out, err, format);
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
