// The scene behind the host interface: handles, copies, replacing
// operations, materials and the testing seams.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>

#include "host/scene/HostTesting.h"
#include "host/scene/Scene.h"
#include "interface/tsxapi.h"

namespace {

using tsxhost::Mesh;

// A triangle and a quad sharing the edge 1-2, with UVs and two materials.
//   3 --- 2
//   |   / |
//   |  /  |
//   0 --- 1
Mesh TwoFaces() {
  Mesh m;
  m.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  m.uvs = {{0, 0}, {1, 0}, {1, 1}};
  m.faces = {{{{0, 0}, {1, 1}, {2, 2}}, {}, 0}, {{{0, -1}, {2, -1}, {3, -1}}, {}, 1}};
  tsxhost::Material red;
  red.name = "red";
  red.diffuse = {1, 0, 0};
  m.materials = {tsxhost::Material{}, red};
  return m;
}

class SceneTest : public ::testing::Test {
 protected:
  void SetUp() override { tsxhost::ResetScene(); }
};

TEST_F(SceneTest, DeletedHandlesAnswerWithZeroAndNullAndAreNeverReused) {
  const tsxSOBJ a = tsxhost::AddPolyhedron("A", TwoFaces());
  tsxhost::SetSelection(a);
  ASSERT_EQ(tsxGetCurrentSelection(), a);
  tsxSobjDelete(a);
  EXPECT_EQ(tsxPolyhGetNbrVxs(a), 0);
  EXPECT_EQ(tsxPolyhGetNbrUV(a), 0);
  EXPECT_EQ(tsxPolyhGetNbrFaces(a), 0);
  EXPECT_EQ(tsxPolyhGetVxArray(a), nullptr);
  EXPECT_EQ(tsxPolyhGetUVArray(a), nullptr);
  EXPECT_EQ(tsxPolyhGetFaceptrArray(a), nullptr);
  EXPECT_EQ(tsxSobjGetType(a), 0);
  EXPECT_EQ(tsxGetCurrentSelection(), 0u);
  CtsxTxmx3f m{};
  EXPECT_EQ(tsxPolyhGetVxTxmx(a, &m), nullptr);
  tsxGNODE copy = 0;
  EXPECT_NE(tsxGNodeCopy(a, &copy), 0);
  EXPECT_EQ(copy, 0u);
  tsxSobjDelete(a);  // twice is harmless

  const tsxSOBJ b = tsxhost::AddPolyhedron("B", TwoFaces());
  EXPECT_NE(b, a);
  tsxhost::ResetScene();
  EXPECT_GT(tsxhost::AddPolyhedron("C", TwoFaces()), b);  // not even after a reset
  EXPECT_EQ(tsxPolyhGetNbrVxs(0), 0);
  EXPECT_EQ(tsxPolyhGetNbrVxs(0xDEADBEEF), 0);
}

TEST_F(SceneTest, ResetKeepsMaterialHandlesCountingAndBlocksHandedOutCounted) {
  tsxMATERIAL before = 0;
  ASSERT_EQ(tsxMaterialCreate(&before), 0);
  void* block = tsxMalloc(16);
  const long outstanding = tsxhost::testing::OutstandingAllocations();
  tsxhost::ResetScene();
  EXPECT_EQ(tsxhost::testing::OutstandingAllocations(), outstanding);
  tsxMATERIAL after = 0;
  ASSERT_EQ(tsxMaterialCreate(&after), 0);
  EXPECT_GT(after, before);
  tsxFree(block);
  EXPECT_EQ(tsxhost::testing::OutstandingAllocations(), outstanding - 1);
}

TEST_F(SceneTest, CopyIsDeepAndOutsideTheSceneUntilAdded) {
  const tsxSOBJ a = tsxhost::AddPolyhedron("A", TwoFaces(), tsxhost::kIdentity, {1, 2, 3});
  tsxGNODE copy = 0;
  ASSERT_EQ(tsxGNodeCopy(a, &copy), 0);
  EXPECT_FALSE(tsxhost::InScene(copy));
  EXPECT_EQ(tsxhost::SceneObjects().size(), 1u);
  EXPECT_NE(tsxPolyhGetVxArray(copy), tsxPolyhGetVxArray(a));
  EXPECT_NE(tsxPolyhGetFaceptrArray(copy)[0], tsxPolyhGetFaceptrArray(a)[0]);
  tsxPolyhGetVxArray(copy)[0].x = 42;
  EXPECT_EQ(tsxPolyhGetVxArray(a)[0].x, 0);
  CtsxVector3f axes{};
  tsxGNodeGetAxesPosition(copy, &axes);
  EXPECT_EQ(axes.z, 3);
  EXPECT_NE(tsxhost::ObjectName(copy), "A");

  ASSERT_EQ(tsxSceneAddObject(copy, 0), 0);
  EXPECT_TRUE(tsxhost::InScene(copy));
  EXPECT_NE(tsxSceneAddObject(copy, 0), 0);  // already there
  EXPECT_EQ(tsxhost::SceneObjects().size(), 2u);
}

TEST_F(SceneTest, ReplacingOperationsTakeOverHostBlocks) {
  const tsxSOBJ a = tsxhost::AddPolyhedron("A", TwoFaces());
  const long before = tsxhost::testing::OutstandingAllocations();
  auto* vxs = static_cast<CtsxVector3f*>(tsxMalloc(2 * sizeof(CtsxVector3f)));
  vxs[0] = {5, 5, 5};
  vxs[1] = {6, 6, 6};
  EXPECT_EQ(tsxhost::testing::OutstandingAllocations(), before + 1);
  ASSERT_EQ(tsxPolyhSetVxs(a, 2, vxs), 0);
  EXPECT_EQ(tsxhost::testing::OutstandingAllocations(), before);
  EXPECT_EQ(tsxPolyhGetNbrVxs(a), 2);
  EXPECT_EQ(tsxPolyhGetVxArray(a)[1].y, 6);

  // A face copy is the caller's block until the faces are handed over.
  auto** faces = static_cast<CtsxFace**>(tsxMalloc(sizeof(CtsxFace*)));
  ASSERT_EQ(tsxFaceCopy(&faces[0], tsxPolyhGetFaceptrArray(a)[0]), 0);
  EXPECT_EQ(tsxhost::testing::OutstandingAllocations(), before + 2);
  ASSERT_EQ(tsxPolyhSetFaces(a, 1, faces), 0);
  EXPECT_EQ(tsxhost::testing::OutstandingAllocations(), before);
  EXPECT_EQ(tsxPolyhGetNbrFaces(a), 1);
  EXPECT_EQ(tsxPolyhGetFaceptrArray(a)[0]->nbrCorners, 3);

  // A refused hand-over still belongs to the host: nothing leaks.
  auto* uvs = static_cast<CtsxUV*>(tsxMalloc(sizeof(CtsxUV)));
  EXPECT_NE(tsxPolyhSetUVArray(0xFFFF, 1, uvs), 0);
  EXPECT_EQ(tsxhost::testing::OutstandingAllocations(), before);

  // A face array with a hole in it is refused, faces and all, and the
  // polyhedron keeps what it had.
  faces = static_cast<CtsxFace**>(tsxMalloc(2 * sizeof(CtsxFace*)));
  ASSERT_EQ(tsxFaceCopy(&faces[0], tsxPolyhGetFaceptrArray(a)[0]), 0);
  faces[1] = nullptr;
  EXPECT_EQ(tsxPolyhSetFaces(a, 2, faces), e_tsxBAD_INPUT);
  EXPECT_EQ(tsxhost::testing::OutstandingAllocations(), before);
  EXPECT_EQ(tsxPolyhGetNbrFaces(a), 1);

  // A face copy that is not handed over goes back with tsxFree.
  CtsxFace* spare = nullptr;
  ASSERT_EQ(tsxFaceCopy(&spare, tsxPolyhGetFaceptrArray(a)[0]), 0);
  tsxFree(spare);
  EXPECT_EQ(tsxhost::testing::OutstandingAllocations(), before);
}

TEST_F(SceneTest, PaintingStoresByValueAndSharesEqualEntries) {
  const tsxSOBJ a = tsxhost::AddPolyhedron("A", TwoFaces());
  tsxMATERIAL mat = 0;
  ASSERT_EQ(tsxMaterialCreate(&mat), 0);
  ASSERT_NE(tsxPolyhGetMaterial(a, 1, mat), 0);  // red
  ASSERT_EQ(tsxPolyhPaintFace(a, 0, mat, 0), 0);
  tsxMaterialDestroy(mat);  // the face keeps its material
  tsxhost::Mesh mesh;
  ASSERT_TRUE(tsxhost::ReadMesh(a, &mesh));
  EXPECT_EQ(mesh.faces[0].material, 1);  // shared with the equal entry
  EXPECT_EQ(mesh.materials.size(), 2u);
  EXPECT_EQ(tsxPolyhGetMaterial(a, 2, mat), 0);  // out of range, and dead handle

  tsxhost::Material active;
  active.name = "active";
  tsxhost::SetActiveMaterial(active);
  tsxMATERIAL copy = 0;
  ASSERT_EQ(tsxMaterialCreateCopyActive(&copy), 0);
  ASSERT_EQ(tsxPolyhPaintFace(a, 1, copy, 0), 0);
  ASSERT_EQ(tsxPolyhPaintFace(a, 0, copy, 0), 0);
  ASSERT_TRUE(tsxhost::ReadMesh(a, &mesh));
  EXPECT_EQ(mesh.materials.size(), 3u);  // one new entry for both faces
  EXPECT_EQ(mesh.materials[mesh.faces[1].material].name, "active");
  EXPECT_EQ(mesh.faces[0].material, mesh.faces[1].material);
  EXPECT_EQ(tsxhost::LiveMaterialCount(), 1);
}

// One handle refilled between paintings (as the join's material transfer
// does) paints each face with the value it held at that painting, also on
// a second object painted in between.
TEST_F(SceneTest, PaintingWithARefilledHandleTakesItsValueAtEachPainting) {
  const tsxSOBJ a = tsxhost::AddPolyhedron("A", TwoFaces());
  const tsxSOBJ b = tsxhost::AddPolyhedron("B", TwoFaces());
  tsxMATERIAL mat = 0;
  ASSERT_EQ(tsxMaterialCreate(&mat), 0);
  ASSERT_NE(tsxPolyhGetMaterial(a, 1, mat), 0);  // red
  ASSERT_EQ(tsxPolyhPaintFace(a, 0, mat, 0), 0);
  ASSERT_NE(tsxPolyhGetMaterial(a, 0, mat), 0);  // the default
  ASSERT_EQ(tsxPolyhPaintFace(b, 1, mat, 0), 0);
  ASSERT_EQ(tsxPolyhPaintFace(a, 1, mat, 0), 0);
  ASSERT_NE(tsxPolyhGetMaterial(b, 1, mat), 0);  // red again
  ASSERT_EQ(tsxPolyhPaintFace(a, 0, mat, 0), 0);
  ASSERT_EQ(tsxPolyhPaintFace(b, 0, mat, 0), 0);
  tsxhost::Mesh ma, mb;
  ASSERT_TRUE(tsxhost::ReadMesh(a, &ma));
  ASSERT_TRUE(tsxhost::ReadMesh(b, &mb));
  EXPECT_EQ(ma.faces[0].material, 1);
  EXPECT_EQ(ma.faces[1].material, 0);
  EXPECT_EQ(mb.faces[0].material, 1);
  EXPECT_EQ(mb.faces[1].material, 0);
  EXPECT_EQ(ma.materials.size(), 2u);
  tsxMaterialDestroy(mat);
}

// The list of operations is the header's declarations, in order, and the
// host counts each call under the operation's own name.
TEST_F(SceneTest, OperationListFollowsTheHeader) {
  std::ifstream header(TSXAPI_HEADER);
  ASSERT_TRUE(header) << TSXAPI_HEADER;
  std::stringstream text;
  text << header.rdbuf();
  const std::string source = text.str();
  std::vector<std::string> declared;
  const std::regex declaration(R"(TSXAPI [^;(]*TSXCALL (tsx\w+)\()");
  for (auto it = std::sregex_iterator(source.begin(), source.end(), declaration); it != std::sregex_iterator(); ++it) {
    declared.push_back((*it)[1]);
  }
#define LISTED(name) "tsx" #name,
  const std::vector<std::string> listed = {TSXAPI_OPERATIONS(LISTED)};
#undef LISTED
  EXPECT_EQ(listed, declared);
  EXPECT_EQ(listed.size(), 40u);

  tsxhost::testing::ResetCallCounts();
  tsxGetCurrentSelection();
  int16_t version = 0;
  tsxGetTsVersionNbrs(&version, nullptr);
  tsxGetTsVersionNbrs(&version, nullptr);
  for (const std::string& name : listed) {
    const long expected = name == "tsxGetCurrentSelection" ? 1 : name == "tsxGetTsVersionNbrs" ? 2 : 0;
    EXPECT_EQ(tsxhost::testing::CallCount(name), expected) << name;
  }
  EXPECT_EQ(TSXAPI_VERSION, TSXAPI_VERSION_MAJOR * 100 + TSXAPI_VERSION_MINOR);
}

TEST_F(SceneTest, FaultInjectionAndCallCounts) {
  const tsxSOBJ a = tsxhost::AddPolyhedron("A", TwoFaces());
  tsxhost::testing::FailNthAllocation(2);
  void* first = tsxMalloc(8);
  EXPECT_NE(first, nullptr);
  EXPECT_EQ(tsxMalloc(8), nullptr);
  void* third = tsxMalloc(8);
  EXPECT_NE(third, nullptr);
  tsxFree(first);
  tsxFree(third);

  CtsxFace* out = nullptr;
  tsxhost::testing::FailNthFaceCopy(1, -4);
  EXPECT_EQ(tsxFaceCopy(&out, tsxPolyhGetFaceptrArray(a)[0]), -4);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(tsxFaceCopy(&out, tsxPolyhGetFaceptrArray(a)[0]), 0);
  tsxFree(out);  // an unused copy is one block

  tsxhost::testing::FailNextObjectCopy();
  tsxGNODE copy = 0;
  EXPECT_NE(tsxGNodeCopy(a, &copy), 0);
  EXPECT_EQ(copy, 0u);
  EXPECT_EQ(tsxGNodeCopy(a, &copy), 0);

  tsxMATERIAL mat = 0;
  tsxMaterialCreate(&mat);
  tsxhost::testing::MakeMaterialUnavailable(a, 1);
  EXPECT_NE(tsxPolyhGetMaterial(a, 0, mat), 0);
  EXPECT_EQ(tsxPolyhGetMaterial(a, 1, mat), 0);

  tsxhost::SetVersion(400, 2);
  int16_t v = 0, s = 0;
  tsxGetTsVersionNbrs(&v, &s);
  EXPECT_EQ(v, 400);
  EXPECT_EQ(s, 2);
  EXPECT_EQ(tsxhost::testing::CallCount("tsxGNodeCopy"), 2);
  EXPECT_EQ(tsxhost::testing::CallCount("tsxMalloc"), 3);
  EXPECT_EQ(tsxhost::testing::CallCount("no such operation"), -1);
  tsxhost::testing::ResetCallCounts();
  EXPECT_EQ(tsxhost::testing::CallCount("tsxMalloc"), 0);

  std::vector<std::string> order;
  tsxhost::testing::SetCallHook(
      [](const char* name, void* user) { static_cast<std::vector<std::string>*>(user)->push_back(name); }, &order);
  tsxPolyhGetNbrFaces(a);
  tsxPolyhGetNbrVxs(a);
  tsxhost::testing::SetCallHook(nullptr, nullptr);
  EXPECT_EQ(order, (std::vector<std::string>{"tsxPolyhGetNbrFaces", "tsxPolyhGetNbrVxs"}));
}

TEST_F(SceneTest, NonPolyhedraHaveATypeAndNoGeometry) {
  const tsxSOBJ light = tsxhost::AddObject("lamp", e_tsxLIGHT);
  EXPECT_EQ(tsxSobjGetType(light) & 0xFF, e_tsxLIGHT);
  EXPECT_EQ(tsxPolyhGetNbrFaces(light), 0);
  EXPECT_EQ(tsxPolyhGetVxArray(light), nullptr);
  EXPECT_EQ(tsxhost::FindObject("lamp"), light);
}

}  // namespace

namespace {

// Undo in the host takes objects out whole and puts them back: meanwhile
// the handle is dead to a plug-in, afterwards it names the same arrays.
TEST(HeldObjects, TakenOutIsDeadPutBackIsTheSameObjectInItsPlace) {
  tsxhost::ResetScene();
  const tsxSOBJ a = tsxhost::AddPolyhedron("A", TwoFaces());
  const tsxSOBJ b = tsxhost::AddPolyhedron("B", TwoFaces());
  const tsxSOBJ c = tsxhost::AddPolyhedron("C", TwoFaces());
  CtsxVector3f* const vertices = tsxPolyhGetVxArray(b);
  tsxhost::SetSelection(b);

  tsxhost::HeldObject held = tsxhost::TakeOut(b);
  ASSERT_TRUE(held);
  EXPECT_EQ(tsxhost::SceneObjects(), (std::vector<tsxSOBJ>{a, c}));
  EXPECT_EQ(tsxPolyhGetVxArray(b), nullptr);
  EXPECT_EQ(tsxGetCurrentSelection(), 0u);
  EXPECT_FALSE(tsxhost::TakeOut(b));  // not in the scene any more

  EXPECT_EQ(tsxhost::PutBack(held), b);
  EXPECT_FALSE(held);
  EXPECT_EQ(tsxhost::SceneObjects(), (std::vector<tsxSOBJ>{a, b, c}));
  EXPECT_EQ(tsxPolyhGetVxArray(b), vertices);
  EXPECT_EQ(tsxhost::ObjectName(b), "B");
  EXPECT_EQ(tsxhost::PutBack(held), 0u);  // nothing held

  // A holder that is dropped frees its object.
  { tsxhost::HeldObject gone = tsxhost::TakeOut(c); }
  EXPECT_FALSE(tsxhost::IsAlive(c));
  EXPECT_EQ(tsxhost::SceneObjects(), (std::vector<tsxSOBJ>{a, b}));
}

}  // namespace
