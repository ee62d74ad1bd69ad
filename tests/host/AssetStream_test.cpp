// The host's half of reading glTF, PLY and STL: the reader process's
// answer is decoded and built into objects, or refused whole, whatever its
// bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <set>

#include "host/formats/AssetFiles.h"
#include "host/formats/AssetStream.h"
#include "host/scene/Scene.h"

namespace {

using tsxhost::detail::AssetObject;
using tsxhost::detail::AssetScene;
using tsxhost::detail::EncodeAssetScene;

// A square of two triangles with UVs and normals, two materials.
AssetObject Square(const std::string& name) {
  AssetObject o;
  o.name = name;
  auto& m = o.mesh;
  m.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  m.uvs = {{0, 0}, {1, 0}, {1, 1}};
  m.normals = {{0, 0, 1}};
  m.materials.resize(2);
  m.materials[1].name = "red";
  m.materials[1].diffuse = {1, 0, 0};
  m.materials[1].diffuseMap = "red.png";
  m.corners = {{0, 0, 0}, {1, 1, 0}, {2, 2, 0}, {0, 0, 0}, {2, 2, -1}, {3, -1, -1}};
  m.faceStart = {0, 3, 6};
  m.faceMaterial = {0, 1};
  return o;
}

class AssetStreamTest : public ::testing::Test {
 protected:
  void SetUp() override { tsxhost::ResetScene(); }
  void TearDown() override { tsxhost::ResetScene(); }
  // Expects the stream refused with `reason` and the scene left empty.
  static void ExpectMalformed(const std::string& stream, const std::string& reason) {
    const tsxhost::ObjResult r = tsxhost::detail::ReadAssetStream(stream, "f.glb");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "f.glb: the file could not be read (the reader's answer is malformed: " + reason + ")");
    EXPECT_TRUE(tsxhost::SceneObjects().empty());
  }
};

TEST_F(AssetStreamTest, ObjectsComeThroughWithNormalsUvsAndMaterials) {
  AssetScene scene;
  scene.objects.push_back(Square("Head"));
  scene.warnings.push_back("vertex colours are not kept");
  const tsxhost::ObjResult r = tsxhost::detail::ReadAssetStream(EncodeAssetScene(scene), "f.glb");
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.warnings, std::vector<std::string>{"f.glb: vertex colours are not kept"});
  tsxhost::Mesh m;
  ASSERT_TRUE(tsxhost::ReadMesh(r.objects.at(0), &m));
  EXPECT_EQ(tsxhost::ObjectName(r.objects[0]), "Head");
  ASSERT_EQ(m.vertices.size(), 4u);
  EXPECT_EQ(m.uvs.size(), 3u);
  ASSERT_EQ(m.faces.size(), 2u);
  EXPECT_EQ(m.faces[1].material, 1);
  EXPECT_EQ(m.materials.at(1).name, "red");
  EXPECT_EQ(m.materials[1].diffuseMap, "red.png");
  EXPECT_EQ(m.faces[1].corners[2].uv, -1);
  // Corners with a normal keep it; the others have none.
  ASSERT_GE(m.faces[0].corners[0].normal, 0);
  EXPECT_EQ(m.normals.at(m.faces[0].corners[0].normal).z, 1.0f);
  EXPECT_EQ(m.faces[1].corners[1].normal, -1);
}

TEST_F(AssetStreamTest, NamesAreCleanedMadeUniqueOrTakenFromTheFile) {
  AssetScene scene;
  scene.objects = {Square("Part"), Square("Part"), Square(""), Square("bad\nname")};
  const tsxhost::ObjResult r = tsxhost::detail::ReadAssetStream(EncodeAssetScene(scene), "dir/figure.glb");
  ASSERT_TRUE(r.ok) << r.error;
  std::vector<std::string> names;
  for (tsxSOBJ obj : r.objects) names.push_back(tsxhost::ObjectName(obj));
  EXPECT_EQ(names, (std::vector<std::string>{"Part", "Part.2", "figure", "bad?name"}));
  EXPECT_EQ(r.warnings, std::vector<std::string>{"dir/figure.glb: a second object named 'Part' is read as 'Part.2'"});
  // A name the scene has already: nothing of the file enters it.
  const tsxhost::ObjResult again = tsxhost::detail::ReadAssetStream(EncodeAssetScene(scene), "g.glb");
  EXPECT_FALSE(again.ok);
  EXPECT_EQ(again.error, "g.glb: a second object named 'Part'");
  EXPECT_EQ(tsxhost::SceneObjects().size(), 4u);
}

TEST_F(AssetStreamTest, TheReadersRefusalIsPassedOnWithTheFileName) {
  AssetScene scene;
  scene.refusal = "STL: unexpected end of file";
  const tsxhost::ObjResult r = tsxhost::detail::ReadAssetStream(EncodeAssetScene(scene), "f.stl");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, "f.stl: STL: unexpected end of file");
}

TEST_F(AssetStreamTest, EveryCutAndEveryBadIndexOrCountIsRefusedWhole) {
  AssetScene scene;
  scene.objects = {Square("A"), Square("B")};
  const std::string whole = EncodeAssetScene(scene);
  for (size_t n = 0; n < whole.size(); ++n) {
    const tsxhost::ObjResult r = tsxhost::detail::ReadAssetStream(whole.substr(0, n), "f.glb");
    ASSERT_FALSE(r.ok) << n;
    ASSERT_TRUE(tsxhost::SceneObjects().empty()) << n;
  }
  ExpectMalformed(whole + "x", "it ends early or runs on past its end");
  std::string version = whole;
  version[8] = 9;
  ExpectMalformed(version, "version 9 instead of " + std::to_string(tsxhost::detail::kAssetStreamVersion));

  auto spoilt = [](auto change) {
    AssetScene s;
    s.objects = {Square("A"), Square("B")};
    change(s.objects[1].mesh);
    return EncodeAssetScene(s);
  };
  const std::string corner = "a corner names a vertex, UV or normal that does not exist";
  ExpectMalformed(spoilt([](auto& m) { m.corners[4].vertex = 4; }), corner);
  ExpectMalformed(spoilt([](auto& m) { m.corners[4].vertex = -1; }), corner);
  ExpectMalformed(spoilt([](auto& m) { m.corners[2].uv = 3; }), corner);
  ExpectMalformed(spoilt([](auto& m) { m.corners[2].uv = -2; }), corner);
  ExpectMalformed(spoilt([](auto& m) { m.corners[0].normal = 1; }), corner);
  ExpectMalformed(spoilt([](auto& m) { m.faceMaterial[1] = 2; }), "a face's material 2 does not exist");
  ExpectMalformed(spoilt([](auto& m) { m.materials.clear(); }), "an object with 0 materials");
  ExpectMalformed(spoilt([](auto& m) { m.faceStart = {0, 2, 6}; }), "a face with 2 corners");
  ExpectMalformed(spoilt([](auto& m) { m.corners.pop_back(); }), "the faces have 6 corners, the list 5");
  // A count far past the stream's end is refused before anything is made
  // for it.
  std::string huge = whole;
  const uint32_t many = 0xFFFFFFF0u;
  // tag, version, refusal, warnings, objects, the object's length, name "A"
  const size_t vertexCount = 8 + 4 + 4 + 4 + 4 + 8 + 4 + 1;
  std::memcpy(&huge[vertexCount], &many, 4);
  ExpectMalformed(huge, "it ends early or runs on past its end");
}

// The names of the objects a decoder hands on, in order.
struct Taken {
  std::vector<std::string> names;
  std::vector<size_t> vertices;
  tsxhost::detail::AssetStreamDecoder::ObjectSink Sink() {
    return [this](AssetObject&& o) {
      names.push_back(o.name);
      vertices.push_back(o.mesh.vertices.size());
      return true;
    };
  }
};

TEST(AssetStreamDecoder, HandsEachObjectOnAsSoonAsItsBytesAreIn) {
  AssetScene scene;
  scene.objects = {Square("A"), Square("B")};
  scene.objects[1].mesh.vertices.push_back({5, 5, 5});  // B differs from A
  scene.warnings = {"w1"};
  const std::string whole = EncodeAssetScene(scene);
  // The length of the header and of A: A alone is in once B's length starts.
  AssetScene onlyA;
  onlyA.objects = {scene.objects[0]};
  onlyA.warnings = scene.warnings;
  const size_t throughA = EncodeAssetScene(onlyA).size() - 4;  // less the end tag
  Taken taken;
  tsxhost::detail::AssetStreamDecoder decoder(taken.Sink());
  ASSERT_TRUE(decoder.Feed(std::string_view(whole).substr(0, throughA - 1)));
  EXPECT_TRUE(taken.names.empty());
  EXPECT_EQ(decoder.warnings(), std::vector<std::string>{"w1"});
  ASSERT_TRUE(decoder.Feed(std::string_view(whole).substr(throughA - 1, 1)));
  EXPECT_EQ(taken.names, std::vector<std::string>{"A"});
  ASSERT_TRUE(decoder.Feed(std::string_view(whole).substr(throughA, whole.size() - throughA - 1)));
  EXPECT_EQ(taken.names, (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(taken.vertices, (std::vector<size_t>{4, 5}));
  EXPECT_FALSE(decoder.Finish()) << "the end tag's last byte is missing";
}

TEST(AssetStreamDecoder, AnyPiecesGiveWhatTheWholeGives) {
  AssetScene scene;
  scene.objects = {Square("A"), Square("B"), Square("C")};
  scene.warnings = {"w1", "w2"};
  const std::string whole = EncodeAssetScene(scene);
  for (size_t piece : {size_t{1}, size_t{3}, size_t{7}, size_t{64}, whole.size()}) {
    Taken taken;
    tsxhost::detail::AssetStreamDecoder decoder(taken.Sink());
    for (size_t at = 0; at < whole.size(); at += piece) {
      ASSERT_TRUE(decoder.Feed(std::string_view(whole).substr(at, piece))) << piece << " " << decoder.why();
    }
    ASSERT_TRUE(decoder.Finish()) << piece;
    EXPECT_EQ(taken.names, (std::vector<std::string>{"A", "B", "C"})) << piece;
    EXPECT_EQ(decoder.warnings(), (std::vector<std::string>{"w1", "w2"})) << piece;
  }
}

TEST(AssetStreamDecoder, StopsWhenTheSinkSaysSoOrTheBytesGoWrong) {
  AssetScene scene;
  scene.objects = {Square("A"), Square("B")};
  const std::string whole = EncodeAssetScene(scene);
  int calls = 0;
  tsxhost::detail::AssetStreamDecoder stopped([&calls](AssetObject&&) { return ++calls < 1; });
  EXPECT_FALSE(stopped.Feed(whole));
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(stopped.Feed(whole));
  EXPECT_FALSE(stopped.Finish());

  // An object's length below the least an object takes, and bytes after the end.
  std::string shortObject = whole;
  const uint64_t tiny = 3;
  std::memcpy(&shortObject[8 + 4 + 4 + 4 + 4], &tiny, sizeof tiny);
  tsxhost::detail::AssetStreamDecoder a([](AssetObject&&) { return true; });
  EXPECT_FALSE(a.Feed(shortObject));
  EXPECT_EQ(a.why(), "an object of 3 bytes");
  tsxhost::detail::AssetStreamDecoder b([](AssetObject&&) { return true; });
  EXPECT_TRUE(b.Feed(whole));
  EXPECT_FALSE(b.Feed("x"));
  EXPECT_EQ(b.why(), "it ends early or runs on past its end");
  tsxhost::detail::AssetStreamDecoder c([](AssetObject&&) { return true; });
  EXPECT_FALSE(c.Feed("NOTASTREAM"));
  EXPECT_EQ(c.why(), "it does not start as a reader's answer");
}

TEST(AssetStreamDecoder, TooManyWarningsAreNeitherWrittenNorRead) {
  AssetScene scene;
  scene.warnings.assign(tsxhost::detail::kAssetWarningLimit + 5, "w");
  AssetScene back;
  std::string why;
  ASSERT_TRUE(tsxhost::detail::DecodeAssetScene(EncodeAssetScene(scene), &back, &why)) << why;
  EXPECT_EQ(back.warnings.size(), tsxhost::detail::kAssetWarningLimit);
  std::string forged = EncodeAssetScene(AssetScene{});
  const uint32_t many = tsxhost::detail::kAssetWarningLimit + 1;
  std::memcpy(&forged[8 + 4 + 4], &many, 4);
  EXPECT_FALSE(tsxhost::detail::DecodeAssetScene(forged, &back, &why));
  EXPECT_EQ(why, std::to_string(many) + " warnings");
}

}  // namespace

namespace {

// The plain way to count what a one-object format's lone mesh shows: a set
// of sorted corner lists and a walk over shared vertices.
tsxhost::detail::OneObjectShape PlainShape(const tsxhost::detail::FlatMesh& mesh) {
  const size_t n = mesh.vertices.size();
  std::vector<std::vector<size_t>> next(n);
  std::vector<bool> used(n, false);
  std::set<std::vector<int32_t>> seen;
  tsxhost::detail::OneObjectShape shape;
  for (size_t f = 0; f + 1 < mesh.faceStart.size(); ++f) {
    std::vector<int32_t> corners;
    for (uint32_t i = mesh.faceStart[f]; i < mesh.faceStart[f + 1]; ++i) corners.push_back(mesh.corners[i].vertex);
    for (const int32_t v : corners) {
      used[v] = true;
      next[v].push_back(corners.front());
      next[corners.front()].push_back(v);
    }
    std::sort(corners.begin(), corners.end());
    shape.doubled += !seen.insert(corners).second;
  }
  std::vector<bool> reached(n, false);
  for (size_t v = 0; v < n; ++v) {
    if (!used[v] || reached[v]) continue;
    ++shape.parts;
    std::vector<size_t> todo{v};
    reached[v] = true;
    while (!todo.empty()) {
      const size_t at = todo.back();
      todo.pop_back();
      for (const size_t w : next[at]) {
        if (!reached[w]) reached[w] = true, todo.push_back(w);
      }
    }
  }
  return shape;
}

}  // namespace

// Random meshes with few vertices, so that faces repeat (in any corner
// order) and parts come and go: the flat count agrees with the plain one.
TEST(OneObjectShape, AgreesWithThePlainCountOnRandomMeshes) {
  std::mt19937 random(7);
  for (int round = 0; round < 400; ++round) {
    tsxhost::detail::FlatMesh mesh;
    const int vertices = 3 + static_cast<int>(random() % 12);
    mesh.vertices.resize(vertices + random() % 3);  // some never used
    const int faces = static_cast<int>(random() % 20);
    for (int f = 0; f < faces; ++f) {
      const int corners = 3 + static_cast<int>(random() % 3);
      for (int c = 0; c < corners; ++c) mesh.corners.push_back({static_cast<int32_t>(random() % vertices), -1, -1});
      mesh.faceStart.push_back(static_cast<uint32_t>(mesh.corners.size()));
    }
    const auto flat = tsxhost::detail::ShapeOf(mesh);
    const auto plain = PlainShape(mesh);
    ASSERT_EQ(flat.parts, plain.parts) << "round " << round;
    ASSERT_EQ(flat.doubled, plain.doubled) << "round " << round;
  }
}
