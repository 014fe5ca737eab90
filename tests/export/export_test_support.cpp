#include "export_test_support.h"

#include <algorithm>

#include "containers/loader.h"

namespace cfv::test {

OverwriteAnswer ScriptedUser::AskOverwrite(const std::string& targetPath) {
  if (answers_.empty()) {
    events.push_back("ask-unscripted " + targetPath);
    return OverwriteAnswer::kNo;
  }
  events.push_back("ask " + targetPath);
  const OverwriteAnswer answer = answers_.front();
  answers_.pop_front();
  return answer;
}

void ScriptedUser::Failed(const ExportFailure& failure) {
  static constexpr const char* kKinds[] = {"read",        "write",       "leaves-folder",
                                           "custom-file", "folder-name", "no-extension"};
  causes.push_back(std::string(kKinds[static_cast<int>(failure.kind)]) + " " + failure.path + " " +
                   std::to_string(failure.error));
  ExportUser::Failed(failure);
}

bool ScriptedUser::Progress(std::uint32_t done, std::uint32_t total, std::string_view name) {
  progress.push_back(std::to_string(done) + "/" + std::to_string(total) + " " + std::string(name));
  return done < cancelAt;
}

std::vector<std::string> Listing(const std::filesystem::path& root) {
  std::vector<std::string> out;
  for (auto it = std::filesystem::recursive_directory_iterator(root);
       it != std::filesystem::recursive_directory_iterator(); ++it) {
    std::string relative = it->path().lexically_relative(root).string();  // a link is named, not resolved
    if (it->is_symlink())
      relative += "@";
    else if (it->is_directory())
      relative += "/";
    out.push_back(relative);
  }
  std::sort(out.begin(), out.end());
  return out;
}

EntryTree LoadAllChecked(const std::vector<std::filesystem::path>& files) {
  EntryTree tree;
  for (const auto& file : files) LoadCustomFile(file, file.string(), tree);
  tree.CheckAll(true);
  return tree;
}

ItemId FindItem(const EntryTree& tree, std::string_view text) {
  ItemId found = kNoItem;
  tree.ForEachPreOrder(kNoItem, [&](ItemId item, unsigned) {
    if (found == kNoItem && tree.Text(item) == text) found = item;
  });
  return found;
}

}  // namespace cfv::test
