// Error codes of a join and the one place where they become messages.
#pragma once

#include <cstdint>
#include <string_view>

#include "engine/common/JoinView.h"

namespace spl {

// The plug-in's own codes; other negative codes are the host's.
enum ErrorCode : int32_t {
  kNoError = 0,
  kFirstNotSelected = -1001,
  kSecondNotSelected = -1002,
  kFirstNotSuitable = -1003,
  kSecondNotSuitable = -1004,
  kSameObjects = -1005,
  kJunctionNotFound = -1006,
  kFirstGone = -1007,
  kSecondGone = -1008,
  kZeroScale = -1009,
  kCannotMakeResult = -1010,
  kAborted = -1100,
  kStepsOverflow = -1101,
  kNoMemory = -2,
  // Not in the message table: left in LastError when a conversion error
  // (a distance too large for whole thousandths) ended a join. Its message
  // has been shown through JoinView::ShowConversionError.
  kConversionFailed = -1200,
};

struct ErrorEntry {
  std::string_view message;
  BoxType box;
};

// The row of the table for `code`; message 99 for any code not listed.
ErrorEntry LookUpError(int32_t code);

// The title of a message box of the given type ("警告", "ｴﾗｰ", "情報").
std::string_view BoxTitle(BoxType type);

// LastError := code, then shows the code's message in a modal box on
// `view` (null: nowhere).
void ReportError(JoinView* view, int32_t code);

}  // namespace spl
