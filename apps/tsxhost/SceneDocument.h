// The host's scene as the program edits it. While the plug-in is busy (a
// join lets the host's events run in its progress calls), edits that would
// change or free what the join reads are queued and applied once the
// plug-in has returned; reads and selection changes go through at once.
// Every scene edit is undoable: opening (adding objects), deleting,
// placing, and the objects a plug-in adds; undo and redo wait too.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUndoStack>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "apps/tsxhost/SceneGeometry.h"
#include "apps/tsxhost/TransformMath.h"
#include "host/obj/ObjFile.h"
#include "interface/tsxapi.h"

namespace hostapp {

class PluginModule;

class SceneDocument : public QObject {
  Q_OBJECT

 public:
  explicit SceneDocument(PluginModule* plugin, QObject* parent = nullptr);

  // Adds the objects of a scene file, read in the background with a
  // progress dialog. False with *error set when the file is refused, or
  // left empty when the user cancelled (nothing is added then); a deferred
  // load answers true and reports a refusal through failed().
  bool Open(const QString& path, QString* error);
  // Replaces the scene by the file's objects and starts a new history; the
  // old scene stays when the file is refused.
  bool OpenReplacing(const QString& path, QString* error);
  // An empty scene without a file and a new history.
  void NewScene();
  // Writes objects in the format of the path's extension (OBJ: with its MTL
  // beside it), each as it is placed, in the background with a progress
  // dialog; the old file stays whole when the write fails or the user
  // cancels it (then *error is left empty). `warnings`: what the format
  // could not hold.
  bool Save(const QString& path, const std::vector<tsxSOBJ>& objects, QString* error,
            QStringList* warnings = nullptr) const;
  // Told of each object a plug-in added, before it is recorded (to name
  // it, say).
  void SetAddedByPlugin(std::function<void(tsxSOBJ)> told) { addedByPlugin_ = std::move(told); }
  // How files are read (resources outside the scene's folder, limits).
  void SetReadOptions(const tsxhost::ObjReadOptions& options) { readOptions_ = options; }
  // Whether the plug-in or a file being read or written holds the host's
  // scene: edits wait until it is free again.
  bool Busy() const;
  // Whether the scene's objects were read from this file (then writing
  // only some of them over it would lose the others).
  bool OpenedFrom(const QString& path) const;

  void Remove(tsxSOBJ obj);
  // Scales and turns the object about its axes, then moves it (and its
  // axes), by changing its vertex transform.
  void Place(tsxSOBJ obj, const PlacementEdit& edit);
  // Selects `obj` alone (0: nothing).
  void Select(tsxSOBJ obj);
  // Ctrl-click: adds `obj` to the selection, or takes it out.
  void ToggleSelected(tsxSOBJ obj);
  // Selects these objects (those in the scene), the last one as selection().
  void SetSelected(const std::vector<tsxSOBJ>& objects);
  void SelectAll();
  void Undo();
  void Redo();

  // Shown or hidden in the view; hidden objects are neither drawn nor
  // picked, but stay in the scene (and in saved files).
  void SetShown(tsxSOBJ obj, bool shown);
  bool IsShown(tsxSOBJ obj) const { return hidden_.count(obj) == 0; }

  // The file the scene was last read from or saved to; empty for none.
  const QString& FileName() const { return fileName_; }
  // Records that the scene now matches `path`.
  void MarkSaved(const QString& path);
  bool IsModified() const { return !history_.isClean(); }
  QUndoStack* History() { return &history_; }

  // The object a single-object command acts on (the plug-in's pick, Delete,
  // Placement): the one last chosen.
  tsxSOBJ Selection() const { return selection_; }
  // Every selected object, in the order chosen; selection() is the last.
  const std::vector<tsxSOBJ>& SelectedObjects() const { return selected_; }
  // Records objects a host command added as one undoable step.
  void RecordCommand(const QString& text, const std::vector<tsxSOBJ>& added) { RecordAdded(text, added); }
  const std::vector<tsxSOBJ>& Objects() const { return objects_; }
  const SceneGeometry& Geometry() const { return *geometry_; }
  // The same, shared: a rebuild replaces it and never changes it, so a
  // renderer on another thread may keep drawing it.
  std::shared_ptr<const SceneGeometry> SharedGeometry() const { return geometry_; }
  // Edits waiting for the plug-in to return.
  int PendingEdits() const { return int(pending_.size()); }
  // Edits that had to wait since the document was made.
  int DeferredEdits() const { return deferred_; }

  // Picks up objects added or removed behind the document's back (the
  // plug-in's result) and applies queued edits; runs whenever the plug-in
  // becomes idle.
  void Refresh();

 signals:
  void SceneChanged();      // the object list or some geometry changed
  void SelectionChanged(tsxSOBJ obj);  // also when only selectedObjects() changed
  void Deferred(const QString& what);
  void AppliedDeferred(int count);  // queued edits have now been made
  void Failed(const QString& message);
  void Warned(const QString& message);  // what a file read could not take
  void ModifiedChanged(bool modified);
  void FileNameChanged(const QString& path);

 private:
  void Edit(const QString& what, std::function<void()> change);
  void Rebuild();
  // After an edit: the list, the geometry, a selection that left the scene.
  void SceneEdited();
  // The same, only when objects came or went behind the document's back.
  void CatchUp();
  // Adds the file's objects, recorded as one step; false when refused.
  bool Load(const QString& path, QString* why);
  tsxhost::ObjResult ReadInBackground(const QString& path);
  bool KeepRead(tsxhost::ObjResult* r, QString* why);
  // Records objects already added as one step ("Add <first>" unless named).
  void RecordAdded(const QString& text, const std::vector<tsxSOBJ>& added);
  void StartHistory(const QString& path);
  // Drops selected objects that left the scene.
  void PruneSelection();
  std::vector<tsxSOBJ> ShownObjects() const;

  PluginModule* plugin_;
  std::vector<tsxSOBJ> objects_;
  std::shared_ptr<const SceneGeometry> geometry_ = std::make_shared<const SceneGeometry>();
  tsxSOBJ selection_ = 0;
  std::vector<tsxSOBJ> selected_;
  std::vector<std::function<void()>> pending_;
  int deferred_ = 0;
  QStringList opened_;  // canonical paths of the files opened
  QUndoStack history_;
  QString fileName_;
  std::set<tsxSOBJ> hidden_;
  tsxhost::ObjReadOptions readOptions_;
  std::function<void(tsxSOBJ)> addedByPlugin_;
  bool cancelled_ = false;  // the last read was cancelled
  // The view's copy of the scene a read in the background left, for the
  // next rebuild when it shows these objects.
  struct Prepared {
    std::vector<tsxSOBJ> objects;
    SceneGeometry geometry;
  };
  std::optional<Prepared> prepared_;
};

}  // namespace hostapp
