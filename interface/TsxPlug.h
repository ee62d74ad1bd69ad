/*
 * TsxPlug.h — the four entry points that SPL0020.tsx exports, as a host
 * finds them with dlsym. C linkage, undecorated names, the host's calling
 * convention; all are called on the host's user-interface thread, after
 * the host has made its QApplication.
 */
#ifndef TSXPLUG_H
#define TSXPLUG_H

#include <stddef.h>
#include <stdint.h>

#include "tsxapi.h"

#ifdef __cplusplus
extern "C" {
#endif

/** The identity record the host hands to tsxGetData, 100 bytes with these
 *  fixed offsets on every platform. Texts are zero-terminated when they are
 *  shorter than their field. */
typedef struct tsxPlugInfo {
  char name[32];     /* the module's name */
  char maker[64];    /* its maker */
  uint16_t bitmapId; /* resource id of the tool-bar picture */
  uint16_t stringId; /* resource id of the tool-tip text */
} tsxPlugInfo;

/** Fills the name "SPLICER-BOT", the maker "Studio MORIKAZ", the bitmap id
 *  101 and the string id 1 of the identity record `info` (a tsxPlugInfo or
 *  a larger record that begins with one, host-owned, not necessarily
 *  aligned). Other bytes are left alone. `unused` is ignored. May be called
 *  at any time, before any window exists. */
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

TSXAPI_STATIC_ASSERT(offsetof(tsxPlugInfo, name) == 0, "name at 0");
TSXAPI_STATIC_ASSERT(offsetof(tsxPlugInfo, maker) == 32, "maker at 32");
TSXAPI_STATIC_ASSERT(offsetof(tsxPlugInfo, bitmapId) == 96, "bitmap id at 96");
TSXAPI_STATIC_ASSERT(offsetof(tsxPlugInfo, stringId) == 98, "string id at 98");
TSXAPI_STATIC_ASSERT(sizeof(tsxPlugInfo) == 100, "identity record is 100 bytes");

#endif /* TSXPLUG_H */
