#include "python/PythonScene.h"

#include <pybind11/stl.h>

#include <algorithm>

#include "host/formats/MeshFormats.h"
#include "python/PythonArrays.h"
#include "python/PythonErrors.h"

namespace splicer::python {
namespace {

void Warn(const std::string& text) {
  if (PyErr_WarnEx(PyExc_UserWarning, text.c_str(), 1) != 0) throw py::error_already_set();
}

PyScene& SceneOf(const SceneObject& o) { return py::cast<PyScene&>(o.scene); }

// The handle of a view whose object still exists.
tsxSOBJ Live(const SceneObject& o) {
  const std::vector<tsxSOBJ> objects = SceneOf(o).Objects();
  if (std::find(objects.begin(), objects.end(), o.handle) == objects.end()) {
    throw py::value_error("the object no longer exists");
  }
  return o.handle;
}

std::vector<tsxhost::Material> MaterialsOf(tsxSOBJ obj) {
  tsxhost::Mesh mesh;
  tsxhost::ReadMesh(obj, &mesh);
  return mesh.materials;
}

std::string NameList(const PyScene& scene) {
  std::string names;
  for (tsxSOBJ obj : scene.Objects()) names += (names.empty() ? "'" : ", '") + tsxhost::ObjectName(obj) + "'";
  return names.empty() ? "none" : names;
}

}  // namespace

const PyScene* PyScene::active_ = nullptr;

PyScene::~PyScene() {
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
  scene->Activate();
  const tsxhost::ObjResult r = tsxhost::LoadScene(path, options);
  if (!r.ok) ThrowFileError(r.error);
  scene->objects_ = r.objects;
  for (const std::string& w : r.warnings) Warn(w);
  return scene;
}

void PyScene::Save(const std::string& path, const py::object& objects) const {
  Activate();
  std::vector<tsxSOBJ> chosen;
  if (objects.is_none()) {
    chosen = Objects();
  } else {
    for (const py::handle o : objects) chosen.push_back(Find(o));
  }
  const tsxhost::SaveResult r = tsxhost::SaveScene(path, chosen);
  if (!r.ok) ThrowFileError(r.error);
  for (const std::string& w : r.warnings) Warn(w);
}

std::vector<tsxSOBJ> PyScene::Objects() const {
  std::vector<tsxSOBJ> live;
  for (tsxSOBJ obj : objects_) {
    if (tsxhost::IsAlive(obj)) live.push_back(obj);
  }
  return live;
}

tsxSOBJ PyScene::Find(const py::handle& nameOrObject) const {
  Activate();
  if (py::isinstance<SceneObject>(nameOrObject)) {
    const auto& o = py::cast<const SceneObject&>(nameOrObject);
    if (&SceneOf(o) != this) throw py::value_error("the object belongs to another scene");
    return Live(o);
  }
  const auto name = py::cast<std::string>(nameOrObject);
  for (tsxSOBJ obj : Objects()) {
    if (tsxhost::ObjectName(obj) == name) return obj;
  }
  throw py::key_error("no object named '" + name + "'; the scene's objects are " + NameList(*this));
}

void BindScene(py::module_& m) {
  py::class_<SceneObject>(m, "SceneObject", "One polyhedron of a scene; arrays are fresh copies.")
      .def_property(
          "name", [](const SceneObject& o) { return tsxhost::ObjectName(Live(o)); },
          [](const SceneObject& o, const std::string& name) { tsxhost::SetObjectName(Live(o), name); })
      .def_property_readonly("vertices", [](const SceneObject& o) { return VertexArray(Live(o)); },
                             "(n, 3) float32 positions in the object's own space")
      .def_property_readonly("uvs", [](const SceneObject& o) { return UvArray(Live(o)); }, "(m, 2) float32")
      .def_property_readonly("faces", [](const SceneObject& o) { return FaceLists(Live(o)); },
                             "a list of vertex-index lists, one per face")
      .def_property_readonly(
          "face_arrays",
          [](const SceneObject& o) {
            FaceArrays a = FaceArraysOf(Live(o));
            py::dict d;
            d["offsets"] = a.offsets;
            d["vertices"] = a.vertices;
            d["uvs"] = a.uvs;
            d["materials"] = a.materials;
            return d;
          },
          "faces as int32 arrays: offsets (faces + 1), per-corner vertices and uvs (-1: none), per-face materials")
      .def_property_readonly("materials",
                             [](const SceneObject& o) {
                               py::list out;
                               for (const tsxhost::Material& mat : MaterialsOf(Live(o))) out.append(MaterialDict(mat));
                               return out;
                             })
      .def("__repr__", [](const SceneObject& o) {
        if (!tsxhost::IsAlive(o.handle)) return std::string("<splicer.SceneObject (deleted)>");
        return "<splicer.SceneObject '" + tsxhost::ObjectName(o.handle) + "': " +
               std::to_string(tsxPolyhGetNbrVxs(o.handle)) + " vertices, " +
               std::to_string(tsxPolyhGetNbrFaces(o.handle)) + " faces>";
      });

  py::class_<PyScene>(m, "Scene", "Objects read from a file or added from arrays.")
      .def(py::init<>())
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
          "Reads a .obj, .gltf, .glb, .ply or .stl file (by extension). The files it refers to (material\n"
          "libraries, glTF buffers) are read only from its folder or below unless resources_anywhere;\n"
          "glTF, PLY and STL files of more than max_faces faces (default 20 million, every mesh counted\n"
          "at each node that places it) are refused.")
      .def("save", &PyScene::Save, py::arg("path"), py::arg("objects") = py::none(),
           "Writes the objects (all, or those given by name or object) in the format of the extension.")
      .def_property_readonly("objects",
                             [](py::object self) {
                               py::list out;
                               for (tsxSOBJ obj : py::cast<PyScene&>(self).Objects()) out.append(SceneObject{self, obj});
                               return out;
                             })
      .def("__getitem__",
           [](py::object self, const std::string& name) {
             return SceneObject{self, py::cast<PyScene&>(self).Find(py::str(name))};
           })
      .def("__len__", [](const PyScene& s) { return s.Objects().size(); })
      .def(
          "add",
          [](py::object self, const std::string& name, const py::object& vertices, const py::object& faces,
             const py::object& uvs, const py::object& materials, const py::object& faceUvs,
             const py::object& faceMaterials) {
            const AddArguments args(vertices, faces, uvs, materials, faceUvs, faceMaterials);
            py::cast<PyScene&>(self).Activate();
            std::string error;
            const tsxSOBJ obj = tsxhost::AddPolyhedronArrays(name, args.Mesh(), &error);
            if (obj == 0) throw py::value_error(error);
            py::cast<PyScene&>(self).Adopt(obj);
            return SceneObject{self, obj};
          },
          py::arg("name"), py::arg("vertices"), py::arg("faces"), py::arg("uvs") = py::none(),
          py::arg("materials") = py::none(), py::kw_only(), py::arg("face_uvs") = py::none(),
          py::arg("face_materials") = py::none(),
          "Adds a polyhedron: vertices (n, 3); faces as an (f, k) array, an (offsets, corners) pair or a list "
          "of lists; uvs (n, 2) one per vertex, or any number with face_uvs one per corner; materials a list "
          "of dicts or names, chosen per face by face_materials.");
}

}  // namespace splicer::python
