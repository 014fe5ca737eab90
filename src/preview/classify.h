// How the preview shows an entry: as an image, a sound (with the kind of
// player device) or text. A pure function of the data and the item's name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace cfv {

enum class PreviewKind { Image, Sound, Text };

// The player device a sound needs. Numeric device types and the named
// "MPEGVideo" device are opened differently, so the form is recorded.
struct MciDeviceType {
  enum class Form { None, Numeric, Named };
  Form form = Form::None;
  std::uint32_t type = 0;  // for Numeric: kWaveformAudio or kSequencer
  std::string_view name;   // for Named: "MPEGVideo"

  static constexpr std::uint32_t kWaveformAudio = 0x20A;
  static constexpr std::uint32_t kSequencer = 0x20B;

  // The three devices a sound can need.
  static constexpr MciDeviceType WaveAudio() { return {Form::Numeric, kWaveformAudio, {}}; }
  static constexpr MciDeviceType Sequencer() { return {Form::Numeric, kSequencer, {}}; }
  static constexpr MciDeviceType MpegVideo() { return {Form::Named, 0, "MPEGVideo"}; }

  // "waveaudio", "sequencer", "MPEGVideo", or "" for None.
  std::string_view DisplayName() const;
  friend bool operator==(const MciDeviceType&, const MciDeviceType&) = default;
};

struct PreviewClass {
  PreviewKind kind = PreviewKind::Text;
  MciDeviceType device;  // meaningful for Sound only
};

// Classifies entry data: "BM" -> Image; "RIFF" -> Sound (waveform audio);
// item text ending in ".mp3" (ASCII case ignored, last four characters, or
// the whole text when shorter) -> Sound ("MPEGVideo"); ".mid" -> Sound
// (sequencer); anything else -> Text. `data` must be followed by at least 4
// zero bytes (EntryData guarantees it); the length takes no part.
PreviewClass ClassifyPreview(const unsigned char* data, std::size_t length, std::string_view itemText);

std::string_view PreviewKindName(PreviewKind kind);

}  // namespace cfv
