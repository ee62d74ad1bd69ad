#include "session/OutputChecks.h"

#include "host/formats/MeshFormats.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

namespace splicer {
namespace {

namespace fs = std::filesystem;

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return s;
}

}  // namespace

std::string UnwritableFormat(const std::string& path) {
  const std::string ext = Lower(fs::path(path).extension().string());
  if (tsxhost::FormatOfPath(path) != tsxhost::FileFormat::Unknown) return {};
  return "cannot write \"" + path + "\": " +
         (ext.empty() ? std::string("no extension to tell its format") : "no writer for '" + ext + "' files") +
         " (known: " + tsxhost::KnownExtensions() + ")";
}

std::string UnwritableFolder(const std::string& path) {
  fs::path folder = fs::path(path).parent_path();
  if (folder.empty()) folder = ".";
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0) {
    return "cannot write \"" + path + "\": folder \"" + folder.string() + "\": " + std::strerror(errno);
  }
  if (!S_ISDIR(st.st_mode)) return "cannot write \"" + path + "\": \"" + folder.string() + "\" is not a folder";
  if (::access(folder.c_str(), W_OK | X_OK) != 0) {
    return "cannot write \"" + path + "\": folder \"" + folder.string() + "\": " + std::strerror(errno);
  }
  return {};
}

std::string MtlBeside(const std::string& objPath) { return fs::path(objPath).replace_extension(".mtl").string(); }

std::vector<std::string> CompanionsOf(const std::string& output) {
  switch (tsxhost::FormatOfPath(output)) {
    case tsxhost::FileFormat::Obj: return {MtlBeside(output)};
    case tsxhost::FileFormat::Gltf: return {fs::path(output).replace_extension(".bin").string()};
    default: return {};
  }
}

namespace {

constexpr std::uintmax_t kGltfJsonLimit = std::uintmax_t{256} << 20;

// "%20" and the like, as file names in URIs are written.
std::string PercentDecoded(const std::string& uri) {
  std::string out;
  for (size_t i = 0; i < uri.size(); ++i) {
    if (uri[i] == '%' && i + 2 < uri.size() && std::isxdigit(static_cast<unsigned char>(uri[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(uri[i + 2]))) {
      out += static_cast<char>(std::stoi(uri.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += uri[i];
    }
  }
  return out;
}

// The JSON of a .gltf file, or the JSON chunk of a .glb; empty if none.
std::string GltfJson(const std::string& path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return {};
  std::ifstream in(path, std::ios::binary);
  if (tsxhost::FormatOfPath(path) == tsxhost::FileFormat::Gltf) {
    if (fs::file_size(path, ec) > kGltfJsonLimit || ec) return {};
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // A .glb: a 12-byte header, then the JSON chunk's length and type.
  uint32_t head[5] = {};
  if (!in.read(reinterpret_cast<char*>(head), sizeof head) || head[0] != 0x46546C67u || head[4] != 0x4E4F534Au ||
      head[3] > kGltfJsonLimit) {
    return {};
  }
  std::string json(head[3], '\0');
  return in.read(json.data(), static_cast<std::streamsize>(json.size())) ? json : std::string();
}

}  // namespace

std::vector<std::string> GltfResources(const std::string& scenePath) {
  const tsxhost::FileFormat format = tsxhost::FormatOfPath(scenePath);
  if (format != tsxhost::FileFormat::Gltf && format != tsxhost::FileFormat::Glb) return {};
  const nlohmann::json doc = nlohmann::json::parse(GltfJson(scenePath), nullptr, false);
  if (!doc.is_object()) return {};
  // Relative names are taken from the scene's folder, as the reader does.
  const std::string folder = fs::path(scenePath).parent_path().string();
  std::vector<std::string> files;
  for (const char* list : {"buffers", "images"}) {
    const auto it = doc.find(list);
    if (it == doc.end() || !it->is_array()) continue;
    for (const nlohmann::json& item : *it) {
      if (!item.is_object() || !item.contains("uri") || !item["uri"].is_string()) continue;
      const std::string uri = item["uri"].get<std::string>();
      if (uri.rfind("data:", 0) == 0 || uri.empty()) continue;
      files.push_back((folder.empty() ? std::string() : folder + "/") + PercentDecoded(uri));
    }
  }
  return files;
}

void WritePlan::Add(Entry entry) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(entry.path, ec);
  const fs::path canonical = fs::weakly_canonical(ec ? fs::path(entry.path) : absolute, ec);
  entry.resolved = (ec ? absolute : canonical).lexically_normal().string();
  struct stat st {};
  if (::stat(entry.path.c_str(), &st) == 0) {
    entry.exists = true;
    entry.device = st.st_dev;
    entry.inode = st.st_ino;
  }
  entries_.push_back(std::move(entry));
}

void WritePlan::Reads(const std::string& path, const std::string& what) {
  Entry entry;
  entry.path = path;
  entry.what = what;
  Add(std::move(entry));
}

void WritePlan::Writes(const std::string& path, const std::string& what, bool replacesInput) {
  Entry entry;
  entry.path = path;
  entry.what = what;
  entry.write = true;
  entry.replacesInput = replacesInput;
  Add(std::move(entry));
}

WritePlan::Clash WritePlan::FirstClash() const {
  for (size_t i = 0; i < entries_.size(); ++i) {
    const Entry& w = entries_[i];
    if (!w.write) continue;
    for (size_t j = 0; j < entries_.size(); ++j) {
      const Entry& o = entries_[j];
      if (i == j || (o.write && j < i)) continue;  // each pair of writes once
      const bool same = w.exists && o.exists ? w.device == o.device && w.inode == o.inode : w.resolved == o.resolved;
      if (!same || (!o.write && w.replacesInput)) continue;
      Clash clash;
      clash.involvesReport = w.what == "the report" || o.what == "the report";
      if (o.write) {
        clash.message = w.what + " \"" + w.path + "\" and " + o.what + " \"" + o.path + "\" are one file";
      } else if (w.what == "the report") {
        clash.message = "the report \"" + w.path + "\" would overwrite \"" + o.path + "\" (" + o.what + ")";
      } else {
        clash.message = "\"" + w.path + "\" (" + w.what + ") is an input file (\"" + o.path + "\", " + o.what +
                        "): writing the new object alone over it would lose the rest; choose another -o or add --scene";
      }
      return clash;
    }
  }
  return {};
}

}  // namespace splicer
