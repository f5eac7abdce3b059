// Attributes of the records of the model tree and of parameter sets.
//
// Every attribute has a getter and a setter, each by record ID (the record's
// MODEL_ID) and by bookmark (from ZLGetBookmarkByID and friends).  All return
// 1 on success (last error 0) and 0 on failure with the last error:
//   7  invalid handle            8  the bookmark is not one of this handle's
//   11 no record (or parameter set) with that ID
//   10 the field is empty (never written); byte blocks: not a byte block
//   9  the engine failed or refused the value (a text longer than its field,
//      a number that does not fit the field's 32 bits)
//   6  memory exhausted
// A failed getter leaves the caller's value as it was, except the byte-block
// getters, which free the caller's block first once the row is found.  A
// failed setter leaves the database as it was: each call is one transaction
// (value, stamp and texts are committed together, or not at all).  Setters
// never fill creation or modification users and dates on their own.
//
// The parameter-set argument (lParamID): 0 works on the record's own row;
// any other value works on the parameter set with that PARAM_ID instead and
// the record ID or bookmark is ignored.
//
// Of these setters only ZLSetState... and ZLSetTitle.../ZLSetInfo... renew
// the layout change date (ZLGetLastLayoutChangeDate), in the same
// transaction as their write.
#ifndef ZLDBCTRL70_ATTRIBUTES_H_
#define ZLDBCTRL70_ATTRIBUTES_H_

#include "zldbctrl70/export.h"
#include "zldbctrl70/platform/coll_map.h"
#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/datetime.h"
#include "zldbctrl70/platform/longbinary.h"
#include "zldbctrl70/platform/types.h"
#include "zldbctrl70/platform/variant.h"

// Definition name (at most 50 characters).
ZL_EXPORT int ZLGetDefNameByID(void* hDB, long lID, CString& defName);
ZL_EXPORT int ZLGetDefNameByBookmark(void* hDB, const COleVariant& bookmark, CString& defName);
ZL_EXPORT int ZLSetDefNameByID(void* hDB, long lID, const char* defName);
ZL_EXPORT int ZLSetDefNameByBookmark(void* hDB, const COleVariant& bookmark, const char* defName);

// State word.  The setters renew the layout change date before writing.
ZL_EXPORT int ZLGetStateByID(void* hDB, long lID, unsigned long& state, long lParamID);
ZL_EXPORT int ZLGetStateByBookmark(void* hDB, const COleVariant& bookmark, unsigned long& state,
                                   long lParamID);
ZL_EXPORT int ZLSetStateByID(void* hDB, long lID, unsigned long state, long lParamID);
ZL_EXPORT int ZLSetStateByBookmark(void* hDB, const COleVariant& bookmark, unsigned long state,
                                   long lParamID);

// Record type.
ZL_EXPORT int ZLGetTypeByID(void* hDB, long lID, unsigned long& type);
ZL_EXPORT int ZLGetTypeByBookmark(void* hDB, const COleVariant& bookmark, unsigned long& type);
ZL_EXPORT int ZLSetTypeByID(void* hDB, long lID, unsigned long type);
ZL_EXPORT int ZLSetTypeByBookmark(void* hDB, const COleVariant& bookmark, unsigned long type);

// Level.
ZL_EXPORT int ZLGetLevelByID(void* hDB, long lID, unsigned long& level);
ZL_EXPORT int ZLGetLevelByBookmark(void* hDB, const COleVariant& bookmark, unsigned long& level);
ZL_EXPORT int ZLSetLevelByID(void* hDB, long lID, unsigned long level);
ZL_EXPORT int ZLSetLevelByBookmark(void* hDB, const COleVariant& bookmark, unsigned long level);

// User who created the record (at most 255 characters).
ZL_EXPORT int ZLGetCreatedUserByID(void* hDB, long lID, CString& user, long lParamID);
ZL_EXPORT int ZLGetCreatedUserByBookmark(void* hDB, const COleVariant& bookmark, CString& user,
                                         long lParamID);
ZL_EXPORT int ZLSetCreatedUserByID(void* hDB, long lID, const char* user, long lParamID);
ZL_EXPORT int ZLSetCreatedUserByBookmark(void* hDB, const COleVariant& bookmark, const char* user,
                                         long lParamID);

// User who last modified the record (at most 255 characters).
ZL_EXPORT int ZLGetModifiedUserByID(void* hDB, long lID, CString& user, long lParamID);
ZL_EXPORT int ZLGetModifiedUserByBookmark(void* hDB, const COleVariant& bookmark, CString& user,
                                          long lParamID);
ZL_EXPORT int ZLSetModifiedUserByID(void* hDB, long lID, const char* user, long lParamID);
ZL_EXPORT int ZLSetModifiedUserByBookmark(void* hDB, const COleVariant& bookmark, const char* user,
                                          long lParamID);

// Creation date (the date value is kept exactly; its status is not stored).
ZL_EXPORT int ZLGetCreatedDateByID(void* hDB, long lID, COleDateTime& date, long lParamID);
ZL_EXPORT int ZLGetCreatedDateByBookmark(void* hDB, const COleVariant& bookmark, COleDateTime& date,
                                         long lParamID);
ZL_EXPORT int ZLSetCreatedDateByID(void* hDB, long lID, const COleDateTime& date, long lParamID);
ZL_EXPORT int ZLSetCreatedDateByBookmark(void* hDB, const COleVariant& bookmark,
                                         const COleDateTime& date, long lParamID);

// Modification date.
ZL_EXPORT int ZLGetModifiedDateByID(void* hDB, long lID, COleDateTime& date, long lParamID);
ZL_EXPORT int ZLGetModifiedDateByBookmark(void* hDB, const COleVariant& bookmark,
                                          COleDateTime& date, long lParamID);
ZL_EXPORT int ZLSetModifiedDateByID(void* hDB, long lID, const COleDateTime& date, long lParamID);
ZL_EXPORT int ZLSetModifiedDateByBookmark(void* hDB, const COleVariant& bookmark,
                                          const COleDateTime& date, long lParamID);

// USES text (at most 250 characters).
ZL_EXPORT int ZLGetUsesByID(void* hDB, long lID, CString& uses);
ZL_EXPORT int ZLGetUsesByBookmark(void* hDB, const COleVariant& bookmark, CString& uses);
ZL_EXPORT int ZLSetUsesByID(void* hDB, long lID, const char* uses);
ZL_EXPORT int ZLSetUsesByBookmark(void* hDB, const COleVariant& bookmark, const char* uses);

// Sheet data, an opaque byte block.  The getters free the caller's block
// first, then give a new block the caller owns (none for an empty block).
ZL_EXPORT int ZLGetSheetByID(void* hDB, long lID, CLongBinary& sheet);
ZL_EXPORT int ZLGetSheetByBookmark(void* hDB, const COleVariant& bookmark, CLongBinary& sheet);
ZL_EXPORT int ZLSetSheetByID(void* hDB, long lID, const CLongBinary& sheet);
ZL_EXPORT int ZLSetSheetByBookmark(void* hDB, const COleVariant& bookmark,
                                   const CLongBinary& sheet);

// Name of the record's user-defined table (at most 20 characters).
ZL_EXPORT int ZLGetUDTNameByID(void* hDB, long lID, CString& name);
ZL_EXPORT int ZLGetUDTNameByBookmark(void* hDB, const COleVariant& bookmark, CString& name);
ZL_EXPORT int ZLSetUDTNameByID(void* hDB, long lID, const char* name);
ZL_EXPORT int ZLSetUDTNameByBookmark(void* hDB, const COleVariant& bookmark, const char* name);

// Wizard type.
ZL_EXPORT int ZLGetWizTypeByID(void* hDB, long lID, long& wizType);
ZL_EXPORT int ZLGetWizTypeByBookmark(void* hDB, const COleVariant& bookmark, long& wizType);
ZL_EXPORT int ZLSetWizTypeByID(void* hDB, long lID, long wizType);
ZL_EXPORT int ZLSetWizTypeByBookmark(void* hDB, const COleVariant& bookmark, long wizType);

// Wizard data, an opaque byte block (as the sheet).
ZL_EXPORT int ZLGetWizardDataByID(void* hDB, long lID, CLongBinary& data);
ZL_EXPORT int ZLGetWizardDataByBookmark(void* hDB, const COleVariant& bookmark, CLongBinary& data);
ZL_EXPORT int ZLSetWizardDataByID(void* hDB, long lID, const CLongBinary& data);
ZL_EXPORT int ZLSetWizardDataByBookmark(void* hDB, const COleVariant& bookmark,
                                        const CLongBinary& data);

// Title and information: texts in the user-interface languages (resource
// languages, ZLAddResourceTable).  The row holds one resource ID per text;
// each language's string table holds that language's text.
//
// One language: the getter fails with 10 when no text was ever stored in
// any language, 20 when the language has no string table, 27 when it has no
// text in that language.  The setter gives the row a resource ID on its
// first text and renews the layout change date; a failed setter leaves
// neither.
//
// All languages (a map from language ID to text): the getter empties the
// map, then enters the text of every resource language that has one; it
// succeeds even when some languages have none (the last error is then 27
// when the first listed language had none, otherwise 0), and fails with 10
// (map empty) when no text was ever stored.  The setter stores every entry
// of the map in one transaction: when one fails (20 for a language without
// string table) nothing of the call stays, not even a resource ID it
// allocated.  Languages absent from the map keep their texts; an empty map
// stores nothing but still gives the row a resource ID and renews the
// layout change date.
ZL_EXPORT int ZLGetTitleByID(void* hDB, long lID, WORD wLanguage, CString& title, long lParamID);
ZL_EXPORT int ZLGetTitleByID(void* hDB, long lID, CMap<WORD, WORD, CString, LPCSTR>& titles,
                             long lParamID);
ZL_EXPORT int ZLGetTitleByBookmark(void* hDB, const COleVariant& bookmark, WORD wLanguage,
                                   CString& title, long lParamID);
ZL_EXPORT int ZLGetTitleByBookmark(void* hDB, const COleVariant& bookmark,
                                   CMap<WORD, WORD, CString, LPCSTR>& titles, long lParamID);
ZL_EXPORT int ZLSetTitleByID(void* hDB, long lID, WORD wLanguage, const char* title, long lParamID);
ZL_EXPORT int ZLSetTitleByID(void* hDB, long lID, const CMap<WORD, WORD, CString, LPCSTR>& titles,
                             long lParamID);
ZL_EXPORT int ZLSetTitleByBookmark(void* hDB, const COleVariant& bookmark, WORD wLanguage,
                                   const char* title, long lParamID);
ZL_EXPORT int ZLSetTitleByBookmark(void* hDB, const COleVariant& bookmark,
                                   const CMap<WORD, WORD, CString, LPCSTR>& titles, long lParamID);

ZL_EXPORT int ZLGetInfoByID(void* hDB, long lID, WORD wLanguage, CString& info, long lParamID);
ZL_EXPORT int ZLGetInfoByID(void* hDB, long lID, CMap<WORD, WORD, CString, LPCSTR>& infos,
                            long lParamID);
ZL_EXPORT int ZLGetInfoByBookmark(void* hDB, const COleVariant& bookmark, WORD wLanguage,
                                  CString& info, long lParamID);
ZL_EXPORT int ZLGetInfoByBookmark(void* hDB, const COleVariant& bookmark,
                                  CMap<WORD, WORD, CString, LPCSTR>& infos, long lParamID);
ZL_EXPORT int ZLSetInfoByID(void* hDB, long lID, WORD wLanguage, const char* info, long lParamID);
ZL_EXPORT int ZLSetInfoByID(void* hDB, long lID, const CMap<WORD, WORD, CString, LPCSTR>& infos,
                            long lParamID);
ZL_EXPORT int ZLSetInfoByBookmark(void* hDB, const COleVariant& bookmark, WORD wLanguage,
                                  const char* info, long lParamID);
ZL_EXPORT int ZLSetInfoByBookmark(void* hDB, const COleVariant& bookmark,
                                  const CMap<WORD, WORD, CString, LPCSTR>& infos, long lParamID);

#endif  // ZLDBCTRL70_ATTRIBUTES_H_
