// The files the asset library may open while it reads a scene: the scene
// itself and what it refers to (glTF buffers, images), each only if it is a
// regular file in the scene's folder or below it (links resolved first),
// unless resources may come from anywhere. Nothing else is ever opened, so
// a scene cannot read another file on the machine into its geometry, nor
// block the reader on a pipe or a device.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <assimp/IOSystem.hpp>

namespace tsxhost::detail {

class ResourceFiles : public Assimp::IOSystem {
 public:
  // `grant` is told the size of each file opened besides the scene, so the
  // reader can extend its time limit by what there is to read.
  ResourceFiles(const std::string& scenePath, bool anywhere, std::function<void(long long bytes)> grant = {});

  bool Exists(const char* file) const override;
  char getOsSeparator() const override { return '/'; }
  Assimp::IOStream* Open(const char* file, const char* mode = "rb") override;
  void Close(Assimp::IOStream* stream) override;

  // Why the first file refused was refused ("refers to X, which ..."), or
  // empty when none was.
  const std::string& Refusal() const { return refusal_; }

 private:
  std::string Refuse(const std::string& file, const std::string& why);

  std::string scene_;   // the scene as given
  std::string folder_;  // the scene's folder, links resolved
  bool anywhere_;
  std::function<void(long long)> grant_;
  std::string refusal_;
};

}  // namespace tsxhost::detail
