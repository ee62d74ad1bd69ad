#include "python/PythonWarnings.h"

#include <pybind11/pybind11.h>

namespace splicer::python {

void WarnAboutJoin(const std::string& text) {
  if (PyErr_WarnEx(PyExc_UserWarning, text.c_str(), 1) != 0) throw pybind11::error_already_set();
}

}  // namespace splicer::python
