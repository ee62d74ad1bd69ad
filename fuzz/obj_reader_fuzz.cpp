// libFuzzer harness for the OBJ and MTL readers and the writer. The input is
// an OBJ text, optionally followed by a line "#mtl" and the text every
// "mtllib" line reads (served from memory: nothing outside the input is
// opened). Any input is either refused with a "FILE..." message, leaving
// the scene empty, or read into objects whose corners all name vertices
// and UVs of their own object; what is read, written and read again is the
// same, bit for bit; and read in chunks of a few bytes on two threads it is
// the same too, errors and warnings included.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/obj/ObjFile.h"
#include "host/scene/HostTesting.h"
#include "host/scene/Scene.h"
#include "interface/tsxapi.h"

namespace {

// Aborts, naming the check that failed, so that a crash says what broke.
void Check(bool ok, int line = __builtin_LINE()) {
  if (ok) return;
  std::fprintf(stderr, "check on line %d failed\n", line);
  std::abort();
}

tsxhost::ObjReadOptions FromMemory(const std::string& mtl) {
  tsxhost::ObjReadOptions options;
  options.mtlResolver = [mtl](const std::string&, std::string* text, std::string* folder, std::string*) {
    *text = mtl;
    folder->clear();
    return true;
  };
  return options;
}

void CheckCorners(const std::vector<tsxSOBJ>& objects) {
  for (tsxSOBJ obj : objects) {
    const int32_t nv = tsxPolyhGetNbrVxs(obj), nuv = tsxPolyhGetNbrUV(obj), nf = tsxPolyhGetNbrFaces(obj);
    CtsxFace** faces = tsxPolyhGetFaceptrArray(obj);
    for (int32_t f = 0; f < nf; ++f) {
      Check(faces[f]->nbrCorners >= 3);
      for (int32_t c = 0; c < faces[f]->nbrCorners; ++c) {
        const CtsxCorner& k = faces[f]->corners[c];
        Check(k.vindex >= 0 && k.vindex < nv && k.uvindex >= -1 && k.uvindex < nuv);
      }
    }
  }
}

template <typename T>
bool SameBits(const std::vector<T>& a, const std::vector<T>& b) {
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

bool SameNormal(const tsxhost::Mesh& a, int32_t i, const tsxhost::Mesh& b, int32_t j) {
  if ((i < 0) != (j < 0)) return false;
  return i < 0 || std::memcmp(&a.normals[size_t(i)], &b.normals[size_t(j)], sizeof(CtsxVector3f)) == 0;
}

// A material read from a library keeps its statements; one made in memory
// (no library) comes back with its values as statements.
bool SameMaterial(const tsxhost::Material& a, const tsxhost::Material& b) {
  if (!a.statements.empty()) return a.statements == b.statements;
  auto same = [](const auto& p, const auto& q) { return std::memcmp(&p, &q, sizeof p) == 0; };
  return same(a.ambient, b.ambient) && same(a.diffuse, b.diffuse) && same(a.specular, b.specular) &&
         same(a.shininess, b.shininess) && same(a.opacity, b.opacity);
}

// Geometry, normals, smoothing, groups and each face's material.
bool SameMesh(const tsxhost::Mesh& a, const tsxhost::Mesh& b) {
  if (!SameBits(a.vertices, b.vertices) || !SameBits(a.uvs, b.uvs) || a.faces.size() != b.faces.size()) return false;
  for (size_t f = 0; f < a.faces.size(); ++f) {
    const tsxhost::Face& x = a.faces[f];
    const tsxhost::Face& y = b.faces[f];
    if (x.corners.size() != y.corners.size() || x.smoothing != y.smoothing || x.group != y.group) return false;
    for (size_t c = 0; c < x.corners.size(); ++c) {
      if (x.corners[c].vertex != y.corners[c].vertex || x.corners[c].uv != y.corners[c].uv) return false;
      if (!SameNormal(a, x.corners[c].normal, b, y.corners[c].normal)) return false;
    }
    if (!SameMaterial(a.materials[size_t(x.material)], b.materials[size_t(y.material)])) return false;
  }
  return true;
}

// Reads the text again in chunks of `chunk` bytes: the same error, warnings
// and objects as the first reading.
void CheckChunkedReading(const std::string& text, const std::string& mtl, size_t chunk, const tsxhost::ObjResult& r,
                         const std::vector<tsxhost::Mesh>& meshes, const std::vector<std::string>& names) {
  tsxhost::ResetScene();
  const size_t before = tsxhost::testing::SetChunkedReading(chunk);
  const tsxhost::ObjResult again = tsxhost::LoadObjText(text, "fuzz.obj", FromMemory(mtl));
  tsxhost::testing::SetChunkedReading(before);
  Check(again.ok == r.ok && again.error == r.error && again.warnings == r.warnings &&
        again.groupsAsObjects == r.groupsAsObjects && again.objects.size() == meshes.size());
  for (size_t i = 0; i < meshes.size(); ++i) {
    tsxhost::Mesh mesh;
    Check(tsxhost::ReadMesh(again.objects[i], &mesh));
    Check(tsxhost::ObjectName(again.objects[i]) == names[i]);
    Check(SameMesh(meshes[i], mesh));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tsxhost::ResetScene();
  std::string text(reinterpret_cast<const char*>(data), size), mtl;
  if (const size_t at = text.find("\n#mtl\n"); at != std::string::npos) {
    mtl = text.substr(at + 6);
    text.resize(at + 1);
  }
  const tsxhost::ObjResult r = tsxhost::LoadObjText(text, "fuzz.obj", FromMemory(mtl));
  const size_t chunk = 1 + size % 13;
  if (!r.ok) {
    Check(r.error.rfind("fuzz.obj", 0) == 0 && tsxhost::SceneObjects().empty());
    CheckChunkedReading(text, mtl, chunk, r, {}, {});
    return 0;
  }
  CheckCorners(r.objects);

  // Written and read again: the same.
  std::vector<tsxhost::Mesh> first(r.objects.size());
  std::vector<std::string> names;
  for (size_t i = 0; i < r.objects.size(); ++i) {
    Check(tsxhost::ReadMesh(r.objects[i], &first[i]));
    names.push_back(tsxhost::ObjectName(r.objects[i]));
  }
  std::string obj, written;
  Check(tsxhost::ObjTexts(r.objects, "again.mtl", &obj, &written));
  tsxhost::ResetScene();
  const tsxhost::ObjResult again = tsxhost::LoadObjText(obj, "again.obj", FromMemory(written));
  Check(again.ok && again.objects.size() == first.size());
  for (size_t i = 0; i < first.size(); ++i) {
    tsxhost::Mesh second;
    Check(tsxhost::ReadMesh(again.objects[i], &second));
    Check(tsxhost::ObjectName(again.objects[i]) == names[i]);
    Check(SameMesh(first[i], second));
  }
  CheckChunkedReading(text, mtl, chunk, r, first, names);
  return 0;
}
