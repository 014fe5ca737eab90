#include "containers/entry_pattern.h"

#include <algorithm>
#include <array>
#include <span>

namespace cfv {
namespace {

constexpr char32_t Fold(char32_t c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }

// Reads the code point at `i` and steps over it. A byte that does not start
// a well-formed sequence stands for itself, kept apart from every real code
// point, so any byte string can be matched.
char32_t NextCodePoint(std::string_view s, std::size_t& i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = byte(i);
  std::size_t length = 0;
  char32_t c = 0;
  if (lead < 0x80) {
    ++i;
    return lead == '\\' ? U'/' : lead;
  }
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    c = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    c = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    c = lead & 0x07;
  }
  bool wellFormed = length != 0 && i + length <= s.size();
  for (std::size_t k = 1; wellFormed && k < length; ++k) {
    wellFormed = (byte(i + k) & 0xC0) == 0x80;
    c = (c << 6) | (byte(i + k) & 0x3F);
  }
  if (!wellFormed) {
    ++i;
    return 0x110000 + lead;
  }
  i += length;
  return c;
}

bool FoldedEqual(std::string_view text, std::size_t at, std::string_view folded) {
  for (std::size_t k = 0; k < folded.size(); ++k) {
    char c = text[at + k];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
    if (c == '\\') c = '/';
    if (c != folded[k]) return false;
  }
  return true;
}

}  // namespace

EntryPattern::EntryPattern(std::string_view pattern, Mode mode) : mode_(mode) {
  plain_ = mode == Mode::kName && pattern.find_first_of("*?") == std::string_view::npos;
  if (plain_) {
    // UTF-8 keeps ASCII bytes out of multi-byte sequences, so folding and
    // searching byte by byte is exact.
    for (char c : pattern) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
      folded_.push_back(c == '\\' ? '/' : c);
    }
    return;
  }
  std::size_t i = 0;
  while (i < pattern.size()) {
    const char32_t c = NextCodePoint(pattern, i);
    if (c == U'?') {
      tokens_.push_back({Kind::kOne, 0});
    } else if (c != U'*') {
      tokens_.push_back({Kind::kLiteral, Fold(c)});
    } else if (mode == Mode::kName) {
      // Runs of stars mean what one star means.
      if (tokens_.empty() || tokens_.back().kind != Kind::kStar) tokens_.push_back({Kind::kStar, 0});
    } else if (pattern.substr(i, 1) == "*") {
      i = std::min(pattern.find_first_not_of('*', i), pattern.size());
      const bool slash = pattern.substr(i, 1) == "/" || pattern.substr(i, 1) == "\\";
      if (slash) ++i;
      tokens_.push_back({slash ? Kind::kSegments : Kind::kGlobStar, 0});
    } else {
      tokens_.push_back({Kind::kStar, 0});
    }
  }
  for (auto t = tokens_.rbegin(); t != tokens_.rend() && t->kind == Kind::kLiteral && t->ch < 0x80; ++t)
    asciiTail_.insert(asciiTail_.begin(), static_cast<char>(t->ch));
}

bool EntryPattern::Matches(std::string_view text) const {
  if (plain_) {
    if (folded_.size() > text.size()) return false;
    for (std::size_t at = 0; at + folded_.size() <= text.size(); ++at) {
      if (FoldedEqual(text, at, folded_)) return true;
    }
    return false;
  }
  // A text's last ASCII bytes are its last characters: when they are not
  // the pattern's last, literal ones, nothing more needs looking at
  // (--include over a million entries mostly ends here). A text of fewer
  // bytes has fewer characters than those.
  if (!asciiTail_.empty()) {
    if (text.size() < asciiTail_.size()) return false;
    std::size_t ascii = 0;
    while (ascii < asciiTail_.size() && static_cast<unsigned char>(text[text.size() - 1 - ascii]) < 0x80)
      ++ascii;
    if (!FoldedEqual(text, text.size() - ascii,
                     std::string_view(asciiTail_).substr(asciiTail_.size() - ascii)))
      return false;
  }
  // A set of pattern positions (state k: the first k tokens are matched),
  // stepped along the text one code point at a time.
  const std::size_t states = tokens_.size() + 1;
  const std::size_t words = (states + 63) / 64;
  std::array<std::uint64_t, 16> inlineStorage{};
  std::vector<std::uint64_t> heapStorage;
  std::span<std::uint64_t> storage(inlineStorage);
  if (2 * words > inlineStorage.size()) {
    heapStorage.resize(2 * words);
    storage = heapStorage;
  }
  std::span<std::uint64_t> current = storage.subspan(0, words);
  std::span<std::uint64_t> next = storage.subspan(words, words);
  const auto has = [](std::span<std::uint64_t> set, std::size_t k) { return (set[k / 64] >> (k % 64)) & 1; };
  const auto add = [](std::span<std::uint64_t> set, std::size_t k) {
    set[k / 64] |= std::uint64_t{1} << (k % 64);
  };
  // A star of any kind may stand for nothing.
  const auto close = [&](std::span<std::uint64_t> set) {
    for (std::size_t k = 0; k < tokens_.size(); ++k) {
      if (has(set, k) && tokens_[k].kind != Kind::kLiteral && tokens_[k].kind != Kind::kOne) add(set, k + 1);
    }
  };
  add(current, 0);
  close(current);
  const bool path = mode_ == Mode::kPath;
  std::size_t i = 0;
  while (i < text.size()) {
    const char32_t c = Fold(NextCodePoint(text, i));
    const bool separator = path && c == U'/';
    for (std::uint64_t& w : next) w = 0;
    for (std::size_t w = 0; w < words; ++w) {
      for (std::uint64_t bits = current[w]; bits != 0; bits &= bits - 1) {
        const std::size_t k = w * 64 + static_cast<std::size_t>(__builtin_ctzll(bits));
        if (k == tokens_.size()) continue;
        const Token& t = tokens_[k];
        switch (t.kind) {
          case Kind::kLiteral:
            if (t.ch == c) add(next, k + 1);
            break;
          case Kind::kOne:
            if (!separator) add(next, k + 1);
            break;
          case Kind::kStar:
            if (!separator) add(next, k);
            break;
          case Kind::kGlobStar:
            add(next, k);
            break;
          case Kind::kSegments:
            add(next, k);
            if (separator) add(next, k + 1);
            break;
        }
      }
    }
    bool any = false;
    for (std::uint64_t w : next) any = any || w != 0;
    if (!any) return false;
    close(next);
    std::swap(current, next);
  }
  return has(current, tokens_.size());
}

std::string EntryPathOf(const EntryTree& tree, ItemId item) {
  std::vector<ItemId> chain;
  for (ItemId at = item; tree.Parent(at) != kNoItem; at = tree.Parent(at)) chain.push_back(at);
  std::string path;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (!path.empty()) path.push_back('/');
    for (char c : tree.Text(*it)) path.push_back(c == '\\' ? '/' : c);
  }
  return path;
}

std::uint32_t CheckEntriesByPath(EntryTree& tree, const std::vector<EntryPattern>& includes,
                                 const std::vector<EntryPattern>& excludes) {
  const auto matchesAny = [](const std::vector<EntryPattern>& patterns, std::string_view path) {
    for (const EntryPattern& p : patterns) {
      if (p.Matches(path)) return true;
    }
    return false;
  };
  // Per depth of the walk: the length of the path so far and whether an
  // include or an exclude already spoke for the branch at that depth.
  struct Level {
    std::size_t pathLength;
    bool included;
    bool excluded;
  };
  std::vector<Level> levels;
  std::string path;
  std::uint32_t checked = 0;
  tree.ForEachPreOrder(kNoItem, [&](ItemId item, unsigned depth) {
    levels.resize(depth);
    if (depth == 0) {
      path.clear();
      tree.SetChecked(item, false);
      levels.push_back({0, includes.empty(), false});
      return;
    }
    const Level& parent = levels.back();
    path.resize(parent.pathLength);
    if (depth > 1) path.push_back('/');
    for (char c : tree.Text(item)) path.push_back(c == '\\' ? '/' : c);
    const bool excluded = parent.excluded || matchesAny(excludes, path);
    const bool included = parent.included || (!excluded && matchesAny(includes, path));
    const bool pick = included && !excluded;
    tree.SetChecked(item, pick);
    checked += pick ? 1 : 0;
    levels.push_back({path.size(), included, excluded});
  });
  return checked;
}

}  // namespace cfv
