// Allocation failures on demand: the test binary that links FailingNew.cpp
// replaces the global operator new, so that a test can make the n-th
// allocation from now throw std::bad_alloc and count the blocks still live.
#pragma once

#include <cstdint>

namespace spl::testing {

// The n-th operator new from now (1 = the next one) throws; 0 disarms.
void FailNthNew(int n);
// Blocks from operator new not yet deleted, over the whole process.
int64_t LiveNewBlocks();

// Arms FailNthNew(n) for one scope and disarms it on the way out.
class NewFailure {
 public:
  explicit NewFailure(int n) { FailNthNew(n); }
  ~NewFailure() { FailNthNew(0); }
  NewFailure(const NewFailure&) = delete;
  NewFailure& operator=(const NewFailure&) = delete;
};

// Calls `run` with the 1st, 2nd, ... allocation failing in turn until a run
// gets through without meeting the failure; `check(n)` is called after each
// failed run. Returns the number of allocations the successful run made
// (bounded by `limit` tries).
template <typename Run, typename Check>
int ForEachFailingNew(Run run, Check check, int limit = 10000) {
  for (int n = 1; n <= limit; ++n) {
    bool failed = false;
    {
      NewFailure failure(n);
      failed = run();
    }
    if (!failed) return n - 1;
    check(n);
  }
  return limit;
}

}  // namespace spl::testing
