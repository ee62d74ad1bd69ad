// A plug-in module loaded with dlopen: its four entry points, the windows it
// opens, and how deeply the host is inside it right now.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <vector>

// What the module's tsxGetData wrote into its identity record (tsxPlugInfo).
struct PluginIdentity {
  QString name;
  QString maker;
  uint16_t bitmapId;
  uint16_t stringId;
};

class PluginModule : public QObject {
  Q_OBJECT

 public:
  explicit PluginModule(QObject* parent = nullptr);
  ~PluginModule() override;  // unloads

  // Loads the module at `path`; false with error() set when the file cannot
  // be loaded or one of the four entry points is missing (nothing stays
  // loaded then).
  bool load(const QString& path);
  // Deactivates the plug-in and unloads it. Refuses (false) while a call
  // into the module is on the stack.
  bool unload();
  bool loaded() const { return handle_ != nullptr; }
  QString error() const { return error_; }
  QString path() const { return path_; }

  PluginIdentity identity() const { return identity_; }

  // The entry points; each does nothing when no module is loaded.
  int32_t leftClick();
  void rightClick();
  void deactivate();

  // True while the host is inside the module: an entry point, or an event
  // dispatched to one of the module's windows (a join runs inside such an
  // event and lets the host's events run in its progress calls).
  bool busy() const { return depth_ > 0; }
  // Whether `w` belongs to one of the windows the module opened.
  bool ownsWidget(const QWidget* w) const;
  // Brackets a call into the module; the last leave() emits idle().
  void enter() { ++depth_; }
  void leave();

 signals:
  // The host has just left the module's code for good (depth back to 0).
  void idle();

 private:
  template <typename Call>
  auto callIn(Call call);
  void noteNewWindows(const std::vector<QWidget*>& before);

  void* handle_ = nullptr;
  QString path_;
  QString error_;
  PluginIdentity identity_{};
  int depth_ = 0;
  std::vector<QPointer<QWidget>> windows_;

  using GetData = void (*)(void*, int32_t);
  using LeftClick = int32_t (*)();
  using NoArgs = void (*)();
  LeftClick leftClick_ = nullptr;
  NoArgs deactivate_ = nullptr;
  NoArgs rightClick_ = nullptr;
};
