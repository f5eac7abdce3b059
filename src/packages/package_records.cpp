// Package records: creating, deleting, copying, finding them and the root
// of their list.
#include <memory>
#include <string>

#include "content/row_patterns.h"
#include "engine/dao_errors.h"
#include "frame/dbinfo.h"
#include "frame/guard.h"
#include "frame/transaction.h"
#include "packages/package_rows.h"
#include "schema/zl_recordset.h"
#include "simlang/owner_record.h"
#include "zldbctrl70/packages.h"

using namespace zl;

namespace {

constexpr const char kPackageID[] = "PACKAGE_ID";

ZLOutcome BookmarkOf(ZLHandleRecord& record, const ZLPackageRef& ref, COleVariant& bookmark) {
  long id = 0;
  const int code = LocatePackage(record, ref, id);
  if (code != ZLE_OK) return ZLOutcome::Fail(code);
  bookmark = PackageRecords(record)->GetBookmark();
  return ZLOutcome::Ok();
}

int DeleteRecord(void* hDB, const ZLPackageRef& ref) {
  return RunGuarded(hDB, [&](ZLHandleRecord& record) {
    long id = 0;
    int code = LocatePackage(record, ref, id);
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
    CTransaction transaction;
    code = ForEachSimLanguage(record, ZLS_PACKAGE, [&](const CString&, CZLRecordset& rs) {
      DeletePackageObject(rs, id);  // a language without object is passed over
      return ZLE_OK;
    });
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
    CZLRecordset& packages = *PackageRecords(record);
    if (!SeekID(packages, id)) return ZLOutcome::Fail(ZLE_NO_RECORD);
    packages.Delete();
    StampPackageChange(record);
    transaction.Commit();
    return ZLOutcome::Ok();
  });
}

// Sets the destination's name, putting "Copy of " in front for as long as
// another package has it.  Each try grows the name, so the field's size
// ends the loop (with the engine's text-too-long error).
void CopyName(CZLRecordset& dest, const COleVariant& destBookmark, COleVariant name) {
  for (;;) {
    dest.SetBookmark(destBookmark);
    CRowWrite row(dest, CRowWrite::kEdit);
    row.Set("PACKAGE_NAME", name);
    try {
      row.Update();
      return;
    } catch (const CDaoException& e) {
      if (e.m_scode != DaoScode(kDaoDuplicateKey)) throw;
    }
    name = COleVariant((std::string("Copy of ") + V_BSTRT(&name)).c_str());
  }
}

ZLOutcome CopyRecord(ZLHandleRecord& source, const COleVariant& sourceBookmark,
                     ZLHandleRecord& dest, const COleVariant& destBookmark) {
  long sourceID = 0, destID = 0;
  int code = LocatePackage(source, ZLPackageRef::ByBookmark(sourceBookmark), sourceID);
  if (code == ZLE_OK) code = LocatePackage(dest, ZLPackageRef::ByBookmark(destBookmark), destID);
  if (code != ZLE_OK) return ZLOutcome::Fail(code);
  CZLRecordset& from = *PackageRecords(source);
  CZLRecordset& to = *PackageRecords(dest);
  from.SetBookmark(sourceBookmark);
  const COleVariant name = from.GetFieldValue("PACKAGE_NAME");
  const bool sameFile = source.fileDevice == dest.fileDevice && source.fileInode == dest.fileInode;
  static const char* const kCopied[] = {"CREATED_USER", "CREATED_DATE", "AUTHOR", "DATE",
                                        "STATE",        "PREV",         "NEXT"};
  const size_t copiedCount = sameFile ? 7 : 5;
  COleVariant values[7];
  for (size_t i = 0; i < copiedCount; ++i) values[i] = from.GetFieldValue(kCopied[i]);

  CTransaction transaction;
  CopyName(to, destBookmark, name);
  to.SetBookmark(destBookmark);
  {
    CRowWrite row(to, CRowWrite::kEdit);
    for (size_t i = 0; i < copiedCount; ++i) row.Set(kCopied[i], values[i]);
    row.Update();
  }
  // The stored form carries the blocks byte for byte; nothing is unpacked
  // and packed again.
  // The map owns its objects; they are freed on every way out, a write
  // that throws included.
  struct CMapOwner {
    CZLBinaryPackageMap map;
    ~CMapOwner() { ZLFreePackageMap(map); }
  } owner;
  CZLBinaryPackageMap& objects = owner.map;
  code = ReadPackageMap(source, sourceID, objects);
  if (code == ZLE_OK) {
    POSITION pos = objects.GetStartPosition();
    while (pos != nullptr && code == ZLE_OK) {
      CString language;
      CZLBinaryPackageObject* object = nullptr;
      objects.GetNextAssoc(pos, language, object);
      object->m_lPackageObjID = 0;
      CZLRecordset* rs = nullptr;
      code = FindSimTable(dest, ZLS_PACKAGE, language, rs);
      if (code == ZLE_OK) code = WritePackageObject(*rs, destID, *object);
    }
  }
  if (code != ZLE_OK) return ZLOutcome::Fail(code);
  StampPackageChange(dest);
  transaction.Commit();
  return ZLOutcome::Ok();
}

}  // namespace

int ZLCreatePackageNewRecord(void* hDB, COleVariant& bookmark) {
  return RunGuarded(hDB, [&](ZLHandleRecord& record) {
    CZLRecordset* packages = PackageRecords(record);
    if (packages == nullptr) return ZLOutcome::Fail(ZLE_NO_RECORD);
    CTransaction transaction;
    {
      CRowWrite row(*packages, CRowWrite::kAddNew);
      row.Update();
    }
    COleVariant added = packages->GetLastModifiedBookmark();
    StampPackageChange(record);
    transaction.Commit();
    bookmark = added;
    return ZLOutcome::Ok();
  });
}

int ZLDeletePackageRecordByID(void* hDB, long lPackageID) {
  return DeleteRecord(hDB, ZLPackageRef::ByID(lPackageID));
}

int ZLDeletePackageRecordByBookmark(void* hDB, const COleVariant& bookmark) {
  return DeleteRecord(hDB, ZLPackageRef::ByBookmark(bookmark));
}

int ZLCopyPackageRecordByBookmark(void* hSrcDB, const COleVariant& srcBookmark, void* hDestDB,
                                  const COleVariant& destBookmark) {
  return RunGuarded(hSrcDB, [&](ZLHandleRecord& source) {
    CHandleLock destLock(hDestDB);
    if (!destLock.IsValid()) return ZLOutcome::Fail(ZLE_BAD_HANDLE);
    return CopyRecord(source, srcBookmark, destLock.Record(), destBookmark);
  });
}

int ZLGetPackageBookmarkByName(void* hDB, const char* lpszName, COleVariant& bookmark) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    return BookmarkOf(record, ZLPackageRef::ByName(lpszName), bookmark);
  });
}

int ZLGetPackageBookmarkByID(void* hDB, long lPackageID, COleVariant& bookmark) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    return BookmarkOf(record, ZLPackageRef::ByID(lPackageID), bookmark);
  });
}

int ZLGetPackageRootBookmark(void* hDB, COleVariant& bookmark) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    CZLRecordset* packages = PackageRecords(record);
    if (packages == nullptr) return ZLOutcome::Fail(ZLE_NO_RECORD);
    RefreshUnlessSnapshot(record);
    // The list is searched from the package with the lowest ID; the table's
    // current index is on the ID.
    try {
      packages->MoveFirst();
    } catch (const CDaoException& e) {
      if (e.m_scode == DaoScode(kDaoNoCurrentRecord)) return ZLOutcome::Fail(ZLE_NO_RECORD);
      throw;
    }
    const long first = packages->GetFieldValue(kPackageID).lVal;
    long root = 0;
    const int code = FollowChain(record, *packages, kPackageID, "PREV", first, root);
    if (code != ZLE_OK) return ZLOutcome::Fail(code);
    return BookmarkOf(record, ZLPackageRef::ByID(root), bookmark);
  });
}

int ZLGetPackageAllBookmarks(void* hDB, CTypedPtrArray<CPtrArray, COleVariant*>& bookmarks) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    ZLFreeBookmarkArray(bookmarks);
    CZLRecordset* packages = PackageRecords(record);
    if (packages == nullptr) return ZLOutcome::Ok();
    RefreshUnlessSnapshot(record);
    try {
      if (packages->GetRecordCount() == 0) return ZLOutcome::Ok();
      for (packages->MoveFirst(); !packages->IsEOF(); packages->MoveNext()) {
        std::unique_ptr<COleVariant> bookmark(new COleVariant(packages->GetBookmark()));
        bookmarks.Add(bookmark.get());
        bookmark.release();
      }
    } catch (...) {
      ZLFreeBookmarkArray(bookmarks);
      throw;
    }
    return ZLOutcome::Ok();
  });
}
