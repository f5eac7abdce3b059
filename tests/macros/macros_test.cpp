// Macros: selection by level, name, interface and default; stored forms and
// damaged blocks; descriptions; whole-set writes; codes; all-or-nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "content/row_patterns.h"
#include "frame/stored_text.h"
#include "support/simlang_fixture.h"

namespace {

constexpr long kAccess = ZL_MACRO_ACCESS;
constexpr WORD kEnglish = 1033, kGerman = 1031, kNoTable = 0x0C0A;

std::unique_ptr<CZLMacroObject> Macro(DWORD level, const char* text, const char* name = "",
                                      long state = 0) {
  std::unique_ptr<CZLMacroObject> macro(new CZLMacroObject);
  macro->m_dwLevel = level;
  macro->m_strMacroText = text;
  macro->m_strDefName = name;
  macro->m_lState = state;
  return macro;
}

class MacroTest : public SimLangTest {
 protected:
  void SetUp() override {
    SimLangTest::SetUp();
    ASSERT_EQ(ZLAddMacroTable(m_hDB, "Spice", 0), 1);
    ASSERT_EQ(ZLAddMacroTable(m_hDB, "VHDLA", 1), 1);
    for (WORD language : {kEnglish, kGerman}) ASSERT_EQ(ZLAddResourceTable(m_hDB, language), 1);
    m_id = NewRecord(&m_mark);
  }
  // Adds a macro and returns its ID (read back by level and text).
  long Add(const CZLMacroObject& macro, const char* language = "Spice", long id = 0) {
    EXPECT_EQ(ZLSetMacroByID(m_hDB, id == 0 ? m_id : id, language, macro), 1);
    long last = 0;
    WithTable(zl::ZLS_MACRO, language, [&](CZLRecordset& rs) {
      CDaoRecordset& base = rs;
      base.SetBookmark(base.GetLastModifiedBookmark());
      last = rs.GetFieldValue("MACRO_ID").lVal;
    });
    return last;
  }
  // The text of the macro a level mask selects, or "#code".
  std::string ByLevel(unsigned long level) {
    CString text;
    const int result = ZLGetMacroByID(m_hDB, m_id, "Spice", level, text, kAccess);
    return result == 1 ? text.str() : "#" + std::to_string(ZLGetLastError());
  }
  std::string ByName(const char* name) {
    CString text;
    const int result = ZLGetMacroByID(m_hDB, m_id, "Spice", name, text, kAccess);
    return result == 1 ? text.str() : "#" + std::to_string(ZLGetLastError());
  }
  long RowCount(const char* language) {
    long rows = 0;
    WithTable(zl::ZLS_MACRO, language, [&](CZLRecordset& rs) { rows = rs.GetRecordCount(); });
    return rows;
  }
  // Writes a field of a macro row directly.
  void Poke(long macroID, const char* field, const COleVariant& value) {
    WithTable(zl::ZLS_MACRO, "Spice", [&](CZLRecordset& rs) {
      CIndexSwitch index(rs, "MACRO_ID_INDEX");
      ASSERT_TRUE(zl::SeekID(rs, macroID));
      zl::CRowWrite row(rs, zl::CRowWrite::kEdit);
      row.Set(field, value);
      row.Update();
    });
  }
  COleVariant Peek(long macroID, const char* field) {
    COleVariant value;
    WithTable(zl::ZLS_MACRO, "Spice", [&](CZLRecordset& rs) {
      CIndexSwitch index(rs, "MACRO_ID_INDEX");
      if (zl::SeekID(rs, macroID)) value = rs.GetFieldValue(field);
    });
    return value;
  }

  long m_id = 0;
  COleVariant m_mark;
};

TEST_F(MacroTest, SelectionTakesTheFirstQualifyingRowInTableOrder) {
  Add(*Macro(3, "three", "amp"));
  Add(*Macro(0, "zero", "amp"));
  Add(*Macro(1, "one", "amp"));
  auto preferred = Macro(6, "six", "mos");
  preferred->m_bDefault = TRUE;
  Add(*preferred);
  EXPECT_EQ(ByLevel(1), "three");  // 3 holds bit 1 and comes first
  EXPECT_EQ(ByLevel(2), "three");
  EXPECT_EQ(ByLevel(4), "six");
  EXPECT_EQ(ByLevel(0), "zero");
  EXPECT_EQ(ByLevel(8), "#29");
  EXPECT_EQ(ByLevel(0x100000001ul), "#9");  // beyond the stored 32 bits
  EXPECT_EQ(ByName("amp"), "three");
  EXPECT_EQ(ByName("AMP"), "#29");  // names compare byte for byte
  EXPECT_EQ(ByName("mos"), "six");
  CString text;
  ASSERT_EQ(ZLGetInterfaceByBookmark(m_hDB, m_mark, "Spice", text, kAccess), 1);
  EXPECT_EQ(text.str(), "zero");
  ASSERT_EQ(ZLGetDefaultMacroByID(m_hDB, m_id, "Spice", text, kAccess), 1);
  EXPECT_EQ(text.str(), "six");
  // The level-0 row never answers a name, even when it is the only match.
  const long other = NewRecord();
  ASSERT_EQ(ZLSetMacroByID(m_hDB, other, "Spice", *Macro(0, "iface", "only")), 1);
  EXPECT_EQ(FailCode(ZLGetMacroByID(m_hDB, other, "Spice", "only", text, kAccess)),
            ZLE_NO_SIMLANG_ROW);
  EXPECT_EQ(FailCode(ZLGetDefaultMacroByID(m_hDB, other, "Spice", text, kAccess)),
            ZLE_NO_SIMLANG_ROW);
  // Another record's and another language's rows are not looked at.
  EXPECT_EQ(FailCode(ZLGetInterfaceByID(m_hDB, m_id, "VHDLA", text, kAccess)), ZLE_NO_SIMLANG_ROW);
}

TEST_F(MacroTest, TextsRoundTripByteExactlyInBothStoredForms) {
  std::string big(70000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('a' + (i * 7919) % 26);
  struct Case {
    std::string text, option;
    long state;
  };
  const std::vector<Case> cases = {{"", "", 0x8000}, {"x", "o", 0x8000},   {big, big, 0x8000},
                                   {"", "", 0},      {"plain", "lost", 0}, {big, "", 0x8001}};
  for (const Case& c : cases) {
    auto macro = Macro(1, c.text.c_str(), "n", c.state);
    macro->m_strFlexOption = c.option.c_str();
    const long id = Add(*macro);
    CZLMacroObject read;
    ASSERT_EQ(ZLGetMacroByID(m_hDB, m_id, "Spice", "n", read, kAccess), 1) << ZLGetLastError();
    EXPECT_EQ(read.m_lMacroID, id);
    EXPECT_EQ(read.m_strMacroText.str(), c.text);
    EXPECT_EQ(read.m_strFlexOption.str(), c.state & 0x8000 ? c.option : "");
    EXPECT_EQ(read.m_lState, c.state);
    // The stored blocks are exactly what the codec makes of the text.
    const bool packed = c.state & 0x8000;
    EXPECT_TRUE(Peek(id, "MACROTEXT") == zl::StoreTextBlock(c.text.data(), c.text.size(), packed));
    EXPECT_EQ(Peek(id, "FLEXOPTION").vt == VT_NULL, !packed);
    // The stored form carries the blocks unchanged, and writing them back
    // reproduces the text.
    CZLBinaryMacroObject stored;
    const int result = ZLGetMacroByID(m_hDB, m_id, "Spice", 1ul, stored, kAccess);
    if (!packed) {  // an uncompressed macro has no option block to hand out
      EXPECT_EQ(FailCode(result), ZLE_MACRO_CORRUPT);
      ASSERT_EQ(ZLDeleteMacroByID(m_hDB, m_id, "Spice", id), 1);
      continue;
    }
    ASSERT_EQ(result, 1);
    stored.m_lMacroID = 0;
    ASSERT_EQ(ZLDeleteMacroByID(m_hDB, m_id, "Spice", id), 1);
    ASSERT_EQ(ZLSetMacroByID(m_hDB, m_id, "Spice", stored), 1);
    ASSERT_EQ(ZLGetMacroByID(m_hDB, m_id, "Spice", 1ul, read, kAccess), 1);
    EXPECT_TRUE(read.m_strMacroText.str() == c.text && read.m_strFlexOption.str() == c.option);
    ASSERT_EQ(ZLDeleteMacroByID(m_hDB, m_id, "Spice", read.m_lMacroID), 1);
  }
}

TEST_F(MacroTest, DamagedBlocksAreRefusedWith31) {
  auto macro = Macro(1, "body text", "n", 0x8000);
  macro->m_strFlexOption = "opt";
  const long id = Add(*macro);
  std::string wrongLength = std::string("\x08\0\0\0", 4) + "opt";  // text has 9 bytes
  std::string shortPrefix("\x09\x01", 2);  // padding may decode as more bytes
  COleVariant garbage;
  garbage.SetByteArray("\xff\xff\x01", 3);
  COleVariant null;
  null.SetNull();
  const std::vector<std::pair<const char*, COleVariant>> damage = {
      {"FLEXOPTION", zl::StoreTextBlock(wrongLength.data(), wrongLength.size(), true)},
      {"FLEXOPTION", zl::StoreTextBlock(shortPrefix.data(), shortPrefix.size(), true)},
      {"FLEXOPTION", garbage},
      {"FLEXOPTION", null},
      {"MACROTEXT", garbage}};
  for (const auto& [field, value] : damage) {
    const COleVariant good = Peek(id, field);
    Poke(id, field, value);
    CZLMacroObject read;
    read.m_strMacroText = "stale";
    EXPECT_EQ(FailCode(ZLGetMacroByID(m_hDB, m_id, "Spice", 1ul, read, kAccess)), ZLE_MACRO_CORRUPT)
        << field << " " << value.vt;
    EXPECT_TRUE(read.m_strMacroText.IsEmpty() && read.m_lMacroID == 0);
    Poke(id, field, good);
  }
  // No text block at all: a disabled, empty macro.
  Poke(id, "MACROTEXT", null);
  CZLMacroObject read;
  ASSERT_EQ(ZLGetMacroByID(m_hDB, m_id, "Spice", 1ul, read, kAccess), 1);
  EXPECT_TRUE(read.m_strMacroText.IsEmpty() && !read.m_bEnabled);
}

TEST_F(MacroTest, DescriptionsLivePerLanguageUnderTheRowsResourceID) {
  auto macro = Macro(1, "t");
  macro->m_mapDescription[kEnglish] = "amplifier";
  macro->m_mapDescription[kGerman] = "Verstärker";
  const long id = Add(*macro);
  const COleVariant resID = Peek(id, "DESCRIPTION");
  ASSERT_EQ(resID.vt, VT_I4);
  CZLMacroObject read;
  ASSERT_EQ(ZLGetMacroByID(m_hDB, m_id, "Spice", 1ul, read, kAccess), 1);
  CString text;
  EXPECT_TRUE(read.m_mapDescription.Lookup(kGerman, text) && text.str() == "Verstärker");
  // A language the map lacks loses its text; the resource ID stays.
  read.m_mapDescription.RemoveKey(kGerman);
  ASSERT_EQ(ZLSetMacroByID(m_hDB, m_id, "Spice", read), 1);
  ASSERT_EQ(ZLGetMacroByID(m_hDB, m_id, "Spice", 1ul, read, kAccess), 1);
  EXPECT_EQ(read.m_mapDescription.GetCount(), 1);
  EXPECT_TRUE(Peek(id, "DESCRIPTION") == resID);
  // A language without string table fails before anything is written.
  read.m_mapDescription[kNoTable] = "x";
  read.m_strMacroText = "changed";
  const std::string before = Image();
  EXPECT_EQ(FailCode(ZLSetMacroByID(m_hDB, m_id, "Spice", read)), ZLE_NO_LANGUAGE);
  EXPECT_TRUE(Image() == before);
  // A second macro gets a resource ID of its own; deleting removes its texts.
  auto second = Macro(2, "u");
  second->m_mapDescription[kEnglish] = "other";
  const long secondID = Add(*second);
  EXPECT_FALSE(Peek(secondID, "DESCRIPTION") == resID);
  ASSERT_EQ(ZLDeleteMacroByID(m_hDB, m_id, "Spice", secondID), 1);
  EXPECT_EQ(RowCount("Spice"), 1);
}

TEST_F(MacroTest, ASetWriteReusesRowsDeletesSurplusAndIsAllOrNothing) {
  const long keep = Add(*Macro(1, "keep"));
  const long spare = Add(*Macro(2, "spare"));
  const long surplus = Add(*Macro(4, "surplus"));
  Add(*Macro(8, "vhdl"), "VHDLA");
  const long other = NewRecord();
  const long foreign = Add(*Macro(1, "foreign"), "Spice", other);

  CZLMacroMap map;
  map["Spice"] = new CZLMacroArray;
  auto kept = Macro(16, "kept");
  kept->m_lMacroID = keep;
  map["Spice"]->Add(Macro(32, "new").release());
  map["Spice"]->Add(kept.release());
  map["VHDLA"] = new CZLMacroArray;  // an empty array empties the language
  ASSERT_EQ(ZLSetMacrosByBookmark(m_hDB, m_mark, map), 1) << ZLGetLastError();

  CZLMacroMap read;
  ASSERT_EQ(ZLGetMacrosByID(m_hDB, m_id, read, kAccess), 1);
  ASSERT_EQ(read.GetCount(), 2);
  CZLMacroArray* spice = nullptr;
  ASSERT_TRUE(read.Lookup("Spice", spice));
  ASSERT_EQ(spice->GetSize(), 2);
  EXPECT_TRUE(spice->GetAt(0)->m_lMacroID == keep &&
              spice->GetAt(0)->m_strMacroText.str() == "kept");
  EXPECT_TRUE(spice->GetAt(1)->m_lMacroID == spare &&
              spice->GetAt(1)->m_strMacroText.str() == "new");
  CZLMacroArray* vhdl = nullptr;
  EXPECT_TRUE(read.Lookup("VHDLA", vhdl) && vhdl->GetSize() == 0);
  EXPECT_TRUE(Peek(surplus, "MACRO_ID").vt == VT_EMPTY && Peek(foreign, "MACRO_ID").vt == VT_I4);

  // An object naming another record's macro fails the whole write.
  map["Spice"]->GetAt(1)->m_lMacroID = foreign;
  std::string before = Image();
  EXPECT_EQ(FailCode(ZLSetMacrosByID(m_hDB, m_id, map)), ZLE_MACRO_OTHER_RECORD);
  EXPECT_TRUE(Image() == before);
  map["Spice"]->GetAt(1)->m_lMacroID = keep;
  map["Nowhere"] = new CZLMacroArray;
  EXPECT_EQ(FailCode(ZLSetMacrosByID(m_hDB, m_id, map)), ZLE_NO_SIMTABLE_KIND);
  EXPECT_TRUE(Image() == before);
  CZLMacroArray* gone = nullptr;
  map.Lookup("Nowhere", gone);
  delete gone;
  map.RemoveKey("Nowhere");
  ZLFreeMacroMap(map);
  ZLFreeMacroMap(read);
}

TEST_F(MacroTest, CompiledCodeIsCopiedOutOrReportedAbsent) {
  auto macro = Macro(1, "t", "n");
  macro->m_lbCompiled.Assign("\x01\x00\x02", 3);
  Add(*macro);
  Add(*Macro(0, "iface"));
  long length = -1;
  unsigned char* buffer = nullptr;
  ASSERT_EQ(ZLGetCompiledMacroByID(m_hDB, m_id, "Spice", "n", length, &buffer), 1);
  ASSERT_EQ(length, 3);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 3), std::string("\x01\x00\x02", 3));
  ::operator delete(buffer);
  ASSERT_EQ(ZLGetCompiledInterfaceByBookmark(m_hDB, m_mark, "Spice", length, &buffer), 1);
  EXPECT_TRUE(length == 0 && buffer == nullptr);
  ASSERT_EQ(ZLDeleteMacroByID(m_hDB, m_id, "Nowhere", 1), 0);  // leaves 21
  EXPECT_EQ(ZLGetCompiledDefaultMacroByID(m_hDB, m_id, "Spice", length, nullptr), 0);
  EXPECT_EQ(ZLGetLastError(), ZLE_NO_SIMTABLE_KIND);
}

TEST_F(MacroTest, BadInputGetsItsCodeAndWritesNothing) {
  const long id = Add(*Macro(1, "t"));
  const long other = NewRecord();
  CString text;
  CZLMacroObject macro;
  CZLMacroMap map;
  // The access code comes before the handle and the bookmark.
  EXPECT_EQ(FailCode(ZLGetMacroByID(nullptr, m_id, "Spice", 1ul, text, 0)), ZLE_MACRO_ACCESS_KEY);
  EXPECT_EQ(FailCode(ZLGetInterfaceByBookmark(m_hDB, COleVariant(), "Spice", macro, 1)),
            ZLE_MACRO_ACCESS_KEY);
  EXPECT_EQ(FailCode(ZLGetMacrosByID(m_hDB, m_id, map, kAccess + 1)), ZLE_MACRO_ACCESS_KEY);
  EXPECT_EQ(FailCode(ZLGetMacroByID(m_hDB, m_id, "spice", 1ul, text, kAccess)),
            ZLE_NO_SIMTABLE_KIND);
  EXPECT_EQ(FailCode(ZLGetMacroByID(m_hDB, m_id, nullptr, 1ul, text, kAccess)),
            ZLE_NO_SIMTABLE_KIND);
  // A bookmark of another database.
  CScratchDir dir;
  void* second = ZLCreateDatabase(dir.File("b.zdb").c_str());
  ASSERT_NE(second, nullptr);
  COleVariant foreign;
  ASSERT_EQ(ZLCreateNewRecord(second, foreign), 1);
  EXPECT_EQ(FailCode(ZLSetMacroByBookmark(m_hDB, foreign, "Spice", *Macro(1, "x"))),
            ZLE_BAD_BOOKMARK);
  EXPECT_EQ(ZLCloseDatabase(second), 1);

  const std::string before = Image();
  auto named = Macro(1, "x", std::string(51, 'n').c_str());  // DEFNAME holds 50
  EXPECT_EQ(FailCode(ZLSetMacroByID(m_hDB, m_id, "Spice", *named)), ZLE_ENGINE);
  named = Macro(1, "x");
  EXPECT_EQ(FailCode(ZLSetMacroByID(m_hDB, other + 100, "Spice", *named)), ZLE_NO_RECORD);
  named->m_lMacroID = id + 100;
  EXPECT_EQ(FailCode(ZLSetMacroByID(m_hDB, m_id, "Spice", *named)), ZLE_NO_MACRO);
  named->m_lMacroID = id;
  EXPECT_EQ(FailCode(ZLSetMacroByID(m_hDB, other, "Spice", *named)), ZLE_MACRO_OTHER_RECORD);
  EXPECT_EQ(FailCode(ZLDeleteMacroByID(m_hDB, other, "Spice", id)), ZLE_MACRO_OTHER_RECORD);
  EXPECT_EQ(FailCode(ZLDeleteMacroByID(m_hDB, m_id, "Spice", id + 1)), ZLE_NO_MACRO);
  EXPECT_EQ(FailCode(ZLDeleteMacroByID(m_hDB, m_id, "Spice", 1L << 40)), ZLE_NO_MACRO);
  named->m_lState = 1L << 40;  // does not fit STATE
  EXPECT_EQ(FailCode(ZLSetMacroByID(m_hDB, m_id, "Spice", *named)), ZLE_ENGINE);
  EXPECT_TRUE(Image() == before);
}

}  // namespace
