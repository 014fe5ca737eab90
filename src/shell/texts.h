// Every user-visible text of the program, in one place, as English /
// Japanese pairs chosen by the UI language. Qt-free, so the command-line tool
// and the GUI show the same words. UTF-8.
//
// Each subsystem keeps its texts in its own section below.
#pragma once

#include <string_view>

namespace cfv {

enum class UiLanguage { English, Japanese };

struct Bilingual {
  std::string_view english;
  std::string_view japanese;
  constexpr std::string_view In(UiLanguage language) const {
    return language == UiLanguage::Japanese ? japanese : english;
  }
};

namespace texts {

// ---- Application shell
inline constexpr Bilingual kProgramTitle{"Tazor Custom File Viewer", "Tazor Custom File Viewer"};

// ---- Containers (loading, extraction)
inline constexpr Bilingual kWaitCaption{"Processing...", "処理中..."};
inline constexpr Bilingual kWaitAbort{"Abort", "中止"};

// ---- Export

// ---- Preview

// ---- Settings

}  // namespace texts
}  // namespace cfv
