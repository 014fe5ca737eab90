#include "containers/entry_header.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "containers/loader.h"
#include "custom_file_builder.h"
#include "tree_lines.h"

namespace cfv {
namespace {

using namespace std::string_literals;

// A raw 50-byte header: `name` NUL-padded to 40 bytes, `size` NUL-padded to
// 10 bytes. Both are taken byte for byte (no code page conversion), so any
// byte can be placed anywhere.
std::string RawHeader(const std::string& name, const std::string& size) {
  std::string h(kEntryHeaderSize, '\0');
  h.replace(0, std::min<std::size_t>(name.size(), kNameFieldSize), name.substr(0, kNameFieldSize));
  h.replace(kNameFieldSize, std::min<std::size_t>(size.size(), kSizeFieldSize),
            size.substr(0, kSizeFieldSize));
  return h;
}

const unsigned char* Bytes(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

struct HeaderCase {
  const char* what;
  std::string name;
  std::string size;
  bool valid;           // IsEntryHeader
  bool usable;          // IsUsableEntryHeader (valid and size >= 50)
  std::uint64_t value;  // HeaderSizeValue
};

class HeaderRules : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderRules, Classifies) {
  const HeaderCase& c = GetParam();
  const std::string h = RawHeader(c.name, c.size);
  ASSERT_EQ(h.size(), 50u);
  EXPECT_EQ(IsEntryHeader(Bytes(h)), c.valid);
  EXPECT_EQ(IsUsableEntryHeader(Bytes(h)), c.usable);
  EXPECT_EQ(HeaderSizeValue(Bytes(h)), c.value);
}

const HeaderCase kHeaderCases[] = {
    // Good headers.
    {"plain name", "abc.t", "50", true, true, 50},
    {"empty name", "", "60", true, true, 60},
    {"forty text bytes, no NUL", std::string(40, 'A'), "123", true, true, 123},
    {"TAB LF CR in name", "a\tb\nc\rd", "50", true, true, 50},
    {"space and DEL", " \x7F", "50", true, true, 50},
    {"high bytes 0x80..0xFF", "\x80\x83\x66\xA0\xFF", "50", true, true, 50},
    {"nine digits then NUL", "x", "000000050", true, true, 50},
    {"largest size", "x", "999999999", true, true, 999999999},
    {"leading zeros", "x", "0000100", true, true, 100},
    // Sizes 1..49 pass the five rules but cannot describe an entry.
    {"size 1", "x", "1", true, false, 1},
    {"size 49", "x", "49", true, false, 49},
    {"size 049", "x", "049", true, false, 49},
    // Name field faults.
    {"text after NUL", "abc\0d"s, "50", false, false, 50},
    {"ESC in name", "a\x1B", "50", false, false, 50},
    {"0x01 in name", "\x01", "50", false, false, 50},
    {"0x08 in name", "ab\x08", "50", false, false, 50},
    {"0x0B in name", "\x0B", "50", false, false, 50},
    {"0x0C in name", "\x0C", "50", false, false, 50},
    {"0x0E in name", "\x0E", "50", false, false, 50},
    {"0x1F in name", "\x1F", "50", false, false, 50},
    {"bad byte in last name position", std::string(39, 'a') + "\x1F", "50", false, false, 50},
    {"text in last name position after NUL", "a" + std::string(38, '\0') + "b", "50", false, false, 50},
    // Size field faults.
    {"ten digits, no NUL", "x", "0000000050", false, false, 50},
    {"size begins with NUL", "x",
     "\0"
     "50"s,
     false, false, 0},
    {"digit after NUL", "x",
     "12\0"
     "3"s,
     false, false, 12},
    {"only zeros", "x", "000", false, false, 0},
    {"all NUL", "x", "", false, false, 0},
    {"letter in size", "x", "5a", false, false, 5},
    {"space before digits", "x", " 50", false, false, 0},
    {"sign", "x", "+50", false, false, 0},
    {"minus", "x", "-5", false, false, 0},
    {"digit then space", "x", "50 ", false, false, 50},
    {"all zero bytes", "", "", false, false, 0},
};

INSTANTIATE_TEST_SUITE_P(Table, HeaderRules, ::testing::ValuesIn(kHeaderCases),
                         [](const ::testing::TestParamInfo<HeaderCase>& param) {
                           std::string n;
                           for (const char* p = param.param.what; *p; ++p) {
                             n.push_back(std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_');
                           }
                           return n;
                         });

TEST(HeaderName, EndsAtFirstNulOrAfterFortyBytes) {
  EXPECT_EQ(HeaderName(Bytes(RawHeader("abc", "50"))), "abc");
  EXPECT_EQ(HeaderName(Bytes(RawHeader(std::string(40, 'z'), "50"))), std::string(40, 'z'));
  EXPECT_EQ(HeaderName(Bytes(RawHeader("a\tb\r\n", "50"))), "a\tb\r\n");
  // Shift_JIS "データ.bmp".
  EXPECT_EQ(HeaderName(Bytes(RawHeader("\x83\x66\x81\x5B\x83\x5E.bmp", "50"))), "データ.bmp");
}

// Sizes below 50 count as no header wherever the loader tests one: as the
// file's first header the file is no custom file; inside a list the list
// ends there.
TEST(HeaderRulesInLoader, SizesBelowFiftyAreNoHeader) {
  test::TempDir dir;
  for (int size = 1; size <= 49; ++size) {
    SCOPED_TRACE(size);
    const std::string text = std::to_string(size);
    // As the first header: nothing is loaded, whatever follows.
    const std::string first = RawHeader("bad", text) + test::Serialize({test::Leaf("after", "xyz")});
    test::WriteFile(dir / "first.god", first);
    EntryTree none;
    EXPECT_FALSE(LoadCustomFile(dir / "first.god", "root", none));
    EXPECT_TRUE(none.Empty());

    // Inside the top-level list: the list ends before it.
    const std::string middle = test::Serialize({test::Leaf("good", "abc")}) + RawHeader("bad", text) +
                               test::Serialize({test::Leaf("after", "xyz")});
    test::WriteFile(dir / "middle.god", middle);
    EntryTree tree;
    ASSERT_TRUE(LoadCustomFile(dir / "middle.god", "root", tree));
    EXPECT_EQ(test::TreeLines(tree), (std::vector<std::string>{"0:root@0+", "1:good@0"}));

    // As the first header of a payload: the entry is a leaf.
    test::Entry leaf = test::Leaf("leaf", RawHeader("inner", text) + std::string(10, 'q'));
    test::WriteFile(dir / "payload.god", test::Serialize({leaf, test::Leaf("next", "n")}));
    EntryTree nested;
    ASSERT_TRUE(LoadCustomFile(dir / "payload.god", "root", nested));
    EXPECT_EQ(test::TreeLines(nested), (std::vector<std::string>{"0:root@0+", "1:leaf@0", "1:next@110"}));
  }
}

TEST(HeaderRulesInLoader, FirstHeaderUsesTheFiveRules) {
  test::TempDir dir;
  struct FileCase {
    const char* what;
    std::string bytes;
    bool loads;
  };
  const FileCase cases[] = {
      {"size exactly 50", RawHeader("one", "50"), true},
      {"zero size", RawHeader("one", "0") + std::string(20, 'x'), false},
      {"ten-digit size", RawHeader("one", "0000000050"), false},
      {"control byte in name", RawHeader("o\x02ne", "50"), false},
      {"empty file", "", false},
      {"shorter than a header, zeros complete it", RawHeader("short", "50").substr(0, 42), true},
      {"shorter than a header, size cut off", RawHeader("short", "50").substr(0, 40), false},
      {"text file", std::string("hello world, this is not a custom file at all.\n"), false},
  };
  for (const FileCase& c : cases) {
    SCOPED_TRACE(c.what);
    test::WriteFile(dir / "f.bin", c.bytes);
    EntryTree tree;
    EXPECT_EQ(LoadCustomFile(dir / "f.bin", "root", tree), c.loads);
    EXPECT_EQ(tree.Size(), c.loads ? 2u : 0u);
  }
}

}  // namespace
}  // namespace cfv
