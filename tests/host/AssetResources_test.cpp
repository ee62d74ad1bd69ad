// What a glTF file refers to is read only when it is a regular file in the
// scene's folder or below it: no file elsewhere on the machine enters a
// scene's geometry, and nothing can hold the reader on a pipe or a device.
// The reader dies with the program that started it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "host/formats/MeshFormats.h"
#include "host/scene/Scene.h"
#include "tests/support/ScratchDir.h"

namespace {

namespace fs = std::filesystem;

// One triangle whose three positions (36 bytes) are in the buffer at `uri`,
// with `indices` as a second buffer view when given.
std::string TriangleGltf(const std::string& uri, const std::string& indexUri = {}, int indexCount = 0) {
  std::string json = R"({"asset":{"version":"2.0"},"buffers":[{"uri":")" + uri + R"(","byteLength":36})";
  if (!indexUri.empty()) json += R"(,{"uri":")" + indexUri + R"(","byteLength":)" + std::to_string(2 * indexCount) + "}";
  json += R"(],"bufferViews":[{"buffer":0,"byteLength":36})";
  if (!indexUri.empty()) json += R"(,{"buffer":1,"byteLength":)" + std::to_string(2 * indexCount) + "}";
  json += R"(],"accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3","min":[0,0,0],"max":[9,9,9]})";
  if (!indexUri.empty()) {
    json += R"(,{"bufferView":1,"componentType":5123,"count":)" + std::to_string(indexCount) + R"(,"type":"SCALAR"})";
  }
  json += R"(],"meshes":[{"primitives":[{"attributes":{"POSITION":0})";
  if (!indexUri.empty()) json += R"(,"indices":1)";
  json += R"(}]}],"nodes":[{"name":"Tri","mesh":0}],"scenes":[{"nodes":[0]}],"scene":0})";
  return json;
}

void WriteFloats(const fs::path& path, std::initializer_list<float> values) {
  std::ofstream out(path, std::ios::binary);
  for (float v : values) out.write(reinterpret_cast<const char*>(&v), sizeof v);
}

class AssetResourcesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tsxhost::ResetScene();
    root_ = testsupport::MakeScratchDir("asset_resources");
    dir_ = root_ / "scene";
    fs::create_directories(dir_ / "sub");
    // Outside the scene's folder: a "secret" that must never become vertices.
    WriteFloats(root_ / "secret.bin", {1, 2, 3, 4, 5, 6, 7, 8, 9});
    WriteFloats(dir_ / "sub" / "tri.bin", {0, 0, 0, 1, 0, 0, 0, 1, 0});
  }
  void TearDown() override {
    unsetenv("SPLICER_ASSET_READER_SECONDS");
    fs::remove_all(root_);
    tsxhost::ResetScene();
  }
  std::string Scene(const std::string& uri) {
    const fs::path path = dir_ / "model.gltf";
    std::ofstream(path) << TriangleGltf(uri);
    return path.string();
  }
  void ExpectRefused(const std::string& uri, const std::string& why) {
    const std::string path = Scene(uri);
    const tsxhost::ObjResult r = tsxhost::LoadScene(path);
    EXPECT_FALSE(r.ok) << uri;
    EXPECT_EQ(r.error, path + ": refers to " + (dir_ / "").string() + uri + ", which " + why) << uri;
    EXPECT_TRUE(tsxhost::SceneObjects().empty());
  }
  fs::path root_, dir_;
};

TEST_F(AssetResourcesTest, BuffersOutsideTheScenesFolderAreRefusedUnlessAllowed) {
  const std::string outside = "lies outside the scene's folder (--resources-anywhere allows that)";
  ExpectRefused("../secret.bin", outside);
  ExpectRefused("sub/../../secret.bin", outside);
  fs::create_symlink(root_ / "secret.bin", dir_ / "link.bin");
  ExpectRefused("link.bin", outside);
  fs::create_directory_symlink(root_, dir_ / "up");
  ExpectRefused("up/secret.bin", outside);

  // An absolute path is no way out either.
  tsxhost::ObjResult r = tsxhost::LoadScene(Scene((root_ / "secret.bin").string()));
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.error.find("secret.bin, which "), std::string::npos) << r.error;
  EXPECT_TRUE(tsxhost::SceneObjects().empty());

  // Allowed, the same file is read.
  tsxhost::ObjReadOptions anywhere;
  anywhere.resourcesAnywhere = true;
  r = tsxhost::LoadScene(Scene("../secret.bin"), anywhere);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(tsxPolyhGetVxArray(r.objects.at(0))[2].x, 7.0f);
  tsxhost::ResetScene();

  // Inside the folder (a link within it too) is read as ever.
  fs::create_symlink("sub/tri.bin", dir_ / "inner.bin");
  for (const std::string uri : {"sub/tri.bin", "inner.bin"}) {
    r = tsxhost::LoadScene(Scene(uri));
    ASSERT_TRUE(r.ok) << uri << ": " << r.error;
    ASSERT_EQ(r.objects.size(), 1u);
    EXPECT_EQ(tsxPolyhGetVxArray(r.objects[0])[1].x, 1.0f) << uri;
    tsxhost::ResetScene();
  }
}

TEST_F(AssetResourcesTest, APipeAFolderOrADeviceIsNeverReadAsABuffer) {
  ASSERT_EQ(::mkfifo((dir_ / "pipe.bin").c_str(), 0600), 0);
  const auto start = std::chrono::steady_clock::now();
  ExpectRefused("pipe.bin", "is not a regular file (a pipe)");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  ExpectRefused("sub", "is not a regular file (a folder)");
  fs::create_symlink("/dev/zero", dir_ / "zero.bin");
  tsxhost::ObjReadOptions anywhere;
  anywhere.resourcesAnywhere = true;
  const tsxhost::ObjResult r = tsxhost::LoadScene(Scene("zero.bin"), anywhere);
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.error.find("zero.bin, which is not a regular file (a device)"), std::string::npos) << r.error;
  // The scene itself: a folder is named as one.
  const std::string folder = (dir_ / "sub.gltf").string();
  fs::create_directory(folder);
  EXPECT_EQ(tsxhost::LoadScene(folder).error, folder + ": cannot read the file: not a regular file (a folder)");
}

TEST_F(AssetResourcesTest, AnIndexOutOfRangeRefusesTheFileInsteadOfDroppingTheFace) {
  const fs::path path = dir_ / "model.gltf";
  std::ofstream(dir_ / "indices.bin", std::ios::binary).write("\0\0\1\0\2\0\0\0\2\0\7\0", 12);
  std::ofstream(path) << TriangleGltf("sub/tri.bin", "indices.bin", 6);
  const tsxhost::ObjResult r = tsxhost::LoadScene(path.string());
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.error.find("out of range"), std::string::npos) << r.error;
  EXPECT_TRUE(tsxhost::SceneObjects().empty());
}

TEST_F(AssetResourcesTest, RefusalsSayWhatTheFileIsNotTheLibrarysBareWords) {
  const std::string garbage = (dir_ / "garbage.glb").string();
  std::ofstream(garbage) << "hello, this is no model at all\n";
  EXPECT_EQ(tsxhost::LoadScene(garbage).error,
            garbage + ": not a glb file (its content is of no format the reader knows)");
  const std::string folder = (dir_ / "folder.ply").string();
  fs::create_directory(folder);
  EXPECT_EQ(tsxhost::LoadScene(folder).error, folder + ": cannot read the file: not a regular file (a folder)");
}

TEST_F(AssetResourcesTest, ABadTimeLimitIsAnErrorThatSaysSo) {
  const std::string path = Scene("sub/tri.bin");
  for (const char* bad : {"-5", "abc", "inf", "0x10", "0", "", "1e3", " 5"}) {
    setenv("SPLICER_ASSET_READER_SECONDS", bad, 1);
    const tsxhost::ObjResult r = tsxhost::LoadScene(path);
    EXPECT_FALSE(r.ok) << bad;
    EXPECT_EQ(r.error, path + ": the file could not be read (SPLICER_ASSET_READER_SECONDS is '" + bad +
                           "'; it must be a number of seconds above 0, such as 30 or 2.5)");
  }
  setenv("SPLICER_ASSET_READER_SECONDS", "30.5", 1);
  EXPECT_TRUE(tsxhost::LoadScene(path).ok);
}

// Names are made unique in time linear in their number; the renaming is
// said once per name, not once per object.
TEST_F(AssetResourcesTest, ManyNodesOfOneNameAreNumberedInOrder) {
  const int nodes = 100000;
  std::string json = TriangleGltf("sub/tri.bin");
  const size_t at = json.find(R"("nodes":[{"name":"Tri","mesh":0}])");
  ASSERT_NE(at, std::string::npos);
  std::string list = R"("nodes":[)", roots = R"("scenes":[{"nodes":[)";
  for (int i = 0; i < nodes; ++i) {
    list += std::string(i ? "," : "") + R"({"name":"Tri","mesh":0,"translation":[)" + std::to_string(i) + ",0,0]}";
    roots += (i ? "," : "") + std::to_string(i);
  }
  json = json.substr(0, at) + list + "]," + roots + "]}],\"scene\":0}";
  const fs::path path = dir_ / "many.gltf";
  std::ofstream(path) << json;
  const tsxhost::ObjResult r = tsxhost::LoadScene(path.string());
  ASSERT_TRUE(r.ok) << r.error;
  ASSERT_EQ(r.objects.size(), size_t{nodes});
  EXPECT_EQ(tsxhost::ObjectName(r.objects[0]), "Tri");
  EXPECT_EQ(tsxhost::ObjectName(r.objects[1]), "Tri.2");
  EXPECT_EQ(tsxhost::ObjectName(r.objects[nodes - 1]), "Tri." + std::to_string(nodes));
  EXPECT_EQ(tsxPolyhGetVxArray(r.objects[nodes - 1])[0].x, float(nodes - 1));
  const std::vector<std::string> expected{path.string() + ": a second object named 'Tri' is read as 'Tri.2'",
                                          path.string() + ": " + std::to_string(nodes - 2) +
                                              " more objects named 'Tri' are numbered on, up to 'Tri." +
                                              std::to_string(nodes) + "'"};
  EXPECT_EQ(r.warnings, expected);
}

// Every placement of a mesh counts: a small mesh used by many nodes can
// exceed the limit, which the caller may raise.
TEST_F(AssetResourcesTest, FacesAreCountedAtEveryNodeThatPlacesAMesh) {
  std::string json = TriangleGltf("sub/tri.bin");
  const size_t at = json.find(R"("nodes":[{"name":"Tri","mesh":0}])");
  json = json.substr(0, at) + R"("nodes":[{"name":"A","mesh":0},{"name":"B","mesh":0},{"name":"C","mesh":0}],)" +
         R"("scenes":[{"nodes":[0,1,2]}],"scene":0})";
  const fs::path path = dir_ / "three.gltf";
  std::ofstream(path) << json;
  tsxhost::ObjReadOptions options;
  options.maxFaces = 2;
  tsxhost::ObjResult r = tsxhost::LoadScene(path.string(), options);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, path.string() + ": more than 2 faces with every mesh counted at each node that places it "
                                     "(--max-faces raises the limit)");
  EXPECT_TRUE(tsxhost::SceneObjects().empty());
  options.maxFaces = 3;
  r = tsxhost::LoadScene(path.string(), options);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.objects.size(), 3u);
}

bool Running(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return false;
  const size_t close = line.rfind(')');
  return close != std::string::npos && close + 2 < line.size() && line[close + 2] != 'Z';
}

// A PLY file whose answer is far larger than a pipe holds.
void WriteBigPly(const fs::path& model) {
  std::ofstream out(model);
  const int n = 20000;
  out << "ply\nformat ascii 1.0\nelement vertex " << n << "\nproperty float x\nproperty float y\nproperty float z\n"
      << "element face " << n - 2 << "\nproperty list uchar int vertex_indices\nend_header\n";
  for (int i = 0; i < n; ++i) out << i << " " << (i % 2) << " " << i * 0.5 << "\n";
  for (int i = 0; i + 2 < n; ++i) out << "3 " << i << " " << i + 1 << " " << i + 2 << "\n";
}

// Held writing an answer nobody reads, the reader ends itself when its
// own time is up, whatever its caller does.
TEST_F(AssetResourcesTest, TheReaderKeepsItsOwnTimeLimit) {
  const fs::path model = dir_ / "big.ply";
  WriteBigPly(model);
  int answer[2];
  ASSERT_EQ(::pipe(answer), 0);
  const auto start = std::chrono::steady_clock::now();
  const pid_t reader = ::fork();
  ASSERT_GE(reader, 0);
  if (reader == 0) {
    ::dup2(answer[1], STDOUT_FILENO);
    ::execl(SPLICER_READER_PATH, SPLICER_READER_PATH, "ply", model.c_str(), "--seconds", "1",
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(reader, &status, 0), reader);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM) << status;
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
  ::close(answer[0]);
  ::close(answer[1]);
}

// The reader is held writing an answer nobody reads (this process keeps
// the pipe open); when the program that started it is killed, it goes too.
TEST_F(AssetResourcesTest, TheReaderDiesWithItsCaller) {
  const fs::path model = dir_ / "big.ply";
  WriteBigPly(model);
  int answer[2], told[2];
  ASSERT_EQ(::pipe(answer), 0);
  ASSERT_EQ(::pipe(told), 0);
  const pid_t caller = ::fork();
  ASSERT_GE(caller, 0);
  if (caller == 0) {
    const pid_t reader = ::fork();
    if (reader == 0) {
      ::dup2(answer[1], STDOUT_FILENO);
      ::execl(SPLICER_READER_PATH, SPLICER_READER_PATH, "ply", model.c_str(), "--seconds", "60",
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    (void)!::write(told[1], &reader, sizeof reader);
    ::pause();
    ::_exit(0);
  }
  ::close(answer[1]);
  pid_t reader = 0;
  ASSERT_EQ(::read(told[0], &reader, sizeof reader), static_cast<ssize_t>(sizeof reader));
  // Once it answers (its limits are set by then) it is held on the full pipe.
  pollfd answered{answer[0], POLLIN, 0};
  ASSERT_EQ(::poll(&answered, 1, 60000), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_TRUE(Running(reader));
  ::kill(caller, SIGKILL);
  ::waitpid(caller, nullptr, 0);
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (Running(reader) && std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_FALSE(Running(reader));
  ::close(answer[0]);
  ::close(told[0]);
  ::close(told[1]);
}

}  // namespace
