#include "engine/common/Errors.h"

#include <array>
#include <utility>

#include "engine/common/JoinState.h"
#include "interface/tsxapi.h"

namespace spl {
namespace {

struct Row {
  int32_t code;
  ErrorEntry entry;
};

// The texts are the system's own, spelling included.
constexpr std::array kTable{
    Row{kNoError, {"SPL : No error.", BoxType::Information}},
    Row{kFirstNotSelected, {"SPL : 01 - 1st object is not selected.", BoxType::Error}},
    Row{kSecondNotSelected, {"SPL : 02 - 2nd object is not selected.", BoxType::Error}},
    Row{kFirstNotSuitable, {"SPL : 03 - 1st object is not suitable for SPLICER.", BoxType::Error}},
    Row{kSecondNotSuitable, {"SPL : 04 - 2nd object is not suitable for SPLICER.", BoxType::Error}},
    Row{kSameObjects, {"SPL : 05 - 1st and 2nd objects can not be the same.", BoxType::Error}},
    Row{kJunctionNotFound, {"SPL : 06 - Faces (Junction) not found.", BoxType::Error}},
    Row{kFirstGone, {"SPL : 07 - Object selected as 1st object no longer exists.", BoxType::Error}},
    Row{kSecondGone, {"SPL : 08 - Object selected as 2nd object no longer exists.", BoxType::Error}},
    Row{kZeroScale, {"SPL : 09 - Zero(0) scaling factor found.", BoxType::Error}},
    Row{kCannotMakeResult, {"SPL : 10 - Can not make 3rd object.", BoxType::Error}},
    Row{kAborted, {"SPL : 11 - SPLICER-BOT operation aborted by user.", BoxType::Warning}},
    Row{kStepsOverflow, {"SPL : 12 - \"Steps To Go\" may not be correct.", BoxType::Warning}},
    Row{kNoMemory, {"SPL : 13 - No memory available.", BoxType::Error}},
    Row{e_tsxFAILURE, {"tSX : Something generally went wrong.", BoxType::Error}},
    Row{e_tsxNULL_POINTER, {"tSX : Null pointer reference.", BoxType::Error}},
    Row{e_tsxBAD_INPUT, {"tSX : Bad input data.", BoxType::Error}},
    Row{e_tsxBAD_FORMAT, {"tSX : General bad data format.", BoxType::Error}},
    Row{e_tsxUSER_ABORT, {"tSX : User abort request.", BoxType::Error}},
    Row{e_tsxREPORTED_BELOW, {"tSX : Still an error but was reported below.", BoxType::Error}},
    Row{e_tsxUNIMPLEMENTED, {"tSX : Feature unimplemented.", BoxType::Error}},
    Row{e_tsxBAD_IDENTIFIER, {"tSX : Bad identifier on data or record.", BoxType::Error}},
    Row{e_tsxWRONG_VERSION, {"tSX : Correct file type but wrong version.", BoxType::Error}},
    Row{e_tsxNOT_FOUND, {"tSX : Object not found.", BoxType::Error}},
    Row{e_tsxOVERFLOW, {"tSX : Data overflow for size of result.", BoxType::Error}},
    Row{e_tsxOUT_OF_RANGE, {"tSX : Value out of range", BoxType::Error}},
    Row{e_tsxNOT_INITIALIZED, {"tSX : Subsystem improperly initialized.", BoxType::Error}},
    Row{e_tsxIO_ERROR, {"tSX : Error occurred in I/O", BoxType::Error}},
    Row{e_tsxWINDOWS_ERROR, {"tSX : Error occurred in Windows", BoxType::Error}},
};

constexpr ErrorEntry kUndefined{"SPL : 99 - Undefind error occurred.", BoxType::Error};

}  // namespace

ErrorEntry LookUpError(int32_t code) {
  for (const Row& row : kTable) {
    if (row.code == code) return row.entry;
  }
  return kUndefined;
}

std::string_view BoxTitle(BoxType type) {
  switch (type) {
    case BoxType::Warning:
      return "警告";
    case BoxType::Error:
      return "ｴﾗｰ";
    case BoxType::Information:
      return "情報";
  }
  return "ｴﾗｰ";
}

void ReportError(JoinView* view, int32_t code) {
  // Stored before the box opens: handlers that run inside the box's modal
  // loop must already see the join as failed.
  JoinState.LastError = code;
  const ErrorEntry entry = LookUpError(code);
  if (view) view->ShowMessage(entry.box, BoxTitle(entry.box), entry.message);
}

}  // namespace spl
