// VHDL packages: objects in both stored forms, records, the list's root and
// chains, copies between databases, the change stamp, codes and
// all-or-nothing writes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "content/row_patterns.h"
#include "frame/dbinfo.h"
#include "frame/stored_text.h"
#include "packages/package_rows.h"
#include "support/simlang_fixture.h"

namespace {

constexpr long kAccess = ZL_PACKAGE_ACCESS;

CZLPackageObject* Object(const char* text, const char* body, long state, BOOL useBody) {
  auto* package = new CZLPackageObject;
  package->m_strPackageText = text;
  package->m_strPackageBodyText = body;
  package->m_lState = state;
  package->m_bUseBody = useBody;
  package->m_bEnabled = TRUE;
  return package;
}

class PackageTest : public SimLangTest {
 protected:
  void SetUp() override {
    SimLangTest::SetUp();
    ASSERT_EQ(ZLAddPackageTable(m_hDB, "VHDLA"), 1);
    ASSERT_EQ(ZLAddPackageTable(m_hDB, "Other"), 1);
  }
  long NewPackage(const char* name, void* hDB = nullptr) {
    if (hDB == nullptr) hDB = m_hDB;
    COleVariant mark;
    long id = 0;
    EXPECT_EQ(ZLCreatePackageNewRecord(hDB, mark), 1);
    EXPECT_EQ(ZLGetPackageIDByBookmark(hDB, mark, id), 1);
    if (name != nullptr) {
      EXPECT_EQ(ZLSetPackageNameByBookmark(hDB, mark, name), 1);
    }
    return id;
  }
  COleVariant Mark(long id, void* hDB = nullptr) {
    COleVariant mark;
    EXPECT_EQ(ZLGetPackageBookmarkByID(hDB == nullptr ? m_hDB : hDB, id, mark), 1);
    return mark;
  }
  // Sets the stamp to an old date; true afterwards when it moved since.
  void AgeStamp() {
    const COleVariant old(COleDateTime(2001, 2, 3, 4, 5, 6));
    zl::CHandleLock lock(m_hDB);
    zl::WriteDbInfoField(lock.Record(), "LASTVHDLPACKAGECHANGE", &old);
  }
  bool Stamped() {
    COleDateTime date;
    EXPECT_EQ(ZLGetPackageLastChangeDate(m_hDB, date), 1);
    return date.GetYear() != 2001;
  }
  long RootID(void* hDB = nullptr) {
    if (hDB == nullptr) hDB = m_hDB;
    COleVariant mark;
    if (ZLGetPackageRootBookmark(hDB, mark) == 0) return -ZLGetLastError();
    long id = 0;
    EXPECT_EQ(ZLGetPackageIDByBookmark(hDB, mark, id), 1);
    return id;
  }
  // The list from start (default: its root) along NEXT, as IDs.
  std::vector<long> List(long start = 0) {
    std::vector<long> ids;
    for (long id = start != 0 ? start : RootID(); id > 0 && ids.size() < 20;) {
      ids.push_back(id);
      if (ZLGetPackageNextByID(m_hDB, id, id) == 0) break;
    }
    return ids;
  }
  COleVariant RawObjectField(long packageID, const char* field, const char* language = "VHDLA") {
    COleVariant value;
    WithTable(zl::ZLS_PACKAGE, language, [&](CZLRecordset& rs) {
      if (zl::SeekID(rs, packageID)) value = rs.GetFieldValue(field);
    });
    return value;
  }
};

TEST_F(PackageTest, ObjectsRoundTripInBothStoredForms) {
  NewPackage("ieee");
  std::string big(70000, 'q');
  for (size_t i = 0; i < big.size(); i += 3) big[i] = static_cast<char>('a' + i % 19);
  struct Case {
    std::string text, body;
    long state;
    BOOL useBody;
  };
  for (const Case& c : std::vector<Case>{{"pkg", "body", 0x4000 | 0x8000, TRUE},
                                         {big, big, 0x4000, TRUE},
                                         {"", "", 0x4000 | 0x8000, TRUE},
                                         {"plain", "dropped", 0x8000, FALSE}}) {
    std::unique_ptr<CZLPackageObject> object(
        Object(c.text.c_str(), c.body.c_str(), c.state, c.useBody));
    object->m_lbPackageBinary.Assign("\x07\x00", 2);
    object->m_lbPackageBodyBinary.Assign("\x09", 1);
    ASSERT_EQ(ZLSetPackageByName(m_hDB, "ieee", "VHDLA", *object), 1);
    CZLPackageObject read;
    ASSERT_EQ(ZLGetPackageByName(m_hDB, "IEEE", "VHDLA", read, kAccess), 1);  // names: no case
    EXPECT_EQ(read.m_strPackageText.str(), c.text);
    EXPECT_EQ(read.m_strPackageBodyText.str(), c.useBody ? c.body : "");
    EXPECT_TRUE(read.m_bEnabled && read.m_bUseBody == c.useBody && read.m_lState == c.state);
    const long id = read.m_lPackageObjID;
    EXPECT_TRUE(RawObjectField(1, "PACKAGE_TEXT") ==
                zl::StoreTextBlock(c.text.data(), c.text.size(), c.state & 0x4000));
    EXPECT_EQ(RawObjectField(1, "PACKAGE_BODY_TEXT").vt == VT_NULL, !c.useBody);
    EXPECT_EQ(RawObjectField(1, "PACKAGE_BODY_BINARY").vt == VT_NULL, !c.useBody);
    long length = 0;
    unsigned char* buffer = nullptr;
    ASSERT_EQ(ZLGetCompiledPackageBodyByName(m_hDB, "ieee", "VHDLA", length, &buffer), 1);
    EXPECT_EQ(length, c.useBody ? 1 : 0);
    ::operator delete(buffer);
    // The stored form written back under object ID 0 lands on the same row.
    CZLBinaryPackageObject stored;
    ASSERT_EQ(ZLGetPackageByBookmark(m_hDB, Mark(1), "VHDLA", stored, kAccess), 1);
    stored.m_lPackageObjID = 0;
    ASSERT_EQ(ZLSetPackageByBookmark(m_hDB, Mark(1), "VHDLA", stored), 1);
    ASSERT_EQ(ZLGetPackageByName(m_hDB, "ieee", "VHDLA", read, kAccess), 1);
    EXPECT_TRUE(read.m_lPackageObjID == id && read.m_strPackageText.str() == c.text);
  }
  // Only the language with an object appears in the map form.
  CZLPackageMap map;
  ASSERT_EQ(ZLGetPackageByName(m_hDB, "ieee", map, kAccess), 1);
  CZLPackageObject* only = nullptr;
  EXPECT_TRUE(map.GetCount() == 1 && map.Lookup("VHDLA", only));
  ZLFreePackageMap(map);
}

TEST_F(PackageTest, CodesAndDamagedTexts) {
  const long id = NewPackage("p");
  const long other = NewPackage("q");
  std::unique_ptr<CZLPackageObject> object(Object("t", "b", 0x4000, TRUE));
  ASSERT_EQ(ZLSetPackageByName(m_hDB, "p", "VHDLA", *object), 1);
  CZLPackageObject read;
  CZLPackageMap map;
  EXPECT_EQ(FailCode(ZLGetPackageByName(nullptr, "p", "VHDLA", read, 0)), ZLE_PACKAGE_ACCESS_KEY);
  EXPECT_EQ(FailCode(ZLGetPackageByName(m_hDB, "p", map, kAccess - 1)), ZLE_PACKAGE_ACCESS_KEY);
  EXPECT_EQ(FailCode(ZLGetPackageByName(m_hDB, "p", "Other", read, kAccess)), ZLE_NO_SIMLANG_ROW);
  EXPECT_EQ(FailCode(ZLGetPackageByName(m_hDB, "p", "vhdla", read, kAccess)), ZLE_NO_SIMTABLE_KIND);
  EXPECT_EQ(FailCode(ZLGetPackageByName(m_hDB, "none", "VHDLA", read, kAccess)), ZLE_NO_RECORD);
  EXPECT_EQ(FailCode(ZLGetPackageByBookmark(m_hDB, COleVariant(), "VHDLA", read, kAccess)),
            ZLE_BAD_BOOKMARK);
  EXPECT_EQ(FailCode(ZLDeletePackageByID(m_hDB, other, "VHDLA")), ZLE_NO_PACKAGE);
  ASSERT_EQ(ZLGetPackageByName(m_hDB, "p", "VHDLA", read, kAccess), 1);
  const std::string before = Image();
  read.m_lPackageObjID += 100;
  EXPECT_EQ(FailCode(ZLSetPackageByName(m_hDB, "q", "VHDLA", read)), ZLE_NO_MACRO);
  read.m_lPackageObjID -= 100;
  EXPECT_EQ(FailCode(ZLSetPackageByName(m_hDB, "q", "VHDLA", read)), ZLE_MACRO_OTHER_RECORD);
  EXPECT_EQ(FailCode(ZLSetPackageNameByID(m_hDB, other, "P")), ZLE_ENGINE);  // unique, no case
  EXPECT_EQ(FailCode(ZLSetPackageStateByID(m_hDB, id, 1ul << 40)), ZLE_ENGINE);
  EXPECT_EQ(FailCode(ZLSetPackagePrevByID(m_hDB, id + 100, 1)), ZLE_NO_RECORD);
  EXPECT_TRUE(Image() == before);
  // A packed text that does not decode.
  COleVariant garbage;
  garbage.SetByteArray("\x01\x00\x00\x41\x00", 5);  // code length 0
  WithTable(zl::ZLS_PACKAGE, "VHDLA", [&](CZLRecordset& rs) {
    ASSERT_TRUE(zl::SeekID(rs, id));
    zl::CRowWrite row(rs, zl::CRowWrite::kEdit);
    row.Set("PACKAGE_TEXT", garbage);
    row.Update();
  });
  EXPECT_EQ(FailCode(ZLGetPackageByName(m_hDB, "p", "VHDLA", read, kAccess)), ZLE_MACRO_CORRUPT);
  EXPECT_TRUE(read.m_strPackageText.IsEmpty() && read.m_lPackageObjID == 0);
  long length = 0;
  EXPECT_EQ(ZLGetCompiledPackageByName(m_hDB, "p", "VHDLA", length, nullptr), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_MACRO_CORRUPT);  // unchanged
}

TEST_F(PackageTest, TheRootFollowsPrevAndCyclesFail) {
  EXPECT_EQ(RootID(), -ZLE_NO_RECORD);
  const long a = NewPackage("a"), b = NewPackage("b"), c = NewPackage("c");
  EXPECT_EQ(RootID(), a);
  ASSERT_EQ(ZLSetPackagePrevByID(m_hDB, a, c), 1);  // c, a
  EXPECT_EQ(RootID(), c);
  ASSERT_EQ(ZLSetPackagePrevByID(m_hDB, c, b + 50), 1);  // a link to nothing ends the walk
  EXPECT_EQ(RootID(), c);
  ASSERT_EQ(ZLSetPackagePrevByID(m_hDB, c, a), 1);  // a <-> c
  EXPECT_EQ(RootID(), -ZLE_ENGINE);
  ASSERT_EQ(ZLSetPackagePrevByID(m_hDB, c, 0), 1);
  long prev = 0;
  EXPECT_EQ(FailCode(ZLGetPackagePrevByID(m_hDB, c, prev)), ZLE_NULL_VALUE);
  // Long chains are walked past the uncounted steps.
  std::vector<long> ids;
  for (int i = 0; i < 80; ++i) ids.push_back(NewPackage(nullptr));
  for (size_t i = 0; i < ids.size(); ++i) {
    ASSERT_EQ(ZLSetPackagePrevByID(m_hDB, ids[i], i + 1 < ids.size() ? ids[i + 1] : 0), 1);
  }
  ASSERT_EQ(ZLSetPackagePrevByID(m_hDB, a, ids[0]), 1);
  EXPECT_EQ(RootID(), ids.back());
  ASSERT_EQ(ZLSetPackagePrevByID(m_hDB, ids.back(), a), 1);
  EXPECT_EQ(RootID(), -ZLE_ENGINE);
}

TEST_F(PackageTest, ChainsInsertAndUnlinkAtEveryPlace) {
  const long a = NewPackage("a"), b = NewPackage("b"), c = NewPackage("c"), d = NewPackage("d");
  auto insert = [&](long id, long prev, long next) {
    zl::CHandleLock lock(m_hDB);
    return zl::ChainInsert(*lock.Record().recordsets[zl::ZLT_PACKAGE], "PACKAGE_ID", id, prev,
                           next);
  };
  auto unlink = [&](long id) {
    zl::CHandleLock lock(m_hDB);
    return zl::ChainUnlink(*lock.Record().recordsets[zl::ZLT_PACKAGE], "PACKAGE_ID", id);
  };
  ASSERT_EQ(insert(b, 0, 0), 0);
  ASSERT_EQ(insert(a, 0, b), 0);  // first
  ASSERT_EQ(insert(d, b, 0), 0);  // last
  ASSERT_EQ(insert(c, b, d), 0);  // middle
  EXPECT_EQ(List(), (std::vector<long>{a, b, c, d}));
  ASSERT_EQ(unlink(c), 0);
  EXPECT_EQ(List(), (std::vector<long>{a, b, d}));
  ASSERT_EQ(unlink(a), 0);
  EXPECT_EQ(List(b), (std::vector<long>{b, d}));
  EXPECT_EQ(RootID(), a);  // the lowest ID, now alone, is where the search starts
  long link = 0;
  EXPECT_EQ(FailCode(ZLGetPackageNextByID(m_hDB, a, link)), ZLE_NULL_VALUE);
  EXPECT_EQ(insert(c, d + 100, 0), ZLE_NO_RECORD);  // nothing written
  EXPECT_EQ(FailCode(ZLGetPackagePrevByID(m_hDB, c, link)), ZLE_NULL_VALUE);
}

TEST_F(PackageTest, TheStampMovesExactlyForStructuralChanges) {
  const long id = NewPackage("s");
  std::unique_ptr<CZLPackageObject> object(Object("t", "", 0, FALSE));
  struct Step {
    const char* what;
    std::function<int()> op;
    bool stamps;
  };
  const COleDateTime date(2020, 1, 1, 0, 0, 0);
  const std::vector<Step> steps = {
      {"object", [&] { return ZLSetPackageByName(m_hDB, "s", "VHDLA", *object); }, false},
      {"created user", [&] { return ZLSetPackageCreatedUserByID(m_hDB, id, "u"); }, false},
      {"modified date", [&] { return ZLSetPackageModifiedDateByID(m_hDB, id, date); }, false},
      {"name", [&] { return ZLSetPackageNameByID(m_hDB, id, "s2"); }, true},
      {"state", [&] { return ZLSetPackageStateByID(m_hDB, id, 5); }, true},
      {"next", [&] { return ZLSetPackageNextByID(m_hDB, id, 9); }, true},
      {"create", [&] { return NewPackage(nullptr) > 0 ? 1 : 0; }, true},
      {"failed name", [&] { return ZLSetPackageNameByID(m_hDB, id + 50, "x"); }, false},
      {"delete", [&] { return ZLDeletePackageRecordByID(m_hDB, id); }, true},
  };
  for (const Step& step : steps) {
    AgeStamp();
    step.op();
    EXPECT_EQ(Stamped(), step.stamps) << step.what;
  }
}

TEST_F(PackageTest, DeletingARecordRemovesItsObjectsOnly) {
  const long a = NewPackage("a"), c = NewPackage("c");
  const long b = NewPackage("b");
  ASSERT_EQ(ZLSetPackageNextByID(m_hDB, a, b), 1);
  ASSERT_EQ(ZLSetPackagePrevByID(m_hDB, c, b), 1);
  std::unique_ptr<CZLPackageObject> object(Object("t", "", 0x4000, FALSE));
  ASSERT_EQ(ZLSetPackageByName(m_hDB, "b", "VHDLA", *object), 1);  // none in "Other"
  ASSERT_EQ(ZLSetPackageByName(m_hDB, "c", "VHDLA", *object), 1);
  ASSERT_EQ(ZLDeletePackageRecordByBookmark(m_hDB, Mark(b)), 1);
  EXPECT_EQ(RawObjectField(b, "PACKAGE_ID").vt, VT_EMPTY);
  long link = 0;
  ASSERT_EQ(ZLGetPackageNextByID(m_hDB, a, link), 1);
  EXPECT_EQ(link, b);  // the neighbours keep their links
  ASSERT_EQ(ZLGetPackagePrevByID(m_hDB, c, link), 1);
  EXPECT_EQ(link, b);
  EXPECT_EQ(RawObjectField(c, "PACKAGE_ID").vt, VT_I4);
}

TEST_F(PackageTest, CopiesAcrossDatabasesRenameOnClashesAndAreAllOrNothing) {
  const long source = NewPackage("ieee");
  const long neighbour = NewPackage("std");
  ASSERT_EQ(ZLSetPackageNextByID(m_hDB, source, neighbour), 1);
  ASSERT_EQ(ZLSetPackageCreatedUserByID(m_hDB, source, "ann"), 1);
  std::unique_ptr<CZLPackageObject> object(Object("package text", "body", 0xC000, TRUE));
  ASSERT_EQ(ZLSetPackageByName(m_hDB, "ieee", "VHDLA", *object), 1);

  CScratchDir dir;
  void* dest = ZLCreateDatabase(dir.File("dest.zdb").c_str());
  ASSERT_NE(dest, nullptr);
  ASSERT_EQ(ZLAddPackageTable(dest, "VHDLA"), 1);
  NewPackage("ieee", dest);
  const long first = NewPackage(nullptr, dest), second = NewPackage(nullptr, dest);
  ASSERT_EQ(ZLCopyPackageRecordByBookmark(m_hDB, Mark(source), dest, Mark(first, dest)), 1);
  ASSERT_EQ(ZLCopyPackageRecordByBookmark(m_hDB, Mark(source), dest, Mark(second, dest)), 1);
  CString name, user;
  ASSERT_EQ(ZLGetPackageNameByID(dest, first, name), 1);
  EXPECT_EQ(name.str(), "Copy of ieee");
  ASSERT_EQ(ZLGetPackageNameByID(dest, second, name), 1);
  EXPECT_EQ(name.str(), "Copy of Copy of ieee");
  ASSERT_EQ(ZLGetPackageCreatedUserByID(dest, second, user), 1);
  EXPECT_EQ(user.str(), "ann");
  long next = 0;
  EXPECT_EQ(FailCode(ZLGetPackageNextByID(dest, second, next)), ZLE_NULL_VALUE);
  CZLPackageObject read;
  ASSERT_EQ(ZLGetPackageByName(dest, "Copy of ieee", "VHDLA", read, kAccess), 1);
  EXPECT_TRUE(read.m_strPackageText.str() == "package text" &&
              read.m_strPackageBodyText.str() == "body");
  // Within one database the links come along.
  const long local = NewPackage(nullptr);
  ASSERT_EQ(ZLCopyPackageRecordByBookmark(m_hDB, Mark(source), m_hDB, Mark(local)), 1);
  ASSERT_EQ(ZLGetPackageNextByID(m_hDB, local, next), 1);
  EXPECT_EQ(next, neighbour);
  // A destination without the language's table fails and leaves nothing.
  ASSERT_EQ(ZLAddPackageTable(m_hDB, "Other"), 0);
  ASSERT_EQ(ZLSetPackageByName(m_hDB, "ieee", "Other", *object), 1);
  EXPECT_EQ(FailCode(ZLCopyPackageRecordByBookmark(m_hDB, Mark(source), dest, Mark(first, dest))),
            ZLE_NO_SIMTABLE_KIND);
  ASSERT_EQ(ZLGetPackageNameByID(dest, first, name), 1);
  EXPECT_EQ(name.str(), "Copy of ieee");
  EXPECT_EQ(
      FailCode(ZLCopyPackageRecordByBookmark(m_hDB, Mark(source), nullptr, Mark(first, dest))),
      ZLE_BAD_HANDLE);
  EXPECT_EQ(ZLCloseDatabase(dest), 1);
}

TEST_F(PackageTest, AMapStoreIsAllOrNothing) {
  NewPackage("m");
  CZLPackageMap map;
  map["VHDLA"] = Object("one", "b", 0x4000, TRUE);
  map["Other"] = Object("two", "", 0, FALSE);
  ASSERT_EQ(ZLSetPackageByName(m_hDB, "m", map), 1);
  map["Missing"] = Object("x", "", 0, FALSE);
  const std::string before = Image();
  EXPECT_EQ(FailCode(ZLSetPackageByName(m_hDB, "m", map)), ZLE_NO_SIMTABLE_KIND);
  EXPECT_TRUE(Image() == before);
  CZLPackageMap read;
  ASSERT_EQ(ZLGetPackageByName(m_hDB, "m", read, kAccess), 1);
  EXPECT_EQ(read.GetCount(), 2);
  ZLFreePackageMap(read);
  ZLFreePackageMap(map);
}

}  // namespace
