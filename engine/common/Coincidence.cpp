#include "engine/common/Coincidence.h"

#include <cmath>
#include <optional>

#include "engine/common/Thousandths.h"

namespace spl {

bool Finite(const CtsxVector3f& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

bool PointsCoincide(const CtsxVector3f& a, const CtsxVector3f& b, int32_t accuracy) {
  if (!Finite(a) || !Finite(b)) return false;
  const float d = tsxDistanceToPoint3f(&a, &b);
  // Thousandths beyond 32 bits cannot be within an accuracy that fits.
  const std::optional<int32_t> t = TryRoundToThousandths(d);
  return t && *t <= accuracy;
}

double CoincidenceRadius(int32_t accuracy) { return (static_cast<double>(accuracy) + 1.0) / 1000.0 * 1.0001; }

}  // namespace spl
