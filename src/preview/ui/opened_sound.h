// OpenedSound: one opened sound, played in the background through SDL2_mixer.
// It stands where the music player of a Windows system opens a media device
// on a file: the decoder is chosen by the device type:
//   waveaudio  -> the WAV decoder,
//   sequencer  -> MIDI, synthesised by FluidSynth with the General MIDI
//                 sound font kGeneralMidiSoundFont (a standard MIDI file,
//                 starting with "MThd"; anything else does not open),
//   MPEGVideo  -> whatever the data is, by SDL2_mixer's type detection
//                 (MP3 in practice).
//
// The audio output is opened with the first device and closed with the last,
// so nothing holds the sound card while no sound is open. Nothing here shows
// anything: a file that does not decode gives no device, and Open tells an
// output that cannot be opened from that. Thread: UI thread.
#pragma once

#include <filesystem>
#include <memory>

#include "preview/classify.h"

struct _Mix_Music;

namespace cfv {

inline constexpr const char* kGeneralMidiSoundFont = "/usr/share/sounds/sf2/default-GM.sf2";

class OpenedSound {
 public:
  // Opens the audio output when needed and the sound in the file at `path`
  // with the decoder for `type`. Null when the output cannot be opened (then
  // `noOutput`, when given, is set) or the file does not decode. The file is
  // read while the sound plays.
  static std::unique_ptr<OpenedSound> Open(const std::filesystem::path& path, SoundDevice type,
                                           bool* noOutput = nullptr);

  // Closes the device: stops its playback and releases the decoder.
  ~OpenedSound();
  OpenedSound(const OpenedSound&) = delete;
  OpenedSound& operator=(const OpenedSound&) = delete;

  // Starts playing from the beginning, once, in the background.
  void Play();
  // Whether this device's sound is still being played.
  bool IsPlaying() const;

 private:
  explicit OpenedSound(_Mix_Music* music) : music_(music) {}
  _Mix_Music* music_;
};

}  // namespace cfv
