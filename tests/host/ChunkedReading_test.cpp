// OBJ texts read ahead in chunks on two threads: the objects, warnings and
// errors are the same as when one thread reads line after line, wherever
// the chunks end.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "host/obj/ObjFile.h"
#include "host/scene/HostTesting.h"
#include "host/scene/Scene.h"

namespace {

namespace fs = std::filesystem;

template <typename T>
void Bytes(std::ostringstream& out, const T& value) {
  out.write(reinterpret_cast<const char*>(&value), sizeof value);
}

// Everything a load tells and makes, as bytes (floats by their bits).
std::string Snapshot(const tsxhost::ObjResult& r) {
  std::ostringstream out;
  out << r.ok << '|' << r.error << '|' << r.groupsAsObjects << '|';
  for (const std::string& w : r.warnings) out << w << '|';
  for (const std::string& l : r.libraries) out << l << '|';
  for (tsxSOBJ obj : r.objects) {
    out << '\n' << tsxhost::ObjectName(obj) << '|';
    Bytes(out, tsxhost::GetTransform(obj));
    tsxhost::Mesh m;
    if (!tsxhost::ReadMesh(obj, &m)) out << "dead";
    for (const CtsxVector3f& v : m.vertices) Bytes(out, v);
    out << '|';
    for (const CtsxUV& uv : m.uvs) Bytes(out, uv);
    out << '|';
    for (const CtsxVector3f& n : m.normals) Bytes(out, n);
    for (const tsxhost::Face& f : m.faces) {
      out << "|f" << f.material << ' ' << f.smoothing << ' ' << f.group << ':';
      for (const tsxhost::Corner& c : f.corners) out << c.vertex << '/' << c.uv << '/' << c.normal << ' ';
    }
    for (const tsxhost::Material& mat : m.materials) {
      out << "|m" << mat.name << ' ' << mat.diffuseMap << ' ' << mat.folder;
      Bytes(out, mat.diffuse);
    }
  }
  out << "\nscene " << tsxhost::SceneObjects().size();
  return out.str();
}

// Reads `text` into a scene that holds the objects `held` only, in chunks
// of `chunkBytes` (0: line after line).
std::string Read(const std::string& text, const std::string& name, size_t chunkBytes,
                 const std::vector<std::string>& held = {}) {
  tsxhost::ResetScene();
  for (const std::string& object : held) tsxhost::AddObject(object, 201);
  const size_t before = tsxhost::testing::SetChunkedReading(chunkBytes);
  const std::string snapshot = Snapshot(tsxhost::LoadObjText(text, name));
  tsxhost::testing::SetChunkedReading(before);
  return snapshot;
}

std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Every chunk size from 1 byte to the whole text: every line end is the
// end of a first chunk once, and small sizes cut the text at every line.
void ExpectSameAtEveryCut(const std::string& text, const std::string& name,
                          const std::vector<std::string>& held = {}) {
  const std::string expected = Read(text, name, 0, held);
  for (size_t size = 1; size <= text.size(); ++size) {
    ASSERT_EQ(Read(text, name, size, held), expected) << name << " in chunks of " << size;
  }
}

std::vector<fs::path> Files(const fs::path& dir) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() == ".obj") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST(ChunkedReading, ConformanceScenesReadTheSame) {
  const auto files = Files(fs::path(HOST_TEST_DATA) / "conformance");
  ASSERT_GT(files.size(), 20u);
  for (const fs::path& file : files) {
    const std::string text = Slurp(file), name = file.string();
    const std::string expected = Read(text, name, 0);
    ASSERT_EQ(expected.rfind("1|", 0), 0u) << file << expected.substr(0, 300);
    for (size_t size : {1, 2, 13, 100, 997, 4096}) {
      ASSERT_EQ(Read(text, name, size), expected) << file << " in chunks of " << size;
    }
  }
}

TEST(ChunkedReading, SmallSceneAndFuzzCorpusReadTheSameAtEveryCut) {
  std::vector<fs::path> files = Files(HOST_FUZZ_CORPUS);
  ASSERT_FALSE(files.empty());
  files.push_back(fs::path(HOST_TEST_DATA) / "conformance" / "ties_01.obj");
  for (const fs::path& file : files) ExpectSameAtEveryCut(Slurp(file), file.string());
}

// Random lines: sound statements, with state (objects, groups, materials,
// smoothing) and relative indices that reach back past the chunk a line
// is in; a `broken` share of them broken in the ways the reader knows.
class RandomObj {
 public:
  RandomObj(std::mt19937& rng, int broken) : rng_(rng), broken_(broken) {}

  std::string Text(int lines) {
    const char* const ends[] = {"\n", "\r\n", "\r"};
    std::string text = Pick(10) == 0 ? "\xEF\xBB\xBF" : "";
    const int endKinds = Pick(4) == 0 ? 3 : 1;
    for (int i = 0; i < lines; ++i) text += (Pick(100) < broken_ ? Broken() : Sound()) + ends[Pick(endKinds)];
    if (Pick(2)) text.pop_back();  // no line end after the last line
    return text;
  }

 private:
  int Pick(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }
  std::string Number() {
    const char* const numbers[] = {"0", "1.5", "-2", "+3", "1e40", "1e-50", "1.", ".5", "-0"};
    return numbers[Pick(9)];
  }
  std::string Index(int count) {
    if (count == 0) return "1";
    return Pick(2) ? std::to_string(1 + Pick(count)) : std::to_string(-1 - Pick(count));
  }
  std::string Face() {
    std::string line = "f";
    const int form = Pick(4);
    for (int c = 0, n = 3 + Pick(3); c < n; ++c) {
      line += " " + Index(vertices_);
      if (form == 1 || form == 3) line += "/" + Index(uvs_);
      if (form == 2) line += "/";
      if (form >= 2) line += "/" + Index(normals_);
    }
    return line;
  }
  std::string Sound() {
    switch (Pick(16)) {
      case 0: case 1: case 2: ++vertices_; return "v " + Number() + " " + Number() + " " + Number();
      case 3: ++uvs_; return "vt " + Number() + (Pick(2) ? " " + Number() : "");
      case 4: ++normals_; return "vn " + Number() + " " + Number() + " " + Number();
      case 5: case 6: case 7: case 8: return vertices_ ? Face() : "# no vertex yet";
      case 9: return "o " + std::string(Pick(6) == 0 ? 300 : 1, static_cast<char>('A' + Pick(4))) +
                     std::to_string(objects_++);
      case 10: return Pick(3) ? "g " + std::string(1, static_cast<char>('a' + Pick(3))) : "g";
      case 11: return "usemtl " + std::string(1, static_cast<char>('m' + Pick(3)));
      case 12: return Pick(2) ? "s " + std::to_string(Pick(3)) : "s off";
      case 13: return Pick(2) ? "# note" : "";
      case 14: return Pick(2) ? "l 1 2" : "  \tv 1 2 3 4";
      default: return Pick(4) ? "mtllib none.mtl" : "curv 0 1";
    }
  }
  std::string Broken() {
    switch (Pick(14)) {
      case 0: return "f 1 0 2";
      case 1: return "f " + std::to_string(-(vertices_ + 1)) + " 1 1";  // before the first
      case 2: return "f 1 x2 3";
      case 3: return Pick(2) ? "f 1 2 " + std::to_string(vertices_ + 1)  // past the last: found when built
                             : "f 1 2/" + std::string(Pick(2) ? "" : "-") + "3000000000";  // beyond 32 bits
      case 4: return "f 1/" + std::to_string(uvs_ + 2) + " 1 1";
      case 5: return "f 1//" + std::to_string(normals_ + 1) + " 1 1";
      case 6: return Pick(2) ? "f 1 2" : "f";
      case 7: return "f -1/-99/x 1 1";  // the relative index is wrong before the malformed one
      case 8: return "v 1 nan 3";
      case 9: return Pick(2) ? "v 1 2" : "vt";
      case 10: return "vn 1 2 0x3";
      case 11: return std::string("v 1 2\0 3", 8);
      case 12: return "o A0";  // a name used again (or the first one)
      default: return "o";
    }
  }

  std::mt19937& rng_;
  int broken_;
  int vertices_ = 0, uvs_ = 0, normals_ = 0, objects_ = 0;
};

TEST(ChunkedReading, RandomTextsReadTheSameAtEveryCut) {
  std::mt19937 rng(11);
  int refused = 0, read = 0;
  for (int round = 0; round < 120; ++round) {
    const int lines = 4 + static_cast<int>(rng() % 40);
    const std::string text = RandomObj(rng, round % 3 == 0 ? 0 : 100 / lines).Text(lines);
    // Names the scene holds already: the file's own (for geometry before
    // any "o") and one an "o" line uses.
    ExpectSameAtEveryCut(text, "random.obj", round % 4 == 3 ? std::vector<std::string>{"random", "B1"}
                                                              : std::vector<std::string>{});
    (Read(text, "random.obj", 0).rfind("1|", 0) == 0 ? read : refused)++;
  }
  // Both outcomes are well represented.
  EXPECT_GT(read, 10);
  EXPECT_GT(refused, 20);
}

TEST(ChunkedReading, LongRandomTextsReadTheSame) {
  std::mt19937 rng(12);
  for (int round = 0; round < 20; ++round) {
    const std::string text = RandomObj(rng, round % 2).Text(3000);
    const std::string expected = Read(text, "long.obj", 0);
    for (size_t size : {1, 64, 1000, 20000}) {
      ASSERT_EQ(Read(text, "long.obj", size), expected) << "round " << round << " in chunks of " << size;
    }
  }
}

// A file is read as its text is: the file's bytes (let go once parsed)
// make the same objects, warnings and errors.
TEST(ChunkedReading, FilesReadAsTheirTexts) {
  std::mt19937 rng(13);
  // Named for this process: runs of the suite side by side share the folder.
  const fs::path path = fs::path(::testing::TempDir()) / ("chunked-file-" + std::to_string(getpid()) + ".obj");
  for (int round = 0; round < 30; ++round) {
    const std::string text = RandomObj(rng, round % 3).Text(round < 20 ? 40 : 4000);
    std::ofstream(path, std::ios::binary) << text;
    for (size_t size : {size_t{0}, size_t{7}, size_t{1000}}) {
      const std::string expected = Read(text, path.string(), size);
      tsxhost::ResetScene();
      const size_t before = tsxhost::testing::SetChunkedReading(size);
      const std::string fromFile = Snapshot(tsxhost::LoadObj(path.string()));
      tsxhost::testing::SetChunkedReading(before);
      ASSERT_EQ(fromFile, expected) << "round " << round << " in chunks of " << size;
    }
  }
  fs::remove(path);
}

// Sound text all through, so the load goes on to the end in many chunks.
TEST(ChunkedReading, SoundLongTextReadsTheSame) {
  std::string text = "mtllib none.mtl\n";
  for (int o = 0; o < 3; ++o) {
    text += "o part" + std::to_string(o) + "\ns 1\n";
    for (int i = 0; i < 3000; ++i) {
      text += "v " + std::to_string(i) + ".25 " + std::to_string(o) + " -" + std::to_string(i % 7) + "e-3\nvt 0." +
              std::to_string(i) + "\nvn 0 0 1\n";
      if (i >= 2) text += "f -1/-1/-1 -2/-2/-2 -3/-3/-3\n";
      if (i % 500 == 0) text += "usemtl m" + std::to_string(i % 3) + "\ng side" + std::to_string(i % 2) + "\n";
    }
  }
  const std::string expected = Read(text, "sound.obj", 0);
  ASSERT_EQ(expected.rfind("1|", 0), 0u) << expected.substr(0, 300);
  for (size_t size : {1, 10, 4000, 100000}) ASSERT_EQ(Read(text, "sound.obj", size), expected) << size;
}

}  // namespace
