// zldbctrl70: model-library databases of a circuit and system simulation
// package.  Including this header gives the whole public interface.
#ifndef ZLDBCTRL70_H_
#define ZLDBCTRL70_H_

#include "zldbctrl70/attributes.h"
#include "zldbctrl70/calls.h"
#include "zldbctrl70/database.h"
#include "zldbctrl70/errors.h"
#include "zldbctrl70/export.h"
#include "zldbctrl70/macros.h"
#include "zldbctrl70/nodes.h"
#include "zldbctrl70/packages.h"
#include "zldbctrl70/platform/archive.h"
#include "zldbctrl70/platform/cfile.h"
#include "zldbctrl70/platform/coll_array.h"
#include "zldbctrl70/platform/coll_base.h"
#include "zldbctrl70/platform/coll_list.h"
#include "zldbctrl70/platform/coll_map.h"
#include "zldbctrl70/platform/coll_typed.h"
#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/datetime.h"
#include "zldbctrl70/platform/exceptions.h"
#include "zldbctrl70/platform/globalmem.h"
#include "zldbctrl70/platform/langtext.h"
#include "zldbctrl70/platform/longbinary.h"
#include "zldbctrl70/platform/object.h"
#include "zldbctrl70/platform/runtime_io.h"
#include "zldbctrl70/platform/types.h"
#include "zldbctrl70/platform/variant.h"
#include "zldbctrl70/resources.h"
#include "zldbctrl70/simlang.h"
#include "zldbctrl70/tree.h"
#include "zldbctrl70/value_objects.h"
#include "zldbctrl70/version.h"
#include "zldbctrl70/wizard_copa.h"

#endif  // ZLDBCTRL70_H_
