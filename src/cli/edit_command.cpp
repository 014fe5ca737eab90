#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <set>

#include "cli/commands.h"
#include "cli/write_commands.h"
#include "containers/custom_file.h"
#include "containers/entry_name.h"
#include "containers/extract.h"
#include "edit/custom_file_writer.h"
#include "edit/edit_source.h"
#include "edit/edit_tree.h"
#include "edit/folder_pack.h"
#include "edit/write_target.h"

namespace cfv::cli {
namespace {

using NodeId = EditTree::NodeId;

// One edit of the command line, resolved on the file as it was.
struct Edit {
  enum class Kind { kReplace, kAdd, kRemove, kRename };
  Kind kind;
  std::string entry;     // ENTRY, or PATH for an add
  std::string argument;  // SRC, or NAME for a rename
  NodeId node = 0;       // the entry edited; for an add, its parent
  std::string name{};    // for an add or a rename: the name field
  std::string path{};    // the entry's path as it was (for an add, as it will be)
  bool folder = false;   // SRC is a folder
};

const char* KindWord(Edit::Kind kind) {
  static constexpr const char* kWords[] = {"replace", "add", "remove", "rename"};
  return kWords[static_cast<int>(kind)];
}

class EditRun {
 public:
  EditRun(const EditRequest& request, std::FILE* out, std::FILE* err)
      : request_(request), out_(out), err_(err) {}

  int Run() {
    if (!ParseCompression()) return kExitUsage;
    for (const auto& [entry, src] : request_.replaces) edits_.push_back({Edit::Kind::kReplace, entry, src});
    for (const auto& [path, src] : request_.adds) edits_.push_back({Edit::Kind::kAdd, path, src});
    for (const auto& entry : request_.removes) edits_.push_back({Edit::Kind::kRemove, entry, {}});
    for (const auto& [entry, name] : request_.renames) edits_.push_back({Edit::Kind::kRename, entry, name});
    if (edits_.empty()) return Usage("nothing to do: give --replace, --add, --remove or --rename");
    for (const Edit& edit : edits_)
      for (const std::string* value : {&edit.entry, &edit.argument})
        if (value->starts_with("--"))
          return Usage(std::string(KindWord(edit.kind)) + " takes " + EscapeField(*value) +
                       " as a value; values never begin with --");

    const std::filesystem::path targetPath = request_.output.value_or(request_.file);
    WriteTarget::Failure failure;
    if (!target_.Open(targetPath, request_.backup && !request_.dryRun, failure))
      return TargetRefused(failure, err_);
    EditSource::Failure sourceFailure;
    if (!source_.Open(request_.file, target_, sourceFailure) || !source_.Load(sourceFailure))
      return SourceRefused(request_.file, sourceFailure, err_);
    tree_ = &source_.Tree();
    if (!Resolve() || !Apply()) return status_;

    CustomFileWriter writer(*tree_, source_.Fd());
    if (const int status = CheckPlanned(writer, target_.Path(), request_.file, err_); status != kExitOk)
      return status;
    if (request_.dryRun) return PrintDryRun(writer);
    return WritePlanned(writer, target_, &source_, request_.file, request_.backup, err_);
  }

 private:
  bool ParseCompression() {
    static const std::map<std::string, Compression> kNames = {
        {"none", Compression::kNone}, {"zlib", Compression::kZlib}, {"gzip", Compression::kGzip}};
    if (request_.compress == "keep") return true;
    const auto it = kNames.find(request_.compress);
    if (it == kNames.end()) {
      Usage("--compress takes keep, none, zlib or gzip, not " + EscapeField(request_.compress));
      return false;
    }
    compression_ = it->second;
    return true;
  }

  // Resolves every ENTRY and parent on the file as it was, and refuses edits
  // that meet: one entry named twice, an edit inside a branch that another
  // removes or replaces.
  bool Resolve() {
    const ItemId root = source_.Loaded().FirstRoot();
    std::map<NodeId, const Edit*> named;
    for (Edit& edit : edits_) {
      if (edit.kind == Edit::Kind::kAdd) {
        const std::size_t slash = edit.entry.find_last_of("/\\");
        const std::string parent = slash == std::string::npos ? "" : edit.entry.substr(0, slash);
        const std::string name = slash == std::string::npos ? edit.entry : edit.entry.substr(slash + 1);
        if (!parent.empty()) {
          const std::optional<ItemId> item =
              ResolveEntryIn(source_.Loaded(), request_.file, parent, true, err_);
          if (!item) return Status(kExitUsage), false;
          if (!source_.Loaded().HasChildren(*item))
            return Usage("--add " + EscapeField(edit.entry) + ": " + EscapeField(parent) +
                         " is not a branch"),
                   false;
          edit.node = tree_->NodeOfItem(*item, root);
        }
        if (!NewName(edit, name)) return false;
      } else {
        const std::optional<ItemId> item =
            ResolveEntryIn(source_.Loaded(), request_.file, edit.entry, request_.byPath, err_);
        if (!item) return Status(kExitUsage), false;
        edit.node = tree_->NodeOfItem(*item, root);
        edit.path = tree_->PathOf(edit.node);
        if (const auto [at, fresh] = named.emplace(edit.node, &edit); !fresh)
          return Usage(EscapeField(tree_->PathOf(edit.node)) + " is named by two edits (" +
                       KindWord(at->second->kind) + " and " + KindWord(edit.kind) + ")"),
                 false;
        if (edit.kind == Edit::Kind::kRename && !NewName(edit, edit.argument)) return false;
      }
    }
    // No edit inside what another edit removes or replaces.
    for (const Edit& edit : edits_) {
      const NodeId start = edit.kind == Edit::Kind::kAdd ? edit.node : tree_->At(edit.node).parent;
      for (NodeId at = start; at != EditTree::kRoot; at = tree_->At(at).parent) {
        const auto it = named.find(at);
        if (it != named.end() &&
            (it->second->kind == Edit::Kind::kRemove || it->second->kind == Edit::Kind::kReplace))
          return Usage(std::string(KindWord(edit.kind)) + " " + EscapeField(edit.entry) + " lies inside " +
                       EscapeField(tree_->PathOf(at)) + ", which another edit " +
                       (it->second->kind == Edit::Kind::kRemove ? "removes" : "replaces")),
                 false;
      }
    }
    return true;
  }

  bool NewName(Edit& edit, const std::string& name) {
    EncodedName encoded = EncodeEntryName(name);
    if (encoded.problem != NameProblem::kNone)
      return Usage("the name " + EscapeField(name) + " " + NameProblemText(encoded.problem)), false;
    edit.name = std::move(encoded.field);
    return true;
  }

  // Reads the sources and changes the tree; then no two entries of a list
  // may share a name that an edit gave.
  bool Apply() {
    std::set<NodeId> named;  // entries given a new name
    for (Edit& edit : edits_) {
      if (edit.kind == Edit::Kind::kRemove) {
        tree_->Remove(edit.node);
        continue;
      }
      if (edit.kind == Edit::Kind::kRename) {
        tree_->Rename(edit.node, edit.name);
        named.insert(edit.node);
        continue;
      }
      struct stat info {};
      if (::stat(edit.argument.c_str(), &info) != 0) return CannotRead(edit.argument, errno), false;
      edit.folder = S_ISDIR(info.st_mode);
      PackFailure failure;
      const Compression packed = compression_.value_or(Compression::kNone);
      if (edit.kind == Edit::Kind::kAdd) {
        NodeId added;
        if (edit.folder) {
          added = tree_->AddBranch(edit.node, edit.name);
          if (!PackFolder(edit.argument, *tree_, added, packed, failure)) return PackRefused(failure), false;
        } else {
          std::string data;
          if (!ReadSourceFile(edit.argument, data, failure)) return PackRefused(failure), false;
          added = tree_->AddLeaf(edit.node, edit.name, MakeLeafContent(std::move(data), packed));
        }
        named.insert(added);
        edit.node = added;
        edit.path = tree_->PathOf(added);
        continue;
      }
      const EditTree::Node& node = tree_->At(edit.node);
      if (edit.folder != node.branch)
        return Usage("--replace " + EscapeField(edit.entry) + ": " + (node.branch ? "a branch" : "a leaf") +
                     " is replaced by a " + (node.branch ? "folder" : "file") + ", and " +
                     EscapeField(edit.argument) + " is none"),
               false;
      if (edit.folder) {
        tree_->RemoveChildren(edit.node);
        if (!PackFolder(edit.argument, *tree_, edit.node, packed, failure))
          return PackRefused(failure), false;
        continue;
      }
      std::string data;
      if (!ReadSourceFile(edit.argument, data, failure)) return PackRefused(failure), false;
      const std::optional<Compression> compression = compression_ ? compression_ : OldCompression(node);
      if (!compression) return false;
      tree_->SetContent(edit.node, MakeLeafContent(std::move(data), *compression));
    }
    for (const NodeId node : named) {
      const EditTree::Node& self = tree_->At(node);
      for (const NodeId sibling : tree_->At(self.parent).children)
        if (sibling != node && tree_->At(sibling).nameField == self.nameField)
          return Usage("the name " + EscapeField(tree_->PathOf(node)) +
                       " is taken by another entry of that list"),
                 false;
    }
    return true;
  }

  // How the leaf is stored now; nothing (said why) when it cannot be read.
  std::optional<Compression> OldCompression(const EditTree::Node& node) {
    CustomFile file(source_.Fd());
    const ExtractResult old = ExtractEntry(file, static_cast<std::uint32_t>(node.sourceOffset));
    if (!old) CannotRead(request_.file, old.systemError != 0 ? old.systemError : EIO);
    return old ? std::optional<Compression>(old.compression) : std::nullopt;
  }

  int PrintDryRun(const CustomFileWriter& writer) {
    const auto size = [](bool has, std::uint64_t value) {
      return has ? std::to_string(value) : std::string("-");
    };
    for (const Edit& edit : edits_) {
      const EditTree::Node& node = tree_->At(edit.node);
      const bool old = node.sourceOffset != EditTree::kNotInSource, now = edit.kind != Edit::Kind::kRemove;
      std::string line = std::string(KindWord(edit.kind)) + '\t' + EscapeField(edit.path) + '\t' +
                         size(old, node.sourceSize) + '\t' + size(now, now ? writer.SizeOf(edit.node) : 0);
      if (edit.kind == Edit::Kind::kRename) line += '\t' + EscapeField(edit.argument);
      std::fprintf(out_, "%s\n", line.c_str());
    }
    std::fprintf(out_, "file\t%s\t%llu\t%llu\n", EscapeField(target_.Path().native()).c_str(),
                 static_cast<unsigned long long>(source_.Length()),
                 static_cast<unsigned long long>(writer.FileSize()));
    return std::fflush(out_) == 0 ? kExitOk : kExitFailed;
  }

  int Status(int status, const std::string& message = {}) {
    if (!message.empty()) std::fprintf(err_, "tazor-cfv: %s\n", message.c_str());
    status_ = status;
    return status;
  }
  int Usage(const std::string& message) { return Status(kExitUsage, message); }
  int CannotRead(const std::filesystem::path& path, int error) {
    return Status(kExitUsage, EscapeField(path.native()) + ": " + std::strerror(error));
  }
  int PackRefused(const PackFailure& failure) {
    return Status(kExitUsage,
                  EscapeField(failure.path.native()) + ": " + Reason(failure.error, failure.text));
  }

  const EditRequest& request_;
  std::FILE* out_;
  std::FILE* err_;
  int status_ = kExitOk;
  std::optional<Compression> compression_;  // nothing: keep
  std::vector<Edit> edits_;
  WriteTarget target_;
  EditSource source_;
  EditTree* tree_ = nullptr;
};

}  // namespace

int RunEdit(const EditRequest& request, std::FILE* out, std::FILE* err) {
  return EditRun(request, out, err).Run();
}

}  // namespace cfv::cli
