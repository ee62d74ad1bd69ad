// The fixture of the contact join's tests: a join run on objects added to
// an empty scene, and what a sealed union must hold.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ContactScenes.h"
#include "engine/contact/ContactJoin.h"
#include "tests/join/JoinFixture.h"
#include "tests/seam/SeamChecks.h"

namespace spl::testing {

class ContactJoinTest : public JoinTest {
 protected:
  tsxSOBJ Add(const std::string& name, const tsxhost::Mesh& mesh) { return tsxhost::AddPolyhedron(name, mesh); }
  ContactJoinResult Run(std::vector<tsxSOBJ> objects, double accuracy = kDefaultAccuracy) {
    ContactJoinRequest request;
    request.objects = std::move(objects);
    request.inputs = ContactInputsAt(accuracy);
    return RunContactJoin(request, progress);
  }
  static tsxhost::Mesh Read(tsxSOBJ obj) {
    tsxhost::Mesh mesh;
    EXPECT_TRUE(tsxhost::ReadMesh(obj, &mesh));
    return mesh;
  }
  // The result is one sealed object (every edge run once each way, no two
  // vertices at one position) with the union's volume and area: the
  // members' sums less twice the area they touch on.
  void ExpectSealedUnion(const ContactJoinResult& r, const std::vector<tsxhost::Mesh>& members, double contactArea) {
    ASSERT_EQ(r.error, 0) << r.what;
    ASSERT_EQ(r.groups.size(), 1u);
    const tsxhost::Mesh result = Read(r.groups[0].result);
    EXPECT_EQ(EdgeProblems(result), "");
    EXPECT_EQ(OverlapProblems(result), "");
    double volume = 0, area = 0;
    for (const tsxhost::Mesh& m : members) {
      volume += MeasureMesh(m).volume;
      area += MeasureMesh(m).area;
    }
    area -= 2 * contactArea;
    const Measured got = MeasureMesh(result);
    EXPECT_NEAR(got.volume, volume, 1e-5 * volume);
    EXPECT_NEAR(got.area, area, 1e-5 * area);
    EXPECT_NEAR(r.groups[0].volume, volume, 1e-5 * volume);
    EXPECT_NEAR(r.groups[0].area, area, 1e-5 * area);
    // The join measures only what changed; it must be the result's measure.
    EXPECT_NEAR(r.groups[0].volume, got.volume, 1e-9 * volume);
    EXPECT_NEAR(r.groups[0].area, got.area, 1e-9 * area);
  }
};

// Every face of the members (in turn) but those listed per member comes
// through in order, its corners at the same positions bit for bit in the
// same order, points put into its edges aside. Empty, or the first face
// that does not.
std::string KeptInOrder(const tsxhost::Mesh& result, const std::vector<tsxhost::Mesh>& members,
                        const std::vector<std::vector<size_t>>& contact);

}  // namespace spl::testing
