#include "python/PythonHost.h"

namespace splicer::python {
namespace {

std::recursive_mutex& Host() {
  static std::recursive_mutex host;
  return host;
}

}  // namespace

HostLock::HostLock() {
  if (Host().try_lock()) return;
  pybind11::gil_scoped_release release;
  Host().lock();
}

HostLock::~HostLock() { Host().unlock(); }

}  // namespace splicer::python
