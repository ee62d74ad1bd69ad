#include "python/PythonErrors.h"

#include <pybind11/eval.h>

#include <new>
#include <stdexcept>

namespace splicer::python {
namespace {

// Owned by the module's dictionary once defined; the module is never
// unloaded while the interpreter runs.
PyObject* g_fileError = nullptr;
PyObject* g_joinError = nullptr;

constexpr const char* kJoinErrorSource = R"py(
class JoinError(Exception):
    """A join that ended in an error or was aborted.

    code: the system's error code (e.g. -1006, -1100); message: its text;
    report: the same fields as `splicer join --report`.
    """

    def __init__(self, code, message, report=None):
        super().__init__(code, message)
        self.code = code
        self.message = message
        self.report = report

    def __str__(self):
        return f"{self.message} (code {self.code})"

JoinError.__module__ = "splicer"
)py";

}  // namespace

void DefineErrors(py::module_& m) {
  g_fileError = PyErr_NewExceptionWithDoc("splicer.FileError", "A scene file that cannot be read or written.",
                                          PyExc_OSError, nullptr);
  if (!g_fileError) throw py::error_already_set();
  m.add_object("FileError", py::handle(g_fileError));
  py::exec(kJoinErrorSource, m.attr("__dict__"));
  g_joinError = m.attr("JoinError").ptr();
  // Memory running out says so, not the name of a C++ exception.
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const std::bad_alloc&) {
      PyErr_SetString(PyExc_MemoryError, "not enough memory for the objects' arrays");
    } catch (const std::length_error&) {
      PyErr_SetString(PyExc_MemoryError, "not enough memory: an array larger than memory can hold");
    }
  });
}

void ThrowFileError(const std::string& message) {
  PyErr_SetString(g_fileError, message.c_str());
  throw py::error_already_set();
}

void ThrowJoinError(int32_t code, const std::string& message, const py::object& report) {
  const py::object error = py::reinterpret_borrow<py::object>(g_joinError)(code, message, report);
  PyErr_SetObject(g_joinError, error.ptr());
  throw py::error_already_set();
}

}  // namespace splicer::python
