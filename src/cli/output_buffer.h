// Output lines gathered into blocks before they are written, so a command
// that prints a line per entry of a million costs little more than the
// work itself.
#pragma once

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string>

namespace cfv::cli {

class OutputBuffer {
 public:
  explicit OutputBuffer(std::FILE* out) : out_(out) {}
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  // Where lines are appended.
  std::string& text() { return text_; }
  // Called after each line: writes what is gathered once it makes a block.
  void LineDone() {
    if (text_.size() >= kBlock) Flush();
  }
  void Flush() {
    if (!text_.empty() && std::fwrite(text_.data(), 1, text_.size(), out_) != text_.size()) failed_ = true;
    text_.clear();
  }
  // Writes the rest and flushes the stream: false when any write failed.
  bool Finish() {
    Flush();
    return std::fflush(out_) == 0 && !failed_ && std::ferror(out_) == 0;
  }

 private:
  static constexpr std::size_t kBlock = 256 * 1024;
  std::FILE* out_;
  std::string text_;
  bool failed_ = false;
};

// Appends `value` in decimal to a line being gathered.
inline void AppendNumber(std::string& out, std::uint64_t value) {
  char digits[20];
  out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

}  // namespace cfv::cli
