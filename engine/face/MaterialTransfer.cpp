#include "engine/face/MaterialTransfer.h"

#include <algorithm>
#include <span>
#include <string_view>

#include "engine/common/Progress.h"
#include "interface/tsxapi.h"

namespace spl {
namespace {

constexpr int16_t kMaterialDestroyVersion = 410;
constexpr int32_t kMaterialInterval = 20;

bool MayDestroyMaterials() { return JoinState.HostVersion >= kMaterialDestroyVersion; }

// The one material handle that carries each source face's settings to its
// result face.
class WorkingMaterial {
 public:
  WorkingMaterial() { tsxMaterialCreate(&handle_); }
  ~WorkingMaterial() { Destroy(); }
  WorkingMaterial(const WorkingMaterial&) = delete;
  WorkingMaterial& operator=(const WorkingMaterial&) = delete;

  // Fills the material from `source`'s material `index`, or, when the host
  // cannot hand that one out, makes it a copy of the active material. A
  // run of faces with one material is filled once: the handle already
  // holds it.
  void Fill(HostObject source, uint16_t index) {
    if (source == filledFrom_ && index == filledIndex_) return;
    filledFrom_ = 0;
    if (tsxPolyhGetMaterial(source, index, handle_) != 0) {
      filledFrom_ = source;
      filledIndex_ = index;
      return;
    }
    const tsxMATERIAL replaced = handle_;
    if (tsxMaterialCreateCopyActive(&handle_) == 0 && handle_ != replaced &&
        MayDestroyMaterials()) {
      tsxMaterialDestroy(replaced);  // never used again
    }
  }
  tsxMATERIAL Handle() const { return handle_; }
  // Older hosts do not let a plug-in destroy materials: there it stays.
  void Destroy() {
    if (handle_ != 0 && MayDestroyMaterials()) tsxMaterialDestroy(handle_);
    handle_ = 0;
    filledFrom_ = 0;
  }

 private:
  tsxMATERIAL handle_ = 0;
  HostObject filledFrom_ = 0;  // 0: the handle holds no source's material
  uint16_t filledIndex_ = 0;
};

// One run of source faces onto result faces from `firstResultFace` on,
// the faces in `skip` (rising) left out. False when an abort stopped it.
bool PaintRun(JoinProgress& progress, HostObject result, HostObject source, int32_t firstResultFace,
              std::span<const int32_t> skip, std::string_view text, WorkingMaterial& material,
              std::span<const FaceRepeat> repeats = {}) {
  const int32_t count = tsxPolyhGetNbrFaces(source);
  CtsxFace** faces = tsxPolyhGetFaceptrArray(source);
  if (!faces) return true;  // nothing to paint from
  int32_t j = firstResultFace;
  auto next = std::find_if(skip.begin(), skip.end(), [](int32_t s) { return s >= 0; });
  auto repeat = repeats.begin();
  for (int32_t i = 0; i < count; ++i) {
    if (next != skip.end() && *next == i) {
      ++next;
    } else {
      while (repeat != repeats.end() && repeat->face < i) ++repeat;
      const int32_t copies = repeat != repeats.end() && repeat->face == i ? repeat->count : 1;
      material.Fill(source, faces[i]->materialIndex);
      for (int32_t k = 0; k < copies; ++k) tsxPolyhPaintFace(result, j++, material.Handle(), 0);
    }
    if (!ReportProgress(progress, kMaterialInterval, text, kMaterialInterval)) return false;
  }
  return true;
}

}  // namespace

void TransferMaterials(JoinProgress& progress, HostObject result, HostObject first, HostObject second) {
  const int32_t skipA[] = {JoinState.JunctionFaceA};
  const int32_t skipB[] = {JoinState.JunctionFaceB};
  TransferMaterialsSkipping(progress, result, first, second, skipA, skipB);
}

void TransferMaterialsSkipping(JoinProgress& progress, HostObject result, HostObject first, HostObject second,
                               std::span<const int32_t> skipA, std::span<const int32_t> skipB) {
  constexpr std::string_view kFirstRun = "Copying materials(1)...";
  constexpr std::string_view kSecondRun = "Copying materials(2)...";
  const int32_t nA = tsxPolyhGetNbrFaces(first);
  WorkingMaterial material;
  // Every progress call is followed by a test: an abort seen by an
  // announcement would otherwise be reported again by the next call.
  const bool done =
      AnnounceStage(progress, kFirstRun) &&
      PaintRun(progress, result, first, 0, skipA, kFirstRun, material) &&
      AnnounceStage(progress, kSecondRun) &&
      PaintRun(progress, result, second, nA - static_cast<int32_t>(skipA.size()), skipB, kSecondRun, material);
  if (done) return;
  material.Destroy();
  if (result != 0) tsxSobjDelete(result);
}

bool TransferMaterialRuns(JoinProgress& progress, HostObject result, std::span<const MaterialRun> runs,
                          std::string_view text) {
  WorkingMaterial material;
  for (const MaterialRun& run : runs) {
    if (!AnnounceStage(progress, text) ||
        !PaintRun(progress, result, run.source, run.firstResultFace, run.skip, text, material, run.repeats)) {
      return false;
    }
  }
  return true;
}

}  // namespace spl
