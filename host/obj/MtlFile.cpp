#include "host/obj/MtlFile.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <filesystem>

#include "host/obj/TextLines.h"

namespace tsxhost::detail {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::string_view NextToken(std::string_view& rest) {
  rest = Trim(rest);
  const size_t end = std::min(rest.find_first_of(" \t"), rest.size());
  const std::string_view token = rest.substr(0, end);
  rest.remove_prefix(end);
  return token;
}

bool ReadNumber(std::string_view token, float* out) {
  if (!token.empty() && token.front() == '+') token.remove_prefix(1);
  const auto [ptr, ec] = std::from_chars(token.data(), token.data() + token.size(), *out);
  return !token.empty() && ec == std::errc() && ptr == token.data() + token.size();
}

// "Kd r g b" or "Kd grey"; anything else (spectral, xyz) keeps the field.
void ReadColour(std::string_view rest, std::array<float, 3>* colour) {
  std::array<float, 3> c{};
  int n = 0;
  for (std::string_view t = NextToken(rest); !t.empty() && n < 3; t = NextToken(rest), ++n) {
    if (!ReadNumber(t, &c[static_cast<size_t>(n)])) return;
  }
  if (n == 1) c[1] = c[2] = c[0];
  if (n == 1 || n == 3) *colour = c;
}

// Sets the field a known statement stands for.
void ReadField(std::string_view key, std::string_view rest, Material* m) {
  if (key == "Ka") return ReadColour(rest, &m->ambient);
  if (key == "Kd") return ReadColour(rest, &m->diffuse);
  if (key == "Ks") return ReadColour(rest, &m->specular);
  float f = 0;
  if (key == "Ns" && ReadNumber(Trim(rest), &f)) m->shininess = f;
  if (key == "d" && ReadNumber(Trim(rest), &f)) m->opacity = f;
  if (key == "map_Kd") m->diffuseMap = std::string(Trim(rest));
}

// Options of texture statements and how many values each takes (-o, -s and
// -t take one to three numbers).
int OptionValues(std::string_view option) {
  if (option == "-blendu" || option == "-blendv" || option == "-cc" || option == "-clamp" ||
      option == "-bm" || option == "-boost" || option == "-imfchan" || option == "-texres" || option == "-type") {
    return 1;
  }
  if (option == "-mm") return 2;
  if (option == "-o" || option == "-s" || option == "-t") return 3;
  return -1;
}

// Splits "OPTIONS PATH" at the path; the path may hold spaces.
size_t PathStart(std::string_view rest) {
  const std::string_view all = rest;
  for (;;) {
    std::string_view probe = rest;
    const std::string_view option = NextToken(probe);
    const int values = OptionValues(option);
    if (values < 0) break;
    rest = probe;
    for (int i = 0; i < values; ++i) {
      std::string_view next = rest;
      const std::string_view value = NextToken(next);
      float f = 0;
      if (value.empty() || (i > 0 && values == 3 && !ReadNumber(value, &f))) break;
      rest = next;
    }
  }
  rest = Trim(rest);
  return static_cast<size_t>(rest.data() - all.data());
}

std::string RewritePath(std::string_view path, const std::string& from, const std::string& to) {
  namespace fs = std::filesystem;
  fs::path p{std::string(path)};
  if (p.is_relative()) {
    if (from.empty()) return std::string(path);  // nowhere known to resolve it from
    p = fs::path(from) / p;
  }
  p = p.lexically_normal();
  const fs::path rel = p.lexically_relative(fs::path(to));
  return rel.empty() ? p.generic_string() : rel.generic_string();
}

std::string ColourText(const char* key, const std::array<float, 3>& c) {
  return std::string(key) + " " + ShortestFloat(c[0]) + " " + ShortestFloat(c[1]) + " " + ShortestFloat(c[2]);
}

std::string_view KeyOf(std::string_view statement) { return NextToken(statement); }

// `last`: no later statement of the material has this one's key; `read`:
// the fields as the material's statements set them, in order.
std::string StatementFor(const std::string& statement, const Material& m, const Material& read,
                         const std::string& folder, bool last) {
  std::string_view rest = statement;
  const std::string_view key = NextToken(rest);
  if (IsTextureKey(key)) {
    const size_t at = PathStart(rest);
    const std::string_view path = Trim(rest.substr(at));
    if (path.empty()) return statement;
    const std::string head(statement.data(), static_cast<size_t>(rest.data() - statement.data()) + at);
    return head + RewritePath(path, m.folder, folder);
  }
  // A known field changed since it was read is written with its value now
  // (compared by bits: a NaN read stays as it was written); the field holds
  // the last statement of its key. The comparison is with all statements
  // replayed, since a malformed last one leaves an earlier value in place.
  if (!last) return statement;
  auto differs = [](const auto& a, const auto& b) { return std::memcmp(&a, &b, sizeof a) != 0; };
  if (key == "Ka" && differs(read.ambient, m.ambient)) return ColourText("Ka", m.ambient);
  if (key == "Kd" && differs(read.diffuse, m.diffuse)) return ColourText("Kd", m.diffuse);
  if (key == "Ks" && differs(read.specular, m.specular)) return ColourText("Ks", m.specular);
  if (key == "Ns" && differs(read.shininess, m.shininess)) return "Ns " + ShortestFloat(m.shininess);
  if (key == "d" && differs(read.opacity, m.opacity)) return "d " + ShortestFloat(m.opacity);
  return statement;
}

void FieldsText(const Material& m, const std::string& folder, std::string* text) {
 *text += ColourText("Ka", m.ambient) + "\n" + ColourText("Kd", m.diffuse) + "\n" + ColourText("Ks", m.specular) + "\n";
  *text += "Ns " + ShortestFloat(m.shininess) + "\nd " + ShortestFloat(m.opacity) + "\n";
  if (!m.diffuseMap.empty()) *text += StatementFor("map_Kd " + m.diffuseMap, m, m, folder, true) + "\n";
}

}  // namespace

bool IsTextureKey(std::string_view key) {
  return key.starts_with("map_") || key == "bump" || key == "disp" || key == "decal" || key == "refl" ||
         key == "norm";
}

std::string ShortestFloat(float f) {
  char buf[32];
  return std::string(buf, std::to_chars(buf, buf + sizeof buf, f).ptr);
}

void ParseMtlText(std::string_view text, const std::string& folder,
                  std::unordered_map<std::string, Material>* out) {
  Material* current = nullptr;
  ForEachLine(text, [&](std::string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() == '#') return true;
    std::string_view rest = line;
    const std::string_view key = NextToken(rest);
    if (key == "newmtl") {
      const std::string name = CleanName(Trim(rest));
      current = &(*out)[name];
      *current = Material{};
      current->name = name;
      current->folder = folder;
      return true;
    }
    if (!current) return true;
    ReadField(key, rest, current);
    current->statements.emplace_back(line);
    return true;
  });
}

std::string MtlText(const std::vector<Material>& materials, const std::string& folder) {
  std::string text = "# materials\n";
  for (const Material& m : materials) {
    text += "newmtl " + m.name + "\n";
    if (m.statements.empty()) FieldsText(m, folder, &text);
    Material read;
    for (const std::string& statement : m.statements) {
      std::string_view rest = statement;
      const std::string_view key = NextToken(rest);
      ReadField(key, rest, &read);
    }
    for (size_t i = 0; i < m.statements.size(); ++i) {
      const std::string_view key = KeyOf(m.statements[i]);
      const bool last = std::none_of(m.statements.begin() + static_cast<std::ptrdiff_t>(i) + 1, m.statements.end(),
                                     [&](const std::string& later) { return KeyOf(later) == key; });
      text += StatementFor(m.statements[i], m, read, folder, last) + "\n";
    }
    text += "\n";
  }
  return text;
}

}  // namespace tsxhost::detail
