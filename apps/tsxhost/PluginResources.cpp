#include "apps/tsxhost/PluginResources.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace hostapp {

namespace {

// Resource files of a module live under its base name, e.g. ":/SPL0020/".
QStringList Candidates(const QString& modulePath, const QString& kind, uint16_t id,
                       const QStringList& suffixes) {
  const QString base = QFileInfo(modulePath).completeBaseName();
  QStringList out;
  for (const QString& prefix : {QString(":/%1/").arg(base), QString(":/")})
    for (const QString& suffix : suffixes) out << QString("%1%2/%3%4").arg(prefix, kind).arg(id).arg(suffix);
  return out;
}

}  // namespace

QPixmap PluginBitmap(const QString& modulePath, uint16_t id) {
  for (const QString& name : Candidates(modulePath, "bitmap", id, {".bmp", ".png", ""})) {
    QPixmap pixmap;
    if (QFile::exists(name) && pixmap.load(name)) return pixmap;
  }
  return {};
}

QString PluginString(const QString& modulePath, uint16_t id) {
  for (const QString& name : Candidates(modulePath, "string", id, {"", ".txt"})) {
    QFile file(name);
    if (file.open(QIODevice::ReadOnly)) return QString::fromUtf8(file.readAll()).trimmed();
  }
  return {};
}

}  // namespace hostapp
