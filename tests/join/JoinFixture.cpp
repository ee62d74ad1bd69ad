#include "tests/join/JoinFixture.h"

#include <algorithm>
#include <cstring>

#include "engine/actions/WindowActions.h"

namespace spl::testing {

tsxhost::Mesh MakeBox(const CtsxVector3f& lo, const CtsxVector3f& hi,
                      const std::string& prefix, bool uvs) {
  tsxhost::Mesh mesh;
  for (int i = 0; i < 8; ++i) {
    mesh.vertices.push_back({(i & 1) ? hi.x : lo.x, (i & 2) ? hi.y : lo.y, (i & 4) ? hi.z : lo.z});
  }
  mesh.materials.clear();
  for (int f = 0; f < 6; ++f) {
    tsxhost::Material material;
    material.name = prefix + std::to_string(f);
    material.diffuse = {0.1f * static_cast<float>(f), 0.5f, 0.5f};
    mesh.materials.push_back(material);
    tsxhost::Face face;
    for (int c = 0; c < 4; ++c) {
      int32_t uv = -1;
      if (uvs) {
        uv = static_cast<int32_t>(mesh.uvs.size());
        mesh.uvs.push_back({static_cast<float>(f) / 8.0f, static_cast<float>(c) / 4.0f});
      }
      face.corners.push_back({kBoxFaces[f][c], uv});
    }
    face.material = f;
    mesh.faces.push_back(face);
  }
  return mesh;
}

bool SamePoint(const CtsxVector3f& a, const CtsxVector3f& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

namespace {
bool SameCorners(const std::vector<tsxhost::Corner>& a, const std::vector<tsxhost::Corner>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const tsxhost::Corner& x, const tsxhost::Corner& y) {
                      return x.vertex == y.vertex && x.uv == y.uv;
                    });
}
}  // namespace

bool SameMesh(const tsxhost::Mesh& a, const tsxhost::Mesh& b) {
  if (a.vertices.size() != b.vertices.size() || a.uvs.size() != b.uvs.size() ||
      a.faces.size() != b.faces.size() || a.materials != b.materials) {
    return false;
  }
  if (!a.vertices.empty() &&
      std::memcmp(a.vertices.data(), b.vertices.data(), a.vertices.size() * sizeof(CtsxVector3f))) {
    return false;
  }
  if (!a.uvs.empty() && std::memcmp(a.uvs.data(), b.uvs.data(), a.uvs.size() * sizeof(CtsxUV))) {
    return false;
  }
  for (std::size_t f = 0; f < a.faces.size(); ++f) {
    const tsxhost::Face& x = a.faces[f];
    const tsxhost::Face& y = b.faces[f];
    if (x.material != y.material || !SameCorners(x.corners, y.corners) ||
        x.holes.size() != y.holes.size()) {
      return false;
    }
    for (std::size_t h = 0; h < x.holes.size(); ++h) {
      if (!SameCorners(x.holes[h], y.holes[h])) return false;
    }
  }
  return true;
}

void JoinTest::SetUp() {
  tsxhost::ResetScene();
  ResetJoinState();
  InitJoinStateForWindow();
  view.showInfo = true;
}

void JoinTest::TearDown() { tsxhost::ResetScene(); }

JoinMade JoinTest::Join(tsxSOBJ first, tsxSOBJ second, const JoinHooks& hooks) {
  tsxhost::SetSelection(first);
  PickObject(&view, Slot::First);
  tsxhost::SetSelection(second);
  PickObject(&view, Slot::Second);
  JoinMade made;
  JoinPickedObjects(progress, {}, hooks, &made);
  return made;
}

std::vector<tsxSOBJ> JoinTest::NewSceneObjects(const std::vector<tsxSOBJ>& before) const {
  std::vector<tsxSOBJ> added;
  for (tsxSOBJ obj : tsxhost::SceneObjects()) {
    if (std::find(before.begin(), before.end(), obj) == before.end()) added.push_back(obj);
  }
  return added;
}

std::vector<std::string> JoinTest::MessageTexts() const {
  std::vector<std::string> texts;
  for (const ShownMessage& m : view.messages) texts.push_back(m.text);
  return texts;
}

int JoinTest::CountMessages(const std::string& text) const {
  return static_cast<int>(std::count_if(view.messages.begin(), view.messages.end(),
                                        [&text](const ShownMessage& m) { return m.text == text; }));
}

}  // namespace spl::testing
