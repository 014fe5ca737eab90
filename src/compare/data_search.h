// Searching the data of entries: the one search behind `tazor-cfv grep` (and
// the window's search, as a job).
//
// A text pattern is encoded to code page 932 and found as bytes at the
// character boundaries of the data read as code page 932 text, the way the
// text preview divides it (a match never starts on the second byte of a
// two-byte character), within one line: a match never holds a line feed,
// nor the carriage return of a CR LF. Ignoring case folds the ASCII letters
// of single-byte characters only, so `a` never matches the second byte of
// ア (83 41). A byte pattern (hex) is found anywhere, overlapping matches
// included.
//
// Thread: a compiled pattern is immutable; Scan may run on any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "compare/input_files.h"

namespace cfv {

// One match in an entry's data.
struct DataMatch {
  std::size_t offset = 0;  // of its first byte
  // Text patterns only: the line's number (from 1) and its bytes
  // [lineStart, lineEnd), without its line end.
  std::size_t line = 0;
  std::size_t lineStart = 0;
  std::size_t lineEnd = 0;
};

// What to do after a match: go on with the next one, skip the rest of its
// line (text patterns), or skip the rest of the entry.
enum class SearchStep { kNext, kNextLine, kNextEntry };

class DataPattern {
 public:
  enum class Error { kNone, kEmpty, kNoCp932Form, kNotHex, kIgnoreCaseWithHex };

  // A text pattern (UTF-8), or with `hex` bytes written as pairs of hex
  // digits, blanks allowed between the pairs ("DE AD BE EF").
  DataPattern(std::string_view pattern, bool hex, bool ignoreCase);

  Error error() const { return error_; }
  bool hex() const { return hex_; }

  // Calls `found` for each match in data[0, size), in order.
  void Scan(const unsigned char* data, std::size_t size,
            const std::function<SearchStep(const DataMatch&)>& found) const;

 private:
  void ScanText(const unsigned char* data, std::size_t size,
                const std::function<SearchStep(const DataMatch&)>& found) const;
  bool SameIgnoringCase(const unsigned char* at) const;
  const unsigned char* Needle() const { return reinterpret_cast<const unsigned char*>(bytes_.data()); }

  Error error_ = Error::kNone;
  bool hex_ = false;
  bool ignoreCase_ = false;
  std::string bytes_;        // what is found: the pattern's bytes (ASCII letters lower-cased with ignoreCase)
  std::string exact_;        // with ignoreCase: the pattern's bytes as typed
  std::vector<bool> folds_;  // with ignoreCase: which bytes are single-byte characters (case folds there)
  bool endsInCr_ = false;    // a match at a line end would hold the CR of a CR LF
};

// One leaf searched, as the observer sees it when it matches.
struct SearchedEntry {
  std::string_view file;  // the custom file as named or found
  std::string_view path;  // the entry's path inside it (EntryPathOf)
  bool binary = false;    // previewed as Image or Sound
  const unsigned char* data = nullptr;
  std::size_t size = 0;
};

class SearchObserver {
 public:
  virtual ~SearchObserver() = default;
  virtual SearchStep Match(const SearchedEntry& entry, const DataMatch& match) = 0;
  // After an entry with `matches` matches (at least one).
  virtual void EntryDone(const SearchedEntry& entry, std::size_t matches) {
    (void)entry;
    (void)matches;
  }
  virtual void Trouble(const ReadTrouble& trouble) = 0;
};

// Searches the data of every leaf (inflated as ExtractEntry gives it) of the
// custom files `paths` name (files and folders, loaded as LoadInputs does),
// in file order. A file whose entry cannot be read is left after it (a
// trouble).
void SearchCustomFiles(const std::vector<std::filesystem::path>& paths, const DataPattern& pattern,
                       SearchObserver& observer);

}  // namespace cfv
