// Fills the "%s" places of a text format in order, as the program's
// bilingual formats are written ("%s %s", "[ %s ] - %s", "&About %s").
// A "%s" without an argument left stays as it is; surplus arguments are
// ignored. No other conversion is interpreted. UTF-8 in and out.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace cfv {

std::string FormatText(std::string_view format, std::initializer_list<std::string_view> args);

}  // namespace cfv
