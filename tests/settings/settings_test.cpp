// The settings file: LOGFONTW image, the Windows profile-struct text form,
// INI keys, the default font, load/save of the user fonts and the font
// description.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "custom_file_builder.h"
#include "settings/ini_file.h"
#include "settings/logfont.h"
#include "settings/profile_struct.h"
#include "settings/user_fonts.h"

namespace cfv {
namespace {

LogFont Font(const char* face, int height, int weight = 400, int italic = 0) {
  LogFont f;
  f.lfHeight = height;
  f.lfWeight = weight;
  f.lfItalic = static_cast<std::uint8_t>(italic);
  f.lfCharSet = 128;
  f.lfQuality = 2;
  f.SetFaceName(face);
  return f;
}

// Two upper-case hex digits per byte plus the checksum, made here by hand so
// the test does not lean on the code it checks.
std::string WindowsStructText(const std::vector<std::uint8_t>& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string s;
  unsigned sum = 0;
  for (auto b : bytes) {
    s += digits[b >> 4];
    s += digits[b & 15];
    sum += b;
  }
  s += digits[(sum >> 4) & 15];
  s += digits[sum & 15];
  return s;
}

TEST(LogFontTest, BytesFollowTheWindowsLayout) {
  LogFont f = Font("Meiryo UI", -16, 700, 1);
  f.lfWidth = 0x01020304;
  f.lfUnderline = 1;
  f.lfPitchAndFamily = 0x31;
  const auto b = ToBytes(f);
  ASSERT_EQ(b.size(), 92u);
  EXPECT_EQ((std::array<std::uint8_t, 4>{b[0], b[1], b[2], b[3]}),
            (std::array<std::uint8_t, 4>{0xF0, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(b[4], 0x04);
  EXPECT_EQ(b[7], 0x01);
  EXPECT_EQ(b[16], 0xBC);  // 700 = 0x02BC
  EXPECT_EQ(b[17], 0x02);
  EXPECT_EQ(b[20], 1);     // italic
  EXPECT_EQ(b[21], 1);     // underline
  EXPECT_EQ(b[23], 128);   // character set
  EXPECT_EQ(b[26], 2);     // quality
  EXPECT_EQ(b[27], 0x31);  // pitch and family
  EXPECT_EQ(b[28], 'M');
  EXPECT_EQ(b[29], 0);
  EXPECT_EQ(b[28 + 2 * 8], 'I');
  EXPECT_EQ(b[28 + 2 * 9], 0);  // NUL after the 9 characters
  EXPECT_EQ(FromBytes(b), f);
}

TEST(LogFontTest, FromBytesNeedsExactly92Bytes) {
  std::vector<std::uint8_t> bytes(91);
  EXPECT_FALSE(FromBytes(bytes));
  bytes.resize(93);
  EXPECT_FALSE(FromBytes(bytes));
}

TEST(LogFontTest, FaceNameIsCutTo31UnitsAndNeverInsideASurrogatePair) {
  LogFont f;
  f.SetFaceName(std::string(40, 'x'));
  EXPECT_EQ(f.FaceName(), std::string(31, 'x'));
  EXPECT_EQ(f.lfFaceName[31], 0);
  // 30 ASCII letters leave one unit: a supplementary character needs two.
  f.SetFaceName(std::string(30, 'y') + "\xF0\x9F\x98\x80");
  EXPECT_EQ(f.FaceName(), std::string(30, 'y'));
  f.SetFaceName("メイリオ \xF0\x9F\x98\x80");
  EXPECT_EQ(f.FaceName(), "メイリオ \xF0\x9F\x98\x80");
}

TEST(ProfileStructTest, EncodesHexAndChecksum) {
  EXPECT_EQ(EncodeProfileStruct(std::vector<std::uint8_t>{0x00, 0xFF, 0x10}), "00FF100F");
  EXPECT_EQ(EncodeProfileStruct(std::vector<std::uint8_t>{}), "00");
}

struct DamagedCase {
  const char* name;
  std::string text;
};

TEST(ProfileStructTest, DecodesWindowsFormAndRefusesDamage) {
  const std::vector<std::uint8_t> bytes{0x12, 0xAB, 0x00, 0x7F};
  const std::string good = WindowsStructText(bytes);
  EXPECT_EQ(DecodeProfileStruct(good, 4), bytes);
  std::string lower = good;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ(DecodeProfileStruct(lower, 4), bytes);
  EXPECT_EQ(DecodeProfileStruct("  " + good + " ", 4), bytes);

  std::string badSum = good;
  badSum.back() = badSum.back() == '0' ? '1' : '0';
  const DamagedCase damaged[] = {
      {"wrong checksum", badSum},
      {"one byte short", good.substr(2)},
      {"one digit short", good.substr(1)},
      {"one byte too many", "00" + good},
      {"not hex", "1GAB007F" + good.substr(8)},
      {"empty", ""},
  };
  for (const auto& d : damaged) EXPECT_FALSE(DecodeProfileStruct(d.text, 4)) << d.name;
}

class SettingsFileTest : public testing::Test {
 protected:
  test::TempDir dir;
  std::filesystem::path ini = dir / "TazorCustomFileViewer.ini";
  LogFont def = MakeDefaultFont(UiLanguage::kEnglish, 96);
};

TEST_F(SettingsFileTest, DefaultFontPerLanguageAndResolution) {
  EXPECT_EQ(def, Font("Arial", -16));
  EXPECT_EQ(def.lfWeight, 400);
  EXPECT_EQ(def.lfCharSet, 128);
  EXPECT_EQ(def.lfQuality, 2);
  const LogFont ja = MakeDefaultFont(UiLanguage::kJapanese, 120);
  EXPECT_EQ(ja.FaceName(), "Meiryo UI");
  EXPECT_EQ(ja.lfHeight, -20);
  EXPECT_EQ(ja.lfCharSet, 128);
}

TEST_F(SettingsFileTest, MissingFileGivesDefaults) {
  const UserFonts fonts = LoadUserFonts(ini, def);
  EXPECT_EQ(fonts, (UserFonts{def, def, def}));
}

TEST_F(SettingsFileTest, SaveThenLoadRoundTrip) {
  const UserFonts saved{Font("Noto Sans", -13, 700), Font("DejaVu Sans Mono", -20, 400, 1),
                        Font("メイリオ", 18, 900, 1)};
  ASSERT_TRUE(SaveUserFonts(ini, saved));
  EXPECT_EQ(LoadUserFonts(ini, def), saved);
  // A stored face stays whatever the language of the default is.
  EXPECT_EQ(LoadUserFonts(ini, MakeDefaultFont(UiLanguage::kJapanese, 96)), saved);
}

TEST_F(SettingsFileTest, SaveWritesAllThreeKeysInOrderInWindowsForm) {
  const UserFonts fonts{def, def, def};
  ASSERT_TRUE(SaveUserFonts(ini, fonts));
  const auto image = ToBytes(def);
  const std::string expectedValue = WindowsStructText(std::vector<std::uint8_t>(image.begin(), image.end()));
  EXPECT_EQ(test::ReadFile(ini), "[Tazor_CustomFileViewer]\r\nFontGeneral=" + expectedValue +
                                     "\r\nFontFileTree=" + expectedValue + "\r\nFontViewer=" + expectedValue +
                                     "\r\n");
}

TEST_F(SettingsFileTest, ValueWrittenInWindowsFormReadsFieldByField) {
  std::vector<std::uint8_t> image(92, 0);
  image[0] = 0xEC;  // lfHeight -20
  image[1] = image[2] = image[3] = 0xFF;
  image[16] = 0x58;  // lfWeight 600
  image[17] = 0x02;
  image[20] = 1;    // italic
  image[22] = 1;    // strike-out
  image[23] = 128;  // Shift-JIS
  image[26] = 5;    // ClearType quality
  const std::u16string face = u"ＭＳ ゴシック";
  for (std::size_t i = 0; i < face.size(); ++i) {
    image[28 + 2 * i] = static_cast<std::uint8_t>(face[i] & 0xFF);
    image[29 + 2 * i] = static_cast<std::uint8_t>(face[i] >> 8);
  }
  test::WriteFile(ini, "[Other]\r\nFontViewer=00\r\n[tazor_customfileviewer]\r\nfontfiletree = " +
                           WindowsStructText(image) + "\r\n");
  const UserFonts fonts = LoadUserFonts(ini, def);
  EXPECT_EQ(fonts.general, def);
  EXPECT_EQ(fonts.viewer, def);  // the key of another section does not count
  EXPECT_EQ(fonts.fileTree.lfHeight, -20);
  EXPECT_EQ(fonts.fileTree.lfWeight, 600);
  EXPECT_EQ(fonts.fileTree.lfItalic, 1);
  EXPECT_EQ(fonts.fileTree.lfUnderline, 0);
  EXPECT_EQ(fonts.fileTree.lfStrikeOut, 1);
  EXPECT_EQ(fonts.fileTree.lfCharSet, 128);
  EXPECT_EQ(fonts.fileTree.lfQuality, 5);
  EXPECT_EQ(fonts.fileTree.FaceName(), "ＭＳ ゴシック");
}

TEST_F(SettingsFileTest, DamagedValueKeepsTheDefaultOthersStillRead) {
  const LogFont stored = Font("Stored", -30);
  const auto bytes = ToBytes(stored);
  std::string good = WindowsStructText(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  std::string damaged = good;
  damaged[10] = damaged[10] == 'A' ? 'B' : 'A';  // checksum no longer matches
  test::WriteFile(ini, "[Tazor_CustomFileViewer]\nFontGeneral=" + damaged +
                           "\nFontFileTree=" + good.substr(0, 100) + "\nFontViewer=" + good + "\n");
  const UserFonts fonts = LoadUserFonts(ini, def);
  EXPECT_EQ(fonts.general, def);
  EXPECT_EQ(fonts.fileTree, def);
  EXPECT_EQ(fonts.viewer, stored);
}

TEST_F(SettingsFileTest, MissingKeyKeepsItsDefault) {
  ASSERT_TRUE(WriteIniValue(ini, kSettingsSection, kKeyFontGeneral,
                            EncodeProfileStruct(ToBytes(Font("Only General", -12)))));
  const UserFonts fonts = LoadUserFonts(ini, def);
  EXPECT_EQ(fonts.general.FaceName(), "Only General");
  EXPECT_EQ(fonts.fileTree, def);
  EXPECT_EQ(fonts.viewer, def);
}

TEST_F(SettingsFileTest, SaveKeepsEverythingElseInTheFile) {
  test::WriteFile(ini,
                  "; notes\r\n[First]\r\nA=1\r\n[Tazor_CustomFileViewer]\r\nFontViewer=old\r\nMine=2\r\n"
                  "[Last]\r\nB=3\r\n");
  ASSERT_TRUE(SaveUserFonts(ini, UserFonts{def, def, def}));
  const std::string text = test::ReadFile(ini);
  const std::string v = EncodeProfileStruct(ToBytes(def));
  EXPECT_EQ(text, "; notes\r\n[First]\r\nA=1\r\n[Tazor_CustomFileViewer]\r\nFontViewer=" + v +
                      "\r\nMine=2\r\nFontGeneral=" + v + "\r\nFontFileTree=" + v + "\r\n[Last]\r\nB=3\r\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "TazorCustomFileViewer.ini.tmp"));
}

TEST_F(SettingsFileTest, UnwritableLocationReportsFailure) {
  EXPECT_FALSE(SaveUserFonts(dir / "no-such-folder" / "x.ini", UserFonts{def, def, def}));
}

TEST(MulDivTest, RoundsHalvesAwayFromZero) {
  EXPECT_EQ(MulDiv(12, 96, 72), 16);
  EXPECT_EQ(MulDiv(12, 120, 72), 20);
  EXPECT_EQ(MulDiv(-16, 72, 96), -12);
  EXPECT_EQ(MulDiv(-14, 72, 96), -11);  // -10.5 -> -11
  EXPECT_EQ(MulDiv(14, 72, 96), 11);    // 10.5 -> 11
  EXPECT_EQ(MulDiv(-13, 72, 96), -10);  // -9.75 -> -10
  EXPECT_EQ(MulDiv(5, 3, -2), -8);      // -7.5 -> -8
  EXPECT_EQ(MulDiv(1, 2, 0), -1);
  EXPECT_EQ(MulDiv(0x7FFFFFFF, 4, 1), -1);
}

struct DescriptionCase {
  LogFont font;
  int dpi;
  const char* expected;
};

TEST(FontDescriptionTest, Table) {
  const DescriptionCase cases[] = {
      {Font("Meiryo UI", -16), 96, "Meiryo UI 12pt"},
      {Font("Arial", -16, 401), 96, "Arial 12pt [太字]"},
      {Font("Arial", -14, 400, 1), 96, "Arial 11pt [斜体]"},
      {Font("Arial", -13, 700, 1), 96, "Arial 10pt [太字,斜体]"},
      {Font("Arial", 16), 96, "Arial -12pt"},
      {Font("Arial", -20), 120, "Arial 12pt"},
      {Font("Arial", -16), 120, "Arial 10pt"},  // 9.6 -> 10
      {Font("Arial", -16, 1000), 96, "Arial 12pt [太字]"},
  };
  for (const auto& c : cases) EXPECT_EQ(FontDescription(c.font, c.dpi), c.expected);
}

TEST(FontDescriptionTest, UnderlineAndStrikeOutAreNotDescribed) {
  LogFont f = Font("Arial", -16);
  f.lfUnderline = 1;
  f.lfStrikeOut = 1;
  EXPECT_EQ(FontDescription(f, 96), "Arial 12pt");
}

}  // namespace
}  // namespace cfv
