// Comparing two versions of custom files: which entries changed, were
// recompressed, added or removed. The one comparison behind `tazor-cfv diff`
// (and the window's compare, as a job: it stops when the observer says so).
//
// A and B are two custom files, or two folders whose custom files (found as
// `list` finds them) are paired by their paths relative to A and B. Entries
// are paired by their path inside their custom file (EntryPathOf); entries
// that share a path are paired in file order. Only leaves are reported:
//   - a pair of leaves is the same, kChanged (the data differs after
//     inflation) or kRecompressed (the same data, other stored bytes); the
//     stored payloads are compared first, and only when they differ is
//     either inflated;
//   - a branch present on both sides is never reported itself: its entries
//     are paired by their own paths; one on one side only (unpaired, or
//     paired with a leaf) is reported as its leaves, kRemoved or kAdded;
//   - a leaf that became a branch is kRemoved, then the branch's leaves
//     kAdded (and the other way round: the branch's leaves kRemoved, then
//     the leaf kAdded);
//   - a custom file on one side only is reported as its leaves.
// Differences come in B's order, each removal just before the first
// difference that follows it in A's order.
//
// Thread: any; the observer is called on the calling thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "compare/input_files.h"

namespace cfv {

enum class Change : char { kChanged = 'M', kRecompressed = 'R', kAdded = 'A', kRemoved = 'D' };

struct Difference {
  Change kind = Change::kChanged;
  // The custom file's path relative to the compared folders; empty when two
  // custom files are compared.
  std::string_view file;
  std::string_view path;  // the entry's path inside its custom file
  // The data lengths after inflation, of A's entry and B's (kChanged only).
  std::uint64_t oldLength = 0;
  std::uint64_t newLength = 0;
};

class DiffObserver {
 public:
  virtual ~DiffObserver() = default;
  // One difference. Returning false stops the comparison.
  virtual bool Found(const Difference& difference) = 0;
  // Something could not be read: a file (or what is left of it after an
  // entry that could not be read) is left out of the comparison.
  virtual void Trouble(const ReadTrouble& trouble) = 0;
};

// Compares `a` (the old version) with `b` (the new one).
void DiffVersions(const std::filesystem::path& a, const std::filesystem::path& b, DiffObserver& observer);

}  // namespace cfv
