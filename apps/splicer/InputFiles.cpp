#include "apps/splicer/InputFiles.h"

#include <filesystem>
#include <unordered_map>
#include <unordered_set>

#include "session/AssemblyJoin.h"
#include "host/formats/MeshFormats.h"
#include "host/scene/Scene.h"

namespace splicer {
namespace {

// A stem made a name as the readers make names: control characters become
// '?', and it is cut to the host's length.
std::string NameFromStem(const std::string& path) {
  std::string name = std::filesystem::path(path).stem().string();
  for (char& c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  }
  name = CutUtf8(name, kMaxNameBytes);
  return name.empty() ? "object" : name;
}

// While several files are read, the objects read so far wait under names
// no file can give (names read are cleaned of control characters), so that
// the next file's names cannot meet them.
std::string WaitingName(size_t n) { return "\x01" + std::to_string(n); }

constexpr size_t kNamesListed = 20;

std::string ListOfNames(const std::vector<tsxSOBJ>& objects) {
  std::string list;
  for (size_t i = 0; i < objects.size() && i < kNamesListed; ++i) {
    list += (i ? ", \"" : "\"") + tsxhost::ObjectName(objects[i]) + "\"";
  }
  if (objects.size() > kNamesListed) list += " and " + std::to_string(objects.size() - kNamesListed) + " more";
  return list.empty() ? "none" : list;
}

bool FileMeant(const InputFile& file, const std::string& text) {
  const std::filesystem::path path(file.path);
  return text == file.path || text == path.filename().string() || text == path.stem().string();
}

}  // namespace

std::vector<tsxSOBJ> LoadedInputs::Objects() const {
  std::vector<tsxSOBJ> objects;
  for (const InputFile& file : files) objects.insert(objects.end(), file.objects.begin(), file.objects.end());
  return objects;
}

LoadedInputs LoadInputs(const std::vector<std::string>& paths, const tsxhost::ObjReadOptions& options,
                        const ReadFile& read) {
  LoadedInputs inputs;
  const bool several = paths.size() > 1;
  size_t waiting = 0;
  for (const std::string& path : paths) {
    tsxhost::ObjResult loaded = read ? read(path, options) : tsxhost::LoadScene(path, options);
    for (std::string& w : loaded.warnings) inputs.warnings.push_back(std::move(w));
    if (!loaded.ok) {
      inputs.error = loaded.error;
      inputs.noMemory = loaded.noMemory;
      return inputs;
    }
    InputFile file{path, loaded.objects, {}};
    for (tsxSOBJ obj : loaded.objects) {
      file.namesInFile.push_back(tsxhost::ObjectName(obj));
      if (several) tsxhost::SetObjectName(obj, WaitingName(waiting++));
    }
    inputs.libraries.insert(inputs.libraries.end(), loaded.libraries.begin(), loaded.libraries.end());
    inputs.files.push_back(std::move(file));
  }
  if (several) {
    std::unordered_set<std::string> taken;
    for (const InputFile& file : inputs.files) {
      for (size_t k = 0; k < file.objects.size(); ++k) {
        const std::string wanted = file.objects.size() == 1 ? NameFromStem(file.path) : file.namesInFile[k];
        const std::string name =
            GroupName({wanted}, [&taken](const std::string& s) { return taken.count(s) > 0; });
        if (name != wanted) {
          inputs.warnings.push_back(file.path + ": a second object named '" + wanted + "' is read as '" + name + "'");
        }
        taken.insert(name);
        tsxhost::SetObjectName(file.objects[k], name);
      }
    }
  }
  inputs.ok = true;
  return inputs;
}

Picked FindInputs(const LoadedInputs& inputs, const std::vector<std::string>& names) {
  Picked picked;
  std::unordered_map<std::string, tsxSOBJ> byName;
  for (tsxSOBJ obj : tsxhost::SceneObjects()) byName.emplace(tsxhost::ObjectName(obj), obj);
  std::unordered_set<tsxSOBJ> seen;
  for (const std::string& name : names) {
    tsxSOBJ found = 0;
    if (auto it = byName.find(name); it != byName.end()) found = it->second;
    for (size_t colon = name.find(':'); found == 0 && colon != std::string::npos; colon = name.find(':', colon + 1)) {
      const std::string fileText = name.substr(0, colon), objectText = name.substr(colon + 1);
      for (const InputFile& file : inputs.files) {
        if (!FileMeant(file, fileText)) continue;
        for (size_t k = 0; k < file.objects.size() && found == 0; ++k) {
          if (file.namesInFile[k] == objectText) found = file.objects[k];
        }
      }
    }
    if (found == 0) {
      std::string files;
      for (const InputFile& file : inputs.files) files += (files.empty() ? "" : ", ") + file.path;
      picked.error = "no object named \"" + name + "\" in " + files + "; its objects are " + ListOfNames(inputs.Objects());
      if (tsxhost::FormatOfPath(name) != tsxhost::FileFormat::Unknown) {
        picked.error += " (\"" + name + "\" is no file that can be read either)";
      }
      return picked;
    }
    if (!seen.insert(found).second) {
      picked.error = "\"" + name + "\" names an object given before";
      return picked;
    }
    picked.objects.push_back(found);
  }
  return picked;
}

}  // namespace splicer
