// The commands of tazor-cfv that check and change custom files: verify and
// edit. Apart from argument parsing, so that tests can run them in-process.
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

}  // namespace cfv::cli
