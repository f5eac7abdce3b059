// Removing the model content of a record that is being deleted: its keyword
// links and symbol rows in every resource language, its conservative and
// non-conservative nodes with every satellite (info texts, preferred units,
// access rows, parameter-set values) and its files.  Macros, calls,
// parameter sets and the record's own texts are left to their families.
#ifndef ZLDBCTRL70_CONTENT_RECORD_CONTENT_H_
#define ZLDBCTRL70_CONTENT_RECORD_CONTENT_H_

#include "frame/handle_record.h"

namespace zl {

// Deletes every keyword link (of every parameter set), symbol row, node
// with its satellites and file row of recordID; keyword rows stay, since
// other records may share them.  A record without such rows is no failure.
// Works on a locked handle record, returns 0 or a last-error code (a
// failed registry refresh) and lets engine exceptions propagate; in its own
// transaction, so a failure leaves every row in place.
int DeleteRecordContent(ZLHandleRecord& record, long recordID);

}  // namespace zl

#endif  // ZLDBCTRL70_CONTENT_RECORD_CONTENT_H_
