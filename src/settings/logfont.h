// LogFont: the Windows LOGFONTW structure, field for field, and its 92-byte
// little-endian image, so a font stored by the Windows program reads here
// and the other way round.
//
//   offset  field              size
//   0       lfHeight           int32   < 0: character height in pixels;
//                                      > 0: cell height; 0: default
//   4       lfWidth            int32
//   8       lfEscapement       int32
//   12      lfOrientation      int32
//   16      lfWeight           int32   400 normal, 700 bold (Qt 6 scale 1:1)
//   20      lfItalic, lfUnderline, lfStrikeOut, lfCharSet,
//           lfOutPrecision, lfClipPrecision, lfQuality, lfPitchAndFamily
//                              8 x uint8
//   28      lfFaceName         32 x UTF-16 code units, NUL-terminated
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace cfv {

inline constexpr std::size_t kLogFontBytes = 92;
inline constexpr std::size_t kLogFontFaceUnits = 32;

struct LogFont {
  std::int32_t lfHeight = 0;
  std::int32_t lfWidth = 0;
  std::int32_t lfEscapement = 0;
  std::int32_t lfOrientation = 0;
  std::int32_t lfWeight = 0;
  std::uint8_t lfItalic = 0;
  std::uint8_t lfUnderline = 0;
  std::uint8_t lfStrikeOut = 0;
  std::uint8_t lfCharSet = 0;
  std::uint8_t lfOutPrecision = 0;
  std::uint8_t lfClipPrecision = 0;
  std::uint8_t lfQuality = 0;
  std::uint8_t lfPitchAndFamily = 0;
  std::array<char16_t, kLogFontFaceUnits> lfFaceName{};

  // The face name up to its NUL, as UTF-8 (unpaired surrogates become U+FFFD).
  std::string FaceName() const;
  // Stores a UTF-8 face name, cut to 31 UTF-16 units (never inside a
  // surrogate pair) and NUL-padded, as the 32-unit field allows.
  void SetFaceName(std::string_view utf8);

  bool operator==(const LogFont&) const = default;
};

// The 92-byte image of `font`, little-endian, as Windows lays it out.
std::array<std::uint8_t, kLogFontBytes> ToBytes(const LogFont& font);
// Reads a 92-byte image; nothing when `bytes` is not exactly 92 bytes long.
std::optional<LogFont> FromBytes(std::span<const std::uint8_t> bytes);

}  // namespace cfv
