#include "python/PythonScene.h"

#include <pybind11/stl.h>

#include <algorithm>
#include <optional>

#include "host/formats/MeshFormats.h"
#include "python/PythonArrays.h"
#include "python/PythonErrors.h"
#include "python/PythonHost.h"
#include "python/PythonWarnings.h"

namespace splicer::python {
namespace {

PyScene& SceneOf(const SceneObject& o) { return py::cast<PyScene&>(o.scene); }

// The handle of a view whose object still exists.
tsxSOBJ Live(const SceneObject& o) {
  const std::vector<tsxSOBJ> objects = SceneOf(o).Objects();
  if (std::find(objects.begin(), objects.end(), o.handle) == objects.end()) {
    throw py::value_error("the object no longer exists");
  }
  return o.handle;
}

// Asked now and then while a file is read or written with the GIL
// released: Ctrl-C stops the work, which then comes through as
// KeyboardInterrupt.
bool NotInterrupted() {
  py::gil_scoped_acquire gil;
  return PyErr_Occurred() == nullptr && PyErr_CheckSignals() == 0;
}

std::string Quoted(const std::string& name) { return py::repr(py::str(name)); }

std::string NameList(const PyScene& scene) {
  std::string names;
  for (tsxSOBJ obj : scene.Objects()) names += (names.empty() ? "" : ", ") + Quoted(tsxhost::ObjectName(obj));
  return names.empty() ? "none" : names;
}

std::string Plural(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// Objects as Python sees them: a SceneObject per handle.
py::list ObjectList(const py::object& self) {
  py::list out;
  for (tsxSOBJ obj : py::cast<PyScene&>(self).Objects()) out.append(SceneObject{self, obj});
  return out;
}

void Rename(const SceneObject& o, const std::string& name) {
  CheckName(name, "an object name");
  HostLock lock;
  const tsxSOBJ obj = Live(o);
  const tsxSOBJ other = SceneOf(o).Named(name);
  if (other != 0 && other != obj) throw py::value_error("the scene already has an object named " + Quoted(name));
  tsxhost::SetObjectName(obj, name);
}

// A read-only view of one of the object's arrays, keeping the object alive.
template <py::array (*view)(tsxSOBJ, const py::object&)>
py::array ViewOf(const py::object& self) {
  const auto& o = py::cast<const SceneObject&>(self);
  HostLock lock;
  return view(Live(o), self);
}

}  // namespace

const PyScene* PyScene::active_ = nullptr;

PyScene::~PyScene() {
  HostLock lock;
  for (tsxSOBJ obj : objects_) {
    if (tsxhost::IsAlive(obj)) tsxSobjDelete(obj);
  }
  if (active_ == this) active_ = nullptr;
}

void PyScene::Activate(bool again) const {
  if (active_ == this && !again) return;
  for (tsxSOBJ obj : tsxhost::SceneObjects()) tsxhost::RemoveFromScene(obj);
  for (tsxSOBJ obj : Objects()) tsxSceneAddObject(obj, 0);
  active_ = this;
}

std::unique_ptr<PyScene> PyScene::Load(const std::string& path, const tsxhost::ObjReadOptions& options) {
  auto scene = std::make_unique<PyScene>();
  HostLock lock;
  scene->Activate();
  tsxhost::ObjReadOptions watched = options;
  watched.progress = [](int64_t, int64_t) { return NotInterrupted(); };
  const tsxhost::ObjResult r = [&] {
    py::gil_scoped_release release;
    return tsxhost::LoadScene(path, watched);
  }();
  if (r.ok) scene->objects_ = r.objects;  // freed with the scene if Ctrl-C came at the very end
  if (PyErr_Occurred()) throw py::error_already_set();  // Ctrl-C while the reader ran
  if (!r.ok) ThrowFileError(r.error, path, false, r.noMemory);
  for (const std::string& w : r.warnings) Warn(w);
  return scene;
}

void PyScene::Save(const std::string& path, const std::optional<std::vector<ObjectRef>>& objects) const {
  HostLock lock;
  Activate();
  std::vector<tsxSOBJ> chosen;
  if (!objects) {
    chosen = Objects();
  } else {
    for (const ObjectRef& o : *objects) chosen.push_back(Find(o));
  }
  const tsxhost::SaveResult r = [&] {
    py::gil_scoped_release release;
    return tsxhost::SaveScene(path, chosen, [](int64_t, int64_t) { return NotInterrupted(); });
  }();
  if (PyErr_Occurred()) throw py::error_already_set();  // Ctrl-C: nothing written
  if (!r.ok) ThrowFileError(r.error, path, true, r.noMemory);
  for (const std::string& w : r.warnings) Warn(w);
}

std::vector<tsxSOBJ> PyScene::Objects() const {
  std::vector<tsxSOBJ> live;
  for (tsxSOBJ obj : objects_) {
    if (tsxhost::IsAlive(obj)) live.push_back(obj);
  }
  return live;
}

tsxSOBJ PyScene::Named(const std::string& name) const {
  for (tsxSOBJ obj : Objects()) {
    if (tsxhost::ObjectName(obj) == name) return obj;
  }
  return 0;
}

tsxSOBJ PyScene::Find(const ObjectRef& ref) const {
  Activate();
  if (const auto* object = std::get_if<const SceneObject*>(&ref)) {
    if (!*object) throw py::type_error("an object is given by its name or as a SceneObject, not None");
    if (&SceneOf(**object) != this) throw py::value_error("the object belongs to another scene");
    return Live(**object);
  }
  const auto& name = std::get<std::string>(ref);
  if (const tsxSOBJ obj = Named(name)) return obj;
  throw py::key_error("no object named " + Quoted(name) + "; the scene's objects are " + NameList(*this));
}

void BindScene(py::module_& m) {
  py::class_<SceneObject>(m, "SceneObject",
                          "One polyhedron of a Scene (from scene[name], scene.objects or join). It keeps its scene "
                          "alive; vertices and uvs are read-only views of the scene's own arrays, the other "
                          "arrays fresh copies.")
      .def_property(
          "name",
          [](const SceneObject& o) {
            HostLock lock;
            return tsxhost::ObjectName(Live(o));
          },
          &Rename, "The object's name, unique in its scene; setting it renames the object.")
      .def_property_readonly("vertices", &ViewOf<VertexView>,
                             "(n, 3) float32 positions in the object's own space (read-only, no copy).")
      .def_property_readonly("uvs", &ViewOf<UvView>, "(m, 2) float32 texture coordinates (read-only, no copy).")
      .def_property_readonly(
          "faces",
          [](const SceneObject& o) {
            HostLock lock;
            return FaceLists(Live(o));
          },
          "A list of vertex-index lists, one per face.")
      .def_property_readonly(
          "face_arrays",
          [](const SceneObject& o) {
            HostLock lock;
            FaceArrays a = FaceArraysOf(Live(o));
            py::dict d;
            d["offsets"] = a.offsets;
            d["vertices"] = a.vertices;
            d["uvs"] = a.uvs;
            d["materials"] = a.materials;
            return d;
          },
          "The faces as int32 arrays: offsets (faces + 1; face f has corners offsets[f]:offsets[f+1]), "
          "per-corner vertices and uvs (-1: none), per-face materials (indexes into materials).")
      .def_property_readonly(
          "normals",
          [](const SceneObject& o) {
            HostLock lock;
            return CornerNormals(Live(o));
          },
          "(corners, 3) float32: the normal of every corner, in face_arrays order and the object's own space; "
          "NaN rows for corners without one.")
      .def_property_readonly(
          "materials",
          [](const SceneObject& o) {
            std::vector<tsxhost::Material> materials;
            {
              HostLock lock;
              tsxhost::ReadMaterials(Live(o), &materials);
            }
            py::list out;
            for (const tsxhost::Material& mat : materials) out.append(MaterialObject(mat));
            return out;
          },
          "The object's materials (splicer.Material), as face_arrays['materials'] indexes them.")
      .def("__repr__", [](const SceneObject& o) {
        HostLock lock;
        if (!tsxhost::IsAlive(o.handle)) return std::string("<splicer.SceneObject (deleted)>");
        return "<splicer.SceneObject " + Quoted(tsxhost::ObjectName(o.handle)) + ": " +
               Plural(static_cast<size_t>(tsxPolyhGetNbrVxs(o.handle)), "vertex", "vertices") + ", " +
               Plural(static_cast<size_t>(tsxPolyhGetNbrFaces(o.handle)), "face", "faces") + ">";
      });

  py::class_<PyScene>(m, "Scene",
                      "Objects read from a file or added from arrays: a mapping of names to SceneObjects "
                      "(`name in scene`, `scene[name]`, `len(scene)`, iteration over the names, keys/values/"
                      "items). Each Scene is a namespace of its own; its objects are freed with it.")
      .def(py::init<>(), "An empty scene.")
      .def_static(
          "load",
          [](const std::string& path, bool resourcesAnywhere, const py::object& maxFaces) {
            tsxhost::ObjReadOptions options;
            options.resourcesAnywhere = resourcesAnywhere;
            if (!maxFaces.is_none()) {
              const auto refuse = [&maxFaces] {
                return py::value_error("max_faces must be a whole number above 0, not " +
                                       py::repr(maxFaces).cast<std::string>());
              };
              if (!py::isinstance<py::int_>(maxFaces) || py::isinstance<py::bool_>(maxFaces)) throw refuse();
              try {
                options.maxFaces = maxFaces.cast<unsigned long long>();
              } catch (const py::cast_error&) {
                throw refuse();
              }
              if (options.maxFaces == 0) throw refuse();
            }
            return PyScene::Load(path, options);
          },
          py::arg("path"), py::kw_only(), py::arg("resources_anywhere") = false, py::arg("max_faces") = py::none(),
          "Reads a .obj, .gltf, .glb, .ply or .stl file (by extension) into a new Scene. The files it refers to\n"
          "(material libraries, glTF buffers) are read only from its folder or below unless resources_anywhere;\n"
          "glTF, PLY and STL files of more than max_faces faces (default 20 million, every mesh counted at each\n"
          "node that places it) are refused. Raises FileError (MissingFileError when the file does not exist);\n"
          "what the reader skipped comes as warnings.")
      .def("save", &PyScene::Save, py::arg("path"), py::arg("objects") = std::nullopt,
           "Writes the objects (all, or those given by name or SceneObject) in the format of the path's "
           "extension; raises FileError. What the format cannot hold comes as warnings.")
      .def_property_readonly("objects", &ObjectList, "The scene's objects, in the order they came.")
      .def(
          "__getitem__",
          [](const py::object& self, const std::string& name) {
            HostLock lock;
            const tsxSOBJ obj = py::cast<PyScene&>(self).Named(name);
            if (obj == 0) {
              throw py::key_error("no object named " + Quoted(name) + "; the scene's objects are " +
                                  NameList(py::cast<PyScene&>(self)));
            }
            return SceneObject{self, obj};
          },
          py::arg("name"), "The object of that name; KeyError (listing the names) when there is none.")
      .def(
          "get",
          [](const py::object& self, const std::string& name, const py::object& fallback) -> py::object {
            HostLock lock;
            const tsxSOBJ obj = py::cast<PyScene&>(self).Named(name);
            return obj ? py::cast(SceneObject{self, obj}) : fallback;
          },
          py::arg("name"), py::arg("default") = py::none(), "The object of that name, or `default`.")
      .def(
          "__contains__",
          [](const PyScene& s, const py::object& name) {
            if (!py::isinstance<py::str>(name)) return false;
            HostLock lock;
            return s.Named(py::cast<std::string>(name)) != 0;
          },
          py::arg("name"), "Whether the scene has an object of that name.")
      .def(
          "__iter__",
          [](const PyScene& s) {
            py::list names;
            HostLock lock;
            for (tsxSOBJ obj : s.Objects()) names.append(tsxhost::ObjectName(obj));
            return py::iter(names);
          },
          "The names of the objects, in order.")
      .def(
          "keys",
          [](const PyScene& s) {
            std::vector<std::string> names;
            HostLock lock;
            for (tsxSOBJ obj : s.Objects()) names.push_back(tsxhost::ObjectName(obj));
            return names;
          },
          "The names of the objects, in order.")
      .def("values", &ObjectList, "The objects, in order.")
      .def(
          "items",
          [](const py::object& self) {
            py::list out;
            HostLock lock;
            for (tsxSOBJ obj : py::cast<PyScene&>(self).Objects()) {
              out.append(py::make_tuple(tsxhost::ObjectName(obj), SceneObject{self, obj}));
            }
            return out;
          },
          "(name, object) pairs, in order.")
      .def(
          "__len__",
          [](const PyScene& s) {
            HostLock lock;
            return s.Objects().size();
          },
          "The number of objects.")
      .def("__repr__",
           [](const PyScene& s) {
             HostLock lock;
             const size_t n = s.Objects().size();
             if (n == 0) return std::string("<splicer.Scene: empty>");
             return "<splicer.Scene: " + Plural(n, "object", "objects") + " (" + NameList(s) + ")>";
           })
      .def(
          "add",
          [](const py::object& self, const std::string& name, const py::array& vertices, const py::object& faces,
             const py::object& uvs, const py::object& materials, const py::object& faceUvs,
             const py::object& faceMaterials, const py::object& normals) {
            CheckName(name, "an object name");
            const AddArguments args(vertices, faces, uvs, materials, faceUvs, faceMaterials, normals);
            HostLock lock;
            py::cast<PyScene&>(self).Activate();
            std::string error;
            const tsxSOBJ obj = [&] {
              py::gil_scoped_release release;
              return tsxhost::AddPolyhedronArrays(name, args.Mesh(), &error);
            }();
            if (obj == 0) throw py::value_error(error);
            py::cast<PyScene&>(self).Adopt(obj);
            return SceneObject{self, obj};
          },
          py::arg("name"), py::arg("vertices"), py::arg("faces"), py::arg("uvs") = py::none(),
          py::arg("materials") = py::none(), py::kw_only(), py::arg("face_uvs") = py::none(),
          py::arg("face_materials") = py::none(), py::arg("normals") = py::none(),
          "Adds a polyhedron and returns it. vertices (n, 3); faces as an (f, k) integer array, an "
          "(offsets, corners) pair or a list of lists; uvs (n, 2) one per vertex, or any number with face_uvs "
          "one per corner; materials a list of splicer.Material (or dicts of their fields, or names), chosen "
          "per face by face_materials; normals (corners, 3), one per corner (NaN rows: none). Bad shapes, "
          "indices out of range and coordinates that are not finite raise ValueError, indices that are not "
          "integers TypeError; nothing is added then.");
}

}  // namespace splicer::python
