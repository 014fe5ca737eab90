// The steps edit and pack share: the source and the target refused, the
// planned file checked, written, read back and put in the target's place.
#include <cerrno>
#include <cstring>

#include "cli/commands.h"
#include "cli/write_commands.h"

namespace cfv::cli {

std::string Reason(int error, const std::string& text) { return text.empty() ? std::strerror(error) : text; }

int SourceRefused(const std::filesystem::path& file, const EditSource::Failure& failure, std::FILE* err) {
  const std::string name = EscapeField(file.native());
  using Kind = EditSource::Failure::Kind;
  switch (failure.kind) {
    case Kind::kUnreadable:
      std::fprintf(err, "tazor-cfv: %s: %s\n", name.c_str(), std::strerror(failure.error));
      return kExitUsage;
    case Kind::kNotRegular:
      std::fprintf(err, "tazor-cfv: %s: not a regular file\n", name.c_str());
      return kExitUsage;
    case Kind::kLocked:
      std::fprintf(err, "tazor-cfv: %s: another program is writing it (it is locked)\n", name.c_str());
      return kExitFailed;
    case Kind::kNotCustomFile:
      std::fprintf(err, "tazor-cfv: %s: not a custom file\n", name.c_str());
      return kExitFailed;
    case Kind::kBroken:
      break;
  }
  for (const FileProblem& problem : failure.problems)
    std::fprintf(err, "tazor-cfv: %s: %s at offset %llu: %s\n", name.c_str(),
                 EscapeField(problem.path.empty() ? "(top level)" : problem.path).c_str(),
                 static_cast<unsigned long long>(problem.offset), problem.text.c_str());
  std::fprintf(err, "tazor-cfv: %s: not well formed (see tazor-cfv verify); it cannot be copied faithfully\n",
               name.c_str());
  return kExitFailed;
}

int TargetRefused(const WriteTarget::Failure& failure, std::FILE* err) {
  std::fprintf(err, "tazor-cfv: %s: %s\n", EscapeField(failure.path.native()).c_str(),
               Reason(failure.error, failure.text).c_str());
  return kExitFailed;
}

namespace {

int ReportProblems(const std::vector<CustomFileWriter::Problem>& problems,
                   const std::filesystem::path& target, std::FILE* err) {
  for (const auto& problem : problems)
    std::fprintf(err, "tazor-cfv: %s: %s\n",
                 EscapeField(problem.path.empty() ? target.native() : problem.path).c_str(),
                 problem.text.c_str());
  std::fprintf(err, "tazor-cfv: %s: refused; nothing was written\n", EscapeField(target.native()).c_str());
  return kExitFailed;
}

int Failed(const std::filesystem::path& path, const std::string& why, std::FILE* err) {
  std::fprintf(err, "tazor-cfv: %s: %s\n", EscapeField(path.native()).c_str(), why.c_str());
  return kExitFailed;
}

}  // namespace

int CheckPlanned(CustomFileWriter& writer, const std::filesystem::path& target,
                 const std::filesystem::path& source, std::FILE* err) {
  int readError = 0;
  const std::vector<CustomFileWriter::Problem> problems = writer.Check(&readError);
  if (readError != 0) {
    std::fprintf(err, "tazor-cfv: %s: %s\n", EscapeField(source.native()).c_str(), std::strerror(readError));
    return kExitUsage;
  }
  return problems.empty() ? kExitOk : ReportProblems(problems, target, err);
}

int WritePlanned(CustomFileWriter& writer, WriteTarget& target, const EditSource* source,
                 const std::filesystem::path& sourcePath, bool backup, std::FILE* err) {
  const auto cannot = [&](int error) {
    return Failed(target.Path(),
                  std::string("cannot be written: ") + std::strerror(error) + "; nothing was written", err);
  };
  PendingFile pending;
  std::vector<CustomFileWriter::Problem> written;
  int error = 0;
  if (!pending.Open(target.Folder(), PosixFileWriter())) return cannot(errno);
  if (!writer.WriteTo(pending, written, &error))
    return written.empty() ? cannot(error) : ReportProblems(written, target.Path(), err);
  if (source != nullptr && !source->Unchanged())
    return Failed(sourcePath, "changed since it was read; nothing was written", err);
  WriteTarget::Failure failure;
  if (!target.Commit(pending, backup, failure)) return TargetRefused(failure, err);
  std::fprintf(err, "tazor-cfv: wrote %s (%llu bytes)%s\n", EscapeField(target.Path().native()).c_str(),
               static_cast<unsigned long long>(writer.FileSize()),
               backup && target.Exists()
                   ? ("; the old file is " + EscapeField(target.BackupPath().native())).c_str()
                   : "");
  return kExitOk;
}

}  // namespace cfv::cli
