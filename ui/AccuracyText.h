// The accuracy field's text: number to text and text to number, with "."
// as the decimal point whatever the system's locale.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace spl {

// General format, at most 15 significant digits, no trailing zeros:
// 0 -> "0", 0.01 -> "0.01", 0.5 -> "0.5", 1 -> "1".
std::string AccuracyToText(double value);

// Blanks around an optional sign, digits, an optional "." with digits and
// an optional exponent ("e"/"E", optional sign, digits). The part before
// the exponent needs a digit or the point, so "." reads as 0. Empty for
// any other text and for a number beyond the double range; a number too
// small for it reads as 0.
std::optional<double> TextToAccuracy(std::string_view text);

// The conversion error's message for a text that is not a number:
// "'%s' は浮動小数点数ではありません" with the text in place of %s.
std::string NotAFloatMessage(std::string_view text);

}  // namespace spl
