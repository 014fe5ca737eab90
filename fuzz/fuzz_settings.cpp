// Fuzz target: the settings codec, from an INI file's text to the fonts.
//
// Input: the settings file's bytes. It reads the general font's value as the
// program does (ReadIniValue, DecodeProfileStruct, FromBytes) and checks:
// a value that decodes holds exactly the 92 bytes its checksum covers and
// survives encoding and decoding unchanged; the font read from it gives the
// same bytes back; and any bytes encode to a text that decodes to them.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#include "scratch_file.h"
#include "settings/ini_file.h"
#include "settings/logfont.h"
#include "settings/profile_struct.h"
#include "settings/user_fonts.h"

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "broken promise: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto& path = cfv::fuzz::WriteScratch(data, size);
  const std::optional<std::string> value =
      cfv::ReadIniValue(path, cfv::kSettingsSection, cfv::kKeyFontGeneral);
  if (value) {
    const auto bytes = cfv::DecodeProfileStruct(*value, cfv::kLogFontBytes);
    if (bytes) {
      Check(bytes->size() == cfv::kLogFontBytes, "a decoded value has the struct's size");
      Check(cfv::DecodeProfileStruct(cfv::EncodeProfileStruct(*bytes), cfv::kLogFontBytes) == bytes,
            "a decoded value encodes back");
      const std::optional<cfv::LogFont> font = cfv::FromBytes(*bytes);
      Check(font.has_value(), "92 bytes make a font");
      const auto again = cfv::ToBytes(*font);
      Check(std::vector<std::uint8_t>(again.begin(), again.end()) == *bytes, "a font gives its bytes back");
      (void)font->FaceName();
    }
  }
  // Any bytes: the encoding is decoded back to them, at their size only.
  const std::span<const std::uint8_t> raw(data, std::min<std::size_t>(size, 4096));
  const std::string text = cfv::EncodeProfileStruct(raw);
  const auto decoded = cfv::DecodeProfileStruct(text, raw.size());
  Check(decoded && std::equal(decoded->begin(), decoded->end(), raw.begin(), raw.end()), "encode, decode");
  Check(!cfv::DecodeProfileStruct(text, raw.size() + 1), "a value holds its own size only");
  return 0;
}
