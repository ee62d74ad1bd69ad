#include "ui/AccuracyText.h"

#include <charconv>
#include <system_error>

namespace spl {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The accepted forms, rewritten so that from_chars takes them: a lone "."
// or "5." gets its missing digits.
struct Number {
  std::string normalised;
  long exponent = 0;     // the written exponent
  long leadDigits = 0;   // digits before the point, leading zeros skipped
  long fracZeros = 0;    // zeros right after the point before a digit
  bool nonZero = false;  // any nonzero digit in the mantissa
};

std::size_t TakeDigits(std::string_view text, std::size_t i) {
  while (i < text.size() && IsDigit(text[i])) ++i;
  return i;
}

std::optional<Number> Scan(std::string_view text) {
  Number n;
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    if (text[i] == '-') n.normalised += '-';
    ++i;
  }
  const std::size_t intEnd = TakeDigits(text, i);
  std::string_view intPart = text.substr(i, intEnd - i);
  i = intEnd;
  std::string_view fracPart;
  bool point = false;
  if (i < text.size() && text[i] == '.') {
    point = true;
    const std::size_t fracEnd = TakeDigits(text, i + 1);
    fracPart = text.substr(i + 1, fracEnd - i - 1);
    i = fracEnd;
  }
  if (intPart.empty() && fracPart.empty() && !point) return std::nullopt;
  std::string_view expPart;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    const std::size_t expEnd = TakeDigits(text, j);
    if (expEnd == j) return std::nullopt;
    expPart = text.substr(i + 1, expEnd - i - 1);
    i = expEnd;
  }
  if (i != text.size()) return std::nullopt;

  n.normalised += intPart.empty() ? std::string_view("0") : intPart;
  n.normalised += '.';
  n.normalised += fracPart.empty() ? std::string_view("0") : fracPart;
  if (!expPart.empty()) {
    n.normalised += 'e';
    n.normalised += expPart;
    // A huge written exponent only matters by its sign here.
    std::string_view digits = expPart;
    const bool negative = digits.front() == '-';
    if (digits.front() == '+' || negative) digits.remove_prefix(1);
    long value = 0;
    for (char c : digits) value = value < 100000000 ? value * 10 + (c - '0') : value;
    n.exponent = negative ? -value : value;
  }
  const std::size_t firstNonZero = intPart.find_first_not_of('0');
  if (firstNonZero != std::string_view::npos) {
    n.leadDigits = static_cast<long>(intPart.size() - firstNonZero);
    n.nonZero = true;
  } else {
    const std::size_t f = fracPart.find_first_not_of('0');
    n.nonZero = f != std::string_view::npos;
    n.fracZeros = static_cast<long>(f == std::string_view::npos ? 0 : f);
  }
  return n;
}

}  // namespace

std::string AccuracyToText(double value) {
  char buffer[64];
  const auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  if (ec != std::errc()) return "0";
  return std::string(buffer, end);
}

std::optional<double> TextToAccuracy(std::string_view text) {
  const std::optional<Number> n = Scan(Trim(text));
  if (!n) return std::nullopt;
  double value = 0.0;
  const char* first = n->normalised.data();
  const char* last = first + n->normalised.size();
  const auto [end, ec] = std::from_chars(first, last, value);
  if (ec == std::errc::result_out_of_range) {
    // Out of range either way: above the largest double it is refused,
    // below the smallest it is as good as zero.
    const long magnitude = n->leadDigits > 0 ? n->leadDigits + n->exponent
                                             : n->exponent - n->fracZeros;
    if (n->nonZero && magnitude > 0) return std::nullopt;
    return 0.0;
  }
  if (ec != std::errc() || end != last) return std::nullopt;
  return value;
}

std::string NotAFloatMessage(std::string_view text) {
  std::string message = "'";
  message += text;
  message += "' は浮動小数点数ではありません";
  return message;
}

}  // namespace spl
