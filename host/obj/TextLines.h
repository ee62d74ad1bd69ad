// Line splitting and display cleaning shared by the OBJ and MTL readers.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace tsxhost::detail {

// Where the line that starts at `at` ends: the first "\r" or "\n" from
// there, else text.size(). Looked for with memchr, a window at a time so
// that a text with lone "\r" line ends is still read in linear time
// (find_first_of would look each byte up in the set, much slower).
inline size_t LineEnd(std::string_view text, size_t at) {
  constexpr size_t kWindow = 256;
  for (size_t from = at; from < text.size(); from += kWindow) {
    const char* begin = text.data() + from;
    const size_t left = std::min(kWindow, text.size() - from);
    const void* newline = std::memchr(begin, '\n', left);
    const size_t upTo = newline ? static_cast<size_t>(static_cast<const char*>(newline) - begin) : left;
    if (const void* ret = std::memchr(begin, '\r', upTo)) return from + static_cast<size_t>(static_cast<const char*>(ret) - begin);
    if (newline) return from + upTo;
  }
  return text.size();
}

// Calls line(text, offset) for each line of `text` (its offset in `text`
// second); "\n", "\r\n" and a lone "\r" all end a line. Stops early when
// line() returns false; returns false then.
template <typename F>
bool ForEachLineAt(std::string_view text, F line) {
  size_t at = 0;
  while (at < text.size()) {
    const size_t end = LineEnd(text, at);
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
// A file's bytes in a buffer that was not cleared before the read.
struct FileText {
  std::unique_ptr<char[]> data;
  size_t size = 0;
  std::string_view View() const { return {data.get(), size}; }
};
bool ReadRegularFile(const std::string& path, size_t limit, FileText* text, std::string* why);
// Whether `path` can be opened and is a regular file, without blocking on a
// pipe or a device; false with `why` as ReadRegularFile gives it.
bool IsRegularFile(const std::string& path, std::string* why);

}  // namespace tsxhost::detail
