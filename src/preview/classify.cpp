#include "preview/classify.h"

#include <cstring>

namespace cfv {
namespace {

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The last four characters of `text` (all of it when shorter), compared with
// `suffix`, four ASCII characters, ignoring ASCII case. Non-ASCII characters
// never equal the ASCII suffix, so comparing the last four bytes is the same
// as comparing the last four characters: a tail that holds a non-ASCII
// character holds a byte of 0x80 or above among its last four.
bool LastFourEqual(std::string_view text, std::string_view suffix) {
  if (text.size() < 4) return false;
  const char* tail = text.data() + text.size() - 4;
  for (std::size_t i = 0; i < 4; ++i) {
    if (AsciiLower(tail[i]) != suffix[i]) return false;
  }
  return true;
}

}  // namespace

std::string_view SoundDeviceName(SoundDevice device) {
  switch (device) {
    case SoundDevice::kWaveAudio:
      return "waveaudio";
    case SoundDevice::kSequencer:
      return "sequencer";
    case SoundDevice::kMpegVideo:
      return "MPEGVideo";
    case SoundDevice::kNone:
      break;
  }
  return "";
}

PreviewClass ClassifyPreview(const unsigned char* data, std::size_t /*length*/, std::string_view itemText) {
  PreviewClass result;
  if (std::memcmp(data, "BM", 2) == 0) {
    result.kind = PreviewKind::kImage;
  } else if (std::memcmp(data, "RIFF", 4) == 0) {
    result.kind = PreviewKind::kSound;
    result.device = SoundDevice::kWaveAudio;
  } else if (LastFourEqual(itemText, ".mp3")) {
    result.kind = PreviewKind::kSound;
    result.device = SoundDevice::kMpegVideo;
  } else if (LastFourEqual(itemText, ".mid")) {
    result.kind = PreviewKind::kSound;
    result.device = SoundDevice::kSequencer;
  }
  return result;
}

std::string_view PreviewKindName(PreviewKind kind) {
  switch (kind) {
    case PreviewKind::kImage:
      return "Image";
    case PreviewKind::kSound:
      return "Sound";
    case PreviewKind::kText:
      break;
  }
  return "Text";
}

}  // namespace cfv
