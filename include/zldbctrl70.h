// zldbctrl70: model-library databases of a circuit and system simulation
// package.  Including this header gives the whole public interface.
#ifndef ZLDBCTRL70_H_
#define ZLDBCTRL70_H_

#include "zldbctrl70/export.h"
#include "zldbctrl70/version.h"
#include "zldbctrl70/platform/types.h"
#include "zldbctrl70/platform/object.h"
#include "zldbctrl70/platform/exceptions.h"
#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/variant.h"
#include "zldbctrl70/platform/datetime.h"
#include "zldbctrl70/platform/globalmem.h"
#include "zldbctrl70/platform/longbinary.h"

#endif  // ZLDBCTRL70_H_
