#include "python/PythonArrays.h"

#include <pybind11/stl.h>

#include <cstring>

namespace splicer::python {
namespace {

using FloatArray = py::array_t<float, py::array::c_style | py::array::forcecast>;
using IntArray = py::array_t<int32_t, py::array::c_style | py::array::forcecast>;

// The polyhedron's face records; raises for a dead handle.
std::pair<CtsxFace**, int32_t> Faces(tsxSOBJ obj) {
  CtsxFace** faces = tsxPolyhGetFaceptrArray(obj);
  const int32_t count = tsxPolyhGetNbrFaces(obj);
  if (!faces && count != 0) throw py::value_error("the object no longer exists");
  return {faces, count};
}

template <typename T>
py::array_t<float> CopyTable(const T* table, int32_t count, py::ssize_t width) {
  py::array_t<float> out({static_cast<py::ssize_t>(count), width});
  if (count > 0) std::memcpy(out.mutable_data(), table, sizeof(T) * static_cast<size_t>(count));
  return out;
}

FloatArray Table(const py::object& data, py::ssize_t width, const char* what) {
  FloatArray table = py::cast<FloatArray>(data);
  if (table.ndim() != 2 || table.shape(1) != width) {
    throw py::value_error(std::string(what) + " must be an (n, " + std::to_string(width) + ") array");
  }
  return table;
}

IntArray Ints(const py::object& data, const char* what) {
  IntArray ints = py::cast<IntArray>(data);
  if (ints.ndim() != 1) throw py::value_error(std::string(what) + " must be one-dimensional");
  return ints;
}

std::array<float, 3> Colour(const py::handle& value) {
  const auto rgb = py::cast<std::vector<float>>(value);
  if (rgb.size() != 3) throw py::value_error("a colour has three components (red, green, blue)");
  return {rgb[0], rgb[1], rgb[2]};
}

}  // namespace

py::array_t<float> VertexArray(tsxSOBJ obj) {
  return CopyTable(tsxPolyhGetVxArray(obj), tsxPolyhGetNbrVxs(obj), 3);
}

py::array_t<float> UvArray(tsxSOBJ obj) { return CopyTable(tsxPolyhGetUVArray(obj), tsxPolyhGetNbrUV(obj), 2); }

FaceArrays FaceArraysOf(tsxSOBJ obj) {
  const auto [faces, count] = Faces(obj);
  py::ssize_t corners = 0;
  for (int32_t f = 0; f < count; ++f) corners += faces[f]->nbrCorners;
  FaceArrays out{py::array_t<int32_t>(count + 1), py::array_t<int32_t>(corners), py::array_t<int32_t>(corners),
                 py::array_t<int32_t>(count)};
  int32_t* offsets = out.offsets.mutable_data();
  int32_t* vertices = out.vertices.mutable_data();
  int32_t* uvs = out.uvs.mutable_data();
  int32_t at = 0;
  for (int32_t f = 0; f < count; ++f) {
    offsets[f] = at;
    out.materials.mutable_data()[f] = faces[f]->materialIndex;
    for (int32_t c = 0; c < faces[f]->nbrCorners; ++c, ++at) {
      vertices[at] = faces[f]->corners[c].vindex;
      uvs[at] = faces[f]->corners[c].uvindex;
    }
  }
  offsets[count] = at;
  return out;
}

py::list FaceLists(tsxSOBJ obj) {
  const auto [faces, count] = Faces(obj);
  py::list out(count);
  for (int32_t f = 0; f < count; ++f) {
    py::list corners(faces[f]->nbrCorners);
    for (int32_t c = 0; c < faces[f]->nbrCorners; ++c) corners[c] = faces[f]->corners[c].vindex;
    out[f] = std::move(corners);
  }
  return out;
}

py::dict MaterialDict(const tsxhost::Material& m) {
  py::dict d;
  d["name"] = m.name;
  d["diffuse"] = py::make_tuple(m.diffuse[0], m.diffuse[1], m.diffuse[2]);
  d["ambient"] = py::make_tuple(m.ambient[0], m.ambient[1], m.ambient[2]);
  d["specular"] = py::make_tuple(m.specular[0], m.specular[1], m.specular[2]);
  d["shininess"] = m.shininess;
  d["opacity"] = m.opacity;
  d["texture"] = m.diffuseMap;
  return d;
}

tsxhost::Material MaterialFrom(const py::handle& spec) {
  tsxhost::Material m;
  if (py::isinstance<py::str>(spec)) {
    m.name = py::cast<std::string>(spec);
    return m;
  }
  const auto d = py::cast<py::dict>(spec);
  for (const auto& [key, value] : d) {
    const auto k = py::cast<std::string>(key);
    if (k == "name") m.name = py::cast<std::string>(value);
    else if (k == "diffuse") m.diffuse = Colour(value);
    else if (k == "ambient") m.ambient = Colour(value);
    else if (k == "specular") m.specular = Colour(value);
    else if (k == "shininess") m.shininess = py::cast<float>(value);
    else if (k == "opacity") m.opacity = py::cast<float>(value);
    else if (k == "texture") m.diffuseMap = py::cast<std::string>(value);
    else throw py::value_error("unknown material setting '" + k + "'");
  }
  return m;
}

AddArguments::AddArguments(const py::object& vertices, const py::object& faces, const py::object& uvs,
                           const py::object& materials, const py::object& faceUvs,
                           const py::object& faceMaterials) {
  vertices_ = Table(vertices, 3, "vertices");
  mesh_.vertices = reinterpret_cast<const CtsxVector3f*>(vertices_.data());
  mesh_.vertexCount = static_cast<size_t>(vertices_.shape(0));
  TakeFaces(faces);
  if (!uvs.is_none()) {
    uvs_ = Table(uvs, 2, "uvs");
    mesh_.uvs = reinterpret_cast<const CtsxUV*>(uvs_.data());
    mesh_.uvCount = static_cast<size_t>(uvs_.shape(0));
    if (faceUvs.is_none() && mesh_.uvCount != mesh_.vertexCount) {
      throw py::value_error("uvs has " + std::to_string(mesh_.uvCount) + " rows for " +
                            std::to_string(mesh_.vertexCount) + " vertices: give face_uvs, one per corner");
    }
    mesh_.cornerUv = mesh_.cornerVertex;  // one UV per vertex
  }
  if (!faceUvs.is_none()) {
    cornerUvs_ = Ints(faceUvs, "face_uvs");
    if (static_cast<size_t>(cornerUvs_.size()) != static_cast<size_t>(corners_.size())) {
      throw py::value_error("face_uvs needs one entry per corner");
    }
    mesh_.cornerUv = cornerUvs_.data();
  }
  if (!materials.is_none()) {
    mesh_.materials.clear();
    if (py::isinstance<py::str>(materials) || py::isinstance<py::dict>(materials)) {
      mesh_.materials.push_back(MaterialFrom(materials));
    } else {
      for (const py::handle spec : materials) mesh_.materials.push_back(MaterialFrom(spec));
    }
  }
  if (!faceMaterials.is_none()) {
    faceMaterials_ = Ints(faceMaterials, "face_materials");
    if (static_cast<size_t>(faceMaterials_.size()) != mesh_.faceCount) {
      throw py::value_error("face_materials needs one entry per face");
    }
    mesh_.faceMaterial = faceMaterials_.data();
  }
}

// (n, k) array: n faces of k corners; (offsets, corners) pair; or a list
// of corner lists.
void AddArguments::TakeFaces(const py::object& faces) {
  if (faces.is_none()) {
    offsets_ = IntArray(1);
    offsets_.mutable_data()[0] = 0;
    corners_ = IntArray(0);
  } else if (py::isinstance<py::array>(faces)) {
    corners_ = py::cast<IntArray>(faces);
    if (corners_.ndim() != 2) throw py::value_error("a faces array must be (n, k): n faces of k corners");
    const py::ssize_t n = corners_.shape(0), k = corners_.shape(1);
    offsets_ = IntArray(n + 1);
    for (py::ssize_t f = 0; f <= n; ++f) offsets_.mutable_data()[f] = static_cast<int32_t>(f * k);
  } else if (py::isinstance<py::tuple>(faces) && py::len(faces) == 2) {
    const auto pair = py::cast<py::tuple>(faces);
    offsets_ = Ints(pair[0], "face offsets");
    corners_ = Ints(pair[1], "face corners");
    if (offsets_.size() == 0 || offsets_.data()[offsets_.size() - 1] != corners_.size()) {
      throw py::value_error("the last face offset must be the number of corners");
    }
  } else {
    std::vector<int32_t> offsets{0}, corners;
    for (const py::handle face : faces) {
      for (const py::handle corner : face) corners.push_back(py::cast<int32_t>(corner));
      offsets.push_back(static_cast<int32_t>(corners.size()));
    }
    offsets_ = IntArray(static_cast<py::ssize_t>(offsets.size()), offsets.data());
    corners_ = IntArray(static_cast<py::ssize_t>(corners.size()), corners.data());
  }
  for (py::ssize_t f = 0; f + 1 < offsets_.size(); ++f) {
    if (offsets_.data()[f + 1] < offsets_.data()[f]) throw py::value_error("face offsets must not decrease");
  }
  mesh_.faceStart = offsets_.data();
  mesh_.faceCount = static_cast<size_t>(offsets_.size() - 1);
  mesh_.cornerVertex = corners_.data();
}

py::object ToPython(const nlohmann::json& value) {
  switch (value.type()) {
    case nlohmann::json::value_t::null: return py::none();
    case nlohmann::json::value_t::boolean: return py::bool_(value.get<bool>());
    case nlohmann::json::value_t::number_integer: return py::int_(value.get<int64_t>());
    case nlohmann::json::value_t::number_unsigned: return py::int_(value.get<uint64_t>());
    case nlohmann::json::value_t::number_float: return py::float_(value.get<double>());
    case nlohmann::json::value_t::string: return py::str(value.get<std::string>());
    case nlohmann::json::value_t::array: {
      py::list list;
      for (const auto& item : value) list.append(ToPython(item));
      return list;
    }
    case nlohmann::json::value_t::object: {
      py::dict dict;
      for (const auto& [key, item] : value.items()) dict[py::str(key)] = ToPython(item);
      return dict;
    }
    default: return py::none();
  }
}

}  // namespace splicer::python
