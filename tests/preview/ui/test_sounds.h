// Test helper: tiny sounds of our own making for the player tests, so no
// sound file is shipped or fetched.
#pragma once

#include <string>

namespace cfv::test {

// A RIFF WAVE file: 16-bit mono PCM at 22050 Hz, a 440 Hz sine of about
// `milliseconds` length.
std::string MakeWav(int milliseconds);
// A standard MIDI file that plays middle C on the default instrument for
// half a second.
std::string MakeMidi();
// An MPEG-1 Layer III stream of `frames` frames (1152 samples each at
// 44100 Hz, mono), coded by hand: each granule carries one non-zero
// spectral line, a steady tone of about 400 Hz.
std::string MakeMp3(int frames);
// A RIFF file that is no wave sound (an AVI-like header).
std::string MakeRiffVideo();

}  // namespace cfv::test
