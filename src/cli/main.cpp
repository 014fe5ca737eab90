// tazor-cfv: the command-line tool over the viewer's core, for scripts.
// Argument parsing only; the commands live in commands.h.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "cli/commands.h"
#include "cli/export_command.h"
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
  CLI::App app{"tazor-cfv: list, extract and inspect the game's custom files (.god, .item, .npc, .cwd)",
               "tazor-cfv"};
  app.require_subcommand(1);
  app.set_version_flag("--version", "tazor-cfv " CFV_VERSION);
  app.footer(
      "Exit status: 0 success; 1 the work failed in part (output could not be written) or no input is a "
      "custom file; 2 bad usage or an unreadable input (which wins).");

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
      "that does not exist or cannot be read.");
  exportCommand->callback([&] {
    std::vector<std::filesystem::path> paths(exportPaths.begin(), exportPaths.end());
    request.options.skipExtractable = !keepExtractable;
    request.options.renameExtension = !keepExtension;
    request.options.destination = outputDir;
    request.policy = *cfv::cli::ParseOverwritePolicy(overwrite);
    request.progress = !request.quiet && ::isatty(STDERR_FILENO) != 0;
    status = cfv::cli::RunExport(paths, request, stdin, stdout, stderr);
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
