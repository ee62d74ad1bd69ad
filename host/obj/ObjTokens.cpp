#include "host/obj/ObjTokens.h"

#include <cstdlib>
#include <locale.h>
#include <stdlib.h>
#include <string>

namespace tsxhost::detail {

namespace {

// Numbers in files use the decimal point whatever locale the program runs
// in (a window toolkit switches to the user's, where it may be a comma).
float StrtofInCLocale(const std::string& text) {
  static const locale_t c = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
  return c != static_cast<locale_t>(0) ? strtof_l(text.c_str(), nullptr, c) : std::strtof(text.c_str(), nullptr);
}

}  // namespace

bool ReadFloatToken(std::string_view token, float* out) {
  const char* first = token.data();
  const char* last = token.data() + token.size();
  if (first != last && *first == '+') ++first;  // strtof takes a plus sign, from_chars does not
  const auto [ptr, ec] = std::from_chars(first, last, *out);
  if (ec == std::errc::result_out_of_range) {
    // strtof's answer for an out-of-range number: infinity or zero. Read
    // straight to float: a double beyond float's range cast down is undefined.
    *out = StrtofInCLocale(std::string(token));
    return true;
  }
  return ec == std::errc() && ptr == last && first != last;
}

}  // namespace tsxhost::detail
