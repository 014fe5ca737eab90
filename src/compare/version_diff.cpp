#include "compare/version_diff.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "compare/pair_judge.h"
#include "containers/entry_header.h"
#include "containers/mapped_file.h"

namespace cfv {
namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFFu;

// The entries of one custom file in pre-order, with their paths.
struct Entries {
  struct Item {
    std::uint32_t pathAt;
    std::uint32_t pathLength;
    std::uint32_t offset;  // of the entry's header
    std::uint32_t end;     // one past the last item of its subtree
    bool leaf;
  };
  std::vector<Item> items;
  std::string paths;  // every item's path, end to end

  std::string_view Path(std::size_t i) const {
    return std::string_view(paths).substr(items[i].pathAt, items[i].pathLength);
  }
};

// The entries below `root` into `e`, each path made from its parent's
// (EntryPathOf: names joined by '/', '\' read as '/').
void EntriesOf(const EntryTree& tree, ItemId root, Entries& e) {
  e.items.clear();
  e.paths.clear();
  std::vector<std::uint32_t> open;  // the items whose subtrees are not closed yet, outermost first
  tree.ForEachPreOrder(root, [&](ItemId id, unsigned depth) {
    if (depth == 0) return;
    while (open.size() >= depth) {
      e.items[open.back()].end = static_cast<std::uint32_t>(e.items.size());
      open.pop_back();
    }
    const std::size_t at = e.paths.size();
    if (!open.empty()) {
      const Entries::Item& parent = e.items[open.back()];
      e.paths.resize(at + parent.pathLength);
      std::memcpy(e.paths.data() + at, e.paths.data() + parent.pathAt, parent.pathLength);
      e.paths.push_back('/');
    }
    for (const char c : tree.Text(id)) e.paths.push_back(c == '\\' ? '/' : c);
    open.push_back(static_cast<std::uint32_t>(e.items.size()));
    e.items.push_back({static_cast<std::uint32_t>(at), static_cast<std::uint32_t>(e.paths.size() - at),
                       tree.Data(id), 0, !tree.HasChildren(id)});
  });
  for (const std::uint32_t i : open) e.items[i].end = static_cast<std::uint32_t>(e.items.size());
}

// Pairs the items of `a` and `b` that share a path, the k-th of a path in
// `a` with the k-th in `b`; kNone where an item has no partner.
void PairByPath(const Entries& a, const Entries& b, std::vector<std::uint32_t>& aPartner,
                std::vector<std::uint32_t>& bPartner) {
  aPartner.assign(a.items.size(), kNone);
  bPartner.assign(b.items.size(), kNone);
  // Mostly the versions list the same paths in the same order: that run is
  // paired without hashing, and the k-th occurrences after it stay k-th.
  std::size_t same = 0;
  while (same < a.items.size() && same < b.items.size() && a.Path(same) == b.Path(same)) {
    aPartner[same] = bPartner[same] = static_cast<std::uint32_t>(same);
    ++same;
  }
  // For each path, B's first unpaired item and a chain to the next.
  std::unordered_map<std::string_view, std::uint32_t> first;
  std::vector<std::uint32_t> next(b.items.size(), kNone);
  for (std::size_t j = b.items.size(); j-- > same;) {
    auto [it, added] = first.try_emplace(b.Path(j), static_cast<std::uint32_t>(j));
    if (!added) {
      next[j] = it->second;
      it->second = static_cast<std::uint32_t>(j);
    }
  }
  for (std::size_t i = same; i < a.items.size(); ++i) {
    const auto it = first.find(a.Path(i));
    if (it == first.end() || it->second == kNone) continue;
    const std::uint32_t j = it->second;
    aPartner[i] = j;
    bPartner[j] = static_cast<std::uint32_t>(i);
    it->second = next[j];
  }
}

// Payload bytes held for pairs waiting to be judged before the reading
// waits for the judge.
constexpr std::size_t kMaxHeld = 64 * 1024 * 1024;

// The payload of the entry whose header is at `offset` of `file`, as
// PayloadReader gives it (the header's bytes past the end of the file read
// as zero, the payload cut at the end). False when the bytes there give no
// entry size. Reads mapped bytes: run it under ReadMapped.
bool PayloadAt(std::span<const unsigned char> file, std::uint32_t offset,
               std::span<const unsigned char>& payload) {
  unsigned char header[kEntryHeaderSize] = {};
  if (offset < file.size())
    std::memcpy(header, file.data() + offset, std::min(kEntryHeaderSize, file.size() - offset));
  const std::uint64_t size = HeaderSizeValue(header);
  if (size < kEntryHeaderSize || size > kMaxEntrySize) return false;
  const std::size_t start = std::min<std::size_t>(file.size(), std::uint64_t{offset} + kEntryHeaderSize);
  payload = file.subspan(start, std::min<std::size_t>(size - kEntryHeaderSize, file.size() - start));
  return true;
}

class Differ final : public TroubleObserver {
 public:
  explicit Differ(DiffObserver& observer) : observer_(observer) {}

  // Compares the file `a` with the file `b` (either may be null: there is
  // no such file on that side), both named `file` in the report. A file
  // that is no custom file counts as none. False when the observer stopped.
  bool Pair(std::string_view file, const InputFile* a, const InputFile* b) {
    const MappedInput hasA =
        a != nullptr ? LoadMapped(*a, a_.mapped, a_.tree, *this) : MappedInput::kNoCustomFile;
    if (hasA == MappedInput::kTrouble) return true;
    const MappedInput hasB =
        b != nullptr ? LoadMapped(*b, b_.mapped, b_.tree, *this) : MappedInput::kNoCustomFile;
    if (hasB == MappedInput::kTrouble) return true;
    for (Side* side : {&a_, &b_}) EntriesOf(side->tree, side->tree.FirstRoot(), side->entries);
    if (hasA == MappedInput::kCustomFile && hasB == MappedInput::kCustomFile)
      return Files(file, a->path, b->path);
    if (hasA == MappedInput::kCustomFile) return AllLeaves(file, a_.entries, Change::kRemoved);
    if (hasB == MappedInput::kCustomFile) return AllLeaves(file, b_.entries, Change::kAdded);
    return true;
  }

  void Trouble(const ReadTrouble& trouble) override { observer_.Trouble(trouble); }

  // Reports every difference still waiting.
  void Finish() { Flush(true); }

 private:
  // One side's custom file of the pair compared now.
  struct Side {
    MappedFile mapped;
    EntryTree tree;
    Entries entries;
  };

  // A difference in the order of the report, waiting for the judge's
  // verdict when `judged`.
  struct Pending {
    Change kind = Change::kChanged;
    std::string file, path;
    bool judged = false;
    std::string pathA;  // A's file, should the judge fail
  };

  // Reports every leaf of `e` as `kind`. False when the observer stopped.
  bool AllLeaves(std::string_view file, const Entries& e, Change kind) {
    for (std::size_t i = 0; i < e.items.size(); ++i) {
      if (e.items[i].leaf && !Report(kind, file, e.Path(i))) return false;
    }
    return true;
  }

  // Compares the custom files of a_ and b_.
  bool Files(std::string_view file, const std::string& pathA, const std::string& pathB) {
    const Entries& a = a_.entries;
    const Entries& b = b_.entries;
    PairByPath(a, b, aPartner_, bPartner_);
    // A's items before `ai` are reported (or paired and reported with
    // their partner); unpaired ones are flushed as removed when a pair
    // further on in A comes up.
    std::size_t ai = 0;
    const auto removed = [&](std::size_t from, std::size_t to) {
      for (std::size_t k = from; k < to; ++k) {
        if (aPartner_[k] == kNone && a.items[k].leaf && !Report(Change::kRemoved, file, a.Path(k)))
          return false;
      }
      return true;
    };
    for (std::size_t j = 0; j < b.items.size(); ++j) {
      const Entries::Item& y = b.items[j];
      const std::uint32_t i = bPartner_[j];
      if (i == kNone) {
        if (y.leaf && !Report(Change::kAdded, file, b.Path(j))) return false;
        continue;
      }
      if (!removed(ai, i)) return false;
      ai = std::max<std::size_t>(ai, i + 1);
      const Entries::Item& x = a.items[i];
      if (x.leaf && y.leaf) {
        const Outcome outcome = CompareLeaves(x.offset, y.offset);
        if (outcome != Outcome::kSame && outcome != Outcome::kDiffers) {
          // Cut short or changed meanwhile: the rest of the pair is left.
          const bool inA = outcome == Outcome::kChangedA ||
                           (outcome == Outcome::kCutShort && ShorterNow(pathA, a_.mapped.bytes().size()));
          Trouble({ReadTrouble::Kind::kChanged, inA ? pathA : pathB, 0, 0});
          return true;
        }
        if (outcome == Outcome::kDiffers) {
          Pending p;
          p.file = file;
          p.path = b.Path(j);
          p.judged = true;
          p.pathA = pathA;
          pending_.push_back(std::move(p));
          if (!Flush(false)) return false;
        }
      } else if (x.leaf) {
        // Became a branch: its leaves follow as added.
        if (!Report(Change::kRemoved, file, a.Path(i))) return false;
      } else if (y.leaf) {
        // A branch became a leaf: the branch's leaves go first.
        if (!removed(std::max<std::size_t>(ai, i + 1), x.end)) return false;
        ai = std::max<std::size_t>(ai, x.end);
        if (!Report(Change::kAdded, file, b.Path(j))) return false;
      }
    }
    return removed(ai, a.items.size());
  }

  // kChangedA/B: no entry where the tree has one; kCutShort: a mapped page
  // could not be read.
  enum class Outcome { kSame, kDiffers, kChangedA, kChangedB, kCutShort };

  // The stored payloads, straight from the mapped files; when they differ,
  // copies of both go to the judge.
  Outcome CompareLeaves(std::uint32_t offsetA, std::uint32_t offsetB) {
    std::span<const unsigned char> pa, pb;
    bool foundA = false, foundB = false, same = false;
    const bool read = ReadMapped([&] {
      foundA = PayloadAt(a_.mapped.bytes(), offsetA, pa);
      foundB = PayloadAt(b_.mapped.bytes(), offsetB, pb);
      same = pa.size() == pb.size() && std::memcmp(pa.data(), pb.data(), pa.size()) == 0;
    });
    if (!read) return Outcome::kCutShort;
    if (!foundA) return Outcome::kChangedA;
    if (!foundB) return Outcome::kChangedB;
    if (same) return Outcome::kSame;
    std::vector<unsigned char> copyA(pa.size()), copyB(pb.size());
    if (!ReadMapped([&] {
          std::memcpy(copyA.data(), pa.data(), pa.size());
          std::memcpy(copyB.data(), pb.data(), pb.size());
        }))
      return Outcome::kCutShort;
    judge_.Add(std::move(copyA), std::move(copyB));
    return Outcome::kDiffers;
  }

  // Whether the file at `path` is now shorter than `mapped` bytes.
  static bool ShorterNow(const std::string& path, std::size_t mapped) {
    struct stat st {};
    return ::stat(path.c_str(), &st) != 0 || static_cast<std::uint64_t>(st.st_size) < mapped;
  }

  bool Report(Change kind, std::string_view file, std::string_view path) {
    if (pending_.empty()) {
      // Nothing waits before it: no copy.
      Difference d;
      d.kind = kind;
      d.file = file;
      d.path = path;
      return Tell(d);
    }
    Pending p;
    p.kind = kind;
    p.file = file;
    p.path = path;
    pending_.push_back(std::move(p));
    return Flush(false);
  }

  bool Tell(const Difference& d) {
    if (!stopped_ && !observer_.Found(d)) stopped_ = true;
    return !stopped_;
  }

  // Reports the waiting differences, in order, as far as their verdicts are
  // in; with `all` (or too much held), every one, judging beside the
  // judge's own thread. False when the observer stopped.
  bool Flush(bool all) {
    while (!pending_.empty() && !stopped_) {
      Pending& p = pending_.front();
      Difference d;
      d.kind = p.kind;
      if (p.judged) {
        if (!all && judge_.HeldBytes() <= kMaxHeld && !judge_.FrontReady()) return true;
        const PairJudge::Verdict verdict = judge_.TakeFront();
        if (verdict.noMemory) {
          observer_.Trouble({ReadTrouble::Kind::kUnreadable, p.pathA, 0, ENOMEM});
          pending_.pop_front();
          continue;
        }
        d.kind = verdict.sameData ? Change::kRecompressed : Change::kChanged;
        d.oldLength = verdict.oldLength;
        d.newLength = verdict.newLength;
      }
      d.file = p.file;
      d.path = p.path;
      Tell(d);
      pending_.pop_front();
    }
    return !stopped_;
  }

  DiffObserver& observer_;
  Side a_, b_;
  std::vector<std::uint32_t> aPartner_, bPartner_;
  std::deque<Pending> pending_;
  bool stopped_ = false;
  // Last: its thread stops before what it might still be told of goes.
  PairJudge judge_;
};

// Where the files of one named folder could not all be read: neither
// side's copy of what lies there is compared.
class Unreadable final : public TroubleObserver {
 public:
  Unreadable(TroubleObserver& next, std::string prefix) : next_(next), prefix_(std::move(prefix)) {}

  void Trouble(const ReadTrouble& trouble) override {
    if (trouble.path.starts_with(prefix_)) relative_.push_back(trouble.path.substr(prefix_.size()));
    next_.Trouble(trouble);
  }
  // Whether `relative` is, or lies in, something that could not be read.
  bool Covers(std::string_view relative) const {
    for (const std::string& r : relative_) {
      if (relative == r || (relative.starts_with(r) && relative[r.size()] == '/')) return true;
    }
    return false;
  }

 private:
  TroubleObserver& next_;
  std::string prefix_;
  std::vector<std::string> relative_;
};

// `folder` as the start of the paths found in it.
std::string FolderPrefix(const std::filesystem::path& folder) {
  std::string prefix = folder.native();
  if (prefix.empty() || prefix.back() != '/') prefix.push_back('/');
  return prefix;
}

void DiffFolders(Differ& differ, const std::filesystem::path& a, const std::filesystem::path& b) {
  const std::string prefixA = FolderPrefix(a), prefixB = FolderPrefix(b);
  std::vector<InputFile> filesA, filesB;
  Unreadable unreadableA(differ, prefixA), unreadableB(differ, prefixB);
  FindInputs({a}, filesA, unreadableA);
  FindInputs({b}, filesB, unreadableB);
  const auto relativeA = [&](std::size_t i) {
    return std::string_view(filesA[i].path).substr(prefixA.size());
  };
  const auto skipped = [&](std::string_view relative) {
    return unreadableA.Covers(relative) || unreadableB.Covers(relative);
  };
  std::unordered_map<std::string_view, std::size_t> inA;
  for (std::size_t i = 0; i < filesA.size(); ++i) inA.emplace(relativeA(i), i);
  std::vector<bool> paired(filesA.size(), false);
  for (const InputFile& f : filesB) {
    const auto it = inA.find(std::string_view(f.path).substr(prefixB.size()));
    if (it != inA.end()) paired[it->second] = true;
  }
  // Files of A only are reported as removed before the next file of A that
  // B has too, as entries are.
  std::size_t ai = 0;
  const auto removed = [&](std::size_t to) {
    for (; ai < to; ++ai) {
      if (!paired[ai] && !skipped(relativeA(ai)) && !differ.Pair(relativeA(ai), &filesA[ai], nullptr))
        return false;
    }
    return true;
  };
  for (const InputFile& f : filesB) {
    const std::string_view relative = std::string_view(f.path).substr(prefixB.size());
    if (skipped(relative)) continue;
    const auto it = inA.find(relative);
    if (it == inA.end()) {
      if (!differ.Pair(relative, nullptr, &f)) return;
      continue;
    }
    if (!removed(it->second) || !differ.Pair(relative, &filesA[it->second], &f)) return;
  }
  removed(filesA.size());
}

}  // namespace

void DiffVersions(const std::filesystem::path& a, const std::filesystem::path& b, DiffObserver& observer) {
  Differ differ(observer);
  struct stat sa {};
  struct stat sb {};
  const bool hasA = ::stat(a.c_str(), &sa) == 0;
  const int errorA = errno;
  const bool hasB = ::stat(b.c_str(), &sb) == 0;
  const int errorB = errno;
  if (!hasA) differ.Trouble({ReadTrouble::Kind::kUnreadable, a.native(), 0, errorA});
  if (!hasB) differ.Trouble({ReadTrouble::Kind::kUnreadable, b.native(), 0, errorB});
  if (!hasA || !hasB) return;
  const bool folders = S_ISDIR(sa.st_mode);
  if (folders != S_ISDIR(sb.st_mode)) {
    differ.Trouble({ReadTrouble::Kind::kFileAndFolder, (folders ? b : a).native(), 0, 0});
    return;
  }
  if (folders) {
    DiffFolders(differ, a, b);
  } else {
    const InputFile fileA{a.native(), true}, fileB{b.native(), true};
    differ.Pair("", &fileA, &fileB);
  }
  differ.Finish();
}

}  // namespace cfv
