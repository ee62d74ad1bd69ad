#include "python/PythonWarnings.h"

#include <pybind11/pybind11.h>

#include "python/PythonErrors.h"

namespace splicer::python {

void Warn(const std::string& text, WarningKind kind) {
  const pybind11::handle types = TypesModule();
  const pybind11::object category = kind == WarningKind::Seam
                                        ? pybind11::object(types.attr("SeamWarning"))
                                        : pybind11::reinterpret_borrow<pybind11::object>(PyExc_UserWarning);
  // Level 2: the user's line that called into the module (the compiled
  // frames do not count).
  types.attr("warn")(text, category, 2);
}

}  // namespace splicer::python
