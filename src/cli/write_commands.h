// The commands of tazor-cfv that check and change custom files: verify,
// edit and pack. Apart from argument parsing, so that tests can run them in-process.
// Exit statuses as the other commands: 0 done, 1 problems found or the
// change refused or failed (nothing written), 2 bad usage or an unreadable
// input.
#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "edit/custom_file_writer.h"
#include "edit/edit_source.h"
#include "edit/write_target.h"

namespace cfv::cli {

// `verify [--json] PATH...`: one line per problem,
// FILE<TAB>PATH<TAB>OFFSET<TAB>KIND<TAB>text, or one JSON object a line.
int RunVerify(const std::vector<std::filesystem::path>& paths, bool json, std::FILE* out, std::FILE* err);

// Everything `edit` takes.
struct EditRequest {
  std::filesystem::path file;
  std::optional<std::filesystem::path> output;  // -o OUT: FILE stays as it is
  bool backup = true;                           // --no-backup clears it
  bool dryRun = false;
  bool byPath = false;                                        // --path: a number in ENTRY is a path
  std::string compress = "keep";                              // keep, none, zlib, gzip
  std::vector<std::pair<std::string, std::string>> replaces;  // ENTRY, SRC
  std::vector<std::pair<std::string, std::string>> adds;      // PATH, SRC
  std::vector<std::string> removes;                           // ENTRY
  std::vector<std::pair<std::string, std::string>> renames;   // ENTRY, NAME
};

// `edit FILE ...`: applies every edit in one pass and writes the result
// whole or not at all (see README "Changing custom files").
int RunEdit(const EditRequest& request, std::FILE* out, std::FILE* err);

// The steps edit and pack share. Each says on `err` what went wrong, and
// returns the exit status.
// The system's reason for `error`, or `text` when there is one.
std::string Reason(int error, const std::string& text);
// `file`, the custom file an edit or a pack copies from, cannot be used: 2
// when it cannot be read, 1 when it is refused.
int SourceRefused(const std::filesystem::path& file, const EditSource::Failure& failure, std::FILE* err);
// The target cannot be written (1).
int TargetRefused(const WriteTarget::Failure& failure, std::FILE* err);
// The writer's check of the planned file for `target`: 0 when it may be
// written, 1 with the problems, 2 when `source` could not be read.
int CheckPlanned(CustomFileWriter& writer, const std::filesystem::path& target,
                 const std::filesystem::path& source, std::FILE* err);
// Writes the checked plan beside `target`, reads it back and, when
// `source` (null for none) is unchanged, puts it in the target's place,
// keeping the old file with `backup`; says "wrote ..." then (0), else 1.
int WritePlanned(CustomFileWriter& writer, WriteTarget& target, const EditSource* source,
                 const std::filesystem::path& sourcePath, bool backup, std::FILE* err);

// Everything `pack` takes.
struct PackRequest {
  std::filesystem::path folder;               // DIR
  std::filesystem::path output;               // -o FILE
  std::optional<std::filesystem::path> base;  // --base ORIGINAL
  std::string compress = "none";              // none, zlib, gzip
  bool backup = true;                         // --no-backup clears it
  bool verbose = false;                       // -v: the entries added, left out and changed
};

// `pack DIR -o FILE ...`: makes a custom file of a folder, from its
// manifest.json when it has one (see README "Changing custom files").
int RunPack(const PackRequest& request, std::FILE* out, std::FILE* err);

}  // namespace cfv::cli
