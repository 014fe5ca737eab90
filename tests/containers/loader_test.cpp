#include "containers/loader.h"

#include <gtest/gtest.h>

#include "custom_file_builder.h"

namespace cfv {
namespace {

using test::Branch;
using test::Leaf;

// The worked example: a 330-byte file with a branch E1 (E2, E3) and a leaf E4.
TEST(Loader, WorkedExample) {
  test::TempDir dir;
  const std::string bytes =
      test::Serialize({Branch("E1", {Leaf("E2", std::string(30, 'x')), Leaf("E3", std::string(50, 'y'))}),
                       Leaf("E4", std::string(50, 'z'))});
  ASSERT_EQ(bytes.size(), 330u);
  test::WriteFile(dir / "a.god", bytes);

  EntryTree tree;
  ASSERT_TRUE(LoadCustomFile(dir / "a.god", "root", tree));
  std::vector<std::string> seen;
  tree.ForEachPreOrder(kNoItem, [&](ItemId id, unsigned depth) {
    seen.push_back(std::to_string(depth) + ":" + std::string(tree.Text(id)) + "@" +
                   std::to_string(tree.Data(id)) + (tree.HasChildren(id) ? "+" : ""));
  });
  EXPECT_EQ(seen, (std::vector<std::string>{"0:root@0+", "1:E1@0+", "2:E2@50", "2:E3@130", "1:E4@230"}));
}

}  // namespace
}  // namespace cfv
