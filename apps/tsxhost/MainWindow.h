// The host's main view: the 3D view with the object list, the placement
// panel, the File and Edit menus, and the tool bar with the select tool and
// the plug-in's button.
#pragma once

#include <QMainWindow>

#include <memory>

#include "TransformMath.h"
#include "tsxapi.h"

namespace Ui {
class MainWindow;
}
class JoinReportPresenter;
class PluginModule;
class QAction;
class QListWidget;
class QToolButton;
class SceneDocument;
class SceneView;
class TransformPanel;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // `plugin` may hold no module; the window then has no plug-in button.
  MainWindow(PluginModule* plugin, SceneDocument* document, QWidget* parent = nullptr);
  ~MainWindow() override;

  // Reachable for tests and for the program's start-up.
  QToolButton* pluginButton() const { return pluginButton_; }
  QAction* selectTool() const;
  SceneView* view() const;
  QListWidget* objectList() const;
  TransformPanel* transformPanel() const;
  JoinReportPresenter* joinReports() const { return joinReports_; }

  void deleteSelected();
  void placeSelected(const PlacementEdit& edit);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void addPluginTool();
  void activatePlugin();
  void pluginRightClick();
  void selectToolChosen();
  void openScene();
  void saveScene();
  void exportSelected();
  void refreshList();
  void showSelection(tsxSOBJ obj);
  void listSelectionChanged();
  void pluginIdle();

  std::unique_ptr<Ui::MainWindow> ui;
  PluginModule* plugin_;
  SceneDocument* document_;
  QToolButton* pluginButton_ = nullptr;
  QAction* pluginAction_ = nullptr;
  bool pluginActive_ = false;
  bool closePending_ = false;
  JoinReportPresenter* joinReports_ = nullptr;
};
