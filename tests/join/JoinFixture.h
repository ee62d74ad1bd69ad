// Shared ground of the join tests: tiny meshes, a fresh scene and join
// state for each test, a recording view, and the picks of a join.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/common/JoinState.h"
#include "engine/face/RunJoin.h"
#include "host/scene/Scene.h"
#include "tests/support/RecordingView.h"

namespace spl::testing {

// A closed axis-aligned box from `lo` to `hi`: vertex i sits at the corner
// whose x, y, z are hi where bit 0, 1, 2 of i is set, else lo.
//
//        6-------7        faces, outward:
//       /|      /|        0  -x  0 4 6 2     3  +y  2 6 7 3
//      4-------5 |        1  +x  1 3 7 5     4  -z  0 2 3 1
//      | 2-----|-3        2  -y  0 1 5 4     5  +z  4 5 7 6
//      |/      |/
//      0-------1          y up the page, z towards the viewer
//
// Face f has material f (named "<prefix>f"), and with `uvs` each corner its
// own UV coordinate (24 in all).
tsxhost::Mesh MakeBox(const CtsxVector3f& lo, const CtsxVector3f& hi,
                      const std::string& prefix = "m", bool uvs = false);

// The fixed face list of MakeBox.
inline constexpr int kBoxFaces[6][4] = {{0, 4, 6, 2}, {1, 3, 7, 5}, {0, 1, 5, 4},
                                        {2, 6, 7, 3}, {0, 2, 3, 1}, {4, 5, 7, 6}};

bool SameMesh(const tsxhost::Mesh& a, const tsxhost::Mesh& b);
bool SamePoint(const CtsxVector3f& a, const CtsxVector3f& b);

// Each test starts from an empty scene (host version 600), a fresh
// window's join state and a recording view with "Show Info" ticked.
class JoinTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Picks `first` and `second` through the window's actions and presses
  // the join button; what the join made (nothing when a pick failed).
  JoinMade Join(tsxSOBJ first, tsxSOBJ second, const JoinHooks& hooks = {});
  // Scene objects added since SetUp's scene (or since the last call).
  std::vector<tsxSOBJ> NewSceneObjects(const std::vector<tsxSOBJ>& before) const;
  std::vector<std::string> MessageTexts() const;
  int CountMessages(const std::string& text) const;

  RecordingView view;
  JoinProgress progress{&view, {}};
};

}  // namespace spl::testing
