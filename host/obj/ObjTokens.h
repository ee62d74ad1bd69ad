// The tokens of an OBJ line, shared by the line-by-line reader and the
// chunks read ahead on other threads, so that both read a line alike.
#pragma once

#include <charconv>
#include <cstdint>
#include <string_view>

namespace tsxhost::detail {

inline std::string_view TrimLeft(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  return s.substr(i);
}

inline std::string_view Trim(std::string_view s) {
  s = TrimLeft(s);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

inline std::string_view NextToken(std::string_view& rest) {
  rest = TrimLeft(rest);
  size_t end = 0;
  while (end < rest.size() && rest[end] != ' ' && rest[end] != '\t') ++end;
  const std::string_view token = rest.substr(0, end);
  rest = rest.substr(end);
  return token;
}

// A number as strtof reads it (a plus sign allowed, out of range giving
// infinity or zero); false when the token is not a number.
bool ReadFloatToken(std::string_view token, float* out);

// An index as written (from 1; negative: counted back); false when the
// token is not an integer.
inline bool ReadIndexToken(std::string_view token, int64_t* value) {
  const auto [ptr, ec] = std::from_chars(token.data(), token.data() + token.size(), *value);
  return ec == std::errc() && ptr == token.data() + token.size();
}

}  // namespace tsxhost::detail
