// Test helper: tiny sounds of our own making for the player tests and the
// preview probe, so no sound file is shipped or fetched.
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <utility>

namespace cfv::test {

inline void PutLe(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A RIFF WAVE file: 16-bit mono PCM at 22050 Hz, a 440 Hz sine of about
// `milliseconds` length.
inline std::string MakeWav(int milliseconds) {
  constexpr int kRate = 22050;
  std::string pcm;
  for (int i = 0; i < kRate * milliseconds / 1000; ++i)
    PutLe(pcm, std::uint16_t(std::int16_t(12000.0 * std::sin(2.0 * std::numbers::pi * 440.0 * i / kRate))),
          2);
  std::string wav = "RIFF";
  PutLe(wav, static_cast<std::uint32_t>(36 + pcm.size()), 4);
  wav += "WAVEfmt ";
  // The format chunk: its size; PCM, mono; the rate; bytes per second; block align, bits per sample.
  for (const std::uint32_t field : {16u, 1u | 1u << 16, std::uint32_t{kRate}, kRate * 2u, 2u | 16u << 16})
    PutLe(wav, field, 4);
  wav += "data";
  PutLe(wav, static_cast<std::uint32_t>(pcm.size()), 4);
  return wav + pcm;
}

// A standard MIDI file that plays middle C on the piano for half a second:
// format 0, one track, 96 ticks per quarter note (120 bpm by default); note
// on, 96 ticks later note off, end of track.
inline std::string MakeMidi() {
  return std::string(
      "MThd\0\0\0\x06\0\0\0\x01\0\x60MTrk\0\0\0\x0F\0\xC0\0\0\x90\x3C\x64\x60\x80\x3C\x40\0\xFF\x2F\0", 37);
}

// An MPEG-1 Layer III stream of `frames` frames (1152 samples each at
// 44100 Hz, mono), coded by hand: each granule carries one non-zero
// spectral line, a steady tone of about 400 Hz.
inline std::string MakeMp3(int frames) {
  // Bits of one frame, most significant first: the header (sync, MPEG-1,
  // Layer III, no CRC, 128 kbit/s, 44100 Hz, no padding, mono); the mono
  // side information (main_data_begin 0: no bit reservoir; no scfsi), per
  // granule part2_3_length 8, big_values 6, global_gain 200,
  // scalefac_compress 0, long blocks, Huffman table 1 in all three regions,
  // region counts 7 and 7; then each granule's main data: pairs 0..4 are
  // (0, 0), coded "1" each, pair 5 is (1, 0), coded "01" with a "0" sign.
  constexpr std::uint64_t granule =
      8ULL << 47 | 6ULL << 38 | 200ULL << 30 | 0b00001'00001'00001ULL << 10 | 0b0111'111'000;
  const std::pair<std::uint64_t, int> fields[] = {{0xFFFB90C0, 32}, {0, 18},   {granule, 59},
                                                  {granule, 59},    {0xFA, 8}, {0xFA, 8}};
  std::string frame;
  int used = 0;
  for (const auto& [value, bits] : fields) {
    for (int i = bits - 1; i >= 0; --i, ++used) {
      if (used % 8 == 0) frame.push_back(0);
      if ((value >> i) & 1u) frame.back() = static_cast<char>(frame.back() | (0x80 >> (used % 8)));
    }
  }
  frame.resize(144 * 128000 / 44100, '\0');  // bytes per frame; the rest is ancillary data
  std::string stream;
  for (int f = 0; f < frames; ++f) stream += frame;
  return stream;
}

}  // namespace cfv::test
