// `splicer join` on assemblies, end to end: scenes of several objects and
// several files of different formats, written by the host, joined by the
// tool, read back.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "tests/assembly/AssemblyScenes.h"
#include "host/formats/MeshFormats.h"
#include "tests/support/ScratchDir.h"
#include "host/scene/Scene.h"

namespace {

using assemblytest::AddBox;
namespace fs = std::filesystem;

struct ToolRun {
  int status = -1;
  std::string out, err;
};

std::string Slurp(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class AssemblyCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tsxhost::ResetScene();
    dir_ = testsupport::MakeScratchDir("assembly_cli");
  }
  void TearDown() override {
    tsxhost::ResetScene();
    fs::remove_all(dir_);
  }

  std::string At(const std::string& name) const { return (dir_ / name).string(); }

  ToolRun Splicer(const std::vector<std::string>& args) const {
    std::string command = "'" SPLICER_PATH "' join";
    for (const std::string& a : args) command += " '" + a + "'";
    command += " >'" + At("stdout") + "' 2>'" + At("stderr") + "'";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(At("stdout")), Slurp(At("stderr"))};
  }

  // Writes objects to a file and takes them out of this process's scene.
  void Save(const std::string& name, const std::vector<tsxSOBJ>& objects) const {
    const tsxhost::SaveResult saved = tsxhost::SaveScene(At(name), objects);
    ASSERT_TRUE(saved.ok) << saved.error;
  }

  // The objects of a file, read into a fresh scene.
  std::vector<tsxSOBJ> Load(const std::string& name) const {
    tsxhost::ResetScene();
    const tsxhost::ObjResult loaded = tsxhost::LoadScene(At(name));
    EXPECT_TRUE(loaded.ok) << loaded.error;
    return loaded.objects;
  }

  fs::path dir_;
};

std::vector<std::string> Names(const std::vector<tsxSOBJ>& objects) {
  std::vector<std::string> names;
  for (tsxSOBJ obj : objects) names.push_back(tsxhost::ObjectName(obj));
  return names;
}

TEST_F(AssemblyCliTest, AllJoinsEachClusterAndPassesTheLoneObjectThrough) {
  Save("scene.obj", {AddBox("A", {{0, 0, 0}, {1, 1, 1}}), AddBox("C", {{5, 0, 0}, {6, 1, 1}}),
                     AddBox("Lone", {{10, 0, 0}, {11, 1, 1}}), AddBox("B", {{1, 0, 0}, {2, 1, 1}}),
                     AddBox("D", {{5, 1, 0}, {6, 2, 1}})});
  const ToolRun run = Splicer({At("scene.obj"), "--all", "-o", At("out.obj"), "--report", At("report.json")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("joined 2 objects into \"A+B\" at 1 contacts: 12 vertices, 10 faces"), std::string::npos)
      << run.out;
  EXPECT_NE(run.err.find("warning: 1 object touches nothing and is written unchanged: \"Lone\""), std::string::npos)
      << run.err;
  const std::vector<tsxSOBJ> written = Load("out.obj");
  EXPECT_EQ(Names(written), (std::vector<std::string>{"A+B", "C+D", "Lone"}));
  for (tsxSOBJ obj : written) EXPECT_TRUE(assemblytest::Sealed(obj)) << tsxhost::ObjectName(obj);

  const nlohmann::json report = nlohmann::json::parse(Slurp(At("report.json")));
  EXPECT_EQ(report["error"], 0);
  EXPECT_EQ(report["exit_status"], 0);
  ASSERT_EQ(report["groups"].size(), 2u);
  EXPECT_EQ(report["groups"][1]["name"], "C+D");
  EXPECT_EQ(report["groups"][1]["members"], nlohmann::json({"C", "D"}));
  EXPECT_EQ(report["groups"][1]["contacts"], 1);
  EXPECT_EQ(report["untouched"], nlohmann::json({"Lone"}));
}

// Names are bytes from a file: the report replaces what is not UTF-8.
TEST_F(AssemblyCliTest, NamesThatAreNotUtf8StillGiveAReport) {
  Save("odd.obj", {AddBox("L\xff", {{0, 0, 0}, {1, 1, 1}}), AddBox("R", {{1, 0, 0}, {2, 1, 1}})});
  const ToolRun run = Splicer({At("odd.obj"), "--all", "-o", At("out.obj"), "--report", At("report.json")});
  ASSERT_EQ(run.status, 0) << run.err;
  const nlohmann::json report = nlohmann::json::parse(Slurp(At("report.json")));
  EXPECT_EQ(report["groups"][0]["members"][0], "L\xEF\xBF\xBD");
  EXPECT_EQ(Names(Load("out.obj")), std::vector<std::string>{"L\xff+R"});
}

TEST_F(AssemblyCliTest, NamedObjectsOnlyAreJoinedAndWritten) {
  Save("scene.obj", {AddBox("A", {{0, 0, 0}, {1, 1, 1}}), AddBox("B", {{1, 0, 0}, {2, 1, 1}}),
                     AddBox("C", {{2, 0, 0}, {3, 1, 1}}), AddBox("Far", {{9, 0, 0}, {10, 1, 1}})});
  const ToolRun run = Splicer({At("scene.obj"), "C", "B", "Far", "-o", At("out.obj")});
  ASSERT_EQ(run.status, 0) << run.err;
  // Named in the order given, written where the first member stood.
  EXPECT_EQ(Names(Load("out.obj")), (std::vector<std::string>{"C+B", "Far"}));
}

TEST_F(AssemblyCliTest, FilesOfDifferentFormatsJoinByStemAndFileObjectNames) {
  Save("left.stl", {AddBox("ignored", {{0, 0, 0}, {1, 1, 1}})});
  tsxhost::ResetScene();
  Save("middle.ply", {AddBox("ignored", {{1, 0, 0}, {2, 1, 1}})});
  tsxhost::ResetScene();
  Save("more.obj", {AddBox("Right", {{2, 0, 0}, {3, 1, 1}}), AddBox("Apart", {{7, 0, 0}, {8, 1, 1}})});
  tsxhost::ResetScene();

  ToolRun run = Splicer({At("left.stl"), At("middle.ply"), At("more.obj"), "--all", "-o", At("out.glb")});
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<tsxSOBJ> written = Load("out.glb");
  ASSERT_EQ(Names(written), (std::vector<std::string>{"left+middle+Right", "Apart"}));
  EXPECT_TRUE(assemblytest::Sealed(written[0]));
  EXPECT_NEAR(assemblytest::Measure(written[0]).volume, 3.0, 1e-9);

  // Names: a stem, a file name with its object, a path with its object.
  run = Splicer({At("left.stl"), At("middle.ply"), At("more.obj"), "middle", "more.obj:Right", At("left.stl") + ":left",
                 "-o", At("named.obj")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Names(Load("named.obj")), (std::vector<std::string>{"middle+Right+left"}));  // in the order named

  run = Splicer({At("left.stl"), At("more.obj"), "left", "Nothing", "-o", At("bad.obj")});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("no object named \"Nothing\""), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("\"left\", \"Right\", \"Apart\""), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(At("bad.obj")));
}

TEST_F(AssemblyCliTest, ObjectsOfOneNameInTwoFilesAreToldApart) {
  fs::create_directories(dir_ / "a");
  fs::create_directories(dir_ / "b");
  Save("a/part.stl", {AddBox("x", {{0, 0, 0}, {1, 1, 1}})});
  tsxhost::ResetScene();
  Save("b/part.stl", {AddBox("x", {{0, 0, 1}, {1, 1, 2}})});
  const ToolRun run = Splicer({At("a/part.stl"), At("b/part.stl"), "--all", "-o", At("out.obj")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("a second object named 'part' is read as 'part.2'"), std::string::npos) << run.err;
  EXPECT_EQ(Names(Load("out.obj")), (std::vector<std::string>{"part+part.2"}));
}

TEST_F(AssemblyCliTest, UsageErrorsStopBeforeAnythingIsWritten) {
  Save("scene.obj", {AddBox("A", {{0, 0, 0}, {1, 1, 1}}), AddBox("B", {{1, 0, 0}, {2, 1, 1}})});
  struct Case {
    std::vector<std::string> args;
    std::string says;
  };
  const std::vector<Case> cases{
      {{At("scene.obj"), "A", "--all"}, "give object names or --all, not both"},
      {{At("scene.obj"), "A"}, "name a second object to join \"A\" with"},
      {{At("scene.obj")}, "name the objects to join"},
      {{At("scene.obj"), "A", "B", "A"}, "\"A\" names an object given before"},
      {{At("scene.obj"), At("scene.obj"), "--all"}, "are one file"},
      {{At("scene.obj"), "--all", "--report", At("scene.obj")}, "would overwrite"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"-o", At("out.obj")});
    const ToolRun run = Splicer(args);
    EXPECT_EQ(run.status, 2) << c.says;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(At("out.obj")));
  }
  // Written over the scene only with --scene.
  const ToolRun over = Splicer({At("scene.obj"), "--all", "-o", At("scene.obj")});
  EXPECT_EQ(over.status, 2);
  EXPECT_NE(over.err.find("is an input file"), std::string::npos) << over.err;
}

// A real mesh cut in two, each half its own STL (and PLY) file.
TEST_F(AssemblyCliTest, HalvesOfARealMeshInTwoFilesJoinIntoOneSealedObject) {
  const tsxhost::ObjResult halves = tsxhost::LoadScene(SPLICER_SPLIT_DIR "/rocker-arm_tri_a.obj");
  ASSERT_TRUE(halves.ok) << halves.error;
  ASSERT_EQ(halves.objects.size(), 2u);
  for (const char* ext : {".stl", ".ply"}) {
    SCOPED_TRACE(ext);
    tsxhost::ResetScene();
    const tsxhost::ObjResult again = tsxhost::LoadScene(SPLICER_SPLIT_DIR "/rocker-arm_tri_a.obj");
    Save(std::string("head") + ext, {again.objects[0]});
    Save(std::string("body") + ext, {again.objects[1]});
    const ToolRun run = Splicer({At(std::string("head") + ext), At(std::string("body") + ext), "--all", "-o",
                             At("rocker.obj"), "--report", At("rocker.json")});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<tsxSOBJ> written = Load("rocker.obj");
    ASSERT_EQ(Names(written), std::vector<std::string>{"head+body"});
    EXPECT_TRUE(assemblytest::Sealed(written[0]));
    const nlohmann::json report = nlohmann::json::parse(Slurp(At("rocker.json")));
    EXPECT_GT(report["groups"][0]["contacts"].get<int64_t>(), 0);
    // As the two halves in one OBJ join: every seam vertex welded.
    EXPECT_EQ(tsxPolyhGetNbrVxs(written[0]), 10737);
  }
}

}  // namespace
