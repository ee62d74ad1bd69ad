#include "apps/tsxhost/RecentFiles.h"

#include <QFileInfo>
#include <QMenu>
#include <QSettings>

namespace hostapp {

namespace {
const QString kKey = QStringLiteral("recentFiles");
}

RecentFiles::RecentFiles(QMenu* menu, QObject* parent) : QObject(parent), menu_(menu) {
  FillMenu();
}

QStringList RecentFiles::Files() const { return QSettings().value(kKey).toStringList(); }

void RecentFiles::Add(const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  QStringList list = Files();
  list.removeAll(absolute);
  list.prepend(absolute);
  while (list.size() > kMax) list.removeLast();
  QSettings().setValue(kKey, list);
  FillMenu();
}

void RecentFiles::FillMenu() {
  menu_->clear();
  const QStringList list = Files();
  for (int i = 0; i < list.size(); ++i) {
    const QString path = list[i];
    QAction* action = menu_->addAction(tr("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()));
    action->setToolTip(path);
    connect(action, &QAction::triggered, this, [this, path] { emit Chosen(path); });
  }
  menu_->setEnabled(!list.isEmpty());
}

}  // namespace hostapp
