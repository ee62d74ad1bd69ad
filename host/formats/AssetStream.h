// What the reader process sends back: the objects of a glTF, PLY or STL
// file as the host will hold them, as a compact binary stream. The asset
// library reads the file in a process of its own, so that a damaged file
// cannot take the user's program down with it; this stream is all that
// comes back, and its decoder takes nothing in it on trust. Both ends are
// the same build on the same machine: numbers are in the machine's order.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "host/formats/MeshFormats.h"
#include "host/scene/HostState.h"

namespace tsxhost::detail {

struct AssetObject {
  std::string name;  // as the file has it, perhaps empty
  FlatMesh mesh;     // no smoothing groups, no groups
};

struct AssetScene {
  std::string refusal;  // the library's reason for not reading the file
  std::vector<std::string> warnings;
  std::vector<AssetObject> objects;
};

inline constexpr uint32_t kAssetStreamVersion = 2;
// The longest text the stream may carry (names, paths, messages).
inline constexpr uint32_t kAssetTextLimit = 65536;
// The most warnings it carries; a reader with more has lost its way.
inline constexpr uint32_t kAssetWarningLimit = 4096;
// The most faces a scene file may hold once instanced meshes are counted at
// every node that uses them, unless the user allows more.
inline constexpr unsigned long long kDefaultMaxFaces = 20'000'000;

std::string EncodeAssetScene(const AssetScene& scene);
// The same in pieces, so that a writer holds one object's bytes at a time:
// the header (refusal, warnings, number of objects), each object, the end.
// An object's bytes are EncodedObjectSize long; with that much room in
// `out`, EncodeAssetObject allocates nothing.
std::string EncodeAssetHeader(const AssetScene& scene);
size_t EncodedObjectSize(const AssetObject& object);
void EncodeAssetObject(const AssetObject& object, std::string& out);
std::string_view AssetStreamEnd();

// Decodes the reader's answer as its bytes arrive: each object is handed on
// as soon as its last byte is in, so that the caller holds one object's
// bytes at a time, never the whole answer. The refusal and the warnings come
// before any object.
class AssetStreamDecoder {
 public:
  // Takes each object; false stops the decoding (the sink keeps its reason).
  using ObjectSink = std::function<bool(AssetObject&&)>;
  explicit AssetStreamDecoder(ObjectSink sink) : sink_(std::move(sink)) {}

  // False once the bytes so far are not the start of a sound stream (why()
  // says how) or the sink has said stop; nothing more is taken then.
  bool Feed(std::string_view bytes);
  // After the last byte: false unless the stream was whole and ended there.
  bool Finish();

  bool HeaderRead() const { return state_ != State::Header; }
  const std::string& refusal() const { return refusal_; }
  const std::vector<std::string>& warnings() const { return warnings_; }
  const std::string& why() const { return why_; }

 private:
  enum class State { Header, Length, Object, End, Done, Failed };
  bool Step();
  bool Fail(std::string why);

  ObjectSink sink_;
  State state_ = State::Header;
  std::string buffer_;
  size_t used_ = 0;             // bytes of the buffer already decoded
  size_t headerAttempt_ = 0;    // the buffer's size when the header last did not fit
  uint32_t objectsLeft_ = 0;
  uint64_t objectBytes_ = 0;
  std::string refusal_;
  std::vector<std::string> warnings_;
  std::string why_;
};

// False with `why` unless `bytes` is one whole stream of this version whose
// counts all fit in it and whose indices all name elements that exist.
bool DecodeAssetScene(std::string_view bytes, AssetScene* scene, std::string* why);

// "gltf", "glb", "ply", "stl": the reader process's first argument.
const char* FormatWord(FileFormat format);
FileFormat FormatOfWord(const std::string& word);

}  // namespace tsxhost::detail
