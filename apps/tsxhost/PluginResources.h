// The bitmap and string a module names in its identity record, read from
// the Qt resources it registered when it was loaded.
#pragma once

#include <QPixmap>
#include <QString>

#include <cstdint>

namespace hostapp {

// Null pixmap / empty text when the module carries no such resource.
QPixmap PluginBitmap(const QString& modulePath, uint16_t id);
QString PluginString(const QString& modulePath, uint16_t id);

}  // namespace hostapp
