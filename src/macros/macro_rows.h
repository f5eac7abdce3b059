// Macro rows of the MACRO_<lang> tables: selecting a record's macro, reading
// it into the text and stored-form objects, writing one macro or a record's
// whole set in one language, and deleting one.
//
// Stored form.  With state bit kMacroCompressed set, MACROTEXT is the packed
// block of the text with its zero byte and FLEXOPTION the packed block of
// the text's length (32-bit little-endian), the option text and a zero
// byte; without it MACROTEXT holds the plain bytes with the zero byte and
// FLEXOPTION is NULL.  DEFAULT, DEFNAME, DESCRIPTION and COMPILED take part
// only in databases of version kMacroExtrasVersion and later.
//
// Every routine works on a locked handle record, returns a last-error code
// and lets engine exceptions propagate to the operation's guard.
#ifndef ZLDBCTRL70_MACROS_MACRO_ROWS_H_
#define ZLDBCTRL70_MACROS_MACRO_ROWS_H_

#include "frame/handle_record.h"
#include "zldbctrl70/platform/types.h"
#include "zldbctrl70/value_objects.h"

class CZLRecordset;

namespace zl {

// The code the operations handing out macro contents require.
constexpr long kMacroAccessCode = 0x3B1D2E7;
constexpr long kMacroCompressed = 0x8000;
constexpr int kMacroExtrasVersion = 7;
// A result that fails without changing the last error.
constexpr int kKeepLastError = -1;

// Which macro of a record a reader takes: the first row in index order
// that satisfies the rule.
struct ZLMacroSelection {
  enum EKind {
    kLevel,      // LEVEL contains every bit of level; level 0: LEVEL is 0
    kDefName,    // DEFNAME equals defName byte for byte and LEVEL is not 0
    kInterface,  // LEVEL is 0
    kDefault     // DEFAULT is true (older databases: the first row)
  };
  EKind kind;
  unsigned long level;  // bits beyond the stored 32 match no row
  const char* defName;
};

// Positions rs (the macro table) on the selected row of recordID: 0, 29
// when no row qualifies, kKeepLastError for a selection by name in an older
// database.
int SelectMacroRow(ZLHandleRecord& record, CZLRecordset& rs, long recordID,
                   const ZLMacroSelection& selection);

// Fill the object (reset first) from the current row of rs: 0, or 31 when
// the stored text or option block is missing where required, does not
// unpack, or carries a length prefix other than the text's length.
int ReadMacroRow(ZLHandleRecord& record, CZLRecordset& rs, CZLMacroObject& macro);
int ReadMacroRow(ZLHandleRecord& record, CZLRecordset& rs, CZLBinaryMacroObject& macro);

// Writes one macro of recordID in rs: a new row when macroID is 0, else the
// row with that ID (22 none, 23 another record's).  macroID receives the
// row's ID.  Descriptions: 20 when the object names a language without
// string table (nothing written).  In its own transaction.
int WriteMacroRow(ZLHandleRecord& record, CZLRecordset& rs, long recordID,
                  const CZLMacroObject& macro, long& macroID);
int WriteMacroRow(ZLHandleRecord& record, CZLRecordset& rs, long recordID,
                  const CZLBinaryMacroObject& macro, long& macroID);

// Replaces recordID's macros in rs with the array's: rows whose ID an
// object carries are rewritten, other rows go to the new objects (ID 0) in
// order or are deleted, remaining new objects are added.  The caller's
// objects are not changed.  In its own transaction.
template <class Object>
int WriteMacroSet(ZLHandleRecord& record, CZLRecordset& rs, long recordID,
                  const CTypedPtrArray<CObArray, Object*>& macros);

// Appends one new object per macro row of recordID in rs, in index order:
// 0, or the first row's code that ReadMacroRow refuses (31).
template <class Object>
int ReadMacroSet(ZLHandleRecord& record, CZLRecordset& rs, long recordID,
                 CTypedPtrArray<CObArray, Object*>& macros);

// Deletes macro macroID of recordID with its description texts (22, 23).
int DeleteMacroRow(ZLHandleRecord& record, CZLRecordset& rs, long recordID, long macroID);

}  // namespace zl

#endif  // ZLDBCTRL70_MACROS_MACRO_ROWS_H_
