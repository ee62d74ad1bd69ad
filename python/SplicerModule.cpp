// splicer._splicer, the compiled part of `import splicer`: scenes in every
// known file format, and the join.
#include <pybind11/pybind11.h>

#include "host/formats/MeshFormats.h"
#include "python/PythonErrors.h"
#include "python/PythonJoin.h"
#include "python/PythonScene.h"

namespace {

// Asked while the reader process reads a file (on the reading thread, the
// GIL released): Ctrl-C stops the reading and comes through as
// KeyboardInterrupt.
bool InterruptRequested() {
  pybind11::gil_scoped_acquire gil;
  return PyErr_Occurred() != nullptr || PyErr_CheckSignals() != 0;
}

}  // namespace

PYBIND11_MODULE(_splicer, m) {
  m.doc() = "The compiled part of splicer; use `import splicer`.";
  m.attr("__version__") = SPLICER_VERSION;
  splicer::python::DefineErrors();
  splicer::python::BindScene(m);
  splicer::python::BindJoin(m);
  tsxhost::SetReadInterruptCheck(&InterruptRequested);
}
