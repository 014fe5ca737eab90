#include "compare/version_diff.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <vector>

#include "compare/pair_judge.h"
#include "containers/extract.h"
#include "containers/payload_reader.h"

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

class Differ {
 public:
  explicit Differ(DiffObserver& observer) : observer_(observer) {}

  // Reports every leaf of `e` as `kind`. False when the observer stopped.
  bool AllLeaves(std::string_view file, const Entries& e, Change kind) {
    for (std::size_t i = 0; i < e.items.size(); ++i) {
      if (e.items[i].leaf && !Report(kind, file, e.Path(i))) return false;
    }
    return true;
  }

  // Compares the custom files at `pathA` and `pathB`, whose entries are `a`
  // and `b`, named `file` in the report. False when the observer stopped.
  bool Files(std::string_view file, const std::string& pathA, const Entries& a, const std::string& pathB,
             const Entries& b) {
    if (!Opened(readerA_, pathA) || !Opened(readerB_, pathB)) return true;
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
        const Outcome outcome = CompareLeaves(pathA, x.offset, pathB, y.offset);
        if (outcome == Outcome::kTrouble) return true;
        if (outcome == Outcome::kDiffers) {
          Pending p;
          p.file = file;
          p.path = b.Path(j);
          p.judged = true;
          p.pathA = pathA;
          p.offsetA = x.offset;
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

  void Trouble(const ReadTrouble& trouble) { observer_.Trouble(trouble); }

  // Reports every difference still waiting.
  void Finish() { Flush(true); }

 private:
  enum class Outcome { kSame, kDiffers, kTrouble };

  // A difference in the order of the report, waiting for the judge's
  // verdict when `judged`.
  struct Pending {
    Change kind = Change::kChanged;
    std::string file, path;
    bool judged = false;
    std::string pathA;  // A's file and entry, should the judge fail
    std::uint32_t offsetA = 0;
  };

  bool Opened(PayloadReader& reader, const std::string& path) {
    int error = 0;
    if (reader.Open(path, error)) return true;
    // Gone or changed since it was loaded.
    Trouble({ReadTrouble::Kind::kUnreadable, path, 0, error});
    return false;
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
  // in; with `all`, every one. False when the observer stopped.
  bool Flush(bool all) {
    while (!pending_.empty() && !stopped_) {
      Pending& p = pending_.front();
      Difference d;
      d.kind = p.kind;
      if (p.judged) {
        if (!all && judge_.HeldBytes() <= kMaxHeld && !judge_.FrontReady()) return true;
        const PairJudge::Verdict verdict = judge_.TakeFront();
        if (verdict.noMemory) {
          observer_.Trouble({ReadTrouble::Kind::kEntryUnreadable, p.pathA, p.offsetA, ENOMEM});
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

  // The stored payloads; when they differ, the pair goes to the judge.
  Outcome CompareLeaves(const std::string& pathA, std::uint32_t offsetA, const std::string& pathB,
                        std::uint32_t offsetB) {
    std::span<const unsigned char> pa, pb;
    int error = 0;
    if (!readerA_.Payload(offsetA, pa, error)) {
      Trouble({ReadTrouble::Kind::kEntryUnreadable, pathA, offsetA, error});
      return Outcome::kTrouble;
    }
    if (!readerB_.Payload(offsetB, pb, error)) {
      Trouble({ReadTrouble::Kind::kEntryUnreadable, pathB, offsetB, error});
      return Outcome::kTrouble;
    }
    if (pa.size() == pb.size() && std::memcmp(pa.data(), pb.data(), pa.size()) == 0) return Outcome::kSame;
    judge_.Add(pa, pb);
    return Outcome::kDiffers;
  }

  DiffObserver& observer_;
  PayloadReader readerA_, readerB_;
  std::vector<std::uint32_t> aPartner_, bPartner_;
  std::deque<Pending> pending_;
  bool stopped_ = false;
  // Last: its thread stops before what it might still be told of goes.
  PairJudge judge_;
};

// The custom files of one side, their entries read as they load.
class Side final : public InputObserver {
 public:
  // `folder`: the named folder the files are found in, or empty.
  explicit Side(const std::filesystem::path& folder) : prefix_(folder.native()) {
    if (!prefix_.empty() && prefix_.back() != '/') prefix_.push_back('/');
  }

  struct File {
    std::string path;      // as found
    std::string relative;  // to the named folder
    Entries entries;
  };

  void FileLoaded(EntryTree&& tree) override {
    const ItemId root = tree.FirstRoot();
    File& f = files.emplace_back();
    f.path = std::string(tree.Text(root));
    f.relative = Relative(f.path);
    EntriesOf(tree, root, f.entries);
  }
  void Trouble(const ReadTrouble& trouble) override {
    unreadable.push_back(Relative(trouble.path));
    troubles.push_back(trouble);
  }

  // Whether `relative` is, or lies in, something that could not be read:
  // neither side's copy of it is compared.
  bool Unreadable(std::string_view relative) const {
    for (const std::string& u : unreadable) {
      if (relative == u || (relative.starts_with(u) && relative[u.size()] == '/')) return true;
    }
    return false;
  }

  std::vector<File> files;
  std::vector<ReadTrouble> troubles;

 private:
  std::string Relative(const std::string& path) const {
    return path.starts_with(prefix_) ? path.substr(prefix_.size()) : path;
  }

  std::string prefix_;
  std::vector<std::string> unreadable;
};

// Loads both sides at once, A on a thread of its own (loading reads every
// header of both), then reports what could not be read, A's first.
void LoadSides(Differ& differ, Side& sideA, const std::filesystem::path& a, Side& sideB,
               const std::filesystem::path& b) {
  std::thread other;
  try {
    other = std::thread([&] { LoadInputs({a}, sideA); });
  } catch (const std::system_error&) {
    LoadInputs({a}, sideA);
  }
  LoadInputs({b}, sideB);
  if (other.joinable()) other.join();
  for (const Side* side : {&sideA, &sideB}) {
    for (const ReadTrouble& trouble : side->troubles) differ.Trouble(trouble);
  }
}

void DiffFolders(Differ& differ, const Side& sideA, const Side& sideB) {
  const auto skipped = [&](std::string_view relative) {
    return sideA.Unreadable(relative) || sideB.Unreadable(relative);
  };
  std::unordered_map<std::string_view, std::size_t> inA;
  for (std::size_t i = 0; i < sideA.files.size(); ++i) inA.emplace(sideA.files[i].relative, i);
  std::vector<bool> paired(sideA.files.size(), false);
  for (const Side::File& f : sideB.files) {
    const auto it = inA.find(f.relative);
    if (it != inA.end()) paired[it->second] = true;
  }
  // Files of A only are reported as removed before the next file of A that
  // B has too, as entries are.
  std::size_t ai = 0;
  const auto removed = [&](std::size_t to) {
    for (; ai < to; ++ai) {
      const Side::File& f = sideA.files[ai];
      if (!paired[ai] && !skipped(f.relative) && !differ.AllLeaves(f.relative, f.entries, Change::kRemoved))
        return false;
    }
    return true;
  };
  for (const Side::File& f : sideB.files) {
    if (skipped(f.relative)) continue;
    const auto it = inA.find(f.relative);
    if (it == inA.end()) {
      if (!differ.AllLeaves(f.relative, f.entries, Change::kAdded)) return;
      continue;
    }
    if (!removed(it->second)) return;
    const Side::File& old = sideA.files[it->second];
    if (!differ.Files(f.relative, old.path, old.entries, f.path, f.entries)) return;
  }
  removed(sideA.files.size());
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
  Side sideA(folders ? a : ""), sideB(folders ? b : "");
  LoadSides(differ, sideA, a, sideB, b);
  if (folders) {
    DiffFolders(differ, sideA, sideB);
  } else if (sideA.files.size() == 1 && sideB.files.size() == 1) {
    const Side::File &x = sideA.files[0], &y = sideB.files[0];
    differ.Files("", x.path, x.entries, y.path, y.entries);
  }
  differ.Finish();
}

}  // namespace cfv
