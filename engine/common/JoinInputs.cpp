#include "engine/common/JoinInputs.h"

#include "engine/common/Thousandths.h"

namespace spl {

int32_t JoinInputs::Thousandths() const {
  if (!thousandths) throw ConversionError(NotAnIntegerMessage(accuracy));
  return *thousandths;
}

JoinInputs JoinInputsOf(const TJoinState& state) {
  return {state.FirstObject, state.SecondObject, state.Accuracy, TryRoundToThousandths(state.Accuracy)};
}

}  // namespace spl
