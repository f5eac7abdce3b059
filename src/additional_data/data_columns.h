// Additional-data columns (described in ADDITIONAL_DATA_INFO, real columns
// of ADDITIONAL_DATA) and the values records hold in them.
//
// Every routine works on a locked handle record, returns a last-error code
// and lets engine exceptions propagate to the guard.  Schema changes run in
// one workspace transaction with the description rows they go with, so a
// failure leaves neither a column without its description nor the reverse.
#ifndef ZLDBCTRL70_ADDITIONAL_DATA_DATA_COLUMNS_H_
#define ZLDBCTRL70_ADDITIONAL_DATA_DATA_COLUMNS_H_

#include "frame/handle_record.h"
#include "zldbctrl70/value_objects.h"

namespace zl {

// Appends one object per description in the order of the data-name index.
int ReadColumnInfos(ZLHandleRecord& record, CZLAdditionalDataInfoArray& infos);
// Fills the description named by info.m_strDataName (14 when none).
int ReadColumnInfo(ZLHandleRecord& record, CZLAdditionalDataInfoObject& info);
// Rewrites INFO and STATE of the described column (14 when none).
int WriteColumnInfo(ZLHandleRecord& record, const CZLAdditionalDataInfoObject& info);

// Adds the column and its description (38 when the name is described).
int CreateColumn(ZLHandleRecord& record, const CZLAdditionalDataInfoObject& info);
// Removes the column, its index and its description (14 when none).
int DeleteColumn(ZLHandleRecord& record, const char* dataName);

// One value of the record (11 no row for the record, 14 no such column).
int ReadColumnValue(ZLHandleRecord& record, long recordID, const char* dataName,
                    COleVariant& value);
// Stores one value, adding the record's row when it has none (14 no such
// column, 36 duplicate in a unique index).
int WriteColumnValue(ZLHandleRecord& record, long recordID, const char* dataName,
                     const COleVariant& value);

// Deletes the record's row of values (what deleting the record needs).
void DeleteRecordAdditionalData(ZLHandleRecord& record, long recordID);

}  // namespace zl

#endif  // ZLDBCTRL70_ADDITIONAL_DATA_DATA_COLUMNS_H_
