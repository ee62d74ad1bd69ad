#include "apps/tsxhost/SceneDocument.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "apps/tsxhost/BackgroundTask.h"
#include "apps/tsxhost/PluginModule.h"
#include "apps/tsxhost/SceneCommands.h"
#include "host/formats/MeshFormats.h"
#include "host/scene/Scene.h"

namespace hostapp {

namespace {

QString NameOf(tsxSOBJ obj) { return QString::fromStdString(tsxhost::ObjectName(obj)); }

// Objects of `after` that `before` does not hold, in scene order.
std::vector<tsxSOBJ> Added(const std::vector<tsxSOBJ>& before, const std::vector<tsxSOBJ>& after) {
  std::vector<tsxSOBJ> added;
  for (tsxSOBJ obj : after) {
    if (std::find(before.begin(), before.end(), obj) == before.end()) added.push_back(obj);
  }
  return added;
}

}  // namespace

SceneDocument::SceneDocument(PluginModule* plugin, QObject* parent)
    : QObject(parent), plugin_(plugin) {
  if (plugin_) connect(plugin_, &PluginModule::Idle, this, &SceneDocument::Refresh);
  connect(&history_, &QUndoStack::cleanChanged, this,
          [this](bool clean) { emit ModifiedChanged(!clean); });
  Rebuild();
}

tsxhost::ObjResult SceneDocument::ReadInBackground(const QString& path) {
  tsxhost::ObjResult r;
  const std::string file = QFile::encodeName(path).toStdString();
  cancelled_ = !RunInBackground(nullptr, tr("Opening %1").arg(QFileInfo(path).fileName()), [&](TaskProgress& progress) {
    tsxhost::ObjReadOptions options = readOptions_;
    // Stopped here, the reader process is stopped too.
    options.progress = [&progress](int64_t done, int64_t total) { return progress.Report(done, total); };
    r = tsxhost::LoadScene(file, options);
    if (!r.ok || progress.Cancelled()) return;
    // The view's copy of a large scene takes a while too: made here, it is
    // only swapped in once the read is kept.
    Prepared prepared;
    prepared.objects = ShownObjects();
    prepared.geometry = BuildSceneGeometry(prepared.objects);
    prepared_ = std::move(prepared);
  });
  return r;
}

// A read the user cancelled that had already ended adds nothing either.
bool SceneDocument::KeepRead(tsxhost::ObjResult* r, QString* why) {
  if (!r->ok || cancelled_) prepared_.reset();
  if (r->ok && cancelled_) {
    for (tsxSOBJ obj : r->objects) tsxSobjDelete(obj);
    r->objects.clear();
    r->ok = false;
  }
  if (!r->ok) {
    *why = cancelled_ ? QString() : QString::fromStdString(r->error);
    return false;
  }
  for (const std::string& w : r->warnings) emit Warned(QString::fromStdString(w));
  return true;
}

bool SceneDocument::Load(const QString& path, QString* why) {
  const std::vector<tsxSOBJ> before = tsxhost::SceneObjects();
  tsxhost::ObjResult r = ReadInBackground(path);
  if (!KeepRead(&r, why)) return false;
  opened_.append(QFileInfo(path).canonicalFilePath());
  RecordAdded(tr("Open %1").arg(QFileInfo(path).fileName()), Added(before, tsxhost::SceneObjects()));
  return true;
}

bool SceneDocument::Busy() const { return (plugin_ && plugin_->Busy()) || BackgroundTaskRunning(); }

bool SceneDocument::Open(const QString& path, QString* error) {
  if (Busy()) {
    Edit(tr("Opening %1").arg(path), [this, path] {
      QString why;
      if (!Load(path, &why)) emit Failed(why);
    });
    return true;
  }
  QString why;
  const bool ok = Load(path, &why);
  if (!ok && error) *error = why;
  return ok;
}

bool SceneDocument::OpenReplacing(const QString& path, QString* error) {
  auto replace = [this, path](QString* why) {
    // The old objects step aside (their names would clash) and come back
    // if the file is refused.
    std::vector<tsxhost::HeldObject> old;
    const std::vector<tsxSOBJ> scene = tsxhost::SceneObjects();
    for (auto it = scene.rbegin(); it != scene.rend(); ++it) old.push_back(tsxhost::TakeOut(*it));
    tsxhost::ObjResult r = ReadInBackground(path);
    if (!KeepRead(&r, why)) {
      for (auto it = old.rbegin(); it != old.rend(); ++it) tsxhost::PutBack(*it);
      return false;
    }
    StartHistory(path);
    return true;
  };
  if (Busy()) {
    Edit(tr("Opening %1").arg(path), [this, replace] {
      QString why;
      if (!replace(&why)) emit Failed(why);
    });
    return true;
  }
  QString why;
  const bool ok = replace(&why);
  if (!ok && error) *error = why;
  return ok;
}

void SceneDocument::NewScene() {
  Edit(tr("New scene"), [this] {
    for (tsxSOBJ obj : tsxhost::SceneObjects()) tsxSobjDelete(obj);
    StartHistory(QString());
  });
}

void SceneDocument::StartHistory(const QString& path) {
  history_.clear();
  hidden_.clear();
  opened_.clear();
  if (!path.isEmpty()) opened_.append(QFileInfo(path).canonicalFilePath());
  fileName_ = path;
  emit FileNameChanged(path);
  emit ModifiedChanged(false);
  SceneEdited();
}

bool SceneDocument::Save(const QString& path, const std::vector<tsxSOBJ>& objects,
                         QString* error, QStringList* warnings) const {
  tsxhost::SaveResult r;
  const std::string file = QFile::encodeName(path).toStdString();
  // Stopped half-way, the write leaves every old file as it was.
  const bool finished = RunInBackground(nullptr, tr("Saving %1").arg(QFileInfo(path).fileName()),
                                        [&](TaskProgress& progress) {
                                          r = tsxhost::SaveScene(file, objects, [&progress](int64_t done, int64_t total) {
                                            return progress.Report(done, total);
                                          });
                                        });
  if (warnings) {
    for (const std::string& w : r.warnings) warnings->append(QString::fromStdString(w));
  }
  if (!r.ok && error) *error = finished ? QString::fromStdString(r.error) : QString();
  return r.ok;
}

bool SceneDocument::OpenedFrom(const QString& path) const {
  const QString canonical = QFileInfo(path).canonicalFilePath();
  return !canonical.isEmpty() && opened_.contains(canonical);
}

void SceneDocument::MarkSaved(const QString& path) {
  history_.setClean();
  if (path == fileName_) return;
  fileName_ = path;
  emit FileNameChanged(path);
}

void SceneDocument::Remove(tsxSOBJ obj) {
  Edit(tr("Deleting %1").arg(NameOf(obj)), [this, obj] {
    if (!tsxhost::InScene(obj)) return;
    history_.push(new PresenceCommand(tr("Delete %1").arg(NameOf(obj)),
                                      PresenceCommand::Kind::Deletes, {obj}, false,
                                      [this] { SceneEdited(); }));
  });
}

void SceneDocument::Place(tsxSOBJ obj, const PlacementEdit& change) {
  // Worked out when applied, so that queued edits add up.
  Edit(tr("Placing %1").arg(NameOf(obj)), [this, obj, change] {
    if (!tsxhost::InScene(obj)) return;
    const Placement before = CurrentPlacement(obj);
    const CtsxTxmx3f delta = EditTransform(change, before.axes);
    const Placement after{Compose(delta, before.transform), Apply(delta, before.axes)};
    history_.push(new PlaceCommand(tr("Place %1").arg(NameOf(obj)), obj, before, after,
                                   [this] { SceneEdited(); }));
  });
}

void SceneDocument::Undo() {
  Edit(tr("Undo"), [this] { history_.undo(); });
}

void SceneDocument::Redo() {
  Edit(tr("Redo"), [this] { history_.redo(); });
}

void SceneDocument::Select(tsxSOBJ obj) { SetSelected(obj ? std::vector<tsxSOBJ>{obj} : std::vector<tsxSOBJ>{}); }

void SceneDocument::ToggleSelected(tsxSOBJ obj) {
  if (obj == 0) return;
  std::vector<tsxSOBJ> chosen = selected_;
  const auto at = std::find(chosen.begin(), chosen.end(), obj);
  if (at == chosen.end()) {
    chosen.push_back(obj);
  } else {
    chosen.erase(at);
  }
  SetSelected(chosen);
}

void SceneDocument::SetSelected(const std::vector<tsxSOBJ>& objects) {
  std::vector<tsxSOBJ> chosen;
  std::unordered_set<tsxSOBJ> seen;
  for (tsxSOBJ obj : objects) {
    if (obj != 0 && tsxhost::InScene(obj) && seen.insert(obj).second) chosen.push_back(obj);
  }
  const tsxSOBJ last = chosen.empty() ? 0 : chosen.back();
  // The plug-in reads the selection only when asked to pick, so a change
  // never disturbs a running join.
  tsxhost::SetSelection(last);
  if (last == selection_ && chosen == selected_) return;
  selection_ = last;
  selected_ = std::move(chosen);
  emit SelectionChanged(last);
}

void SceneDocument::SelectAll() { SetSelected(objects_); }

void SceneDocument::PruneSelection() {
  const bool gone = std::any_of(selected_.begin(), selected_.end(), [](tsxSOBJ o) { return !tsxhost::InScene(o); });
  if (gone) SetSelected(selected_);
}

void SceneDocument::SetShown(tsxSOBJ obj, bool shown) {
  if (shown == IsShown(obj)) return;
  if (shown) {
    hidden_.erase(obj);
  } else {
    hidden_.insert(obj);
  }
  Rebuild();
}

void SceneDocument::Edit(const QString& what, std::function<void()> change) {
  if (Busy()) {
    pending_.push_back(std::move(change));
    ++deferred_;
    emit Deferred(what);
    return;
  }
  change();
}

void SceneDocument::Refresh() {
  if (Busy()) return;
  const std::vector<tsxSOBJ> fromPlugin = Added(objects_, tsxhost::SceneObjects());
  auto queued = std::exchange(pending_, {});
  for (auto& change : queued) change();
  if (!queued.empty()) emit AppliedDeferred(int(queued.size()));
  // What the plug-in added is recorded after the edits that waited for it:
  // an undo asked for during the join meant the step the user saw then.
  std::vector<tsxSOBJ> added;
  for (tsxSOBJ obj : fromPlugin) {
    if (!tsxhost::InScene(obj)) continue;
    if (addedByPlugin_) addedByPlugin_(obj);
    added.push_back(obj);
  }
  RecordAdded(QString(), added);
}

void SceneDocument::RecordAdded(const QString& text, const std::vector<tsxSOBJ>& added) {
  if (!added.empty()) {
    QString label = text;
    if (label.isEmpty()) label = tr("Add %1").arg(NameOf(added.front()));
    history_.push(new PresenceCommand(label, PresenceCommand::Kind::Adds, added, true,
                                      [this] { SceneEdited(); }));
  }
  CatchUp();
}

void SceneDocument::SceneEdited() {
  Rebuild();
  PruneSelection();
}

void SceneDocument::CatchUp() {
  if (tsxhost::SceneObjects() != objects_) Rebuild();
  PruneSelection();
}

std::vector<tsxSOBJ> SceneDocument::ShownObjects() const {
  std::vector<tsxSOBJ> shown;
  for (tsxSOBJ obj : tsxhost::SceneObjects()) {
    if (IsShown(obj)) shown.push_back(obj);
  }
  return shown;
}

void SceneDocument::Rebuild() {
  objects_ = tsxhost::SceneObjects();
  const std::vector<tsxSOBJ> shown = ShownObjects();
  if (prepared_ && prepared_->objects == shown) {
    geometry_ = std::make_shared<const SceneGeometry>(std::move(prepared_->geometry));
  } else {
    geometry_ = std::make_shared<const SceneGeometry>(BuildSceneGeometry(shown));
  }
  prepared_.reset();
  emit SceneChanged();
}

}  // namespace hostapp
