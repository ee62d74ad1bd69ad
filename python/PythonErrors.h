// The module's exceptions, defined in Python (splicer._types) and raised
// from here: FileError (an OSError; MissingFileError when the file does not
// exist) and JoinError (code, message, report). Warnings: PythonWarnings.h.
#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>
#include <string>

namespace splicer::python {

namespace py = pybind11;

// Imports splicer._types; call once, when the module is made.
void DefineErrors();

// `path` could not be read or written: raises FileError with the system's
// error number for it (None when the file's content is at fault), or
// MemoryError with the message when memory ran out.
[[noreturn]] void ThrowFileError(const std::string& message, const std::string& path, bool writing,
                                 bool noMemory = false);
[[noreturn]] void ThrowJoinError(int32_t code, const std::string& message, const py::object& report);

// splicer._types: the exceptions, warnings and value types in Python.
py::handle TypesModule();

}  // namespace splicer::python
