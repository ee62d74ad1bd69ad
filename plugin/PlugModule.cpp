#include "plugin/PlugModule.h"

#include <QApplication>
#include <cstddef>
#include <cstring>

#include "interface/TsxPlug.h"
#include "ui/TsxAbout.h"
#include "ui/TsxMain.h"

namespace spl::plug {
namespace {

bool HaveWidgetApplication() {
  return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

}  // namespace

TModuleState Module;

TTsxMainForm* TWindowOwner::Main() const { return main_; }

TTsxAboutForm* TWindowOwner::About() const { return about_; }

TTsxMainForm* TWindowOwner::MakeMain() {
  if (!main_) main_ = new TTsxMainForm();
  return main_;
}

TTsxAboutForm* TWindowOwner::MakeAbout() {
  if (!about_) about_ = new TTsxAboutForm();
  return about_;
}

void TWindowOwner::DestroyAll() {
  if (QCoreApplication::instance() == nullptr) {
    main_.clear();
    about_.clear();
    return;
  }
  delete main_.data();
  delete about_.data();
}

void GetData(void* record) {
  if (record == nullptr) return;
  auto* bytes = static_cast<unsigned char*>(record);
  // By offset: the host's record need not be aligned for the struct.
  std::memcpy(bytes + offsetof(tsxPlugInfo, name), kPluginName, sizeof kPluginName);
  std::memcpy(bytes + offsetof(tsxPlugInfo, maker), kPluginMaker, sizeof kPluginMaker);
  std::memcpy(bytes + offsetof(tsxPlugInfo, bitmapId), &kBitmapId, sizeof kBitmapId);
  std::memcpy(bytes + offsetof(tsxPlugInfo, stringId), &kStringId, sizeof kStringId);
}

int32_t OnLeftClick() {
  if (Module.Unloading || !HaveWidgetApplication()) return 0;
  return Module.Windows.MakeMain()->ToolActivate();
}

void Deactivate() {
  if (Module.Unloading) return;
  if (TTsxMainForm* main = Module.Windows.Main()) main->ToolDeactivate();
}

void OnRightClick() {
  if (Module.Unloading || !HaveWidgetApplication()) return;
  Module.Windows.MakeAbout()->ToolActivate();
  if (TTsxMainForm* main = Module.Windows.Main()) main->ToolRightClick();
}

void Shutdown() {
  Module.Unloading = true;
  Module.Windows.DestroyAll();
}

}  // namespace spl::plug
