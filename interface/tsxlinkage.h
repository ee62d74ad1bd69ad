/*
 * tsxlinkage.h — how names cross the boundary between the host's interface
 * library, the programs that play the host and a plug-in module: the
 * calling convention and the export macros, in one place. Compiles as C11
 * and as C++.
 */
#ifndef TSXLINKAGE_H
#define TSXLINKAGE_H

/* The host's calling convention for every operation and entry point. */
#if defined(__i386__)
#define TSXCALL __attribute__((cdecl))
#else
#define TSXCALL
#endif

/* A name the shared object makes visible; both libraries build with hidden
 * visibility by default. */
#define TSX_VISIBLE __attribute__((visibility("default")))

/* The operations of tsxapi.h and the stand-in host's own C++ interface:
 * exported by the interface library, plain declarations for its users. */
#if defined(TSXAPI_BUILDING_HOST)
#define TSXAPI TSX_VISIBLE
#else
#define TSXAPI
#endif
#define TSXHOST_API TSXAPI

/* The entry points a plug-in module exports for the host to find. */
#define TSXPLUG_EXPORT TSX_VISIBLE

#endif /* TSXLINKAGE_H */
