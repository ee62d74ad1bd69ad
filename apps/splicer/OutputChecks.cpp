#include "OutputChecks.h"

#include "MeshFormats.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

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

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  if (fs::equivalent(a, b, ec) && !ec) return true;
  const fs::path ca = fs::weakly_canonical(a, ec);
  if (ec) return false;
  const fs::path cb = fs::weakly_canonical(b, ec);
  return !ec && ca == cb;
}

std::string MtlBeside(const std::string& objPath) { return fs::path(objPath).replace_extension(".mtl").string(); }

}  // namespace splicer
