#include "preview/ui/opened_sound.h"

#include <SDL.h>
#include <SDL_mixer.h>

namespace cfv {
namespace {

// Open devices; the audio output is open while this is above zero.
int openDevices = 0;
// The device that started the music last (SDL_mixer plays one at a time).
const _Mix_Music* lastStarted = nullptr;

bool OpenOutput() {
  if (openDevices > 0) return true;
  // The program's own signal handling stays as it is.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  Mix_Init(MIX_INIT_MID | MIX_INIT_MP3);
  if (Mix_OpenAudio(MIX_DEFAULT_FREQUENCY, MIX_DEFAULT_FORMAT, 2, 2048) != 0) {
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  Mix_SetSoundFonts(kGeneralMidiSoundFont);
  return true;
}

void CloseOutput() {
  if (openDevices > 0) return;
  Mix_CloseAudio();
  Mix_Quit();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

Mix_MusicType DecoderFor(SoundDevice device) {
  switch (device) {
    case SoundDevice::kWaveAudio:
      return MUS_WAV;
    case SoundDevice::kSequencer:
      return MUS_MID;
    default:
      return MUS_NONE;  // detect from the data
  }
}

// The MIDI synthesiser accepts any bytes and then "plays" silence for them;
// only a standard MIDI file (it starts with "MThd") is opened as one.
bool IsStandardMidiFile(SDL_RWops* file) {
  char magic[4] = {};
  const bool ok = SDL_RWread(file, magic, 1, 4) == 4 && SDL_memcmp(magic, "MThd", 4) == 0;
  SDL_RWseek(file, 0, RW_SEEK_SET);
  return ok;
}

}  // namespace

std::unique_ptr<OpenedSound> OpenedSound::Open(const std::filesystem::path& path, SoundDevice type,
                                               bool* noOutput) {
  if (type == SoundDevice::kNone) return nullptr;
  if (!OpenOutput()) {
    if (noOutput != nullptr) *noOutput = true;
    return nullptr;
  }
  Mix_Music* music = nullptr;
  if (SDL_RWops* file = SDL_RWFromFile(path.c_str(), "rb")) {
    const Mix_MusicType decoder = DecoderFor(type);
    if (decoder == MUS_MID && !IsStandardMidiFile(file)) {
      SDL_RWclose(file);
    } else {
      music = Mix_LoadMUSType_RW(file, decoder, SDL_TRUE);  // frees `file` in any case
    }
  }
  if (!music) {
    CloseOutput();
    return nullptr;
  }
  ++openDevices;
  return std::unique_ptr<OpenedSound>(new OpenedSound(music));
}

OpenedSound::~OpenedSound() {
  // Freeing the music that is playing halts it first.
  Mix_FreeMusic(music_);
  if (lastStarted == music_) lastStarted = nullptr;
  --openDevices;
  CloseOutput();
}

void OpenedSound::Play() {
  if (Mix_PlayMusic(music_, 1) == 0) lastStarted = music_;
}

bool OpenedSound::IsPlaying() const { return lastStarted == music_ && Mix_PlayingMusic() != 0; }

}  // namespace cfv
