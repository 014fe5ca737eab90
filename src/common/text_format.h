// Fills the "%s" places of a text format in order, as the program's
// bilingual formats are written ("%s %s", "[ %s ] - %s", "&About %s").
// A "%s" without an argument left stays as it is; surplus arguments are
// ignored. No other conversion is interpreted. UTF-8 in and out.
// Also the trimming of lines that every settings reader shares.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace cfv {

std::string FormatText(std::string_view format, std::initializer_list<std::string_view> args);

// `s` without the spaces and tabs at either end and carriage returns at its
// end, as lines of the system's and our own settings files are read.
std::string_view TrimBlanks(std::string_view s);

}  // namespace cfv
