#include "python/PythonArrays.h"

#include <pybind11/stl.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

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

// A read-only (count, width) float32 view of `table`, kept alive by `owner`.
py::array View(const float* table, int32_t count, py::ssize_t width, const py::object& owner) {
  if (count == 0 || !table) return py::array_t<float>(std::vector<py::ssize_t>{0, width});
  py::array view(py::dtype::of<float>(), {static_cast<py::ssize_t>(count), width},
                 {static_cast<py::ssize_t>(sizeof(float)) * width, static_cast<py::ssize_t>(sizeof(float))}, table,
                 owner);
  view.attr("flags").attr("writeable") = false;
  return view;
}

std::string TypeName(const py::handle& h) { return py::str(py::type::of(h).attr("__name__")); }

// `data` as an array of numbers (not booleans, strings or objects).
py::array Numbers(const py::object& data, const char* what) {
  py::array array = py::array::ensure(data);
  if (!array) {
    PyErr_Clear();
    throw py::type_error(std::string(what) + " must be an array of numbers, not " + TypeName(data));
  }
  const char kind = array.dtype().kind();
  if (kind != 'f' && kind != 'i' && kind != 'u' && !(array.size() == 0)) {
    throw py::type_error(std::string(what) + " must be numbers, not " + std::string(py::str(array.dtype())));
  }
  return array;
}

FloatArray Table(const py::object& data, py::ssize_t width, const char* what) {
  const py::array numbers = Numbers(data, what);
  if (numbers.ndim() != 2 || numbers.shape(1) != width) {
    throw py::value_error(std::string(what) + " must be an (n, " + std::to_string(width) + ") array");
  }
  return py::cast<FloatArray>(numbers);
}

// Whether a Python integer fits in int32.
bool Fits(const py::handle& value) {
  int overflow = 0;
  const long long v = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
  if (v == -1 && PyErr_Occurred()) throw py::error_already_set();
  return overflow == 0 && v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max();
}

// One index from Python: an integer (int, NumPy integer) that fits in
// int32; never a bool or a float, which would silently truncate.
int32_t Index(const py::handle& h, const char* what) {
  static const py::handle npBool = py::object(py::module_::import("numpy").attr("bool_")).release();
  if (PyBool_Check(h.ptr()) || py::isinstance(h, npBool) || !PyIndex_Check(h.ptr())) {
    throw py::type_error(std::string(what) + " must be integers, not " + TypeName(h));
  }
  const py::object value = py::reinterpret_steal<py::object>(PyNumber_Index(h.ptr()));
  if (!value) throw py::error_already_set();
  if (!Fits(value)) throw py::value_error(std::string(what) + ": index " + std::string(py::str(value)) + " is out of range");
  return static_cast<int32_t>(PyLong_AsLong(value.ptr()));
}

// An integer array as int32, refusing other kinds and values that do not
// fit instead of wrapping them.
IntArray IndexArray(const py::array& array, const char* what) {
  const char kind = array.dtype().kind();
  if (array.size() == 0) return py::cast<IntArray>(array.attr("astype")("int32"));
  if (kind != 'i' && kind != 'u') {
    throw py::type_error(std::string(what) + " must be integers, not " + std::string(py::str(array.dtype())));
  }
  if (!array.dtype().is(py::dtype::of<int32_t>())) {
    for (const char* end : {"min", "max"}) {
      const py::object value = py::reinterpret_borrow<py::object>(array.attr(end)()).attr("item")();
      if (!Fits(value)) {
        throw py::value_error(std::string(what) + ": index " + std::string(py::str(value)) + " is out of range");
      }
    }
  }
  return py::cast<IntArray>(array);
}

IntArray Ints(const py::object& data, const char* what) {
  IntArray ints;
  if (py::isinstance<py::array>(data)) {
    ints = IndexArray(py::reinterpret_borrow<py::array>(data), what);
  } else {
    std::vector<int32_t> values;
    for (const py::handle item : data) values.push_back(Index(item, what));
    ints = IntArray(static_cast<py::ssize_t>(values.size()), values.data());
  }
  if (ints.ndim() != 1) throw py::value_error(std::string(what) + " must be one-dimensional");
  return ints;
}

std::array<float, 3> Colour(const py::handle& value) {
  const auto rgb = py::cast<std::vector<float>>(value);
  if (rgb.size() != 3) throw py::value_error("a colour has three components (red, green, blue)");
  return {rgb[0], rgb[1], rgb[2]};
}

// A float as the shortest decimal that reads back as it (0.6, not
// 0.6000000238418579).
double Shortest(float value) {
  char text[32];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
  if (ec != std::errc()) return value;
  *end = 0;
  return std::strtod(text, nullptr);
}

py::tuple Rgb(const std::array<float, 3>& c) { return py::make_tuple(Shortest(c[0]), Shortest(c[1]), Shortest(c[2])); }

// Control characters: C0, DEL and C1 (U+0080..U+009F, 0xC2 0x80..0x9F in
// UTF-8), which would end or break a line of a scene file.
bool HasControl(const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) return true;
    if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
        static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      return true;
    }
  }
  return false;
}

}  // namespace

py::array VertexView(tsxSOBJ obj, const py::object& owner) {
  return View(&tsxPolyhGetVxArray(obj)->x, tsxPolyhGetNbrVxs(obj), 3, owner);
}

py::array UvView(tsxSOBJ obj, const py::object& owner) {
  CtsxUV* uvs = tsxPolyhGetUVArray(obj);
  return View(uvs ? &uvs->u : nullptr, tsxPolyhGetNbrUV(obj), 2, owner);
}

FaceArrays FaceArraysOf(tsxSOBJ obj) {
  const auto [faces, count] = Faces(obj);
  py::ssize_t corners = 0;
  for (int32_t f = 0; f < count; ++f) corners += faces[f]->nbrCorners;
  FaceArrays out{py::array_t<int32_t>(count + 1), py::array_t<int32_t>(corners), py::array_t<int32_t>(corners),
                 py::array_t<int32_t>(count)};
  int32_t* offsets = out.offsets.mutable_data();
  int32_t* vertices = out.vertices.mutable_data();
  int32_t* uvs = out.uvs.mutable_data();
  int32_t* materials = out.materials.mutable_data();
  int32_t at = 0;
  for (int32_t f = 0; f < count; ++f) {
    offsets[f] = at;
    materials[f] = faces[f]->materialIndex;
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

py::array_t<float> CornerNormals(tsxSOBJ obj) {
  std::vector<CtsxVector3f> normals;
  std::vector<uint8_t> has;
  if (!tsxhost::ReadCornerNormals(obj, &normals, &has)) throw py::value_error("the object no longer exists");
  py::array_t<float> out({static_cast<py::ssize_t>(normals.size()), py::ssize_t{3}});
  float* data = out.mutable_data();
  const float none = std::numeric_limits<float>::quiet_NaN();
  for (size_t c = 0; c < normals.size(); ++c) {
    data[3 * c] = has[c] ? normals[c].x : none;
    data[3 * c + 1] = has[c] ? normals[c].y : none;
    data[3 * c + 2] = has[c] ? normals[c].z : none;
  }
  return out;
}

py::object MaterialObject(const tsxhost::Material& m) {
  static const py::handle kind = py::object(py::module_::import("splicer._types").attr("Material")).release();
  return kind(py::arg("name") = m.name, py::arg("diffuse") = Rgb(m.diffuse), py::arg("ambient") = Rgb(m.ambient),
              py::arg("specular") = Rgb(m.specular), py::arg("shininess") = Shortest(m.shininess),
              py::arg("opacity") = Shortest(m.opacity), py::arg("texture") = m.diffuseMap);
}

tsxhost::Material MaterialFrom(const py::handle& spec) {
  tsxhost::Material m;
  if (py::isinstance<py::str>(spec)) {
    m.name = py::cast<std::string>(spec);
    CheckName(m.name, "a material name");
    return m;
  }
  py::dict fields;
  if (py::hasattr(spec, "__dataclass_fields__")) {
    fields = py::module_::import("dataclasses").attr("asdict")(spec);
  } else if (py::isinstance<py::dict>(spec)) {
    fields = py::reinterpret_borrow<py::dict>(spec);
  } else {
    throw py::type_error("a material is a splicer.Material, a dict of its fields or a name, not " + TypeName(spec));
  }
  for (const auto& [key, value] : fields) {
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
  CheckName(m.name, "a material name");
  if (HasControl(m.diffuseMap)) throw py::value_error("a texture path must not hold control characters");
  return m;
}

void CheckName(const std::string& name, const char* what) {
  if (name.empty()) throw py::value_error(std::string(what) + " must not be empty");
  if (name.size() > 255) throw py::value_error(std::string(what) + " must be at most 255 bytes long");
  if (HasControl(name)) throw py::value_error(std::string(what) + " must not hold control characters (line breaks, tabs...)");
}

AddArguments::AddArguments(const py::object& vertices, const py::object& faces, const py::object& uvs,
                           const py::object& materials, const py::object& faceUvs, const py::object& faceMaterials,
                           const py::object& normals) {
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
  if (!normals.is_none()) {
    normals_ = Table(normals, 3, "normals");
    if (normals_.shape(0) != corners_.size()) {
      throw py::value_error("normals needs one row per corner (" + std::to_string(corners_.size()) + "), not " +
                            std::to_string(normals_.shape(0)));
    }
    mesh_.cornerNormal = reinterpret_cast<const CtsxVector3f*>(normals_.data());
  }
  if (!materials.is_none()) {
    mesh_.materials.clear();
    if (py::isinstance<py::str>(materials) || py::isinstance<py::dict>(materials) ||
        py::hasattr(materials, "__dataclass_fields__")) {
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
    corners_ = IndexArray(py::reinterpret_borrow<py::array>(faces), "faces");
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
      for (const py::handle corner : face) corners.push_back(Index(corner, "faces"));
      if (corners.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
        throw py::value_error("too many corners");
      }
      offsets.push_back(static_cast<int32_t>(corners.size()));
    }
    offsets_ = IntArray(static_cast<py::ssize_t>(offsets.size()), offsets.data());
    corners_ = IntArray(static_cast<py::ssize_t>(corners.size()), corners.data());
  }
  if (offsets_.size() > 0 && offsets_.data()[0] != 0) throw py::value_error("the first face offset must be 0");
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
