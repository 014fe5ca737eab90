// tazor-cfv: the command-line tool over the viewer's core, for scripts.
// Argument parsing only; the commands live in commands.h.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "cli/commands.h"
#include "cli/export_command.h"
#include "cli/write_commands.h"
#include "common/process_start.h"

namespace {

using cfv::cli::kExitUsage;

constexpr const char* kEntryHelp =
    "The entry: the offset of its header (decimal or 0x hex) as `list` shows it, or its path inside the "
    "custom file (as `list --json` and `export --include` see it; wildcards * ? ** allowed) that must "
    "name exactly one entry (at most 4096 bytes)";

}  // namespace

int main(int argc, char** argv) {
  if (!cfv::PrepareProcess()) {
    std::fputs("tazor-cfv: cannot open /dev/null for a closed standard descriptor\n", stderr);
    return kExitUsage;
  }
  CLI::App app{
      "tazor-cfv: list, extract, inspect, verify, change, pack, compare and search the game's custom files (.god, "
      ".item, .npc, .cwd)",
      "tazor-cfv"};
  app.require_subcommand(1);
  app.set_version_flag("--version", "tazor-cfv " CFV_VERSION);
  app.footer(
      "Exit status: 0 success; 1 the work failed in part (output could not be written) or no input is a "
      "custom file; 2 bad usage or an unreadable input (which wins). diff and grep keep the statuses of "
      "their "
      "namesakes: 0 nothing differs / something matched, 1 something differs / nothing matched, 2 trouble.");

  int status = 0;

  // list
  auto* list = app.add_subcommand("list", "Print the entry tree of custom files and folders, in pre-order");
  bool tsv = false;
  bool json = false;
  std::vector<std::string> listPaths;
  list->add_flag("--tsv", tsv,
                 "One line an item: depth<TAB>offset<TAB>children<TAB>text; depth 0 is a custom file "
                 "(text = its path), children is 1 or 0; in text \\ TAB LF CR are written \\\\ \\t \\n \\r");
  list->add_flag("--json", json,
                 "JSON Lines, one object an item: depth, offset, name, path (inside the custom file, as "
                 "export --include sees it), children (how many); for an entry also length (after "
                 "inflation), stored_length, compression (zlib, gzip or none), preview (Image, Sound or "
                 "Text) and export_name; for a custom file (depth 0, path \"\") file, its path as given. "
                 "Bytes that are not valid UTF-8 become U+FFFD")
      ->excludes("--tsv");
  list->add_option("PATH", listPaths, "Custom files and folders (folders are searched four levels deep)")
      ->required();
  list->footer(
      "Without --tsv each item is printed as two spaces per depth and its text, escaped as with --tsv. "
      "Files that are not custom files are skipped silently; a path that does not exist or cannot be "
      "read is named on standard error with the reason (exit status 2); a file or folder inside a named "
      "folder that cannot be read gets a warning line (exit status 1). A custom file that a read error "
      "(such as an I/O error) stops is listed as far as it was read, then named the same way.");
  list->callback([&] {
    std::vector<std::filesystem::path> paths(listPaths.begin(), listPaths.end());
    status = cfv::cli::RunList(paths,
                               json  ? cfv::cli::ListFormat::kJson
                               : tsv ? cfv::cli::ListFormat::kTsv
                                     : cfv::cli::ListFormat::kPlain,
                               stdout, stderr);
  });

  // cat
  auto* cat = app.add_subcommand("cat", "Write one entry's data (decompressed) to standard output");
  std::string catFile, catEntry;
  bool catByPath = false;
  cat->add_option("FILE", catFile, "The custom file")->required();
  cat->add_option("ENTRY", catEntry, kEntryHelp)->required();
  cat->add_flag("--path", catByPath, "Read ENTRY as an entry path even when it looks like an offset");
  cat->callback([&] {
    const auto offset = cfv::cli::ResolveEntry(catFile, catEntry, catByPath, stderr);
    status = offset ? cfv::cli::RunCat(catFile, *offset, stdout, stderr) : kExitUsage;
  });

  // info
  auto* info = app.add_subcommand("info", "Describe one entry as key=value lines");
  std::string infoFile, infoEntry;
  bool infoByPath = false;
  info->add_option("FILE", infoFile, "The custom file")->required();
  info->add_option("ENTRY", infoEntry, kEntryHelp)->required();
  info->add_flag("--path", infoByPath, "Read ENTRY as an entry path even when it looks like an offset");
  info->footer(
      "Keys: length (bytes of entry data), preview (Image, Sound or Text), device (waveaudio, "
      "sequencer, MPEGVideo, or empty), name (export file name with the extension corrected from "
      "the content), name_as_stored (without the correction). Values are escaped as in list --tsv.");
  info->callback([&] {
    const auto offset = cfv::cli::ResolveEntry(infoFile, infoEntry, infoByPath, stderr);
    status = offset ? cfv::cli::RunInfo(infoFile, *offset, stdout, stderr) : kExitUsage;
  });

  // export
  auto* exportCommand = app.add_subcommand(
      "export", "Write every entry of custom files and folders as files, as File > Export does");
  bool keepExtractable = false;
  bool keepExtension = false;
  std::string overwrite = "ask";
  std::vector<std::string> exportPaths;
  cfv::cli::ExportRequest request;
  std::string outputDir;
  exportCommand->add_flag("--keep-extractable", keepExtractable,
                          "Also write extractable entries (nested .cmp, .npc ...) as files");
  exportCommand->add_flag("--keep-extension", keepExtension,
                          "Keep every entry's own extension (no .t --> .txt, .bm --> .bmp ...)");
  exportCommand
      ->add_option("--overwrite", overwrite,
                   "When a file is already there: ask (on standard error, answered y/n/a/s/c on standard "
                   "input, one whole line each; end of input or three lines that are not answers answer n), "
                   "yes, no, or cancel (nothing more is written)")
      ->check(CLI::IsMember({"ask", "yes", "no", "cancel"}));
  exportCommand
      ->add_option("-C,--output-dir", outputDir,
                   "Write each custom file's entries to DIR/<its name without extension>/ "
                   "instead of beside it (DIR is created when missing)")
      ->type_name("DIR");
  exportCommand
      ->add_option("--include", request.includes,
                   "Export only the entries whose path matches GLOB (repeatable); see below")
      ->type_name("GLOB");
  exportCommand
      ->add_option("--exclude", request.excludes,
                   "Do not export the entries whose path matches GLOB (repeatable; wins over "
                   "--include)")
      ->type_name("GLOB");
  exportCommand->add_flag("--dry-run", request.options.dryRun,
                          "Print each path that would be written, on standard output; create nothing");
  exportCommand->add_flag("-v,--verbose", request.verbose, "Print each written path on standard output");
  exportCommand->add_flag("-q,--quiet", request.quiet, "Print nothing but errors (no summary line)");
  exportCommand->add_flag(
      "--manifest", request.manifest,
      "Write every entry to a path of its own (a path already used in this export gets ~2, ~3 ... before its "
      "extension) and, after everything else, manifest.json into each custom file's export folder: what each "
      "entry became, for pack. Custom files that would share an export folder (hero.npc and hero.god, one "
      "file "
      "given twice) are then bad usage");
  exportCommand
      ->add_option("PATH", exportPaths, "Custom files and folders (folders are searched four levels deep)")
      ->required();
  exportCommand->footer(
      "Each custom file's entries go into a folder beside it (or in DIR with -C), named as the file "
      "without its extension; nested entries into folders of their own. Names that would leave that "
      "folder are refused, and links found inside it are not followed. A custom file without an "
      "extension needs -C.\n\n"
      "An entry's path is the names of the items from the custom file down to the entry, as stored, "
      "joined by / (a \\ in a name counts as /). In GLOB, * and ? do not cross /, ** does; ASCII case "
      "is ignored; a pattern that matches a branch takes everything below it. Examples: "
      "chara.npc/face.bmp, *.bmp (top level), **/*.bmp (any depth).\n\n"
      "When folders are searched, the export folders of the custom files found (or their folders in DIR) "
      "are skipped: what an earlier export wrote there is no input (a custom file named as a PATH always "
      "is). A GLOB holds at most 4096 bytes.\n\n"
      "At the ask prompt, a answers yes to all and s no to all. Errors go to standard error with their "
      "reason (an entry that cannot be read, such as on an I/O error, fails and replaces nothing), then the "
      "line \"written N, not overwritten M, failed K\"; progress is shown there when it "
      "is a terminal. Names and paths are printed escaped as by list --tsv. \"Export finished!\" goes to "
      "standard output. Exit status: 0 when every entry was "
      "written; 1 when any was not (an error, a file kept by n/no, or cancel), when no input is a custom "
      "file, or after a warning about an unreadable file found in a folder; 2 for bad usage or a path "
      "that does not exist or cannot be read.\n\n"
      "manifest.json (--manifest) is one JSON object: version (1), size and xxh128 (XXH3-128, as xxh128sum "
      "prints it) of the custom file, and entries, one object a line in file order: path (in the tree), "
      "name_hex (the name field's bytes), offset (of its header), depth (1 at the top level), branch, "
      "compression (none, zlib or gzip), for a branch folder (the folder holding its entries), file (the "
      "exported file, relative to the export folder) with length and xxh128 of the bytes written, or file "
      "null with a reason (a skipped branch, a failure, not picked by --include/--exclude).");
  exportCommand->callback([&] {
    std::vector<std::filesystem::path> paths(exportPaths.begin(), exportPaths.end());
    request.options.skipExtractable = !keepExtractable;
    request.options.renameExtension = !keepExtension;
    request.options.destination = outputDir;
    request.policy = *cfv::cli::ParseOverwritePolicy(overwrite);
    request.progress = !request.quiet && ::isatty(STDERR_FILENO) != 0;
    status = cfv::cli::RunExport(paths, request, stdin, stdout, stderr);
  });

  // verify
  auto* verify = app.add_subcommand("verify", "Check that custom files are well formed");
  bool verifyJson = false;
  std::vector<std::string> verifyPaths;
  verify->add_flag(
      "--json", verifyJson,
      "JSON Lines, one object a problem: file, path, offset, kind, text. Bytes that are not valid "
      "UTF-8 become U+FFFD");
  verify->add_option("PATH", verifyPaths, "Custom files and folders (folders are searched four levels deep)")
      ->required();
  verify->footer(
      "One line a problem: FILE<TAB>PATH<TAB>OFFSET<TAB>KIND<TAB>text, escaped as in list --tsv. PATH is the "
      "entry's path inside the custom file (the branch's for leftover, empty for the top level), OFFSET its "
      "header's offset. Kinds: leftover (bytes at the end of a list that are no entry), overrun (an entry "
      "running past its branch or the end of the file), size (a size below 50), offset (a header at or past "
      "2 GiB), depth (an entry 64 levels deep whose payload starts with a header: read as data), stream (a "
      "payload that begins as a zlib or gzip stream and fails its trailer check, at the 64 MiB cap or after "
      "1 KiB of output: read as stored bytes). Exit status: 0 when every file is clean; 1 with problems or "
      "when a named file is no custom file; 2 when a path cannot be read or for bad usage.");
  verify->callback([&] {
    std::vector<std::filesystem::path> paths(verifyPaths.begin(), verifyPaths.end());
    status = cfv::cli::RunVerify(paths, verifyJson, stdout, stderr);
  });

  // edit
  auto* edit = app.add_subcommand("edit", "Change entries of a custom file: replace, add, remove, rename");
  cfv::cli::EditRequest editRequest;
  std::string editFile, editOutput;
  edit->add_option("FILE", editFile, "The custom file")->required();
  edit->add_option(
          "--replace", editRequest.replaces,
          "ENTRY SRC: the leaf ENTRY gets the data of the file SRC (its compression kept unless "
          "--compress says otherwise); a folder SRC replaces the branch ENTRY with the folder packed "
          "(each file a leaf, each folder a branch)")
      ->type_name("ENTRY SRC");
  edit->add_option(
          "--add", editRequest.adds,
          "PATH SRC: a new entry at PATH (its parent's path, /, its name; no parent part at the top "
          "level), after its last sibling: the file SRC as a leaf (stored unless --compress), or the "
          "folder SRC packed as a branch")
      ->type_name("PATH SRC");
  edit->add_option("--remove", editRequest.removes, "Drop ENTRY and all it holds")->type_name("ENTRY");
  edit->add_option("--rename", editRequest.renames, "ENTRY NAME: give ENTRY the name NAME")
      ->type_name("ENTRY NAME");
  edit->add_option("-o,--output", editOutput,
                   "Write the result to OUT and leave FILE as it is (an existing OUT is kept as OUT.bak)")
      ->type_name("OUT");
  edit->add_flag(
      "--no-backup", [&](std::int64_t) { editRequest.backup = false; },
      "Do not keep the old file as FILE.bak");
  edit->add_flag("--dry-run", editRequest.dryRun,
                 "Make every check the real run makes, print each edit with the old and new entry sizes, "
                 "write nothing");
  edit->add_flag("--path", editRequest.byPath,
                 "Read each ENTRY as an entry path even when it looks like an offset");
  edit->add_option(
          "--compress", editRequest.compress,
          "How replaced and added leaves are stored: keep (a replaced leaf keeps its compression, an "
          "added one is stored), none, zlib (level 6) or gzip (modification time 0)")
      ->check(CLI::IsMember({"keep", "none", "zlib", "gzip"}));
  edit->footer(
      "ENTRY is as for cat: the offset of an entry's header, or its path (wildcards as for --include) naming "
      "exactly one entry. Every ENTRY and parent is resolved on the file as it is before the edit, and all "
      "edits are applied in one pass. Untouched entries are copied byte for byte, compressed ones as they "
      "are; the size fields of the branches above a change are updated. A new name must be 1 to 40 bytes in "
      "code page 932, without control characters, / or \\, and not taken by another entry of its list.\n\n"
      "The result is written beside the target, read back and compared with what was meant, and only then "
      "renamed over it; the old bytes are kept as FILE.bak. A kill leaves FILE old or new, never partial. "
      "A target that is a symbolic link has the file it names replaced. Data that would read back as "
      "something else (a branch, inflated data, stored bytes) is refused with the reason.\n\n"
      "Exit status: 0 written (or, with --dry-run, would be); 1 refused or failed, nothing written (a file "
      "that verify finds broken, data that would not read back, a target that changed or is locked); 2 bad "
      "usage (an ENTRY naming no entry or several, a bad NAME, one entry in two edits, an edit inside a "
      "branch another edit removes or replaces) or an unreadable FILE or SRC.");
  edit->callback([&] {
    editRequest.file = editFile;
    if (!editOutput.empty()) editRequest.output = editOutput;
    status = cfv::cli::RunEdit(editRequest, stdout, stderr);
  });

  // diff
  auto* diff = app.add_subcommand(
      "diff", "Say which entries differ between two versions of custom files, or of folders of them");
  bool diffJson = false;
  bool diffStat = false;
  bool diffQuiet = false;
  std::string diffA, diffB;
  diff->add_flag("--json", diffJson,
                 "JSON Lines, one object a difference: kind, file (with folders), path, and for M "
                 "old_length and new_length. Bytes that are not valid UTF-8 become U+FFFD");
  diff->add_flag("--stat", diffStat, "One line a kind, KIND<TAB>COUNT, for M, R, A and D in that order")
      ->excludes("--json");
  diff->add_flag("-q,--quiet", diffQuiet, "Print nothing; stop at the first difference (see the exit status)")
      ->excludes("--json")
      ->excludes("--stat");
  diff->add_option("A", diffA, "The old version: a custom file, or a folder (searched four levels deep)")
      ->required();
  diff->add_option("B", diffB, "The new version: a custom file, or a folder")->required();
  diff->footer(
      "One line a difference: KIND<TAB>PATH, and for M also <TAB>OLD_LENGTH<TAB>NEW_LENGTH (data lengths "
      "after inflation). KIND is M (changed: the data differs after inflation), R (recompressed: the same "
      "data, other stored bytes), A (added: only in B) or D (removed: only in A). PATH is the entry's path "
      "inside its custom file (as export --include sees it); with folders FILE:PATH, FILE relative to A "
      "and B. Names are escaped as in list --tsv.\n\n"
      "The custom files of two folders are paired by their paths relative to A and B, entries by their "
      "paths; entries that share a path are paired in file order. Only leaves are listed: a branch on both "
      "sides is compared entry by entry, a branch or custom file on one side only is listed as its "
      "entries, and a leaf that became a branch is D, then the branch's entries A. Stored bytes are "
      "compared first, straight from the files mapped into memory; only entries whose stored bytes differ "
      "are inflated, on a second thread while the reading goes on.\n\n"
      "Exit status: 0 nothing differs, 1 something does, 2 trouble (a path that does not exist or cannot "
      "be read, a named file that is no custom file, a file compared with a folder, a file that changed "
      "while it was read, output that cannot be written); what could not be read is left out.");
  diff->callback([&] {
    const cfv::cli::DiffFormat format = diffJson    ? cfv::cli::DiffFormat::kJson
                                        : diffStat  ? cfv::cli::DiffFormat::kStat
                                        : diffQuiet ? cfv::cli::DiffFormat::kQuiet
                                                    : cfv::cli::DiffFormat::kLines;
    status = cfv::cli::RunDiff(diffA, diffB, format, stdout, stderr);
  });

  // grep
  auto* grep = app.add_subcommand("grep", "Find text or bytes in the data of the entries of custom files");
  cfv::cli::GrepRequest grepRequest;
  std::vector<std::string> grepPaths;
  grep->add_flag("-i,--ignore-case", grepRequest.ignoreCase,
                 "Ignore the case of ASCII letters (single-byte characters only)");
  grep->add_flag("-l,--files-with-matches", grepRequest.filesOnly,
                 "Print only FILE:ENTRY-PATH of each matching entry");
  grep->add_flag("-c,--count", grepRequest.count,
                 "Print FILE:ENTRY-PATH:COUNT for each matching entry: its matching lines (its matches with "
                 "--hex); entries without a match are not listed")
      ->excludes("-l");
  grep->add_flag("--hex", grepRequest.hex,
                 "PATTERN is bytes as pairs of hex digits ('DE AD BE EF'), found anywhere in the data, "
                 "overlapping matches too; print FILE:ENTRY-PATH:OFFSET, the decimal offset of each match");
  grep->add_flag("--json", grepRequest.json,
                 "JSON Lines, one object a match: file, path, line (text), offset, and text (the line) or "
                 "binary: true; with -l file and path, with -c also count");
  grep->add_option("PATTERN", grepRequest.pattern, "The text to find (or the bytes, with --hex)")->required();
  grep->add_option("PATH", grepPaths, "Custom files and folders (folders are searched four levels deep)")
      ->required();
  grep->footer(
      "Searches the data of every leaf, inflated as cat gives it. PATTERN is literal text, encoded to code "
      "page 932 and found at character boundaries of the entry's text (never from the second byte of a "
      "two-byte character), within one line (a match never holds a line end). Prints "
      "FILE:ENTRY-PATH:LINE:text of the line, the line decoded as the text preview decodes it, once a "
      "matching line (the line's bytes from code page 932, a byte that forms no character as U+FFFD, "
      "without its line end: LF, or CR LF); for an entry previewed as Image or Sound FILE:ENTRY-PATH: "
      "binary data matches, once. FILE is the custom file as named or found; names are escaped as in list "
      "--tsv. -i ignores the case of ASCII letters in single-byte characters only, so a never matches the "
      "second byte of a two-byte character.\n\n"
      "Exit status: 0 something matched, 1 nothing did, 2 trouble, which wins: an empty PATTERN, one with "
      "no code page 932 form, --hex bytes that are no pairs of hex digits, -i with --hex, a path that does "
      "not exist or cannot be read, a named file that is no custom file, an entry that cannot be read, a "
      "file that changed while it was read.");
  grep->callback([&] {
    grepRequest.paths.assign(grepPaths.begin(), grepPaths.end());
    status = cfv::cli::RunGrep(grepRequest, stdout, stderr);
  });

  // pack
  auto* pack = app.add_subcommand("pack", "Make a custom file of a folder, such as an export folder");
  cfv::cli::PackRequest packRequest;
  std::string packFolder, packOutput, packBase;
  pack->add_option("DIR", packFolder, "The folder")->required();
  pack->add_option("-o,--output", packOutput,
                   "The custom file to write (an existing one is kept as FILE.bak)")
      ->type_name("FILE")
      ->required();
  pack->add_option(
          "--base", packBase,
          "The custom file DIR was exported from (with --manifest): every entry whose exported file is "
          "unchanged, or was not written, is copied from it as it is")
      ->type_name("ORIGINAL");
  pack->add_option(
          "--compress", packRequest.compress,
          "How new files are stored: none (the default), zlib (level 6) or gzip (modification time 0)")
      ->check(CLI::IsMember({"none", "zlib", "gzip"}));
  pack->add_flag(
      "--no-backup", [&](std::int64_t) { packRequest.backup = false; },
      "Do not keep the old FILE as FILE.bak");
  pack->add_flag(
      "-v,--verbose", packRequest.verbose,
      "Print each entry added, left out, changed or renamed: KIND<TAB>PATH, escaped as in list --tsv");
  pack->footer(
      "With DIR/manifest.json (export --manifest) the tree's shape, the stored names, the order and the "
      "compression come from the manifest, each leaf's data from its exported file. With --base ORIGINAL, "
      "which must be the file the manifest describes (its size and hash), a leaf whose file is unchanged or "
      "was not exported is copied from ORIGINAL byte for byte, a changed leaf keeps its compression, and a "
      "branch is made anew only when something below it changed, so that nothing else changes: export "
      "--manifest then pack --base with nothing changed gives ORIGINAL again. A branch's own exported file "
      "is "
      "never packed. Files and folders the manifest does not know are added at the end of their folder's "
      "list; entries whose file is gone are left out, and so are branches left with no entries; "
      "manifest.json is never packed. A name edited in the manifest renames its entry.\n\n"
      "Without a manifest each file becomes a leaf and each folder a branch, named after them, in the order "
      "a folder is searched (names with ASCII letters upper-cased, then bytes); symbolic links and empty "
      "folders are refused. A file that is itself a custom file reads back as a branch and is packed as it "
      "is.\n\n"
      "FILE is written as edit writes: checked, read back and compared with what was meant, replaced whole "
      "or not at all, the old file kept as FILE.bak.\n\n"
      "Exit status: 0 written; 1 refused or failed, nothing written (a link, an empty folder, a name an "
      "entry cannot have, data that would not read back); 2 bad usage or an unreadable DIR, ORIGINAL or "
      "manifest (one of another version, a bad name, an ORIGINAL it does not describe).");
  pack->callback([&] {
    packRequest.folder = packFolder;
    packRequest.output = packOutput;
    if (!packBase.empty()) packRequest.base = packBase;
    status = cfv::cli::RunPack(packRequest, stdout, stderr);
  });

  // A first word that is no option and no command is named as unknown
  // (CLI11 would only say that a command is required).
  if (argc > 1 && argv[1][0] != '-') {
    bool known = false;
    for (const CLI::App* command : app.get_subcommands({})) known = known || command->check_name(argv[1]);
    if (!known) {
      std::fprintf(stderr, "tazor-cfv: unknown command: %s (see --help)\n",
                   cfv::cli::EscapeField(argv[1]).c_str());
      return kExitUsage;
    }
  }

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::string what = cfv::cli::EscapeField(e.what());
    if (what.empty()) what = "bad usage";
    std::fprintf(stderr, "tazor-cfv: %s (see --help)\n", what.c_str());
    return kExitUsage;
  }
  return status;
}
