#include "apps/tsxhost/HostOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace hostapp {

QString DefaultModulePath() {
  // Read before the application object exists, so that bad usage is
  // answered without a display.
  const QString program = QCoreApplication::instance()
                              ? QCoreApplication::applicationFilePath()
                              : QFileInfo("/proc/self/exe").canonicalFilePath();
  const QDir programDir = QFileInfo(program).dir();
  // Beside the program, then where an install tree (moved or not) puts it,
  // then the one built with this program.
  const QString beside = programDir.filePath("SPL0020.tsx");
  if (QFileInfo::exists(beside)) return beside;
#ifdef TSXHOST_INSTALLED_MODULE
  const QString installed = QDir::cleanPath(programDir.filePath(TSXHOST_INSTALLED_MODULE));
  if (QFileInfo::exists(installed)) return installed;
#endif
#ifdef TSXHOST_BUILT_MODULE
  return QStringLiteral(TSXHOST_BUILT_MODULE);
#else
  return beside;
#endif
}

namespace {

bool ParseSize(const QString& text, QSize* size) {
  const QStringList parts = text.toLower().split('x');
  if (parts.size() != 2) return false;
  bool okW = false, okH = false;
  const int w = parts[0].toInt(&okW), h = parts[1].toInt(&okH);
  if (!okW || !okH || w < 1 || h < 1 || w > 16384 || h > 16384) return false;
  *size = QSize(w, h);
  return true;
}

}  // namespace

bool ParseHostOptions(const QStringList& arguments, HostOptions* o, QString* error,
                      bool* exitNow) {
  *exitNow = false;
  QCommandLineParser parser;
  parser.setApplicationDescription("A small modelling host for plug-in modules.");
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version("version", "Show the program's version and exit.");
  const QString defaultModule = DefaultModulePath();
  const QCommandLineOption module("module", QString("Plug-in module to load (default: %1).").arg(defaultModule),
                                  "PATH", defaultModule);
  const QCommandLineOption noPlugin("no-plugin", "Start without a plug-in module.");
  const QCommandLineOption render("render", "Draw SCENE headless and exit.", "SCENE");
  const QCommandLineOption out("out", "Picture to write with --render (PNG).", "PICTURE");
  const QCommandLineOption size("size", "Picture size, e.g. 800x600.", "WxH", "800x600");
  const QCommandLineOption select("select", "Select (and highlight) the object NAME.", "NAME");
  const QCommandLineOption zUp("z-up", "With --render: stand the scene with z up (default: y up).");
  const QCommandLineOption noEdges("no-edges", "With --render: draw no edges.");
  const QCommandLineOption anywhere("resources-anywhere",
                                    "Read glTF buffers and images and OBJ material libraries from outside the "
                                    "scene's folder too.");
  parser.addOptions({version, module, noPlugin, render, out, size, select, zUp, noEdges, anywhere});
  parser.addPositionalArgument("scene", "OBJ files to open.", "[SCENE.obj...]");
  if (!parser.parse(arguments)) {
    *error = parser.errorText();
    return false;
  }
  if (parser.isSet(help)) {
    std::fputs(qPrintable(parser.helpText().replace("<executable_name>", "tsxhost")), stdout);
    *exitNow = true;
    return true;
  }
  if (parser.isSet(version)) {
    std::printf("tsxhost %s\n", SPLICER_VERSION);
    *exitNow = true;
    return true;
  }
  o->module = parser.value(module);
  o->zUp = parser.isSet(zUp);
  o->edges = !parser.isSet(noEdges);
  o->noPlugin = parser.isSet(noPlugin);
  o->resourcesAnywhere = parser.isSet(anywhere);
  o->scenes = parser.positionalArguments();
  o->render = parser.value(render);
  o->out = parser.value(out);
  o->select = parser.value(select);
  if (!ParseSize(parser.value(size), &o->size)) {
    *error = QString("bad --size '%1': expected WxH, e.g. 800x600").arg(parser.value(size));
    return false;
  }
  if (!o->render.isEmpty() && o->out.isEmpty()) {
    *error = "--render needs --out PICTURE";
    return false;
  }
  return true;
}

}  // namespace hostapp
