// The text form of a structure stored in an INI file by Windows'
// WritePrivateProfileStructW, so settings files move between the Windows
// program and this one: two upper-case hex digits per byte, then the
// checksum byte (the sum of the bytes modulo 256) as two more hex digits.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace cfv {

std::string EncodeProfileStruct(std::span<const std::uint8_t> bytes);

// The bytes of `text` when it holds exactly `size` bytes and a matching
// checksum (hex digits in either case; surrounding blanks ignored); nothing
// otherwise, so a damaged value never replaces a default.
std::optional<std::vector<std::uint8_t>> DecodeProfileStruct(std::string_view text, std::size_t size);

}  // namespace cfv
