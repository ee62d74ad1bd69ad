// What faces carry per corner beyond the interface (normals), and their UVs,
// on faces the contact join makes anew: a corner kept keeps its own, a point
// put into an edge gets the edge's ends' blended along it, a point inside a
// face one blended inside it; the face keeps its smoothing group and group.
// Faces away from the contact keep everything. Through the session too, and
// through an OBJ written and read again.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "ContactFixture.h"
#include "engine/common/Errors.h"
#include "host/obj/ObjFile.h"
#include "session/JoinSession.h"
#include "session/RebuiltFaces.h"

namespace spl::testing {
namespace {

// Every corner its own unit normal and UV (a quad's UVs no affine map
// gives), every face its own group ("<prefix><face>") and smoothing group.
tsxhost::Mesh Dressed(tsxhost::Mesh mesh, const std::string& prefix, double seed) {
  mesh.normals.clear();
  mesh.uvs.clear();
  for (size_t f = 0; f < mesh.faces.size(); ++f) {
    tsxhost::Face& face = mesh.faces[f];
    for (size_t k = 0; k < face.corners.size(); ++k) {
      const double a = seed + 0.37 * double(f) + 0.91 * double(k * k), b = seed * 0.5 + 0.23 * double(f) - 0.53 * double(k);
      face.corners[k].normal = int32_t(mesh.normals.size());
      mesh.normals.push_back({float(std::cos(a) * std::cos(b)), float(std::sin(a) * std::cos(b)), float(std::sin(b))});
      face.corners[k].uv = int32_t(mesh.uvs.size());
      mesh.uvs.push_back({float(0.1 * double(f) + 0.03 * double(k * k)), float(seed + 0.2 * double(k) + 0.05 * double(f * f))});
    }
    face.group = prefix + std::to_string(f);
    face.smoothing = uint32_t(f + 1 + (prefix == "A" ? 0 : 10));
  }
  return mesh;
}

CtsxVector3f Normalised(double x, double y, double z) {
  const double l = std::sqrt(x * x + y * y + z * z);
  return {float(x / l), float(y / l), float(z / l)};
}

bool Bitwise(const CtsxVector3f& a, const CtsxVector3f& b) { return std::memcmp(&a, &b, sizeof a) == 0; }
bool Bitwise(const CtsxUV& a, const CtsxUV& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

struct Carried {
  int kept = 0, onEdge = 0, inside = 0;  // corners of each kind
  int faces = 0;                         // faces whose corners are not their source's
};

// Checks every face of `result` against its source face (found by its
// group among `sources`, named "A…" and "B…"), all in one space.
Carried CheckCarried(const tsxhost::Mesh& result, const tsxhost::Mesh& a, const tsxhost::Mesh& b) {
  Carried seen;
  for (size_t r = 0; r < result.faces.size(); ++r) {
    const tsxhost::Face& face = result.faces[r];
    SCOPED_TRACE("result face " + std::to_string(r) + " (" + face.group + ")");
    if (face.group.size() < 2) {
      ADD_FAILURE() << "the face lost its group";
      continue;
    }
    const tsxhost::Mesh& source = face.group[0] == 'A' ? a : b;
    const size_t f = std::stoul(face.group.substr(1));
    if (f >= source.faces.size()) {
      ADD_FAILURE() << "no such source face";
      continue;
    }
    const tsxhost::Face& from = source.faces[f];
    EXPECT_EQ(face.smoothing, from.smoothing);
    const size_t n = from.corners.size();
    const auto at = [&](size_t k) { return source.vertices[size_t(from.corners[k % n].vertex)]; };
    const auto normal = [&](size_t k) { return source.normals[size_t(from.corners[k % n].normal)]; };
    const auto uv = [&](size_t k) { return source.uvs[size_t(from.corners[k % n].uv)]; };
    bool same = face.corners.size() == n;
    for (size_t c = 0; c < face.corners.size(); ++c) {
      const tsxhost::Corner& corner = face.corners[c];
      if (corner.normal < 0 || corner.uv < 0) {
        ADD_FAILURE() << "corner " << c << " has no normal or no UV";
        continue;
      }
      const CtsxVector3f& p = result.vertices[size_t(corner.vertex)];
      const CtsxVector3f& got = result.normals[size_t(corner.normal)];
      const CtsxUV& gotUV = result.uvs[size_t(corner.uv)];
      size_t k = 0;
      while (k < n && !SamePoint(p, at(k))) ++k;
      if (k < n) {
        ++seen.kept;
        same = same && SamePoint(p, at(c));
        EXPECT_TRUE(Bitwise(got, normal(k))) << "corner " << c;
        EXPECT_TRUE(Bitwise(gotUV, uv(k))) << "corner " << c;
        continue;
      }
      same = false;
      bool edge = false;
      for (k = 0; k < n && !edge; ++k) {
        const CtsxVector3f u = at(k), w = at(k + 1);
        const double d[3] = {double(w.x) - u.x, double(w.y) - u.y, double(w.z) - u.z};
        const double q[3] = {double(p.x) - u.x, double(p.y) - u.y, double(p.z) - u.z};
        const double len2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
        const double t = (q[0] * d[0] + q[1] * d[1] + q[2] * d[2]) / len2;
        const double off[3] = {q[0] - t * d[0], q[1] - t * d[1], q[2] - t * d[2]};
        if (!(t > 0 && t < 1) || off[0] * off[0] + off[1] * off[1] + off[2] * off[2] > 1e-10 * len2) continue;
        edge = true;
        const CtsxVector3f m = normal(k), o = normal(k + 1);
        const CtsxVector3f want = Normalised((1 - t) * m.x + t * o.x, (1 - t) * m.y + t * o.y, (1 - t) * m.z + t * o.z);
        EXPECT_NEAR(got.x, want.x, 1e-5) << "corner " << c << " on edge " << k << " at " << t;
        EXPECT_NEAR(got.y, want.y, 1e-5) << "corner " << c;
        EXPECT_NEAR(got.z, want.z, 1e-5) << "corner " << c;
        EXPECT_NEAR(gotUV.u, (1 - t) * uv(k).u + t * uv(k + 1).u, 1e-5) << "corner " << c;
        EXPECT_NEAR(gotUV.v, (1 - t) * uv(k).v + t * uv(k + 1).v, 1e-5) << "corner " << c;
      }
      if (edge) {
        ++seen.onEdge;
        continue;
      }
      ++seen.inside;
      EXPECT_NEAR(std::sqrt(double(got.x) * got.x + double(got.y) * got.y + double(got.z) * got.z), 1, 1e-6);
    }
    seen.faces += !same;
  }
  return seen;
}

class ContactNormals : public ContactJoinTest {
 protected:
  // A: 2 x 3 x 1 at the origin. B: 1.75 x 3.5 x 1 on A's top, overlapping it
  // in [1.25, 2] x [0.5, 3]: B's corner (1.25, 0.5) lies inside A's top, A's
  // (2, 3) inside B's bottom, and their outlines cross at (2, 0.5) and
  // (1.25, 3), which go into A's edges shared with its side faces.
  void SetUp() override {
    ContactJoinTest::SetUp();
    meshA_ = Dressed(MakeBox({0, 0, 0}, {2, 3, 1}, "a"), "A", 0.3);
    meshB_ = Dressed(MakeBox({1.25f, 0.5f, 1}, {3, 4, 2}, "b"), "B", 1.7);
  }
  tsxhost::Mesh meshA_, meshB_;
};

TEST_F(ContactNormals, RebuiltFacesCarryTheirSourcesNormalsBlendedAsTheyLie) {
  const tsxSOBJ a = Add("A", meshA_), b = Add("B", meshB_);
  ContactJoinRequest request;
  request.objects = {a, b};
  request.finish = [&request](const ContactGroup& group) { return splicer::GiveRebuiltFaces(request.objects, group); };
  const ContactJoinResult r = RunContactJoin(request, progress);
  ExpectSealedUnion(r, {meshA_, meshB_}, 0.75 * 2.5);
  ASSERT_EQ(r.groups.size(), 1u);
  const Carried seen = CheckCarried(Read(r.groups[0].result), meshA_, meshB_);
  EXPECT_GT(seen.onEdge, 0);
  EXPECT_GT(seen.inside, 0);
  // A's top, side +x and side +y, and B's bottom, side -x and side -y.
  EXPECT_GE(seen.faces, 6);
  EXPECT_GT(seen.kept, 40);
}

TEST_F(ContactNormals, WithoutTheSessionNewFacesHaveNoNormalsAndAFailingFinishAddsNothing) {
  const tsxSOBJ a = Add("A", meshA_), b = Add("B", meshB_);
  // The engine alone: every face made anew lacks them, every other face keeps them.
  ContactJoinResult r = Run({a, b});
  ASSERT_EQ(r.error, 0) << r.what;
  const tsxhost::Mesh plain = Read(r.groups[0].result);
  size_t without = 0;
  for (const RebuiltFace& made : r.groups[0].rebuiltFaces) {
    ASSERT_LT(size_t(made.face), plain.faces.size());
    for (const tsxhost::Corner& c : plain.faces[size_t(made.face)].corners) without += c.normal < 0;
  }
  size_t missing = 0;
  for (const tsxhost::Face& face : plain.faces) {
    for (const tsxhost::Corner& c : face.corners) missing += c.normal < 0;
  }
  EXPECT_GT(without, 0u);
  EXPECT_EQ(missing, without);
  // The host refuses, changing nothing, a corner count that is not the
  // face's, a dead source and a face out of range.
  const tsxSOBJ result = r.groups[0].result;
  const RebuiltFace& made = r.groups[0].rebuiltFaces.front();
  const std::vector<CtsxVector3f> n(made.corners.size() + 1, CtsxVector3f{0, 0, 1});
  const std::vector<uint8_t> has(n.size(), 1);
  const auto count = static_cast<int32_t>(made.corners.size());
  EXPECT_FALSE(tsxhost::SetFaceFrom(result, made.face, a, made.sourceFace, n.data(), has.data(), count + 1));
  EXPECT_FALSE(tsxhost::SetFaceFrom(result, made.face, 9999, made.sourceFace, n.data(), has.data(), count));
  EXPECT_FALSE(tsxhost::SetFaceFrom(result, int32_t(plain.faces.size()), a, 0, n.data(), has.data(), count));
  EXPECT_TRUE(SameMesh(Read(result), plain));

  // A finish that fails (memory) fails the join: nothing enters the scene.
  const std::vector<tsxSOBJ> before = tsxhost::SceneObjects();
  ContactJoinRequest request;
  request.objects = {a, b};
  request.finish = [](const ContactGroup&) { return false; };
  r = RunContactJoin(request, progress);
  EXPECT_EQ(r.error, kNoMemory);
  EXPECT_EQ(tsxhost::SceneObjects(), before);
}

TEST_F(ContactNormals, APointBlendedFromACornerWithoutANormalGetsNone) {
  // B's bottom face (4) loses the normal of its corner 0, at (1.25, 0.5, 1),
  // which lies inside A's top: A's pieces keep theirs; of B's bottom, only
  // corners not blended from it keep one.
  meshB_.faces[4].corners[0].normal = -1;
  const tsxSOBJ a = Add("A", meshA_), b = Add("B", meshB_);
  ContactJoinRequest request;
  request.objects = {a, b};
  request.finish = [&request](const ContactGroup& group) { return splicer::GiveRebuiltFaces(request.objects, group); };
  const ContactJoinResult r = RunContactJoin(request, progress);
  ASSERT_EQ(r.error, 0) << r.what;
  const tsxhost::Mesh result = Read(r.groups[0].result);
  int none = 0;
  for (const tsxhost::Face& face : result.faces) {
    for (const tsxhost::Corner& c : face.corners) {
      if (c.normal >= 0) continue;
      EXPECT_EQ(face.group, "B4");
      ++none;
    }
  }
  EXPECT_GT(none, 0);
}

TEST_F(ContactNormals, TheSameThroughObjFilesReadAndWritten) {
  // The two boxes written as an OBJ and read back, as a user's file.
  std::string obj, mtl;
  {
    const tsxSOBJ a = Add("A", meshA_), b = Add("B", meshB_);
    ASSERT_TRUE(tsxhost::ObjTexts({a, b}, "boxes.mtl", &obj, &mtl));
    tsxhost::ResetScene();
  }
  tsxhost::ObjReadOptions options;
  options.mtlResolver = [&mtl](const std::string&, std::string* text, std::string* folder, std::string*) {
    *text = mtl;
    folder->clear();
    return true;
  };
  const tsxhost::ObjResult read = tsxhost::LoadObjText(obj, "boxes.obj", options);
  ASSERT_TRUE(read.error.empty()) << read.error;
  ASSERT_EQ(read.objects.size(), 2u);
  splicer::StageClock clock;
  const splicer::JoinOutcome outcome = splicer::PickAndJoin(read.objects[0], read.objects[1], {0.01, false, true}, clock);
  ASSERT_NE(outcome.result, 0u);
  // The result written and read back.
  std::string joined, joinedMtl;
  ASSERT_TRUE(tsxhost::ObjTexts({outcome.result}, "joined.mtl", &joined, &joinedMtl));
  tsxhost::ResetScene();
  mtl = joinedMtl;
  const tsxhost::ObjResult again = tsxhost::LoadObjText(joined, "joined.obj", options);
  ASSERT_TRUE(again.error.empty()) << again.error;
  ASSERT_EQ(again.objects.size(), 1u);
  const Carried seen = CheckCarried(Read(again.objects[0]), meshA_, meshB_);
  EXPECT_GT(seen.onEdge, 0);
  EXPECT_GT(seen.inside, 0);
  EXPECT_GE(seen.faces, 6);
}

}  // namespace
}  // namespace spl::testing
