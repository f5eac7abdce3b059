// Call lines: per simulator language, the texts with which a netlist calls
// a model, picked by call key and level mask (CALL_<lang> tables).
//
// Every operation comes in a ByID form (record ID) and a ByBookmark form
// (the record's bookmark, 8 when it cannot be set).  Common codes: 7 bad
// handle, 21 no call table for the simulator language, 9 engine failure
// (also a call key longer than 30 characters), 6 memory exhausted.  The
// call operations take no access code.  Writes are all-or-nothing.
#ifndef ZLDBCTRL70_CALLS_H_
#define ZLDBCTRL70_CALLS_H_

#include "zldbctrl70/export.h"
#include "zldbctrl70/value_objects.h"

// The first call line of the record, in table order, whose key equals
// lpszCallKey without regard to case and whose level contains every bit of
// dwLevel (0 accepts any level); 29 when there is none.  The object is
// reset first and carries the key as the caller spelled it.
ZL_EXPORT int ZLGetCallByID(void* hDB, long lID, const char* lpszSimLanguage,
                            const char* lpszCallKey, unsigned long dwLevel, CZLCallObject& call);
ZL_EXPORT int ZLGetCallByBookmark(void* hDB, const COleVariant& bookmark,
                                  const char* lpszSimLanguage, const char* lpszCallKey,
                                  unsigned long dwLevel, CZLCallObject& call);

// Every call line of the record in every simulator language that has a
// call table: the map is emptied (ZLFreeCallMap) and gets one new array
// per language, empty when the record has no call line there.  On failure
// the map is left empty.
ZL_EXPORT int ZLGetCallsByID(void* hDB, long lID, CZLCallMap& calls);
ZL_EXPORT int ZLGetCallsByBookmark(void* hDB, const COleVariant& bookmark, CZLCallMap& calls);

// Writes one call line: a new one when its call ID is 0, else the line with
// that ID (25 when there is none, 26 when it belongs to another record).
// The record must exist (11).
ZL_EXPORT int ZLSetCallByID(void* hDB, long lID, const char* lpszSimLanguage,
                            const CZLCallObject& call);
ZL_EXPORT int ZLSetCallByBookmark(void* hDB, const COleVariant& bookmark,
                                  const char* lpszSimLanguage, const CZLCallObject& call);

// Replaces the record's call lines in every simulator language of the map:
// lines whose ID an object carries are rewritten, the record's other lines
// are reused for the new objects (ID 0) in order, and what is left over is
// deleted.  All languages in one transaction.
ZL_EXPORT int ZLSetCallsByID(void* hDB, long lID, const CZLCallMap& calls);
ZL_EXPORT int ZLSetCallsByBookmark(void* hDB, const COleVariant& bookmark, const CZLCallMap& calls);

#endif  // ZLDBCTRL70_CALLS_H_
