// Package records (PACKAGE) and package objects (PACKAGE_<lang>): locating
// a package by name, ID or bookmark, and reading, writing and deleting its
// objects.  Every routine works on a locked handle record, returns a
// last-error code and lets engine exceptions propagate to the guard.
#ifndef ZLDBCTRL70_PACKAGES_PACKAGE_ROWS_H_
#define ZLDBCTRL70_PACKAGES_PACKAGE_ROWS_H_

#include "frame/handle_record.h"
#include "zldbctrl70/value_objects.h"

class CZLRecordset;

namespace zl {

constexpr long kPackageAccessCode = 0x6C2A9F4;

// A package named by one of name, bookmark (a PACKAGE bookmark) or ID.
struct ZLPackageRef {
  const char* name;
  const COleVariant* bookmark;
  long id;

  static ZLPackageRef ByName(const char* name) { return {name, nullptr, 0}; }
  static ZLPackageRef ByBookmark(const COleVariant& bookmark) { return {nullptr, &bookmark, 0}; }
  static ZLPackageRef ByID(long id) { return {nullptr, nullptr, id}; }
};

// The PACKAGE recordset; null for a database whose layout predates
// packages.
CZLRecordset* PackageRecords(ZLHandleRecord& record);

// Makes the package's PACKAGE row current and gives its ID: 11 when there
// is no such package (or no PACKAGE table), 8 for a bookmark that cannot be
// set.  Refreshes the engine's cache first unless in snapshot mode.
int LocatePackage(ZLHandleRecord& record, const ZLPackageRef& ref, long& packageID);

// The package's object in rs (a package table) into the object, reset
// first: 29 when it has none, 31 when a packed text does not decode (the
// object is then left reset).
int ReadPackageObject(CZLRecordset& rs, long packageID, CZLPackageObject& package);
int ReadPackageObject(CZLRecordset& rs, long packageID, CZLBinaryPackageObject& package);

// Writes the package's object in rs: object ID 0 takes the package's
// existing object or adds one; a non-zero ID names it (22, 23).  One row.
int WritePackageObject(CZLRecordset& rs, long packageID, const CZLPackageObject& package);
int WritePackageObject(CZLRecordset& rs, long packageID, const CZLBinaryPackageObject& package);

// Deletes the package's object in rs; 34 when it has none.
int DeletePackageObject(CZLRecordset& rs, long packageID);

// The objects of every package language into map (emptied first; only
// languages with an object are entered).  On failure the map is left empty.
template <class Object>
int ReadPackageMap(ZLHandleRecord& record, long packageID,
                   CTypedPtrMap<CMapStringToOb, CString, Object*>& map);

// Writes every entry of map under its language (21 for a language without
// package table), in one transaction.  Null entries are skipped.
template <class Object>
int WritePackageMap(ZLHandleRecord& record, long packageID,
                    const CTypedPtrMap<CMapStringToOb, CString, Object*>& map);

}  // namespace zl

#endif  // ZLDBCTRL70_PACKAGES_PACKAGE_ROWS_H_
