// Line splitting and display cleaning shared by the OBJ and MTL readers.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tsxhost::detail {

// Calls line(text, offset) for each line of `text` (its offset in `text`
// second); "\n", "\r\n" and a lone "\r" all end a line. Stops early when
// line() returns false; returns false then.
template <typename F>
bool ForEachLineAt(std::string_view text, F line) {
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find_first_of("\r\n", at);
    if (end == std::string_view::npos) end = text.size();
    if (!line(text.substr(at, end - at), at)) return false;
    at = end + (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n' ? 2 : 1);
  }
  return true;
}

// The text after a leading UTF-8 byte order mark.
inline std::string_view WithoutByteOrderMark(std::string_view text) {
  return text.substr(0, 3) == "\xEF\xBB\xBF" ? text.substr(3) : text;
}

// Calls line(text) for each line of `text`, after a leading UTF-8 byte
// order mark, as ForEachLineAt does.
template <typename F>
bool ForEachLine(std::string_view text, F line) {
  return ForEachLineAt(WithoutByteOrderMark(text), [&line](std::string_view l, size_t) { return line(l); });
}

// Text safe to show on a terminal: control characters become '?', and
// anything past `limit` bytes is cut (at a character boundary) with "...".
std::string ForDisplay(std::string_view text, size_t limit = 200);

inline constexpr size_t kNameLimit = 255;  // longest object or group name kept
// A name from a file, cleaned like ForDisplay and cut so that the result,
// "..." included, is at most kNameLimit bytes: cleaning it again changes
// nothing, so a written name reads back the same.
std::string CleanName(std::string_view text);

// Reads a regular file whole; false with `why` (the reason, as strerror
// gives it, or "not a regular file") otherwise. Files over `limit` bytes
// are refused.
bool ReadRegularFile(const std::string& path, size_t limit, std::string* text, std::string* why);

}  // namespace tsxhost::detail
