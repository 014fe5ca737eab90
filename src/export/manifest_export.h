// An export with a manifest (export --manifest): every entry of each custom
// file written to a path of its own, and manifest.json beside them telling
// which file is which entry (export/manifest.h).
//
// The export names files and folders as always; where a path is already
// taken in this export (a leaf body.cmp beside the folder of a branch
// body.cmp, a branch without an extension beside its own folder, two
// entries of one name), the later one gets "~2", "~3"... before its
// extension. A name that leaves no file name at all becomes "~2". The
// top level keeps the name manifest.json for the manifest.
//
// Thread: the export engine's; the tree must not change meanwhile.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <unordered_map>

#include "export/export_recorder.h"
#include "export/manifest.h"

namespace cfv {

class ManifestRecorder final : public ExportRecorder {
 public:
  // The export of `tree` into `destination` (ExportOptions::destination).
  ManifestRecorder(const EntryTree& tree, std::filesystem::path destination);

  const OutputPath& FolderOf(ItemId item) override;
  void ClaimFile(ItemId item, OutputPath& target) override;
  void Written(ItemId item, const OutputPath& target, const ExtractResult& extracted) override;
  void Failed(ItemId item, const ExportFailure& failure) override;
  void Kept(ItemId item, bool cancelled) override;

  // The manifest of the custom file `root` after the export: reads the file
  // (its hash, name fields, and how the entries not written are stored).
  // `options` are the export's. False when it cannot be read, errno set.
  bool BuildManifest(ItemId root, bool skipExtractable, Manifest& manifest);

 private:
  enum class Use { kFile, kOwnFolder, kSharedFolder };
  struct Record {
    std::string file;  // relative to the export folder; empty when not written
    std::string reason;
    Compression compression = Compression::kNone;
    std::uint64_t length = 0;
    Hash128 hash;
  };

  // Makes components [from, end) of `path` free for their use: the last as
  // `last`, those before it as shared folders.
  void Claim(OutputPath& path, std::size_t from, Use last);
  static std::string Relative(const OutputPath& path);

  const EntryTree& tree_;
  std::filesystem::path destination_;
  std::unordered_map<ItemId, OutputPath> folders_;
  std::map<std::string, Use> used_;  // OutputPath::Text() of every path this export uses
  std::unordered_map<ItemId, Record> records_;
};

// Writes `manifest` as manifest.json into `exportFolder` (made when
// missing), whole or not at all, replacing one that is there. False, errno
// set, on failure.
bool WriteManifestFile(const std::filesystem::path& exportFolder, const Manifest& manifest);

}  // namespace cfv
