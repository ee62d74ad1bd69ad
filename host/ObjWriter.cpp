// Wavefront OBJ writer: every float with 9 significant digits, enough for
// any single-precision value to read back bit for bit.
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unordered_set>

#include "HostState.h"
#include "MtlFile.h"
#include "ObjFile.h"

namespace tsxhost {
namespace {

class Out {
 public:
  void Text(std::string_view s) { buf_.append(s); }
  void Float(float f) {
    char tmp[32];
    const auto [ptr, ec] = std::to_chars(tmp, tmp + sizeof tmp, f, std::chars_format::general, 9);
    (void)ec;
    buf_.append(tmp, ptr);
  }
  void Int(int64_t i) {
    char tmp[24];
    const auto [ptr, ec] = std::to_chars(tmp, tmp + sizeof tmp, i);
    (void)ec;
    buf_.append(tmp, ptr);
  }
  std::string& str() { return buf_; }

 private:
  std::string buf_;
};

void WriteObject(const std::string& name, const detail::Polyhedron& poly, int64_t vBase, int64_t tBase,
                 Out& out) {
  out.Text("o ");
  out.Text(name);
  out.Text("\n");
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
    if (material != current) {
      current = material;
      out.Text("usemtl ");
      out.Text(poly.materials[static_cast<size_t>(material)].name);
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

bool WriteFile(const std::string& path, const std::string& text, std::string* error) {
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
  std::vector<Material> materials;
  std::unordered_set<std::string> written;
  int64_t vBase = 0, tBase = 0;
  for (tsxSOBJ id : objects) {
    const detail::Object* obj = detail::FindObject(id);
    if (!obj || !obj->poly) continue;
    WriteObject(obj->name, *obj->poly, vBase, tBase, out);
    vBase += obj->poly->vertexCount;
    tBase += obj->poly->uvCount;
    for (const Material& m : obj->poly->materials) {
      // One entry per name: the first object that uses a name defines it.
      if (written.insert(m.name).second) materials.push_back(m);
    }
  }
  return WriteFile(path, out.str(), error) && WriteFile(mtlPath.string(), detail::MtlText(materials), error);
}

}  // namespace tsxhost
