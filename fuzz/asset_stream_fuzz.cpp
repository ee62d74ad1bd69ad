// libFuzzer harness for the host's half of reading glTF, PLY and STL: the
// decoder of the reader process's answer and the objects built from it.
// The reader process is as untrusted as the file it read (it may have
// crashed half-way, or worse), so any bytes at all are either refused with
// a message naming the file and leave the scene empty, or read into sound
// objects.
#include <cstdint>
#include <string_view>

#include "fuzz/SceneChecks.h"
#include "host/formats/AssetFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tsxhost::ResetScene();
  const std::string_view stream(reinterpret_cast<const char*>(data), size);
  CheckRead(tsxhost::detail::ReadAssetStream(stream, "fuzz.glb"), "fuzz.glb");
  return 0;
}
