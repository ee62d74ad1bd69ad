#include "python/PythonErrors.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <new>
#include <stdexcept>

namespace splicer::python {
namespace {


// The system's reason why `path` cannot be read (or, writing, why its
// folder cannot take it); 0 when the system has none and the file's content
// must be at fault.
int SystemError(const std::string& path, bool writing) {
  if (writing) {
    const std::filesystem::path target(path);
    const std::string folder = target.has_parent_path() ? target.parent_path().string() : std::string(".");
    struct stat st {};
    if (stat(folder.c_str(), &st) != 0) return errno;
    if (!S_ISDIR(st.st_mode)) return ENOTDIR;
    if (access(folder.c_str(), W_OK) != 0) return errno;
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return EISDIR;
    return 0;
  }
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return errno;
  if (S_ISDIR(st.st_mode)) return EISDIR;
  if (!S_ISREG(st.st_mode)) return 0;  // the message says what it is
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno;
  close(fd);
  return 0;
}

}  // namespace

// Kept by sys.modules once imported; never unloaded while the interpreter
// runs.
py::handle TypesModule() {
  static py::handle types = py::module_::import("splicer._types").release();
  return types;
}

void DefineErrors() {
  TypesModule();
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

void ThrowFileError(const std::string& message, const std::string& path, bool writing, bool noMemory) {
  if (noMemory) {
    PyErr_SetString(PyExc_MemoryError, message.c_str());
    throw py::error_already_set();
  }
  const int code = SystemError(path, writing);
  const py::object error = TypesModule().attr("file_error")(message, path, code ? py::int_(code) : py::object(py::none()));
  PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(error.ptr())), error.ptr());
  throw py::error_already_set();
}

void ThrowJoinError(int32_t code, const std::string& message, const py::object& report) {
  const py::object kind = TypesModule().attr("JoinError");
  const py::object error = kind(code, message, report);
  PyErr_SetObject(kind.ptr(), error.ptr());
  throw py::error_already_set();
}

}  // namespace splicer::python
