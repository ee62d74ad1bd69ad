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
#include <optional>
#include <set>
#include <vector>

#include "apps/tsxhost/SceneGeometry.h"
#include "apps/tsxhost/TransformMath.h"
#include "host/obj/ObjFile.h"
#include "interface/tsxapi.h"

class PluginModule;

class SceneDocument : public QObject {
  Q_OBJECT

 public:
  explicit SceneDocument(PluginModule* plugin, QObject* parent = nullptr);

  // Adds the objects of a scene file, read in the background with a
  // progress dialog. False with *error set when the file is refused, or
  // left empty when the user cancelled (nothing is added then); a deferred
  // load answers true and reports a refusal through failed().
  bool open(const QString& path, QString* error);
  // Replaces the scene by the file's objects and starts a new history; the
  // old scene stays when the file is refused.
  bool openReplacing(const QString& path, QString* error);
  // An empty scene without a file and a new history.
  void newScene();
  // Writes objects in the format of the path's extension (OBJ: with its MTL
  // beside it), each as it is placed, in the background with a progress
  // dialog; the old file stays whole when the write fails or the user
  // cancels it (then *error is left empty). `warnings`: what the format
  // could not hold.
  bool save(const QString& path, const std::vector<tsxSOBJ>& objects, QString* error,
            QStringList* warnings = nullptr) const;
  // Told of each object a plug-in added, before it is recorded (to name
  // it, say).
  void setAddedByPlugin(std::function<void(tsxSOBJ)> told) { addedByPlugin_ = std::move(told); }
  // How files are read (resources outside the scene's folder, limits).
  void setReadOptions(const tsxhost::ObjReadOptions& options) { readOptions_ = options; }
  // Whether the plug-in or a file being read or written holds the host's
  // scene: edits wait until it is free again.
  bool busy() const;
  // Whether the scene's objects were read from this file (then writing
  // only some of them over it would lose the others).
  bool openedFrom(const QString& path) const;

  void remove(tsxSOBJ obj);
  // Scales and turns the object about its axes, then moves it (and its
  // axes), by changing its vertex transform.
  void place(tsxSOBJ obj, const PlacementEdit& edit);
  // Selects `obj` alone (0: nothing).
  void select(tsxSOBJ obj);
  // Ctrl-click: adds `obj` to the selection, or takes it out.
  void toggleSelected(tsxSOBJ obj);
  // Selects these objects (those in the scene), the last one as selection().
  void setSelected(const std::vector<tsxSOBJ>& objects);
  void selectAll();
  void undo();
  void redo();

  // Shown or hidden in the view; hidden objects are neither drawn nor
  // picked, but stay in the scene (and in saved files).
  void setShown(tsxSOBJ obj, bool shown);
  bool isShown(tsxSOBJ obj) const { return hidden_.count(obj) == 0; }

  // The file the scene was last read from or saved to; empty for none.
  const QString& fileName() const { return fileName_; }
  // Records that the scene now matches `path`.
  void markSaved(const QString& path);
  bool isModified() const { return !history_.isClean(); }
  QUndoStack* history() { return &history_; }

  // The object a single-object command acts on (the plug-in's pick, Delete,
  // Placement): the one last chosen.
  tsxSOBJ selection() const { return selection_; }
  // Every selected object, in the order chosen; selection() is the last.
  const std::vector<tsxSOBJ>& selectedObjects() const { return selected_; }
  // Records objects a host command added as one undoable step.
  void recordCommand(const QString& text, const std::vector<tsxSOBJ>& added) { recordAdded(text, added); }
  const std::vector<tsxSOBJ>& objects() const { return objects_; }
  const SceneGeometry& geometry() const { return geometry_; }
  // Edits waiting for the plug-in to return.
  int pendingEdits() const { return int(pending_.size()); }
  // Edits that had to wait since the document was made.
  int deferredEdits() const { return deferred_; }

  // Picks up objects added or removed behind the document's back (the
  // plug-in's result) and applies queued edits; runs whenever the plug-in
  // becomes idle.
  void refresh();

 signals:
  void sceneChanged();      // the object list or some geometry changed
  void selectionChanged(tsxSOBJ obj);  // also when only selectedObjects() changed
  void deferred(const QString& what);
  void appliedDeferred(int count);  // queued edits have now been made
  void failed(const QString& message);
  void warned(const QString& message);  // what a file read could not take
  void modifiedChanged(bool modified);
  void fileNameChanged(const QString& path);

 private:
  void edit(const QString& what, std::function<void()> change);
  void rebuild();
  // After an edit: the list, the geometry, a selection that left the scene.
  void sceneEdited();
  // The same, only when objects came or went behind the document's back.
  void catchUp();
  // Adds the file's objects, recorded as one step; false when refused.
  bool load(const QString& path, QString* why);
  tsxhost::ObjResult readInBackground(const QString& path);
  bool keepRead(tsxhost::ObjResult* r, QString* why);
  // Records objects already added as one step ("Add <first>" unless named).
  void recordAdded(const QString& text, const std::vector<tsxSOBJ>& added);
  void startHistory(const QString& path);
  // Drops selected objects that left the scene.
  void pruneSelection();
  std::vector<tsxSOBJ> shownObjects() const;

  PluginModule* plugin_;
  std::vector<tsxSOBJ> objects_;
  SceneGeometry geometry_;
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
