#include "apps/tsxhost/PluginModule.h"

#include <dlfcn.h>

#include <QApplication>
#include <QFileInfo>

#include <algorithm>
#include <cstring>

#include "interface/TsxPlug.h"

namespace hostapp {

namespace {

std::vector<QWidget*> windowsNow() {
  const QWidgetList list = QApplication::topLevelWidgets();
  return {list.begin(), list.end()};
}

// A text field of the identity record, bounded by its size when the
// module left it unterminated.
template <size_t N>
QString fieldText(const char (&field)[N]) {
  const void* end = std::memchr(field, 0, N);
  const size_t length = end ? static_cast<size_t>(static_cast<const char*>(end) - field) : N;
  return QString::fromLatin1(field, static_cast<qsizetype>(length));
}

}  // namespace

PluginModule::PluginModule(QObject* parent) : QObject(parent) {}

PluginModule::~PluginModule() { Unload(); }

bool PluginModule::Load(const QString& path) {
  Unload();
  error_.clear();
  if (!QFileInfo::exists(path)) {
    error_ = tr("The plug-in module %1 does not exist.").arg(path);
    return false;
  }
  void* handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    error_ = tr("The plug-in module %1 cannot be loaded: %2")
                 .arg(path, QString::fromLocal8Bit(dlerror()));
    return false;
  }
  auto* getData = reinterpret_cast<GetData>(dlsym(handle, "tsxGetData"));
  auto* leftClick = reinterpret_cast<LeftClickFn>(dlsym(handle, "tsxOnLeftClick"));
  auto* deactivate = reinterpret_cast<NoArgs>(dlsym(handle, "tsxDeactivate"));
  auto* rightClick = reinterpret_cast<NoArgs>(dlsym(handle, "tsxOnRightClick"));
  QStringList missing;
  if (!getData) missing << "tsxGetData";
  if (!leftClick) missing << "tsxOnLeftClick";
  if (!deactivate) missing << "tsxDeactivate";
  if (!rightClick) missing << "tsxOnRightClick";
  if (!missing.isEmpty()) {
    dlclose(handle);
    error_ = tr("%1 is not a plug-in module: it does not export %2.")
                 .arg(path, missing.join(", "));
    return false;
  }
  handle_ = handle;
  path_ = path;
  leftClick_ = leftClick;
  deactivate_ = deactivate;
  rightClick_ = rightClick;

  // The record is zeroed so that unterminated or unwritten fields read as
  // bounded, empty texts.
  tsxPlugInfo record{};
  const auto before = windowsNow();
  Enter();
  getData(&record, 0);
  NoteNewWindows(before);
  Leave();
  identity_.name = fieldText(record.name);
  identity_.maker = fieldText(record.maker);
  identity_.bitmapId = record.bitmapId;
  identity_.stringId = record.stringId;
  return true;
}

bool PluginModule::Unload() {
  if (!handle_) return true;
  if (Busy()) return false;
  Deactivate();
  // The module's shutdown destroys its windows.
  dlclose(handle_);
  handle_ = nullptr;
  leftClick_ = nullptr;
  deactivate_ = nullptr;
  rightClick_ = nullptr;
  windows_.clear();
  return true;
}

template <typename Call>
auto PluginModule::CallIn(Call call) {
  const auto before = windowsNow();
  Enter();
  struct Leave {
    PluginModule* self;
    const std::vector<QWidget*>& before;
    ~Leave() {
      self->NoteNewWindows(before);
      self->Leave();
    }
  } guard{this, before};
  return call();
}

int32_t PluginModule::LeftClick() {
  if (!leftClick_) return 0;
  return CallIn([this] { return leftClick_(); });
}

void PluginModule::RightClick() {
  if (rightClick_) CallIn([this] { rightClick_(); });
}

void PluginModule::Deactivate() {
  if (deactivate_) CallIn([this] { deactivate_(); });
}

void PluginModule::Leave() {
  if (--depth_ == 0) emit Idle();
}

void PluginModule::NoteNewWindows(const std::vector<QWidget*>& before) {
  for (QWidget* w : windowsNow()) {
    if (std::find(before.begin(), before.end(), w) != before.end()) continue;
    if (!OwnsWidget(w)) windows_.emplace_back(w);
  }
}

bool PluginModule::OwnsWidget(const QWidget* w) const {
  for (; w; w = w->parentWidget()) {
    const QWidget* window = w->window();
    for (const auto& own : windows_)
      if (own == window) return true;
    w = window;
  }
  return false;
}

}  // namespace hostapp
