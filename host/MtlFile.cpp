#include "MtlFile.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace tsxhost::detail {
namespace {

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

void ReadColour(std::istringstream& in, std::array<float, 3>& colour) {
  for (float& c : colour) in >> c;
}

}  // namespace

bool ReadMtlFile(const std::string& path, std::unordered_map<std::string, Material>* out) {
  std::ifstream file(path);
  if (!file) return false;
  std::string line;
  Material* current = nullptr;
  while (std::getline(file, line)) {
    std::istringstream in(line);
    std::string key;
    in >> key;
    if (key == "newmtl") {
      std::string rest;
      std::getline(in, rest);
      const std::string name = Trim(rest);
      Material m;
      m.name = name;
      current = &(*out)[name];
      *current = m;
    } else if (!current) {
      continue;
    } else if (key == "Ka") {
      ReadColour(in, current->ambient);
    } else if (key == "Kd") {
      ReadColour(in, current->diffuse);
    } else if (key == "Ks") {
      ReadColour(in, current->specular);
    } else if (key == "Ns") {
      in >> current->shininess;
    } else if (key == "d") {
      in >> current->opacity;
    } else if (key == "map_Kd") {
      std::string rest;
      std::getline(in, rest);
      current->diffuseMap = Trim(rest);
    }
  }
  return true;
}

std::string MtlText(const std::vector<Material>& materials) {
  std::string text = "# materials\n";
  char buf[256];
  for (const Material& m : materials) {
    text += "newmtl " + m.name + "\n";
    std::snprintf(buf, sizeof buf, "Ka %.9g %.9g %.9g\nKd %.9g %.9g %.9g\nKs %.9g %.9g %.9g\nNs %.9g\nd %.9g\n",
                  double(m.ambient[0]), double(m.ambient[1]), double(m.ambient[2]), double(m.diffuse[0]),
                  double(m.diffuse[1]), double(m.diffuse[2]), double(m.specular[0]), double(m.specular[1]),
                  double(m.specular[2]), double(m.shininess), double(m.opacity));
    text += buf;
    if (!m.diffuseMap.empty()) text += "map_Kd " + m.diffuseMap + "\n";
    text += "\n";
  }
  return text;
}

}  // namespace tsxhost::detail
