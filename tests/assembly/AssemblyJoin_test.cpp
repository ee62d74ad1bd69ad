// Joining many objects at once, in-process: groups, names, what is kept,
// mixed tessellations, and an abort that leaves the scene as it was.
#include <gtest/gtest.h>

#include <algorithm>

#include "session/AssemblyJoin.h"
#include "tests/assembly/AssemblyScenes.h"
#include "engine/common/Errors.h"
#include "tests/support/RecordingView.h"
#include "host/scene/Scene.h"

namespace {

using assemblytest::AddBox;
using assemblytest::BoxSpec;
using splicer::GroupName;
using splicer::JoinAssembly;

class AssemblyJoinTest : public ::testing::Test {
 protected:
  void SetUp() override { tsxhost::ResetScene(); }
  void TearDown() override { tsxhost::ResetScene(); }
};

bool Never(const std::string&) { return false; }

TEST(GroupNameTest, JoinsMembersInOrderAndStaysUniqueWithinTheHostLimit) {
  EXPECT_EQ(GroupName({"Wall", "Roof", "Door"}, Never), "Wall+Roof+Door");
  const auto takenTwice = [](const std::string& s) { return s == "A+B" || s == "A+B.2"; };
  EXPECT_EQ(GroupName({"A", "B"}, takenTwice), "A+B.3");

  // 10,000 members: whole names as long as they fit, then the count.
  std::vector<std::string> many;
  for (int i = 0; i < 10000; ++i) many.push_back("cube_" + std::to_string(i));
  const std::string name = GroupName(many, Never);
  EXPECT_LE(name.size(), splicer::kMaxNameBytes);
  EXPECT_TRUE(name.starts_with("cube_0+cube_1+cube_2+")) << name;
  EXPECT_TRUE(name.ends_with("+... (10000 objects)")) << name;
  EXPECT_EQ(name.find("cube_9999"), std::string::npos);

  // A single name at the limit, made unique: cut, never inside a character.
  std::string wide;
  while (wide.size() + 2 <= splicer::kMaxNameBytes) wide += "\xC3\xA9";  // é
  const auto first = GroupName({wide}, Never);
  EXPECT_EQ(first, wide);
  const auto second = GroupName({wide}, [&](const std::string& s) { return s == wide; });
  EXPECT_LE(second.size(), splicer::kMaxNameBytes);
  EXPECT_TRUE(second.ends_with(".2"));
  EXPECT_EQ((second.size() - 2) % 2, 0u) << "cut inside a two-byte character";
  EXPECT_EQ(splicer::CutUtf8("a\xC3\xA9", 2), "a");
}

TEST_F(AssemblyJoinTest, TwoClustersAndALoneObjectGiveTwoGroupsAndOneUntouched) {
  const tsxSOBJ a = AddBox("A", {{0, 0, 0}, {1, 1, 1}});
  const tsxSOBJ c = AddBox("C", {{5, 0, 0}, {6, 1, 1}});
  const tsxSOBJ lone = AddBox("Lone", {{10, 0, 0}, {11, 1, 1}});
  const tsxSOBJ b = AddBox("B", {{1, 0, 0}, {2, 1, 1}});
  const tsxSOBJ d = AddBox("D", {{5, 1, 0}, {6, 2, 1}});
  const tsxSOBJ e = AddBox("E", {{5, 1, 1}, {6, 2, 2}});
  const std::vector<tsxSOBJ> objects{a, c, lone, b, d, e};
  ASSERT_EQ(splicer::CheckAssembly(objects), "");

  const splicer::AssemblyOutcome out = JoinAssembly(objects, 0.01);
  ASSERT_TRUE(out.Joined()) << out.what;
  ASSERT_EQ(out.groups.size(), 2u);
  EXPECT_EQ(out.groups[0].name, "A+B");
  EXPECT_EQ(out.groups[0].members, (std::vector<tsxSOBJ>{a, b}));
  EXPECT_EQ(out.groups[1].name, "C+D+E");
  EXPECT_EQ(out.groups[1].members, (std::vector<tsxSOBJ>{c, d, e}));
  EXPECT_EQ(out.untouched, std::vector<tsxSOBJ>{lone});
  EXPECT_EQ(out.untouchedNames, std::vector<std::string>{"Lone"});

  const tsxSOBJ ab = out.groups[0].facts.result, cde = out.groups[1].facts.result;
  EXPECT_EQ(tsxhost::FindObject("A+B"), ab);
  EXPECT_EQ(tsxhost::FindObject("C+D+E"), cde);
  EXPECT_EQ(out.groups[0].facts.contacts, 1);
  EXPECT_EQ(out.groups[1].facts.contacts, 2);
  EXPECT_EQ(tsxPolyhGetNbrVxs(ab), 12);
  EXPECT_EQ(tsxPolyhGetNbrFaces(ab), 10);
  EXPECT_EQ(tsxPolyhGetNbrVxs(cde), 16);
  EXPECT_EQ(tsxPolyhGetNbrFaces(cde), 14);
  EXPECT_TRUE(assemblytest::Sealed(cde));
  EXPECT_DOUBLE_EQ(assemblytest::Measure(cde).volume, 3.0);
  EXPECT_DOUBLE_EQ(assemblytest::Measure(cde).area, 14.0);
  // The sources stay, unchanged, and the results come after them.
  EXPECT_EQ(tsxhost::SceneObjects(), (std::vector<tsxSOBJ>{a, c, lone, b, d, e, ab, cde}));
  for (tsxSOBJ source : objects) EXPECT_EQ(tsxPolyhGetNbrFaces(source), 6);

  const nlohmann::json fields = splicer::AssemblyFields(out);
  EXPECT_EQ(fields["groups"][1]["members"], nlohmann::json({"C", "D", "E"}));
  EXPECT_EQ(fields["groups"][1]["vertices"], 16);
  EXPECT_EQ(fields["untouched"], nlohmann::json({"Lone"}));
}

TEST_F(AssemblyJoinTest, ResultNamesAvoidTheSceneAndEachOther) {
  const tsxSOBJ a = AddBox("A", {{0, 0, 0}, {1, 1, 1}});
  const tsxSOBJ b = AddBox("B", {{1, 0, 0}, {2, 1, 1}});
  AddBox("A+B", {{20, 0, 0}, {21, 1, 1}});
  const splicer::AssemblyOutcome out = JoinAssembly({a, b}, 0.01);
  ASSERT_TRUE(out.Joined()) << out.what;
  ASSERT_EQ(out.groups.size(), 1u);
  EXPECT_EQ(out.groups[0].name, "A+B.2");
  EXPECT_EQ(tsxhost::ObjectName(out.groups[0].facts.result), "A+B.2");
}

TEST_F(AssemblyJoinTest, RefusesTooFewRepeatedOrNonPolyhedronObjects) {
  const tsxSOBJ a = AddBox("A", {{0, 0, 0}, {1, 1, 1}});
  const tsxSOBJ b = AddBox("B", {{1, 0, 0}, {2, 1, 1}});
  const tsxSOBJ light = tsxhost::AddObject("Sun", e_tsxLIGHT);
  EXPECT_NE(splicer::CheckAssembly({a}), "");
  EXPECT_EQ(splicer::CheckAssembly({a, b, a}), "\"A\" is given twice");
  EXPECT_EQ(splicer::CheckAssembly({a, light}), "\"Sun\" is not a polyhedron");
  EXPECT_EQ(splicer::CheckAssembly({a, b}), "");
}

// Quads against triangles, a unit face on one cell of a gridded face, all
// in one assembly: one sealed object with the union's volume and area.
TEST_F(AssemblyJoinTest, MixedTessellationsJoinIntoOneSealedObject) {
  const std::vector<tsxSOBJ> parts{AddBox("grid", {{0, 0, 0}, {2, 2, 2}, 2, false}),
                                   AddBox("quad", {{3, 0, 0}, {4, 1, 1}, 1, false}),
                                   AddBox("gridtri", {{-2, 0, 0}, {0, 2, 2}, 2, true}),
                                   AddBox("tri", {{2, 0, 0}, {3, 1, 1}, 1, true})};
  const splicer::AssemblyOutcome out = JoinAssembly(parts, 0.01);
  ASSERT_TRUE(out.Joined()) << out.what;
  ASSERT_EQ(out.groups.size(), 1u);
  EXPECT_TRUE(out.untouched.empty());
  EXPECT_EQ(out.groups[0].name, "grid+quad+gridtri+tri");
  EXPECT_GE(out.groups[0].facts.contacts, 3);
  const tsxSOBJ joined = out.groups[0].facts.result;
  EXPECT_TRUE(assemblytest::Sealed(joined));
  // A 4 x 2 x 2 block with a 2 x 1 x 1 bar on one side.
  EXPECT_NEAR(assemblytest::Measure(joined).volume, 18.0, 1e-9);
  EXPECT_NEAR(assemblytest::Measure(joined).area, 48.0, 1e-9);
}

TEST_F(AssemblyJoinTest, AnAbortInTheMiddleLeavesTheSceneAsItWas) {
  std::vector<tsxSOBJ> objects;
  for (int i = 0; i < 40; ++i) {
    const auto x = static_cast<float>(i);
    objects.push_back(AddBox("cube" + std::to_string(i), {{x, 0, 0}, {x + 1, 1, 1}}));
  }
  // A full run counts the progress calls; the second run aborts half-way.
  spl::testing::RecordingView view;
  const splicer::AssemblyOutcome full = JoinAssembly(objects, 0.01, &view);
  ASSERT_TRUE(full.Joined()) << full.what;
  const size_t calls = view.pumps.size();
  ASSERT_GT(calls, 4u);
  tsxhost::ResetScene();
  objects.clear();
  for (int i = 0; i < 40; ++i) {
    const auto x = static_cast<float>(i);
    objects.push_back(AddBox("cube" + std::to_string(i), {{x, 0, 0}, {x + 1, 1, 1}}));
  }
  const std::vector<tsxSOBJ> before = tsxhost::SceneObjects();
  const size_t live = tsxhost::LiveObjects().size();
  view.pumps.clear();
  view.onPump = [calls](size_t n) {
    if (n == calls / 2) spl::JoinState.AbortRequested = true;
  };
  const splicer::AssemblyOutcome aborted = JoinAssembly(objects, 0.01, &view);
  EXPECT_EQ(aborted.error, spl::kAborted);
  EXPECT_TRUE(aborted.groups.empty());
  EXPECT_EQ(tsxhost::SceneObjects(), before);
  EXPECT_EQ(tsxhost::LiveObjects().size(), live);
  for (tsxSOBJ obj : before) EXPECT_EQ(tsxPolyhGetNbrFaces(obj), 6);
}

}  // namespace
