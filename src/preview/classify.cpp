#include "preview/classify.h"

#include <cstring>

namespace cfv {
namespace {

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The last four characters of `text` (all of it when shorter), compared with
// `suffix` ignoring ASCII case. Non-ASCII characters never equal the ASCII
// suffix, so comparing the last four bytes is the same as comparing the
// last four characters whenever they could match.
bool LastFourEqual(std::string_view text, std::string_view suffix) {
  std::size_t chars = 0;
  std::size_t start = text.size();
  while (start > 0 && chars < 4) {
    --start;
    if ((static_cast<unsigned char>(text[start]) & 0xC0) != 0x80) ++chars;
  }
  const std::string_view tail = text.substr(start);
  if (tail.size() != suffix.size()) return false;
  for (std::size_t i = 0; i < tail.size(); ++i) {
    if (AsciiLower(tail[i]) != suffix[i]) return false;
  }
  return true;
}

}  // namespace

std::string_view MciDeviceType::DisplayName() const {
  switch (form) {
    case Form::Numeric:
      return type == kWaveformAudio ? "waveaudio" : "sequencer";
    case Form::Named:
      return name;
    case Form::None:
      break;
  }
  return "";
}

PreviewClass ClassifyPreview(const unsigned char* data, std::size_t /*length*/, std::string_view itemText) {
  PreviewClass result;
  if (std::memcmp(data, "BM", 2) == 0) {
    result.kind = PreviewKind::Image;
  } else if (std::memcmp(data, "RIFF", 4) == 0) {
    result.kind = PreviewKind::Sound;
    result.device = MciDeviceType::WaveAudio();
  } else if (LastFourEqual(itemText, ".mp3")) {
    result.kind = PreviewKind::Sound;
    result.device = MciDeviceType::MpegVideo();
  } else if (LastFourEqual(itemText, ".mid")) {
    result.kind = PreviewKind::Sound;
    result.device = MciDeviceType::Sequencer();
  }
  return result;
}

std::string_view PreviewKindName(PreviewKind kind) {
  switch (kind) {
    case PreviewKind::Image:
      return "Image";
    case PreviewKind::Sound:
      return "Sound";
    case PreviewKind::Text:
      break;
  }
  return "Text";
}

}  // namespace cfv
