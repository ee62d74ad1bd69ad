// libFuzzer harness for the asset library's glTF (binary), PLY and STL
// readers, run in this process rather than in the reader process, and for
// what the host builds from their answer. Opt-in (scripts/fuzz-smoke.sh
// with FUZZ_LIBRARY=1): the library is not ours, and it does crash on some
// inputs; that is why the programs read such files in a process of their
// own. The first byte picks the format, the rest is the file.
#include <cstdint>
#include <string>

#include "fuzz/SceneChecks.h"
#include "host/formats/AssetFiles.h"
#include "host/reader/AssetImport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tsxhost;
  if (size < 1) return 0;
  static const FileFormat kFormats[] = {FileFormat::Glb, FileFormat::Ply, FileFormat::Stl};
  static const char* const kNames[] = {"fuzz.glb", "fuzz.ply", "fuzz.stl"};
  const int pick = data[0] % 3;
  ResetScene();
  const std::string stream = detail::EncodeAssetScene(detail::ImportAssetBytes(data + 1, size - 1, kFormats[pick]));
  CheckRead(detail::ReadAssetStream(stream, kNames[pick]), kNames[pick]);
  return 0;
}
