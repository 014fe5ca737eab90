// Output naming: how an entry's name and data become the output file name
// (the split name, the extension corrected from the content).
//
// Names are UTF-8 here (decoded entry names). Pure functions; any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace cfv {

// True when the first min(length, 256) bytes are all TAB, LF, CR or at least
// 0x20 (so empty data is text).
bool IsTextData(const unsigned char* data, std::size_t length);

struct SplitName {
  std::string base;       // drive, folder and file name, leading and trailing spaces removed
  std::string extension;  // from the last '.' of the file-name part on, dot included; may be empty
};

// Splits an entry name as Windows splits a path: a leading "X:" is a drive,
// the folder runs to the last '\' or '/', the extension is the rest from its
// last '.'. The base keeps the drive and folder text, separators included.
SplitName SplitEntryName(std::string_view name);

// The extension to use for data under a name with `extension`, by the first
// rule that applies: "BM" -> .bmp, "JFIF" at 6 -> .jpg, "RIFF" -> .wav,
// .mp3 and .mid kept, .t/.tx with text -> .txt, .obc with text -> .obc.txt,
// "m1_0" at 1024 -> .eum, else unchanged. Extensions compare exactly and
// case-sensitively; byte signatures match only within `length`.
std::string CorrectExtension(std::string_view extension, const unsigned char* data, std::size_t length);

// CorrectExtension looks at no byte of the data past this many (the last
// signature ends there; the text test reads 256), ClassifyPreview at four:
// the data's first bytes, given with its whole length, are enough for both.
inline constexpr std::size_t kContentTestBytes = 1028;

// The output file name: base + extension, the extension corrected from the
// data when `renameExtension` is set.
std::string OutputFileName(std::string_view entryName, const unsigned char* data, std::size_t length,
                           bool renameExtension);
// The same, appended to `out`: a caller naming many entries into one string
// allocates nothing per entry.
void AppendOutputFileName(std::string& out, std::string_view entryName, const unsigned char* data,
                          std::size_t length, bool renameExtension);

}  // namespace cfv
