// Whether a custom file is well formed: every list of entries fills its
// block exactly, every entry can be read back as what it is meant to be.
//
// Readers are lenient (a list ends at the first bytes that are no header, a
// damaged stream reads as its stored bytes), so a damaged file still shows
// what it holds; this check names what they passed over. Structural
// problems mean the tree does not describe every byte of the file: a writer
// refuses such a file, since it could not copy it faithfully. Stream
// problems are payloads that look like a compressed stream and fail late:
// readers take their stored bytes, which is rarely what was meant.
//
// Thread: any; the file is the caller's and is read with pread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cfv {

class CustomFile;

struct FileProblem {
  enum class Kind {
    kLeftover,  // bytes at the end of a list that are no entry
    kOverrun,   // an entry running past the end of its branch or of the file
    kSize,      // a header whose size is below 50, so it cannot hold itself
    kOffset,    // an entry header at or past 2 GiB, where 32-bit signed offsets end
    kDepth,     // an entry at the deepest level whose payload starts with a header
    kStream,    // a payload that begins as a zlib or gzip stream and fails late
  };
  Kind kind;
  std::uint64_t offset = 0;  // the entry's header, or the first byte left over
  std::string path;          // the entry's path ('/'-joined stored names), or the branch's for kLeftover
  std::string text;          // what is wrong, in English words
};

// The problem kind as a word: leftover, overrun, size, offset, depth, stream.
const char* ProblemKindName(FileProblem::Kind kind);
// Whether a problem of this kind means the tree does not describe the file.
bool IsStructural(FileProblem::Kind kind);

struct VerifyReport {
  bool customFile = false;  // the first 50 bytes form a usable entry header
  int readError = 0;        // errno of a read that failed (the walk stopped there), else 0
  std::vector<FileProblem> problems;
};

// Walks `file` from offset 0. With `streams`, also inflates every payload
// that begins as a zlib or gzip stream (else only headers are read). With
// `nameFields`, appends every entry's name field (HeaderNameField) in
// pre-order: for a file without structural problems, the order in which
// the loader makes their items.
VerifyReport VerifyCustomFile(CustomFile& file, bool streams, std::vector<std::string>* nameFields = nullptr);

}  // namespace cfv
