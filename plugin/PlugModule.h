// The module's state behind the four entry points: its identity, the two
// windows (created on first use, kept until unload) and the unloading flag.
// TsxPlug.cpp exports thin C wrappers around these.
#pragma once

#include <QPointer>
#include <cstdint>

class TTsxMainForm;
class TTsxAboutForm;

namespace spl::plug {

inline constexpr char kPluginName[] = "SPLICER-BOT";
inline constexpr char kPluginMaker[] = "Studio MORIKAZ";
inline constexpr uint16_t kBitmapId = 101;
inline constexpr uint16_t kStringId = 1;

// Owns the module's windows; destroys them at unload while the module's
// code and resources are still there.
class TWindowOwner {
 public:
  TTsxMainForm* Main() const;
  TTsxAboutForm* About() const;
  TTsxMainForm* MakeMain();
  TTsxAboutForm* MakeAbout();
  // Deletes whichever windows exist. Without an application object left
  // (the process is ending) deleting a widget is unsafe; they are let go.
  void DestroyAll();

 private:
  QPointer<TTsxMainForm> main_;
  QPointer<TTsxAboutForm> about_;
};

struct TModuleState {
  bool Unloading = false;
  TWindowOwner Windows;
};

extern TModuleState Module;

// Fills the name, maker and resource ids; nothing else of the record is
// touched. A null record is ignored.
void GetData(void* record);
// Creates the main window once and shows it; returns 0. Without a widget
// application in the process there is nowhere to show a window, and it
// does nothing.
int32_t OnLeftClick();
// Hides the main window unless unloading has begun.
void Deactivate();
// Creates the about window once and shows it; notifies the main window.
void OnRightClick();
// Unload: Unloading := true, then the windows are destroyed.
void Shutdown();

}  // namespace spl::plug
