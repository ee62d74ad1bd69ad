#include "apps/tsxhost/HostPrompts.h"

#include <QFileDialog>
#include <QMessageBox>

namespace {

const QString kObjFilter = QObject::tr(
    "Scenes (*.obj *.gltf *.glb *.ply *.stl);;Wavefront OBJ (*.obj);;glTF 2.0 (*.gltf *.glb);;"
    "PLY (*.ply);;STL (*.stl);;All files (*)");

class Dialogs : public HostPrompts {
 public:
  Unsaved askUnsaved(QWidget* parent, const QString& name) override {
    const auto answer = QMessageBox::warning(
        parent, QObject::tr("Unsaved changes"),
        QObject::tr("Save the changes to %1 first?").arg(name),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Save) return Unsaved::Save;
    return answer == QMessageBox::Discard ? Unsaved::Discard : Unsaved::Cancel;
  }
  void reportError(QWidget* parent, const QString& title, const QString& text) override {
    QMessageBox::warning(parent, title, text);
  }
  bool confirm(QWidget* parent, const QString& title, const QString& text) override {
    return QMessageBox::question(parent, title, text) == QMessageBox::Yes;
  }
  QString openPath(QWidget* parent, const QString& title, const QString& folder) override {
    return QFileDialog::getOpenFileName(parent, title, folder, kObjFilter);
  }
  QString savePath(QWidget* parent, const QString& title, const QString& folder) override {
    return QFileDialog::getSaveFileName(parent, title, folder, kObjFilter);
  }
};

}  // namespace

HostPrompts& DialogPrompts() {
  static Dialogs dialogs;
  return dialogs;
}
