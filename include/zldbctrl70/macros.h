// Macros: per simulator language, a model's source texts with their compiled
// code, option text, level mask and descriptions (MACRO_<lang> tables).
//
// Every operation comes in a ByID form (record ID) and a ByBookmark form
// (the record's bookmark, 8 when it cannot be set).  Common codes: 7 bad
// handle, 21 no macro table for the simulator language, 9 engine failure
// (also a text too long for its field), 6 memory exhausted.
//
// Selection.  A record's macros in one language are taken in table order:
// by level mask L, the first whose level contains every bit of L (L = 0:
// the first whose level is 0); by definition name, the first whose name is
// equal byte for byte and whose level is not 0 (never the level-0 macro);
// the interface macro, the first of level 0; the default macro, the first
// marked default.  29 when no macro qualifies.
//
// Access code.  Operations that hand out macro contents take ZL_MACRO_ACCESS
// as their last argument; any other value fails with 24 before anything
// else is looked at (even the handle).
//
// Stored form.  With state bit 0x8000 the text and the option text are
// stored compressed; without it the text is stored as it is and the option
// text is not stored.  A stored compressed text or option block that does
// not decode, or whose option block's length prefix differs from the text's
// length, is refused with 31; so is a stored-form read of a macro without
// option block.
//
// Objects read are reset first; on failure they are left reset.  Writes are
// all-or-nothing.
#ifndef ZLDBCTRL70_MACROS_H_
#define ZLDBCTRL70_MACROS_H_

#include "zldbctrl70/export.h"
#include "zldbctrl70/value_objects.h"

constexpr long ZL_MACRO_ACCESS = 0x3B1D2E7;

// One macro by level mask, into a text or a stored-form object.
ZL_EXPORT int ZLGetMacroByID(void* hDB, long lID, const char* lpszSimLanguage,
                             unsigned long dwLevel, CZLMacroObject& macro, long lAccess);
ZL_EXPORT int ZLGetMacroByID(void* hDB, long lID, const char* lpszSimLanguage,
                             unsigned long dwLevel, CZLBinaryMacroObject& macro, long lAccess);
ZL_EXPORT int ZLGetMacroByBookmark(void* hDB, const COleVariant& bookmark,
                                   const char* lpszSimLanguage, unsigned long dwLevel,
                                   CZLMacroObject& macro, long lAccess);
ZL_EXPORT int ZLGetMacroByBookmark(void* hDB, const COleVariant& bookmark,
                                   const char* lpszSimLanguage, unsigned long dwLevel,
                                   CZLBinaryMacroObject& macro, long lAccess);
// One macro by definition name.  A database older than version 7 fails
// without changing the last error.
ZL_EXPORT int ZLGetMacroByID(void* hDB, long lID, const char* lpszSimLanguage,
                             const char* lpszDefName, CZLMacroObject& macro, long lAccess);
ZL_EXPORT int ZLGetMacroByID(void* hDB, long lID, const char* lpszSimLanguage,
                             const char* lpszDefName, CZLBinaryMacroObject& macro, long lAccess);
ZL_EXPORT int ZLGetMacroByBookmark(void* hDB, const COleVariant& bookmark,
                                   const char* lpszSimLanguage, const char* lpszDefName,
                                   CZLMacroObject& macro, long lAccess);
ZL_EXPORT int ZLGetMacroByBookmark(void* hDB, const COleVariant& bookmark,
                                   const char* lpszSimLanguage, const char* lpszDefName,
                                   CZLBinaryMacroObject& macro, long lAccess);
// The interface and the default macro.
ZL_EXPORT int ZLGetInterfaceByID(void* hDB, long lID, const char* lpszSimLanguage,
                                 CZLMacroObject& macro, long lAccess);
ZL_EXPORT int ZLGetInterfaceByID(void* hDB, long lID, const char* lpszSimLanguage,
                                 CZLBinaryMacroObject& macro, long lAccess);
ZL_EXPORT int ZLGetInterfaceByBookmark(void* hDB, const COleVariant& bookmark,
                                       const char* lpszSimLanguage, CZLMacroObject& macro,
                                       long lAccess);
ZL_EXPORT int ZLGetInterfaceByBookmark(void* hDB, const COleVariant& bookmark,
                                       const char* lpszSimLanguage, CZLBinaryMacroObject& macro,
                                       long lAccess);
ZL_EXPORT int ZLGetDefaultMacroByID(void* hDB, long lID, const char* lpszSimLanguage,
                                    CZLMacroObject& macro, long lAccess);
ZL_EXPORT int ZLGetDefaultMacroByID(void* hDB, long lID, const char* lpszSimLanguage,
                                    CZLBinaryMacroObject& macro, long lAccess);
ZL_EXPORT int ZLGetDefaultMacroByBookmark(void* hDB, const COleVariant& bookmark,
                                          const char* lpszSimLanguage, CZLMacroObject& macro,
                                          long lAccess);
ZL_EXPORT int ZLGetDefaultMacroByBookmark(void* hDB, const COleVariant& bookmark,
                                          const char* lpszSimLanguage, CZLBinaryMacroObject& macro,
                                          long lAccess);

// The macro text only (emptied first).
ZL_EXPORT int ZLGetMacroByID(void* hDB, long lID, const char* lpszSimLanguage,
                             unsigned long dwLevel, CString& text, long lAccess);
ZL_EXPORT int ZLGetMacroByID(void* hDB, long lID, const char* lpszSimLanguage,
                             const char* lpszDefName, CString& text, long lAccess);
ZL_EXPORT int ZLGetMacroByBookmark(void* hDB, const COleVariant& bookmark,
                                   const char* lpszSimLanguage, unsigned long dwLevel,
                                   CString& text, long lAccess);
ZL_EXPORT int ZLGetMacroByBookmark(void* hDB, const COleVariant& bookmark,
                                   const char* lpszSimLanguage, const char* lpszDefName,
                                   CString& text, long lAccess);
ZL_EXPORT int ZLGetInterfaceByID(void* hDB, long lID, const char* lpszSimLanguage, CString& text,
                                 long lAccess);
ZL_EXPORT int ZLGetInterfaceByBookmark(void* hDB, const COleVariant& bookmark,
                                       const char* lpszSimLanguage, CString& text, long lAccess);
ZL_EXPORT int ZLGetDefaultMacroByID(void* hDB, long lID, const char* lpszSimLanguage, CString& text,
                                    long lAccess);
ZL_EXPORT int ZLGetDefaultMacroByBookmark(void* hDB, const COleVariant& bookmark,
                                          const char* lpszSimLanguage, CString& text, long lAccess);

// The compiled code of a macro: a new buffer (global operator new; the
// caller releases it with operator delete) and its length, or 0 and null
// when the macro has none.  A null ppBuffer fails without changing the last
// error.
ZL_EXPORT int ZLGetCompiledMacroByID(void* hDB, long lID, const char* lpszSimLanguage,
                                     unsigned long dwLevel, long& lLength,
                                     unsigned char** ppBuffer);
ZL_EXPORT int ZLGetCompiledMacroByID(void* hDB, long lID, const char* lpszSimLanguage,
                                     const char* lpszDefName, long& lLength,
                                     unsigned char** ppBuffer);
ZL_EXPORT int ZLGetCompiledMacroByBookmark(void* hDB, const COleVariant& bookmark,
                                           const char* lpszSimLanguage, unsigned long dwLevel,
                                           long& lLength, unsigned char** ppBuffer);
ZL_EXPORT int ZLGetCompiledMacroByBookmark(void* hDB, const COleVariant& bookmark,
                                           const char* lpszSimLanguage, const char* lpszDefName,
                                           long& lLength, unsigned char** ppBuffer);
ZL_EXPORT int ZLGetCompiledInterfaceByID(void* hDB, long lID, const char* lpszSimLanguage,
                                         long& lLength, unsigned char** ppBuffer);
ZL_EXPORT int ZLGetCompiledInterfaceByBookmark(void* hDB, const COleVariant& bookmark,
                                               const char* lpszSimLanguage, long& lLength,
                                               unsigned char** ppBuffer);
ZL_EXPORT int ZLGetCompiledDefaultMacroByID(void* hDB, long lID, const char* lpszSimLanguage,
                                            long& lLength, unsigned char** ppBuffer);
ZL_EXPORT int ZLGetCompiledDefaultMacroByBookmark(void* hDB, const COleVariant& bookmark,
                                                  const char* lpszSimLanguage, long& lLength,
                                                  unsigned char** ppBuffer);

// Every macro of the record in every simulator language that has a macro
// table: the map is emptied (ZLFreeMacroMap) and gets one new array per
// language, empty when the record has no macro there.  On failure the map
// is left empty.
ZL_EXPORT int ZLGetMacrosByID(void* hDB, long lID, CZLMacroMap& macros, long lAccess);
ZL_EXPORT int ZLGetMacrosByID(void* hDB, long lID, CZLBinaryMacroMap& macros, long lAccess);
ZL_EXPORT int ZLGetMacrosByBookmark(void* hDB, const COleVariant& bookmark, CZLMacroMap& macros,
                                    long lAccess);
ZL_EXPORT int ZLGetMacrosByBookmark(void* hDB, const COleVariant& bookmark,
                                    CZLBinaryMacroMap& macros, long lAccess);

// Writes one macro: a new one when its macro ID is 0, else the macro with
// that ID (22 when there is none, 23 when it belongs to another record).
// The record must exist (11).  Descriptions are stored per resource
// language; a language of the map without string table fails with 20, and
// a language with a stored text that the map lacks loses it.  The text
// object's macro text is packed with its option text when state bit 0x8000
// is set; the stored-form object's blocks are stored as they are.
ZL_EXPORT int ZLSetMacroByID(void* hDB, long lID, const char* lpszSimLanguage,
                             const CZLMacroObject& macro);
ZL_EXPORT int ZLSetMacroByID(void* hDB, long lID, const char* lpszSimLanguage,
                             const CZLBinaryMacroObject& macro);
ZL_EXPORT int ZLSetMacroByBookmark(void* hDB, const COleVariant& bookmark,
                                   const char* lpszSimLanguage, const CZLMacroObject& macro);
ZL_EXPORT int ZLSetMacroByBookmark(void* hDB, const COleVariant& bookmark,
                                   const char* lpszSimLanguage, const CZLBinaryMacroObject& macro);

// Replaces the record's macros in every simulator language of the map:
// macros whose ID an object carries are rewritten, the record's other
// macros are reused for the new objects (ID 0) in order, and what is left
// over is deleted.  All languages in one transaction.
ZL_EXPORT int ZLSetMacrosByID(void* hDB, long lID, const CZLMacroMap& macros);
ZL_EXPORT int ZLSetMacrosByID(void* hDB, long lID, const CZLBinaryMacroMap& macros);
ZL_EXPORT int ZLSetMacrosByBookmark(void* hDB, const COleVariant& bookmark,
                                    const CZLMacroMap& macros);
ZL_EXPORT int ZLSetMacrosByBookmark(void* hDB, const COleVariant& bookmark,
                                    const CZLBinaryMacroMap& macros);

// Deletes one macro with its descriptions (22 none, 23 another record's).
ZL_EXPORT int ZLDeleteMacroByID(void* hDB, long lID, const char* lpszSimLanguage, long lMacroID);
ZL_EXPORT int ZLDeleteMacroByBookmark(void* hDB, const COleVariant& bookmark,
                                      const char* lpszSimLanguage, long lMacroID);

#endif  // ZLDBCTRL70_MACROS_H_
