// tazor-cfv pack: a folder made a custom file again, from the export's
// manifest when the folder has one (edit/pack_plan.h), written as edit
// writes (checked, read back, whole or not at all, the old file kept).
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <optional>

#include "cli/commands.h"
#include "cli/write_commands.h"
#include "containers/folder_scan.h"
#include "edit/pack_plan.h"
#include "export/manifest.h"

namespace cfv::cli {
namespace {

int Say(std::FILE* err, int status, const std::string& message) {
  std::fprintf(err, "tazor-cfv: %s\n", message.c_str());
  return status;
}

}  // namespace

int RunPack(const PackRequest& request, std::FILE* out, std::FILE* err) {
  static const std::map<std::string, Compression> kNames = {
      {"none", Compression::kNone}, {"zlib", Compression::kZlib}, {"gzip", Compression::kGzip}};
  const auto compression = kNames.find(request.compress);
  if (compression == kNames.end())
    return Say(err, kExitUsage, "--compress takes none, zlib or gzip, not " + EscapeField(request.compress));
  const std::string dir = EscapeField(request.folder.native());
  struct stat info {};
  if (::stat(request.folder.c_str(), &info) != 0)
    return Say(err, kExitUsage, dir + ": " + std::strerror(errno));
  if (!S_ISDIR(info.st_mode)) return Say(err, kExitUsage, dir + ": not a folder");

  // The manifest, when the folder has one.
  const std::filesystem::path manifestPath = JoinPath(request.folder, kManifestName);
  const std::string manifestName = EscapeField(manifestPath.native());
  std::optional<Manifest> manifest;
  if (::lstat(manifestPath.c_str(), &info) == 0 || errno != ENOENT) {
    std::string text, error;
    PackFailure failure;
    if (!ReadSourceFile(manifestPath, text, failure))
      return Say(err, kExitUsage, manifestName + ": " + Reason(failure.error, failure.text));
    if (!ParseManifest(text, manifest.emplace(), error))
      return Say(err, kExitUsage, manifestName + ": " + EscapeField(error));
  } else if (request.base) {
    return Say(
        err, kExitUsage,
        "--base needs the manifest of an export (export --manifest), and " + manifestName + " is not there");
  }

  WriteTarget target;
  WriteTarget::Failure targetFailure;
  if (!target.Open(request.output, request.backup, targetFailure)) return TargetRefused(targetFailure, err);
  EditSource source;
  if (request.base) {
    EditSource::Failure failure;
    if (!source.Open(*request.base, target, failure) || !source.Load(failure))
      return SourceRefused(*request.base, failure, err);
    Hash128 hash;
    std::uint64_t length = 0;
    const std::string base = EscapeField(request.base->native());
    if (!HashFile(source.Fd(), hash, &length))
      return Say(err, kExitUsage, base + ": " + std::strerror(errno));
    if (const std::string mismatch = ManifestMismatch(*manifest, source.Tree(), length, hash);
        !mismatch.empty())
      return Say(err, kExitUsage, base + ": not the file " + manifestName + " describes: " + mismatch);
  }

  PackPlan plan(request.folder, compression->second);
  PackFailure failure;
  if (!(manifest ? plan.FromManifest(*manifest, request.base ? &source.Tree() : nullptr, failure)
                 : plan.FromFolder(failure)))
    return Say(err, failure.error != 0 ? kExitUsage : kExitFailed,
               EscapeField(failure.path.native()) + ": " + Reason(failure.error, failure.text));
  CustomFileWriter writer(plan.Tree(), request.base ? source.Fd() : -1);
  if (const int status = CheckPlanned(writer, target.Path(), request.base.value_or(request.folder), err);
      status != kExitOk)
    return status;
  const int status = WritePlanned(writer, target, request.base ? &source : nullptr, request.base.value_or(""),
                                  request.backup, err);
  if (status != kExitOk || !request.verbose) return status;
  // What was written besides the manifest's entries as they were.
  for (const PackNote& note : plan.Notes())
    std::fprintf(out, "%s\t%s\n", PackNoteWord(note.kind), EscapeField(note.path).c_str());
  return std::fflush(out) == 0
             ? kExitOk
             : Say(err, kExitFailed, std::string("cannot write the list: ") + std::strerror(errno));
}

}  // namespace cfv::cli
