#include "engine/common/Planted.h"

#include <array>
#include <vector>

namespace spl {

TJoinState JoinState;

namespace {

constexpr std::array kRows{Pair{1}, Pair{2}};
const std::vector<int> kSizes = {1, 2, 3};
std::vector<int> g_sizes{1, 2};  // named
int g_calls = 0, g_more = 1;     // named (the first)
struct Tally {
  long taken = 0;
} g_tally;  // named
void (*g_hook)(int) = nullptr;  // named

bool operator==(const Pair& a, const Pair& b) { return a.first == b.first; }

}  // namespace

int Twice(int x) {
  static int s_seen = 0;  // named
  static constexpr int kFactor = 2;
  static const std::array<int, 2> kPair{1, 2};
  static_cast<void>(kPair);
  for (int i = 0; i < 2; ++i) x += 0;
  const auto add = [](int y) {
    static thread_local int t_last = 0;  // named
    return t_last = y;
  };
  return add(x) * kFactor + s_seen++;
}

int Pair::s_instances = 0;  // named (its definition)

}  // namespace spl
