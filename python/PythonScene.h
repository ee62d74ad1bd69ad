// splicer.Scene and splicer.SceneObject: a set of the stand-in host's
// objects, owned by one Python object and deleted with it. The host has one
// scene, in which names are unique; each Python scene is a namespace of its
// own because only the scene in use is in the host's scene at a time.
#pragma once

#include <pybind11/pybind11.h>

#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "host/obj/ObjFile.h"
#include "host/scene/Scene.h"

namespace splicer::python {

namespace py = pybind11;

// Every member expects the caller to hold the HostLock.
struct SceneObject;
// An object as Python names it: by its name or as a SceneObject.
using ObjectRef = std::variant<std::string, const SceneObject*>;

class PyScene {
 public:
  PyScene() = default;
  ~PyScene();
  PyScene(const PyScene&) = delete;
  PyScene& operator=(const PyScene&) = delete;

  // Reads a file of any known format; raises FileError.
  static std::unique_ptr<PyScene> Load(const std::string& path, const tsxhost::ObjReadOptions& options = {});
  // Writes the scene's objects (or those named); raises FileError, warns
  // for what the format cannot hold.
  void Save(const std::string& path, const std::optional<std::vector<ObjectRef>>& objects) const;
  // The scene's objects that still exist, in the order they came.
  std::vector<tsxSOBJ> Objects() const;
  // Puts this scene's objects, and no others, in the host's scene; `again`
  // does so even when this scene is the one in use.
  void Activate(bool again = false) const;
  // The object of that name (raises KeyError listing the names), or the
  // handle of a SceneObject of this scene (raises ValueError otherwise).
  tsxSOBJ Find(const ObjectRef& ref) const;
  // The object of that name, 0 when there is none.
  tsxSOBJ Named(const std::string& name) const;
  void Adopt(tsxSOBJ obj) { objects_.push_back(obj); }

 private:
  static const PyScene* active_;
  std::vector<tsxSOBJ> objects_;
};

// A view of one object of a scene; keeps its scene alive.
struct SceneObject {
  py::object scene;  // the PyScene
  tsxSOBJ handle = 0;
};

void BindScene(py::module_& m);

}  // namespace splicer::python
