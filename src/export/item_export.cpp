#include "export/item_export.h"

#include <fcntl.h>

#include <algorithm>
#include <system_error>

#include "export/output_files.h"
#include "export/output_name.h"
#include "export/output_path.h"

namespace cfv {
namespace {

// Answers nothing and shows nothing: a drag has no one to ask. Two entries
// of one name in a branch keep the first. Progress and cancel are the job's.
class QuietUser final : public ExportUser {
 public:
  explicit QuietUser(JobContext& context) : context_(context) {}
  OverwriteAnswer AskOverwrite(const std::string&) override { return OverwriteAnswer::kNoToAll; }
  void Failed(const ExportFailure&) override {}
  bool Progress(std::uint32_t done, std::uint32_t total, std::string_view name) override {
    context_.Progress(done, total, name);
    return !context_.Cancelled();
  }

 private:
  JobContext& context_;
};

}  // namespace

ItemExport ExportOffered(const EntryTree& tree, ItemId item) {
  if (item == kNoItem || item >= tree.Size() || tree.Parent(item) == kNoItem) return ItemExport::kNone;
  return tree.HasChildren(item) ? ItemExport::kBranch : ItemExport::kEntry;
}

EntryForExport ReadEntryForExport(const EntryTree& tree, ItemId item) {
  EntryForExport entry;
  entry.extracted = ExtractItem(tree, item);
  if (!entry.extracted) return entry;
  const EntryData& data = *entry.extracted.data;
  OutputPath name;
  AppendNameComponents(OutputFileName(tree.Text(item), data.data(), data.size(), true), name);
  if (!name.leavesExportFolder && !name.components.empty()) entry.fileName = name.components.back();
  return entry;
}

bool WriteFileReplacing(const std::filesystem::path& path, const unsigned char* data, std::size_t length) {
  std::filesystem::path parent = path.parent_path();
  if (parent.empty()) parent = ".";
  const FolderHandle folder(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!folder) return false;
  return WriteOutputFile(folder, path.filename().string(), data, length, true, PosixFileWriter());
}

ExportOptions SubtreeOptions(ItemId item, const std::filesystem::path& folder) {
  ExportOptions options;
  // The folder's own name is the export folder's, which must not be a link
  // or end in a separator: the real path of what was chosen.
  std::error_code error;
  options.destination = std::filesystem::canonical(folder, error);
  if (error) options.destination = folder / "";  // refused by the engine with the write message
  options.subtree = item;
  return options;
}

std::vector<std::filesystem::path> WriteItemForDrag(const EntryTree& tree, ItemId item,
                                                    const std::filesystem::path& folder,
                                                    JobContext& context) {
  QuietUser user(context);
  ExportEngine(tree, user).Run(SubtreeOptions(item, folder));
  std::vector<std::filesystem::path> written;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error))
    written.push_back(entry.path());
  std::sort(written.begin(), written.end());
  return written;
}

}  // namespace cfv
