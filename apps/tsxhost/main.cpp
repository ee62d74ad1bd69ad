// tsxhost: a small modelling host that loads a plug-in module.
#include <QFile>
#include <QGuiApplication>
#include <QMessageBox>

#include <cstdio>

#include "apps/ExitStatus.h"
#include "apps/tsxhost/HostApplication.h"
#include "apps/tsxhost/HostOptions.h"
#include "apps/tsxhost/MainWindow.h"
#include "apps/tsxhost/PluginModule.h"
#include "apps/tsxhost/RenderCommand.h"
#include "apps/tsxhost/SceneDocument.h"
#include "host/scene/Scene.h"

namespace hostapp {

namespace {

// -1: go on; otherwise the exit status (2 for bad usage, 0 after --help).
int ReadOptions(const QStringList& arguments, HostOptions* options) {
  QString error;
  bool exitNow = false;
  if (!ParseHostOptions(arguments, options, &error, &exitNow)) {
    std::fprintf(stderr, "error: %s\n", qPrintable(error));
    return exitstatus::kUsage;
  }
  return exitNow ? exitstatus::kOk : -1;
}

QStringList Arguments(int argc, char** argv) {
  QStringList out;
  for (int i = 0; i < argc; ++i) out << QString::fromLocal8Bit(argv[i]);
  return out;
}

int RenderHeadless(int argc, char** argv, const HostOptions& options) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  return RunRender(options);
}

bool HaveDisplay() {
  return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
         !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// Opens the start-up scenes as File > Open would: a file that cannot be
// read is reported and the others still open. Then selects by name.
void OpenStartScenes(const HostOptions& options, MainWindow& window, SceneDocument& document) {
  window.AddFiles(options.scenes);
  if (options.select.isEmpty()) return;
  const tsxSOBJ obj = tsxhost::FindObject(options.select.toStdString());
  if (!obj) {
    std::fprintf(stderr, "error: no object named '%s'\n", qPrintable(options.select));
    return;
  }
  document.Select(obj);
}

int RunInteractive(int argc, char** argv, const HostOptions& options) {
  if (!HaveDisplay()) {
    std::fprintf(stderr, "error: no display (use --render for pictures without one)\n");
    return exitstatus::kUsage;
  }
  HostApplication app(argc, argv);
  QCoreApplication::setOrganizationName(QStringLiteral("splicer"));
  QCoreApplication::setApplicationName(QStringLiteral("tsxhost"));

  PluginModule module;
  app.SetPlugin(&module);
  if (!options.noPlugin && !module.Load(options.module)) {
    std::fprintf(stderr, "error: %s\n", qPrintable(module.Error()));
    QMessageBox::warning(nullptr, "tsxhost",
                         module.Error() + "\n\nThe program runs without the plug-in.");
  }
  SceneDocument document(&module);
  tsxhost::ObjReadOptions read;
  read.resourcesAnywhere = options.resourcesAnywhere;
  document.SetReadOptions(read);
  MainWindow window(&module, &document);
  tsxhost::SetMainViewHwnd(window.winId());
  window.show();
  OpenStartScenes(options, window, document);
  const int status = app.exec();
  // Out of the module before its windows' owner and Qt go away.
  module.Unload();
  tsxhost::SetMainViewHwnd(0);
  return status;
}

}  // namespace

}  // namespace hostapp

int main(int argc, char** argv) {
  hostapp::HostOptions options;
  if (const int status = hostapp::ReadOptions(hostapp::Arguments(argc, argv), &options); status >= 0) return status;
  return options.render.isEmpty() ? hostapp::RunInteractive(argc, argv, options)
                                  : hostapp::RenderHeadless(argc, argv, options);
}
