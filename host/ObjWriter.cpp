// Wavefront OBJ writer: every float with 9 significant digits, which any
// single-precision value needs to read back bit for bit. Vertices are written
// in each object's own space. Holes have no form in OBJ and are left out.
#include <algorithm>
#include <charconv>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unordered_map>

#include "HostState.h"
#include "MtlFile.h"
#include "ObjFile.h"

namespace tsxhost {
namespace {

// The whole file is formatted into one buffer and written at once.
class Out {
 public:
  void Text(std::string_view s) {
    char* at = Room(s.size());
    std::memcpy(at, s.data(), s.size());
    used_ += s.size();
  }
  void Float(float f) {
    char* at = Room(32);
    used_ = static_cast<size_t>(std::to_chars(at, at + 32, f, std::chars_format::general, 9).ptr - buf_.data());
  }
  void Int(int64_t i) { Put(i); }
  std::string_view str() const { return {buf_.data(), used_}; }

 private:
  template <typename T>
  void Put(T value) {
    char* at = Room(32);
    used_ = static_cast<size_t>(std::to_chars(at, at + 32, value).ptr - buf_.data());
  }
  char* Room(size_t n) {
    if (used_ + n > buf_.size()) buf_.resize(std::max(buf_.size() * 2, used_ + n + (1u << 16)));
    return buf_.data() + used_;
  }
  std::string buf_;
  size_t used_ = 0;
};

// MTL names are one namespace for the whole file, while each object's
// table is its own: two different materials that share a name get
// distinct names ("grey", "grey_2") so neither is lost.
class MaterialNames {
 public:
  std::vector<std::string> ForTable(const std::vector<Material>& table) {
    std::vector<std::string> names;
    for (const Material& m : table) names.push_back(NameFor(m));
    return names;
  }
  const std::vector<Material>& Written() const { return written_; }

 private:
  std::string NameFor(const Material& m) {
    for (int n = 1;; ++n) {
      const std::string name = n == 1 ? m.name : m.name + "_" + std::to_string(n);
      const auto it = byName_.find(name);
      if (it == byName_.end()) {
        Material entry = m;
        entry.name = name;
        byName_.emplace(name, written_.size());
        written_.push_back(std::move(entry));
        return name;
      }
      Material same = m;
      same.name = name;
      if (written_[it->second] == same) return name;
    }
  }
  std::unordered_map<std::string, size_t> byName_;
  std::vector<Material> written_;
};

bool IsIdentity(const CtsxTxmx3f& t) {
  for (int i = 0; i < 12; ++i) {
    if (t.m[i] != kIdentity.m[i]) return false;
  }
  return true;
}

void WriteObject(const detail::Object& obj, const std::vector<std::string>& materialNames, int64_t vBase,
                 int64_t tBase, Out& out) {
  const detail::Polyhedron& poly = *obj.poly;
  out.Text("o ");
  out.Text(obj.name);
  out.Text("\n");
  if (!IsIdentity(obj.transform)) {
    // The vertices stay in object space; the transform is kept as a note.
    out.Text("# vertex transform (not applied):");
    for (float f : obj.transform.m) {
      out.Text(" ");
      out.Float(f);
    }
    out.Text("\n");
  }
  for (int32_t i = 0; i < poly.vertexCount; ++i) {
    out.Text("v ");
    out.Float(poly.vertices[i].x);
    out.Text(" ");
    out.Float(poly.vertices[i].y);
    out.Text(" ");
    out.Float(poly.vertices[i].z);
    out.Text("\n");
  }
  for (int32_t i = 0; i < poly.uvCount; ++i) {
    out.Text("vt ");
    out.Float(poly.uvs[i].u);
    out.Text(" ");
    out.Float(poly.uvs[i].v);
    out.Text("\n");
  }
  int current = -1;
  for (int32_t f = 0; f < poly.faceCount; ++f) {
    const CtsxFace& face = *poly.faces[f];
    const int material = face.materialIndex < poly.materials.size() ? face.materialIndex : 0;
    if (!materialNames.empty() && material != current) {
      current = material;
      out.Text("usemtl ");
      out.Text(materialNames[static_cast<size_t>(material)]);
      out.Text("\n");
    }
    out.Text("f");
    for (int32_t c = 0; c < face.nbrCorners; ++c) {
      out.Text(" ");
      out.Int(vBase + face.corners[c].vindex + 1);
      if (face.corners[c].uvindex >= 0) {
        out.Text("/");
        out.Int(tBase + face.corners[c].uvindex + 1);
      }
    }
    out.Text("\n");
  }
}

bool WriteFile(const std::string& path, std::string_view text, std::string* error) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(text.data(), static_cast<std::streamsize>(text.size()));
  file.close();
  if (!file) {
    if (error) *error = path + ": cannot write the file";
    return false;
  }
  return true;
}

}  // namespace

bool SaveObj(const std::string& path, const std::vector<tsxSOBJ>& objects, std::string* error) {
  const std::filesystem::path mtlPath = std::filesystem::path(path).replace_extension(".mtl");
  Out out;
  out.Text("# written by the SPLICER-BOT stand-in host; vertices in each object's own space\n");
  out.Text("mtllib ");
  out.Text(mtlPath.filename().string());
  out.Text("\n");
  MaterialNames materials;
  int64_t vBase = 0, tBase = 0;
  for (tsxSOBJ id : objects) {
    const detail::Object* obj = detail::FindObject(id);
    if (!obj || !obj->poly) continue;
    WriteObject(*obj, materials.ForTable(obj->poly->materials), vBase, tBase, out);
    vBase += obj->poly->vertexCount;
    tBase += obj->poly->uvCount;
  }
  return WriteFile(path, out.str(), error) && WriteFile(mtlPath.string(), detail::MtlText(materials.Written()), error);
}

}  // namespace tsxhost
