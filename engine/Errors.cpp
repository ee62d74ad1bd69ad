#include "Errors.h"

#include <array>
#include <utility>

#include "JoinState.h"

namespace spl {
namespace {

struct Row {
  int32_t code;
  ErrorEntry entry;
};

// The texts are the system's own, spelling included.
constexpr std::array kTable{
    Row{0, {"SPL : No error.", BoxType::Information}},
    Row{-1001, {"SPL : 01 - 1st object is not selected.", BoxType::Error}},
    Row{-1002, {"SPL : 02 - 2nd object is not selected.", BoxType::Error}},
    Row{-1003, {"SPL : 03 - 1st object is not suitable for SPLICER.", BoxType::Error}},
    Row{-1004, {"SPL : 04 - 2nd object is not suitable for SPLICER.", BoxType::Error}},
    Row{-1005, {"SPL : 05 - 1st and 2nd objects can not be the same.", BoxType::Error}},
    Row{-1006, {"SPL : 06 - Faces (Junction) not found.", BoxType::Error}},
    Row{-1007, {"SPL : 07 - Object selected as 1st object no longer exists.", BoxType::Error}},
    Row{-1008, {"SPL : 08 - Object selected as 2nd object no longer exists.", BoxType::Error}},
    Row{-1009, {"SPL : 09 - Zero(0) scaling factor found.", BoxType::Error}},
    Row{-1010, {"SPL : 10 - Can not make 3rd object.", BoxType::Error}},
    Row{-1100, {"SPL : 11 - SPLICER-BOT operation aborted by user.", BoxType::Warning}},
    Row{-1101, {"SPL : 12 - \"Steps To Go\" may not be correct.", BoxType::Warning}},
    Row{-2, {"SPL : 13 - No memory available.", BoxType::Error}},
    Row{-1, {"tSX : Something generally went wrong.", BoxType::Error}},
    Row{-3, {"tSX : Null pointer reference.", BoxType::Error}},
    Row{-4, {"tSX : Bad input data.", BoxType::Error}},
    Row{-5, {"tSX : General bad data format.", BoxType::Error}},
    Row{-8, {"tSX : User abort request.", BoxType::Error}},
    Row{-10, {"tSX : Still an error but was reported below.", BoxType::Error}},
    Row{-11, {"tSX : Feature unimplemented.", BoxType::Error}},
    Row{-12, {"tSX : Bad identifier on data or record.", BoxType::Error}},
    Row{-13, {"tSX : Correct file type but wrong version.", BoxType::Error}},
    Row{-14, {"tSX : Object not found.", BoxType::Error}},
    Row{-15, {"tSX : Data overflow for size of result.", BoxType::Error}},
    Row{-16, {"tSX : Value out of range", BoxType::Error}},
    Row{-18, {"tSX : Subsystem improperly initialized.", BoxType::Error}},
    Row{-50, {"tSX : Error occurred in I/O", BoxType::Error}},
    Row{-51, {"tSX : Error occurred in Windows", BoxType::Error}},
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

void ReportError(int32_t code) {
  // Stored before the box opens: handlers that run inside the box's modal
  // loop must already see the join as failed.
  JoinState.LastError = code;
  const ErrorEntry entry = LookUpError(code);
  if (JoinView* view = CurrentJoinView()) {
    view->ShowMessage(entry.box, BoxTitle(entry.box), entry.message);
  }
}

}  // namespace spl
