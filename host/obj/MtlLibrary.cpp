#include "host/obj/MtlLibrary.h"

#include <filesystem>

#include "host/obj/TextLines.h"

namespace tsxhost {
namespace {

namespace fs = std::filesystem;

// Whether `path` (links followed) lies in `folder` or below it.
bool Inside(const fs::path& path, const fs::path& folder) {
  std::error_code ec;
  const fs::path p = fs::weakly_canonical(path, ec);
  if (ec) return false;
  const fs::path f = fs::weakly_canonical(folder, ec);
  if (ec) return false;
  const fs::path rel = p.lexically_relative(f);
  return !rel.empty() && *rel.begin() != "..";
}

}  // namespace

MtlResolver FileMtlResolver(const std::string& scenePath, bool anywhere) {
  std::error_code ec;
  fs::path folder = fs::absolute(fs::path(scenePath), ec).parent_path();
  if (ec) folder = fs::path(scenePath).parent_path();
  return [folder, anywhere](const std::string& library, std::string* text, std::string* where, std::string* why) {
    const fs::path path = (folder / fs::path(library)).lexically_normal();
    if (!anywhere && !Inside(path, folder)) {
      *why = "outside the scene's folder";
      return false;
    }
    if (!detail::ReadRegularFile(path.string(), kMtlSizeLimit, text, why)) return false;
    *where = path.parent_path().string();
    return true;
  };
}

}  // namespace tsxhost
