// VHDL-AMS packages: the package records of the fixed table PACKAGE, a list
// linked through PREV and NEXT that callers maintain, and per simulator
// language one package object (texts and compiled forms, PACKAGE_<lang>).
//
// Common codes: 7 bad handle, 8 a bookmark that is not one of the
// handle's PACKAGE rows, 11 no package with that ID or name, 21 no package
// table for the simulator language, 9 engine failure (also a text too long
// for its field), 6 memory exhausted.  Writes are all-or-nothing.
//
// Change stamp.  Creating and deleting package records, setting a
// package's name, PREV, NEXT or state, and copying onto a package renew
// LASTVHDLPACKAGECHANGE (ZLGetPackageLastChangeDate); writing package
// objects and the created/modified attributes do not.
#ifndef ZLDBCTRL70_PACKAGES_H_
#define ZLDBCTRL70_PACKAGES_H_

#include "zldbctrl70/export.h"
#include "zldbctrl70/platform/coll_typed.h"
#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/datetime.h"
#include "zldbctrl70/platform/variant.h"
#include "zldbctrl70/value_objects.h"

constexpr long ZL_PACKAGE_ACCESS = 0x6C2A9F4;

// ---- package records ---------------------------------------------------------

// Adds an empty package record (only its ID set; not linked into the list)
// and returns its bookmark.
ZL_EXPORT int ZLCreatePackageNewRecord(void* hDB, COleVariant& bookmark);
// Deletes the package record with its objects in every simulator language.
// The links of neighbouring packages are left as they are.
ZL_EXPORT int ZLDeletePackageRecordByID(void* hDB, long lPackageID);
ZL_EXPORT int ZLDeletePackageRecordByBookmark(void* hDB, const COleVariant& bookmark);
// Copies name, users, dates, state and objects of a package onto an
// existing record, possibly of another database.  A name the destination
// already has gets "Copy of " put in front (again for every further
// clash).  PREV and NEXT are copied within one database only: in another
// database they would name unrelated packages, so there the destination's
// links stay as they were.  Both databases in one transaction.
ZL_EXPORT int ZLCopyPackageRecordByBookmark(void* hSrcDB, const COleVariant& srcBookmark,
                                            void* hDestDB, const COleVariant& destBookmark);
ZL_EXPORT int ZLGetPackageBookmarkByName(void* hDB, const char* lpszName, COleVariant& bookmark);
ZL_EXPORT int ZLGetPackageBookmarkByID(void* hDB, long lPackageID, COleVariant& bookmark);
// The first package of the list: from the package with the lowest ID, PREV
// is followed for as long as it names a package.  11 when there are no
// packages; 9 when the PREV links form a cycle.
ZL_EXPORT int ZLGetPackageRootBookmark(void* hDB, COleVariant& bookmark);
// Empties the array (freeing its variants), then adds one new bookmark per
// package in ID order (not list order).
ZL_EXPORT int ZLGetPackageAllBookmarks(void* hDB,
                                       CTypedPtrArray<CPtrArray, COleVariant*>& bookmarks);

// Package attributes; getters give 10 for a NULL field.  PREV and NEXT are
// package IDs; setting 0 stores none.
ZL_EXPORT int ZLGetPackageIDByBookmark(void* hDB, const COleVariant& bookmark, long& lPackageID);
ZL_EXPORT int ZLGetPackageNameByID(void* hDB, long lPackageID, CString& name);
ZL_EXPORT int ZLGetPackageNameByBookmark(void* hDB, const COleVariant& bookmark, CString& name);
ZL_EXPORT int ZLSetPackageNameByID(void* hDB, long lPackageID, const char* lpszName);
ZL_EXPORT int ZLSetPackageNameByBookmark(void* hDB, const COleVariant& bookmark,
                                         const char* lpszName);
ZL_EXPORT int ZLGetPackageCreatedUserByID(void* hDB, long lPackageID, CString& user);
ZL_EXPORT int ZLGetPackageCreatedUserByBookmark(void* hDB, const COleVariant& bookmark,
                                                CString& user);
ZL_EXPORT int ZLSetPackageCreatedUserByID(void* hDB, long lPackageID, const char* lpszUser);
ZL_EXPORT int ZLSetPackageCreatedUserByBookmark(void* hDB, const COleVariant& bookmark,
                                                const char* lpszUser);
ZL_EXPORT int ZLGetPackageModifiedUserByID(void* hDB, long lPackageID, CString& user);
ZL_EXPORT int ZLGetPackageModifiedUserByBookmark(void* hDB, const COleVariant& bookmark,
                                                 CString& user);
ZL_EXPORT int ZLSetPackageModifiedUserByID(void* hDB, long lPackageID, const char* lpszUser);
ZL_EXPORT int ZLSetPackageModifiedUserByBookmark(void* hDB, const COleVariant& bookmark,
                                                 const char* lpszUser);
ZL_EXPORT int ZLGetPackageCreatedDateByID(void* hDB, long lPackageID, COleDateTime& date);
ZL_EXPORT int ZLGetPackageCreatedDateByBookmark(void* hDB, const COleVariant& bookmark,
                                                COleDateTime& date);
ZL_EXPORT int ZLSetPackageCreatedDateByID(void* hDB, long lPackageID, const COleDateTime& date);
ZL_EXPORT int ZLSetPackageCreatedDateByBookmark(void* hDB, const COleVariant& bookmark,
                                                const COleDateTime& date);
ZL_EXPORT int ZLGetPackageModifiedDateByID(void* hDB, long lPackageID, COleDateTime& date);
ZL_EXPORT int ZLGetPackageModifiedDateByBookmark(void* hDB, const COleVariant& bookmark,
                                                 COleDateTime& date);
ZL_EXPORT int ZLSetPackageModifiedDateByID(void* hDB, long lPackageID, const COleDateTime& date);
ZL_EXPORT int ZLSetPackageModifiedDateByBookmark(void* hDB, const COleVariant& bookmark,
                                                 const COleDateTime& date);
ZL_EXPORT int ZLGetPackagePrevByID(void* hDB, long lPackageID, long& lPrev);
ZL_EXPORT int ZLGetPackagePrevByBookmark(void* hDB, const COleVariant& bookmark, long& lPrev);
ZL_EXPORT int ZLSetPackagePrevByID(void* hDB, long lPackageID, long lPrev);
ZL_EXPORT int ZLSetPackagePrevByBookmark(void* hDB, const COleVariant& bookmark, long lPrev);
ZL_EXPORT int ZLGetPackageNextByID(void* hDB, long lPackageID, long& lNext);
ZL_EXPORT int ZLGetPackageNextByBookmark(void* hDB, const COleVariant& bookmark, long& lNext);
ZL_EXPORT int ZLSetPackageNextByID(void* hDB, long lPackageID, long lNext);
ZL_EXPORT int ZLSetPackageNextByBookmark(void* hDB, const COleVariant& bookmark, long lNext);
ZL_EXPORT int ZLGetPackageStateByID(void* hDB, long lPackageID, unsigned long& dwState);
ZL_EXPORT int ZLGetPackageStateByBookmark(void* hDB, const COleVariant& bookmark,
                                          unsigned long& dwState);
ZL_EXPORT int ZLSetPackageStateByID(void* hDB, long lPackageID, unsigned long dwState);
ZL_EXPORT int ZLSetPackageStateByBookmark(void* hDB, const COleVariant& bookmark,
                                          unsigned long dwState);

// ---- package objects ---------------------------------------------------------
//
// Stored form: the package text is packed when state bit
// ZL_PACKAGE_TEXT_COMPRESSED is set, the body text when
// ZL_PACKAGE_BODY_COMPRESSED is; otherwise each is kept as its bytes with a
// zero byte.  Without use-body both body columns are stored empty (NULL).
// A packed text that does not decode is refused with 31.  The getters take
// ZL_PACKAGE_ACCESS as their last argument (35 otherwise, before anything
// else is looked at); 29 when the package has no object in the language.

ZL_EXPORT int ZLGetPackageByName(void* hDB, const char* lpszName, const char* lpszSimLanguage,
                                 CZLPackageObject& package, long lAccess);
ZL_EXPORT int ZLGetPackageByName(void* hDB, const char* lpszName, const char* lpszSimLanguage,
                                 CZLBinaryPackageObject& package, long lAccess);
ZL_EXPORT int ZLGetPackageByBookmark(void* hDB, const COleVariant& bookmark,
                                     const char* lpszSimLanguage, CZLPackageObject& package,
                                     long lAccess);
ZL_EXPORT int ZLGetPackageByBookmark(void* hDB, const COleVariant& bookmark,
                                     const char* lpszSimLanguage, CZLBinaryPackageObject& package,
                                     long lAccess);
// The objects in every simulator language: the map (simulator language to
// object) is emptied first and holds only the languages with an object.
ZL_EXPORT int ZLGetPackageByName(void* hDB, const char* lpszName, CZLPackageMap& packages,
                                 long lAccess);
ZL_EXPORT int ZLGetPackageByName(void* hDB, const char* lpszName, CZLBinaryPackageMap& packages,
                                 long lAccess);
ZL_EXPORT int ZLGetPackageByBookmark(void* hDB, const COleVariant& bookmark,
                                     CZLPackageMap& packages, long lAccess);
ZL_EXPORT int ZLGetPackageByBookmark(void* hDB, const COleVariant& bookmark,
                                     CZLBinaryPackageMap& packages, long lAccess);
// Writes one object: object ID 0 overwrites the package's object in that
// language when it has one (no second object is added), else adds one; a
// non-zero ID names the object (22 none, 23 another package's).
ZL_EXPORT int ZLSetPackageByName(void* hDB, const char* lpszName, const char* lpszSimLanguage,
                                 const CZLPackageObject& package);
ZL_EXPORT int ZLSetPackageByName(void* hDB, const char* lpszName, const char* lpszSimLanguage,
                                 const CZLBinaryPackageObject& package);
ZL_EXPORT int ZLSetPackageByBookmark(void* hDB, const COleVariant& bookmark,
                                     const char* lpszSimLanguage, const CZLPackageObject& package);
ZL_EXPORT int ZLSetPackageByBookmark(void* hDB, const COleVariant& bookmark,
                                     const char* lpszSimLanguage,
                                     const CZLBinaryPackageObject& package);
// Writes the object of every simulator language of the map, in one
// transaction.
ZL_EXPORT int ZLSetPackageByName(void* hDB, const char* lpszName, const CZLPackageMap& packages);
ZL_EXPORT int ZLSetPackageByName(void* hDB, const char* lpszName,
                                 const CZLBinaryPackageMap& packages);
ZL_EXPORT int ZLSetPackageByBookmark(void* hDB, const COleVariant& bookmark,
                                     const CZLPackageMap& packages);
ZL_EXPORT int ZLSetPackageByBookmark(void* hDB, const COleVariant& bookmark,
                                     const CZLBinaryPackageMap& packages);
// The compiled package or body: a new buffer (global operator new; release
// with operator delete) and its length, or 0 and null when there is none.
// A null ppBuffer fails without changing the last error.
ZL_EXPORT int ZLGetCompiledPackageByName(void* hDB, const char* lpszName,
                                         const char* lpszSimLanguage, long& lLength,
                                         unsigned char** ppBuffer);
ZL_EXPORT int ZLGetCompiledPackageBodyByName(void* hDB, const char* lpszName,
                                             const char* lpszSimLanguage, long& lLength,
                                             unsigned char** ppBuffer);
ZL_EXPORT int ZLGetCompiledPackageByBookmark(void* hDB, const COleVariant& bookmark,
                                             const char* lpszSimLanguage, long& lLength,
                                             unsigned char** ppBuffer);
ZL_EXPORT int ZLGetCompiledPackageBodyByBookmark(void* hDB, const COleVariant& bookmark,
                                                 const char* lpszSimLanguage, long& lLength,
                                                 unsigned char** ppBuffer);
// Deletes the package's object in one language (34 when it has none).
ZL_EXPORT int ZLDeletePackageByID(void* hDB, long lPackageID, const char* lpszSimLanguage);
ZL_EXPORT int ZLDeletePackageByBookmark(void* hDB, const COleVariant& bookmark,
                                        const char* lpszSimLanguage);

#endif  // ZLDBCTRL70_PACKAGES_H_
