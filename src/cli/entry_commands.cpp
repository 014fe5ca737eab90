#include <cerrno>
#include <cstring>

#include "cli/commands.h"
#include "containers/custom_file.h"
#include "containers/entry_header.h"
#include "containers/entry_pattern.h"
#include "containers/extract.h"
#include "containers/loader.h"
#include "export/output_name.h"
#include "preview/classify.h"

namespace cfv::cli {
namespace {

// Says on `err` why the entry at `offset` of `file` cannot be read.
void ReportNoEntry(const std::filesystem::path& file, std::uint32_t offset, ExtractError error,
                   int systemError, std::FILE* err) {
  if (error == ExtractError::kReadFailed) {
    ReportReadError(err, file, systemError);
  } else {
    std::fprintf(err, "tazor-cfv: no entry header at offset %u in %s\n", offset, Shown(file).c_str());
  }
}

// Opens `file` or says on `err` why it cannot.
bool Open(CustomFile& in, const std::filesystem::path& file, std::FILE* err) {
  if (in.IsOpen()) return true;
  std::fprintf(err, "tazor-cfv: cannot open %s: %s\n", Shown(file).c_str(),
               in.OpenError() != 0 ? std::strerror(in.OpenError()) : "not a regular file");
  return false;
}

// Extracts the entry or says on `err` why it cannot.
std::optional<EntryData> Extract(const std::filesystem::path& file, std::uint32_t offset, std::FILE* err) {
  CustomFile in(file, CustomFile::Access::kOneRead);
  if (!Open(in, file, err)) return std::nullopt;
  ExtractResult result = ExtractEntry(in, offset);
  if (result) return std::move(*result.data);
  ReportNoEntry(file, offset, result.error, result.systemError, err);
  return std::nullopt;
}

// The entry's name: the text of the first entry item in pre-order whose
// offset is `offset` (never the root item), else the header's own name
// field; nothing when that cannot be read (said on `err`).
std::optional<std::string> EntryName(const std::filesystem::path& file, std::uint32_t offset,
                                     std::FILE* err) {
  EntryTree tree;
  if (LoadCustomFile(file, file.native(), tree)) {
    const ItemId root = tree.FirstRoot();
    std::optional<std::string> found;
    tree.ForEachPreOrder(root, [&](ItemId id, unsigned depth) {
      if (!found && depth > 0 && tree.Data(id) == offset) found = std::string(tree.Text(id));
    });
    if (found) return *found;
  }
  CustomFile in(file);
  unsigned char header[kEntryHeaderSize];
  in.MoveTo(offset);
  if (in.ReadDirect(header, sizeof header)) return HeaderName(header);
  ReportReadError(err, file, in.ReadError());
  return std::nullopt;
}

}  // namespace

std::optional<ItemId> ResolveEntryIn(const EntryTree& tree, const std::filesystem::path& file,
                                     std::string_view entry, bool byPath, std::FILE* err) {
  const ItemId root = tree.FirstRoot();
  std::vector<ItemId> found;
  if (!byPath && LooksLikeOffset(entry)) {
    const std::optional<std::uint32_t> offset = ParseOffset(entry);
    if (offset)
      tree.ForEachPreOrder(root, [&](ItemId id, unsigned depth) {
        if (depth > 0 && found.empty() && tree.Data(id) == *offset) found.push_back(id);
      });
    if (found.empty())
      std::fprintf(err, "tazor-cfv: no entry header at offset %s in %s\n", EscapeField(entry).c_str(),
                   Shown(file).c_str());
    return found.empty() ? std::nullopt : std::optional<ItemId>(found.front());
  }
  const EntryPattern pattern(entry, EntryPattern::Mode::kPath);
  tree.ForEachPreOrder(root, [&](ItemId id, unsigned depth) {
    if (depth > 0 && pattern.Matches(EntryPathOf(tree, id))) found.push_back(id);
  });
  if (found.size() == 1) return found.front();
  if (found.empty()) {
    std::fprintf(err, "tazor-cfv: no entry of %s matches %s\n", Shown(file).c_str(),
                 EscapeField(entry).c_str());
  } else {
    std::fprintf(err, "tazor-cfv: %zu entries of %s match %s (first %s, %s); name one\n", found.size(),
                 Shown(file).c_str(), EscapeField(entry).c_str(),
                 EscapeField(EntryPathOf(tree, found[0])).c_str(),
                 EscapeField(EntryPathOf(tree, found[1])).c_str());
  }
  return std::nullopt;
}

std::optional<std::uint32_t> ResolveEntry(const std::filesystem::path& file, std::string_view entry,
                                          bool byPath, std::FILE* err) {
  if (!PatternFits(entry, "ENTRY", err)) return std::nullopt;
  if (!byPath && LooksLikeOffset(entry)) {
    const std::optional<std::uint32_t> offset = ParseOffset(entry);
    if (!offset)
      std::fprintf(err, "tazor-cfv: not an entry offset (at most 0xffffffff): %s\n",
                   EscapeField(entry).c_str());
    return offset;
  }
  EntryTree tree;
  int readError = 0;
  const bool loaded = LoadCustomFile(file, file.native(), tree, nullptr, &readError);
  // Entries past a read error are unknown: a match among the others could
  // be the wrong one.
  if (readError != 0) {
    ReportReadError(err, file, readError);
    return std::nullopt;
  }
  if (!loaded) {
    std::fprintf(err, "tazor-cfv: cannot open %s as a custom file\n", Shown(file).c_str());
    return std::nullopt;
  }
  const std::optional<ItemId> item = ResolveEntryIn(tree, file, entry, true, err);
  if (!item) return std::nullopt;
  return tree.Data(*item);
}

int RunCat(const std::filesystem::path& file, std::uint32_t offset, std::FILE* out, std::FILE* err) {
  // The data is written from where it was read or inflated: a cat of a
  // large entry makes no copy of it.
  CustomFile in(file, CustomFile::Access::kOneRead);
  if (!Open(in, file, err)) return kExitUsage;
  const EntryView entry = ViewEntry(in, offset);
  if (!entry.ok) {
    ReportNoEntry(file, offset, entry.error, entry.systemError, err);
    return kExitUsage;
  }
  const DataView& data = entry.data;
  if (std::fwrite(data.bytes, 1, data.size, out) != data.size || std::fflush(out) != 0) {
    std::fprintf(err, "tazor-cfv: cannot write the entry data: %s\n", std::strerror(errno));
    return kExitFailed;
  }
  return kExitOk;
}

int RunInfo(const std::filesystem::path& file, std::uint32_t offset, std::FILE* out, std::FILE* err) {
  const std::optional<EntryData> data = Extract(file, offset, err);
  if (!data) return kExitUsage;
  const std::optional<std::string> storedName = EntryName(file, offset, err);
  if (!storedName) return kExitUsage;
  const std::string& name = *storedName;
  const PreviewClass preview = ClassifyPreview(data->data(), data->size(), name);
  std::string text;
  text += "length=" + std::to_string(data->size()) + "\n";
  text += "preview=" + std::string(PreviewKindName(preview.kind)) + "\n";
  text +=
      "device=" + std::string(preview.kind == PreviewKind::kSound ? SoundDeviceName(preview.device) : "") +
      "\n";
  text += "name=" + EscapeField(OutputFileName(name, data->data(), data->size(), true)) + "\n";
  text += "name_as_stored=" + EscapeField(OutputFileName(name, data->data(), data->size(), false)) + "\n";
  if (std::fwrite(text.data(), 1, text.size(), out) != text.size() || std::fflush(out) != 0) {
    std::fprintf(err, "tazor-cfv: cannot write: %s\n", std::strerror(errno));
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace cfv::cli
