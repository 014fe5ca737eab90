// The GUI's way to the program's texts: a bilingual pair, or a format
// filled with arguments, as a QString in the UI language.
#pragma once

#include <QString>
#include <initializer_list>
#include <string_view>

#include "common/text_format.h"
#include "common/texts.h"

namespace cfv {

inline QString ToQString(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

inline QString UiText(const Bilingual& text, UiLanguage language) { return ToQString(text.In(language)); }

// `format` in the UI language with its "%s" places filled in order.
inline QString UiFormat(const Bilingual& format, UiLanguage language,
                        std::initializer_list<std::string_view> args) {
  return ToQString(FormatText(format.In(language), args));
}

// "[ <caption word> ] - <program title>", the caption of the Configuration
// and Configure Export dialogs.
inline QString DialogCaption(const Bilingual& word, UiLanguage language) {
  return UiFormat(texts::kDialogCaptionFormat, language,
                  {word.In(language), texts::kProgramTitle.In(language)});
}

}  // namespace cfv
