// Entry names to output names and paths, as Windows stores them; whole paths are built by the export
// scenarios.
#include "export/output_name.h"

#include <gtest/gtest.h>

#include <string>

#include "export/output_path.h"

namespace cfv {
namespace {

using namespace std::string_literals;

// 1028 bytes with "m1_0" at 1024.
std::string Eum(char fill = 'e') { return std::string(1024, fill) + "m1_0"; }

std::string WithByteAt(std::size_t at, char byte) {
  return std::string(at, 'a') + byte + std::string(299 - at, 'a');
}

TEST(SplitEntryName, Table) {
  const struct {
    std::string name, base, extension;
    // clang-format off
  } cases[] = {
      {"abc.t", "abc", ".t"}, {"noext", "noext", ""}, {"a.b.c", "a.b", ".c"}, {".hidden", "", ".hidden"},
      {"trailing.", "trailing", "."}, {"  abc  .t  ", "abc", ".t  "}, {" ", "", ""}, {"a/b\\c.d", "a/b\\c", ".d"},
      {"dir.x\\file", "dir.x\\file", ""}, {"dir.x/", "dir.x/", ""}, {"C:file.txt", "C:file", ".txt"},
      {"x:.t", "x:", ".t"}, {":a.t", ":a", ".t"}, {".:abc", ".:abc", ""},  // a drive, even one named '.'
      {"", "", ""}, {"\x80.b:cd", "\x80", ".b:cd"}, {"ab:c.d", "ab:c", ".d"}, {" C:x .t", "C:x", ".t"}, {"あ:曲.mid", "あ:曲", ".mid"},
      {"ソ表\\画像.bm", "ソ表\\画像", ".bm"},  // trail bytes 0x5C inside, no folder
      {"　全角.t", "　全角", ".t"},            // U+3000 is no U+0020: kept
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const SplitName s = SplitEntryName(c.name);
    EXPECT_EQ(s.base, c.base);
    EXPECT_EQ(s.extension, c.extension);
  }
}

// The output name: the split name, the extension corrected when asked.
TEST(OutputFileName, CorrectsTheExtension) {
  const std::string jfif = "\xFF\xD8\xFF\xE0\x00\x10JFIF\x00"s;
  const struct {
    std::string name, bytes, corrected;
    std::size_t length = std::string::npos;  // less than the bytes, to place a signature past the end
    // clang-format off
  } cases[] = {
      {"a.bm", "BM\x36\x00"s, "a.bmp"}, {"a", "BM", "a.bmp"}, {"a.mid", "BMxx", "a.bmp"}, {"a.x", "BM", "a.x", 1},  // M past the end
      {"C:a.jp", jfif, "C:a.jpg"}, {"a.jp", jfif, "a.jp", 9}, {"a.jp", jfif, "a.jpg", 10}, {"a.wa", "RIFF", "a.wa", 3},
      {"a.wa", "RIFF\x24\x00\x00\x00WAVE"s, "a.wav"}, {"a.mp3", "RIFFxxxx", "a.wav"}, {"a.mid", Eum('\0'), "a.mid"},
      {"a.mp3", Eum(), "a.mp3"}, {"a.MP3", Eum('\0'), "a.eum"},  // mp3 and mid stop the rules; MP3 is no mp3
      // Text: no control bytes but TAB, LF and CR among the first 256.
      {"a.t", "hello", "a.txt"}, {"a.t", "a\tb\nc\rd \x7F\x80\xFF", "a.txt"}, {"a.t", "\x01", "a.t"}, {"a.t", "a\x08", "a.t"},
      {"a.t", "a\x0B", "a.t"}, {"a.t", "a\x0C", "a.t"}, {"a.t", "\x0E", "a.t"}, {"a.t", "a\x1F", "a.t"}, {"a.t", "abc\x01", "a.txt", 3},
      {"a.t", WithByteAt(255, '\x01'), "a.t"}, {"a.t", WithByteAt(256, '\x01'), "a.txt"},
      {"a.t", WithByteAt(254, '\x01'), "a.t", 255}, {"a.t", WithByteAt(255, '\x01'), "a.txt", 255},
      {"a.tx", "", "a.txt"}, {"a.txt", "hello", "a.txt"}, {"a.T", "hello", "a.T"}, {"  a  .t", "he\0llo"s, "a.t"},
      {"a.t", std::string(1, '\0') + Eum().substr(1), "a.eum"}, {"a.tx", Eum(), "a.txt"}, {"a", Eum('\0'), "a", 1027},
      {"a.obc", "code", "a.obc.txt"}, {"a.obc", "\x01\x02", "a.obc"}, {"a.OBC", "code", "a.OBC"}, {"a", "text", "a"},
      {"a.x", std::string(1023, '\0') + "m1_0", "a.x"}, {"データ.t", "本文", "データ.txt"},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name + " " + c.bytes.substr(0, 12));
    const std::string data = c.bytes + std::string(8, '\0');  // then zeros, as the extraction hands it over
    const auto* p = reinterpret_cast<const unsigned char*>(data.data());
    const std::size_t length = std::min(c.length, c.bytes.size());
    EXPECT_EQ(OutputFileName(c.name, p, length, true), c.corrected);
    EXPECT_EQ(OutputFileName(c.name, p, length, false),
              SplitEntryName(c.name).base + SplitEntryName(c.name).extension);
  }
}

TEST(AppendNameComponents, Table) {
  const struct {
    const char* name;
    std::vector<std::string> components;
    bool leaves;
    // clang-format off
  } cases[] = {
      {"a.t", {"a.t"}, false}, {"sub\\a.t", {"sub", "a.t"}, false}, {"sub/a.t", {"sub", "a.t"}, false},
      {"abc ", {"abc"}, false}, {"x...", {"x"}, false}, {"x. . ", {"x"}, false},  // trailing blanks and dots go
      {" lead", {" lead"}, false}, {"a\\\\b//c", {"a", "b", "c"}, false},         // empty components vanish
      {"\\abs\\x", {"abs", "x"}, false}, {"/etc/x", {"etc", "x"}, false}, {"C:\\x", {"C:", "x"}, false},
      {".", {}, false}, {"...", {}, false}, {"", {}, false}, {"..", {".."}, true}, {"..\\..\\x", {"..", "..", "x"}, true},
      {"a/../../x", {"a", "..", "..", "x"}, true}, {"a\\..", {"a", ".."}, true},
  };
  // clang-format on
  for (const auto& c : cases) {
    OutputPath path;
    AppendNameComponents(c.name, path);
    EXPECT_EQ(path.components, c.components) << c.name;
    EXPECT_EQ(path.leavesExportFolder, c.leaves) << c.name;
  }
}

TEST(ExportFolderOf, CutsTheExtensionOfTheLastComponentOnly) {
  EXPECT_EQ(ExportFolderOf("/games/hero.npc"), "/games/hero");
  EXPECT_EQ(ExportFolderOf("/games/hero.v2.npc"), "/games/hero.v2");
  EXPECT_EQ(ExportFolderOf("../hero.npc"), "../hero");
  EXPECT_EQ(ExportFolderOf("/games.d/hero"), "/games.d/hero");  // no extension: the file's own path
  EXPECT_EQ(ExportFolderOf("/games/.npc"), "/games/.npc");      // a leading dot is no extension
}

}  // namespace
}  // namespace cfv
