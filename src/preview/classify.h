// How the preview shows an entry: as an image, a sound (with the kind of
// player device) or text. A pure function of the data and the item's name.
#pragma once

#include <cstddef>
#include <string_view>

namespace cfv {

enum class PreviewKind { kImage, kSound, kText };

// The player device a sound is opened with: the decoder for it and the name
// `tazor-cfv info` prints.
enum class SoundDevice { kNone, kWaveAudio, kSequencer, kMpegVideo };

// "waveaudio", "sequencer", "MPEGVideo", or "" for kNone.
std::string_view SoundDeviceName(SoundDevice device);

struct PreviewClass {
  PreviewKind kind = PreviewKind::kText;
  SoundDevice device = SoundDevice::kNone;  // kNone unless kind is kSound
};

// Classifies entry data: "BM" -> Image; "RIFF" -> Sound (waveform audio);
// item text ending in ".mp3" (ASCII case ignored, last four characters, or
// the whole text when shorter) -> Sound ("MPEGVideo"); ".mid" -> Sound
// (sequencer); anything else -> Text. `data` must be followed by at least 4
// zero bytes (EntryData guarantees it); the length takes no part.
PreviewClass ClassifyPreview(const unsigned char* data, std::size_t length, std::string_view itemText);

std::string_view PreviewKindName(PreviewKind kind);

}  // namespace cfv
