/*
 * tsxapi.h — the host modelling interface, as a plug-in module sees it.
 *
 * Every operation here is implemented by the host's interface library
 * (libtsxapi.so on this platform). A plug-in calls them only on the host's
 * user-interface thread; nothing is locked and nothing here may be called
 * from another thread.
 *
 * Vocabulary used in the comments below:
 *   "host-owned"   the caller must not free or resize the memory.
 *   "valid until"  how long a returned pointer may be used.
 *   "may be 0"     the handle or pointer may be zero/null; say what it means.
 *   "takes over"   after the call the host owns the memory passed in; the
 *                  caller must neither free nor touch it again.
 *
 * Handles. Objects and materials are opaque 32-bit handles that the host
 * hands out and checks on every call. Handle 0 is never a valid handle. A
 * handle is never reused, so a deleted object's handle stays dead: every
 * operation given a dead or foreign handle answers with zero counts, null
 * arrays and nonzero/negative status codes, never with a dangling pointer.
 *
 * Records. The vertex, UV, face, corner and hole records below are read and
 * written in place. Built for 32 bits their field offsets are fixed (see the
 * static assertions at the end); on 64 bits the same fields keep their order
 * with natural alignment.
 *
 * The header compiles as C11 and as C++.
 */
#ifndef TSXAPI_H
#define TSXAPI_H

#include <stddef.h>
#include <stdint.h>

#include "tsxlinkage.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Handles and enumerations ---------------------------------------- */

/** Handle of a scene object (any type). 0 = none. */
typedef uint32_t tsxSOBJ;
/** A geometry node: an object that has axes and can be copied. */
typedef tsxSOBJ tsxGNODE;
/** A polyhedron object; the same handle as the object itself. */
typedef tsxSOBJ tsxPOLYHEDRON;
/** Handle of a material record. 0 = none. */
typedef uint32_t tsxMATERIAL;
/** Native window id of the host's main view (an X11 window id here). */
typedef uintptr_t tsxHWND;

/** Object type codes returned by tsxSobjGetType; compare the low 8 bits. */
enum tsxSOBJTYPE {
  e_tsxSOBJ_NONE = 0,
  e_tsxLIGHT = 31,
  e_tsxCAMERA = 32,
  e_tsxGROUP = 71,
  e_tsxPOLYHEDRON = 201
};

/** Status codes returned by operations that report one. */
enum tsxERR {
  e_tsxOK = 0,
  e_tsxFAILURE = -1,          /* something generally went wrong */
  e_tsxNO_MEMORY = -2,        /* the host's allocator is exhausted */
  e_tsxNULL_POINTER = -3,     /* a required pointer was null */
  e_tsxBAD_INPUT = -4,        /* bad input data */
  e_tsxBAD_FORMAT = -5,       /* general bad data format */
  e_tsxUSER_ABORT = -8,       /* user abort request */
  e_tsxREPORTED_BELOW = -10,  /* still an error but was reported below */
  e_tsxUNIMPLEMENTED = -11,   /* feature unimplemented */
  e_tsxBAD_IDENTIFIER = -12,  /* bad identifier on data or record */
  e_tsxWRONG_VERSION = -13,   /* correct file type but wrong version */
  e_tsxNOT_FOUND = -14,       /* object not found */
  e_tsxOVERFLOW = -15,        /* data overflow for size of result */
  e_tsxOUT_OF_RANGE = -16,    /* value out of range */
  e_tsxNOT_INITIALIZED = -18, /* subsystem improperly initialized */
  e_tsxIO_ERROR = -50,        /* error occurred in I/O */
  e_tsxWINDOWS_ERROR = -51    /* error occurred in the window system */
};

/* ---- Records ----------------------------------------------------------- */

/** A vertex or a vector: three single-precision floats (12 bytes). */
typedef struct CtsxVector3f {
  float x, y, z;
} CtsxVector3f;

/** A UV coordinate: two single-precision floats (8 bytes). */
typedef struct CtsxUV {
  float u, v;
} CtsxUV;

/**
 * A 3D transform of twelve floats (48 bytes): a 3x3 linear part stored row
 * by row with the translation as the fourth entry of each row, so that
 *   world.x = m[0]*x + m[1]*y + m[2]*z  + m[3]
 *   world.y = m[4]*x + m[5]*y + m[6]*z  + m[7]
 *   world.z = m[8]*x + m[9]*y + m[10]*z + m[11]
 * Rotation matrices have the same form with a zero translation.
 */
typedef struct CtsxTxmx3f {
  float m[12];
} CtsxTxmx3f;

/**
 * One corner of a face or hole (16 bytes). vindex and uvindex are 0-based
 * into the polyhedron's vertex and UV arrays; uvindex is -1 when the corner
 * has no UV coordinate. adjFace/adjCorner are host data: after
 * tsxPolyhComputeFaceAdjacency they name the face and corner across the edge
 * that starts at this corner, or -1 where the edge has no neighbour.
 */
typedef struct CtsxCorner {
  int32_t vindex;
  int32_t uvindex;
  int32_t adjFace;
  int32_t adjCorner;
} CtsxCorner;

/** A hole of a face: its own corner list. */
typedef struct CtsxHole {
  int16_t nbrCorners; /* offset 0 */
  int16_t reserved;
  CtsxCorner* corners; /* offset 4 on 32 bits */
} CtsxHole;

/**
 * A face record, reached through the polyhedron's face pointer array.
 * A plug-in reads nbrCorners, corners and materialIndex, and may change the
 * vertex and UV indices of corners of faces it made with tsxFaceCopy. The
 * other fields are the host's.
 */
typedef struct CtsxFace {
  int16_t nbrCorners;     /* offset 0 */
  int16_t hostFlags;      /* host data */
  CtsxCorner* corners;    /* offset 4 on 32 bits */
  CtsxHole** holes;       /* host data: use tsxFaceGetHoleptrArray */
  int32_t nbrHoles;       /* host data: use tsxFaceGetNbrHoles */
  uint32_t hostData;      /* host data */
  uint16_t materialIndex; /* offset 20 on 32 bits: index into the
                             polyhedron's own material table */
  uint16_t reserved;
} CtsxFace;

/* ---- Selection and scene ------------------------------------------------ */

/** Returns the currently selected object, or 0 when nothing is selected. */
TSXAPI tsxSOBJ TSXCALL tsxGetCurrentSelection(void);

/** Returns the object's type code (enum tsxSOBJTYPE); 0 for a dead handle. */
TSXAPI int32_t TSXCALL tsxSobjGetType(tsxSOBJ obj);

/**
 * Makes a deep copy of `src` outside the scene and writes its handle to
 * *result. The copy has the source's geometry, materials, transform and
 * axes, and its own arrays; it is the caller's until tsxSceneAddObject or
 * tsxSobjDelete. `result` must not be null. On failure *result is left as
 * it was (callers set it to 0 first).
 * Returns 0; e_tsxNULL_POINTER for a null `result`; e_tsxNOT_FOUND for a
 * dead `src`; e_tsxNO_MEMORY when the copy's arrays cannot be had;
 * e_tsxFAILURE when the host refuses the copy.
 */
TSXAPI int32_t TSXCALL tsxGNodeCopy(tsxGNODE src, tsxGNODE* result);

/** Writes the object's axes origin in world space to *out ((0,0,0) for a
 *  dead handle). `out` must not be null. */
TSXAPI void TSXCALL tsxGNodeGetAxesPosition(tsxGNODE obj, CtsxVector3f* out);

/**
 * Adds an object made by tsxGNodeCopy to the scene; from then on the scene
 * owns it. `flags` must be 0.
 * Returns 0; e_tsxNOT_FOUND for a dead handle; e_tsxBAD_INPUT for an object
 * already in the scene.
 */
TSXAPI int32_t TSXCALL tsxSceneAddObject(tsxSOBJ obj, int32_t flags);

/** Destroys the object, in the scene or not; its handle becomes dead and
 *  every array it handed out is freed. A dead handle is ignored. */
TSXAPI void TSXCALL tsxSobjDelete(tsxSOBJ obj);

/* ---- Polyhedron geometry ---------------------------------------------- */

/** Counts of vertices, UV coordinates and faces; 0 for a dead handle or an
 *  object that is not a polyhedron. */
TSXAPI int32_t TSXCALL tsxPolyhGetNbrVxs(tsxPOLYHEDRON p);
TSXAPI int32_t TSXCALL tsxPolyhGetNbrUV(tsxPOLYHEDRON p);
TSXAPI int32_t TSXCALL tsxPolyhGetNbrFaces(tsxPOLYHEDRON p);

/**
 * Host-owned arrays of the polyhedron, in index order: vertices in object
 * space, UV coordinates, and pointers to face records. Valid until the
 * object changes (a replacing operation, painting excepted, or deletion).
 * Null for a dead handle, a non-polyhedron, or an empty array.
 */
TSXAPI CtsxVector3f* TSXCALL tsxPolyhGetVxArray(tsxPOLYHEDRON p);
TSXAPI CtsxUV* TSXCALL tsxPolyhGetUVArray(tsxPOLYHEDRON p);
TSXAPI CtsxFace** TSXCALL tsxPolyhGetFaceptrArray(tsxPOLYHEDRON p);

/**
 * Copies the polyhedron's vertex transform (object space to world space)
 * into *out and returns out. May return null: for a dead handle, a
 * non-polyhedron or a null `out`, leaving *out alone.
 */
TSXAPI CtsxTxmx3f* TSXCALL tsxPolyhGetVxTxmx(tsxPOLYHEDRON p, CtsxTxmx3f* out);

/**
 * Replacing operations: the polyhedron's vertices, UV coordinates or faces
 * become the first `count` entries of `array`, which must come from
 * tsxMalloc (faces: records from tsxFaceCopy). The host takes over the
 * array (and, for faces, every face record it points to, with their corner
 * lists and holes), also when it fails; the array is then freed. `array`
 * may be null only with a count of 0.
 * Returns 0; e_tsxBAD_INPUT for a dead handle or a non-polyhedron, a
 * negative count, a null array with a nonzero count, or (faces) a null
 * record or one with a negative corner count or no corner list.
 */
TSXAPI int32_t TSXCALL tsxPolyhSetVxs(tsxPOLYHEDRON p, int32_t count,
                                      CtsxVector3f* array);
TSXAPI int32_t TSXCALL tsxPolyhSetUVArray(tsxPOLYHEDRON p, int32_t count,
                                          CtsxUV* array);
TSXAPI int32_t TSXCALL tsxPolyhSetFaces(tsxPOLYHEDRON p, int32_t count,
                                        CtsxFace** array);

/** Cache operations. ComputeFaceAdjacency fills the corners' adjFace and
 *  adjCorner; InitializeMaterials prepares the material table for
 *  painting; the Mark operations note a change. Return 0; e_tsxNOT_FOUND
 *  for a dead handle or a non-polyhedron. */
TSXAPI int32_t TSXCALL tsxPolyhComputeFaceAdjacency(tsxPOLYHEDRON p);
TSXAPI int32_t TSXCALL tsxPolyhMarkTopologyChange(tsxPOLYHEDRON p);
TSXAPI int32_t TSXCALL tsxPolyhMarkGeomChange(tsxPOLYHEDRON p);
TSXAPI int32_t TSXCALL tsxPolyhInitializeMaterials(tsxPOLYHEDRON p);
TSXAPI int32_t TSXCALL tsxPolyhMarkMaterialChange(tsxPOLYHEDRON p);

/* ---- Faces ---------------------------------------------------------------- */

/**
 * Makes a new face record equal to *src, with a corner list and holes of its
 * own, from the host's allocator, and writes it to *dst. Neither pointer may
 * be null. The new face is the caller's until handed to tsxPolyhSetFaces; a
 * copy that is not handed over is released with tsxFree(face): the record,
 * its corners and its holes are one block. On failure *dst is left alone.
 * Returns 0; e_tsxNULL_POINTER for a null `dst` or `src`; e_tsxBAD_INPUT
 * for a negative corner count or a missing corner list; e_tsxNO_MEMORY when
 * the record cannot be had.
 */
TSXAPI int32_t TSXCALL tsxFaceCopy(CtsxFace** dst, const CtsxFace* src);

/** Number of holes of the face (0 or less: none). */
TSXAPI int32_t TSXCALL tsxFaceGetNbrHoles(const CtsxFace* face);

/** The face's host-owned array of hole pointers; null when it has none.
 *  Valid as long as the face record. */
TSXAPI CtsxHole** TSXCALL tsxFaceGetHoleptrArray(CtsxFace* face);

/* ---- Materials ------------------------------------------------------------ */

/** Creates a material record with the host's defaults and writes its handle
 *  to *mat; the caller releases it with tsxMaterialDestroy. `mat` must not
 *  be null. Returns 0; e_tsxNULL_POINTER for a null `mat` (nothing made). */
TSXAPI int32_t TSXCALL tsxMaterialCreate(tsxMATERIAL* mat);

/** Writes to *mat the handle of a new copy of the host's active material
 *  (the handle previously in *mat is not destroyed). `mat` must not be
 *  null. Returns 0; e_tsxNULL_POINTER for a null `mat` (nothing made). */
TSXAPI int32_t TSXCALL tsxMaterialCreateCopyActive(tsxMATERIAL* mat);

/** Releases a material record; a dead handle is ignored. */
TSXAPI void TSXCALL tsxMaterialDestroy(tsxMATERIAL mat);

/**
 * Fills `mat` with the settings of entry `index` of the polyhedron's
 * material table. Returns nonzero when filled, 0 when the polyhedron, the
 * index or the material is not available.
 */
TSXAPI int32_t TSXCALL tsxPolyhGetMaterial(tsxPOLYHEDRON p, uint16_t index,
                                           tsxMATERIAL mat);

/**
 * Gives face `face` the settings of `mat` as they are now (by value: later
 * changes to `mat` leave the face alone). An equal entry of the material
 * table is shared. `flags` must be 0.
 * Returns 0; e_tsxNOT_FOUND for a dead polyhedron or material handle;
 * e_tsxOUT_OF_RANGE for a face index outside the polyhedron; e_tsxOVERFLOW
 * when the material table already holds 65,536 other entries.
 */
TSXAPI int32_t TSXCALL tsxPolyhPaintFace(tsxPOLYHEDRON p, int32_t face,
                                         tsxMATERIAL mat, int32_t flags);

/* ---- Matrices and vectors ----------------------------------------------- */
/* Products and sums are computed in double precision from the
 * single-precision inputs and rounded once to single precision. */

/** Splits m's linear part into a rotation *rot (zero translation) and
 *  per-axis scale factors *scale, so that m applied to p equals rot applied
 *  to (scale * p), plus the translation. A zero axis gets scale 0 and the
 *  corresponding unit axis as its rotation column. None of the pointers may
 *  be null: with any of them null nothing is written. */
TSXAPI void TSXCALL tsxUnMatrix3f(const CtsxTxmx3f* m, CtsxTxmx3f* rot,
                                  CtsxVector3f* scale);

/** Writes the inverse of the rotation (or any invertible transform) src to
 *  *dst. A singular src gives the identity. dst may equal src; with either
 *  null nothing is written. */
TSXAPI void TSXCALL tsxInvertMx3f(CtsxTxmx3f* dst, const CtsxTxmx3f* src);

/** Applies m's linear part to n vectors from src into dst; src may equal
 *  dst. */
TSXAPI void TSXCALL tsxRotateVecs3f(int32_t n, const CtsxVector3f* src,
                                    CtsxVector3f* dst, const CtsxTxmx3f* m);

/** Writes m's translation to *out. */
TSXAPI void TSXCALL tsxGetMxTranslation3f(CtsxVector3f* out,
                                          const CtsxTxmx3f* m);

/** *a += *b, component by component, in single precision. */
TSXAPI void TSXCALL tsxAddVec3f(CtsxVector3f* a, const CtsxVector3f* b);

/** *a *= s, component by component, in single precision. */
TSXAPI void TSXCALL tsxMulScalar3f(CtsxVector3f* a, float s);

/** Euclidean distance of a and b, computed in double precision from the
 *  single-precision coordinates and rounded to single precision. */
TSXAPI float TSXCALL tsxDistanceToPoint3f(const CtsxVector3f* a,
                                          const CtsxVector3f* b);

/* ---- Memory, window and version ------------------------------------------ */

/** Returns a block of `size` bytes from the host's allocator, or null when
 *  memory is exhausted. A zero size returns a unique non-null block. */
TSXAPI void* TSXCALL tsxMalloc(size_t size);

/** Releases a block from tsxMalloc; null is ignored. */
TSXAPI void TSXCALL tsxFree(void* block);

/** Native window id of the host's main view; 0 when the host has no window. */
TSXAPI tsxHWND TSXCALL tsxGetMainViewHwnd(void);

/** Writes the host's version numbers (for example 600 and 0). Either
 *  pointer may be null. */
TSXAPI void TSXCALL tsxGetTsVersionNbrs(int16_t* version, int16_t* subVersion);

#ifdef __cplusplus
}
#endif

/* ---- Version and the list of operations ---------------------------------- */

/* The version of this interface. The major number changes when a
 * declaration above changes in a way old modules or hosts cannot follow (it
 * is the number of the host library's file name, libtsxapi.so.1); the minor
 * when operations or fields are added. */
#define TSXAPI_VERSION_MAJOR 1
#define TSXAPI_VERSION_MINOR 0
#define TSXAPI_VERSION (TSXAPI_VERSION_MAJOR * 100 + TSXAPI_VERSION_MINOR)

/* Every operation above, in the order declared, by its name without "tsx":
 * X(GetCurrentSelection) stands for tsxGetCurrentSelection. A host expands
 * it for the tables that must follow the declarations (an enum, the names),
 * so that they cannot fall out of step. */
#define TSXAPI_OPERATIONS(X) \
  X(GetCurrentSelection) \
  X(SobjGetType) \
  X(GNodeCopy) \
  X(GNodeGetAxesPosition) \
  X(SceneAddObject) \
  X(SobjDelete) \
  X(PolyhGetNbrVxs) \
  X(PolyhGetNbrUV) \
  X(PolyhGetNbrFaces) \
  X(PolyhGetVxArray) \
  X(PolyhGetUVArray) \
  X(PolyhGetFaceptrArray) \
  X(PolyhGetVxTxmx) \
  X(PolyhSetVxs) \
  X(PolyhSetUVArray) \
  X(PolyhSetFaces) \
  X(PolyhComputeFaceAdjacency) \
  X(PolyhMarkTopologyChange) \
  X(PolyhMarkGeomChange) \
  X(PolyhInitializeMaterials) \
  X(PolyhMarkMaterialChange) \
  X(FaceCopy) \
  X(FaceGetNbrHoles) \
  X(FaceGetHoleptrArray) \
  X(MaterialCreate) \
  X(MaterialCreateCopyActive) \
  X(MaterialDestroy) \
  X(PolyhGetMaterial) \
  X(PolyhPaintFace) \
  X(UnMatrix3f) \
  X(InvertMx3f) \
  X(RotateVecs3f) \
  X(GetMxTranslation3f) \
  X(AddVec3f) \
  X(MulScalar3f) \
  X(DistanceToPoint3f) \
  X(Malloc) \
  X(Free) \
  X(GetMainViewHwnd) \
  X(GetTsVersionNbrs)

/* ---- Layout checks -------------------------------------------------------- */
#if defined(__cplusplus)
#define TSXAPI_STATIC_ASSERT static_assert
#else
#define TSXAPI_STATIC_ASSERT _Static_assert
#endif

TSXAPI_STATIC_ASSERT(sizeof(CtsxVector3f) == 12, "vertex is 12 bytes");
TSXAPI_STATIC_ASSERT(sizeof(CtsxUV) == 8, "UV coordinate is 8 bytes");
TSXAPI_STATIC_ASSERT(sizeof(CtsxTxmx3f) == 48, "transform is 12 floats");
TSXAPI_STATIC_ASSERT(sizeof(CtsxCorner) == 16, "corner is 16 bytes");
TSXAPI_STATIC_ASSERT(offsetof(CtsxCorner, vindex) == 0, "corner vindex");
TSXAPI_STATIC_ASSERT(offsetof(CtsxCorner, uvindex) == 4, "corner uvindex");
TSXAPI_STATIC_ASSERT(offsetof(CtsxFace, nbrCorners) == 0, "face count");
TSXAPI_STATIC_ASSERT(offsetof(CtsxHole, nbrCorners) == 0, "hole count");
#if UINTPTR_MAX == 0xFFFFFFFFu
TSXAPI_STATIC_ASSERT(offsetof(CtsxFace, corners) == 4, "face corners");
TSXAPI_STATIC_ASSERT(offsetof(CtsxFace, materialIndex) == 20, "material");
TSXAPI_STATIC_ASSERT(offsetof(CtsxHole, corners) == 4, "hole corners");
#else
TSXAPI_STATIC_ASSERT(offsetof(CtsxFace, corners) == 8, "face corners");
TSXAPI_STATIC_ASSERT(offsetof(CtsxFace, materialIndex) == 32, "material");
TSXAPI_STATIC_ASSERT(offsetof(CtsxHole, corners) == 8, "hole corners");
#endif

#endif /* TSXAPI_H */
