#include "cli/export_command.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <set>
#include <optional>
#include <string>
#include <utility>

#include "cli/commands.h"
#include "common/text_format.h"
#include "common/texts.h"
#include "containers/entry_pattern.h"
#include "containers/folder_scan.h"
#include "export/export_engine.h"
#include "export/output_path.h"
#include "export/manifest_export.h"

namespace cfv::cli {
namespace {

constexpr UiLanguage kLanguage = UiLanguage::kEnglish;

// The program's message texts on one line: the line break becomes a space.
std::string OneLine(std::string_view text) {
  std::string line(text);
  for (char& c : line)
    if (c == '\n') c = ' ';
  return line;
}

// Gathers every loaded custom file, in load order.
class TreeCollector final : public LoadObserver {
 public:
  explicit TreeCollector(std::FILE* err) : err_(err) {}
  void FileLoaded(EntryTree&& loaded) override { files.push_back(std::move(loaded)); }
  void Unreadable(const std::filesystem::path& path, int error, bool named) override {
    ReportUnreadable(err_, path, error, named, status);
  }
  std::vector<EntryTree> files;
  int status = kExitOk;

 private:
  std::FILE* err_;
};

class TerminalUser final : public ExportUser {
 public:
  TerminalUser(const ExportRequest& request, std::FILE* in, std::FILE* out, std::FILE* err)
      : request_(request), policy_(request.policy), in_(in), out_(out), err_(err) {}

  OverwriteAnswer AskOverwrite(const std::string& targetPath) override {
    switch (policy_) {
      case OverwritePolicy::kYes:
        return OverwriteAnswer::kYes;
      case OverwritePolicy::kNo:
        std::fprintf(err_, "tazor-cfv: kept %s\n", EscapeField(targetPath).c_str());
        return OverwriteAnswer::kNo;
      case OverwritePolicy::kCancel:
        std::fprintf(err_, "tazor-cfv: cancelled at %s\n", EscapeField(targetPath).c_str());
        return OverwriteAnswer::kCancel;
      case OverwritePolicy::kAsk:
        break;
    }
    const std::string question =
        OneLine(FormatText(texts::kExportOverwriteQuestion.In(kLanguage), {EscapeField(targetPath)}));
    // Each prompt reads at least one byte, and three lines that are not
    // answers end the asking: endless input (/dev/zero) cannot make the
    // prompt loop.
    int notAnswers = 0;
    while (notAnswers < kMaxTries) {
      std::fprintf(err_, "%s [y]es/[n]o/[a]ll yes/[s]kip all/[c]ancel: ", question.c_str());
      std::fflush(err_);
      const Line line = ReadLine(kMaxTries - notAnswers);
      if (line.atEnd && line.length == 0) break;
      // A line with a NUL byte, or cut at kMaxLine + 1 bytes, equals no word.
      std::string answer = line.text;
      for (char& c : answer) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
      if (answer == "y" || answer == "yes") return OverwriteAnswer::kYes;
      if (answer == "n" || answer == "no") return OverwriteAnswer::kNo;
      if (answer == "c" || answer == "cancel") return OverwriteAnswer::kCancel;
      if (answer == "a") return OverwriteAnswer::kYesToAll;
      if (answer == "s") return OverwriteAnswer::kNoToAll;
      notAnswers += line.LinesUsed();
      if (line.atEnd) break;
    }
    // End of input, or no answer given: No.
    std::fputc('\n', err_);
    return OverwriteAnswer::kNo;
  }

  void ExportFinished(const ExportSummary&) override {
    EndProgress();
    if (!request_.quiet && !request_.options.dryRun)
      std::fprintf(out_, "%s\n", std::string(texts::kExportFinished.In(kLanguage)).c_str());
  }

  // Each cause in a word a shell user knows: the system's error text, or
  // what was refused.
  void Failed(const ExportFailure& failure) override {
    EndProgress();
    const std::string shown = EscapeField(failure.path);
    const char* path = shown.c_str();
    const auto reason = [&](int error, const char* unknown) {
      return error != 0 ? std::strerror(error) : unknown;
    };
    switch (failure.kind) {
      case ExportFailure::Kind::kRead:
        std::fprintf(err_, "tazor-cfv: %s: cannot read an entry: %s\n", path,
                     reason(failure.error, "no entry there"));
        return;
      case ExportFailure::Kind::kWrite:
        std::fprintf(err_, "tazor-cfv: %s: %s\n", path, reason(failure.error, "cannot be written"));
        return;
      case ExportFailure::Kind::kLeavesFolder:
        std::fprintf(err_, "tazor-cfv: %s: refused: the name leaves the export folder\n", path);
        return;
      case ExportFailure::Kind::kCustomFile:
        std::fprintf(err_, "tazor-cfv: %s: refused: a custom file being exported is never replaced\n", path);
        return;
      case ExportFailure::Kind::kFolderName:
        std::fprintf(err_,
                     "tazor-cfv: %s: refused: without its extension the name is empty, \".\" or \"..\", "
                     "so no export folder can be named after it\n",
                     path);
        return;
      case ExportFailure::Kind::kLink:
        std::fprintf(err_, "tazor-cfv: %s: refused: a symbolic link, which an export never follows\n", path);
        return;
      case ExportFailure::Kind::kUnsaved:  // the command line edits nothing in memory
      case ExportFailure::Kind::kNoExtension:
        std::fprintf(err_,
                     "tazor-cfv: %s: refused: no extension, so no export folder can be made beside it "
                     "(use -C DIR)\n",
                     path);
        return;
    }
  }

  void EntryWritten(const std::string& path) override {
    if (!request_.verbose && !request_.options.dryRun) return;
    EndProgress();
    std::fprintf(out_, "%s\n", EscapeField(path).c_str());
  }

  // "[done/total] name" on one line, rewritten in place, at most once for
  // every thousandth of the walk.
  bool Progress(std::uint32_t done, std::uint32_t total, std::string_view name) override {
    if (!request_.progress || total == 0) return true;
    const std::uint64_t step = std::uint64_t{done} * 1000 / total;
    if (shown_ && step == lastStep_) return true;
    lastStep_ = step;
    shown_ = true;
    const std::string shortName = EscapeField(name.substr(0, 60));
    std::fprintf(err_, "\r\033[K[%u/%u] %s", done, total, shortName.c_str());
    std::fflush(err_);
    return true;
  }

 private:
  static constexpr int kMaxTries = 3;
  // An answer line holds at most this many bytes (its line break aside).
  static constexpr std::size_t kMaxLine = 256;

  struct Line {
    std::string text;        // at most kMaxLine + 1 bytes, without the line break
    std::size_t length = 0;  // bytes read before the line break or the end
    bool atEnd = false;      // the input ended (the line, if any, ended with it)

    // How many lines that are not answers this counts as: an over-long line
    // counts once more for every kMaxLine bytes past the first kMaxLine.
    int LinesUsed() const {
      return length <= kMaxLine ? 1 : static_cast<int>(1 + (length - kMaxLine - 1) / kMaxLine);
    }
  };

  // Reads one whole line; a '\r' before its line feed is dropped. An
  // over-long line is read on to its end, but no further than makes
  // `linesLeft` lines that are not answers.
  Line ReadLine(int linesLeft) {
    Line line;
    for (;;) {
      const int c = std::getc(in_);
      if (c == EOF) {
        line.atEnd = true;
        break;
      }
      if (c == '\n') break;
      ++line.length;
      if (line.text.size() <= kMaxLine) line.text.push_back(static_cast<char>(c));
      if (line.length > kMaxLine && line.LinesUsed() >= linesLeft) break;
    }
    if (!line.text.empty() && line.text.back() == '\r' && line.length <= kMaxLine + 1) {
      line.text.pop_back();
      --line.length;
    }
    return line;
  }

  // Clears the progress line before anything else is printed.
  void EndProgress() {
    if (!shown_) return;
    std::fputs("\r\033[K", err_);
    shown_ = false;
  }

  const ExportRequest& request_;
  bool shown_ = false;
  std::uint64_t lastStep_ = 0;
  OverwritePolicy policy_;
  std::FILE* in_;
  std::FILE* out_;
  std::FILE* err_;
};

// The custom files to export, in one tree: those loaded, less the ones a
// folder scan found inside the export folder of one of them (an export with
// --keep-extractable put them there: taken as inputs, each would be
// exported into itself and refused every later run). Named ones all stay.
EntryTree FilesToExport(std::vector<EntryTree>& files, const std::vector<std::filesystem::path>& named,
                        const std::filesystem::path& destination) {
  // The export folders that exist, by device and inode: a path may be
  // spelled many ways.
  using Id = std::pair<dev_t, ino_t>;
  const auto id = [](const std::filesystem::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? Id(st.st_dev, st.st_ino) : Id(0, 0);
  };
  std::set<Id> exportFolders;
  for (const EntryTree& file : files)
    exportFolders.insert(id(ExportFolderIn(destination, file.Text(file.FirstRoot()))));
  exportFolders.erase(Id(0, 0));
  // Whether a folder lies in one of them, remembered for the files beside.
  std::map<std::filesystem::path, bool> within;
  const auto inExportFolder = [&](const auto& self, const std::filesystem::path& folder) -> bool {
    if (!folder.has_relative_path()) return false;
    const auto [at, added] = within.try_emplace(folder, false);
    if (added) at->second = exportFolders.contains(id(folder)) || self(self, folder.parent_path());
    return at->second;
  };
  EntryTree tree;
  for (EntryTree& file : files) {
    const std::filesystem::path path(file.Text(file.FirstRoot()));
    if (std::ranges::find(named, path) != named.end() || !inExportFolder(inExportFolder, path.parent_path()))
      tree.AppendTree(file);
    file = EntryTree();
  }
  return tree;
}

// The custom files whose entries the export writes, each with its export
// folder (the others are refused by the engine, once each).
std::vector<std::pair<ItemId, std::filesystem::path>> ExportFolders(
    const EntryTree& tree, const std::filesystem::path& destination) {
  std::vector<std::pair<ItemId, std::filesystem::path>> folders;
  for (ItemId root = tree.FirstRoot(); root != kNoItem; root = tree.NextSibling(root)) {
    const std::filesystem::path folder = ExportFolderIn(destination, tree.Text(root));
    if (ExportFolderNameIsUsable(folder) && (!destination.empty() || HasExtension(tree.Text(root))))
      folders.emplace_back(root, folder);
  }
  return folders;
}

// Whether two custom files would share an export folder (hero.npc and
// hero.god, or one file given twice), which a manifest cannot describe:
// says so for each pair.
bool SharedExportFolders(const EntryTree& tree, const std::filesystem::path& destination, std::FILE* err) {
  std::map<std::filesystem::path, ItemId> seen;
  bool shared = false;
  for (const auto& [root, folder] : ExportFolders(tree, destination)) {
    std::error_code error;
    const std::filesystem::path where =
        std::filesystem::weakly_canonical(std::filesystem::absolute(folder), error);
    const auto [at, fresh] = seen.emplace(error ? folder : where, root);
    if (fresh) continue;
    shared = true;
    std::fprintf(
        err,
        "tazor-cfv: %s and %s share the export folder %s; with --manifest each custom file needs its "
        "own (export them one at a time, or into different folders with -C)\n",
        EscapeField(tree.Text(at->second)).c_str(), EscapeField(tree.Text(root)).c_str(),
        EscapeField(folder.native()).c_str());
  }
  return shared;
}

// Writes the manifest of every custom file exported, after everything
// else; the written paths go to `out` when it is given. False when any
// could not be written (said on `err`).
bool WriteManifests(const EntryTree& tree, ManifestRecorder& recorder, const ExportOptions& options,
                    std::FILE* out, std::FILE* err) {
  bool all = true;
  for (const auto& [root, folder] : ExportFolders(tree, options.destination)) {
    Manifest manifest;
    if (!recorder.BuildManifest(root, options.skipExtractable, manifest)) {
      std::fprintf(err, "tazor-cfv: %s: cannot be read again for its manifest: %s\n",
                   EscapeField(tree.Text(root)).c_str(), std::strerror(errno));
      all = false;
      continue;
    }
    const std::string path = EscapeField((folder / kManifestName).native());
    if (!WriteManifestFile(folder, manifest)) {
      std::fprintf(err, "tazor-cfv: %s: %s\n", path.c_str(), std::strerror(errno));
      all = false;
    } else if (out != nullptr) {
      std::fprintf(out, "%s\n", path.c_str());
    }
  }
  return all;
}

}  // namespace

std::optional<OverwritePolicy> ParseOverwritePolicy(std::string_view text) {
  if (text == "ask") return OverwritePolicy::kAsk;
  if (text == "yes") return OverwritePolicy::kYes;
  if (text == "no") return OverwritePolicy::kNo;
  if (text == "cancel") return OverwritePolicy::kCancel;
  return std::nullopt;
}

int RunExport(const std::vector<std::filesystem::path>& paths, const ExportRequest& request, std::FILE* in,
              std::FILE* out, std::FILE* err) {
  for (const auto& text : request.includes)
    if (!PatternFits(text, "--include", err)) return kExitUsage;
  for (const auto& text : request.excludes)
    if (!PatternFits(text, "--exclude", err)) return kExitUsage;
  bool missing = false;
  for (const auto& path : paths) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
      std::fprintf(err, "tazor-cfv: %s: %s\n", Shown(path).c_str(), std::strerror(errno));
      missing = true;
    }
  }
  TreeCollector collector(err);
  LoadControl control;
  LoadDroppedPaths(paths, control, collector);
  EntryTree tree = FilesToExport(collector.files, paths, request.options.destination);
  if (tree.FirstRoot() == kNoItem) {
    // A named input that cannot be read has said why already.
    if (missing || collector.status == kExitUsage) return kExitUsage;
    std::fprintf(err, "tazor-cfv: none of the inputs is a custom file\n");
    return kExitFailed;
  }
  std::vector<EntryPattern> includes, excludes;
  for (const auto& text : request.includes) includes.emplace_back(text, EntryPattern::Mode::kPath);
  for (const auto& text : request.excludes) excludes.emplace_back(text, EntryPattern::Mode::kPath);
  CheckEntriesByPath(tree, includes, excludes);

  TerminalUser user(request, in, out, err);
  ExportOptions options = request.options;
  std::optional<ManifestRecorder> recorder;
  if (request.manifest) {
    if (SharedExportFolders(tree, options.destination, err)) return kExitUsage;
    options.recorder = &recorder.emplace(tree, options.destination);
  }
  const ExportSummary summary = ExportEngine(tree, user).Run(options);
  bool manifestsWritten = true;
  if (recorder && !options.dryRun)
    manifestsWritten =
        WriteManifests(tree, *recorder, options, request.verbose ? out : nullptr, err);
  if (!request.quiet)
    std::fprintf(err, "written %u, not overwritten %u, failed %u\n", summary.written,
                 summary.NotOverwritten(), summary.Failed());
  if (std::fflush(out) != 0 || std::ferror(out)) return kExitFailed;
  if (missing || collector.status == kExitUsage) return kExitUsage;
  return summary.AllWritten() && manifestsWritten && collector.status == kExitOk ? kExitOk : kExitFailed;
}

}  // namespace cfv::cli
