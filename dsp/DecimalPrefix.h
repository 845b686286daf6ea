#pragma once
// Text-to-double conversion of filter files: the longest leading decimal number of a text, the way the C
// library's atof reads it, except that the decimal point is always "." whatever the process locale is and
// that an exponent may also be introduced by d or D (as Fortran-style tools write it).

#include <string_view>

namespace tressel::dsp {

// Skips leading white space (space, tab, CR, LF, vertical tab, form feed) and converts the longest prefix
// of the form [sign] digits [. digits] [(e|E|d|D) [sign] digits], with at least one mantissa digit. The
// rest of the text is ignored; a text without such a prefix gives 0.0. Values beyond the double range give
// an infinity, values below it zero, both with the sign of the text.
double ParseDecimalPrefix(std::string_view text);

}  // namespace tressel::dsp
