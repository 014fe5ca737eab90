// EntryPattern: the one wildcard matcher behind the window's filter box and
// the command line's --include and --exclude, so that both agree on what a
// pattern finds.
//
// `*` stands for any run of characters, `?` for exactly one character (one
// UTF-8 code point, never part of one); every other character stands for
// itself, ASCII letters ignoring case. A `\` counts as `/`, in the pattern
// and in the text alike, since entry names use either as a separator.
//
// Two ways to match:
//  - kName, for an item's name in the filter box: a pattern without `*` or
//    `?` is found anywhere in the text; with either, it must match the whole
//    text, and `*` crosses `/`.
//  - kPath, for an entry's path inside its custom file (EntryPathOf): the
//    whole path must match; `*` and `?` never cross `/`, `**` does, and
//    `**/` also stands for nothing, so `**/*.bmp` finds top-level entries.
//
// Matching runs in time proportional to the text's length times the
// pattern's, never more: no input makes it backtrack.
//
// Thread: a compiled pattern is immutable; Matches() may run on any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "containers/entry_tree.h"

namespace cfv {

class EntryPattern {
 public:
  enum class Mode { kName, kPath };

  EntryPattern(std::string_view pattern, Mode mode);

  bool Matches(std::string_view text) const;

 private:
  enum class Kind : std::uint8_t { kLiteral, kOne, kStar, kGlobStar, kSegments };
  struct Token {
    Kind kind;
    char32_t ch;  // kLiteral only, ASCII folded to lower case
  };

  Mode mode_;
  // No wildcard in a kName pattern: a plain search for the folded text.
  bool plain_ = false;
  std::string folded_;
  std::vector<Token> tokens_;
  // The pattern's trailing literal characters, as far as they are ASCII
  // (folded, `\` as `/`): a quick test that rejects most texts.
  std::string asciiTail_;
};

// The path of `item` inside its custom file: the stored names of the items
// from the custom file's first level down to `item`, joined by `/`, with any
// `\` inside a name read as `/`. A root item's path is empty.
std::string EntryPathOf(const EntryTree& tree, ItemId item);

// Checks the entries that a command line's --include and --exclude patterns
// (kPath) pick, and unchecks every other item. An item is picked when it or
// one of its branches matches an include (every item, when there is none)
// and neither it nor one of its branches matches an exclude: a pattern that
// matches a branch speaks for everything below it, and exclusion wins.
// Returns the number of items checked. Root items are never checked.
std::uint32_t CheckEntriesByPath(EntryTree& tree, const std::vector<EntryPattern>& includes,
                                 const std::vector<EntryPattern>& excludes);

}  // namespace cfv
