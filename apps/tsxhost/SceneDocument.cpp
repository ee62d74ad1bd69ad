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
  if (plugin_) connect(plugin_, &PluginModule::idle, this, &SceneDocument::refresh);
  connect(&history_, &QUndoStack::cleanChanged, this,
          [this](bool clean) { emit modifiedChanged(!clean); });
  rebuild();
}

tsxhost::ObjResult SceneDocument::readInBackground(const QString& path) {
  tsxhost::ObjResult r;
  const std::string file = QFile::encodeName(path).toStdString();
  cancelled_ = !RunInBackground(nullptr, tr("Opening %1").arg(QFileInfo(path).fileName()), [&](TaskProgress& progress) {
    tsxhost::ObjReadOptions options = readOptions_;
    // Stopped here, the reader process is stopped too.
    options.progress = [&progress](int64_t done, int64_t total) { return progress.report(done, total); };
    r = tsxhost::LoadScene(file, options);
    if (!r.ok || progress.cancelled()) return;
    // The view's copy of a large scene takes a while too: made here, it is
    // only swapped in once the read is kept.
    Prepared prepared;
    prepared.objects = shownObjects();
    prepared.geometry = BuildSceneGeometry(prepared.objects);
    prepared_ = std::move(prepared);
  });
  return r;
}

// A read the user cancelled that had already ended adds nothing either.
bool SceneDocument::keepRead(tsxhost::ObjResult* r, QString* why) {
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
  for (const std::string& w : r->warnings) emit warned(QString::fromStdString(w));
  return true;
}

bool SceneDocument::load(const QString& path, QString* why) {
  const std::vector<tsxSOBJ> before = tsxhost::SceneObjects();
  tsxhost::ObjResult r = readInBackground(path);
  if (!keepRead(&r, why)) return false;
  opened_.append(QFileInfo(path).canonicalFilePath());
  recordAdded(tr("Open %1").arg(QFileInfo(path).fileName()), Added(before, tsxhost::SceneObjects()));
  return true;
}

bool SceneDocument::busy() const { return (plugin_ && plugin_->busy()) || BackgroundTaskRunning(); }

bool SceneDocument::open(const QString& path, QString* error) {
  if (busy()) {
    edit(tr("Opening %1").arg(path), [this, path] {
      QString why;
      if (!load(path, &why)) emit failed(why);
    });
    return true;
  }
  QString why;
  const bool ok = load(path, &why);
  if (!ok && error) *error = why;
  return ok;
}

bool SceneDocument::openReplacing(const QString& path, QString* error) {
  auto replace = [this, path](QString* why) {
    // The old objects step aside (their names would clash) and come back
    // if the file is refused.
    std::vector<tsxhost::HeldObject> old;
    const std::vector<tsxSOBJ> scene = tsxhost::SceneObjects();
    for (auto it = scene.rbegin(); it != scene.rend(); ++it) old.push_back(tsxhost::TakeOut(*it));
    tsxhost::ObjResult r = readInBackground(path);
    if (!keepRead(&r, why)) {
      for (auto it = old.rbegin(); it != old.rend(); ++it) tsxhost::PutBack(*it);
      return false;
    }
    startHistory(path);
    return true;
  };
  if (busy()) {
    edit(tr("Opening %1").arg(path), [this, replace] {
      QString why;
      if (!replace(&why)) emit failed(why);
    });
    return true;
  }
  QString why;
  const bool ok = replace(&why);
  if (!ok && error) *error = why;
  return ok;
}

void SceneDocument::newScene() {
  edit(tr("New scene"), [this] {
    for (tsxSOBJ obj : tsxhost::SceneObjects()) tsxSobjDelete(obj);
    startHistory(QString());
  });
}

void SceneDocument::startHistory(const QString& path) {
  history_.clear();
  hidden_.clear();
  opened_.clear();
  if (!path.isEmpty()) opened_.append(QFileInfo(path).canonicalFilePath());
  fileName_ = path;
  emit fileNameChanged(path);
  emit modifiedChanged(false);
  sceneEdited();
}

bool SceneDocument::save(const QString& path, const std::vector<tsxSOBJ>& objects,
                         QString* error, QStringList* warnings) const {
  tsxhost::SaveResult r;
  const std::string file = QFile::encodeName(path).toStdString();
  // Stopped half-way, the write leaves every old file as it was.
  const bool finished = RunInBackground(nullptr, tr("Saving %1").arg(QFileInfo(path).fileName()),
                                        [&](TaskProgress& progress) {
                                          r = tsxhost::SaveScene(file, objects, [&progress](int64_t done, int64_t total) {
                                            return progress.report(done, total);
                                          });
                                        });
  if (warnings) {
    for (const std::string& w : r.warnings) warnings->append(QString::fromStdString(w));
  }
  if (!r.ok && error) *error = finished ? QString::fromStdString(r.error) : QString();
  return r.ok;
}

bool SceneDocument::openedFrom(const QString& path) const {
  const QString canonical = QFileInfo(path).canonicalFilePath();
  return !canonical.isEmpty() && opened_.contains(canonical);
}

void SceneDocument::markSaved(const QString& path) {
  history_.setClean();
  if (path == fileName_) return;
  fileName_ = path;
  emit fileNameChanged(path);
}

void SceneDocument::remove(tsxSOBJ obj) {
  edit(tr("Deleting %1").arg(NameOf(obj)), [this, obj] {
    if (!tsxhost::InScene(obj)) return;
    history_.push(new PresenceCommand(tr("Delete %1").arg(NameOf(obj)),
                                      PresenceCommand::Kind::Deletes, {obj}, false,
                                      [this] { sceneEdited(); }));
  });
}

void SceneDocument::place(tsxSOBJ obj, const PlacementEdit& change) {
  // Worked out when applied, so that queued edits add up.
  edit(tr("Placing %1").arg(NameOf(obj)), [this, obj, change] {
    if (!tsxhost::InScene(obj)) return;
    const Placement before = CurrentPlacement(obj);
    const CtsxTxmx3f delta = EditTransform(change, before.axes);
    const Placement after{Compose(delta, before.transform), Apply(delta, before.axes)};
    history_.push(new PlaceCommand(tr("Place %1").arg(NameOf(obj)), obj, before, after,
                                   [this] { sceneEdited(); }));
  });
}

void SceneDocument::undo() {
  edit(tr("Undo"), [this] { history_.undo(); });
}

void SceneDocument::redo() {
  edit(tr("Redo"), [this] { history_.redo(); });
}

void SceneDocument::select(tsxSOBJ obj) { setSelected(obj ? std::vector<tsxSOBJ>{obj} : std::vector<tsxSOBJ>{}); }

void SceneDocument::toggleSelected(tsxSOBJ obj) {
  if (obj == 0) return;
  std::vector<tsxSOBJ> chosen = selected_;
  const auto at = std::find(chosen.begin(), chosen.end(), obj);
  if (at == chosen.end()) {
    chosen.push_back(obj);
  } else {
    chosen.erase(at);
  }
  setSelected(chosen);
}

void SceneDocument::setSelected(const std::vector<tsxSOBJ>& objects) {
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
  emit selectionChanged(last);
}

void SceneDocument::selectAll() { setSelected(objects_); }

void SceneDocument::pruneSelection() {
  const bool gone = std::any_of(selected_.begin(), selected_.end(), [](tsxSOBJ o) { return !tsxhost::InScene(o); });
  if (gone) setSelected(selected_);
}

void SceneDocument::setShown(tsxSOBJ obj, bool shown) {
  if (shown == isShown(obj)) return;
  if (shown) {
    hidden_.erase(obj);
  } else {
    hidden_.insert(obj);
  }
  rebuild();
}

void SceneDocument::edit(const QString& what, std::function<void()> change) {
  if (busy()) {
    pending_.push_back(std::move(change));
    ++deferred_;
    emit deferred(what);
    return;
  }
  change();
}

void SceneDocument::refresh() {
  if (busy()) return;
  const std::vector<tsxSOBJ> fromPlugin = Added(objects_, tsxhost::SceneObjects());
  auto queued = std::exchange(pending_, {});
  for (auto& change : queued) change();
  if (!queued.empty()) emit appliedDeferred(int(queued.size()));
  // What the plug-in added is recorded after the edits that waited for it:
  // an undo asked for during the join meant the step the user saw then.
  std::vector<tsxSOBJ> added;
  for (tsxSOBJ obj : fromPlugin) {
    if (!tsxhost::InScene(obj)) continue;
    if (addedByPlugin_) addedByPlugin_(obj);
    added.push_back(obj);
  }
  recordAdded(QString(), added);
}

void SceneDocument::recordAdded(const QString& text, const std::vector<tsxSOBJ>& added) {
  if (!added.empty()) {
    QString label = text;
    if (label.isEmpty()) label = tr("Add %1").arg(NameOf(added.front()));
    history_.push(new PresenceCommand(label, PresenceCommand::Kind::Adds, added, true,
                                      [this] { sceneEdited(); }));
  }
  catchUp();
}

void SceneDocument::sceneEdited() {
  rebuild();
  pruneSelection();
}

void SceneDocument::catchUp() {
  if (tsxhost::SceneObjects() != objects_) rebuild();
  pruneSelection();
}

std::vector<tsxSOBJ> SceneDocument::shownObjects() const {
  std::vector<tsxSOBJ> shown;
  for (tsxSOBJ obj : tsxhost::SceneObjects()) {
    if (isShown(obj)) shown.push_back(obj);
  }
  return shown;
}

void SceneDocument::rebuild() {
  objects_ = tsxhost::SceneObjects();
  const std::vector<tsxSOBJ> shown = shownObjects();
  if (prepared_ && prepared_->objects == shown) {
    geometry_ = std::move(prepared_->geometry);
  } else {
    geometry_ = BuildSceneGeometry(shown);
  }
  prepared_.reset();
  emit sceneChanged();
}
