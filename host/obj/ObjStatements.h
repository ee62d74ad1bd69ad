// The statements of the OBJ format, and the tally of those a reader skips.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tsxhost {

// Whether `key` is a statement of the OBJ format (used here or not).
bool IsObjStatement(std::string_view key);

// Counts skipped statements by kind, to report each kind once.
class StatementTally {
 public:
  void Add(std::string_view key, long line);
  // "12 'l' statements skipped (first on line 40)", one per kind.
  std::vector<std::string> Warnings() const;

 private:
  static constexpr size_t kKindsShown = 16;
  struct Kind {
    std::string key;
    long count = 0;
    long firstLine = 0;
  };
  std::vector<Kind> kinds_;
  long others_ = 0;  // statements of kinds past the first kKindsShown
};

}  // namespace tsxhost
