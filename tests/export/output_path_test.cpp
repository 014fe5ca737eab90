#include "export/output_path.h"

#include <gtest/gtest.h>

#include <string>

#include "export/export_user.h"
#include "shell/text_format.h"
#include "shell/texts.h"

namespace cfv {
namespace {

struct ComponentCase {
  const char* name;
  std::vector<std::string> components;
  bool leaves;
};

class NameComponents : public ::testing::TestWithParam<ComponentCase> {};

TEST_P(NameComponents, StoredAsWindowsStoresThem) {
  OutputPath path;
  AppendNameComponents(GetParam().name, path);
  EXPECT_EQ(path.components, GetParam().components);
  EXPECT_EQ(path.leavesExportFolder, GetParam().leaves);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NameComponents,
    ::testing::Values(ComponentCase{"a.t", {"a.t"}, false}, ComponentCase{"sub\\a.t", {"sub", "a.t"}, false},
                      ComponentCase{"sub/a.t", {"sub", "a.t"}, false},
                      ComponentCase{"abc ", {"abc"}, false},     // trailing blank of a branch folder
                      ComponentCase{"x...", {"x"}, false},       // trailing dots
                      ComponentCase{"x. . ", {"x"}, false},      // mixed trailing dots and blanks
                      ComponentCase{" lead", {" lead"}, false},  // leading blanks stay
                      ComponentCase{"a\\\\b//c", {"a", "b", "c"}, false},  // empty components vanish
                      ComponentCase{"\\abs\\x", {"abs", "x"}, false},      // no way to the file system root
                      ComponentCase{"/etc/x", {"etc", "x"}, false},
                      ComponentCase{"C:\\x", {"C:", "x"}, false},  // a drive is a folder inside
                      ComponentCase{".", {}, false}, ComponentCase{"...", {}, false},
                      ComponentCase{"", {}, false}, ComponentCase{"..", {".."}, true},
                      ComponentCase{"..\\..\\x", {"..", "..", "x"}, true},
                      ComponentCase{"a/../../x", {"a", "..", "..", "x"}, true},
                      ComponentCase{"a\\..", {"a", ".."}, true}),
    [](const auto& row) { return std::to_string(row.index); });

TEST(ExportFolderOf, CutsTheExtensionOfTheLastComponentOnly) {
  EXPECT_EQ(ExportFolderOf("/games/hero.npc"), "/games/hero");
  EXPECT_EQ(ExportFolderOf("/games/hero.v2.npc"), "/games/hero.v2");
  EXPECT_EQ(ExportFolderOf("hero.npc"), "hero");
  EXPECT_EQ(ExportFolderOf("../hero.npc"), "../hero");
  EXPECT_EQ(ExportFolderOf("/games.d/hero"), "/games.d/hero");  // no extension: the file's own path
  EXPECT_EQ(ExportFolderOf("/games/.npc"), "/games/.npc");      // a leading dot is no extension
}

TEST(BuildItemPath, EachBranchAddsOneLevelWithoutItsExtension) {
  EntryTree tree;
  const ItemId root = tree.AppendItem(kNoItem, "/games/hero.npc");
  const ItemId body = tree.AppendItem(root, "body.cmp");
  const ItemId leaf = tree.AppendItem(body, "a.t");
  const ItemId named = tree.AppendItem(body, "sub\\b.t");
  EXPECT_EQ(BuildItemPath(tree, root).Text(), "/games/hero");
  EXPECT_EQ(BuildItemPath(tree, body).Text(), "/games/hero/body");
  EXPECT_EQ(BuildItemPath(tree, leaf).Text(), "/games/hero/body/a");
  EXPECT_EQ(BuildItemPath(tree, named).Text(), "/games/hero/body/sub/b");
  EXPECT_EQ(ItemFolder(tree, leaf).Text(), "/games/hero/body");
  EXPECT_EQ(ItemFolder(tree, named).Text(), "/games/hero/body/sub");
  EXPECT_EQ(ItemFolder(tree, body).Text(), "/games/hero");
}

TEST(BuildItemPath, ADotDotNameRefusesItsItemAndEverythingBelow) {
  EntryTree tree;
  const ItemId root = tree.AppendItem(kNoItem, "/games/hero.npc");
  const ItemId up = tree.AppendItem(root, "..");  // stem "." vanishes, the name still refuses
  const ItemId below = tree.AppendItem(up, "a.t");
  const ItemId fine = tree.AppendItem(root, "b.t");
  EXPECT_TRUE(BuildItemPath(tree, up).leavesExportFolder);
  EXPECT_TRUE(BuildItemPath(tree, below).leavesExportFolder);
  EXPECT_TRUE(ItemFolder(tree, below).leavesExportFolder);
  EXPECT_FALSE(BuildItemPath(tree, fine).leavesExportFolder);
}

TEST(ExportTexts, MessagesFormatWithTheTargetPath) {
  EXPECT_EQ(FormatText(texts::kExportOverwriteQuestion.english, {"/g/hero/a.txt"}),
            "File [/g/hero/a.txt] is already exists.\r\nOverwrite?");
  EXPECT_EQ(FormatText(texts::kExportWriteError.In(UiLanguage::Japanese), {"/x"}),
            "ファイルの書き込みに失敗しました。\r\n[/x]");
  EXPECT_EQ(WithUnixLineBreaks("a\r\nb\nc\r"), "a\nb\nc\r");
}

}  // namespace
}  // namespace cfv
