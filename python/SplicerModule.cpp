// splicer._splicer, the compiled part of `import splicer`: scenes in every
// known file format, and the join.
#include <pybind11/pybind11.h>

#include "python/PythonErrors.h"
#include "python/PythonJoin.h"
#include "python/PythonScene.h"

PYBIND11_MODULE(_splicer, m) {
  m.doc() = "The compiled part of splicer; use `import splicer`.";
  m.attr("__version__") = SPLICER_VERSION;
  splicer::python::DefineErrors();
  splicer::python::BindScene(m);
  splicer::python::BindJoin(m);
}
