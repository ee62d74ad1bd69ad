// What `splicer join` checks about the files it is to write before any
// join work starts, so that a run that cannot end well stops at once.
#pragma once

#include <string>
#include <vector>

namespace splicer {

// Whether the tool can write a file of this name's kind: empty when it can,
// else why not. The one place that knows the output formats by extension.
std::string UnwritableFormat(const std::string& path);

// Empty when `path`'s folder exists and can be written in; else the reason
// (strerror for a missing or closed folder).
std::string UnwritableFolder(const std::string& path);

// The MTL file written beside an OBJ.
std::string MtlBeside(const std::string& objPath);

// The files written with `output` besides itself: its MTL (OBJ) or its
// buffer (glTF).
std::vector<std::string> CompanionsOf(const std::string& output);

// The files a glTF scene (.gltf or .glb) refers to: its buffers and images
// by file name, as the reader would open them. None for other formats, or
// when the scene cannot be read as glTF (the reader then says why).
std::vector<std::string> GltfResources(const std::string& scenePath);

// Every file one run reads and writes, compared by identity (device and
// inode where the file exists, else the absolute path with links resolved)
// before any work starts.
class WritePlan {
 public:
  void Reads(const std::string& path, const std::string& what);
  // `replacesInput`: may be written over a file read (the whole scene is
  // written back).
  void Writes(const std::string& path, const std::string& what, bool replacesInput = false);

  struct Clash {
    std::string message;  // empty: no clash
    bool involvesReport = false;
  };
  // The first pair of entries that are one file: two writes, or a write
  // over a read it may not replace.
  Clash FirstClash() const;

 private:
  struct Entry {
    std::string path, what;
    bool write = false, replacesInput = false, exists = false;
    unsigned long long device = 0, inode = 0;
    std::string resolved;
  };
  std::vector<Entry> entries_;
  void Add(Entry entry);
};

}  // namespace splicer
