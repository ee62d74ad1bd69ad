// The junction report on every conformance scene: the junction it reports
// is JoinState's, its gap is within the accuracy, the reused search
// geometry changes nothing, and after "06" the hinted accuracy joins.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "engine/actions/WindowActions.h"
#include "engine/common/Errors.h"
#include "engine/common/JoinState.h"
#include "engine/common/Thousandths.h"
#include "host/obj/ObjFile.h"
#include "host/scene/Scene.h"
#include "session/JunctionReport.h"
#include "tests/support/RecordingView.h"

namespace spl::testing {
namespace {

using nlohmann::json;

const std::string kDir = SPLICER_CONFORMANCE_DIR;

struct Picked {
  tsxSOBJ a = 0;
  tsxSOBJ b = 0;
};

Picked Load(const json& spec) {
  tsxhost::ResetScene();
  ResetJoinState();
  const tsxhost::ObjResult loaded = tsxhost::LoadObj(kDir + "/" + spec.at("scene").get<std::string>());
  EXPECT_TRUE(loaded.ok) << loaded.error;
  return {tsxhost::FindObject(spec.at("object_a")), tsxhost::FindObject(spec.at("object_b"))};
}

JunctionReport JoinAt(JoinProgress& progress, const Picked& p, double accuracy, bool keep) {
  InitJoinStateForWindow();
  JoinState.Accuracy = accuracy;
  SearchGeometry kept;
  tsxhost::SetSelection(p.a);
  PickObject(progress.view, Slot::First);
  tsxhost::SetSelection(p.b);
  PickObject(progress.view, Slot::Second);
  JoinMade made;
  JoinPickedObjects(progress, {}, {nullptr, &kept}, &made);
  return ReportPlainJoin(made.inputs, keep ? &kept : nullptr);
}

void CheckJunction(const Picked& p, const JunctionReport& report) {
  ASSERT_TRUE(report.junction);
  EXPECT_EQ(report.junction->faceA, JoinState.JunctionFaceA);
  EXPECT_EQ(report.junction->faceB, JoinState.JunctionFaceB);
  EXPECT_EQ(report.junction->corners, tsxPolyhGetFaceptrArray(p.a)[JoinState.JunctionFaceA]->nbrCorners);
  const int32_t accuracy = RoundToThousandths(static_cast<float>(report.accuracy));
  EXPECT_LE(report.junction->maxGap, (accuracy + 0.5) / 1000.0 + 1e-6);
  EXPECT_EQ(report.outline.size(), static_cast<size_t>(report.junction->corners));
}

TEST(ReportOnConformanceScenes, AgreesWithTheJoin) {
  RecordingView view;
  JoinProgress progress{&view, {}};
  std::ifstream in(kDir + "/cases.json");
  int joined = 0, hinted = 0;
  const json cases = json::parse(in);
  for (const json& spec : cases.at("cases")) {
    SCOPED_TRACE(spec.at("name").get<std::string>());
    const Picked p = Load(spec);
    if (p.a == 0 || p.b == 0) { ADD_FAILURE() << "no objects"; continue; }
    const JunctionReport kept = JoinAt(progress, p, spec.at("accuracy"), true);
    const JunctionReport rebuilt = JoinAt(progress, p, spec.at("accuracy"), false);
    EXPECT_EQ(kept.left.touchingFacePairs, rebuilt.left.touchingFacePairs);
    EXPECT_EQ(kept.left.coincidingVertexPairs, rebuilt.left.coincidingVertexPairs);
    if (kept.error == 0) {
      ++joined;
      CheckJunction(p, kept);
    } else if (kept.error == kJunctionNotFound && kept.hint && kept.hint->kind == HintKind::Accuracy) {
      ++hinted;
      EXPECT_FALSE(kept.junction);
      const JunctionReport retried = JoinAt(progress, p, kept.hint->Accuracy(), true);
      EXPECT_EQ(retried.error, 0) << "hinted accuracy " << kept.hint->Accuracy();
      if (retried.error == 0) CheckJunction(p, retried);
    }
  }
  EXPECT_GT(joined, 10);
  EXPECT_GT(hinted, 0);
  tsxhost::ResetScene();
}

}  // namespace
}  // namespace spl::testing
