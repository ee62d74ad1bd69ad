#include "SceneDocument.h"

#include <QFile>
#include <QFileInfo>

#include <utility>

#include "ObjFile.h"
#include "PluginModule.h"
#include "Scene.h"

SceneDocument::SceneDocument(PluginModule* plugin, QObject* parent)
    : QObject(parent), plugin_(plugin) {
  if (plugin_) connect(plugin_, &PluginModule::idle, this, &SceneDocument::refresh);
  rebuild();
}

bool SceneDocument::open(const QString& path, QString* error) {
  auto load = [this, path](QString* why) {
    const tsxhost::ObjResult r = tsxhost::LoadObj(QFile::encodeName(path).toStdString());
    if (!r.ok) {
      *why = QString::fromStdString(r.error);
      return false;
    }
    opened_.append(QFileInfo(path).canonicalFilePath());
    rebuild();
    return true;
  };
  if (plugin_ && plugin_->busy()) {
    edit(tr("Opening %1").arg(path), [this, load] {
      QString why;
      if (!load(&why)) emit failed(why);
    });
    return true;
  }
  QString why;
  const bool ok = load(&why);
  if (!ok && error) *error = why;
  return ok;
}

bool SceneDocument::save(const QString& path, const std::vector<tsxSOBJ>& objects,
                         QString* error) const {
  std::string why;
  if (tsxhost::SaveObj(QFile::encodeName(path).toStdString(), objects, &why)) return true;
  if (error) *error = QString::fromStdString(why);
  return false;
}

bool SceneDocument::openedFrom(const QString& path) const {
  const QString canonical = QFileInfo(path).canonicalFilePath();
  return !canonical.isEmpty() && opened_.contains(canonical);
}

void SceneDocument::remove(tsxSOBJ obj) {
  edit(tr("Deleting %1").arg(QString::fromStdString(tsxhost::ObjectName(obj))), [this, obj] {
    if (!tsxhost::InScene(obj)) return;
    tsxSobjDelete(obj);
    if (selection_ == obj) select(0);
    rebuild();
  });
}

void SceneDocument::place(tsxSOBJ obj, const PlacementEdit& change) {
  // Worked out when applied, so that queued edits add up.
  edit(tr("Placing %1").arg(QString::fromStdString(tsxhost::ObjectName(obj))),
       [this, obj, change] {
         if (!tsxhost::InScene(obj)) return;
         CtsxVector3f axes{};
         tsxGNodeGetAxesPosition(obj, &axes);
         const CtsxTxmx3f delta = EditTransform(change, axes);
         tsxhost::SetTransform(obj, Compose(delta, tsxhost::GetTransform(obj)));
         tsxhost::SetAxesPosition(obj, Apply(delta, axes));
         rebuild();
       });
}

void SceneDocument::select(tsxSOBJ obj) {
  // The plug-in reads the selection only when asked to pick, so a change
  // never disturbs a running join.
  if (obj != 0 && !tsxhost::InScene(obj)) obj = 0;
  tsxhost::SetSelection(obj);
  if (obj == selection_) return;
  selection_ = obj;
  emit selectionChanged(obj);
}

void SceneDocument::edit(const QString& what, std::function<void()> change) {
  if (plugin_ && plugin_->busy()) {
    pending_.push_back(std::move(change));
    ++deferred_;
    emit deferred(what);
    return;
  }
  change();
}

void SceneDocument::refresh() {
  if (plugin_ && plugin_->busy()) return;
  auto queued = std::exchange(pending_, {});
  for (auto& change : queued) change();
  if (!queued.empty()) emit appliedDeferred(int(queued.size()));
  if (tsxhost::SceneObjects() != objects_) rebuild();
  if (selection_ != 0 && !tsxhost::InScene(selection_)) select(0);
}

void SceneDocument::rebuild() {
  objects_ = tsxhost::SceneObjects();
  geometry_ = BuildSceneGeometry(objects_);
  emit sceneChanged();
}
