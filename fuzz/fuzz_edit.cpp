// Fuzz target: random edits on custom files through the writer.
//
// The input is a custom file (its length in the first two bytes) followed by
// edit steps. A file that is not well formed is refused as the edit command
// refuses it. On the others the steps replace, add, remove and rename
// entries; then either the writer's check refuses the result, or writing it
// must succeed and give a file that reads back as the intended tree (the
// writer compares), is itself well formed, keeps every untouched entry byte
// for byte and every new leaf's data.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "containers/custom_file.h"
#include "containers/entry_name.h"
#include "containers/extract.h"
#include "containers/loader.h"
#include "containers/verify.h"
#include "edit/custom_file_writer.h"
#include "edit/edit_tree.h"
#include "export/output_files.h"
#include "scratch_file.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
  }
}

// Reads the steps' bytes, zeros once they run out.
struct Steps {
  const std::uint8_t* data;
  std::size_t size;
  std::uint8_t Byte() { return size == 0 ? 0 : (--size, *data++); }
  std::string Bytes(std::size_t n) {
    std::string out;
    while (n-- > 0 && size > 0) out.push_back(static_cast<char>(Byte()));
    return out;
  }
  // A name of letters, digits and kana, so that most are storable.
  std::string Name() {
    static const char* kParts[] = {"a", "b", "Z", "0", ".", " ", "ア", "か", "~"};
    std::string name;
    for (std::uint8_t n = Byte() % 8; n > 0; --n) name += kParts[Byte() % 9];
    return name;
  }
};

const cfv::FolderHandle& Scratch() {
  static const cfv::FolderHandle folder = [] {
    char name[] = "/tmp/cfv-fuzz-edit-XXXXXX";
    Check(::mkdtemp(name) != nullptr, "a scratch folder");
    return cfv::FolderHandle(::open(name, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t length = std::min<std::size_t>(size - 2, data[0] | data[1] << 8);
  const auto& path = cfv::fuzz::WriteScratch(data + 2, length);
  Steps steps{data + 2 + length, size - 2 - length};

  cfv::CustomFile source(path);
  std::vector<std::string> names;
  const cfv::VerifyReport report = cfv::VerifyCustomFile(source, false, &names);
  if (!report.customFile) return 0;
  for (const auto& problem : report.problems)
    if (cfv::IsStructural(problem.kind)) return 0;
  cfv::EntryTree loaded;
  Check(cfv::LoadOpenCustomFile(source, "", loaded), "a well-formed file loads");
  Check(names.size() + 1 == loaded.Size(), "one name field an entry");
  auto tree = cfv::EditTree::FromSource(loaded, loaded.FirstRoot(), source.Length(), std::move(names));

  static constexpr cfv::Compression kCompressions[] = {cfv::Compression::kNone, cfv::Compression::kZlib,
                                                       cfv::Compression::kGzip};
  for (int n = 0; n < 8 && steps.size > 0; ++n) {
    const std::uint8_t op = steps.Byte() % 4;
    const auto node = static_cast<cfv::EditTree::NodeId>(steps.Byte() % tree->Size());
    // Only entries still in the tree.
    bool live = true;
    for (cfv::EditTree::NodeId at = node; at != cfv::EditTree::kRoot; at = tree->At(at).parent)
      live = live && !tree->At(at).removed;
    if (!live) continue;
    const cfv::EditTree::Node& target = tree->At(node);
    const cfv::EncodedName name = cfv::EncodeEntryName(steps.Name());
    if (op == 0 && !target.branch && node != cfv::EditTree::kRoot) {
      tree->SetContent(node,
                       cfv::MakeLeafContent(steps.Bytes(steps.Byte()), kCompressions[steps.Byte() % 3]));
    } else if (op == 1 && target.branch && name.problem == cfv::NameProblem::kNone) {
      if (steps.Byte() % 4 == 0) {
        tree->AddBranch(node, name.field);
      } else {
        tree->AddLeaf(node, name.field,
                      cfv::MakeLeafContent(steps.Bytes(steps.Byte()), kCompressions[steps.Byte() % 3]));
      }
    } else if (op == 2 && node != cfv::EditTree::kRoot) {
      tree->Remove(node);
    } else if (op == 3 && node != cfv::EditTree::kRoot && name.problem == cfv::NameProblem::kNone) {
      tree->Rename(node, name.field);
    }
  }

  cfv::CustomFile reading(path);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  cfv::CustomFileWriter writer(*tree, fd);
  int readError = 0;
  if (!writer.Check(&readError).empty()) {
    ::close(fd);
    return 0;
  }
  cfv::PendingFile pending;
  Check(pending.Open(Scratch(), cfv::PosixFileWriter()), "a pending file");
  std::vector<cfv::CustomFileWriter::Problem> problems;
  int error = 0;
  Check(writer.WriteTo(pending, problems, &error), "what the check passes is written and reads back");

  // Well formed, and every untouched entry byte for byte at its new place.
  cfv::CustomFile written(pending.fd());
  const cfv::VerifyReport after = cfv::VerifyCustomFile(written, false);
  for (const auto& problem : after.problems)
    Check(!cfv::IsStructural(problem.kind), "the result is well formed");
  cfv::EntryTree back;
  Check(cfv::LoadOpenCustomFile(written, "", back), "the result loads");
  std::vector<cfv::EditTree::NodeId> order;
  const auto walk = [&](auto&& self, cfv::EditTree::NodeId id) -> void {
    if (id != cfv::EditTree::kRoot) order.push_back(id);
    if (tree->At(id).branch)
      for (const auto child : tree->At(id).children) self(self, child);
  };
  walk(walk, cfv::EditTree::kRoot);
  std::size_t index = 0;
  back.ForEachPreOrder(back.FirstRoot(), [&](cfv::ItemId item, unsigned depth) {
    if (depth == 0 || index >= order.size()) return;
    const cfv::EditTree::Node& node = tree->At(order[index++]);
    if (node.touched || node.sourceOffset == cfv::EditTree::kNotInSource) return;
    std::string was(node.sourceSize, '\0'), now(node.sourceSize, '\0');
    Check(::pread(fd, was.data(), was.size(), static_cast<off_t>(node.sourceOffset)) ==
                  static_cast<ssize_t>(was.size()) &&
              ::pread(pending.fd(), now.data(), now.size(), back.Data(item)) ==
                  static_cast<ssize_t>(now.size()) &&
              was == now,
          "an untouched entry is copied byte for byte");
  });
  ::close(fd);
  return 0;
}
