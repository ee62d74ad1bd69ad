// glTF, PLY and STL in. The asset library reads the file in the reader
// process (splicer-asset-reader), never in the user's program: fuzzing
// found files on which the library crashes, and one damaged file must not
// take the modelling program, the command line or a Python session down
// with it. The process runs under limits on memory, processor time and
// wall time; whatever way it ends other than with a whole, sound answer,
// the file is refused and nothing enters the scene.
#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <new>
#include <span>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "host/formats/AssetFiles.h"
#include "host/formats/AssetStream.h"
#include "host/formats/ChildProcess.h"
#include "host/obj/TextLines.h"

namespace tsxhost::detail {
namespace {

constexpr const char* kReaderName = "splicer-asset-reader";
constexpr double kReaderSeconds = 600;

// The reader beside the library in the build tree, or where the install
// puts it relative to the library; SPLICER_ASSET_READER names another.
std::string ReaderProgram() {
  if (const char* path = std::getenv("SPLICER_ASSET_READER"); path && *path) return path;
  static const char anchor = 0;
  Dl_info info{};
  if (dladdr(&anchor, &info) && info.dli_fname) {
    std::error_code ec;
    const auto folder = std::filesystem::absolute(info.dli_fname, ec).parent_path();
    for (const auto& candidate : {folder / SPLICER_READER_FROM_LIBDIR / kReaderName, folder / kReaderName}) {
      if (std::filesystem::is_regular_file(candidate, ec)) return candidate.string();
    }
  }
  return kReaderName;
}

// The time the reader has: SPLICER_ASSET_READER_SECONDS when set (a plain
// decimal number of seconds above 0; anything else is refused, never
// silently replaced), else a few seconds and more for a bigger file.
struct TimeLimit {
  double seconds = 0;
  double perMib = 0;  // the reader adds this for each MiB of the files a scene refers to
  std::string error;
};

constexpr double kBaseSeconds = 30;
constexpr double kSecondsPerMib = 2;

TimeLimit ReaderTime(const std::string& path) {
  TimeLimit limit;
  if (const char* text = std::getenv("SPLICER_ASSET_READER_SECONDS")) {
    char* end = nullptr;
    const bool digits = *text && std::strspn(text, "0123456789.") == std::strlen(text);
    limit.seconds = digits ? std::strtod(text, &end) : 0;
    if (!digits || *end != '\0' || !(limit.seconds > 0) || !std::isfinite(limit.seconds)) {
      limit.error = "SPLICER_ASSET_READER_SECONDS is '" + ForDisplay(text, 40) +
                    "'; it must be a number of seconds above 0, such as 30 or 2.5";
    }
    return limit;
  }
  std::error_code ec;
  const auto bytes = std::filesystem::file_size(path, ec);
  limit.seconds = kBaseSeconds + (ec ? 0 : kSecondsPerMib * static_cast<double>(bytes) / (1 << 20));
  limit.perMib = kSecondsPerMib;
  return limit;
}

// The reader may use as much memory as the machine has, and no more.
unsigned long long MemoryMib() {
  const long pages = sysconf(_SC_PHYS_PAGES), size = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || size <= 0) return 0;
  return (static_cast<unsigned long long>(pages) * static_cast<unsigned long long>(size)) >> 20;
}

std::string Seconds(double s) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", s);
  return text;
}

// Seconds in the plain decimal form the reader takes.
std::string SecondsArgument(double s) {
  char text[48];
  std::snprintf(text, sizeof text, "%.3f", s);
  return text;
}

// Why the reader's answer cannot be used, or empty when it can.
std::string Failure(const ChildOutcome& run, const std::string& program, const TimeLimit& limit, double waited) {
  const double seconds = limit.seconds;
  using Ending = ChildOutcome::Ending;
  switch (run.ending) {
    case Ending::NotStarted: return "the reader program " + program + " could not be started: " + run.why;
    case Ending::TimedOut: return "the reader took longer than " + Seconds(waited) + " s";
    case Ending::OutputTooLong: return "the reader's answer is too long";
    case Ending::Stopped: return "its answer was refused";
    case Ending::Cancelled: return kReadingStopped;
    case Ending::Signalled:
      if (run.status == SIGXCPU) return "the reader used more than " + Seconds(std::ceil(seconds)) + " s of processor time";
      // The reader's own watch: its time, and more for what a scene refers to.
      if (run.status == SIGALRM) {
        return "the reader took longer than " + Seconds(seconds) + " s" +
               (limit.perMib > 0 ? " (and " + Seconds(limit.perMib) + " s for each MiB of the files it refers to)" : "");
      }
      return "the reader stopped on signal " + std::to_string(run.status);
    case Ending::Exited:
      if (run.status != 0) return "the reader stopped with status " + std::to_string(run.status);
      return {};
  }
  return {};
}

// Names made unique within a file: the second "A" is "A.2", the next "A.3"
// (or past a ".N" the file uses itself). Each name resumes counting where
// the last of its kind stopped, so many objects of one name take linear
// time.
class UniqueNames {
 public:
  std::string Take(const std::string& name, std::vector<std::string>& warnings, const std::string& file) {
    std::string unique = name;
    if (names_.count(unique)) {
      int& n = next_.try_emplace(name, 2).first->second;
      do {
        unique = name + "." + std::to_string(n++);
      } while (names_.count(unique));
      // The first renaming is said; the rest are counted, said once at the end.
      auto& [count, last] = renamed_[name];
      if (++count == 1) warnings.push_back(file + ": a second object named '" + name + "' is read as '" + unique + "'");
      last = unique;
    }
    names_.insert(unique);
    return unique;
  }
  void Finish(std::vector<std::string>& warnings, const std::string& file) const {
    for (const auto& [name, renamed] : renamed_) {
      if (renamed.first < 2) continue;
      warnings.push_back(file + ": " + std::to_string(renamed.first - 1) + " more objects named '" + name +
                         "' are numbered on, up to '" + renamed.second + "'");
    }
  }

 private:
  std::unordered_set<std::string> names_;
  std::unordered_map<std::string, int> next_;
  std::map<std::string, std::pair<size_t, std::string>> renamed_;  // count, last name given
};

// PLY and STL hold one object, so objects written together come back as
// one, and STL's corners, welded where they coincide, close the seams
// between them: what the object read shows of that is said. Flat arrays
// and one sort, since a big scan or print is exactly where this runs.
}  // namespace

OneObjectShape ShapeOf(const FlatMesh& mesh) {
  OneObjectShape shape;
  std::vector<int32_t> parent(mesh.vertices.size());
  for (size_t v = 0; v < parent.size(); ++v) parent[v] = static_cast<int32_t>(v);
  const auto root = [&parent](int32_t v) {
    while (parent[v] != v) v = parent[v] = parent[parent[v]];
    return v;
  };
  std::vector<bool> used(parent.size(), false);
  // Each face's corners sorted, so that faces over the same corners compare equal.
  std::vector<int32_t> sorted(mesh.corners.size());
  const size_t faces = mesh.faceStart.size() - 1;
  std::vector<std::pair<uint64_t, uint32_t>> keys(faces);
  for (size_t f = 0; f < faces; ++f) {
    const uint32_t begin = mesh.faceStart[f], end = mesh.faceStart[f + 1];
    for (uint32_t i = begin; i < end; ++i) {
      const int32_t v = mesh.corners[i].vertex;
      sorted[i] = v;
      used[v] = true;
      parent[root(v)] = root(mesh.corners[begin].vertex);
    }
    std::sort(sorted.begin() + begin, sorted.begin() + end);
    uint64_t hash = 1469598103934665603ull ^ (end - begin);
    for (uint32_t i = begin; i < end; ++i) hash = (hash ^ static_cast<uint32_t>(sorted[i])) * 1099511628211ull;
    keys[f] = {hash, static_cast<uint32_t>(f)};
  }
  const auto cornersOf = [&](uint32_t f) {
    return std::span<const int32_t>(sorted.data() + mesh.faceStart[f], mesh.faceStart[f + 1] - mesh.faceStart[f]);
  };
  std::sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
    if (a.first != b.first) return a.first < b.first;
    const auto ca = cornersOf(a.second), cb = cornersOf(b.second);
    return std::lexicographical_compare(ca.begin(), ca.end(), cb.begin(), cb.end());
  });
  for (size_t k = 1; k < keys.size(); ++k) {
    const auto ca = cornersOf(keys[k - 1].second), cb = cornersOf(keys[k].second);
    shape.doubled += keys[k - 1].first == keys[k].first && std::equal(ca.begin(), ca.end(), cb.begin(), cb.end());
  }
  for (size_t v = 0; v < parent.size(); ++v) {
    shape.parts += used[v] && root(static_cast<int32_t>(v)) == static_cast<int32_t>(v);
  }
  return shape;
}

namespace {

std::vector<std::string> OneObjectNotes(const OneObjectShape& shape, const std::string& object,
                                        const std::string& label) {
  const std::string name = "'" + object + "'";
  std::vector<std::string> notes;
  if (shape.parts > 1) {
    notes.push_back(label + " holds one object: the file's " + std::to_string(shape.parts) +
                    " separate parts are read as one object " + name);
  }
  if (shape.doubled > 0) {
    notes.push_back(label + " holds one object: " + name + " has " + std::to_string(shape.doubled) + " face" +
                    (shape.doubled == 1 ? "" : "s") + " lying on another over the same corners, as where objects "
                    "written together touched");
  }
  return notes;
}

// Builds the objects of a reader's answer as they arrive, named as the OBJ
// reader would name them (cleaned, cut, unique within the file; PLY and STL
// objects, which have no name, after the file). Each object's arrays are let
// go once it is built: the caller holds the built objects and one object's
// arrays, never the whole answer. Nothing enters the scene before the end.
class AssetBuilder {
 public:
  // `oneObjectLabel` names a one-object format ("PLY", "STL"), whose lone
  // object is examined for what was written together; empty: none.
  AssetBuilder(const std::string& file, const std::string& oneObjectLabel)
      : file_(file), stem_(std::filesystem::path(file).stem().string()), oneObjectLabel_(oneObjectLabel) {
    for (tsxSOBJ obj : SceneObjects()) inScene_.insert(ObjectName(obj));
  }

  // False, with the error kept, when the object cannot join the scene.
  bool Take(AssetObject&& object) {
    std::string name = CleanName(object.name);
    if (name.empty()) name = CleanName(stem_);
    if (name.empty()) name = "object";
    name = names_.Take(name, namingWarnings_, file_);
    if (inScene_.count(name)) {
      error_ = file_ + ": a second object named '" + name + "'";
      return false;
    }
    for (Material& material : object.mesh.materials) {
      material.name = CleanName(material.name);
      if (material.name.empty()) material.name = Material{}.name;
      material.diffuseMap = ForDisplay(material.diffuseMap, kAssetTextLimit);
    }
    FlatMesh mesh = std::move(object.mesh);
    if (!oneObjectLabel_.empty() && built_.empty()) oneObjectNotes_ = OneObjectNotes(ShapeOf(mesh), name, oneObjectLabel_);
    built_.push_back(BuildFlatPolyhedron(name, mesh, BoundingBoxCentre(mesh.vertices)));
    if (!built_.back()) throw std::bad_alloc();
    return true;
  }

  const std::string& error() const { return error_; }

  // The objects into the scene, after the reader's own warnings.
  ObjResult Finish(const std::vector<std::string>& readerWarnings) {
    ObjResult result;
    for (const std::string& warning : readerWarnings) result.warnings.push_back(file_ + ": " + ForDisplay(warning));
    result.warnings.insert(result.warnings.end(), namingWarnings_.begin(), namingWarnings_.end());
    names_.Finish(result.warnings, file_);
    if (built_.size() == 1) {
      for (const std::string& note : oneObjectNotes_) result.warnings.push_back(file_ + ": " + note);
    }
    result.objects = AddToSceneAll(std::move(built_));
    result.ok = true;
    return result;
  }

 private:
  std::string file_, stem_, oneObjectLabel_, error_;
  std::vector<std::string> oneObjectNotes_;
  std::unordered_set<std::string> inScene_;
  UniqueNames names_;
  std::vector<std::string> namingWarnings_;
  std::vector<std::unique_ptr<Object>> built_;
};

ObjResult Refused(const std::string& file, const std::string& why) {
  ObjResult result;
  result.error = file + ": " + why;
  return result;
}

// Decodes the answer as it is fed and builds each object as it is whole.
class AnswerReader {
 public:
  explicit AnswerReader(const std::string& file, const std::string& oneObjectLabel = {})
      : file_(file), builder_(file, oneObjectLabel), decoder_([this](AssetObject&& object) {
          // A refusal comes with no objects worth building.
          return decoder_.refusal().empty() && builder_.Take(std::move(object));
        }) {}

  bool Feed(std::string_view bytes) {
    try {
      return decoder_.Feed(bytes);
    } catch (const std::bad_alloc&) {
      outOfMemory_ = true;
      return false;
    }
  }

  ObjResult Finish() {
    try {
      if (outOfMemory_) return NoMemory();
      const bool whole = decoder_.Finish();
      if (!whole && !decoder_.why().empty()) {
        return Refused(file_, "the file could not be read (the reader's answer is malformed: " + decoder_.why() + ")");
      }
      if (!decoder_.refusal().empty()) return Refused(file_, ForDisplay(decoder_.refusal(), 600));
      if (!builder_.error().empty()) {
        ObjResult result;
        result.error = builder_.error();
        return result;
      }
      return builder_.Finish(decoder_.warnings());
    } catch (const std::bad_alloc&) {
      return NoMemory();
    }
  }

 private:
  ObjResult NoMemory() const {
    ObjResult result = Refused(file_, "not enough memory");
    result.noMemory = true;
    return result;
  }

  std::string file_;
  AssetBuilder builder_;
  AssetStreamDecoder decoder_;
  bool outOfMemory_ = false;
};

}  // namespace

ObjResult ReadAssetStream(std::string_view stream, const std::string& file) {
  AnswerReader reader(file);
  reader.Feed(stream);
  return reader.Finish();
}

ObjResult LoadAsset(const std::string& path, FileFormat format, const ObjReadOptions& options) {
  const std::string program = ReaderProgram();
  const TimeLimit limit = ReaderTime(path);
  if (!limit.error.empty()) return Refused(path, "the file could not be read (" + limit.error + ")");
  if (std::string why; !IsRegularFile(path, &why)) return Refused(path, "cannot read the file: " + why);
  const unsigned long long memory = MemoryMib();
  std::vector<std::string> args{FormatWord(format), path, "--memory-mib", std::to_string(memory), "--seconds",
                                SecondsArgument(limit.seconds)};
  if (limit.perMib > 0) args.insert(args.end(), {"--seconds-per-mib", SecondsArgument(limit.perMib)});
  if (options.resourcesAnywhere) args.emplace_back("--resources-anywhere");
  if (options.maxFaces > 0) args.insert(args.end(), {"--max-faces", std::to_string(options.maxFaces)});
  // The reader says nothing until it is done: no bytes done until then.
  std::error_code ec;
  const auto size = static_cast<int64_t>(std::filesystem::file_size(path, ec));
  std::function<bool()> goOn;
  if (options.progress) goOn = [&options, size] { return options.progress(0, size); };
  // The caller's own watch: a reader that can be granted more time (for the
  // files a scene refers to) ends itself; this is the net under it.
  const double wait = limit.perMib > 0 ? std::max(limit.seconds, kReaderSeconds) : limit.seconds;
  // The answer is built into objects as it comes, never held whole.
  const bool oneObject = format == FileFormat::Ply || format == FileFormat::Stl;
  AnswerReader reader(path, oneObject ? (format == FileFormat::Ply ? "PLY" : "STL") : "");
  ChildOutcome run = RunChild(program, args, wait, memory > 0 ? static_cast<size_t>(memory << 20) : SIZE_MAX,
                              goOn, [&reader](std::string_view bytes) { return reader.Feed(bytes); });
  if (run.ending == ChildOutcome::Ending::Cancelled) return Refused(path, kReadingStopped);
  // Where the answer itself was at fault, the reader of it says how.
  if (run.ending == ChildOutcome::Ending::Stopped) return reader.Finish();
  if (std::string why = Failure(run, program, limit, wait); !why.empty()) {
    return Refused(path, "the file could not be read (" + why + ")");
  }
  return reader.Finish();
}

}  // namespace tsxhost::detail
