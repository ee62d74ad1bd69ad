// A plug-in module loaded with dlopen: its four entry points, the windows it
// opens, and how deeply the host is inside it right now.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <vector>

namespace hostapp {

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
  bool Load(const QString& path);
  // Deactivates the plug-in and unloads it. Refuses (false) while a call
  // into the module is on the stack.
  bool Unload();
  bool Loaded() const { return handle_ != nullptr; }
  QString Error() const { return error_; }
  QString Path() const { return path_; }

  PluginIdentity Identity() const { return identity_; }

  // The entry points; each does nothing when no module is loaded.
  int32_t LeftClick();
  void RightClick();
  void Deactivate();

  // True while the host is inside the module: an entry point, or an event
  // dispatched to one of the module's windows (a join runs inside such an
  // event and lets the host's events run in its progress calls).
  bool Busy() const { return depth_ > 0; }
  // Whether `w` belongs to one of the windows the module opened.
  bool OwnsWidget(const QWidget* w) const;
  // Brackets a call into the module; the last leave() emits idle().
  void Enter() { ++depth_; }
  void Leave();

 signals:
  // The host has just left the module's code for good (depth back to 0).
  void Idle();

 private:
  template <typename Call>
  auto CallIn(Call call);
  void NoteNewWindows(const std::vector<QWidget*>& before);

  void* handle_ = nullptr;
  QString path_;
  QString error_;
  PluginIdentity identity_{};
  int depth_ = 0;
  std::vector<QPointer<QWidget>> windows_;

  using GetData = void (*)(void*, int32_t);
  using LeftClickFn = int32_t (*)();
  using NoArgs = void (*)();
  LeftClickFn leftClick_ = nullptr;
  NoArgs deactivate_ = nullptr;
  NoArgs rightClick_ = nullptr;
};

}  // namespace hostapp
