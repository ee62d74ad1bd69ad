#include "apps/tsxhost/HostPrompts.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>

namespace hostapp {

namespace {

const QString kObjFilter = QObject::tr(
    "Scenes (*.obj *.gltf *.glb *.ply *.stl);;Wavefront OBJ (*.obj);;glTF 2.0 (*.gltf *.glb);;"
    "PLY (*.ply);;STL (*.stl);;All files (*)");

class Dialogs : public HostPrompts {
 public:
  Unsaved AskUnsaved(QWidget* parent, const QString& name) override {
    const auto answer = QMessageBox::warning(
        parent, QObject::tr("Unsaved changes"),
        QObject::tr("Save the changes to %1 first?").arg(name),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Save) return Unsaved::Save;
    return answer == QMessageBox::Discard ? Unsaved::Discard : Unsaved::Cancel;
  }
  void ReportError(QWidget* parent, const QString& title, const QString& text) override {
    QMessageBox::warning(parent, title, text);
  }
  bool Confirm(QWidget* parent, const QString& title, const QString& text) override {
    return QMessageBox::question(parent, title, text) == QMessageBox::Yes;
  }
  QString OpenPath(QWidget* parent, const QString& title, const QString& folder) override {
    return QFileDialog::getOpenFileName(parent, title, folder, kObjFilter);
  }
  QString SavePath(QWidget* parent, const QString& title, const QString& folder) override {
    QString filter;
    return WithSceneExtension(QFileDialog::getSaveFileName(parent, title, folder, kObjFilter, &filter), filter);
  }
};

}  // namespace

QString WithSceneExtension(const QString& path, const QString& filter) {
  if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty()) return path;
  // "Scenes (*.obj ...)" lists every format: the first one is OBJ too.
  const QRegularExpressionMatch first = QRegularExpression(R"(\*\.(\w+))").match(filter);
  return path + "." + (first.hasMatch() ? first.captured(1) : QStringLiteral("obj"));
}

HostPrompts& DialogPrompts() {
  static Dialogs dialogs;
  return dialogs;
}

}  // namespace hostapp
