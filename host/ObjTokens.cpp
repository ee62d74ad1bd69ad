#include "ObjTokens.h"

#include <cstdlib>
#include <string>

namespace tsxhost::detail {

bool ReadFloatToken(std::string_view token, float* out) {
  const char* first = token.data();
  const char* last = token.data() + token.size();
  if (first != last && *first == '+') ++first;  // strtof takes a plus sign, from_chars does not
  const auto [ptr, ec] = std::from_chars(first, last, *out);
  if (ec == std::errc::result_out_of_range) {
    // strtof's answer for an out-of-range number: infinity or zero.
    *out = static_cast<float>(std::strtod(std::string(token).c_str(), nullptr));
    return true;
  }
  return ec == std::errc() && ptr == last && first != last;
}

}  // namespace tsxhost::detail
