// Planted for the check of the engine's own state: what it must name and
// what it must let be. Never built.
#pragma once

#include <string_view>

namespace spl {

struct TJoinState {
  int LastError = 0;
};
extern TJoinState JoinState;  // the join state record: allowed

inline constexpr double kLimit = 0.5;
inline int g_inlineCounter = 0;  // named
extern int g_declared;           // named

enum class Mode { A, B };
struct Pair {
  int first = 0;
  static int s_instances;          // named
  static constexpr int kMost = 4;
  static const int kLeast;
  int Sum() const { return first + kMost; }
};

using Name = std::string_view;
int Twice(int x);
const char* const kTitle = "title";
const char* g_title = "title";  // named: the pointer itself changes

}  // namespace spl
