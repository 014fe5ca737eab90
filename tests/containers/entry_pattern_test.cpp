#include "containers/entry_pattern.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "containers/entry_filter.h"

namespace cfv {
namespace {

using Mode = EntryPattern::Mode;

// One pattern against one text, as a name (N) or a path (P).
TEST(EntryPattern, MatchesNamesAndPaths) {
  constexpr Mode N = Mode::kName, P = Mode::kPath;
  const std::tuple<const char*, Mode, const char*, bool> cases[] = {
      // clang-format off
      // Names: plain text is found anywhere, ASCII case ignored, nothing else folded.
      {"face", N, "CHARA_FACE.BMP", true}, {"face", N, "chara.bmp", false}, {"BMPZ", N, "face.bmpz", true},
      {"face.bmpx", N, "face.bmp", false}, {"", N, "anything", true}, {"é", N, "É", false},
      {"顔", N, "キャラ顔.bmp", true}, {"a\\b", N, "xa/by", true},
      // Names with wildcards match whole; `*` crosses separators there.
      {"*.bmp", N, "face.bmp", true}, {"*.bmp", N, "face.bmp.txt", false}, {"f?ce*", N, "FACE.BMP", true},
      {"?", N, "顔", true}, {"??", N, "顔", false}, {"a*z", N, "a/b\\c zq", false}, {"a*z", N, "a/b\\cz", true},
      {"***a", N, "bba", true}, {"A*", N, "abc", true},
      // Paths: `*` and `?` stop at `/`, `**` crosses it, `**/` may be empty.
      {"*.bmp", P, "face.bmp", true}, {"*.bmp", P, "chara.npc/face.bmp", false}, {"**/*.bmp", P, "face.bmp", true},
      {"**/*.bmp", P, "a/b/face.BMP", true}, {"**/*.bmp", P, "a/b/face.wav", false},
      {"chara.npc/?ace.bmp", P, "chara.npc/face.bmp", true}, {"chara.npc?face.bmp", P, "chara.npc/face.bmp", false},
      {"chara.npc/**", P, "chara.npc/a/b", true}, {"a**", P, "ab/c", true}, {"a**b", P, "a/xc", false},
      {"a\\b", P, "a/b", true}, {"a/b", P, "a\\b", true}, {"chara.npc", P, "chara.npc/face.bmp", false},
      {"", P, "", true}, {"", P, "a", false},
      // Bytes that are not UTF-8 stand for themselves, one `?` each.
      {"a?b", P, "a\377b", true}, {"a?b", P, "a\xF0\x9F\x98\x80" "b", true}, {"a?b", P, "a\xE0\xA0\x80" "b", true},
      {"a??b", P, "a\343\201b", true}, {"a????b", P, "a\370\200\200\200b", true},
      {"????", P, "\302\242\337\277\357\277\275\364\217\277\277", true}, {"a\200b", P, "a\302\200b", false},
      // clang-format on
  };
  for (const auto& [pattern, mode, text, matches] : cases) {
    EXPECT_EQ(EntryPattern(pattern, mode).Matches(text), matches)
        << pattern << (mode == N ? " (name) " : " (path) ") << text;
  }
}

TEST(EntryPattern, NoBacktrackingBlowUp) {
  // A classic backtracking matcher takes exponential time here.
  std::string pattern;
  for (int i = 0; i < 30; ++i) pattern += "a*";
  for (Mode mode : {Mode::kName, Mode::kPath})
    EXPECT_FALSE(EntryPattern(pattern + "b", mode).Matches(std::string(5000, 'a')));
  // Patterns longer than the inline state set still work.
  const std::string longText(2000, 'x');
  EXPECT_TRUE(EntryPattern(std::string(1500, '?') + "*", Mode::kPath).Matches(longText));
  EXPECT_FALSE(EntryPattern(std::string(2001, '?'), Mode::kPath).Matches(longText));
}

// A tree from each item's parent (kNoItem: a root) and text, in id order.
EntryTree Tree(const std::vector<ItemId>& parents, const std::vector<const char*>& texts) {
  EntryTree tree;
  for (std::size_t i = 0; i < parents.size(); ++i) tree.AppendItem(parents[i], texts[i]);
  return tree;
}

TEST(EntryPattern, ChecksEntriesByPath) {
  // game.god -> chara.npc (-> face.bmp, voice\hi.wav), face.bmp, readme.t; other.god -> face.bmp
  EntryTree tree =
      Tree({kNoItem, 0, 1, 1, 0, 0, kNoItem, 6}, {"/x/game.god", "chara.npc", "face.bmp", "voice\\hi.wav",
                                                  "face.bmp", "readme.t", "/x/other.god", "face.bmp"});
  // Rows: includes, excludes, and which items end up checked (one 0/1 per item, in id order).
  using Patterns = std::vector<std::string>;
  const std::tuple<Patterns, Patterns, const char*> cases[] = {
      // clang-format off
      {{}, {}, "01111101"}, {{"**/*.bmp"}, {}, "00101001"}, {{"chara.npc"}, {"**/*.wav"}, "01100000"},
      {{}, {"chara.npc"}, "00001101"}, {{"chara.npc/voice/*"}, {}, "00010000"},
      {{"*.bmp", "readme.*"}, {"face.bmp"}, "00000100"}, {{"nothing"}, {}, "00000000"},
      // clang-format on
  };
  for (const auto& [includeTexts, excludeTexts, expected] : cases) {
    std::vector<EntryPattern> includes, excludes;
    for (const std::string& p : includeTexts) includes.emplace_back(p, Mode::kPath);
    for (const std::string& p : excludeTexts) excludes.emplace_back(p, Mode::kPath);
    tree.CheckAll(true);
    const std::uint32_t count = CheckEntriesByPath(tree, includes, excludes);
    std::string picked;
    for (ItemId id = 0; id < tree.Size(); ++id) picked += tree.IsChecked(id) ? '1' : '0';
    EXPECT_EQ(picked, expected) << (includeTexts.empty() ? "" : includeTexts.front());
    EXPECT_EQ(count, static_cast<std::uint32_t>(std::count(picked.begin(), picked.end(), '1')));
  }
}

// The shown items in pre-order, one "depth:text" each.
std::vector<std::string> ShownLines(const EntryTree& tree, const EntryFilter& filter) {
  std::vector<std::string> lines;
  const auto walk = [&](const auto& self, ItemId parent, int depth) -> void {
    for (std::uint32_t row = 0; row < filter.ShownChildCount(parent); ++row) {
      const ItemId item = filter.ShownChild(parent, row);
      EXPECT_EQ(filter.ShownRow(item), row);
      lines.push_back(std::to_string(depth) + ":" + std::string(tree.Text(item)));
      self(self, item, depth + 1);
    }
  };
  walk(walk, kNoItem, 0);
  return lines;
}

TEST(EntryFilter, ShowsMatchesWithTheirAncestorsAndTakesInLaterFiles) {
  // a.god -> chara.npc (-> face.bmp, motion.cmp -> walk.bmp), readme.t; b.god -> face.wav. walk.bmp
  // is appended after readme.t, still under motion.cmp.
  EntryTree tree = Tree({kNoItem, 0, 1, 1, 0, 3, kNoItem, 6}, {"a.god", "chara.npc", "face.bmp", "motion.cmp",
                                                               "readme.t", "walk.bmp", "b.god", "face.wav"});
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"FACE", {"0:a.god", "1:chara.npc", "2:face.bmp", "0:b.god", "1:face.wav"}},
      {"chara.npc", {"0:a.god", "1:chara.npc"}},
      {"nothing", {}},
  };
  for (const auto& [pattern, shown] : cases) {
    EntryFilter filter(EntryPattern(pattern, EntryPattern::Mode::kName));
    filter.Extend(tree);
    filter.Publish(tree);
    EXPECT_EQ(ShownLines(tree, filter), shown) << pattern;
  }
  // A file loaded while the filter is on is taken in, after what was shown (walk.bmp: a match under a match).
  EntryFilter filter(EntryPattern("*.bmp", EntryPattern::Mode::kName));
  filter.Extend(tree);
  filter.Publish(tree);
  tree.AppendTree(Tree({kNoItem, 0, 0, 0}, {"c.god", "x.t", "y.bmp", "z.bmp"}));
  EXPECT_TRUE(filter.ShownChildCount(8) == 0 && filter.ShownChild(8, 0) == kNoItem);  // c.god, not seen yet
  EXPECT_EQ(filter.Extend(tree), 1u);
  EXPECT_EQ(filter.ShownChildCount(kNoItem), 1u);  // not before Publish
  filter.Publish(tree);
  EXPECT_EQ(ShownLines(tree, filter),
            (std::vector<std::string>{"0:a.god", "1:chara.npc", "2:face.bmp", "2:motion.cmp", "3:walk.bmp",
                                      "0:c.god", "1:y.bmp", "1:z.bmp"}));
  EXPECT_EQ(filter.Matching().size(), 4u);
  EXPECT_EQ(filter.ShownChild(1, 2), kNoItem);  // past chara.npc's last shown child
  EXPECT_TRUE(!filter.Shown(6) && filter.Shown(1) && !filter.Matches(1));  // b.god; chara.npc, an ancestor
}

}  // namespace
}  // namespace cfv
