// The reader process's answers for glTF files against answers kept from an
// earlier reader, whose weld of bit-identical positions, UVs and normals
// went through a hash map value by value: a faster reader must give the
// same scenes, byte for byte. The files: a real mesh with normals, three
// random scenes (several objects and materials, repeated positions, UV and
// normal seams, textures) written by the asset library, and one of them
// as .gltf with a mirroring and a turning, stretching node. Make the kept
// answers again only for an intended change of the answer's format.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "host/formats/AssetStream.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::string Answer(const std::string& format, const fs::path& file) {
  const std::string command = std::string("'") + SPLICER_READER_PATH + "' " + format + " '" + file.string() + "'";
  const std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), &::pclose);
  std::string out;
  if (!pipe) return out;
  char chunk[65536];
  for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe.get())) > 0;) out.append(chunk, n);
  return out;
}

TEST(ReaderAnswers, AreTheKeptAnswersOfTheEarlierReader) {
  const fs::path dir = fs::path(HOST_TEST_DATA) / "formats" / "read";
  for (const char* name : {"suzanne.glb", "random0.glb", "random1.glb", "random2.glb", "placed.gltf"}) {
    const std::string kept = ReadFile(dir / (std::string(name) + ".stream"));
    ASSERT_FALSE(kept.empty()) << name;
    const std::string answer = Answer(fs::path(name).extension().string().substr(1), dir / name);
    EXPECT_TRUE(answer == kept) << name << ": " << answer.size() << " bytes, kept " << kept.size();
    // Not an empty scene either: the objects are there, with their faces.
    tsxhost::detail::AssetScene scene;
    std::string why;
    ASSERT_TRUE(tsxhost::detail::DecodeAssetScene(answer, &scene, &why)) << name << ": " << why;
    EXPECT_TRUE(scene.refusal.empty()) << name << ": " << scene.refusal;
    ASSERT_FALSE(scene.objects.empty()) << name;
    for (const auto& object : scene.objects) EXPECT_GT(object.mesh.corners.size(), 0u) << name;
  }
}

// The answer written in pieces is the answer written whole, and each
// object's size is known before its bytes are made.
TEST(ReaderAnswers, PiecesMakeTheWholeAnswer) {
  const std::string kept = ReadFile(fs::path(HOST_TEST_DATA) / "formats" / "read" / "random1.glb.stream");
  tsxhost::detail::AssetScene scene;
  std::string why;
  ASSERT_TRUE(tsxhost::detail::DecodeAssetScene(kept, &scene, &why)) << why;
  scene.warnings = {"a warning"};
  std::string pieces = tsxhost::detail::EncodeAssetHeader(scene), object;
  for (const auto& o : scene.objects) {
    object.reserve(tsxhost::detail::EncodedObjectSize(o));
    const char* room = object.data();
    tsxhost::detail::EncodeAssetObject(o, object);
    EXPECT_EQ(object.size(), tsxhost::detail::EncodedObjectSize(o));
    EXPECT_EQ(object.data(), room);  // written into the room made, never moved
    pieces += object;
  }
  pieces += tsxhost::detail::AssetStreamEnd();
  EXPECT_TRUE(pieces == tsxhost::detail::EncodeAssetScene(scene));
}

}  // namespace
