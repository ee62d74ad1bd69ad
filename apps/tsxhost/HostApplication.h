// The host's application object: counts the events it dispatches to the
// plug-in's windows as calls into the plug-in.
#pragma once

#include <QApplication>
#include <QPointer>

#include "apps/tsxhost/PluginModule.h"

namespace hostapp {

class HostApplication : public QApplication {
  Q_OBJECT

 public:
  HostApplication(int& argc, char** argv);

  // The module whose windows' events count as plug-in calls (null: none).
  void SetPlugin(PluginModule* plugin) { plugin_ = plugin; }

  // Keeps exceptions inside the event handlers from leaving Qt's dispatch.
  bool notify(QObject* receiver, QEvent* event) override;

 private:
  QPointer<PluginModule> plugin_;
};

}  // namespace hostapp
