// Model attributes, library texts, side lists, deletion, paths, the
// search, copies and the conversion (with the stored version) of the legacy
// interface.
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/dao_database.h"
#include "engine/dao_recordset.h"
#include "frame/textpack.h"
#include "legacy_fixture.h"
#include "support/file_contents.h"

namespace {

// One attribute written through one form and read back through the other.
struct CRoundTrip {
  const char* name;
  std::function<int(void*, const COleVariant&)> set;  // by bookmark
  std::function<int(void*, long)> getAndCheck;        // by ID, 1 when it reads back
};

std::vector<CRoundTrip> RoundTrips() {
  auto text = [](int (*set)(void*, COleVariant, const char*), int (*get)(void*, long, CString&),
                 const char* name, const std::string& value) {
    return CRoundTrip{name, [=](void* h, const COleVariant& b) { return set(h, b, value.c_str()); },
                      [=](void* h, long id) {
                        CString read;
                        return get(h, id, read) == 1 && value == read.GetString() ? 1 : 0;
                      }};
  };
  auto number = [](auto set, auto get, const char* name, auto value) {
    return CRoundTrip{name, [=](void* h, const COleVariant& b) { return set(h, b, value); },
                      [=](void* h, long id) {
                        decltype(value) read{};
                        return get(h, id, read) == 1 && read == value ? 1 : 0;
                      }};
  };
  return {
      text(SetNameByBookmark, GetNameByID, "Name", "R1"),
      text(SetFolderByBookmark, GetFolderByID, "Folder", "1,2,"),
      text(SetSymbolByBookmark, GetSymbolByID, "Symbol", std::string(2000, 's')),
      text(SetCallByBookmark, GetCallByID, "Call", "X1 a b R1"),
      text(SetTypeByBookmark, GetTypeByID, "Type", "MAC"),
      text(SetTitleByBookmark, GetTitleByID, "Title", "Resistor"),
      text(SetUsesByBookmark, GetUsesByID, "Uses", "BASE"),
      text(SetInfoByBookmark, GetInfoByID, "Info", "a resistor"),
      text(SetSrcByBookmark, GetSrcByID, "Src", "lib"),
      text(SetUDTNameByBookmark, GetUDTNameByID, "UDTName", "RDATA"),
      number(SetSDBStateByBookmark, GetSDBStateByID, "SDBState", -7L),
      number(SetLevelByBookmark, GetLevelByID, "Level", 12),
      number(SetLibStateByBookmark, GetLibStateByID, "LibState", 0x12L),
      number(SetSymbolLevelByBookmark, GetSymbolLevelByID, "SymbolLevel", 3L),
      number(SetWizTypeByBookmark, GetWizTypeByID, "WizType", static_cast<BYTE>(200)),
  };
}

TEST_F(LegacyTest, AttributesRoundTripAndMissingOnesGiveTheirCodes) {
  COleVariant bookmark;
  const long id = NewModel("R1", &bookmark);
  // All written before any is read: two attributes sharing a column fail.
  for (const CRoundTrip& attribute : RoundTrips()) {
    EXPECT_EQ(attribute.set(m_hDB, bookmark), 1) << attribute.name;
    EXPECT_EQ(GetLastZLDBError(), LZLE_OK);
  }
  for (const CRoundTrip& attribute : RoundTrips()) {
    SCOPED_TRACE(attribute.name);
    EXPECT_EQ(attribute.getAndCheck(m_hDB, id), 1);
    EXPECT_EQ(FailCode(attribute.getAndCheck(m_hDB, id + 100)), LZLE_NO_RECORD);
  }
  CString text;
  const long empty = NewModel("E");
  EXPECT_EQ(FailCode(GetTitleByID(m_hDB, empty, text)), LZLE_NULL_VALUE);
  EXPECT_EQ(GetTitleByID(m_hDB, 1L << 40, text), 0);  // no 32-bit ID
  EXPECT_EQ(GetLastZLDBError(), LZLE_NO_RECORD);
  EXPECT_EQ(FailCode(GetTitleByBookmark(m_hDB, COleVariant("not a bookmark"), text)), LZLE_ENGINE);
  // Values the fields cannot hold are refused and change nothing.
  EXPECT_EQ(FailCode(SetTypeByID(m_hDB, id, "TOOLONGTYPE")), LZLE_ENGINE);
  EXPECT_EQ(SetLevelByID(m_hDB, id, 70000), 0);
  EXPECT_EQ(GetTypeByID(m_hDB, id, text), 1);
  EXPECT_STREQ(text, "MAC");
  // Fields the layout does not create.
  EXPECT_EQ(FailCode(SetCallSpiceByID(m_hDB, id, "X")), LZLE_ENGINE);
  EXPECT_EQ(FailCode(GetUsesSimplisByID(m_hDB, id, text)), LZLE_ENGINE);
}

TEST_F(LegacyTest, SettersStampTheModelDateOrTheLayoutChange) {
  const long id = NewModel("R1");
  const COleDateTime old(2000, 1, 1, 0, 0, 0);
  struct CCase {
    const char* what;
    std::function<int()> set;
    bool stampsDate;
    bool stampsLayout;
  };
  const std::vector<CCase> cases = {
      {"Name", [&] { return SetNameByID(m_hDB, id, "R2"); }, false, false},
      {"Type", [&] { return SetTypeByID(m_hDB, id, "MAC"); }, true, false},
      {"Level", [&] { return SetLevelByID(m_hDB, id, 2); }, true, false},
      {"Title", [&] { return SetTitleByID(m_hDB, id, "T"); }, false, true},
      {"Folder", [&] { return SetFolderByID(m_hDB, id, "1,"); }, false, true},
      {"Lib", [&] { return SetLibByID(m_hDB, id, "x", 0); }, true, false},
  };
  // The layout stamp is put back through the engine (the interface has no
  // setter for it), so that a renewal within the same second shows.
  CDaoDatabase database;
  database.Open(m_path.c_str(), FALSE, FALSE, "");
  CDaoRecordset stamp(&database);
  stamp.Open(dbOpenTable, "LASTLAYOUTCHANGE");
  for (const CCase& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(SetDateByID(m_hDB, id, old), 1);
    stamp.MoveFirst();
    stamp.Edit();
    stamp.SetFieldValue("DATE", COleVariant(old));
    stamp.Update();
    COleDateTime layoutBefore, date, layoutAfter;
    ASSERT_EQ(GetLastLayoutChangeDate(m_hDB, &layoutBefore), 1);
    ASSERT_EQ(c.set(), 1);
    ASSERT_EQ(GetDateByID(m_hDB, id, date), 1);
    ASSERT_EQ(GetLastLayoutChangeDate(m_hDB, &layoutAfter), 1);
    EXPECT_EQ(date.m_dt != old.m_dt, c.stampsDate);
    EXPECT_EQ(layoutAfter.m_dt > layoutBefore.m_dt, c.stampsLayout);
  }
}

// Library texts: compressed with their end mark in the codec's format, or
// as plain bytes, and read back only with the access code.
TEST_F(LegacyTest, LibraryTextsRoundTripCompressedOrPlain) {
  const long id = NewModel("R1");
  const std::string text = ".SUBCKT R1 1 2\nR1 1 2 {R}\n.ENDS\n" + std::string(500, 'x');
  for (int compress : {1, 0}) {
    SCOPED_TRACE(compress);
    ASSERT_EQ(SetLibStateByID(m_hDB, id, 0x3), 1);
    ASSERT_EQ(SetLibByID(m_hDB, id, text.c_str(), compress), 1);
    long state = 0;
    ASSERT_EQ(GetLibStateByID(m_hDB, id, state), 1);
    EXPECT_EQ(state, compress ? 0x8003 : 0x3);
    CString read;
    EXPECT_EQ(GetLibByID(m_hDB, id, read, LZL_LIB_ACCESS), 1);
    EXPECT_EQ(std::string(read), text);
    EXPECT_EQ(FailCode(GetLibByID(m_hDB, id, read, LZL_LIB_ACCESS + 1)), LZLE_ACCESS_CODE);
  }
  // The stored bytes: the compressed block decodes to the text and its
  // terminating zero; the plain one is the text alone.
  ASSERT_EQ(SetLibByID(m_hDB, id, text.c_str(), 1), 1);
  ASSERT_EQ(CloseZLDatabase(m_hDB), 1);
  m_hDB = nullptr;
  CDaoDatabase database;
  database.Open(m_path.c_str(), FALSE, TRUE, "");
  CDaoRecordset sdb(&database);
  sdb.Open(dbOpenTable, "SDB");
  const COleVariant block = sdb.GetFieldValue("LIB");
  ASSERT_TRUE(block.IsByteArray());
  EXPECT_LT(block.GetByteArraySize(), text.size());
  HGLOBAL decoded = nullptr;
  const size_t count = zl::UnpackText(block.GetByteArrayData(), block.GetByteArraySize(), decoded);
  ASSERT_GE(count, text.size() + 1);
  const auto* bytes = static_cast<const char*>(GlobalLock(decoded));
  EXPECT_EQ(std::string(bytes, text.size() + 1), text + std::string(1, '\0'));
  GlobalUnlock(decoded);
  GlobalFree(decoded);
}

TEST_F(LegacyTest, SideListsReplaceAndReadBackAndGoWithTheModel) {
  COleVariant bookmark;
  const long id = NewModel("R1", &bookmark);
  const long other = NewModel("R2");
  CObList params, files, keywords;
  params.AddTail(new CCoPaObject("R", "1k", "resistance", 0));
  params.AddTail(new CCoPaObject("TC", "0", "", 3));
  static_cast<CCoPaObject*>(params.GetHead())->m_wNameToResID = 7;
  static_cast<CCoPaObject*>(params.GetTail())->m_wNameToResID = 8;  // type 3: not read back
  auto* file = new CFileObject;
  file->m_strFile = "r1.lib";
  file->m_nType = 2;
  files.AddTail(file);
  files.AddTail(new CFileObject);  // no access value
  static_cast<CFileObject*>(files.GetHead())->m_lAccess = 5;
  static_cast<CFileObject*>(files.GetHead())->m_bAccessSet = TRUE;
  keywords.AddTail(new CKeywordObject("passive"));
  keywords.AddTail(new CKeywordObject("resistor"));
  for (auto set : {SetParamsByID, SetConnectsByID, SetOutputByID}) {
    ASSERT_EQ(set(m_hDB, id, params), 1);
  }
  ASSERT_EQ(SetFilesByBookmark(m_hDB, bookmark, files), 1);
  ASSERT_EQ(SetKeywordsByID(m_hDB, id, keywords), 1);
  ASSERT_EQ(SetKeywordsByID(m_hDB, other, keywords), 1);  // shares the keyword rows
  EXPECT_EQ(FailCode(SetParamsByID(m_hDB, id + 100, params)), LZLE_NO_RECORD);
  ASSERT_EQ(SetParamsByID(m_hDB, id, files), 0);  // objects of another class
  EXPECT_EQ(GetLastZLDBError(), LZLE_ENGINE);

  for (auto get : {GetParamsByID, GetConnectsByID, GetOutputByID}) {
    CObList read;
    ASSERT_EQ(get(m_hDB, id, read), 1);
    ASSERT_EQ(read.GetCount(), 2);
    const auto* first = static_cast<CCoPaObject*>(read.GetHead());
    const auto* second = static_cast<CCoPaObject*>(read.GetTail());
    EXPECT_STREQ(first->m_strName, "R");
    EXPECT_STREQ(first->m_strValue, "1k");
    EXPECT_STREQ(first->m_strInfo, "resistance");
    EXPECT_EQ(second->m_dwType, 3u);
    EXPECT_EQ(second->m_wNameToResID, 0);
    // OUTPUT has no resource-ID fields.
    EXPECT_EQ(first->m_wNameToResID, get == GetOutputByID ? 0 : 7);
    FreeObjectList(read);
  }
  CObList read;
  ASSERT_EQ(GetFilesByID(m_hDB, id, read), 1);
  ASSERT_EQ(read.GetCount(), 2);
  EXPECT_STREQ(static_cast<CFileObject*>(read.GetHead())->m_strFile, "r1.lib");
  EXPECT_EQ(static_cast<CFileObject*>(read.GetHead())->m_lAccess, 5);
  EXPECT_FALSE(static_cast<CFileObject*>(read.GetTail())->m_bAccessSet);
  FreeObjectList(read);
  ASSERT_EQ(GetKeywordsByBookmark(m_hDB, bookmark, read), 1);
  ASSERT_EQ(read.GetCount(), 2);
  EXPECT_STREQ(static_cast<CKeywordObject*>(read.GetTail())->m_strKeyword, "resistor");
  FreeObjectList(read);

  // A shorter list replaces the rows; deleting the model takes its rows.
  delete params.RemoveTail();
  ASSERT_EQ(SetParamsByID(m_hDB, id, params), 1);
  ASSERT_EQ(GetParamsByID(m_hDB, id, read), 1);
  EXPECT_EQ(read.GetCount(), 1);
  FreeObjectList(read);
  ASSERT_EQ(DeleteRecordByBookmark(m_hDB, bookmark), 1);
  for (auto get : {GetParamsByID, GetConnectsByID, GetFilesByID, GetKeywordsByID}) {
    EXPECT_EQ(FailCode(get(m_hDB, id, read)), LZLE_NO_RECORD);
  }
  ASSERT_EQ(GetKeywordsByID(m_hDB, other, read), 1);  // the other model keeps its keywords
  EXPECT_EQ(read.GetCount(), 2);
  FreeObjectList(read);
  EXPECT_EQ(FailCode(DeleteRecordByID(m_hDB, id)), LZLE_NO_RECORD);
  FreeObjectList(params);
  FreeObjectList(files);
  FreeObjectList(keywords);
}

// A small library: folder A (key "1"), folder B inside it ("1,2"), R1 in
// B, r2 in A, C1 at the root.
class LegacyLibraryTest : public LegacyTest {
 protected:
  void SetUp() override {
    LegacyTest::SetUp();
    Add("A", "Folder", "FolderA", "1", "");
    Add("B", "Folder", "FolderB", "1,2", "");
    m_r1 = Add("R1", "MAC", "Resistor", "1,2,3", "passive");
    m_r2 = Add("r2", "MAC", "Resistor small", "1,4", "passive");
    m_c1 = Add("C1", "SUB", "Capacitor", "5", "reactive");
  }
  long Add(const char* name, const char* type, const char* title, const char* folder,
           const char* keyword) {
    const long id = NewModel(name);
    EXPECT_EQ(SetTypeByID(m_hDB, id, type), 1);
    EXPECT_EQ(SetTitleByID(m_hDB, id, title), 1);
    EXPECT_EQ(SetFolderByID(m_hDB, id, folder), 1);
    if (*keyword != '\0') {
      CObList keywords;
      keywords.AddTail(new CKeywordObject(keyword));
      EXPECT_EQ(SetKeywordsByID(m_hDB, id, keywords), 1);
      FreeObjectList(keywords);
    }
    return id;
  }
  template <class Query>
  std::vector<long> Hits(Query& query, int (*run)(void*, Query*) = CompQuery) {
    query.SetResultType(LZLQ_RETURN_IDS);
    EXPECT_EQ(run(m_hDB, &query), 1);
    EXPECT_EQ(query.m_listResults.GetCount(), 0);
    std::vector<long> ids;
    for (int i = 0; i < query.m_arrayIDs.GetSize(); ++i) ids.push_back(query.m_arrayIDs[i]);
    return ids;
  }
  long m_r1 = 0, m_r2 = 0, m_c1 = 0;
};

TEST_F(LegacyLibraryTest, PathsFollowTheFolderKeys) {
  CString path;
  ASSERT_EQ(GetPathByID(m_hDB, m_r1, path), 1);
  EXPECT_STREQ(path, "\\\\FolderA\\FolderB");
  ASSERT_EQ(GetPathByID(m_hDB, m_r2, path), 1);
  EXPECT_STREQ(path, "\\\\FolderA");
  ASSERT_EQ(GetPathByID(m_hDB, m_c1, path), 1);
  EXPECT_STREQ(path, "\\\\");
  ASSERT_EQ(SetFolderByID(m_hDB, m_c1, "9,1"), 1);
  EXPECT_EQ(FailCode(GetPathByID(m_hDB, m_c1, path)), LZLE_NO_RECORD);
}

TEST_F(LegacyLibraryTest, CompQuerySelectsByEveryCriterion) {
  struct CCase {
    const char* what;
    std::function<void(CCompQueryObject&)> set;
    std::vector<long> hits;
  };
  const long folderA = 1, folderB = 2;
  const std::vector<CCase> cases = {
      {"exact name", [](CCompQueryObject& q) { q.SetName("R1"); }, {m_r1}},
      {"name of a folder is its title",
       [](CCompQueryObject& q) { q.SetName("FolderB"); },
       {folderB}},
      {"ignore case", [](CCompQueryObject& q) { q.SetName("R2"), q.SetIgnoreCaseFlag(1); }, {m_r2}},
      {"wildcard star",
       [](CCompQueryObject& q) { q.SetName("R*"), q.SetUseWildcardsFlag(1); },
       {m_r1}},
      {"wildcards and case",
       [](CCompQueryObject& q) {
         q.SetName("r?"), q.SetUseWildcardsFlag(1), q.SetIgnoreCaseFlag(1);
       },
       {m_r1, m_r2}},
      {"title wildcard",
       [](CCompQueryObject& q) { q.SetTitle("*sistor*"), q.SetUseWildcardsFlag(1); },
       {m_r1, m_r2}},
      {"empty pattern matches nothing",
       [](CCompQueryObject& q) { q.SetTitle(""), q.SetUseWildcardsFlag(1); },
       {}},
      {"type", [](CCompQueryObject& q) { q.SetType("SUB"); }, {m_c1}},
      {"folder", [](CCompQueryObject& q) { q.SetFolder("1,4"); }, {m_r2}},
      {"path", [](CCompQueryObject& q) { q.SetPath("\\\\FolderA"); }, {folderB, m_r2}},
      {"keyword", [](CCompQueryObject& q) { q.SetKeyword("passive"); }, {m_r1, m_r2}},
      {"keyword wildcard and type",
       [](CCompQueryObject& q) {
         q.SetKeyword("*ive"), q.SetUseWildcardsFlag(1), q.SetType("SUB");
       },
       {m_c1}},
      {"no parameters",
       [](CCompQueryObject& q) { q.SetNumberOfParams(0); },
       {folderA, folderB, m_r1, m_r2, m_c1}},
      {"one parameter", [](CCompQueryObject& q) { q.SetNumberOfParams(1); }, {}},
  };
  for (const CCase& c : cases) {
    SCOPED_TRACE(c.what);
    CCompQueryObject query;
    c.set(query);
    EXPECT_EQ(Hits(query), c.hits);
  }
  // Bookmarks by default, both with the keep bit; Reset clears the criteria.
  CCompQueryObject query;
  query.SetName("R1");
  ASSERT_EQ(CompQuery(m_hDB, &query), 1);
  ASSERT_EQ(query.m_listResults.GetCount(), 1);
  long id = 0;
  EXPECT_EQ(
      GetIDByBookmark(
          m_hDB, static_cast<CBookmarkObject*>(query.m_listResults.GetHead())->m_varBookmark, id),
      1);
  EXPECT_EQ(id, m_r1);
  query.SetResultType(LZLQ_RETURN_IDS | LZLQ_KEEP_BOOKMARKS);
  ASSERT_EQ(CompQuery(m_hDB, &query), 1);
  EXPECT_EQ(query.m_listResults.GetCount(), 1);
  EXPECT_EQ(query.m_arrayIDs.GetSize(), 1);
  query.Reset();
  ASSERT_EQ(CompQuery(m_hDB, &query), 1);
  EXPECT_EQ(query.m_listResults.GetCount(), 5);
  // The second form adds the UDT name and wizard type.
  ASSERT_EQ(SetUDTNameByID(m_hDB, m_c1, "CDATA"), 1);
  CCompQueryObject2 extended;
  extended.SetUDTName("CDATA");
  EXPECT_EQ(Hits(extended, CompQuery2), std::vector<long>{m_c1});
  EXPECT_EQ(CompQuery(m_hDB, &extended), 1);  // ignores the extra criteria
  EXPECT_EQ(extended.m_arrayIDs.GetSize(), 5);
}

TEST_F(LegacyTest, CopyCarriesFieldsAndListsIntoAnotherDatabase) {
  COleVariant from;
  const long id = NewModel("R1", &from);
  ASSERT_EQ(SetTypeByID(m_hDB, id, "MAC"), 1);
  ASSERT_EQ(SetWizTypeByID(m_hDB, id, 7), 1);
  ASSERT_EQ(SetLibByID(m_hDB, id, "R1 1 2 1k", 1), 1);
  CObList params;
  params.AddTail(new CCoPaObject("R", "1k", "", 0));
  ASSERT_EQ(SetParamsByID(m_hDB, id, params), 1);
  FreeObjectList(params);
  void* other = CreateZLDatabase(m_dir.File("other.sdb").c_str());
  ASSERT_NE(other, nullptr);
  COleVariant to;
  ASSERT_EQ(CreateNewRecord(other, to), 1);
  ASSERT_EQ(CopyRecordByBookmark(m_hDB, from, other, to), 1);
  CString text;
  BYTE wizType = 0;
  long state = 0;
  EXPECT_EQ(GetNameByBookmark(other, to, text), 1);
  EXPECT_STREQ(text, "R1");
  EXPECT_EQ(GetWizTypeByBookmark(other, to, wizType), 1);
  EXPECT_EQ(wizType, 7);
  EXPECT_EQ(GetLibStateByBookmark(other, to, state), 1);
  EXPECT_EQ(state, LZL_LIB_COMPRESSED);
  EXPECT_EQ(GetLibByBookmark(other, to, text, LZL_LIB_ACCESS), 1);
  EXPECT_STREQ(text, "R1 1 2 1k");
  EXPECT_EQ(GetParamsByBookmark(other, to, params), 1);
  EXPECT_EQ(params.GetCount(), 1);
  FreeObjectList(params);
  // A bookmark of one database is refused by the other, and nothing is
  // written.
  EXPECT_EQ(FailCode(CopyRecordByBookmark(m_hDB, to, other, to)), LZLE_ENGINE);
  EXPECT_EQ(CloseZLDatabase(other), 1);
}

TEST_F(LegacyTest, ConversionOfAnEarlierLayoutReplacesTheFile) {
  const long macro = NewModel("M1");
  ASSERT_EQ(SetTypeByID(m_hDB, macro, "MAC"), 1);
  const long dynamic = NewModel("M2");
  ASSERT_EQ(SetTypeByID(m_hDB, dynamic, "MAC"), 1);
  CObList outputs;
  outputs.AddTail(new CCoPaObject("out", "v", "", 0xC));
  ASSERT_EQ(SetOutputByID(m_hDB, dynamic, outputs), 1);
  FreeObjectList(outputs);
  NewModel("S1");
  // A caller's table whose counter has a gap (row 2 deleted).
  CUDTFieldInfoArray fields;
  CUDTFieldInfo number("N", UDT_AUTONUMBER, 0), text("T", UDT_TEXT, 20);
  fields.Add(&number), fields.Add(&text);
  void* table = CreateUserDefinedTable(m_hDB, "MYDATA", fields);
  ASSERT_NE(table, nullptr);
  COleVariant rows[3];
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(UDTCreateNewRecord(table, rows[i], nullptr), 1);
    ASSERT_EQ(UDTSetFieldValueByBookmark(table, rows[i], "T", COleVariant(i == 0 ? "a" : "c")), 1);
  }
  ASSERT_EQ(UDTDeleteRecordByBookmark(table, rows[1]), 1);
  ASSERT_EQ(CloseUserDefinedTable(table), 1);
  // The current layout is left alone.
  EXPECT_EQ(ConvertZLDatabase(m_hDB), m_hDB);
  EXPECT_EQ(SetDatabaseVersion(m_hDB, 1L << 40), 0);  // no 32-bit version
  EXPECT_EQ(GetLastZLDBError(), LZLE_ENGINE);
  ASSERT_EQ(SetDatabaseVersion(m_hDB, 3), 1);
  ASSERT_EQ(CloseZLDatabase(m_hDB), 1);
  m_hDB = OpenZLDatabase(m_path.c_str(), FALSE);
  ASSERT_NE(m_hDB, nullptr);
  void* shared = OpenZLDatabase(m_path.c_str(), FALSE);
  EXPECT_EQ(ConvertZLDatabase(m_hDB), m_hDB);  // shared: not converted
  ASSERT_EQ(CloseZLDatabase(shared), 1);

  void* converted = ConvertZLDatabase(m_hDB);
  ASSERT_NE(converted, nullptr) << GetLastZLDBError();
  long version = 0;
  EXPECT_EQ(GetDatabaseVersion(m_hDB, &version), 0);  // the old handle is closed
  m_hDB = converted;
  EXPECT_EQ(GetDatabaseVersion(m_hDB, &version), 1);
  EXPECT_EQ(version, 4);
  CObList bookmarks;
  ASSERT_EQ(GetAllBookmarks(m_hDB, &bookmarks), 1);
  EXPECT_EQ(bookmarks.GetCount(), 3);
  FreeObjectList(bookmarks);
  const struct {
    long id;
    int outputs;
  } expected[] = {{macro, 1}, {dynamic, 1}, {macro + 2, 0}};
  for (const auto& model : expected) {
    ASSERT_EQ(GetOutputByID(m_hDB, model.id, outputs), 1);
    EXPECT_EQ(outputs.GetCount(), model.outputs) << model.id;
    if (model.id == macro) {
      const auto* dyn = static_cast<CCoPaObject*>(outputs.GetHead());
      EXPECT_STREQ(dyn->m_strName, "dyn");
      EXPECT_STREQ(dyn->m_strValue, "%s");
      EXPECT_STREQ(dyn->m_strInfo, "1,0");
      EXPECT_EQ(dyn->m_dwType, 12u);
    }
    FreeObjectList(outputs);
  }
  // The caller's table came along, its counter values kept.
  table = OpenUserDefinedTable(m_hDB, "MYDATA");
  ASSERT_NE(table, nullptr);
  ASSERT_EQ(UDTGetAllBookmarks(table, bookmarks), 1);
  std::string seen;
  for (POSITION pos = bookmarks.GetHeadPosition(); pos != nullptr;) {
    const COleVariant& row = static_cast<CBookmarkObject*>(bookmarks.GetNext(pos))->m_varBookmark;
    COleVariant n, t;
    ASSERT_EQ(UDTGetFieldValueByBookmark(table, row, "N", n), 1);
    ASSERT_EQ(UDTGetFieldValueByBookmark(table, row, "T", t), 1);
    seen += std::to_string(n.lVal) + t.GetStringValue();
  }
  FreeObjectList(bookmarks);
  EXPECT_EQ(seen, "1a3c");
  EXPECT_EQ(CloseUserDefinedTable(table), 1);
}

}  // namespace
