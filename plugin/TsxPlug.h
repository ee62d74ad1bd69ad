/*
 * TsxPlug.h — the four entry points that SPL0020.tsx exports, as a host
 * finds them with dlsym. C linkage, undecorated names, the host's calling
 * convention; all are called on the host's user-interface thread, after
 * the host has made its QApplication.
 */
#ifndef TSXPLUG_H
#define TSXPLUG_H

#include <stdint.h>

#include "tsxapi.h"

#define TSXPLUG_EXPORT __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/** Fills the identity record `info` (at least 100 bytes, host-owned): the
 *  zero-terminated name "SPLICER-BOT" at offset 0, the maker "Studio
 *  MORIKAZ" at 32, the 16-bit bitmap id 101 at 96 and string id 1 at 98.
 *  Other bytes are left alone. `unused` is ignored. May be called at any
 *  time, before any window exists. */
TSXPLUG_EXPORT void TSXCALL tsxGetData(void* info, uint32_t unused);

/** Left click: creates the main tool window on the first call and shows it
 *  in front. Returns 0. */
TSXPLUG_EXPORT int32_t TSXCALL tsxOnLeftClick(void);

/** Hides the main tool window (its close handler does not run). Does
 *  nothing before the first left click or once unloading has begun. */
TSXPLUG_EXPORT void TSXCALL tsxDeactivate(void);

/** Right click: creates the about window on the first call and shows it. */
TSXPLUG_EXPORT void TSXCALL tsxOnRightClick(void);

typedef void(TSXCALL* tsxGetDataFn)(void*, uint32_t);
typedef int32_t(TSXCALL* tsxOnLeftClickFn)(void);
typedef void(TSXCALL* tsxDeactivateFn)(void);
typedef void(TSXCALL* tsxOnRightClickFn)(void);

#ifdef __cplusplus
}
#endif

#endif /* TSXPLUG_H */
