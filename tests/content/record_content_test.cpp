// Deleting a record's model content: every keyword link, symbol, node with
// its satellites and file of the record goes, other records keep theirs,
// shared keyword rows stay, and a failure leaves everything in place.
#include "content/record_content.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "frame/guard.h"
#include "frame/language_maps.h"
#include "resources/language_texts.h"
#include "simlang/owner_record.h"
#include "support/schema_sweep.h"

namespace {

constexpr WORD kEN = 1033;
constexpr WORD kDE = 1031;

class RecordContentTest : public SchemaSweepTest {
 protected:
  void SetUp() override {
    SchemaSweepTest::SetUp();
    for (WORD language : {kEN, kDE}) {
      const int added = ZLAddResourceTable(m_hDB, language);
      ASSERT_TRUE(added == 1 || ZLGetLastError() == ZLE_LANGUAGE_EXISTS);
    }
    ASSERT_EQ(ZLAddAccessTable(m_hDB, "Spice"), 1);
  }

  // Gives the record two nodes of each kind with every satellite, a set
  // value, keywords of its own and of set 5 in both languages (one shared
  // with every record, one its own), symbols in both languages and two files.
  void Fill(long id, const std::string& tag) {
    for (bool conservative : {true, false}) {
      CZLNodeArray nodes;
      for (const char* name : {"a", "b"}) {
        auto* node = new CZLNodeObject;
        node->m_strName = (tag + name).c_str();
        node->m_mapInfo[kEN] = (tag + name + " info").c_str();
        node->m_mapInfo[kDE] = (tag + name + " Info").c_str();
        node->m_mapPreferUnit[kDE] = "mV";
        node->m_mapAccess["Spice"] = (tag + name).c_str();
        node->m_mapDefValue["Spice"] = "0";
        nodes.Add(node);
      }
      ASSERT_EQ(
          conservative ? ZLSetNodesCByID(m_hDB, id, nodes) : ZLSetNodesNCByID(m_hDB, id, nodes, 0),
          1);
      if (!conservative) {
        ASSERT_EQ(ZLSetNodesNCByID(m_hDB, id, nodes, 5), 1);
      }
      ZLFreeObjectArray(nodes);
    }
    for (WORD language : {kEN, kDE}) {
      for (long set : {0L, 5L}) {
        CZLKeywordArray keywords;
        for (const std::string& text : {std::string("shared"), tag + "-own", tag + "-set"}) {
          if (text == tag + "-set" && set == 0) continue;
          auto* keyword = new CZLKeywordObject;
          keyword->m_strKeyword = text.c_str();
          keywords.Add(keyword);
        }
        ASSERT_EQ(ZLSetKeywordsByID(m_hDB, id, language, keywords, set), 1);
        ZLFreeObjectArray(keywords);
      }
      ASSERT_EQ(ZLSetSymbolByID(m_hDB, id, language, (tag + " symbol").c_str()), 1);
    }
    CZLFileArray files;
    for (const char* name : {"a.lib", "b.lib"}) {
      auto* file = new CZLFileObject;
      file->m_strFileName = (tag + name).c_str();
      file->m_lbData.Assign(name, 5);
      files.Add(file);
    }
    ASSERT_EQ(ZLSetFilesByID(m_hDB, id, files), 1);
    ZLFreeObjectArray(files);
  }

  // Row counts of every table the content lives in, by table name.
  std::map<std::string, long> Counts() {
    zl::CHandleLock lock(m_hDB);
    zl::ZLHandleRecord& record = lock.Record();
    std::map<std::string, long> counts;
    for (zl::ZLFixedTable table :
         {zl::ZLT_NODE_C, zl::ZLT_NODE_NC, zl::ZLT_PARAMVALUE, zl::ZLT_FILES}) {
      counts["fixed " + std::to_string(table)] = record.recordsets[table]->GetRecordCount();
    }
    for (int kind = 0; kind < zl::ZLR_KIND_COUNT; ++kind) {
      zl::ForEachResourceTable(record, kind, [&](WORD language, CZLRecordset& rs) {
        counts["resource " + std::to_string(kind) + "/" + std::to_string(language)] =
            rs.GetRecordCount();
        return ZLE_OK;
      });
    }
    zl::ForEachSimLanguage(record, zl::ZLS_ACCESS, [&](const CString& language, CZLRecordset& rs) {
      counts["access " + language.str()] = rs.GetRecordCount();
      return ZLE_OK;
    });
    return counts;
  }

  int DeleteContent(long id) {
    return zl::RunGuarded(m_hDB, [&](zl::ZLHandleRecord& record) {
      return zl::ZLOutcome::FromCode(zl::DeleteRecordContent(record, id));
    });
  }

  // Everything the exports read of a record, as one text.
  std::string Content(long id) {
    std::string out;
    for (bool conservative : {true, false}) {
      CZLNodeArray nodes;
      EXPECT_EQ(
          conservative ? ZLGetNodesCByID(m_hDB, id, nodes) : ZLGetNodesNCByID(m_hDB, id, nodes, 5),
          1);
      for (int i = 0; i < nodes.GetSize(); ++i) {
        CString info;
        nodes[i]->m_mapInfo.Lookup(kDE, info);
        out += nodes[i]->m_strName.str() + "/" + info.str() + ";";
      }
      ZLFreeObjectArray(nodes);
    }
    for (WORD language : {kEN, kDE}) {
      CZLKeywordArray keywords;
      EXPECT_EQ(ZLGetKeywordsByID(m_hDB, id, language, keywords, 5), 1);
      for (int i = 0; i < keywords.GetSize(); ++i) out += keywords[i]->m_strKeyword.str() + ",";
      ZLFreeObjectArray(keywords);
      CString symbol;
      if (ZLGetSymbolByID(m_hDB, id, language, symbol) == 1) out += symbol.str() + ";";
    }
    CZLFileArray files;
    EXPECT_EQ(ZLGetFilesByID(m_hDB, id, files), 1);
    for (int i = 0; i < files.GetSize(); ++i) out += files[i]->m_strFileName.str() + ";";
    ZLFreeObjectArray(files);
    return out;
  }
};

TEST_F(RecordContentTest, RemovesEveryRowOfTheRecordAndOnlyThose) {
  const long kept = NewRecord();
  const long gone = NewRecord();
  Fill(kept, "k");
  const std::map<std::string, long> before = Counts();
  const std::string keptContent = Content(kept);
  Fill(gone, "g");
  ASSERT_NE(Counts(), before);

  ASSERT_EQ(DeleteContent(gone), 1) << ZLGetLastError();
  EXPECT_EQ(Content(gone), "");
  EXPECT_EQ(Content(kept), keptContent);
  // Only the keyword rows the deleted record brought stay ("g-own" and
  // "g-set" in each language): keyword rows are never deleted.
  std::map<std::string, long> expected = before;
  for (WORD language : {kEN, kDE}) {
    expected["resource " + std::to_string(zl::ZLR_KEYWORD) + "/" + std::to_string(language)] += 2;
  }
  EXPECT_EQ(Counts(), expected);

  // A record without content, and an ID no record has, are no failure.
  EXPECT_EQ(DeleteContent(gone), 1);
  EXPECT_EQ(DeleteContent(1L << 40), 1);
  EXPECT_EQ(Content(kept), keptContent);
}

// Every write and every commit of the deletion failing in turn: the file
// stays byte for byte as it was and the engine's code is reported.
TEST_F(RecordContentTest, AFailureLeavesEveryRowInPlace) {
  const long id = NewRecord();
  Fill(id, "r");
  const std::string content = Content(id);
  ExpectAllOrNothing([&] { return DeleteContent(id); }, [&] { Fill(id, "r"); });
  EXPECT_EQ(Content(id), content);
}

}  // namespace
