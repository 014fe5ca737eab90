// CustomFileWriter: writes the custom file an EditTree describes, and proves
// it reads back as meant before anyone may use it.
//
// The plan lays the entries out end to end: untouched entries as ranges of
// the source file (copied without passing through this process where the
// kernel can, copy_file_range), touched ones as new headers with their new
// sizes and the new or source payloads. Check() looks for the format's
// traps on the planned bytes themselves, with the loader's own walk, before
// anything is written: data that would read back as a branch, stored data
// that would inflate, compressed data that would read back as stored, a
// short leaf whose 50-byte candidate header, running into the bytes after
// it, would be valid, a branch with no entries, nesting past 64 levels, a
// size above 999,999,999, a header at or past 2 GiB. WriteTo() writes the
// bytes into a pending file and loads them back from there: the header walk
// of the whole file and the extraction of every new payload must give the
// intended tree and data, else nothing may take the target's name.
//
// Thread: one owner; the source descriptor is read with pread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "edit/edit_tree.h"

namespace cfv {

class PendingFile;

class CustomFileWriter {
 public:
  // An entry that cannot be written as meant: its path (EditTree::PathOf;
  // "" for the file as a whole) and why, in English words.
  struct Problem {
    std::string path;
    std::string text;
  };

  // Plans `tree`, whose untouched bytes are read from `sourceFd` (-1 when
  // every entry is new). Both are borrowed for the writer's life.
  CustomFileWriter(const EditTree& tree, int sourceFd);

  // The format's traps on the planned bytes; empty when the file can be
  // written. `*readError` is set (errno) when the source could not be read.
  std::vector<Problem> Check(int* readError);

  // The planned file's size, and a node's planned size field.
  std::uint64_t FileSize() const { return fileSize_; }
  std::uint64_t SizeOf(EditTree::NodeId node) const { return sizes_[node]; }
  // Where each node's header lies in the planned file, by node (entries
  // removed from the tree: 0), and each node's planned size (0 below an
  // untouched entry, whose size is its source's): for EditTree::Rebase
  // once the file is written.
  const std::vector<std::uint64_t>& Offsets() const { return offsets_; }
  const std::vector<std::uint64_t>& Sizes() const { return sizes_; }

  // Writes the planned bytes into `pending` and reads them back from it.
  // False when writing or reading failed (`*error` = errno) or the file
  // reads back otherwise than meant (`problems`).
  bool WriteTo(PendingFile& pending, std::vector<Problem>& problems, int* error);

 private:
  struct Segment {
    enum class Kind { kSource, kHeader, kPayload };
    Kind kind = Kind::kSource;
    std::uint64_t at = 0;  // offset in the new file
    std::uint64_t length = 0;
    std::uint64_t from = 0;  // offset in the source, in headers_, or in *payload
    const std::string* payload = nullptr;
  };
  // What the loader must find: one line per entry in pre-order.
  struct Expected {
    EditTree::NodeId node;
    unsigned level;
    std::uint64_t offset;
    std::string name;
    bool hasChildren;
  };
  friend class PlannedBytes;

  std::uint64_t Measure(EditTree::NodeId node);
  // Lays out `node` at `at` (moved past it), its header and payload or its
  // source range; Expect records what the loader must find there.
  void Lay(EditTree::NodeId node, unsigned level, std::uint64_t& at);
  void Expect(EditTree::NodeId node, unsigned level, std::uint64_t at);
  void AddSegment(Segment segment);
  // The new bytes of a header or payload segment.
  const char* Bytes(const Segment& segment) const;
  // The first difference between what a load found and what was meant.
  bool Compare(const EntryTree& loaded, std::vector<Problem>& problems) const;

  const EditTree& tree_;
  int sourceFd_;
  std::vector<std::uint64_t> sizes_;
  std::vector<std::uint64_t> offsets_;
  std::uint64_t fileSize_ = 0;
  std::vector<Segment> segments_;
  std::string headers_;  // every new header, 50 bytes each
  std::vector<Expected> expected_;
  std::vector<Problem> planProblems_;
};

// Copies `length` bytes from `from` at `fromOffset` to the end of `to`,
// inside the kernel where it can (copy_file_range), else through a buffer.
// False on a read or write error, errno set.
bool CopyFileRange(int from, std::uint64_t fromOffset, int to, std::uint64_t length);

}  // namespace cfv
