// Movable global memory blocks.
//
// A handle is an opaque value the platform layer can always check: every
// function accepts any value, including values it never issued and handles
// already freed, and then fails softly (GlobalSize gives 0, GlobalLock gives
// null) instead of touching memory.  A freed handle's value is not issued
// again for a long time, so a stale handle is detected rather than aliasing
// a newer block.  Handle values are never addresses.  The block table is
// guarded by a mutex, so the functions may be called from any thread; the
// contents of a block are not synchronised.
#ifndef ZLDBCTRL70_PLATFORM_GLOBALMEM_H_
#define ZLDBCTRL70_PLATFORM_GLOBALMEM_H_

#include <cstddef>

#include "zldbctrl70/export.h"
#include "zldbctrl70/platform/types.h"

enum : UINT {
  GMEM_FIXED = 0x0000,
  GMEM_MOVEABLE = 0x0002,
  GMEM_ZEROINIT = 0x0040,
  GHND = 0x0042,
};

// Allocates a block of dwBytes (0 is allowed: GlobalSize gives 0, a lock
// still gives a non-null address); null when memory is exhausted.  With
// GMEM_ZEROINIT the block is zero-filled.  GMEM_FIXED and GMEM_MOVEABLE
// blocks behave alike: the caller always goes through the handle.
ZL_EXPORT HGLOBAL GlobalAlloc(UINT uFlags, size_t dwBytes);
// Pins the block and returns its address; null for an unknown handle.  Locks
// are counted; the address stays the same until the block is reallocated.
ZL_EXPORT void* GlobalLock(HGLOBAL hMem);
// Releases one lock; returns TRUE while the block is still locked.
ZL_EXPORT BOOL GlobalUnlock(HGLOBAL hMem);
// Size in bytes of a live block; 0 for an unknown or freed handle.
ZL_EXPORT size_t GlobalSize(HGLOBAL hMem);
// Resizes a block, keeping its contents up to the smaller size, and returns
// the same handle, or null (the old block stays intact) on failure or for an
// unknown handle.  New bytes are zeroed when uFlags or the flags the block
// was allocated with hold GMEM_ZEROINIT.  The block may move: addresses from
// earlier locks are stale afterwards (lock counts are kept).
ZL_EXPORT HGLOBAL GlobalReAlloc(HGLOBAL hMem, size_t dwBytes, UINT uFlags);
// Frees a block; returns null on success and the handle itself when it was
// not a live block.
ZL_EXPORT HGLOBAL GlobalFree(HGLOBAL hMem);

#endif  // ZLDBCTRL70_PLATFORM_GLOBALMEM_H_
