// Fuzz target: output paths from any custom file name and entry names.
//
// Input: lines; the first is the custom file's name (a '/' or NUL in it
// becomes '_', as no file name holds one), each further line the name of an
// entry nested in the one before. It checks the export's first promise: no
// custom file name and no entry name ever gives a path outside the export
// folder, and the export folder is a new folder strictly inside the custom
// file's folder. A path that would leave is marked (leavesExportFolder) or
// its custom file refused (ExportFolderNameIsUsable); every other path,
// folder or file, read component by component, stays inside.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "containers/entry_tree.h"
#include "export/output_name.h"
#include "export/output_path.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
  }
}

constexpr std::string_view kFolder = "/games/data";

// Every component is a plain name: not empty, no separator, not "." or
// "..", and (as Windows would store it) not ending in a blank or a dot.
void CheckInside(const cfv::OutputPath& path) {
  if (path.leavesExportFolder) return;
  for (const std::string& c : path.components) {
    Check(!c.empty() && c != "." && c != "..", "a component is a name");
    Check(c.find('/') == std::string::npos && c.find('\\') == std::string::npos, "one component, one level");
    Check(c.back() != ' ' && c.back() != '.', "trailing blanks and dots dropped");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= input.size() && lines.size() < 8) {
    const std::size_t end = std::min(input.find('\n', start), input.size());
    lines.emplace_back(input.substr(start, end - start));
    start = end + 1;
  }
  std::string fileName = lines.front();
  for (char& c : fileName)
    if (c == '/' || c == '\0') c = '_';
  if (fileName.empty() || fileName == "." || fileName == "..") return 0;  // no file has such a name

  cfv::EntryTree tree;
  const std::string customFile = std::string(kFolder) + "/" + fileName;
  cfv::ItemId item = tree.AppendItem(cfv::kNoItem, customFile);
  std::vector<cfv::ItemId> items;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    item = tree.AppendItem(item, lines[i]);
    items.push_back(item);
  }

  const cfv::OutputPath root = cfv::BuildItemPath(tree, tree.FirstRoot());
  const std::filesystem::path& folder = root.exportFolder;
  if (!cfv::ExportFolderNameIsUsable(folder)) return 0;  // refused: nothing is written for this file
  Check(folder.parent_path() == kFolder, "the export folder lies in the custom file's folder");
  const std::string name = folder.filename().string();
  Check(!name.empty() && name != "." && name != "..", "the export folder is a folder of its own");
  Check(folder.string() == std::string(kFolder) + "/" + name, "the export folder is one level down");

  for (const cfv::ItemId at : items) {
    const cfv::OutputPath path = cfv::BuildItemPath(tree, at);
    Check(path.exportFolder == folder, "one export folder per custom file");
    CheckInside(path);
    CheckInside(cfv::ItemFolder(tree, at));
    // The file the entry is written as, in its parent's folder.
    cfv::OutputPath target = cfv::BuildItemPath(tree, tree.Parent(at));
    const std::string text(tree.Text(at));
    const unsigned char none[8] = {};
    cfv::AppendNameComponents(cfv::OutputFileName(text, none, 0, true), target);
    CheckInside(target);
  }
  return 0;
}
