// Runs the body of an engine operation and turns every failure into the
// engine's own exceptions: backend failures into CDaoException (by the
// error table), exhausted memory into CMemoryException.  CDaoException and
// other CException objects pass through unchanged.
#ifndef ZLDBCTRL70_ENGINE_ENGINE_GUARD_H_
#define ZLDBCTRL70_ENGINE_ENGINE_GUARD_H_

#include <new>

#include "engine/dao_errors.h"
#include "engine/sqlite_seam.h"
#include "zldbctrl70/platform/exceptions.h"

namespace zl::engine {

template <typename Body>
auto Guarded(FailureContext context, Body&& body) -> decltype(body()) {
  try {
    return body();
  } catch (const CSqlFailure& failure) {
    ThrowFromBackend(failure, context);
  } catch (const std::bad_alloc&) {
    throw CMemoryException();
  }
}

}  // namespace zl::engine

#endif  // ZLDBCTRL70_ENGINE_ENGINE_GUARD_H_
