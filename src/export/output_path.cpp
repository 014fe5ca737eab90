#include "export/output_path.h"

#include "export/output_name.h"

namespace cfv {
namespace {

// The entry name without its extension (drive, folder part and file name,
// untrimmed), as the path of a branch's folder is formed.
std::string_view NameStem(std::string_view name) {
  const SplitName split = SplitEntryName(name);
  return name.substr(0, name.size() - split.extension.size());
}

}  // namespace

std::string OutputPath::Text() const {
  std::string text = exportFolder.string();
  for (const std::string& component : components) {
    text.push_back('/');
    text.append(component);
  }
  return text;
}

OutputPath OutputPath::Parent() const {
  OutputPath parent = *this;
  if (!parent.components.empty()) parent.components.pop_back();
  return parent;
}

std::filesystem::path ExportFolderOf(std::string_view customFilePath) {
  const auto slash = customFilePath.rfind('/');
  const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
  const auto dot = customFilePath.rfind('.');
  if (dot == std::string_view::npos || dot <= nameStart) return std::filesystem::path(customFilePath);
  return std::filesystem::path(customFilePath.substr(0, dot));
}

std::filesystem::path ExportFolderIn(const std::filesystem::path& destination,
                                     std::string_view customFilePath) {
  const std::filesystem::path beside = ExportFolderOf(customFilePath);
  if (destination.empty()) return beside;
  const std::string& text = beside.native();
  const auto slash = text.rfind('/');
  return destination / text.substr(slash == std::string::npos ? 0 : slash + 1);
}

bool HasExtension(std::string_view customFilePath) {
  return ExportFolderOf(customFilePath).native().size() != customFilePath.size();
}

bool ExportFolderNameIsUsable(const std::filesystem::path& exportFolder) {
  const std::string& path = exportFolder.native();
  const auto slash = path.rfind('/');
  const std::string_view name = std::string_view(path).substr(slash == std::string::npos ? 0 : slash + 1);
  return name.find_last_not_of(" .") != std::string_view::npos;
}

void AppendNameComponents(std::string_view name, OutputPath& path) {
  std::size_t start = 0;
  while (start <= name.size()) {
    const auto end = name.find_first_of("\\/", start);
    const std::size_t stop = end == std::string_view::npos ? name.size() : end;
    std::string_view component = name.substr(start, stop - start);
    if (component == "..") {
      path.components.emplace_back("..");
      path.leavesExportFolder = true;
    } else {
      const auto last = component.find_last_not_of(" .");
      if (last != std::string_view::npos) path.components.emplace_back(component.substr(0, last + 1));
    }
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
}

OutputPath BuildItemPath(const EntryTree& tree, ItemId item, const std::filesystem::path& destination,
                         ItemId base) {
  OutputPath path;
  if (base != kNoItem && tree.Parent(base) == item) {
    path.exportFolder = destination;
    return path;
  }
  // Gather the chain from the root (or `base`) down, then add each name in
  // turn.
  std::vector<ItemId> chain;
  for (ItemId at = item; at != kNoItem; at = tree.Parent(at)) {
    chain.push_back(at);
    if (at == base) break;
  }
  auto first = chain.rbegin();
  if (chain.back() == base) {
    path.exportFolder = destination;
  } else {
    path.exportFolder = ExportFolderIn(destination, tree.Text(chain.back()));
    ++first;
  }
  for (auto it = first; it != chain.rend(); ++it) {
    const std::string_view name = tree.Text(*it);
    AppendNameComponents(NameStem(name), path);
    // A ".." anywhere in the name refuses the entry and all below it, even
    // where it sits in the extension part ("a/..") and would vanish.
    // Messages then show the ".." the stem lost.
    OutputPath whole;
    AppendNameComponents(name, whole);
    if (whole.leavesExportFolder && !path.leavesExportFolder) {
      path.components.emplace_back("..");
      path.leavesExportFolder = true;
    }
  }
  return path;
}

OutputPath ItemFolder(const EntryTree& tree, ItemId item, const std::filesystem::path& destination,
                      ItemId base) {
  const ItemId parent = tree.Parent(item);
  if (parent == kNoItem) return BuildItemPath(tree, item, destination).Parent();
  OutputPath parentPath = BuildItemPath(tree, parent, destination, base);
  OutputPath itemPath = BuildItemPath(tree, item, destination, base);
  if (itemPath.components.size() > parentPath.components.size()) itemPath.components.pop_back();
  return itemPath;
}

}  // namespace cfv
