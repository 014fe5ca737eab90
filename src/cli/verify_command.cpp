#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

#include "cli/commands.h"
#include "cli/json_writer.h"
#include "cli/write_commands.h"
#include "containers/custom_file.h"
#include "containers/folder_scan.h"
#include "containers/verify.h"

namespace cfv::cli {
namespace {

// Verifies each custom file as the load finds it, in load order; the tree
// itself is not kept.
class Verifier final : public LoadObserver {
 public:
  Verifier(bool json, std::FILE* out, std::FILE* err) : json_(json), out_(out), err_(err) {}

  void FileLoaded(EntryTree&& tree) override {
    const std::string path(tree.Text(tree.FirstRoot()));
    found.insert(path);
    CustomFile file{std::filesystem::path(path)};
    const VerifyReport report = VerifyCustomFile(file, true);
    if (!file.IsOpen() || report.readError != 0) {
      const int error = file.IsOpen() ? report.readError : file.OpenError();
      ReportReadError(err_, path, error);
      status = kExitUsage;
      readFailed_.insert(path);
      return;
    }
    for (const FileProblem& problem : report.problems) Print(path, problem);
    if (!report.problems.empty()) status = std::max(status, kExitFailed);
  }

  void Unreadable(const std::filesystem::path& path, int error, bool named) override {
    // A read error inside a file that loaded was named by its own walk.
    if (!readFailed_.contains(path.native())) ReportUnreadable(err_, path, error, named, status);
  }

  int status = kExitOk;
  std::set<std::string> found;

 private:
  void Print(const std::string& file, const FileProblem& problem) {
    std::string line;
    if (json_) {
      line = "{\"file\":";
      AppendJsonString(line, file);
      line += ",\"path\":";
      AppendJsonString(line, problem.path);
      line += ",\"offset\":" + std::to_string(problem.offset) + ",\"kind\":\"" +
              ProblemKindName(problem.kind) + "\",\"text\":";
      AppendJsonString(line, problem.text);
      line += "}\n";
    } else {
      line = EscapeField(file) + '\t' + EscapeField(problem.path) + '\t' + std::to_string(problem.offset) +
             '\t' + ProblemKindName(problem.kind) + '\t' + EscapeField(problem.text) + '\n';
    }
    std::fwrite(line.data(), 1, line.size(), out_);
  }

  std::set<std::string> readFailed_;
  bool json_;
  std::FILE* out_;
  std::FILE* err_;
};

}  // namespace

int RunVerify(const std::vector<std::filesystem::path>& paths, bool json, std::FILE* out, std::FILE* err) {
  int status = kExitOk;
  for (const auto& path : paths) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
      std::fprintf(err, "tazor-cfv: %s: %s\n", EscapeField(path.native()).c_str(), std::strerror(errno));
      status = kExitUsage;
    }
  }
  Verifier verifier(json, out, err);
  LoadControl control;
  LoadDroppedPaths(paths, control, verifier);
  status = std::max(status, verifier.status);
  // A named file that is no custom file is a finding of its own.
  for (const auto& path : paths) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && !verifier.found.contains(path.native()) &&
        ::access(path.c_str(), R_OK) == 0) {
      std::fprintf(err, "tazor-cfv: %s: not a custom file\n", EscapeField(path.native()).c_str());
      status = std::max(status, kExitFailed);
    }
  }
  if (std::fflush(out) != 0 || std::ferror(out)) return std::max(status, kExitFailed);
  return status;
}

}  // namespace cfv::cli
