// A seeded random sequence of recordset operations on a real database (a file, or the
// server's library under ZL_TEST_BACKEND=postgres), compared after every step with an
// in-memory model: rows in insertion order, each index order derived from them (NULL first,
// ASCII letters folded, true before false, ties by insertion), transactions as a stack
// of row copies, and the table's last-updated date moving with each committed write.
// ZL_TEST_SEED=<n> runs one seed; ZL_TEST_OPS=<n> sets the number of operations per seed.
#include <strings.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <set>

#include "engine_fixture.h"

namespace enginetest {
namespace {

enum : int { kId = 0, kNum = 1, kName = 2, kFlag = 3, kFieldCount = 4 };
const char* const kFieldNames[kFieldCount] = {"ID", "NUM", "NAME", "FLAG"};
const char* const kTableName = "MODEL_T";
constexpr size_t kNameSize = 20;

// One field value: numbers (a Boolean as -1 / 0) in n, text in s.
struct Val {
  bool null = true;
  long n = 0;
  std::string s;
};
Val Num(long n) { return {false, n, {}}; }
Val Str(std::string s) { return {false, 0, std::move(s)}; }

struct Row {
  int64_t seq = 0;  // insertion sequence: the model's row identity
  Val v[kFieldCount];
  bool SameData(const Row& o) const {
    for (int f = kNum; f < kFieldCount; ++f)
      if (v[f].null != o.v[f].null || v[f].n != o.v[f].n || v[f].s != o.v[f].s) return false;
    return true;
  }
};

std::string Show(const Val& v) {
  return v.null ? "NULL" : v.s.empty() ? std::to_string(v.n) : "'" + v.s + "'";
}

size_t Utf8Length(const std::string& s) {
  return std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; });
}

// Index text order: ASCII letters folded (the C locale's), other bytes unsigned, a prefix
// first.
int CompareText(const std::string& a, const std::string& b) {
  return strcasecmp(a.c_str(), b.c_str());
}

int Compare(int field, const Val& a, const Val& b) {
  if (a.null || b.null) return b.null - a.null;
  if (field == kName) return CompareText(a.s, b.s);
  return (a.n > b.n) - (a.n < b.n);
}

struct IndexDef {
  const char* name;
  std::vector<int> fields;
};
// Index 0 is "no current index": insertion order.
const IndexDef kIndexes[] = {{"", {}},
                             {"ID_INDEX", {kId}},
                             {"NAME_NUM_INDEX", {kName, kNum}},
                             {"FLAG_NUM_NAME_INDEX", {kFlag, kNum, kName}}};
constexpr int kIndexCount = 4;

std::vector<Val> KeysOf(const IndexDef& ix, const Row& row) {
  std::vector<Val> keys;
  for (int f : ix.fields) keys.push_back(row.v[f]);
  return keys;
}

// A row against the leading index fields given by keys (a seek key).
int ComparePrefix(const IndexDef& ix, const Row& r, const std::vector<Val>& keys) {
  for (size_t i = 0; i < keys.size(); ++i)
    if (int c = Compare(ix.fields[i], r.v[ix.fields[i]], keys[i])) return c;
  return 0;
}

// Index order: the index fields, then insertion order.
int CompareRows(const IndexDef& ix, const Row& a, const Row& b) {
  for (int f : ix.fields)
    if (int c = Compare(f, a.v[f], b.v[f])) return c;
  return (a.seq > b.seq) - (a.seq < b.seq);
}

struct CTableModel {
  std::vector<Row> rows;  // in insertion order

  Row* Find(int64_t seq) {
    for (Row& r : rows)
      if (r.seq == seq) return &r;
    return nullptr;
  }
  std::vector<const Row*> Ordered(const IndexDef& ix) const {
    std::vector<const Row*> out;
    for (const Row& r : rows) out.push_back(&r);
    std::sort(out.begin(), out.end(),
              [&](const Row* a, const Row* b) { return CompareRows(ix, *a, *b) < 0; });
    return out;
  }
  // The first (or last) row in index order for which match(c) holds, c comparing the row
  // with keys and then its seq with seq (0 skips that).
  template <typename Match>
  const Row* Best(const IndexDef& ix, const std::vector<Val>& keys, int64_t seq, bool first,
                  Match match) const {
    const Row* best = nullptr;
    for (const Row& r : rows) {
      int c = ComparePrefix(ix, r, keys);
      if (c == 0 && seq != 0) c = (r.seq > seq) - (r.seq < seq);
      if (match(c) && (best == nullptr || (CompareRows(ix, r, *best) < 0) == first)) best = &r;
    }
    return best;
  }
  // First row after (next) or last row before (!next) a position.
  const Row* Neighbour(const IndexDef& ix, const std::vector<Val>& keys, int64_t seq,
                       bool next) const {
    return Best(ix, keys, seq, next, [next](int c) { return next ? c > 0 : c < 0; });
  }
  // "=", ">=" and ">" find the first matching row, "<=" and "<" the last.
  const Row* Seek(const IndexDef& ix, const std::string& op, const std::vector<Val>& keys) const {
    return Best(ix, keys, 0, op[0] != '<', [&op](int c) {
      return op == "="    ? c == 0
             : op == ">=" ? c >= 0
             : op == ">"  ? c > 0
             : op == "<=" ? c <= 0
                          : c < 0;
    });
  }
  // The error a write of row raises (0 when accepted); self, the row being edited, does
  // not collide with itself.  A NULL in the unique index never collides.
  long Predict(const Row& row, int64_t self) const {
    const Val& name = row.v[kName];
    if (!name.null && name.s.empty()) return kDaoZeroLength;
    if (!name.null && Utf8Length(name.s) > kNameSize) return kDaoFieldTooSmall;
    if (row.v[kNum].null || name.null) return 0;
    for (const Row& r : rows) {
      if (r.seq != self && !r.v[kNum].null && !r.v[kName].null && r.v[kFlag].n == row.v[kFlag].n &&
          r.v[kNum].n == row.v[kNum].n && CompareText(r.v[kName].s, name.s) == 0)
        return kDaoDuplicateKey;
    }
    return 0;
  }
};

testing::AssertionResult FieldMatches(const COleVariant& v, const Row& row, int f) {
  const Val& w = row.v[f];
  const VARTYPE want = w.null ? VT_NULL : f == kName ? VT_BSTR : f == kFlag ? VT_BOOL : VT_I4;
  const bool ok = v.vt == want && (w.null || (f == kName   ? w.s == v.GetStringValue()
                                              : f == kFlag ? v.boolVal == w.n
                                                           : v.lVal == w.n));
  if (ok) return testing::AssertionSuccess();
  return testing::AssertionFailure()
         << kFieldNames[f] << " of seq " << row.seq << ": want " << Show(w) << ", got vt " << v.vt;
}

void CreateModelTable(CDaoDatabase& db) {
  CreateTable(db, kTableName,
              {{"ID", dbLong, 4, dbAutoIncrField, false},
               {"NUM", dbLong, 4, 0, false},
               {"NAME", dbText, static_cast<long>(kNameSize), 0, false},
               {"FLAG", dbBoolean, 1, 0, false}},
              {{"ID_INDEX", {"ID"}, true},
               {"NAME_NUM_INDEX", {"NAME", "NUM"}, false},
               {"FLAG_NUM_NAME_INDEX", {"FLAG", "NUM", "NAME"}, true}});
}

// Where a cursor is.  kEmpty: opened on an empty table (BOF and EOF); kNone: after a failed
// seek; kDeleted: its row was deleted, moves continue from its place; kGone: a rollback
// removed its row; kUnknown: not pinned down by the contract.
enum class Pos { kRow, kBOF, kEOF, kEmpty, kNone, kDeleted, kGone, kUnknown };

struct CursorModel {
  Pos pos = Pos::kEmpty;
  int64_t seq = 0;        // kRow, kDeleted
  std::vector<Val> keys;  // kDeleted: the deleted row's index keys
  bool relative = true;   // kRow: relative moves are well defined
  int index = 0;          // into kIndexes
};

// clang-format off
enum Op : int {
  kAddNew, kEdit, kDelete, kSeek, kMoveFirst, kMoveLast, kMoveNext, kMovePrev, kMove,
  kGetBookmark, kSetBookmark, kGotoLastModified, kSetIndex, kBegin, kCommit, kRollback,
  kReopen, kBadBookmark, kDiscardedEdit, kAuxMoveFirst, kAuxMoveNext, kAuxMovePrev,
  kAuxSetIndex, kOpCount
};
// clang-format on
const int kWeights[kOpCount] = {20, 12, 6, 14, 3, 3, 14, 8, 2, 4, 5, 2,
                                4,  3,  3, 2,  1, 1, 2,  1, 6, 2, 1};
constexpr uint32_t Bit(int op) { return 1u << op; }
constexpr uint32_t kAll = Bit(kOpCount) - 1;
// Operations that set a position whatever the current one is.
constexpr uint32_t kPlacing =
    Bit(kMoveFirst) | Bit(kMoveLast) | Bit(kSeek) | Bit(kSetBookmark) | Bit(kSetIndex);

const char* const kBaseNames[] = {
    "alpha", "Beta", "gamma", "ab", "abc", "a b", "x1", "X10", "zz",
    "\xC3\x84pfel",  // capital A umlaut: not folded by the index
    "\xC3\xA4pfel",  // small a umlaut
    // twenty two-byte characters: exactly the field's size
    "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"
    "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"};

// A transaction level: the rows and next seq at its start, the largest counter assigned in
// it (or in inner levels it committed), whether it wrote (itself or through inner levels it
// committed), and whether an inner level it rolled back had written.
struct Level {
  std::vector<Row> rows;
  int64_t nextSeq;
  long maxId;
  bool wrote = false;
  bool undone = false;
};

// How the table's last-updated date may change with an operation.
enum class DateMove { kSame, kLater, kAny };

class CModelRun {
 public:
  CModelRun(uint32_t seed, std::string path) : m_rng(seed), m_seed(seed), m_path(std::move(path)) {}
  ~CModelRun() {  // leave the workspace without a transaction for later tests
    while (CDaoWorkspace::GetDefault()->GetTransactionDepth() > 0)
      if (ErrorOf([] { CDaoWorkspace::GetDefault()->Rollback(); }) != 0) break;
  }
  void Run(int nOps) {
    SCOPED_TRACE(testing::Message() << "seed " << m_seed);
    std::string history;  // the operations done, by number in Op
    try {
      OpenDatabase(true);
      VerifyCursor(*m_rs, m_cursor, "recordset");
      EXPECT_EQ(ErrorOf([&] { m_rs->GetLastModifiedBookmark(); }), kDaoNoCurrentRecord)
          << "a recordset that has written nothing has no last-modified row";
      for (int step = 0; step < nOps && !testing::Test::HasFailure(); ++step) {
        int total = 0;
        for (int op = 0; op < kOpCount; ++op) total += Allowed(op) ? kWeights[op] : 0;
        int r = Pick(total);
        int op = 0;
        for (; !Allowed(op) || r >= kWeights[op]; ++op) r -= Allowed(op) ? kWeights[op] : 0;
        history += " " + std::to_string(op);
        m_dateMove = DateMove::kSame;
        Do(op);
        CheckDate();
        VerifyCursor(*m_rs, m_cursor, "recordset");
        VerifyCursor(*m_aux, m_auxCursor, "second recordset");
        if (step % 97 == 96) VerifyAll(*m_aux, m_auxCursor);
      }
      if (!testing::Test::HasFailure()) Finish();
    } catch (const CException& e) {
      ADD_FAILURE() << "unexpected exception: " << e.GetErrorMessage().GetString();
    }
    if (testing::Test::HasFailure()) ADD_FAILURE() << "operations done:" << history;
  }

 private:
  bool Chance(int percent) { return static_cast<int>(m_rng() % 100) < percent; }
  int Pick(int n) { return static_cast<int>(m_rng() % static_cast<uint32_t>(n)); }
  std::string RandomCase(std::string s) {
    for (char& c : s)
      if (Chance(30) && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) c ^= 0x20;
    return s;
  }
  Val RandomName() {
    const int r = Pick(100);
    if (r < 12) return Val();
    if (r < 14) return Str("");  // refused: zero length
    if (r < 16)                  // refused: 21 characters
      return Str(Chance(50) ? "abcdefghijklmnopqrstu" : std::string(kBaseNames[11]) + "\xC3\xA9");
    return Str(RandomCase(kBaseNames[Pick(static_cast<int>(std::size(kBaseNames)))]));
  }
  Val RandomNum() {
    const int r = Pick(100);
    if (r < 15) return Val();
    if (r < 19) return Num(Chance(50) ? 2147483647L : -2147483647L - 1);
    return Num(Pick(40) - 10);
  }
  Val RandomFlag() { return Num(Chance(50) ? -1 : 0); }
  // A value in one of the forms callers pass; any non-zero number is a true Boolean.
  COleVariant Variant(int f, const Val& v) {
    if (v.null) return Null();
    if (f == kName) return COleVariant(v.s.c_str());
    const int form = f == kId ? 0 : Pick(3);
    if (f == kFlag && form == 0) return COleVariant(static_cast<int16_t>(v.n), VT_BOOL);
    if (f == kFlag) return form == 1 ? COleVariant(v.n != 0 ? 7.0 : 0.0) : Long(v.n != 0 ? -3 : 0);
    if (form == 1) return COleVariant(static_cast<double>(v.n));
    return form == 2 ? COleVariant(std::to_string(v.n).c_str()) : Long(v.n);
  }
  // A seek key for field f, close to the values of like when given.
  COleVariant KeyVariant(int f, const Row* like, Val* key) {
    const Val name = like != nullptr ? Val() : RandomName();
    *key = like != nullptr ? like->v[f]
           : f == kId      ? Num(Pick(static_cast<int>(MaxId()) + 3))
           : f == kNum     ? RandomNum()
           : f == kFlag    ? RandomFlag()
           : name.null || name.s.empty() || Utf8Length(name.s) > kNameSize ? Str("abc")
                                                                           : name;
    if (f == kName && !key->null) key->s = RandomCase(key->s);
    return Variant(f, *key);
  }
  void Set(int f, const Val& v) {
    if (v.null && Chance(50)) return m_rs->SetFieldValueNull(kFieldNames[f]);
    m_rs->SetFieldValue(f, Variant(f, v));
  }
  testing::AssertionResult RowMatches(CDaoRecordset& rs, const Row& row) {
    for (int f = 0; f < kFieldCount; ++f)
      if (testing::AssertionResult r = FieldMatches(rs.GetFieldValue(f), row, f); !r) return r;
    return testing::AssertionSuccess();
  }
  // Makes row current, or sets otherwise when there is none.
  static void PlaceAt(CursorModel& cur, const Row* row, Pos otherwise) {
    cur.relative = true;
    cur.pos = row != nullptr ? Pos::kRow : otherwise;
    if (row != nullptr) cur.seq = row->seq;
  }
  const Row* FirstOf(int index) const {
    const auto ordered = m_model.Ordered(kIndexes[index]);
    return ordered.empty() ? nullptr : ordered.front();
  }
  long MaxId() const {
    long m = m_durableMaxId;
    for (const Level& l : m_levels) m = std::max(m, l.maxId);
    return m;
  }
  const IndexDef& CurrentIndex() const { return kIndexes[m_cursor.index]; }
  bool Allowed(int op) const {
    if (op == kAuxMoveNext || op == kAuxMovePrev) {
      const Pos p = m_auxCursor.pos;
      return (p == Pos::kRow && m_auxCursor.relative) || p == Pos::kBOF || p == Pos::kEOF ||
             p == Pos::kEmpty;
    }
    // What may follow each kind of position, in the order of Pos.
    const uint32_t offRow =
        kAll & ~(Bit(kEdit) | Bit(kDelete) | Bit(kMove) | Bit(kGetBookmark) | Bit(kDiscardedEdit));
    const uint32_t lost = kPlacing | Bit(kReopen) | Bit(kAddNew) | Bit(kBegin) | Bit(kCommit) |
                          Bit(kRollback) | Bit(kBadBookmark);
    const uint32_t onRow = m_cursor.relative ? kAll : kPlacing | Bit(kReopen) | Bit(kGetBookmark);
    const uint32_t deleted = kPlacing | Bit(kMoveNext) | Bit(kMovePrev) | Bit(kBadBookmark);
    const uint32_t masks[] = {onRow, offRow, offRow, offRow, offRow, deleted, lost, lost};
    return ((masks[static_cast<int>(m_cursor.pos)] | Bit(kAuxMoveFirst) | Bit(kAuxSetIndex)) &
            Bit(op)) != 0;
  }
  void Do(int op) {
    CDaoWorkspace* ws = CDaoWorkspace::GetDefault();
    if (op == kAddNew || op == kEdit) return DoWrite(op == kAddNew);
    if (op == kDelete) return DoDelete();
    if (op == kSeek) return DoSeek();
    if (op == kMoveFirst || op == kMoveLast) return DoMoveEnd(*m_rs, m_cursor, op == kMoveFirst);
    if (op == kMoveNext || op == kMovePrev) return DoMoveStep(*m_rs, m_cursor, op == kMoveNext);
    if (op == kMove) return DoMove();
    if (op == kSetBookmark) return DoSetBookmark();
    if (op == kSetIndex) return DoSetIndex(*m_rs, m_cursor);
    if (op == kCommit || op == kRollback) return DoEndTrans(op == kCommit);
    if (op == kDiscardedEdit) return DoDiscardedEdit();
    if (op == kAuxMoveFirst) return DoMoveEnd(*m_aux, m_auxCursor, true);
    if (op == kAuxMoveNext || op == kAuxMovePrev)
      return DoMoveStep(*m_aux, m_auxCursor, op == kAuxMoveNext);
    if (op == kAuxSetIndex) return DoSetIndex(*m_aux, m_auxCursor);
    if (op == kGetBookmark) {
      m_bookmarks[m_cursor.seq] = m_rs->GetBookmark();
    } else if (op == kGotoLastModified) {
      if (m_lastModified < 0 || m_model.Find(m_lastModified) == nullptr) return;
      m_rs->SetBookmark(m_rs->GetLastModifiedBookmark());
      PlaceAt(m_cursor, m_model.Find(m_lastModified), Pos::kUnknown);
    } else if (op == kBegin && m_levels.size() < 3) {
      ws->BeginTrans();
      m_levels.push_back({m_model.rows, m_nextSeq, 0, false, false});
      EXPECT_EQ(ws->GetTransactionDepth(), static_cast<int>(m_levels.size()));
    } else if (op == kReopen) {
      m_rs->Close();
      EXPECT_FALSE(m_rs->IsOpen());
      m_rs->Open(dbOpenTable, kTableName);
      m_cursor.index = 0;
      m_lastModified = -1;
      EXPECT_STREQ(m_rs->GetCurrentIndex().GetString(), "");
      PlaceAt(m_cursor, FirstOf(0), Pos::kEmpty);
    } else if (op == kBadBookmark) {
      COleVariant bogus("bookmark");
      const BYTE bytes[29] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};  // a bookmark's size
      if (Chance(50)) bogus.SetByteArray(bytes, Chance(50) ? 12 : sizeof bytes);
      EXPECT_EQ(ErrorOf([&] { m_rs->SetBookmark(bogus); }), kDaoBadBookmark);
    }
  }
  // Updates until written (true) or the buffer is dropped; row holds the buffer's values.
  bool UpdateLoop(Row& row, int64_t self, short editMode) {
    for (int attempt = 0;; ++attempt) {
      const long expected = m_model.Predict(row, self);
      const long got = ErrorOf([&] { m_rs->Update(); });
      EXPECT_EQ(got, expected) << "Update of num/name/flag " << Show(row.v[kNum]) << "/"
                               << Show(row.v[kName]) << "/" << row.v[kFlag].n;
      if (got != expected) return false;
      if (got == 0) return true;
      // A refused Update keeps the buffer with the values set.
      EXPECT_EQ(m_rs->GetEditMode(), editMode);
      EXPECT_TRUE(FieldMatches(m_rs->GetFieldValue(kName), row, kName));
      EXPECT_TRUE(FieldMatches(m_rs->GetFieldValue(kNum), row, kNum));
      const int choice = attempt >= 3 ? 0 : Pick(10);
      if (choice >= 4 && choice < 9) {  // retry with another name
        row.v[kName] = RandomName();
        Set(kName, row.v[kName]);
        continue;
      }
      choice < 4 ? m_rs->CancelUpdate() : DoMoveEnd(*m_rs, m_cursor, true);
      EXPECT_EQ(m_rs->GetEditMode(), dbEditNone);
      return false;
    }
  }
  // AddNew (add) or Edit of the current row with random values.
  void DoWrite(bool add) {
    Row* current = add ? nullptr : m_model.Find(m_cursor.seq);
    Row row = add ? Row() : *current;
    const short mode = add ? dbEditAdd : dbEditInProgress;
    add ? m_rs->AddNew() : m_rs->Edit();
    EXPECT_EQ(m_rs->GetEditMode(), mode);
    EXPECT_TRUE(add ? testing::AssertionSuccess() : RowMatches(*m_rs, row)) << "Edit buffer";
    const int which = add ? 7 : 1 + Pick(7);  // a non-empty subset of NUM, NAME, FLAG
    for (int f = kNum; f < kFieldCount; ++f) {
      if ((which & (1 << (f - 1))) == 0) continue;
      row.v[f] = f == kNum ? RandomNum() : f == kName ? RandomName() : RandomFlag();
      Set(f, row.v[f]);
    }
    if (Chance(5)) {  // refused setters leave the buffer as it was
      EXPECT_EQ(ErrorOf([&] { m_rs->SetFieldValue("ID", Long(5)); }), kDaoCannotUpdateField);
      EXPECT_EQ(ErrorOf([&] { m_rs->SetFieldValue("NUM", COleVariant("abc")); }),
                kDaoConversionError);
    }
    EXPECT_TRUE(FieldMatches(m_rs->GetFieldValue(kFlag), row, kFlag)) << "buffer";
    EXPECT_TRUE(FieldMatches(m_rs->GetFieldValue(kNum), row, kNum)) << "buffer";
    if (!UpdateLoop(row, add ? -1 : row.seq, mode)) return;
    Wrote();
    if (add) {
      row.seq = m_nextSeq++;
      m_model.rows.push_back(row);
      LearnNewRow(row.seq);
      // The row current before AddNew stays current; other positions are open.
      if (m_cursor.pos != Pos::kRow) m_cursor.pos = Pos::kUnknown;
    } else {
      // The other recordset's row moved in its index: its next move is not pinned down.
      if (m_auxCursor.pos == Pos::kRow && m_auxCursor.seq == row.seq &&
          CompareRows(kIndexes[m_auxCursor.index], row, *current) != 0)
        m_auxCursor.relative = false;
      *current = row;  // the edited row stays current, in its new place
    }
    m_lastModified = row.seq;
    if (!add && Chance(20)) {  // the last-modified bookmark names the edited row
      m_aux->SetBookmark(m_rs->GetLastModifiedBookmark());
      PlaceAt(m_auxCursor, current, Pos::kUnknown);
      EXPECT_TRUE(RowMatches(*m_aux, row)) << "GetLastModifiedBookmark after Edit";
    }
  }
  // Reads the row just added through the second recordset and learns its counter.
  void LearnNewRow(int64_t seq) {
    Row* row = m_model.Find(seq);
    const COleVariant bookmark = m_rs->GetLastModifiedBookmark();
    m_bookmarks[seq] = bookmark;
    m_aux->SetBookmark(bookmark);
    PlaceAt(m_auxCursor, row, Pos::kUnknown);
    const COleVariant id = m_aux->GetFieldValue("ID");
    ASSERT_EQ(id.vt, VT_I4);
    EXPECT_GT(id.lVal, MaxId()) << "a counter must exceed every counter handed out and kept";
    row->v[kId] = Num(id.lVal);
    EXPECT_TRUE(RowMatches(*m_aux, *row)) << "row read back through another recordset";
    (m_levels.empty() ? m_durableMaxId : m_levels.back().maxId) = id.lVal;
  }
  void DoDelete() {
    const Row* row = m_model.Find(m_cursor.seq);
    m_cursor.keys = KeysOf(CurrentIndex(), *row);
    m_rs->Delete();
    Wrote();
    if (m_auxCursor.pos == Pos::kRow && m_auxCursor.seq == m_cursor.seq)
      m_auxCursor.pos = Pos::kUnknown;  // vanished under the other recordset
    m_model.rows.erase(m_model.rows.begin() + (row - m_model.rows.data()));
    m_cursor.pos = Pos::kDeleted;
    EXPECT_TRUE(m_rs->IsDeleted());
    EXPECT_EQ(ErrorOf([&] { m_rs->GetBookmark(); }), kDaoNoCurrentRecord) << "deleted row";
    EXPECT_EQ(ErrorOf([&] { m_rs->Edit(); }), kDaoNoCurrentRecord) << "deleted row";
  }
  void DoSeek() {
    const IndexDef& ix = CurrentIndex();
    if (ix.fields.empty()) {
      COleVariant key(int32_t{1});
      EXPECT_EQ(ErrorOf([&] { m_rs->Seek("=", &key); }), kDaoNoCurrentIndex);
      m_cursor.pos = Pos::kUnknown;
      return;
    }
    static const char* const kOps[] = {"=", ">=", ">", "<=", "<"};
    const std::string op = kOps[Pick(5)];
    const int nKeys = 1 + Pick(static_cast<int>(ix.fields.size()));
    const Row* like = nullptr;
    if (!m_model.rows.empty() && Chance(65))
      like = &m_model.rows[Pick(static_cast<int>(m_model.rows.size()))];
    COleVariant keys[4];
    std::vector<Val> modelKeys(nKeys);
    for (int i = 0; i < nKeys; ++i) keys[i] = KeyVariant(ix.fields[i], like, &modelKeys[i]);
    if (Chance(5)) {  // refused seeks leave the position alone
      const WORD tooMany = static_cast<WORD>(ix.fields.size() + 1);
      EXPECT_EQ(ErrorOf([&] { m_rs->Seek("<>", keys, static_cast<WORD>(nKeys)); }),
                kDaoInvalidArgument);
      EXPECT_EQ(ErrorOf([&] { m_rs->Seek("=", keys, tooMany); }), kDaoInvalidArgument);
      COleVariant text("abc");
      if (ix.fields[0] == kId) {
        EXPECT_EQ(ErrorOf([&] { m_rs->Seek("=", &text); }), kDaoCriteriaMismatch);
      }
      return;
    }
    // The pointer form passes each of its keys.
    const BOOL found = Chance(50) ? m_rs->Seek(op.c_str(), keys, static_cast<WORD>(nKeys))
                                  : m_rs->Seek(op.c_str(), &keys[0], nKeys > 1 ? &keys[1] : nullptr,
                                               nKeys > 2 ? &keys[2] : nullptr);
    const Row* expected = m_model.Seek(ix, op, modelKeys);
    EXPECT_EQ(found != FALSE, expected != nullptr) << "Seek " << op << " on " << ix.name;
    PlaceAt(m_cursor, expected, Pos::kNone);
  }
  void DoMoveEnd(CDaoRecordset& rs, CursorModel& cur, bool first) {
    const auto ordered = m_model.Ordered(kIndexes[cur.index]);
    if (ordered.empty()) {
      EXPECT_EQ(ErrorOf([&] { first ? rs.MoveFirst() : rs.MoveLast(); }), kDaoNoCurrentRecord);
      cur.pos = Pos::kEmpty;
      return;
    }
    first ? rs.MoveFirst() : rs.MoveLast();
    PlaceAt(cur, first ? ordered.front() : ordered.back(), Pos::kUnknown);
  }
  void DoMoveStep(CDaoRecordset& rs, CursorModel& cur, bool next) {
    const IndexDef& ix = kIndexes[cur.index];
    const auto step = [&] { next ? rs.MoveNext() : rs.MovePrev(); };
    const Pos end = next ? Pos::kEOF : Pos::kBOF;
    if (cur.pos == Pos::kRow) {
      const Row* row = m_model.Find(cur.seq);
      step();
      PlaceAt(cur, m_model.Neighbour(ix, KeysOf(ix, *row), row->seq, next), end);
    } else if (cur.pos == Pos::kDeleted) {
      step();
      PlaceAt(cur, m_model.Neighbour(ix, cur.keys, cur.seq, next), end);
    } else if ((cur.pos == Pos::kBOF || cur.pos == Pos::kEOF) && cur.pos != end) {
      // Back from an end: to the first (last) row, or to the other end when none is left.
      step();
      PlaceAt(cur, m_model.Neighbour(ix, {}, next ? INT64_MIN : INT64_MAX, next), end);
    } else {  // further past an end, or nowhere to go
      EXPECT_EQ(ErrorOf(step), kDaoNoCurrentRecord);
    }
  }
  void DoMove() {
    const auto ordered = m_model.Ordered(CurrentIndex());
    const long at = std::find_if(ordered.begin(), ordered.end(),
                                 [&](const Row* r) { return r->seq == m_cursor.seq; }) -
                    ordered.begin();
    long n = Pick(7) - 3;
    if (n == 0) n = 1;
    if (at + n < 0 || at + n >= static_cast<long>(ordered.size())) return;
    m_rs->Move(n);
    PlaceAt(m_cursor, ordered[at + n], Pos::kUnknown);
  }
  void DoSetBookmark() {
    if (m_bookmarks.empty()) return;
    auto it = std::next(m_bookmarks.begin(), Pick(static_cast<int>(m_bookmarks.size())));
    if (m_model.Find(it->first) != nullptr) {
      m_rs->SetBookmark(it->second);
      PlaceAt(m_cursor, m_model.Find(it->first), Pos::kUnknown);
      return;
    }
    // The bookmark of a deleted row, or of a row whose insert was rolled back, is refused:
    // it never comes to name a row added later, even where the storage hands out the same
    // row number again (a rolled-back insert's bookmark may then be a bad one).
    const long err = ErrorOf([&] { m_rs->SetBookmark(it->second); });
    if (m_rolledBackInserts.count(it->first) == 0 || err != kDaoBadBookmark) {
      EXPECT_EQ(err, kDaoRecordDeleted) << "bookmark of a row gone";
    }
  }
  void DoSetIndex(CDaoRecordset& rs, CursorModel& cur) {
    if (Chance(5)) {
      EXPECT_EQ(ErrorOf([&] { rs.SetCurrentIndex("NO_SUCH_INDEX"); }), kDaoNotAnIndex);
      EXPECT_STREQ(rs.GetCurrentIndex().GetString(), kIndexes[cur.index].name);
      cur.pos = Pos::kUnknown;
      return;
    }
    cur.index = Chance(15) ? 0 : 1 + Pick(kIndexCount - 1);            // seeks need an index
    rs.SetCurrentIndex(RandomCase(kIndexes[cur.index].name).c_str());  // names ignore case
    EXPECT_STREQ(rs.GetCurrentIndex().GetString(), kIndexes[cur.index].name);
    PlaceAt(cur, FirstOf(cur.index), Pos::kEmpty);
  }
  void DoEndTrans(bool commit) {
    CDaoWorkspace* ws = CDaoWorkspace::GetDefault();
    if (m_levels.empty()) {
      EXPECT_EQ(ErrorOf([&] { commit ? ws->CommitTrans() : ws->Rollback(); }), kDaoNoTransaction);
      return;
    }
    commit ? ws->CommitTrans() : ws->Rollback();
    Level level = std::move(m_levels.back());
    m_levels.pop_back();
    EXPECT_EQ(ws->GetTransactionDepth(), static_cast<int>(m_levels.size()));
    if (m_levels.empty() && commit) {
      m_dateMove = level.wrote ? DateMove::kLater : level.undone ? DateMove::kAny : DateMove::kSame;
    } else if (!m_levels.empty()) {
      m_levels.back().wrote |= commit && level.wrote;
      m_levels.back().undone |= level.undone || (!commit && level.wrote);
    }
    if (commit) {
      long& outer = m_levels.empty() ? m_durableMaxId : m_levels.back().maxId;
      outer = std::max(outer, level.maxId);
      return;
    }
    std::vector<Row> before = std::move(m_model.rows);
    m_model.rows = std::move(level.rows);
    for (int64_t s = level.nextSeq; s < m_nextSeq; ++s) m_rolledBackInserts.insert(s);
    const bool tableChanged =
        !std::equal(before.begin(), before.end(), m_model.rows.begin(), m_model.rows.end(),
                    [](const Row& a, const Row& b) { return a.seq == b.seq && a.SameData(b); });
    for (CursorModel* cur : {&m_cursor, &m_auxCursor}) {
      if (cur->pos == Pos::kEmpty && tableChanged) cur->pos = Pos::kUnknown;
      if (cur->pos != Pos::kRow) continue;
      const Row* now = m_model.Find(cur->seq);
      if (now == nullptr) {
        cur->pos = Pos::kGone;
        continue;
      }
      // The row reads its restored values; moves from it are pinned down only when the
      // rollback did not change it.
      const auto old = std::find_if(before.begin(), before.end(),
                                    [&](const Row& r) { return r.seq == cur->seq; });
      if (!old->SameData(*now)) cur->relative = false;
    }
  }
  void DoDiscardedEdit() {  // a move drops an AddNew or Edit in progress without writing it
    Chance(50) ? m_rs->AddNew() : m_rs->Edit();
    Set(kName, Str("discarded"));
    Set(kNum, Num(12345));
    DoMoveEnd(*m_rs, m_cursor, false);
    EXPECT_EQ(m_rs->GetEditMode(), dbEditNone);
    EXPECT_EQ(m_rs->GetRecordCount(), static_cast<long>(m_model.rows.size()));
  }
  // A write the table took: its date moves now, or when the transaction is committed.
  void Wrote() {
    if (m_levels.empty()) {
      m_dateMove = DateMove::kLater;
    } else {
      m_levels.back().wrote = true;
    }
  }
  // The date moves on with every committed write, also faster than the clock, and with
  // nothing else: not with refused or dropped writes, inner commits or rollbacks.
  void CheckDate() {
    const double date = m_rs->GetDateLastUpdated().m_dt;
    if (m_dateMove == DateMove::kLater) {
      EXPECT_GT(date, m_date) << "date after a committed write";
    } else if (m_dateMove == DateMove::kSame) {
      EXPECT_EQ(date, m_date) << "date without a committed write";
    }
    m_date = date;
  }
  void VerifyCursor(CDaoRecordset& rs, const CursorModel& cur, const char* which) {
    EXPECT_EQ(rs.GetEditMode(), dbEditNone) << which;
    const Pos p = cur.pos;
    if (p == Pos::kUnknown) return;
    if (p == Pos::kDeleted || p == Pos::kGone || p == Pos::kNone) {
      EXPECT_EQ(ErrorOf([&] { rs.GetFieldValue(kName); }), kDaoNoCurrentRecord) << which;
    }
    if (p == Pos::kDeleted || p == Pos::kGone) return;
    EXPECT_EQ(rs.IsBOF() != FALSE, p == Pos::kBOF || p == Pos::kEmpty) << which;
    EXPECT_EQ(rs.IsEOF() != FALSE, p == Pos::kEOF || p == Pos::kEmpty) << which;
    if (p == Pos::kRow) {
      EXPECT_TRUE(RowMatches(rs, *m_model.Find(cur.seq))) << which;
    }
  }
  // Walks every index of rs (one backward) against the model, then goes to the first row.
  void VerifyAll(CDaoRecordset& rs, CursorModel& cur) {
    EXPECT_EQ(rs.GetRecordCount(), static_cast<long>(m_model.rows.size()));
    const int backward = Pick(kIndexCount);
    for (int i = 0; i < kIndexCount; ++i) {
      SCOPED_TRACE(std::string("index '") + kIndexes[i].name + "'");
      rs.SetCurrentIndex(kIndexes[i].name);
      auto ordered = m_model.Ordered(kIndexes[i]);
      if (ordered.empty()) {
        EXPECT_TRUE(rs.IsBOF() && rs.IsEOF()) << "empty table";
        continue;
      }
      const bool back = i == backward;
      if (back) std::reverse(ordered.begin(), ordered.end());
      size_t n = 0;
      for (back ? rs.MoveLast() : rs.MoveFirst(); !(back ? rs.IsBOF() : rs.IsEOF());
           back ? rs.MovePrev() : rs.MoveNext(), ++n) {
        ASSERT_LT(n, ordered.size()) << "walk runs past the model";
        ASSERT_TRUE(RowMatches(rs, *ordered[n])) << "walk at " << n << (back ? " backward" : "");
      }
      EXPECT_EQ(n, ordered.size()) << "rows in walk";
    }
    rs.SetCurrentIndex(kIndexes[cur.index].name);
    PlaceAt(cur, FirstOf(cur.index), Pos::kEmpty);
  }
  // Ends every transaction; a fresh open shows the committed state, counters keep growing.
  void Finish() {
    while (!m_levels.empty()) DoEndTrans(Chance(50));
    VerifyAll(*m_aux, m_auxCursor);
    CloseDatabase();
    OpenDatabase(false);
    VerifyAll(*m_rs, m_cursor);
    const size_t n = m_model.rows.size();
    while (m_model.rows.size() == n && !testing::Test::HasFailure()) DoWrite(true);
    VerifyAll(*m_aux, m_auxCursor);
    CloseDatabase();
  }
  void OpenDatabase(bool create) {
    m_db = std::make_unique<CDaoDatabase>();
    create ? m_db->Create(m_path.c_str()) : m_db->Open(m_path.c_str());
    if (create) CreateModelTable(*m_db);
    m_rs = std::make_unique<CDaoRecordset>(m_db.get());
    m_aux = std::make_unique<CDaoRecordset>(m_db.get());
    m_rs->Open(dbOpenTable, kTableName);
    m_aux->Open(dbOpenTable, kTableName);
    m_cursor = CursorModel();
    m_date = m_rs->GetDateLastUpdated().m_dt;
    PlaceAt(m_cursor, FirstOf(0), Pos::kEmpty);
    m_auxCursor = m_cursor;
    m_bookmarks.clear();
    m_rolledBackInserts.clear();
    m_lastModified = -1;
  }
  void CloseDatabase() {
    m_aux.reset();
    m_rs.reset();
    m_db->Close();
    m_db.reset();
  }
  std::mt19937 m_rng;
  uint32_t m_seed;
  std::string m_path;
  std::unique_ptr<CDaoDatabase> m_db;
  std::unique_ptr<CDaoRecordset> m_rs;  // the recordset under test
  // A second recordset on the same table: it finds new rows, walks whole indexes and steps
  // between the first one's writes, which must reach it.
  std::unique_ptr<CDaoRecordset> m_aux;
  CTableModel m_model;
  CursorModel m_cursor;
  CursorModel m_auxCursor;
  int64_t m_nextSeq = 1;
  std::map<int64_t, COleVariant> m_bookmarks;  // by row seq
  std::set<int64_t> m_rolledBackInserts;       // rows whose insert a rollback undid
  int64_t m_lastModified = -1;                 // seq, -1 when not known
  std::vector<Level> m_levels;                 // open transactions
  long m_durableMaxId = 0;                     // largest counter made durable
  double m_date = 0;                           // the table's last-updated date
  DateMove m_dateMove = DateMove::kSame;       // how the current operation may change it
};

TEST(RecordsetModelTest, RandomOperationsMatchModel) {
  CScratchDir dir;
  ASSERT_FALSE(dir.Path().empty());
  std::vector<uint32_t> seeds = {20240611u, 7u, 4099u};
  if (const char* env = getenv("ZL_TEST_SEED"); env != nullptr && *env != '\0')
    seeds = {static_cast<uint32_t>(strtoul(env, nullptr, 0))};
  const char* ops = getenv("ZL_TEST_OPS");
  const int nOps = ops != nullptr && *ops != '\0' ? std::max(1, atoi(ops)) : 1200;
  for (uint32_t seed : seeds) {
    // A file, or the server's library, emptied.
    const std::string file = dir.File("model_" + std::to_string(seed) + ".db");
    CModelRun run(seed, OnServer() ? MainLibrary(dir) : file);
    run.Run(nOps);
    if (testing::Test::HasFailure()) return;
  }
}

}  // namespace
}  // namespace enginetest
