// Warnings said once each, in the order first met, however many cases
// there are (a format's reader or writer meets the same loss many times).
#pragma once

#include <set>
#include <string>
#include <vector>

namespace tsxhost::detail {

class OnceNotes {
 public:
  void Add(const std::string& text) {
    if (seen_.insert(text).second) list_.push_back(text);
  }
  std::vector<std::string> Take() { return std::move(list_); }

 private:
  std::set<std::string> seen_;
  std::vector<std::string> list_;
};

}  // namespace tsxhost::detail
