// The module's exports and its start-up and shutdown. The wrappers keep
// every exception on this side of the C interface.
#include "interface/TsxPlug.h"

#include <cfenv>

#include "plugin/PlugModule.h"

#if defined(__i386__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif

namespace {

// All six exceptions masked (invalid, denormal, zero divide, overflow,
// underflow, inexact), 64-bit mantissa, round to nearest: the join's
// floating-point faults give infinities and NaNs instead of traps.
constexpr unsigned short kX87ControlWord = 0x133F;
constexpr unsigned kSseExceptionMasks = 0x1F80;

void MaskFloatingPointExceptions() {
#if defined(__i386__) || defined(__x86_64__)
  const unsigned short word = kX87ControlWord;
  asm volatile("fldcw %0" : : "m"(word));
  _mm_setcsr(_mm_getcsr() | kSseExceptionMasks);
#else
  std::feholdexcept(nullptr);
#endif
}

__attribute__((constructor)) void ModuleStartUp() { MaskFloatingPointExceptions(); }

// Runs before the module's static objects are destroyed, so the windows
// go while their code and the module's Qt resources are still registered.
__attribute__((destructor)) void ModuleShutdown() {
  try {
    spl::plug::Shutdown();
  } catch (...) {
  }
}

}  // namespace

extern "C" {

void TSXCALL tsxGetData(void* info, uint32_t) { spl::plug::GetData(info); }

int32_t TSXCALL tsxOnLeftClick(void) {
  try {
    return spl::plug::OnLeftClick();
  } catch (...) {
    return 0;
  }
}

void TSXCALL tsxDeactivate(void) {
  try {
    spl::plug::Deactivate();
  } catch (...) {
  }
}

void TSXCALL tsxOnRightClick(void) {
  try {
    spl::plug::OnRightClick();
  } catch (...) {
  }
}

}  // extern "C"
