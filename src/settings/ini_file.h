// Reading and writing one key of an INI file the way Windows' private
// profile functions treat it: sections and keys match ignoring ASCII case,
// values are trimmed, lines end in CR LF (LF alone is read too), and every
// other line of the file is kept as it was.
//
// Thread: the caller's; one file is not meant to be written from two threads.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace cfv {

// The value of `key` in `section`; nothing when the file, the section or the
// key is missing or the file cannot be read.
std::optional<std::string> ReadIniValue(const std::filesystem::path& file, std::string_view section,
                                        std::string_view key);

// Sets `key` in `section` to `value`: replaces the key's line, or adds it at
// the end of the section, or adds the section at the end of the file, or
// creates the file. The new file is written beside the old one and renamed
// over it, so a failed write leaves the old file whole. Returns false when
// the file cannot be written.
bool WriteIniValue(const std::filesystem::path& file, std::string_view section, std::string_view key,
                   std::string_view value);

}  // namespace cfv
