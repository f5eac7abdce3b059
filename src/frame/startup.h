// Start-up and shut-down of the library: closing the handles callers left
// open, so that no database stays open in the storage engine when the
// library goes.
#ifndef ZLDBCTRL70_FRAME_STARTUP_H_
#define ZLDBCTRL70_FRAME_STARTUP_H_

namespace zl {

// Destroys every handle in the open-handle list, whatever its reference
// count: what a caller transaction left uncommitted is rolled back, each
// file is closed (its log checkpointed and removed as on any last close) and
// each block freed.  Skipped when another thread is inside a call (its
// handle must not be pulled from under it).
void CloseAllOpenHandles();

// Arranges for CloseAllOpenHandles to run when the library is unloaded or
// the process exits normally.  Called when a handle is first published:
// the closing then runs before the engine's own process-wide state, which
// exists by then, is torn down.
void CloseHandlesAtExit();

}  // namespace zl

#endif  // ZLDBCTRL70_FRAME_STARTUP_H_
