// Order, seeks, moves and positions of table-type recordsets.
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
                 {"SUB", dbLong, 4, dbUpdatableField, false},
                 {"FLAG", dbBoolean, 1, dbUpdatableField, false}},
                {{"ID_INDEX", {"ID"}, true},
                 {"GRP_INDEX", {"GRP"}, false},
                 {"NAME_INDEX", {"NAME"}, false},
                 {"TRIPLE", {"GRP", "NAME", "SUB"}, false},
                 {"FLAG_INDEX", {"FLAG"}, false}});
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
  // The name of the row a one-key seek finds, "none" when it finds none.
  std::string SeekName(const char* op, COleVariant key) {
    return SeekOne(op, key) ? Name() : "none";
  }

  CDaoRecordset m_rs{&m_db};
};

TEST_F(RecordsetOrderTest, WithoutAnIndexRowsFollowInsertionOrder) {
  Add(3, "c");
  Add(1, "a");
  COleVariant middle = Add(2, "b");
  Add(0, "z");
  m_rs.SetBookmark(middle);
  m_rs.Delete();
  Add(9, "y");
  EXPECT_EQ(m_rs.GetCurrentIndex(), CString(""));
  EXPECT_EQ(Walk(m_rs, "NAME"), (Strings{"c", "a", "z", "y"}));
  m_rs.MoveLast();
  EXPECT_EQ(Name(), "y");
}

TEST_F(RecordsetOrderTest, TiesFollowInsertionOrderAndNullsComeFirst) {
  for (const char* when : {"-first", "-second"}) {
    Add(2, (std::string("two") + when).c_str());
    Add(1, (std::string("one") + when).c_str());
    Add(INT32_MIN, (std::string("null") + when).c_str());
  }
  m_rs.SetCurrentIndex("GRP_INDEX");
  const Strings order = {"null-first", "null-second", "one-first",
                         "one-second", "two-first",   "two-second"};
  EXPECT_EQ(Walk(m_rs, "NAME"), order);
  Strings back;
  for (m_rs.MoveLast(); !m_rs.IsBOF(); m_rs.MovePrev()) back.push_back(Name());
  EXPECT_EQ(back, Strings(order.rbegin(), order.rend()));
}

TEST_F(RecordsetOrderTest, NullKeysTakePartInSeeksAndWalks) {
  Add(5, "five");
  Add(INT32_MIN, "null-a");
  Add(INT32_MIN, "null-b");
  m_rs.SetCurrentIndex("GRP_INDEX");
  EXPECT_EQ(SeekName("=", Null()), "null-a");
  m_rs.MoveNext();
  EXPECT_EQ(Name(), "null-b");
  m_rs.MoveNext();
  EXPECT_EQ(Name(), "five");
  // Below the smallest value lie the NULL rows; "<" finds the last of them.
  EXPECT_EQ(SeekName("<", Long(5)), "null-b");
  EXPECT_EQ(SeekName(">", Null()), "five");
  EXPECT_EQ(SeekName("<", Null()), "none");
  EXPECT_EQ(SeekName("<=", Null()), "null-b");
}

TEST_F(RecordsetOrderTest, TextIndexesIgnoreAsciiCaseOnly) {
  Add(1, "beta");
  Add(2, "ALPHA");
  Add(3, "Gamma");
  Add(4, "alpha");
  Add(5, "\xC3\x84pfel");  // A umlaut: outside ASCII, not folded
  m_rs.SetCurrentIndex("NAME_INDEX");
  EXPECT_EQ(Walk(m_rs, "NAME"), (Strings{"ALPHA", "alpha", "beta", "Gamma", "\xC3\x84pfel"}));
  EXPECT_EQ(SeekName("=", COleVariant("Alpha")), "ALPHA");
  EXPECT_EQ(SeekName("=", COleVariant("GAMMA")), "Gamma");
  EXPECT_EQ(SeekName("=", COleVariant("\xC3\xA4pfel")), "none");
}

TEST_F(RecordsetOrderTest, EachSeekOperatorOnOneField) {
  Add(10, "ten");
  Add(20, "twenty-a");
  Add(30, "thirty");
  Add(20, "twenty-b");
  m_rs.SetCurrentIndex("GRP_INDEX");
  struct Case {
    const char* op;
    int32_t key;
    const char* expected;  // null: not found
  } cases[] = {
      {"=", 20, "twenty-a"},  {">=", 15, "twenty-a"}, {">=", 20, "twenty-a"}, {">", 20, "thirty"},
      {"<=", 20, "twenty-b"}, {"<=", 25, "twenty-b"}, {"<", 20, "ten"},       {"<", 10, nullptr},
      {">", 30, nullptr},     {"=", 25, nullptr},     {">=", -5, "ten"},      {"<=", 99, "thirty"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.op) + " " + std::to_string(c.key));
    EXPECT_EQ(SeekName(c.op, Long(c.key)), c.expected ? c.expected : "none");
    if (c.expected == nullptr) {
      EXPECT_EQ(ErrorOf([&] { m_rs.GetFieldValue("NAME"); }), kDaoNoCurrentRecord);
      EXPECT_FALSE(m_rs.IsEOF());
    }
  }
}

TEST_F(RecordsetOrderTest, SeeksWithTwoAndThreeKeysAndPartialKeys) {
  Add(1, "a", 1);
  Add(1, "a", 2);
  Add(1, "b", 1);
  Add(2, "a", 1);
  Add(1, "a", INT32_MIN);
  m_rs.SetCurrentIndex("TRIPLE");
  auto seek = [&](const char* op, std::vector<COleVariant> keys) -> std::string {
    if (!m_rs.Seek(op, keys.data(), static_cast<WORD>(keys.size()))) return "none";
    return Text(m_rs.GetFieldValue("GRP")) + Name() + Text(m_rs.GetFieldValue("SUB"));
  };
  EXPECT_EQ(seek("=", {Long(1), COleVariant("a")}), "1aNULL");
  EXPECT_EQ(seek("<=", {Long(1), COleVariant("A")}), "1a2");
  EXPECT_EQ(seek(">", {Long(1), COleVariant("a")}), "1b1");
  EXPECT_EQ(seek("=", {Long(1), COleVariant("A"), Long(2)}), "1a2");
  EXPECT_EQ(seek(">=", {Long(1), COleVariant("a"), Long(0)}), "1a1");
  EXPECT_EQ(seek(">=", {Long(1), COleVariant("b"), Long(5)}), "2a1");
  EXPECT_EQ(seek("<", {Long(2)}), "1b1");
  EXPECT_EQ(seek("<", {Long(1), COleVariant("a"), Long(1)}), "1aNULL");
  EXPECT_EQ(seek("=", {Long(1), COleVariant("c")}), "none");
  // Pointer form with two keys.
  COleVariant g(int32_t{1});
  COleVariant n("B");
  ASSERT_TRUE(m_rs.Seek("=", &g, &n));
  EXPECT_EQ(Name(), "b");
}

TEST_F(RecordsetOrderTest, WalkingTheRowsOfOneKeyAfterASeek) {
  Add(7, "x1");
  Add(3, "other");
  Add(7, "x2");
  Add(8, "after");
  Add(7, "x3");
  m_rs.SetCurrentIndex("GRP_INDEX");
  COleVariant key = Long(7);
  std::vector<std::string> seen;
  for (bool found = m_rs.Seek("=", &key) != FALSE; found;) {
    seen.push_back(Name());
    m_rs.MoveNext();
    found = !m_rs.IsEOF() && m_rs.GetFieldValue("GRP") == key;
  }
  EXPECT_EQ(seen, (Strings{"x1", "x2", "x3"}));
  EXPECT_EQ(Name(), "after");
  // The same walk for the last key ends at the end of the table.
  key = Long(8);
  ASSERT_TRUE(m_rs.Seek("=", &key));
  m_rs.MoveNext();
  EXPECT_TRUE(m_rs.IsEOF());
  EXPECT_EQ(ErrorOf([&] { m_rs.MoveNext(); }), kDaoNoCurrentRecord);
}

TEST_F(RecordsetOrderTest, DeleteLeavesNoCurrentRowAndMovesFindTheNeighbours) {
  for (const char* n : {"a", "b", "c", "d"}) Add(1, n);
  m_rs.SetCurrentIndex("NAME_INDEX");
  ASSERT_TRUE(SeekOne("=", COleVariant("b")));
  m_rs.Delete();
  EXPECT_TRUE(m_rs.IsDeleted());
  EXPECT_EQ(ErrorOf([&] { m_rs.GetFieldValue("NAME"); }), kDaoNoCurrentRecord);
  EXPECT_EQ(ErrorOf([&] { m_rs.GetBookmark(); }), kDaoNoCurrentRecord);
  EXPECT_EQ(ErrorOf([&] { m_rs.Edit(); }), kDaoNoCurrentRecord);
  m_rs.MoveNext();
  EXPECT_FALSE(m_rs.IsDeleted());
  EXPECT_EQ(Name(), "c");
  m_rs.Delete();
  m_rs.MovePrev();
  EXPECT_EQ(Name(), "a");
  m_rs.MoveLast();
  m_rs.Delete();
  m_rs.MoveNext();
  EXPECT_TRUE(m_rs.IsEOF());
  EXPECT_EQ(Walk(m_rs, "NAME"), (Strings{"a"}));
  EXPECT_EQ(m_rs.GetRecordCount(), 1);
}

TEST_F(RecordsetOrderTest, PositionsAfterAddNewAndEdit) {
  Add(1, "a");
  Add(1, "m");
  Add(1, "z");
  m_rs.SetCurrentIndex("NAME_INDEX");
  ASSERT_TRUE(SeekOne("=", COleVariant("m")));
  COleVariant added = Add(1, "b");
  EXPECT_EQ(Name(), "m") << "the row current before AddNew stays current";
  m_rs.SetBookmark(added);
  EXPECT_EQ(Name(), "b");
  // An edit that moves the row in the index order keeps it current, and
  // moves go on from its new place.
  m_rs.Edit();
  m_rs.SetFieldValue("NAME", "y");
  m_rs.Update();
  EXPECT_EQ(Name(), "y");
  m_rs.MoveNext();
  EXPECT_EQ(Name(), "z");
  m_rs.MovePrev();
  m_rs.MovePrev();
  EXPECT_EQ(Name(), "m");
}

TEST_F(RecordsetOrderTest, MovesPastTheEndsAndOnAnEmptyTable) {
  EXPECT_TRUE(m_rs.IsBOF());
  EXPECT_TRUE(m_rs.IsEOF());
  EXPECT_EQ(ErrorOf([&] { m_rs.MoveFirst(); }), kDaoNoCurrentRecord);
  EXPECT_EQ(ErrorOf([&] { m_rs.MoveLast(); }), kDaoNoCurrentRecord);
  EXPECT_EQ(ErrorOf([&] { m_rs.MoveNext(); }), kDaoNoCurrentRecord);
  Add(1, "only");
  m_rs.MoveFirst();
  m_rs.MovePrev();
  EXPECT_TRUE(m_rs.IsBOF());
  EXPECT_FALSE(m_rs.IsEOF());
  EXPECT_EQ(ErrorOf([&] { m_rs.MovePrev(); }), kDaoNoCurrentRecord);
  m_rs.MoveNext();
  EXPECT_EQ(Name(), "only");
  m_rs.MoveNext();
  EXPECT_TRUE(m_rs.IsEOF());
  m_rs.MovePrev();
  EXPECT_EQ(Name(), "only");
}

TEST_F(RecordsetOrderTest, SeekAndIndexMistakesAreRefused) {
  Add(1, "a");
  EXPECT_EQ(ErrorOf([&] { SeekOne("=", Long(1)); }), kDaoNoCurrentIndex);
  EXPECT_EQ(ErrorOf([&] { m_rs.SetCurrentIndex("NO_SUCH"); }), kDaoNotAnIndex);
  m_rs.SetCurrentIndex("grp_index");  // index names ignore case
  EXPECT_EQ(m_rs.GetCurrentIndex(), CString("GRP_INDEX"));
  EXPECT_EQ(ErrorOf([&] { SeekOne("<>", Long(1)); }), kDaoInvalidArgument);
  EXPECT_EQ(ErrorOf([&] { SeekOne("=", COleVariant("abc")); }), kDaoCriteriaMismatch);
  COleVariant two[2] = {Long(1), Long(2)};
  EXPECT_EQ(ErrorOf([&] { m_rs.Seek("=", two, 2); }), kDaoInvalidArgument);
  // A key given as text or double is converted to the field's type.
  ASSERT_TRUE(SeekOne("=", COleVariant("1")));
  ASSERT_TRUE(SeekOne("=", COleVariant(1.0)));
  m_rs.SetCurrentIndex("");
  EXPECT_EQ(ErrorOf([&] { SeekOne("=", Long(1)); }), kDaoNoCurrentIndex);
}

TEST_F(RecordsetOrderTest, BooleanKeysTreatAnyNonZeroNumberAsTrue) {
  AddRow(m_rs, {{"NAME", COleVariant("yes")}, {"FLAG", Long(7)}});
  AddRow(m_rs, {{"NAME", COleVariant("no")}, {"FLAG", Long(0)}});
  m_rs.SetCurrentIndex("FLAG_INDEX");
  // True is stored as -1 and so sorts before false.
  EXPECT_EQ(Walk(m_rs, "NAME"), (Strings{"yes", "no"}));
  EXPECT_EQ(SeekName("=", Long(5)), "yes");
  COleVariant flag = m_rs.GetFieldValue("FLAG");
  EXPECT_EQ(flag.vt, VT_BOOL);
  EXPECT_EQ(flag.boolVal, VARIANT_TRUE);
}

TEST_F(RecordsetOrderTest, BookmarksOutliveRecordsetsAndAreRefusedElsewhere) {
  COleVariant first = Add(1, "first");
  COleVariant second = Add(2, "second");
  m_rs.Close();
  m_rs.Open(dbOpenTable, "PARTS");
  m_rs.SetBookmark(second);
  EXPECT_EQ(Name(), "second");
  m_rs.SetBookmark(first);
  EXPECT_EQ(Name(), "first");

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

  // Not a bookmark at all, and the bookmark of a deleted row.
  EXPECT_EQ(ErrorOf([&] { m_rs.SetBookmark(COleVariant("first")); }), kDaoBadBookmark);
  BYTE junk[29] = {};
  COleVariant junkBookmark;
  junkBookmark.SetByteArray(junk, sizeof junk);
  EXPECT_EQ(ErrorOf([&] { m_rs.SetBookmark(junkBookmark); }), kDaoBadBookmark);
  m_rs.SetBookmark(second);
  m_rs.Delete();
  EXPECT_EQ(ErrorOf([&] { m_rs.SetBookmark(second); }), kDaoRecordDeleted);
  // The last-modified bookmark belongs to the recordset that wrote.
  EXPECT_EQ(ErrorOf([&] { m_rs.GetLastModifiedBookmark(); }), kDaoNoCurrentRecord);
}

}  // namespace
}  // namespace enginetest
