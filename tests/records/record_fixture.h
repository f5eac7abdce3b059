// Libraries with fully populated records, and a description of a record's
// content read back through the public getters, for tests of deleting and
// copying whole records.
#ifndef ZLDBCTRL70_TESTS_RECORDS_RECORD_FIXTURE_H_
#define ZLDBCTRL70_TESTS_RECORDS_RECORD_FIXTURE_H_

#include <gtest/gtest.h>

#include <string>

#include "support/schema_sweep.h"

constexpr WORD kEN = 1033;
constexpr WORD kDE = 1031;

// Adds an additional-data column (type code, text size, indexed with
// duplicates allowed when index is set).
inline void AddDataColumn(void* hDB, const char* name, long type, long size, long index) {
  CZLAdditionalDataInfoObject info(name);
  info.m_lType = type;
  info.m_lSize = size;
  info.m_lIndex = index;
  info.m_lDuplicate = 1;
  ASSERT_EQ(ZLCreateAdditionalDataInfo(hDB, info), 1) << ZLGetLastError();
}

// Gives a library both resource languages and the simulator tables the
// populated records use.
inline void PrepareLibrary(void* hDB) {
  for (WORD language : {kEN, kDE}) {
    const int added = ZLAddResourceTable(hDB, language);
    ASSERT_TRUE(added == 1 || ZLGetLastError() == ZLE_LANGUAGE_EXISTS);
  }
  ASSERT_EQ(ZLAddMacroTable(hDB, "SPICE", 0), 1);
  ASSERT_EQ(ZLAddCallTable(hDB, "SPICE", 0), 1);
  ASSERT_EQ(ZLAddAccessTable(hDB, "SPICE"), 1);
  AddDataColumn(hDB, "COST", 7, 0, 0);
  AddDataColumn(hDB, "ORDERNO", 0, 20, 1);
}

// Gives the record content of every kind, varied by tag: three parameter
// sets chained in an order other than their creation, each with texts,
// keywords, node values and limit values, tolerances, stresses, additional
// data and profile strings in two sections.
void Populate(void* hDB, long id, const std::string& tag);

// Everything the getters return for the record, one line per value; node
// wizard files are named by the file they point at, tolerances by their
// node, parameter sets by their place in the chain.
std::string Describe(void* hDB, long id);

class RecordTest : public SchemaSweepTest {
 protected:
  void SetUp() override {
    SchemaSweepTest::SetUp();
    PrepareLibrary(m_hDB);
  }
};

#endif  // ZLDBCTRL70_TESTS_RECORDS_RECORD_FIXTURE_H_
