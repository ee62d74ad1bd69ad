// splicer.join: the engine's join of two objects of a scene, in-process
// through the stand-in host, with no window.
#pragma once

#include <pybind11/pybind11.h>

namespace splicer::python {

void BindJoin(pybind11::module_& m);

}  // namespace splicer::python
