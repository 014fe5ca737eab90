// Integer scaling as Windows does it, for dialog units, font heights and
// points. Pure; any thread.
#pragma once

namespace cfv {

// Windows' MulDiv: a * b / c computed in 64 bits and rounded to the nearest
// integer, halves away from zero; -1 when c is 0 or the result overflows.
int MulDiv(int a, int b, int c);

}  // namespace cfv
