// The host's multi-selection and Edit > Join: several selected objects
// joined as one undoable step.
#include <gtest/gtest.h>

#include <QUndoStack>

#include "apps/tsxhost/AssemblyJoinCommand.h"
#include "tests/assembly/AssemblyScenes.h"
#include "apps/tsxhost/SceneDocument.h"

namespace hostapp {

namespace {

using assemblytest::AddBox;

class AssemblyJoinCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tsxhost::ResetScene();
    a = AddBox("A", {{0, 0, 0}, {1, 1, 1}});
    lone = AddBox("Lone", {{5, 0, 0}, {6, 1, 1}});
    b = AddBox("B", {{1, 0, 0}, {2, 1, 1}});
    c = AddBox("C", {{2, 0, 0}, {3, 1, 1}});
    document.Refresh();
    document.History()->clear();
  }
  void TearDown() override {
    document.History()->clear();
    tsxhost::ResetScene();
  }
  SceneDocument document{nullptr};
  tsxSOBJ a = 0, lone = 0, b = 0, c = 0;
};

TEST_F(AssemblyJoinCommandTest, CtrlClickAndSelectAllKeepTheOrderChosenWithTheLastAsTheSelection) {
  document.Select(b);
  document.ToggleSelected(a);
  EXPECT_EQ(document.SelectedObjects(), (std::vector<tsxSOBJ>{b, a}));
  EXPECT_EQ(document.Selection(), a);
  document.ToggleSelected(a);  // out again
  EXPECT_EQ(document.SelectedObjects(), std::vector<tsxSOBJ>{b});
  EXPECT_EQ(document.Selection(), b);
  document.SelectAll();
  EXPECT_EQ(document.SelectedObjects(), (std::vector<tsxSOBJ>{a, lone, b, c}));
  EXPECT_EQ(document.Selection(), c);
  document.Remove(c);
  EXPECT_EQ(document.SelectedObjects(), (std::vector<tsxSOBJ>{a, lone, b}));
  EXPECT_EQ(document.Selection(), b);
  document.Select(0);
  EXPECT_TRUE(document.SelectedObjects().empty());
}

TEST_F(AssemblyJoinCommandTest, JoinIsOneStepOfTheHistoryAndSelectsTheNewObject) {
  const std::vector<tsxSOBJ> before = tsxhost::SceneObjects();
  QString why;
  const splicer::AssemblyOutcome out = JoinObjects(nullptr, &document, {a, lone, b, c}, 0.01, &why);
  ASSERT_TRUE(out.Joined()) << why.toStdString();
  ASSERT_EQ(out.groups.size(), 1u);
  const tsxSOBJ abc = out.groups[0].facts.result;
  EXPECT_EQ(tsxhost::ObjectName(abc), "A+B+C");
  EXPECT_EQ(document.Objects().back(), abc);
  EXPECT_EQ(document.SelectedObjects(), std::vector<tsxSOBJ>{abc});
  EXPECT_EQ(JoinSummary(out).toStdString(),
            "joined 3 objects into A+B+C (16 vertices, 14 faces); 1 object(s) touch nothing: Lone");
  ASSERT_EQ(document.History()->count(), 1);
  EXPECT_EQ(document.History()->text(0).toStdString(), "Join A+B+C");
  document.Undo();
  EXPECT_EQ(tsxhost::SceneObjects(), before);
  EXPECT_TRUE(document.SelectedObjects().empty());
  document.Redo();
  EXPECT_EQ(tsxhost::SceneObjects().back(), abc);
  EXPECT_EQ(tsxPolyhGetNbrFaces(abc), 14);
}

TEST_F(AssemblyJoinCommandTest, ARefusedJoinAddsNothingAndSaysWhy) {
  QString why;
  EXPECT_FALSE(JoinObjects(nullptr, &document, {a}, 0.01, &why).Joined());
  EXPECT_NE(why.toStdString().find("two objects or more"), std::string::npos) << why.toStdString();
  EXPECT_FALSE(JoinObjects(nullptr, &document, {a, b}, -1, &why).Joined());
  EXPECT_NE(why.toStdString().find("accuracy"), std::string::npos) << why.toStdString();
  EXPECT_EQ(document.History()->count(), 0);
  EXPECT_EQ(tsxhost::SceneObjects().size(), 4u);
}

}  // namespace

}  // namespace hostapp
