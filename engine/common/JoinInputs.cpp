#include "engine/common/JoinInputs.h"

#include "engine/common/Thousandths.h"

namespace spl {

int32_t JoinInputs::Thousandths() const {
  if (!thousandths) throw ConversionError(NotAnIntegerMessage(accuracy));
  return *thousandths;
}

JoinInputs JoinInputsAt(HostObject first, HostObject second, double accuracy) {
  return {first, second, accuracy, TryRoundToThousandths(accuracy)};
}

JoinInputs JoinInputsOf(const TJoinState& state) {
  return JoinInputsAt(state.FirstObject, state.SecondObject, state.Accuracy);
}

}  // namespace spl
