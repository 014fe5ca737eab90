#include <cerrno>
#include <cstring>

#include "cli/commands.h"
#include "cli/json_writer.h"
#include "cli/output_buffer.h"
#include "compare/version_diff.h"

namespace cfv::cli {
namespace {

class DiffPrinter final : public DiffObserver {
 public:
  DiffPrinter(DiffFormat format, std::FILE* out, std::FILE* err) : format_(format), out_(out), err_(err) {}

  bool Found(const Difference& d) override {
    static constexpr Change kOrder[] = {Change::kChanged, Change::kRecompressed, Change::kAdded,
                                        Change::kRemoved};
    for (std::size_t k = 0; k < 4; ++k)
      if (kOrder[k] == d.kind) ++counts_[k];
    // The first difference decides the exit status.
    if (format_ == DiffFormat::kQuiet) return false;
    std::string& text = out_.text();
    if (format_ == DiffFormat::kLines) {
      text.push_back(static_cast<char>(d.kind));
      text.push_back('\t');
      if (!d.file.empty()) {
        AppendEscaped(text, d.file);
        text.push_back(':');
      }
      AppendEscaped(text, d.path);
      if (d.kind == Change::kChanged) {
        text.push_back('\t');
        AppendNumber(text, d.oldLength);
        text.push_back('\t');
        AppendNumber(text, d.newLength);
      }
      text.push_back('\n');
    } else if (format_ == DiffFormat::kJson) {
      text += "{\"kind\":\"";
      text.push_back(static_cast<char>(d.kind));
      text += '"';
      if (!d.file.empty()) {
        text += ",\"file\":";
        AppendJsonString(text, d.file);
      }
      text += ",\"path\":";
      AppendJsonString(text, d.path);
      if (d.kind == Change::kChanged) {
        text += ",\"old_length\":";
        AppendNumber(text, d.oldLength);
        text += ",\"new_length\":";
        AppendNumber(text, d.newLength);
      }
      text += "}\n";
    }
    out_.LineDone();
    return true;
  }

  void Trouble(const ReadTrouble& trouble) override {
    // What was found so far comes first, as it was met.
    out_.Flush();
    ReportTrouble(err_, trouble);
    troubled_ = true;
  }

  int Finish() {
    if (format_ == DiffFormat::kStat) {
      static constexpr const char* kKinds[] = {"M", "R", "A", "D"};
      for (std::size_t k = 0; k < 4; ++k) {
        out_.text() += kKinds[k];
        out_.text() += '\t';
        AppendNumber(out_.text(), counts_[k]);
        out_.text() += '\n';
      }
    }
    if (!out_.Finish()) {
      std::fprintf(err_, "tazor-cfv: cannot write the differences: %s\n", std::strerror(errno));
      return kExitUsage;
    }
    if (troubled_) return kExitUsage;
    return counts_[0] + counts_[1] + counts_[2] + counts_[3] != 0 ? kExitFailed : kExitOk;
  }

 private:
  DiffFormat format_;
  OutputBuffer out_;
  std::FILE* err_;
  std::uint64_t counts_[4] = {};
  bool troubled_ = false;
};

}  // namespace

int RunDiff(const std::filesystem::path& a, const std::filesystem::path& b, DiffFormat format, std::FILE* out,
            std::FILE* err) {
  DiffPrinter printer(format, out, err);
  DiffVersions(a, b, printer);
  return printer.Finish();
}

}  // namespace cfv::cli
