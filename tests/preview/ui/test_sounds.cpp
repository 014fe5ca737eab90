#include "test_sounds.h"

#include <cmath>
#include <cstdint>
#include <numbers>

namespace cfv::test {
namespace {

void PutLe(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void PutBe(std::string& out, std::uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// Writes bit fields most significant bit first, as MPEG audio streams do.
class BitWriter {
 public:
  void Put(std::uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      if (used_ % 8 == 0) bytes_.push_back(0);
      if ((value >> i) & 1u) bytes_.back() = static_cast<char>(bytes_.back() | (0x80 >> (used_ % 8)));
      ++used_;
    }
  }
  std::string& bytes() { return bytes_; }

 private:
  std::string bytes_;
  int used_ = 0;
};

}  // namespace

std::string MakeWav(int milliseconds) {
  constexpr int kRate = 22050;
  const int samples = kRate * milliseconds / 1000;
  std::string pcm;
  for (int i = 0; i < samples; ++i) {
    const double v = 12000.0 * std::sin(2.0 * std::numbers::pi * 440.0 * i / kRate);
    PutLe(pcm, static_cast<std::uint16_t>(static_cast<std::int16_t>(v)), 2);
  }
  std::string wav = "RIFF";
  PutLe(wav, static_cast<std::uint32_t>(36 + pcm.size()), 4);
  wav += "WAVEfmt ";
  PutLe(wav, 16, 4);
  PutLe(wav, 1, 2);  // PCM
  PutLe(wav, 1, 2);  // mono
  PutLe(wav, kRate, 4);
  PutLe(wav, kRate * 2, 4);  // bytes per second
  PutLe(wav, 2, 2);          // block align
  PutLe(wav, 16, 2);         // bits per sample
  wav += "data";
  PutLe(wav, static_cast<std::uint32_t>(pcm.size()), 4);
  return wav + pcm;
}

std::string MakeMidi() {
  std::string track;
  // Delta times are single-byte variable-length quantities here (< 128).
  track += std::string("\x00\xC0\x00", 3);      // program change: piano
  track += std::string("\x00\x90\x3C\x64", 4);  // note on, middle C
  track += std::string("\x60\x80\x3C\x40", 4);  // 96 ticks later: note off
  track += std::string("\x00\xFF\x2F\x00", 4);  // end of track
  std::string midi = "MThd";
  PutBe(midi, 6, 4);
  PutBe(midi, 0, 2);   // format 0
  PutBe(midi, 1, 2);   // one track
  PutBe(midi, 96, 2);  // ticks per quarter note (120 bpm by default: 0.5 s)
  midi += "MTrk";
  PutBe(midi, static_cast<std::uint32_t>(track.size()), 4);
  return midi + track;
}

std::string MakeMp3(int frames) {
  // 144 * bitrate / sample rate bytes per frame, without padding.
  constexpr int kFrameBytes = 144 * 128000 / 44100;
  // Main data of one granule: pairs 0..4 are (0, 0), coded "1" each in
  // Huffman table 1; pair 5 is (1, 0), coded "01" with a "0" sign bit for
  // its non-zero value. No scale factor bits (scalefac_compress 0).
  constexpr int kBigValues = 6;
  constexpr int kGranuleBits = 5 * 1 + 2 + 1;
  std::string stream;
  for (int f = 0; f < frames; ++f) {
    BitWriter w;
    w.Put(0x7FF, 11);  // sync
    w.Put(3, 2);       // MPEG-1
    w.Put(1, 2);       // Layer III
    w.Put(1, 1);       // no CRC
    w.Put(9, 4);       // 128 kbit/s
    w.Put(0, 2);       // 44100 Hz
    w.Put(0, 1);       // no padding
    w.Put(0, 1);       // private
    w.Put(3, 2);       // mono
    w.Put(0, 2);       // mode extension
    w.Put(0, 4);       // copyright, original, emphasis
    // Side information, mono: 17 bytes.
    w.Put(0, 9);  // main_data_begin: no bit reservoir
    w.Put(0, 5);  // private bits
    w.Put(0, 4);  // scfsi
    for (int gr = 0; gr < 2; ++gr) {
      w.Put(kGranuleBits, 12);                                 // part2_3_length
      w.Put(kBigValues, 9);                                    // big_values
      w.Put(200, 8);                                           // global_gain: 2^((200 - 210) / 4) per unit
      w.Put(0, 4);                                             // scalefac_compress
      w.Put(0, 1);                                             // window_switching_flag: long blocks
      for (int region = 0; region < 3; ++region) w.Put(1, 5);  // table_select
      w.Put(7, 4);                                             // region0_count
      w.Put(7, 3);                                             // region1_count
      w.Put(0, 3);                                             // preflag, scalefac_scale, count1table_select
    }
    for (int gr = 0; gr < 2; ++gr) {
      for (int pair = 0; pair < 5; ++pair) w.Put(1, 1);
      w.Put(1, 2);  // (1, 0)
      w.Put(0, 1);  // positive
    }
    std::string frame = std::move(w.bytes());
    frame.resize(kFrameBytes, '\0');  // the rest is ancillary data
    stream += frame;
  }
  return stream;
}

std::string MakeRiffVideo() {
  std::string riff = "RIFF";
  std::string body = "AVI LIST";
  PutLe(body, 4, 4);
  body += "hdrl";
  PutLe(riff, static_cast<std::uint32_t>(body.size()), 4);
  return riff + body;
}

}  // namespace cfv::test
