// The module's exceptions: splicer.FileError (an OSError: a file that
// cannot be read or written) and splicer.JoinError (a join that ended in an
// error or was aborted, with the code, the system's message and the report).
#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>
#include <string>

namespace splicer::python {

namespace py = pybind11;

void DefineErrors(py::module_& m);
[[noreturn]] void ThrowFileError(const std::string& message);
[[noreturn]] void ThrowJoinError(int32_t code, const std::string& message, const py::object& report);

}  // namespace splicer::python
