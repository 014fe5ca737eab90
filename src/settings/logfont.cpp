#include "settings/logfont.h"

namespace cfv {
namespace {

void PutI32(std::uint8_t* p, std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(u >> (8 * i));
}

std::int32_t GetI32(const std::uint8_t* p) {
  std::uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= static_cast<std::uint32_t>(p[i]) << (8 * i);
  return static_cast<std::int32_t>(u);
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Decodes one UTF-8 code point at `s[i]`, advancing `i`; invalid bytes give U+FFFD.
char32_t NextCodePoint(std::string_view s, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i++]);
  if (b0 < 0x80) return b0;
  int extra = 0;
  char32_t c = 0;
  if ((b0 & 0xE0) == 0xC0) {
    extra = 1;
    c = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2;
    c = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3;
    c = b0 & 0x07;
  } else {
    return 0xFFFD;
  }
  for (int k = 0; k < extra; ++k) {
    if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 0xFFFD;
    c = (c << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
  }
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0xFFFD;
  return c;
}

}  // namespace

std::string LogFont::FaceName() const {
  std::string out;
  for (std::size_t i = 0; i < kLogFontFaceUnits && lfFaceName[i] != 0; ++i) {
    const char16_t u = lfFaceName[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < kLogFontFaceUnits && lfFaceName[i + 1] >= 0xDC00 &&
        lfFaceName[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(lfFaceName[i + 1]) - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      AppendUtf8(out, 0xFFFD);
    } else {
      AppendUtf8(out, u);
    }
  }
  return out;
}

void LogFont::SetFaceName(std::string_view utf8) {
  lfFaceName.fill(0);
  std::size_t units = 0;
  std::size_t i = 0;
  while (i < utf8.size()) {
    const char32_t c = NextCodePoint(utf8, i);
    if (c >= 0x10000) {
      if (units + 2 > kLogFontFaceUnits - 1) break;
      lfFaceName[units++] = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      lfFaceName[units++] = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      if (units + 1 > kLogFontFaceUnits - 1) break;
      lfFaceName[units++] = static_cast<char16_t>(c);
    }
  }
}

std::array<std::uint8_t, kLogFontBytes> ToBytes(const LogFont& font) {
  std::array<std::uint8_t, kLogFontBytes> b{};
  PutI32(&b[0], font.lfHeight);
  PutI32(&b[4], font.lfWidth);
  PutI32(&b[8], font.lfEscapement);
  PutI32(&b[12], font.lfOrientation);
  PutI32(&b[16], font.lfWeight);
  b[20] = font.lfItalic;
  b[21] = font.lfUnderline;
  b[22] = font.lfStrikeOut;
  b[23] = font.lfCharSet;
  b[24] = font.lfOutPrecision;
  b[25] = font.lfClipPrecision;
  b[26] = font.lfQuality;
  b[27] = font.lfPitchAndFamily;
  for (std::size_t i = 0; i < kLogFontFaceUnits; ++i) {
    b[28 + 2 * i] = static_cast<std::uint8_t>(font.lfFaceName[i] & 0xFF);
    b[29 + 2 * i] = static_cast<std::uint8_t>(font.lfFaceName[i] >> 8);
  }
  return b;
}

std::optional<LogFont> FromBytes(std::span<const std::uint8_t> bytes) {
  if (bytes.size() != kLogFontBytes) return std::nullopt;
  LogFont f;
  const std::uint8_t* b = bytes.data();
  f.lfHeight = GetI32(b + 0);
  f.lfWidth = GetI32(b + 4);
  f.lfEscapement = GetI32(b + 8);
  f.lfOrientation = GetI32(b + 12);
  f.lfWeight = GetI32(b + 16);
  f.lfItalic = b[20];
  f.lfUnderline = b[21];
  f.lfStrikeOut = b[22];
  f.lfCharSet = b[23];
  f.lfOutPrecision = b[24];
  f.lfClipPrecision = b[25];
  f.lfQuality = b[26];
  f.lfPitchAndFamily = b[27];
  for (std::size_t i = 0; i < kLogFontFaceUnits; ++i) {
    f.lfFaceName[i] = static_cast<char16_t>(b[28 + 2 * i] | (b[29 + 2 * i] << 8));
  }
  return f;
}

}  // namespace cfv
