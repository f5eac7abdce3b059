// Fields read late, and bookmarks across recordsets and databases.  Orders,
// seeks (their refusals and forms too), moves and positions are checked
// against a model by the random-operations test.
#include "engine_fixture.h"

namespace enginetest {
namespace {

class RecordsetOrderTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    CreateTable(m_db, "PARTS",
                {{"ID", dbLong, 4, dbAutoIncrField, false},
                 {"GRP", dbLong, 4, dbUpdatableField, false},
                 {"NAME", dbText, 30, dbVariableField | dbUpdatableField, true},
                 {"SUB", dbLong, 4, dbUpdatableField, false}},
                {{"ID_INDEX", {"ID"}, true},
                 {"GRP_INDEX", {"GRP"}, false},
                 {"TRIPLE", {"GRP", "NAME", "SUB"}, false}});
    m_rs.Open(dbOpenTable, "PARTS");
  }

  // Adds a row; a null pointer or INT32_MIN leaves the field NULL.
  COleVariant Add(int32_t grp, const char* name, int32_t sub = INT32_MIN) {
    Values v;
    if (grp != INT32_MIN) v.push_back({"GRP", Long(grp)});
    if (name != nullptr) v.push_back({"NAME", COleVariant(name)});
    if (sub != INT32_MIN) v.push_back({"SUB", Long(sub)});
    return AddRow(m_rs, v);
  }
  std::string Name() { return Text(m_rs.GetFieldValue("NAME")); }
  bool SeekOne(const char* op, COleVariant key) { return m_rs.Seek(op, &key) != FALSE; }

  CDaoRecordset m_rs{&m_db};
};

// Rows are read with the fields asked for so far: a field asked for the
// first time in the middle of a walk (with rows already read ahead), after
// an edit or after the layout changed must still read every row's own value.
TEST_F(RecordsetOrderTest, FieldsAskedForLaterReadEachRowsOwnValue) {
  for (int i = 0; i < 12; ++i) Add(i % 3, ("n" + std::to_string(i)).c_str(), 100 + i);
  m_rs.SetCurrentIndex("ID_INDEX");
  std::vector<std::string> seen;
  int i = 0;
  for (m_rs.MoveFirst(); !m_rs.IsEOF(); m_rs.MoveNext(), ++i) {
    std::string row = Name();
    // SUB from the fourth row on, GRP from the eighth: both join the fields
    // read while rows read ahead lack them.
    if (i >= 3) row += "/" + Text(m_rs.GetFieldValue("SUB"));
    if (i >= 7) row += "/" + Text(m_rs.GetFieldValue("GRP"));
    seen.push_back(row);
  }
  EXPECT_EQ(seen, (Strings{"n0", "n1", "n2", "n3/103", "n4/104", "n5/105", "n6/106", "n7/107/1",
                           "n8/108/2", "n9/109/0", "n10/110/1", "n11/111/2"}));
  // An edited row stays current with the fields it was not read with.
  COleVariant sixth = Long(6);
  ASSERT_TRUE(SeekOne("=", sixth));
  m_rs.Edit();
  m_rs.SetFieldValue("SUB", Long(7));
  m_rs.Update();
  EXPECT_EQ(Name() + "/" + Text(m_rs.GetFieldValue("SUB")), "n5/7");
  // A field added while the recordset is open reads as NULL, and the others
  // still read right.
  {
    CDaoTableDef td(&m_db);
    td.Open("PARTS");
    td.CreateField("EXTRA", dbLong, 4, dbUpdatableField);
  }
  m_rs.SetCurrentIndex("GRP_INDEX");
  ASSERT_TRUE(SeekOne("=", Long(2)));
  EXPECT_EQ(Text(m_rs.GetFieldValue("EXTRA")), "NULL");
  EXPECT_EQ(Name() + "/" + Text(m_rs.GetFieldValue("SUB")), "n2/102");
}

// Bookmarks kept across a reopen of the recordset, and bookmarks that are no
// bookmark at all, are met by the random-operations test.
TEST_F(RecordsetOrderTest, BookmarksAreRefusedElsewhere) {
  COleVariant first = Add(1, "first");
  m_rs.SetBookmark(first);

  // Another table of the same database.
  CreateTable(m_db, "OTHER", {{"X", dbLong, 4, dbUpdatableField, false}}, {});
  CDaoRecordset other(&m_db);
  other.Open(dbOpenTable, "OTHER");
  COleVariant foreignRow = AddRow(other, {{"X", Long(1)}});
  EXPECT_EQ(ErrorOf([&] { m_rs.SetBookmark(foreignRow); }), kDaoBadBookmark);
  EXPECT_EQ(Name(), "first") << "a refused bookmark leaves the position";

  // The same file opened through a second database object.
  CDaoDatabase again;
  again.Open(m_path.c_str());
  CDaoRecordset rs2(&again);
  rs2.Open(dbOpenTable, "PARTS");
  EXPECT_EQ(ErrorOf([&] { rs2.SetBookmark(first); }), kDaoBadBookmark);
  EXPECT_EQ(ErrorOf([&] { m_rs.SetBookmark(rs2.GetBookmark()); }), kDaoBadBookmark);
}

}  // namespace
}  // namespace enginetest
