#include "apps/tsxhost/RecentFiles.h"

#include <QFileInfo>
#include <QMenu>
#include <QSettings>

namespace {
const QString kKey = QStringLiteral("recentFiles");
}

RecentFiles::RecentFiles(QMenu* menu, QObject* parent) : QObject(parent), menu_(menu) {
  fillMenu();
}

QStringList RecentFiles::files() const { return QSettings().value(kKey).toStringList(); }

void RecentFiles::add(const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  QStringList list = files();
  list.removeAll(absolute);
  list.prepend(absolute);
  while (list.size() > kMax) list.removeLast();
  QSettings().setValue(kKey, list);
  fillMenu();
}

void RecentFiles::fillMenu() {
  menu_->clear();
  const QStringList list = files();
  for (int i = 0; i < list.size(); ++i) {
    const QString path = list[i];
    QAction* action = menu_->addAction(tr("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()));
    action->setToolTip(path);
    connect(action, &QAction::triggered, this, [this, path] { emit chosen(path); });
  }
  menu_->setEnabled(!list.isEmpty());
}
