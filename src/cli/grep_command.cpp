#include <cerrno>
#include <cstring>

#include "cli/commands.h"
#include "cli/json_writer.h"
#include "cli/output_buffer.h"
#include "compare/data_search.h"
#include "containers/cp932.h"

namespace cfv::cli {
namespace {

class GrepPrinter final : public SearchObserver {
 public:
  GrepPrinter(const GrepRequest& request, std::FILE* out, std::FILE* err)
      : request_(request), out_(out), err_(err) {}

  SearchStep Match(const SearchedEntry& entry, const DataMatch& match) override {
    matched_ = true;
    // -c counts lines (matches with --hex); EntryDone prints the count.
    if (request_.count) return request_.hex ? SearchStep::kNext : SearchStep::kNextLine;
    std::string& text = out_.text();
    if (request_.filesOnly) {
      if (request_.json) {
        Open(entry);
        text += "}\n";
      } else {
        Name(entry);
        text += '\n';
      }
      out_.LineDone();
      return SearchStep::kNextEntry;
    }
    SearchStep step = SearchStep::kNext;
    if (request_.json) {
      Open(entry);
      if (!request_.hex) {
        text += ",\"line\":";
        AppendNumber(text, match.line);
      }
      text += ",\"offset\":";
      AppendNumber(text, match.offset);
      if (!request_.hex && entry.binary) {
        text += ",\"binary\":true";
      } else if (!request_.hex) {
        text += ",\"text\":";
        AppendJsonString(text, LineText(entry, match));
      }
      text += "}\n";
    } else if (request_.hex) {
      Name(entry);
      text += ':';
      AppendNumber(text, match.offset);
      text += '\n';
    } else if (entry.binary) {
      Name(entry);
      text += ": binary data matches\n";
      step = SearchStep::kNextEntry;
    } else {
      Name(entry);
      text += ':';
      AppendNumber(text, match.line);
      text += ':';
      text += LineText(entry, match);
      text += '\n';
      step = SearchStep::kNextLine;
    }
    out_.LineDone();
    return step;
  }

  void EntryDone(const SearchedEntry& entry, std::size_t matches) override {
    if (!request_.count) return;
    std::string& text = out_.text();
    if (request_.json) {
      Open(entry);
      text += ",\"count\":";
      AppendNumber(text, matches);
      text += "}\n";
    } else {
      Name(entry);
      text += ':';
      AppendNumber(text, matches);
      text += '\n';
    }
    out_.LineDone();
  }

  void Trouble(const ReadTrouble& trouble) override {
    out_.Flush();
    ReportTrouble(err_, trouble);
    troubled_ = true;
  }

  int Finish() {
    if (!out_.Finish()) {
      std::fprintf(err_, "tazor-cfv: cannot write the matches: %s\n", std::strerror(errno));
      return kExitUsage;
    }
    if (troubled_) return kExitUsage;
    return matched_ ? kExitOk : kExitFailed;
  }

 private:
  // FILE:ENTRY-PATH, escaped.
  void Name(const SearchedEntry& entry) {
    AppendEscaped(out_.text(), entry.file);
    out_.text() += ':';
    AppendEscaped(out_.text(), entry.path);
  }
  // A JSON object's first fields, not closed.
  void Open(const SearchedEntry& entry) {
    out_.text() += "{\"file\":";
    AppendJsonString(out_.text(), entry.file);
    out_.text() += ",\"path\":";
    AppendJsonString(out_.text(), entry.path);
  }
  // The line as the text preview decodes it.
  static std::string LineText(const SearchedEntry& entry, const DataMatch& match) {
    return DecodeCp932(std::string_view(reinterpret_cast<const char*>(entry.data) + match.lineStart,
                                        match.lineEnd - match.lineStart));
  }

  const GrepRequest& request_;
  OutputBuffer out_;
  std::FILE* err_;
  bool matched_ = false;
  bool troubled_ = false;
};

}  // namespace

int RunGrep(const GrepRequest& request, std::FILE* out, std::FILE* err) {
  const DataPattern pattern(request.pattern, request.hex, request.ignoreCase);
  const std::string shown = EscapeField(request.pattern);
  switch (pattern.error()) {
    case DataPattern::Error::kNone:
      break;
    case DataPattern::Error::kEmpty:
      std::fprintf(err, "tazor-cfv: grep: the PATTERN is empty\n");
      return kExitUsage;
    case DataPattern::Error::kNoCp932Form:
      std::fprintf(err, "tazor-cfv: grep: the PATTERN has no code page 932 form: %s\n", shown.c_str());
      return kExitUsage;
    case DataPattern::Error::kNotHex:
      std::fprintf(err, "tazor-cfv: grep: --hex takes pairs of hex digits, such as 'DE AD BE EF': %s\n",
                   shown.c_str());
      return kExitUsage;
    case DataPattern::Error::kIgnoreCaseWithHex:
      std::fprintf(err, "tazor-cfv: grep: -i does not go with --hex (bytes have no case)\n");
      return kExitUsage;
  }
  GrepPrinter printer(request, out, err);
  SearchCustomFiles(request.paths, pattern, printer);
  return printer.Finish();
}

}  // namespace cfv::cli
