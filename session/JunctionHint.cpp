#include "session/JunctionHint.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "engine/common/Coincidence.h"
#include "engine/common/CornerIndex.h"
#include "engine/common/Thousandths.h"
#include "session/FaceContact.h"

namespace spl {
namespace {

// Thousandths of the distance as the search measures it; empty when the
// two points can never coincide.
std::optional<int32_t> GapThousandths(const CtsxVector3f& p, const CtsxVector3f& q) {
  if (!Finite(p) || !Finite(q)) return std::nullopt;
  return TryRoundToThousandths(tsxDistanceToPoint3f(&p, &q));
}

bool Better(const JunctionCandidate& x, const JunctionCandidate& y) {
  if (x.maxGap != y.maxGap) return x.maxGap < y.maxGap;
  const int64_t ax = x.accuracy.value_or(std::numeric_limits<int32_t>::max());
  const int64_t ay = y.accuracy.value_or(std::numeric_limits<int32_t>::max());
  if (ax != ay) return ax < ay;
  return x.faceA != y.faceA ? x.faceA < y.faceA : x.faceB < y.faceB;
}

// The pair's largest gap at its best starting corner among those whose
// corner lies within `radius` of corner 0 of fa.
double PairGap(const ReportObject& a, const CtsxFace& fa, const ReportObject& b, const CtsxFace& fb, double radius) {
  double best = std::numeric_limits<double>::infinity();
  for (int32_t k = 0; k < fb.nbrCorners; ++k) {
    if (Distance(a.Corner(fa, 0), b.Corner(fb, k)) > radius) continue;
    best = std::min(best, a.WalkGap(fa, b, fb, k));
  }
  return best;
}

// One sweep at `radius`: every pair whose gap is within it, best `wanted`
// kept in `found`. False when the budget ran out.
bool Sweep(const ReportObject& a, const ReportObject& b, const WorldBox& boxB, const FaceIncidence& incidence,
           double radius, int wanted, int64_t& budget, std::vector<JunctionCandidate>& found) {
  const CornerIndex index(b.world.data(), b.vertexCount, radius);
  std::vector<int32_t> tried(static_cast<size_t>(b.faceCount), -1);
  found.clear();
  for (int32_t f = 0; f < a.faceCount && budget > 0; ++f) {
    if (!a.FaceValid(f)) continue;
    const CtsxFace& fa = a.Face(f);
    const CtsxVector3f& a0 = a.Corner(fa, 0);
    if (!boxB.Near(a0, radius)) continue;
    index.ForEachNear(a0, [&](int32_t vb) {
      if (--budget <= 0 || Distance(a0, b.World(vb)) > radius) return;
      incidence.ForEachFace(vb, [&](int32_t g) {
        const CtsxFace& fb = b.Face(g);
        if (tried[static_cast<size_t>(g)] == f || fb.nbrCorners != fa.nbrCorners) return;
        tried[static_cast<size_t>(g)] = f;
        budget -= fa.nbrCorners;
        const double gap = PairGap(a, fa, b, fb, radius);
        if (gap > radius) return;
        JunctionCandidate c{f, g, fa.nbrCorners, gap, std::nullopt, 0};
        if (static_cast<int>(found.size()) == wanted && !Better(c, found.back())) return;
        c.accuracy = AccuracyToMatch(a, fa, b, fb);
        c.shortestEdge = std::min(a.ShortestEdge(fa), b.ShortestEdge(fb));
        found.insert(std::upper_bound(found.begin(), found.end(), c, Better), c);
        if (static_cast<int>(found.size()) > wanted) found.pop_back();
      });
    });
  }
  return budget > 0;
}

}  // namespace

std::optional<int32_t> AccuracyToMatch(const ReportObject& a, const CtsxFace& fa, const ReportObject& b,
                                       const CtsxFace& fb) {
  const int32_t n = fa.nbrCorners;
  if (fb.nbrCorners != n) return std::nullopt;
  std::vector<std::optional<int32_t>> onCorner0(static_cast<size_t>(n));
  for (int32_t k = 0; k < n; ++k) onCorner0[static_cast<size_t>(k)] = GapThousandths(a.Corner(fa, 0), b.Corner(fb, k));
  std::optional<int32_t> best;
  for (int32_t k = 0; k < n; ++k) {
    std::optional<int32_t> need = onCorner0[static_cast<size_t>(k)];
    for (int32_t i = 1, j = k == 0 ? n - 1 : k - 1; i < n && need; ++i, j = j == 0 ? n - 1 : j - 1) {
      const std::optional<int32_t> t = GapThousandths(a.Corner(fa, i), b.Corner(fb, j));
      need = t ? std::optional<int32_t>(std::max(*need, *t)) : std::nullopt;
    }
    if (!need) continue;
    // k is the lowest corner on corner 0 only while no lower one coincides.
    bool lowest = true;
    for (int32_t i = 0; i < k && lowest; ++i) {
      const std::optional<int32_t>& t = onCorner0[static_cast<size_t>(i)];
      lowest = !t || *t > *need;
    }
    if (lowest && (!best || *need < *best)) best = need;
  }
  return best;
}

std::optional<JunctionHint> FindJunctionHint(const ReportObject& a, const ReportObject& b, const JoinInputs& inputs,
                                             int wanted, int64_t budget) {
  const std::optional<int32_t>& t = inputs.thousandths;
  const WorldBox boxB(b.world);
  WorldBox both(a.world);
  both.Merge(boxB);
  // No two corners are farther apart than the diagonal of both objects.
  const double span = both.Diagonal();
  const FaceIncidence incidence(b, [&b](int32_t f) { return b.FaceValid(f); });
  std::vector<JunctionCandidate> found;
  for (double radius = CoincidenceRadius(std::max(t.value_or(0), 0));; radius *= 4) {
    const bool complete = Sweep(a, b, boxB, incidence, radius, wanted, budget, found);
    if (static_cast<int>(found.size()) >= wanted || !complete || radius > span) break;
  }
  JunctionHint hint;
  hint.candidates = found;
  const auto usable = std::find_if(found.begin(), found.end(), [](const JunctionCandidate& c) { return c.accuracy; });
  if (usable != found.end() && *usable->accuracy / 1000.0 <= usable->shortestEdge * kHintEdgeShare) {
    hint.accuracyThousandths = *usable->accuracy;
    if (usable->shortestEdge < inputs.accuracy) hint.shortEdge = usable->shortestEdge;
    // The candidate the accuracy is for leads the list.
    std::rotate(hint.candidates.begin(), hint.candidates.begin() + (usable - found.begin()),
                hint.candidates.begin() + (usable - found.begin()) + 1);
    return hint;
  }
  const FaceContact contact = FindFaceContact(a, b, std::max(t.value_or(0), 0));
  if (contact.facePairs > 0) {
    hint.kind = HintKind::Contact;
    hint.contactFacePairs = contact.facePairs;
    hint.contactFaceA = contact.faceA;
    hint.contactFaceB = contact.faceB;
    return hint;
  }
  if (found.empty()) return std::nullopt;
  hint.kind = HintKind::Apart;
  return hint;
}

}  // namespace spl
