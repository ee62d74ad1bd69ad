#include "apps/tsxhost/HostApplication.h"

#include <QWidget>

#include <cstdio>
#include <exception>

#include "apps/tsxhost/PluginModule.h"

namespace hostapp {

HostApplication::HostApplication(int& argc, char** argv)
    : QApplication(argc, argv) {}

bool HostApplication::notify(QObject* receiver, QEvent* event) {
  PluginModule* plugin = plugin_.data();
  const auto* widget = qobject_cast<const QWidget*>(receiver);
  const bool intoPlugin = plugin && widget && plugin->OwnsWidget(widget);
  if (intoPlugin) plugin->Enter();
  bool handled = false;
  try {
    handled = QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tsxhost: error in an event handler: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "tsxhost: unknown error in an event handler\n");
  }
  if (intoPlugin) plugin->Leave();
  return handled;
}

}  // namespace hostapp
