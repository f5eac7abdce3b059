// A seeded random sequence of recordset operations on a real database file,
// compared after every step with a plain in-memory model of the same table.
//
// The table has a counter, a Long, a Text(20) and a Boolean field and three
// indexes: a primary one on the counter, a non-unique one on (text, long)
// and a unique one on (boolean, long, text).  The model keeps the rows in
// insertion order and derives every index order from them: index fields
// ascending, NULL first, text compared with ASCII letters folded, true (-1)
// before false (0), ties in insertion order.  Transactions are modelled as a
// stack of copies of the rows.
//
// ZL_TEST_SEED=<n> runs one seed instead of the fixed ones; ZL_TEST_OPS=<n>
// changes the number of operations per seed.
#include <algorithm>
#include <cstdint>
#include <deque>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sstream>

#include "engine_fixture.h"

namespace enginetest {
namespace {

enum : int { kId = 0, kNum = 1, kName = 2, kFlag = 3, kFieldCount = 4 };
const char* const kFieldNames[kFieldCount] = {"ID", "NUM", "NAME", "FLAG"};
const char* const kTableName = "MODEL_T";
constexpr size_t kNameSize = 20;

// One field value as the model holds it: numbers (a Boolean as -1 / 0) in
// n, text in s.
struct Val {
  bool null = true;
  long n = 0;
  std::string s;
  bool text = false;
};
Val Num(long n) { return {false, n, {}, false}; }
Val Str(std::string s) { return {false, 0, std::move(s), true}; }

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
  return v.null ? "NULL" : v.text ? "'" + v.s + "'" : std::to_string(v.n);
}

std::string Describe(const COleVariant& v) {
  std::ostringstream out;
  out << "vt " << v.vt << " ";
  if (v.vt == VT_I2 || v.vt == VT_BOOL) out << (v.vt == VT_I2 ? v.iVal : v.boolVal);
  if (v.vt == VT_I4 || v.vt == VT_UI1) out << (v.vt == VT_I4 ? v.lVal : v.bVal);
  if (v.vt == VT_R8) out << v.dblVal;
  if (v.vt == VT_BSTR) out << "'" << v.GetStringValue() << "'";
  return out.str();
}

size_t Utf8Length(const std::string& s) {
  return std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; });
}

// Index text order: ASCII letters folded, other bytes unsigned, a prefix first.
int CompareText(const std::string& a, const std::string& b) {
  for (size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
    int ca = static_cast<unsigned char>(a[i]);
    int cb = static_cast<unsigned char>(b[i]);
    if (ca >= 'A' && ca <= 'Z') ca += 32;
    if (cb >= 'A' && cb <= 'Z') cb += 32;
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return (a.size() > b.size()) - (a.size() < b.size());
}

int Compare(int field, const Val& a, const Val& b) {
  if (a.null || b.null) return b.null - a.null;
  if (field == kName) return CompareText(a.s, b.s);
  return (a.n > b.n) - (a.n < b.n);
}

struct IndexDef {
  const char* name;
  std::vector<int> fields;
  bool unique;
};
// Index 0 is "no current index": insertion order.  Index 1 is primary.
const IndexDef kIndexes[] = {{"", {}, false},
                             {"ID_INDEX", {kId}, true},
                             {"NAME_NUM_INDEX", {kName, kNum}, false},
                             {"FLAG_NUM_NAME_INDEX", {kFlag, kNum, kName}, true}};
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
  // The first (lowest in index order) or last row for which match(c) holds,
  // c comparing the row with keys and then its seq with seq (0 skips that).
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
  // The error a write of row raises (0 when accepted); self is the row
  // being edited, which does not collide with itself.
  long Predict(const Row& row, int64_t self) const {
    const Val& name = row.v[kName];
    if (!name.null && name.s.empty()) return kDaoZeroLength;
    if (!name.null && Utf8Length(name.s) > kNameSize) return kDaoFieldTooSmall;
    // Unique (FLAG, NUM, NAME): a NULL in any field never collides.
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
         << "field " << kFieldNames[f] << " of row seq " << row.seq << ": expected vt " << want
         << " " << Show(w) << ", got " << Describe(v);
}

void CreateModelTable(CDaoDatabase& db) {
  CDaoTableDef td(&db);
  td.Create(kTableName);
  td.CreateField("ID", dbLong, 4, dbAutoIncrField | dbFixedField);
  td.CreateField("NUM", dbLong, 4, dbFixedField | dbUpdatableField);
  // Zero-length text is not allowed (the default).
  td.CreateField("NAME", dbText, static_cast<long>(kNameSize), dbVariableField | dbUpdatableField);
  td.CreateField("FLAG", dbBoolean, 1, dbFixedField | dbUpdatableField);
  for (int i = 1; i < kIndexCount; ++i) {
    CDaoIndexFieldInfo fields[3];
    for (size_t k = 0; k < kIndexes[i].fields.size(); ++k)
      fields[k].m_strName = kFieldNames[kIndexes[i].fields[k]];
    CDaoIndexInfo info;
    info.m_strName = kIndexes[i].name;
    info.m_pFieldInfos = fields;
    info.m_nFields = static_cast<short>(kIndexes[i].fields.size());
    info.m_bUnique = kIndexes[i].unique ? TRUE : FALSE;
    info.m_bPrimary = i == 1 ? TRUE : FALSE;
    td.CreateIndex(info);
  }
  td.Append();
  td.Close();
}

// ---------------------------------------------------------------------------
// The random run.

enum class Pos {
  kRow,      // a row is current
  kBOF,      // before the first row
  kEOF,      // after the last row
  kEmpty,    // opened on an empty table: BOF and EOF
  kNone,     // after a failed seek: no position at all
  kDeleted,  // the current row was deleted; moves continue from its place
  kGone,     // a rollback removed the current row
  kUnknown,  // the position is not pinned down by the contract
};

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
constexpr uint32_t kAux =
    Bit(kAuxMoveFirst) | Bit(kAuxMoveNext) | Bit(kAuxMovePrev) | Bit(kAuxSetIndex);
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

// A transaction level: the rows and next seq at its start, and the largest
// counter assigned in it (or in inner levels it committed).
struct Level {
  std::vector<Row> rows;
  int64_t nextSeq;
  long maxId;
};

class CModelRun {
 public:
  CModelRun(uint32_t seed, std::string path) : m_rng(seed), m_seed(seed), m_path(std::move(path)) {}
  ~CModelRun() {  // leave the workspace without a transaction for later tests
    while (CDaoWorkspace::GetDefault()->GetTransactionDepth() > 0)
      if (ErrorOf([] { CDaoWorkspace::GetDefault()->Rollback(); }) != 0) break;
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
    if (r < 16)
      return Str(Chance(50) ? "abcdefghijklmnopqrstu"  // refused: 21 characters
                            : std::string(kBaseNames[11]) + "\xC3\xA9");
    return Str(RandomCase(kBaseNames[Pick(static_cast<int>(std::size(kBaseNames)))]));
  }
  Val RandomNum() {
    const int r = Pick(100);
    if (r < 15) return Val();
    if (r < 19) return Num(Chance(50) ? 2147483647L : -2147483647L - 1);
    return Num(Pick(40) - 10);
  }
  // A number in one of the forms callers pass.
  COleVariant NumVariant(long v) {
    const int form = Pick(5);
    if (form == 0 && v >= -32768 && v <= 32767) return COleVariant(static_cast<int16_t>(v));
    if (form == 1) return COleVariant(static_cast<double>(v));
    if (form == 2) return COleVariant(std::to_string(v).c_str());
    if (form == 3 && v >= 0 && v <= 255) return COleVariant(static_cast<BYTE>(v));
    return COleVariant(static_cast<int32_t>(v));
  }
  // A Boolean in one of the forms callers pass: any non-zero number is true.
  COleVariant FlagVariant(bool flag) {
    const int32_t trues[] = {1, 7, -3, 255};
    const int form = Pick(4);
    if (form == 0) return COleVariant(static_cast<int16_t>(flag ? -1 : 0), VT_BOOL);
    if (form == 1) return COleVariant(flag ? trues[Pick(4)] : 0);
    if (form == 2) return COleVariant(static_cast<int16_t>(flag ? 2 : 0));
    return COleVariant(flag ? 1.0 : 0.0);
  }
  COleVariant Variant(int f, const Val& v) {
    if (v.null) return Null();
    if (f == kName) return COleVariant(v.s.c_str());
    return f == kFlag ? FlagVariant(v.n != 0) : f == kNum ? NumVariant(v.n) : Long(v.n);
  }
  // A seek key for field f, close to the values of like when given.
  COleVariant KeyVariant(int f, const Row* like, Val* key) {
    if (like != nullptr) {
      *key = like->v[f];
    } else {
      const Val name = RandomName();
      *key =
          f == kId    ? Num(Pick(static_cast<int>(MaxId()) + 3))
          : f == kNum ? RandomNum()
          : f == kName
              ? (name.null || name.s.empty() || Utf8Length(name.s) > kNameSize ? Str("abc") : name)
              : Num(Chance(50) ? -1 : 0);
    }
    if (f == kName && !key->null) key->s = RandomCase(key->s);
    return Variant(f, *key);
  }

  // Engine access with the call forms varied.
  COleVariant Read(CDaoRecordset& rs, int f) {
    const int form = Pick(4);
    if (form < 2) return form == 0 ? rs.GetFieldValue(kFieldNames[f]) : rs.GetFieldValue(f);
    COleVariant v;
    form == 2 ? rs.GetFieldValue(kFieldNames[f], v) : rs.GetFieldValue(f, v);
    return v;
  }
  void Set(int f, const Val& v) {
    const bool byIndex = Chance(50);
    if (v.null && Chance(50)) {
      byIndex ? m_rs->SetFieldValueNull(f) : m_rs->SetFieldValueNull(kFieldNames[f]);
    } else if (f == kName && !v.null && Chance(50)) {
      byIndex ? m_rs->SetFieldValue(f, v.s.c_str())
              : m_rs->SetFieldValue(kFieldNames[f], v.s.c_str());
    } else {
      const COleVariant x = Variant(f, v);
      byIndex ? m_rs->SetFieldValue(f, x) : m_rs->SetFieldValue(kFieldNames[f], x);
    }
  }
  testing::AssertionResult RowMatches(CDaoRecordset& rs, const Row& row) {
    for (int f = 0; f < kFieldCount; ++f)
      if (testing::AssertionResult r = FieldMatches(Read(rs, f), row, f); !r) return r;
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
  bool Alive(int64_t seq) { return m_model.Find(seq) != nullptr; }

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
    const uint32_t masks[] = {
        m_cursor.relative ? kAll : kPlacing | Bit(kReopen) | Bit(kGetBookmark),
        offRow,
        offRow,
        offRow,
        offRow,
        kPlacing | Bit(kMoveNext) | Bit(kMovePrev) | Bit(kBadBookmark),
        lost,
        lost};
    const uint32_t mask = masks[static_cast<int>(m_cursor.pos)];
    return ((mask | Bit(kAuxMoveFirst) | Bit(kAuxSetIndex)) & Bit(op)) != 0;
  }

  void Do(int op) {
    if ((Bit(op) & kAux) != 0) m_note << "aux: ";
    if (op == kAddNew) return DoAddNew();
    if (op == kEdit) return DoEdit();
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
      m_note << "GetBookmark seq " << m_cursor.seq;
      m_bookmarks[m_cursor.seq] = m_rs->GetBookmark();
    } else if (op == kGotoLastModified) {
      if (m_lastModified < 0 || !Alive(m_lastModified)) return;
      m_note << "SetBookmark(GetLastModifiedBookmark) seq " << m_lastModified;
      m_rs->SetBookmark(m_rs->GetLastModifiedBookmark());
      PlaceAt(m_cursor, m_model.Find(m_lastModified), Pos::kUnknown);
    } else if (op == kBegin) {
      if (m_levels.size() >= 3) return;
      m_note << "BeginTrans -> depth " << m_levels.size() + 1;
      CDaoWorkspace::GetDefault()->BeginTrans();
      m_levels.push_back({m_model.rows, m_nextSeq, 0});
      EXPECT_EQ(CDaoWorkspace::GetDefault()->GetTransactionDepth(),
                static_cast<int>(m_levels.size()));
    } else if (op == kReopen) {
      m_note << "recordset Close + Open";
      m_rs->Close();
      EXPECT_FALSE(m_rs->IsOpen());
      m_rs->Open(dbOpenTable, kTableName);
      m_cursor.index = 0;
      m_lastModified = -1;
      EXPECT_STREQ(m_rs->GetCurrentIndex().GetString(), "");
      PlaceAt(m_cursor, FirstOf(0), Pos::kEmpty);
    } else if (op == kBadBookmark) {
      m_note << "SetBookmark(not a bookmark)";
      COleVariant bogus("bookmark");
      const BYTE bytes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
      if (Chance(50)) bogus.SetByteArray(bytes, sizeof bytes);
      EXPECT_EQ(ErrorOf([&] { m_rs->SetBookmark(bogus); }), kDaoBadBookmark);
    }
  }

  // Runs Update until it succeeds or the buffer is dropped; true when the row
  // was written.  row holds the buffer's values, self the edited row.
  bool UpdateLoop(Row& row, int64_t self, short editMode) {
    for (int attempt = 0;; ++attempt) {
      const long expected = m_model.Predict(row, self);
      m_note << " update(expect " << expected << ")";
      const long got = ErrorOf([&] { m_rs->Update(); });
      EXPECT_EQ(got, expected) << "Update of num/name/flag " << Show(row.v[kNum]) << "/"
                               << Show(row.v[kName]) << "/" << row.v[kFlag].n;
      if (got != expected) return false;
      if (got == 0) return true;
      // A refused Update keeps the buffer with the values set.
      EXPECT_EQ(m_rs->GetEditMode(), editMode);
      EXPECT_TRUE(FieldMatches(Read(*m_rs, kName), row, kName));
      EXPECT_TRUE(FieldMatches(Read(*m_rs, kNum), row, kNum));
      const int choice = attempt >= 3 ? 0 : Pick(10);
      if (choice < 4) {
        m_note << " cancel";
        m_rs->CancelUpdate();
      } else if (choice < 9) {
        row.v[kName] = RandomName();
        m_note << " retry name=" << Show(row.v[kName]);
        Set(kName, row.v[kName]);
        continue;
      } else {
        m_note << " dropped by MoveFirst";
        DoMoveEnd(*m_rs, m_cursor, true);
      }
      EXPECT_EQ(m_rs->GetEditMode(), dbEditNone);
      return false;
    }
  }

  void DoAddNew() {
    Row row;
    row.v[kNum] = RandomNum();
    row.v[kName] = RandomName();
    row.v[kFlag] = Num(Chance(50) ? -1 : 0);
    m_note << "AddNew " << Show(row.v[kNum]) << " " << Show(row.v[kName]) << " " << row.v[kFlag].n;
    m_rs->AddNew();
    EXPECT_EQ(m_rs->GetEditMode(), dbEditAdd);
    for (int f = kNum; f < kFieldCount; ++f) Set(f, row.v[f]);
    if (Chance(5)) {  // refused setters leave the buffer as it was
      EXPECT_EQ(ErrorOf([&] { m_rs->SetFieldValue("ID", Long(5)); }), kDaoCannotUpdateField);
      EXPECT_EQ(ErrorOf([&] { m_rs->SetFieldValue("NUM", COleVariant("abc")); }),
                kDaoConversionError);
    }
    EXPECT_TRUE(FieldMatches(Read(*m_rs, kFlag), row, kFlag)) << "AddNew buffer";
    EXPECT_TRUE(FieldMatches(Read(*m_rs, kNum), row, kNum)) << "AddNew buffer";
    if (!UpdateLoop(row, -1, dbEditAdd)) return;
    row.seq = m_nextSeq++;
    m_model.rows.push_back(row);
    m_lastModified = row.seq;
    LearnNewRow(row.seq);
    // The row current before AddNew stays current; other positions are open.
    if (m_cursor.pos != Pos::kRow) m_cursor.pos = Pos::kUnknown;
  }

  // Finds the counter of the row just added through the second recordset and
  // checks what was stored.
  void LearnNewRow(int64_t seq) {
    Row* row = m_model.Find(seq);
    const COleVariant bookmark = m_rs->GetLastModifiedBookmark();
    m_bookmarks[seq] = bookmark;
    m_aux->SetBookmark(bookmark);
    PlaceAt(m_auxCursor, row, Pos::kUnknown);
    const COleVariant id = m_aux->GetFieldValue("ID");
    ASSERT_EQ(id.vt, VT_I4) << Describe(id);
    m_note << " -> id " << id.lVal;
    EXPECT_GT(id.lVal, MaxId()) << "a counter must exceed every counter handed out and kept";
    row->v[kId] = Num(id.lVal);
    EXPECT_TRUE(RowMatches(*m_aux, *row)) << "row read back through another recordset";
    (m_levels.empty() ? m_durableMaxId : m_levels.back().maxId) = id.lVal;
  }

  void DoEdit() {
    Row* current = m_model.Find(m_cursor.seq);
    Row row = *current;
    m_note << "Edit seq " << row.seq;
    m_rs->Edit();
    EXPECT_EQ(m_rs->GetEditMode(), dbEditInProgress);
    EXPECT_TRUE(RowMatches(*m_rs, row)) << "the Edit buffer starts as the row";
    const int which = 1 + Pick(7);  // a non-empty subset of NUM, NAME, FLAG
    for (int f = kNum; f < kFieldCount; ++f) {
      if ((which & (1 << (f - 1))) == 0) continue;
      row.v[f] = f == kNum ? RandomNum() : f == kName ? RandomName() : Num(Chance(50) ? -1 : 0);
      m_note << " " << kFieldNames[f] << "=" << Show(row.v[f]);
      Set(f, row.v[f]);
    }
    if (Chance(4)) {
      EXPECT_EQ(ErrorOf([&] { m_rs->SetFieldValue("ID", Long(1)); }), kDaoCannotUpdateField);
    }
    if (!UpdateLoop(row, row.seq, dbEditInProgress)) return;
    // The other recordset's row moved in its index under it: its next move is
    // not pinned down, but it must read the new values.
    if (m_auxCursor.pos == Pos::kRow && m_auxCursor.seq == row.seq &&
        CompareRows(kIndexes[m_auxCursor.index], row, *current) != 0)
      m_auxCursor.relative = false;
    *current = row;  // the edited row stays current, in its new place
    m_lastModified = row.seq;
    if (Chance(20)) {  // the last-modified bookmark names the edited row
      m_aux->SetBookmark(m_rs->GetLastModifiedBookmark());
      PlaceAt(m_auxCursor, current, Pos::kUnknown);
      EXPECT_TRUE(RowMatches(*m_aux, row)) << "GetLastModifiedBookmark after Edit";
    }
  }

  void DoDelete() {
    const Row* row = m_model.Find(m_cursor.seq);
    m_note << "Delete seq " << row->seq << " id " << row->v[kId].n;
    m_cursor.keys = KeysOf(CurrentIndex(), *row);
    m_rs->Delete();
    if (m_auxCursor.pos == Pos::kRow && m_auxCursor.seq == m_cursor.seq)
      m_auxCursor.pos = Pos::kUnknown;  // vanished under the other recordset
    m_model.rows.erase(m_model.rows.begin() + (row - m_model.rows.data()));
    m_cursor.pos = Pos::kDeleted;
    EXPECT_TRUE(m_rs->IsDeleted());
  }

  void DoSeek() {
    const IndexDef& ix = CurrentIndex();
    if (ix.fields.empty()) {
      COleVariant key(int32_t{1});
      m_note << "Seek without index";
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
    COleVariant keys[3];
    std::vector<Val> modelKeys(nKeys);
    m_note << "Seek " << ix.name << " " << op;
    for (int i = 0; i < nKeys; ++i) {
      keys[i] = KeyVariant(ix.fields[i], like, &modelKeys[i]);
      m_note << " [" << Describe(keys[i]) << "]";
    }
    const BOOL found = Chance(50) ? m_rs->Seek(op.c_str(), keys, static_cast<WORD>(nKeys))
                                  : m_rs->Seek(op.c_str(), &keys[0], nKeys > 1 ? &keys[1] : nullptr,
                                               nKeys > 2 ? &keys[2] : nullptr);
    const Row* expected = m_model.Seek(ix, op, modelKeys);
    m_note << " -> " << (expected ? std::to_string(expected->seq) : "none");
    EXPECT_EQ(found != FALSE, expected != nullptr);
    PlaceAt(m_cursor, expected, Pos::kNone);
  }

  void DoMoveEnd(CDaoRecordset& rs, CursorModel& cur, bool first) {
    m_note << (first ? "MoveFirst" : "MoveLast");
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
    m_note << (next ? "MoveNext" : "MovePrev");
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
      // Back from an end: to the first (last) row, or straight to the other
      // end when the rows have gone meanwhile.
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
    m_note << "Move " << n;
    m_rs->Move(n);
    PlaceAt(m_cursor, ordered[at + n], Pos::kUnknown);
  }

  void DoSetBookmark() {
    if (m_bookmarks.empty()) return;
    auto it = std::next(m_bookmarks.begin(), Pick(static_cast<int>(m_bookmarks.size())));
    // Rows whose insert was rolled back are the subject of a focused case.
    if (m_rolledBackInserts.count(it->first) != 0) return;
    m_note << "SetBookmark seq " << it->first;
    if (Alive(it->first)) {
      m_rs->SetBookmark(it->second);
      PlaceAt(m_cursor, m_model.Find(it->first), Pos::kUnknown);
    } else {
      EXPECT_EQ(ErrorOf([&] { m_rs->SetBookmark(it->second); }), kDaoRecordDeleted)
          << "deleted row";
    }
  }

  void DoSetIndex(CDaoRecordset& rs, CursorModel& cur) {
    if (Chance(5)) {
      m_note << "SetCurrentIndex NO_SUCH_INDEX";
      EXPECT_EQ(ErrorOf([&] { rs.SetCurrentIndex("NO_SUCH_INDEX"); }), kDaoNotAnIndex);
      EXPECT_STREQ(rs.GetCurrentIndex().GetString(), kIndexes[cur.index].name);
      cur.pos = Pos::kUnknown;
      return;
    }
    cur.index = Chance(15) ? 0 : 1 + Pick(kIndexCount - 1);  // seeks need an index
    m_note << "SetCurrentIndex '" << kIndexes[cur.index].name << "'";
    rs.SetCurrentIndex(kIndexes[cur.index].name);
    EXPECT_STREQ(rs.GetCurrentIndex().GetString(), kIndexes[cur.index].name);
    PlaceAt(cur, FirstOf(cur.index), Pos::kEmpty);
  }

  void DoEndTrans(bool commit) {
    CDaoWorkspace* ws = CDaoWorkspace::GetDefault();
    if (m_levels.empty()) {
      if (!commit) return;
      m_note << "CommitTrans without transaction";
      EXPECT_EQ(ErrorOf([&] { ws->CommitTrans(); }), kDaoNoTransaction);
      return;
    }
    m_note << (commit ? "CommitTrans" : "Rollback") << " depth " << m_levels.size();
    commit ? ws->CommitTrans() : ws->Rollback();
    Level level = std::move(m_levels.back());
    m_levels.pop_back();
    EXPECT_EQ(ws->GetTransactionDepth(), static_cast<int>(m_levels.size()));
    if (commit) {
      long& outer = m_levels.empty() ? m_durableMaxId : m_levels.back().maxId;
      outer = std::max(outer, level.maxId);
      return;
    }
    std::vector<Row> before = std::move(m_model.rows);
    m_model.rows = std::move(level.rows);
    for (int64_t s = level.nextSeq; s < m_nextSeq; ++s) m_rolledBackInserts.insert(s);
    bool tableChanged = before.size() != m_model.rows.size();
    for (size_t i = 0; !tableChanged && i < before.size(); ++i)
      tableChanged = before[i].seq != m_model.rows[i].seq || !before[i].SameData(m_model.rows[i]);
    AfterRollback(m_cursor, before, tableChanged);
    AfterRollback(m_auxCursor, before, tableChanged);
  }

  void AfterRollback(CursorModel& cur, const std::vector<Row>& before, bool tableChanged) {
    if (cur.pos == Pos::kEmpty && tableChanged) cur.pos = Pos::kUnknown;
    if (cur.pos != Pos::kRow) return;
    const Row* now = m_model.Find(cur.seq);
    if (now == nullptr) {
      cur.pos = Pos::kGone;
      return;
    }
    // The current row reads its restored values; moves from it are pinned down
    // only when the rollback did not change it.
    const auto old =
        std::find_if(before.begin(), before.end(), [&](const Row& r) { return r.seq == cur.seq; });
    if (!old->SameData(*now)) cur.relative = false;
  }

  void DoDiscardedEdit() {
    // A move drops an AddNew or Edit in progress without writing it.
    const bool add = Chance(50);
    m_note << (add ? "AddNew" : "Edit") << " then MoveLast";
    add ? m_rs->AddNew() : m_rs->Edit();
    Set(kName, Str("discarded"));
    Set(kNum, Num(12345));
    DoMoveEnd(*m_rs, m_cursor, false);
    EXPECT_EQ(m_rs->GetEditMode(), dbEditNone);
    EXPECT_EQ(m_rs->GetRecordCount(), static_cast<long>(m_model.rows.size()));
  }

  void VerifyCursor(CDaoRecordset& rs, const CursorModel& cur, const char* which) {
    EXPECT_EQ(rs.GetEditMode(), dbEditNone) << which;
    const Pos p = cur.pos;
    if (p == Pos::kUnknown) return;
    if (p == Pos::kDeleted || p == Pos::kGone || p == Pos::kNone) {
      EXPECT_EQ(ErrorOf([&] { Read(rs, kName); }), kDaoNoCurrentRecord) << which;
    }
    if (p == Pos::kDeleted || p == Pos::kGone) return;
    EXPECT_EQ(rs.IsBOF() != FALSE, p == Pos::kBOF || p == Pos::kEmpty) << which;
    EXPECT_EQ(rs.IsEOF() != FALSE, p == Pos::kEOF || p == Pos::kEmpty) << which;
    if (p == Pos::kRow) {
      EXPECT_TRUE(RowMatches(rs, *m_model.Find(cur.seq))) << which << ": current row";
    }
  }

  // Walks every index of rs forward (and one backward) and compares with the
  // model; then returns to the first row of its index.
  void VerifyAll(CDaoRecordset& rs, CursorModel& cur) {
    EXPECT_EQ(rs.GetRecordCount(), static_cast<long>(m_model.rows.size()));
    const int backward = Pick(kIndexCount);
    for (int i = 0; i < kIndexCount; ++i) {
      SCOPED_TRACE(std::string("index '") + kIndexes[i].name + "'");
      rs.SetCurrentIndex(kIndexes[i].name);
      const auto ordered = m_model.Ordered(kIndexes[i]);
      if (ordered.empty()) {
        EXPECT_TRUE(rs.IsBOF() && rs.IsEOF()) << "empty table";
        continue;
      }
      size_t n = 0;
      for (rs.MoveFirst(); !rs.IsEOF(); rs.MoveNext(), ++n) {
        ASSERT_LT(n, ordered.size()) << "walk runs past the model";
        ASSERT_TRUE(RowMatches(rs, *ordered[n])) << "walk at " << n;
      }
      EXPECT_EQ(n, ordered.size()) << "rows in walk";
      if (i != backward) continue;
      for (rs.MoveLast(); !rs.IsBOF(); rs.MovePrev()) {
        ASSERT_GT(n, 0u) << "backward walk runs past the model";
        ASSERT_TRUE(RowMatches(rs, *ordered[--n])) << "backward walk at " << n;
      }
      EXPECT_EQ(n, 0u) << "rows in backward walk";
    }
    rs.SetCurrentIndex(kIndexes[cur.index].name);
    PlaceAt(cur, FirstOf(cur.index), Pos::kEmpty);
  }

  void OpenDatabase() {
    m_db = std::make_unique<CDaoDatabase>();
    m_db->Open(m_path.c_str());
    m_rs = std::make_unique<CDaoRecordset>(m_db.get());
    m_aux = std::make_unique<CDaoRecordset>(m_db.get());
    m_rs->Open(dbOpenTable, kTableName);
    m_aux->Open(dbOpenTable, kTableName);
    m_cursor = CursorModel();
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

 public:
  void Run(int nOps) {
    SCOPED_TRACE(testing::Message()
                 << "seed " << m_seed << " (rerun with ZL_TEST_SEED=" << m_seed << ")");
    {
      CDaoDatabase db;
      db.Create(m_path.c_str());
      CreateModelTable(db);
      db.Close();
    }
    OpenDatabase();
    VerifyCursor(*m_rs, m_cursor, "recordset");
    EXPECT_EQ(ErrorOf([&] { m_rs->GetLastModifiedBookmark(); }), kDaoNoCurrentRecord)
        << "a recordset that has written nothing has no last-modified row";

    for (int step = 0; step < nOps; ++step) {
      int total = 0;
      for (int op = 0; op < kOpCount; ++op) total += Allowed(op) ? kWeights[op] : 0;
      int r = Pick(total);
      int op = 0;
      for (;; ++op) {
        if (!Allowed(op)) continue;
        if (r < kWeights[op]) break;
        r -= kWeights[op];
      }
      m_note.str("");
      try {
        Do(op);
        VerifyCursor(*m_rs, m_cursor, "recordset");
        VerifyCursor(*m_aux, m_auxCursor, "second recordset");
        if (step % 97 == 96) VerifyAll(*m_aux, m_auxCursor);
      } catch (const CException& e) {
        ADD_FAILURE() << "unexpected exception: " << e.GetErrorMessage().GetString();
      }
      m_history.push_back(std::to_string(step) + ": " + m_note.str());
      if (m_history.size() > 25) m_history.pop_front();
      if (testing::Test::HasFailure()) {
        std::string recent;
        for (const std::string& h : m_history) recent += "  " + h + "\n";
        ADD_FAILURE() << "failed at step " << step << "; recent operations:\n" << recent;
        return;
      }
    }

    try {
      // End every transaction and check; then check that a fresh open of the
      // file shows the committed state, and that counters keep growing.
      while (!m_levels.empty()) DoEndTrans(Chance(50));
      VerifyAll(*m_aux, m_auxCursor);
      if (testing::Test::HasFailure()) return;
      CloseDatabase();
      OpenDatabase();
      VerifyAll(*m_rs, m_cursor);
      Row row;
      row.v[kNum] = Num(1);
      row.v[kName] = Str("after reopen");
      row.v[kFlag] = Num(0);
      m_rs->AddNew();
      for (int f = kNum; f < kFieldCount; ++f) Set(f, row.v[f]);
      m_rs->Update();
      row.seq = m_nextSeq++;
      m_model.rows.push_back(row);
      LearnNewRow(row.seq);
      VerifyAll(*m_aux, m_auxCursor);
      CloseDatabase();
    } catch (const CException& e) {
      ADD_FAILURE() << "unexpected exception at the end: " << e.GetErrorMessage().GetString();
    }
  }

 private:
  std::mt19937 m_rng;
  uint32_t m_seed;
  std::string m_path;
  std::unique_ptr<CDaoDatabase> m_db;
  std::unique_ptr<CDaoRecordset> m_rs;  // the recordset under test
  // A second recordset on the same table: it finds new rows, walks whole
  // indexes and steps between the first one's writes, which must reach it.
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
  std::ostringstream m_note;
  std::deque<std::string> m_history;
};

class RecordsetModelTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(m_dir.Path().empty()); }

  // A fresh database with the model table and a recordset on it.
  void OpenFresh(const char* file) {
    const std::string path = m_dir.File(file);
    m_db.Create(path.c_str());
    CreateModelTable(m_db);
    m_rs.Open(dbOpenTable, kTableName);
  }
  COleVariant Add(const char* name) {
    return AddRow(m_rs, {{"NAME", COleVariant(name)}, {"FLAG", COleVariant(int16_t{0}, VT_BOOL)}});
  }
  std::string Name() { return m_rs.GetFieldValue("NAME").GetStringValue(); }

  CTempDir m_dir;
  CDaoDatabase m_db;
  CDaoRecordset m_rs{&m_db};
};

TEST_F(RecordsetModelTest, RandomOperationsMatchModel) {
  std::vector<uint32_t> seeds = {20240611u, 7u, 4099u};
  if (const char* env = getenv("ZL_TEST_SEED"); env != nullptr && *env != '\0')
    seeds = {static_cast<uint32_t>(strtoul(env, nullptr, 0))};
  const char* ops = getenv("ZL_TEST_OPS");
  const int nOps = ops != nullptr && *ops != '\0' ? std::max(1, atoi(ops)) : 1200;
  for (uint32_t seed : seeds) {
    CModelRun run(seed, m_dir.File(("model_" + std::to_string(seed) + ".db").c_str()));
    run.Run(nOps);
    if (HasFailure()) return;
  }
}

// A rolled-back insert leaves no row; its bookmark must not come to name the
// row added next, though the storage may hand out the same row number again.
TEST_F(RecordsetModelTest, BookmarkOfRolledBackInsertIsRefused) {
  OpenFresh("rolledback.db");
  CDaoWorkspace* ws = CDaoWorkspace::GetDefault();
  Add("kept");
  ws->BeginTrans();
  const COleVariant rolledBack = Add("rolled back");
  ws->Rollback();
  Add("added later");
  m_rs.SetCurrentIndex("NAME_NUM_INDEX");
  COleVariant kept("kept");
  ASSERT_TRUE(m_rs.Seek("=", &kept));
  const long err = ErrorOf([&] { m_rs.SetBookmark(rolledBack); });
  EXPECT_TRUE(err == kDaoRecordDeleted || err == kDaoBadBookmark)
      << "SetBookmark of a rolled-back row gave " << err << "; now on '" << Name() << "'";
  EXPECT_EQ(Name(), "kept") << "a refused bookmark moved";
}

// The same after a durable delete of the newest row.
TEST_F(RecordsetModelTest, BookmarkOfDeletedNewestRowIsRefusedAfterAnotherAdd) {
  OpenFresh("deleted.db");
  m_rs.SetCurrentIndex("ID_INDEX");
  Add("first");
  const COleVariant newest = Add("newest");
  m_rs.SetBookmark(newest);
  m_rs.Delete();
  Add("replacement");
  m_rs.MoveFirst();
  EXPECT_EQ(ErrorOf([&] { m_rs.SetBookmark(newest); }), kDaoRecordDeleted);
  EXPECT_EQ(Name(), "first");
  m_rs.MoveLast();
  EXPECT_EQ(Name(), "replacement");
  EXPECT_EQ(m_rs.GetFieldValue("ID").lVal, 3) << "counters are not reused";
}

}  // namespace
}  // namespace enginetest
