// CMusicPlayerView: the preview pane for sound entries. Two large buttons,
// Play (id 1000) and Stop (id 1001), centred as one 176 x 96 pixel block:
// for a pane of width cx and height cy, Play sits at
// ((cx - 176) / 2 + 16, (cy - 96) / 2 + 16) and Stop 80 pixels to its right,
// each 64 x 64 (divisions truncate toward zero; a small pane pushes the
// buttons past its edges).
//
// SetSound keeps a private copy of the data with its device type; nothing is
// played until Play. Play closes the sound the last Play opened, writes the
// data to "play.tmp" in the current directory (replacing it), opens that file
// with the decoder of the device type and plays it in the background. Stop
// closes the opened sound. A new SetSound leaves a playing sound playing.
// "play.tmp" is replaced by renaming a fully written new file over it: a
// symbolic link of that name is never written through, and when the file
// cannot be written nothing plays (an old "play.tmp" is never played in place
// of the selected sound).
// A file that cannot be written or a sound that does not decode simply gives
// silence; only an audio output that cannot be opened (no sound device) is
// told, in a message box. The buttons are in the window's font. Thread: UI
// thread only.
#pragma once

#include <QWidget>
#include <cstddef>
#include <memory>
#include <vector>

#include "common/texts.h"
#include "preview/classify.h"

class QPushButton;

namespace cfv {

class OpenedSound;

class CMusicPlayerView : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kPlayButtonId = 1000;
  static constexpr int kStopButtonId = 1001;
  // The temporary sound file, relative to the current directory.
  static constexpr const char* kTempFileName = "play.tmp";

  // The message box is in `language`.
  explicit CMusicPlayerView(QWidget* parent = nullptr, UiLanguage language = UiLanguage::kEnglish);
  ~CMusicPlayerView() override;

  // Replaces the kept sound with a copy of `length` bytes at `bytes`.
  void SetSound(const unsigned char* bytes, std::size_t length, SoundDevice type);

  QPushButton* PlayButton() const { return play_; }
  QPushButton* StopButton() const { return stop_; }
  const std::vector<unsigned char>& Sound() const { return sound_; }
  SoundDevice DeviceType() const { return deviceType_; }
  // Whether a sound opened by Play is still being played.
  bool IsPlaying() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Play();
  void Stop();

  UiLanguage language_;
  QPushButton* play_;
  QPushButton* stop_;
  SoundDevice deviceType_ = SoundDevice::kNone;
  std::vector<unsigned char> sound_;
  std::unique_ptr<OpenedSound> device_;  // the sound the last Play opened
};

}  // namespace cfv
