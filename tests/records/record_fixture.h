// Libraries with fully populated records, and a description of a record's
// content read back through the public getters, for tests of deleting and
// copying whole records.
#ifndef ZLDBCTRL70_TESTS_RECORDS_RECORD_FIXTURE_H_
#define ZLDBCTRL70_TESTS_RECORDS_RECORD_FIXTURE_H_

#include <gtest/gtest.h>

#include <string>

#include "support/simlang_fixture.h"

constexpr WORD kEN = 1033;
constexpr WORD kDE = 1031;

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
}

// Gives the record content of every kind, varied by tag.
void Populate(void* hDB, long id, const std::string& tag);

// Everything the getters return for the record, one line per value; node
// wizard files are named by the file they point at.
std::string Describe(void* hDB, long id);

class RecordTest : public SimLangTest {
 protected:
  void SetUp() override {
    SimLangTest::SetUp();
    PrepareLibrary(m_hDB);
  }
};

#endif  // ZLDBCTRL70_TESTS_RECORDS_RECORD_FIXTURE_H_
