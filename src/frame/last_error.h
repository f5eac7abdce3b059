// The process-wide last-error code.  Only the operation frame and the
// routines it calls set it; the one setter keeps every write in one place.
#ifndef ZLDBCTRL70_FRAME_LAST_ERROR_H_
#define ZLDBCTRL70_FRAME_LAST_ERROR_H_

#include "zldbctrl70/errors.h"

namespace zl {

void SetLastError(int code);
int LastError();

}  // namespace zl

#endif  // ZLDBCTRL70_FRAME_LAST_ERROR_H_
