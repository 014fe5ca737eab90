// What the progress dialog shows for the load counters: the counter text
// "done/total" and the progress bar's range, whose upper bound is the total
// taken to its low 16 bits (the bar's range is 16 bits wide; the text always
// shows the full numbers).
#pragma once

#include <cstdint>
#include <string>

namespace cfv {

inline std::string LoadCounterText(std::int32_t done, std::int32_t total) {
  return std::to_string(done) + "/" + std::to_string(total);
}

inline int LoadBarMaximum(std::int32_t total) {
  return static_cast<int>(static_cast<std::uint32_t>(total) & 0xFFFFu);
}

}  // namespace cfv
