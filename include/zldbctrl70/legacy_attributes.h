// Model attributes of the legacy interface (included by zldbctrl70/legacy.h).
//
// Every attribute Attr has four functions: GetAttrByID(hDB, id, out),
// GetAttrByBookmark(hDB, bookmark, out), SetAttrByID(hDB, id, value) and
// SetAttrByBookmark(hDB, bookmark, value).  A getter fails with 10 when no
// model has the ID, 9 when the field is null, 8 for a bookmark the engine
// refuses; a setter writes the field (and its stamp: the model's DATE, or
// the layout-change date of LASTLAYOUTCHANGE) in one transaction.
//
//   Attribute                       Field               Stamp
//   Name                            NAME
//   Folder                          FLDR                layout change
//   Symbol                          SYMBOL              DATE
//   Call, CallSimplis, CallSpice    CALL, CALL_...
//   Type                            TYPE                DATE
//   SDBState                        SDB_STATE
//   Title                           TITLE               layout change
//   Level                           LEVEL               DATE
//   Uses, UsesSimplis, UsesSpice    USES, USES_...
//   Info                            INFO
//   LibState, ...Simplis, ...Spice  LIB_STATE, ...
//   SymbolLevel                     SYMBOL_LEVEL
//   Schematic                       SCH
//   Date                            DATE
//   Src                             SRC
//   UDTName                         UDTNAME
//   WizType                         WIZTYPE
//
// The fields ending in _SIMPLIS and _SPICE are not created by
// CreateZLDatabase; on a database without them their functions fail with 8.
#ifndef ZLDBCTRL70_LEGACY_ATTRIBUTES_H_
#define ZLDBCTRL70_LEGACY_ATTRIBUTES_H_

#include "zldbctrl70/export.h"
#include "zldbctrl70/platform/coll_list.h"
#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/datetime.h"
#include "zldbctrl70/platform/longbinary.h"
#include "zldbctrl70/platform/types.h"
#include "zldbctrl70/platform/variant.h"

#define LZL_DECLARE_ATTRIBUTE(Attr, OutType, InType)                                   \
  ZL_EXPORT int Get##Attr##ByID(void* hDB, long lID, OutType value);                   \
  ZL_EXPORT int Get##Attr##ByBookmark(void* hDB, COleVariant bookmark, OutType value); \
  ZL_EXPORT int Set##Attr##ByID(void* hDB, long lID, InType value);                    \
  ZL_EXPORT int Set##Attr##ByBookmark(void* hDB, COleVariant bookmark, InType value);

LZL_DECLARE_ATTRIBUTE(Name, CString&, const char*)
LZL_DECLARE_ATTRIBUTE(Folder, CString&, const char*)
LZL_DECLARE_ATTRIBUTE(Symbol, CString&, const char*)
LZL_DECLARE_ATTRIBUTE(Call, CString&, const char*)
LZL_DECLARE_ATTRIBUTE(CallSimplis, CString&, const char*)
LZL_DECLARE_ATTRIBUTE(CallSpice, CString&, const char*)
LZL_DECLARE_ATTRIBUTE(Type, CString&, const char*)
LZL_DECLARE_ATTRIBUTE(SDBState, long&, long)
LZL_DECLARE_ATTRIBUTE(Title, CString&, const char*)
LZL_DECLARE_ATTRIBUTE(Level, int&, int)
LZL_DECLARE_ATTRIBUTE(Uses, CString&, const char*)
LZL_DECLARE_ATTRIBUTE(UsesSimplis, CString&, const char*)
LZL_DECLARE_ATTRIBUTE(UsesSpice, CString&, const char*)
LZL_DECLARE_ATTRIBUTE(Info, CString&, const char*)
LZL_DECLARE_ATTRIBUTE(LibState, long&, long)
LZL_DECLARE_ATTRIBUTE(LibStateSimplis, long&, long)
LZL_DECLARE_ATTRIBUTE(LibStateSpice, long&, long)
LZL_DECLARE_ATTRIBUTE(SymbolLevel, long&, long)
LZL_DECLARE_ATTRIBUTE(Schematic, CLongBinary&, const CLongBinary&)
LZL_DECLARE_ATTRIBUTE(Date, COleDateTime&, const COleDateTime&)
LZL_DECLARE_ATTRIBUTE(Src, CString&, const char*)
LZL_DECLARE_ATTRIBUTE(UDTName, CString&, const char*)
LZL_DECLARE_ATTRIBUTE(WizType, BYTE&, BYTE)

#undef LZL_DECLARE_ATTRIBUTE

// Library texts (LIB, LIB_SIMPLIS, LIB_SPICE).  A getter needs the access
// code LZL_LIB_ACCESS (25 otherwise, checked first) and returns the text,
// decompressed when bit LZL_LIB_COMPRESSED of the matching library-state
// field is set (8 for a compressed block that does not decode).  A setter
// with bCompress non-zero stores the text compressed and sets that bit,
// otherwise stores the bytes as they are and clears it; either way the
// model's DATE is renewed.
#define LZL_DECLARE_LIB(Attr)                                                                \
  ZL_EXPORT int Get##Attr##ByID(void* hDB, long lID, CString& text, long lAccess);           \
  ZL_EXPORT int Get##Attr##ByBookmark(void* hDB, COleVariant bookmark, CString& text,        \
                                      long lAccess);                                         \
  ZL_EXPORT int Set##Attr##ByID(void* hDB, long lID, const char* lpszText, int bCompress);   \
  ZL_EXPORT int Set##Attr##ByBookmark(void* hDB, COleVariant bookmark, const char* lpszText, \
                                      int bCompress);

LZL_DECLARE_LIB(Lib)
LZL_DECLARE_LIB(LibSimplis)
LZL_DECLARE_LIB(LibSpice)

#undef LZL_DECLARE_LIB

// Side lists: rows of PARAMS (Params), CONNECT (Connects) and OUTPUT
// (Output) as CCoPaObject, FILES as CFileObject, keywords as CKeywordObject.
// A getter appends new objects to the caller's list in table order; a setter
// replaces the model's rows by one row per object (the model must exist: 10)
// and renews its DATE.
#define LZL_DECLARE_LIST(Attr)                                                         \
  ZL_EXPORT int Get##Attr##ByID(void* hDB, long lID, CObList& list);                   \
  ZL_EXPORT int Get##Attr##ByBookmark(void* hDB, COleVariant bookmark, CObList& list); \
  ZL_EXPORT int Set##Attr##ByID(void* hDB, long lID, const CObList& list);             \
  ZL_EXPORT int Set##Attr##ByBookmark(void* hDB, COleVariant bookmark, const CObList& list);

LZL_DECLARE_LIST(Params)
LZL_DECLARE_LIST(Connects)
LZL_DECLARE_LIST(Output)
LZL_DECLARE_LIST(Files)
LZL_DECLARE_LIST(Keywords)

#undef LZL_DECLARE_LIST

// The model's path in the folder tree, built from FLDR and the titles of the
// folder records: "\\" for a model at the root, else "\\" followed by the
// folder titles joined by "\".  Fails (10) when a folder is missing.
ZL_EXPORT int GetPathByID(void* hDB, long lID, CString& path);
ZL_EXPORT int GetPathByBookmark(void* hDB, COleVariant bookmark, CString& path);

#endif  // ZLDBCTRL70_LEGACY_ATTRIBUTES_H_
