#include "preview/ui/music_player_view.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QPushButton>
#include <QResizeEvent>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "common/ui/message_box.h"
#include "common/ui/ui_text.h"
#include "preview/ui/opened_sound.h"

namespace cfv {
namespace {

constexpr int kButtonSize = 64;
constexpr int kBlockWidth = 176;  // two buttons with 16-pixel gaps around them
constexpr int kBlockHeight = 96;
constexpr int kMargin = 16;
constexpr int kStopOffset = 96;  // Stop's left edge from the block's left edge

// Makes `path` (in the current directory) a regular file holding `bytes`.
// The bytes go to a new file beside it that is then renamed over it, so a
// symbolic link named like the file is replaced, never written through, and
// a failed write leaves no partial or stale sound to be played. Returns
// whether `path` now holds exactly `bytes`; failures are otherwise silent.
bool ReplaceFile(const char* path, const std::vector<unsigned char>& bytes) {
  std::string temp = std::string(path) + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  bool ok = ::fchmod(fd, 0666 & ~mask) == 0;
  std::size_t done = 0;
  while (ok && done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) ok = false;
    if (n > 0) done += static_cast<std::size_t>(n);
  }
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(temp.c_str(), path) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

QPushButton* MakeButton(const char* text, int id, QWidget* parent) {
  auto* button = new QPushButton(QString::fromUtf8(text), parent);
  button->setProperty("controlId", id);
  button->setObjectName(id == CMusicPlayerView::kPlayButtonId ? "play" : "stop");
  button->setAutoDefault(false);
  button->resize(kButtonSize, kButtonSize);
  return button;
}

}  // namespace

CMusicPlayerView::CMusicPlayerView(QWidget* parent, UiLanguage language)
    : QWidget(parent), language_(language) {
  // Its two texts have no English form.
  play_ = MakeButton("再生", kPlayButtonId, this);
  stop_ = MakeButton("停止", kStopButtonId, this);
  play_->move(kMargin, kMargin);
  stop_->move(kStopOffset, kMargin);
  connect(play_, &QPushButton::clicked, this, &CMusicPlayerView::Play);
  connect(stop_, &QPushButton::clicked, this, &CMusicPlayerView::Stop);
}

CMusicPlayerView::~CMusicPlayerView() = default;

void CMusicPlayerView::SetSound(const unsigned char* bytes, std::size_t length, SoundDevice type) {
  deviceType_ = type;
  sound_.assign(bytes, bytes + length);
}

bool CMusicPlayerView::IsPlaying() const { return device_ && device_->IsPlaying(); }

void CMusicPlayerView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int x0 = (event->size().width() - kBlockWidth) / 2;
  const int y = (event->size().height() - kBlockHeight) / 2 + kMargin;
  play_->setGeometry(x0 + kMargin, y, kButtonSize, kButtonSize);
  stop_->setGeometry(x0 + kStopOffset, y, kButtonSize, kButtonSize);
}

void CMusicPlayerView::Play() {
  device_.reset();  // close what the last Play opened
  if (!ReplaceFile(kTempFileName, sound_)) return;
  bool noOutput = false;
  device_ = OpenedSound::Open(kTempFileName, deviceType_, &noOutput);
  if (device_) device_->Play();
  if (noOutput) {
    ShowMessageBox(this, QMessageBox::Warning, UiText(texts::kProgramTitle, language_),
                   UiText(texts::kPlayNoAudioOutput, language_), QMessageBox::Ok);
  }
}

void CMusicPlayerView::Stop() { device_.reset(); }

}  // namespace cfv
