// NumPy arrays to and from the host's tables, and the checks on what
// Python hands in.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <nlohmann/json.hpp>
#include <string>

#include "host/scene/Scene.h"

namespace splicer::python {

namespace py = pybind11;

// Vertices (n, 3) and UVs (n, 2) of a polyhedron as read-only views of the
// host's arrays that keep `owner` (and so the object) alive.
py::array VertexView(tsxSOBJ obj, const py::object& owner);
py::array UvView(tsxSOBJ obj, const py::object& owner);

// The faces as an offsets + corners pair: offsets has one entry per face
// and one more; vertex indices and UV indices (-1: none) per corner.
struct FaceArrays {
  py::array_t<int32_t> offsets, vertices, uvs, materials;
};
FaceArrays FaceArraysOf(tsxSOBJ obj);
// The faces as a list of lists of vertex indices.
py::list FaceLists(tsxSOBJ obj);
// (corners, 3) float32, faces in order; NaN rows for corners without one.
py::array_t<float> CornerNormals(tsxSOBJ obj);

// Materials as splicer.Material; from a Material, a dict of its fields or
// a name alone.
py::object MaterialObject(const tsxhost::Material& m);
tsxhost::Material MaterialFrom(const py::handle& spec);

// A name that can be written to any format and read back the same:
// refused (ValueError) when empty, over 255 bytes or holding a control
// character. `what` names it in the message.
void CheckName(const std::string& name, const char* what);

// The arguments of Scene.add, checked and turned into host arrays that
// point into the (possibly converted) NumPy arrays kept here.
class AddArguments {
 public:
  AddArguments(const py::object& vertices, const py::object& faces, const py::object& uvs,
               const py::object& materials, const py::object& faceUvs, const py::object& faceMaterials,
               const py::object& normals);
  const tsxhost::MeshArrays& Mesh() const { return mesh_; }

 private:
  void TakeFaces(const py::object& faces);
  py::array_t<float, py::array::c_style | py::array::forcecast> vertices_, uvs_, normals_;
  py::array_t<int32_t, py::array::c_style | py::array::forcecast> offsets_, corners_, cornerUvs_, faceMaterials_;
  tsxhost::MeshArrays mesh_;
};

// A JSON value as Python objects.
py::object ToPython(const nlohmann::json& value);

}  // namespace splicer::python
