#include "engine/common/Errors.h"

#include <gtest/gtest.h>

#include "engine/common/JoinState.h"
#include "tests/support/RecordingView.h"

namespace spl {
namespace {

struct Expected {
  int32_t code;
  const char* text;
  BoxType box;
};

// Every row of the table, texts as the system has them.
const Expected kRows[] = {
    {0, "SPL : No error.", BoxType::Information},
    {-1001, "SPL : 01 - 1st object is not selected.", BoxType::Error},
    {-1002, "SPL : 02 - 2nd object is not selected.", BoxType::Error},
    {-1003, "SPL : 03 - 1st object is not suitable for SPLICER.", BoxType::Error},
    {-1004, "SPL : 04 - 2nd object is not suitable for SPLICER.", BoxType::Error},
    {-1005, "SPL : 05 - 1st and 2nd objects can not be the same.", BoxType::Error},
    {-1006, "SPL : 06 - Faces (Junction) not found.", BoxType::Error},
    {-1007, "SPL : 07 - Object selected as 1st object no longer exists.", BoxType::Error},
    {-1008, "SPL : 08 - Object selected as 2nd object no longer exists.", BoxType::Error},
    {-1009, "SPL : 09 - Zero(0) scaling factor found.", BoxType::Error},
    {-1010, "SPL : 10 - Can not make 3rd object.", BoxType::Error},
    {-1100, "SPL : 11 - SPLICER-BOT operation aborted by user.", BoxType::Warning},
    {-1101, "SPL : 12 - \"Steps To Go\" may not be correct.", BoxType::Warning},
    {-2, "SPL : 13 - No memory available.", BoxType::Error},
    {-1, "tSX : Something generally went wrong.", BoxType::Error},
    {-3, "tSX : Null pointer reference.", BoxType::Error},
    {-4, "tSX : Bad input data.", BoxType::Error},
    {-5, "tSX : General bad data format.", BoxType::Error},
    {-8, "tSX : User abort request.", BoxType::Error},
    {-10, "tSX : Still an error but was reported below.", BoxType::Error},
    {-11, "tSX : Feature unimplemented.", BoxType::Error},
    {-12, "tSX : Bad identifier on data or record.", BoxType::Error},
    {-13, "tSX : Correct file type but wrong version.", BoxType::Error},
    {-14, "tSX : Object not found.", BoxType::Error},
    {-15, "tSX : Data overflow for size of result.", BoxType::Error},
    {-16, "tSX : Value out of range", BoxType::Error},
    {-18, "tSX : Subsystem improperly initialized.", BoxType::Error},
    {-50, "tSX : Error occurred in I/O", BoxType::Error},
    {-51, "tSX : Error occurred in Windows", BoxType::Error},
    // Codes not in the table.
    {-6, "SPL : 99 - Undefind error occurred.", BoxType::Error},
    {-7, "SPL : 99 - Undefind error occurred.", BoxType::Error},
    {-9, "SPL : 99 - Undefind error occurred.", BoxType::Error},
    {-17, "SPL : 99 - Undefind error occurred.", BoxType::Error},
    {1, "SPL : 99 - Undefind error occurred.", BoxType::Error},
    {-1200, "SPL : 99 - Undefind error occurred.", BoxType::Error},
};

const char* TitleOf(BoxType box) {
  switch (box) {
    case BoxType::Warning: return "警告";
    case BoxType::Error: return "ｴﾗｰ";
    case BoxType::Information: return "情報";
  }
  return "";
}

TEST(ReportError, ShowsEveryCodeWithItsTextTypeAndTitleAndStoresIt) {
  testing::RecordingView view;
  for (const Expected& row : kRows) {
    SCOPED_TRACE(row.code);
    JoinState.LastError = 12345;
    view.messages.clear();
    ReportError(&view, row.code);
    EXPECT_EQ(JoinState.LastError, row.code);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, row.text);
    EXPECT_EQ(view.messages[0].box, row.box);
    EXPECT_EQ(view.messages[0].title, TitleOf(row.box));
  }
}

TEST(ReportError, CodeZeroIsInformationAndLeavesNoError) {
  testing::RecordingView view;
  JoinState.LastError = -1006;
  ReportError(&view, 0);
  EXPECT_EQ(JoinState.LastError, 0);
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_EQ(view.messages[0].box, BoxType::Information);
}

TEST(ReportError, StoresTheCodeBeforeTheBoxIsShown) {
  // Handlers that run inside the modal box must see the failure already.
  struct Peeking : testing::RecordingView {
    void ShowMessage(BoxType, std::string_view, std::string_view) override {
      seen = JoinState.LastError;
    }
    int32_t seen = 0;
  } view;
  JoinState.LastError = 0;
  ReportError(&view, -1009);
  EXPECT_EQ(view.seen, -1009);
}

TEST(ReportError, WorksWithoutAView) {
  ReportError(nullptr, -2);
  EXPECT_EQ(JoinState.LastError, -2);
}

}  // namespace
}  // namespace spl
