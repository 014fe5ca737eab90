#include "edit/custom_file_writer.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "containers/cp932.h"
#include "containers/custom_file.h"
#include "containers/entry_header.h"
#include "containers/entry_list_parser.h"
#include "containers/loader.h"
#include "containers/payload_encoding.h"
#include "export/output_files.h"

namespace cfv {
namespace {

constexpr std::uint64_t kSignedOffsetLimit = std::uint64_t{1} << 31;

}  // namespace

// The position the loader's walk reads at, moved as it moves it (never
// before the start).
class WalkPosition {
 public:
  std::uint64_t Position() const { return position_; }
  bool Move(std::int32_t distance) {
    if (distance < 0 && static_cast<std::uint64_t>(-static_cast<std::int64_t>(distance)) > position_)
      return false;
    position_ = static_cast<std::uint64_t>(static_cast<std::int64_t>(position_) + distance);
    return true;
  }

 protected:
  std::uint64_t position_ = 0;
};

// The planned file as the loader's walk reads a file: the bytes a write
// would put there, taken from the plan's segments, zeros past the end.
class PlannedBytes : public WalkPosition {
 public:
  explicit PlannedBytes(const CustomFileWriter& writer) : writer_(writer) {}

  bool ReadZeroed(unsigned char* out, std::size_t n) {
    std::memset(out, 0, n);
    const auto& segments = writer_.segments_;
    // The segments over [position, position + n): from the last one that
    // starts at or before the position.
    auto it = std::upper_bound(segments.begin(), segments.end(), position_,
                               [](std::uint64_t at, const auto& s) { return at < s.at; });
    if (it != segments.begin()) --it;
    for (std::size_t done = 0; it != segments.end() && done < n; ++it) {
      const std::uint64_t at = position_ + done;
      if (at >= it->at + it->length) continue;
      if (at < it->at) break;
      const std::uint64_t within = at - it->at;
      const auto take = static_cast<std::size_t>(std::min<std::uint64_t>(n - done, it->length - within));
      if (it->kind != CustomFileWriter::Segment::Kind::kSource) {
        std::memcpy(out + done, writer_.Bytes(*it) + within, take);
      } else if (::pread(writer_.sourceFd_, out + done, take, static_cast<off_t>(it->from + within)) < 0) {
        readError_ = errno;
        return false;
      }
      done += take;
    }
    position_ += n;
    return true;
  }
  int ReadError() const { return readError_; }

 private:
  const CustomFileWriter& writer_;
  int readError_ = 0;
};

namespace {

// Bytes in memory as the loader's walk reads a file, zeros past their end.
class MemoryBytes : public WalkPosition {
 public:
  explicit MemoryBytes(const std::string& bytes) : bytes_(bytes) {}
  bool ReadZeroed(unsigned char* out, std::size_t n) {
    std::memset(out, 0, n);
    if (position_ < bytes_.size())
      std::memcpy(out, bytes_.data() + position_, std::min<std::uint64_t>(n, bytes_.size() - position_));
    position_ += n;
    return true;
  }
  int ReadError() const { return 0; }

 private:
  const std::string& bytes_;
};

}  // namespace

CustomFileWriter::CustomFileWriter(const EditTree& tree, int sourceFd) : tree_(tree), sourceFd_(sourceFd) {
  sizes_.assign(tree.Size(), 0);
  offsets_.assign(tree.Size(), 0);
  const EditTree::Node& root = tree.At(EditTree::kRoot);
  for (const EditTree::NodeId child : root.children) fileSize_ += Measure(child);
  std::uint64_t at = 0;
  for (const EditTree::NodeId child : root.children) Lay(child, 1, at);
  if (root.children.empty())
    planProblems_.push_back({"", "the file would hold no entries (a custom file needs at least one)"});
  if (fileSize_ > 0xFFFFFFFFu)
    planProblems_.push_back({"", "the file would be larger than 4 GiB, past what its offsets can address"});
}

std::uint64_t CustomFileWriter::Measure(EditTree::NodeId id) {
  const EditTree::Node& node = tree_.At(id);
  std::uint64_t size;
  if (!node.touched) {
    size = node.sourceSize;
  } else if (node.branch) {
    size = kEntryHeaderSize;
    for (const EditTree::NodeId child : node.children) size += Measure(child);
  } else {
    size =
        kEntryHeaderSize + (node.content ? node.content->payload.size() : node.sourceSize - kEntryHeaderSize);
  }
  sizes_[id] = size;
  return size;
}

void CustomFileWriter::AddSegment(Segment segment) {
  if (segment.length == 0) return;
  // Adjacent source ranges become one copy.
  if (!segments_.empty() && segment.kind == Segment::Kind::kSource) {
    Segment& last = segments_.back();
    if (last.kind == Segment::Kind::kSource && last.at + last.length == segment.at &&
        last.from + last.length == segment.from) {
      last.length += segment.length;
      return;
    }
  }
  segments_.push_back(segment);
}

const char* CustomFileWriter::Bytes(const Segment& segment) const {
  return (segment.kind == Segment::Kind::kHeader ? headers_.data() : segment.payload->data()) + segment.from;
}

void CustomFileWriter::Expect(EditTree::NodeId id, unsigned level, std::uint64_t at) {
  const EditTree::Node& node = tree_.At(id);
  offsets_[id] = at;
  const bool formsBranch = node.content && node.content->formsBranch;
  expected_.push_back(
      {id, level, at, DecodeCp932(node.nameField), (node.branch && !node.children.empty()) || formsBranch});
  if (formsBranch) {
    // What the loader makes of those bytes, at their place in the new file.
    EntryTree inner;
    const ItemId root = inner.AppendItem(kNoItem, "");
    ParseState state{inner, static_cast<std::uint32_t>(at + kEntryHeaderSize)};
    MemoryBytes bytes(node.content->payload);
    ParseEntryListOf(state, bytes, static_cast<std::uint32_t>(node.content->payload.size()), root, level + 1);
    inner.ForEachPreOrder(root, [&](ItemId item, unsigned depth) {
      if (depth > 0)
        expected_.push_back(
            {id, level + depth, inner.Data(item), std::string(inner.Text(item)), inner.HasChildren(item)});
    });
  }
  if (at >= kSignedOffsetLimit)
    planProblems_.push_back({tree_.PathOf(id), "its header would begin at or past 2 GiB"});
  // Below an untouched entry everything keeps its place relative to it.
  if (!node.touched)
    for (const EditTree::NodeId child : node.children)
      Expect(child, level + 1, at + (tree_.At(child).sourceOffset - node.sourceOffset));
}

void CustomFileWriter::Lay(EditTree::NodeId id, unsigned level, std::uint64_t& at) {
  const EditTree::Node& node = tree_.At(id);
  const std::uint64_t size = sizes_[id];
  Expect(id, level, at);
  if (!node.touched) {
    AddSegment({Segment::Kind::kSource, at, size, node.sourceOffset, nullptr});
    at += size;
    return;
  }
  const std::string path = tree_.PathOf(id);
  if (size > kMaxEntrySize)
    planProblems_.push_back({path, "its size " + std::to_string(size) + " would be above 999,999,999"});
  headers_.resize(headers_.size() + kEntryHeaderSize);
  auto* header = reinterpret_cast<unsigned char*>(headers_.data()) + headers_.size() - kEntryHeaderSize;
  EncodeEntryHeader(node.nameField, std::min<std::uint64_t>(size, kMaxEntrySize), header);
  AddSegment({Segment::Kind::kHeader, at, kEntryHeaderSize, headers_.size() - kEntryHeaderSize, nullptr});
  at += kEntryHeaderSize;
  if (node.branch) {
    if (node.children.empty())
      planProblems_.push_back(
          {path, "a branch with no entries would read back as an empty leaf; remove the branch instead"});
    else if (level >= kMaxNestingDepth)
      planProblems_.push_back({path, "a branch at nesting level " + std::to_string(level) +
                                         " would read back as a leaf: entries nest at most 64 levels deep"});
    for (const EditTree::NodeId child : node.children) Lay(child, level + 1, at);
    return;
  }
  if (node.content) {
    const LeafContent& content = *node.content;
    if (const LeafTrap trap = content.formsBranch
                                  ? LeafTrap::kNone
                                  : CheckLeafPayload(content.payload, content.data, content.compression);
        trap != LeafTrap::kNone)
      planProblems_.push_back({path, LeafTrapText(trap)});
    AddSegment({Segment::Kind::kPayload, at, content.payload.size(), 0, &content.payload});
  } else {
    AddSegment(
        {Segment::Kind::kSource, at, size - kEntryHeaderSize, node.sourceOffset + kEntryHeaderSize, nullptr});
  }
  at += size - kEntryHeaderSize;
}

bool CustomFileWriter::Compare(const EntryTree& loaded, std::vector<Problem>& problems) const {
  std::size_t index = 0;
  bool same = true;
  loaded.ForEachPreOrder(loaded.FirstRoot(), [&](ItemId item, unsigned depth) {
    if (depth == 0 || !same) return;
    if (index >= expected_.size()) {
      same = false;
      const std::string& name = expected_.empty() ? std::string() : tree_.PathOf(expected_.back().node);
      problems.push_back({name, "entries that were not meant would read back after it"});
      return;
    }
    const Expected& want = expected_[index++];
    if (depth == want.level && loaded.Data(item) == want.offset && loaded.Text(item) == want.name &&
        loaded.HasChildren(item) == want.hasChildren)
      return;
    same = false;
    const EditTree::Node& node = tree_.At(want.node);
    const bool leafAsBranch =
        !want.hasChildren && loaded.HasChildren(item) && loaded.Data(item) == want.offset;
    const std::uint64_t payload = sizes_[want.node] - kEntryHeaderSize;
    if (leafAsBranch && payload < kEntryHeaderSize)
      problems.push_back(
          {tree_.PathOf(want.node),
           "its " + std::to_string(payload) +
               " bytes and those after it would form an entry header, so this short leaf would "
               "read back as a branch"});
    else if (leafAsBranch)
      problems.push_back({tree_.PathOf(want.node), LeafTrapText(LeafTrap::kReadsAsBranch)});
    else
      problems.push_back(
          {tree_.PathOf(want.node),
           std::string("would not read back as written: ") + (node.branch ? "a branch" : "a leaf") +
               " at offset " + std::to_string(want.offset) + " was meant, the walk found " +
               std::string(loaded.Text(item)) + " at offset " + std::to_string(loaded.Data(item))});
  });
  if (same && index < expected_.size()) {
    same = false;
    problems.push_back({tree_.PathOf(expected_[index].node), "would not read back: the walk ends before it"});
  }
  return same;
}

std::vector<CustomFileWriter::Problem> CustomFileWriter::Check(int* readError) {
  std::vector<Problem> problems = planProblems_;
  if (!problems.empty()) return problems;
  // The loader's own walk over the planned bytes.
  PlannedBytes bytes(*this);
  EntryTree loaded;
  const ItemId root = loaded.AppendItem(kNoItem, "");
  ParseState state{loaded, 0};
  ParseEntryListOf(state, bytes, static_cast<std::uint32_t>(fileSize_), root, 1);
  if (bytes.ReadError() != 0) {
    if (readError != nullptr) *readError = bytes.ReadError();
    problems.push_back({"", "the source could not be read"});
    return problems;
  }
  Compare(loaded, problems);
  return problems;
}

bool CopyFileRange(int from, std::uint64_t fromOffset, int to, std::uint64_t length) {
  auto offset = static_cast<loff_t>(fromOffset);
  bool inKernel = true;
  while (length > 0) {
    if (inKernel) {
      const ssize_t n = ::copy_file_range(from, &offset, to, nullptr, static_cast<std::size_t>(length), 0);
      if (n > 0) {
        length -= static_cast<std::uint64_t>(n);
        continue;
      }
      if (n == 0) {
        errno = EIO;  // the source ended early: it changed since it was read
        return false;
      }
      if (errno == EINTR) continue;
      // Another file system, or none that can: copy through a buffer.
      if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP && errno != EPERM)
        return false;
      inKernel = false;
    }
    thread_local std::unique_ptr<unsigned char[]> buffer(new unsigned char[1 << 20]);
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(length, 1 << 20));
    const ssize_t got = ::pread(from, buffer.get(), want, offset);
    if (got <= 0) {
      if (got < 0 && errno == EINTR) continue;
      if (got == 0) errno = EIO;
      return false;
    }
    for (ssize_t put = 0; put < got;) {
      const ssize_t n = ::write(to, buffer.get() + put, static_cast<std::size_t>(got - put));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      put += n;
    }
    offset += got;
    length -= static_cast<std::uint64_t>(got);
  }
  return true;
}

bool CustomFileWriter::WriteTo(PendingFile& pending, std::vector<Problem>& problems, int* error) {
  for (const Segment& segment : segments_) {
    const bool ok =
        segment.kind == Segment::Kind::kSource
            ? CopyFileRange(sourceFd_, segment.from, pending.fd(), segment.length)
            : pending.Write(reinterpret_cast<const unsigned char*>(Bytes(segment)), segment.length);
    if (!ok) {
      if (error != nullptr) *error = errno;
      return false;
    }
  }
  // Read back what was written: the whole header walk, and every new leaf's
  // data through the real extraction.
  CustomFile written(pending.fd());
  EntryTree loaded;
  int readError = 0;
  if (!written.IsOpen() || written.Length() != fileSize_) {
    problems.push_back({"", "the written file does not have the planned size"});
    return false;
  }
  if (!LoadOpenCustomFile(written, "", loaded, &readError) || readError != 0) {
    if (readError != 0) {
      if (error != nullptr) *error = readError;
    } else {
      problems.push_back({"", "the written file does not read back as a custom file"});
    }
    return false;
  }
  if (!Compare(loaded, problems)) return false;
  EditTree::NodeId last = EditTree::kRoot;
  for (const Expected& want : expected_) {
    const EditTree::Node& node = tree_.At(want.node);
    // A leaf whose data forms a branch is expected with the entries in it,
    // under its own node: its data is the first one's.
    if (!node.content || want.node == last) continue;
    last = want.node;
    ExtractResult back = ExtractEntry(written, static_cast<std::uint32_t>(want.offset));
    const LeafContent& content = *node.content;
    if (!back || back.compression != content.compression || back.data->size() != content.data.size() ||
        std::memcmp(back.data->data(), content.data.data(), content.data.size()) != 0) {
      problems.push_back(
          {tree_.PathOf(want.node), "its data does not read back from the written file as written"});
      return false;
    }
  }
  return true;
}

}  // namespace cfv
