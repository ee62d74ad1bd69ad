// The stand-in host is one process-wide state that is not safe to use from
// two threads at once: every call into it from Python holds this lock. It
// is waited for with the GIL released, so that a thread holding it (a join
// calling its progress callback, say) can always take the GIL. The same
// thread may take it again (a callback reading an object).
#pragma once

#include <pybind11/pybind11.h>

#include <mutex>

namespace splicer::python {

class HostLock {
 public:
  HostLock();
  ~HostLock();
  HostLock(const HostLock&) = delete;
  HostLock& operator=(const HostLock&) = delete;
};

// Runs `work` with the host locked and the GIL released (it must not touch
// Python objects).
template <typename Work>
auto WithoutGil(Work&& work) {
  HostLock lock;
  pybind11::gil_scoped_release release;
  return work();
}

}  // namespace splicer::python
