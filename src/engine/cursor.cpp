#include "engine/cursor.h"

#include <algorithm>
#include <cstring>

#include "engine/dao_errors.h"
#include "engine/dao_types.h"
#include "engine/engine_file.h"
#include "engine/faults.h"
#include "engine/session.h"
#include "engine/value_rules.h"

namespace zl::engine {

namespace {

constexpr size_t kMaxBatch = 64;
constexpr char kBookmarkMagic[4] = {'Z', 'L', 'B', 'K'};
constexpr size_t kBookmarkSize = 4 + 1 + 8 + 8 + 8;

void PutU64(unsigned char* p, uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

uint64_t GetU64(const unsigned char* p) {
  uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v |= static_cast<uint64_t>(p[i]) << (8 * i);
  return v;
}

}  // namespace

CCursor::CCursor(CSession& session, int64_t tableId, bool readOnly)
    : m_session(session), m_file(session.File()), m_tableId(tableId), m_readOnly(readOnly) {
  RefreshLayout();
  PositionFirst(false);
}

// ---- layout ----

const CTableSchema& CCursor::Table() {
  RefreshLayout();
  return *m_table;
}

std::string CCursor::TableName() { return Table().name; }

void CCursor::RefreshLayout() {
  if (m_table != nullptr && m_schemaEpoch == m_file.SchemaEpoch()) return;
  std::shared_ptr<const CTableSchema> table = m_file.FindTableById(m_tableId);
  if (table == nullptr) ThrowDaoError(kDaoObjectNotFound, m_table ? m_table->name.c_str() : "");
  bool changed = m_table == nullptr || m_table.get() != table.get();
  if (changed && m_table != nullptr && (!m_changes.empty() || !m_borrowed.empty())) {
    // Fields are kept by position: carry an edit in progress over to the
    // new layout by name; a field that went away fails the Update (3265).
    int gone = static_cast<int>(table->fields.size());
    auto carry = [&](auto& values) {
      std::remove_reference_t<decltype(values)> moved;
      for (auto& value : values) {
        const int position = table->FindField(m_table->fields[value.first].name);
        moved[position >= 0 ? position : gone++] = std::move(value.second);
      }
      values.swap(moved);
    };
    carry(m_changes);
    carry(m_borrowed);
  }
  m_table = table;
  m_schemaEpoch = m_file.SchemaEpoch();
  if (changed) {
    m_wanted.assign(table->fields.size(), false);
    ResolveIndex();
    m_rowValid = false;
    ClearAhead();
  }
}

void CCursor::ResolveIndex() {
  m_tierCache.clear();
  m_loadRowSql.clear();
  m_insertSql.clear();
  m_updateSql.clear();
  m_index = m_indexName.empty() ? -1 : m_table->FindIndex(m_indexName);
  if (m_index < 0) m_indexName.clear();
  ResolveFetch();
}

void CCursor::ResolveFetch() {
  m_tierCache.clear();
  m_loadRowSql.clear();
  m_fetch.clear();
  for (size_t i = 0; i < m_table->fields.size(); ++i) {
    bool inIndex = false;
    if (m_index >= 0) {
      for (int f : m_table->indexes[m_index].fields) inIndex = inIndex || f == static_cast<int>(i);
    }
    const bool wanted = i < m_wanted.size() && m_wanted[i] && !m_table->fields[i].IsLarge();
    if (inIndex || wanted) m_fetch.push_back(static_cast<int>(i));
  }
}

std::vector<int> CCursor::WalkFields() const {
  // An index on the row number orders exactly as the row number does.
  if (m_index < 0 || m_table->IsRowidIndex(m_table->indexes[m_index])) return {};
  return m_table->indexes[m_index].fields;
}

std::vector<std::string> CCursor::WalkColumns() const {
  std::vector<std::string> cols;
  for (int f : WalkFields()) cols.push_back(QuoteName(m_table->fields[f].name));
  cols.push_back("rowid");
  return cols;
}

std::string CCursor::SelectList() const {
  std::string list = "rowid";
  for (int f : m_fetch) list += ", " + QuoteName(m_table->fields[f].name);
  return list;
}

CRow CCursor::ReadRow(const CSqlQuery& q) const {
  CRow row;
  row.rowid = q.ColumnInt(0);
  row.values.resize(m_table->fields.size());
  row.loaded.assign(m_table->fields.size(), false);
  for (size_t i = 0; i < m_fetch.size(); ++i) {
    row.values[m_fetch[i]] = q.Column(static_cast<int>(i) + 1);
    row.loaded[m_fetch[i]] = true;
  }
  return row;
}

std::vector<CSqlValue> CCursor::KeyOf(const CRow& row) const {
  std::vector<CSqlValue> key;
  for (int f : WalkFields()) key.push_back(row.values[f]);
  return key;
}

std::vector<CSqlValue> CCursor::PositionBound() const {
  std::vector<CSqlValue> bound = m_key;
  bound.push_back(CSqlValue::Integer(m_rowid));
  return bound;
}

// ---- index walks ----

const std::vector<CCursor::CTierSql>& CCursor::Tiers(const std::vector<CSqlValue>& bound,
                                                     bool forward, bool inclusive, bool equalOnly) {
  const size_t m = bound.size();
  uint64_t key = (forward ? 1u : 0u) | (inclusive ? 2u : 0u) | (equalOnly ? 4u : 0u) |
                 (static_cast<uint64_t>(m) << 3);
  for (size_t i = 0; i < m; ++i) {
    if (bound[i].IsNull()) key |= uint64_t{1} << (8 + i);
  }
  auto found = m_tierCache.find(key);
  if (found != m_tierCache.end()) return found->second;

  const std::vector<std::string> cols = WalkColumns();
  const size_t n = cols.size();
  const std::string dir = forward ? " ASC" : " DESC";
  const std::string head = "SELECT " + SelectList() + " FROM " + QuoteName(m_table->name);

  // Each tier is one index range: equal on the leading j columns, then a
  // range on column j, ordered by the rest.  NULL sorts first, and SQL
  // comparisons skip NULLs, so NULL bounds and the NULL block below a value
  // get tiers of their own.
  struct Tier {
    std::string where;
    std::vector<int> binds;
    size_t orderFrom;
  };
  std::vector<Tier> tiers;
  // A NULL key value is matched by IS NULL, any other by "=" (the tiers are
  // cached per pattern of NULLs): both are index look-ups on either
  // backend, where "IS ?" (IS NOT DISTINCT FROM on the server) is not.
  auto equalities = [&](size_t count, Tier& tier) {
    for (size_t i = 0; i < count; ++i) {
      tier.where += (tier.where.empty() ? "" : " AND ") + cols[i];
      if (bound[i].IsNull()) {
        tier.where += " IS NULL";
      } else {
        tier.where += " = ?";
        tier.binds.push_back(static_cast<int>(i));
      }
    }
  };
  auto add = [](Tier& tier, const std::string& condition) {
    tier.where += (tier.where.empty() ? "" : " AND ") + condition;
  };
  if (m == 0) {
    tiers.push_back(Tier{"", {}, 0});
  } else {
    if (inclusive || equalOnly) {
      Tier t;
      equalities(m, t);
      t.orderFrom = m;
      tiers.push_back(t);
    }
    if (!equalOnly) {
      for (size_t j = m; j-- > 0;) {
        const bool isNull = bound[j].IsNull();
        if (forward) {
          Tier t;
          equalities(j, t);
          if (isNull) {
            add(t, cols[j] + " IS NOT NULL");
          } else {
            add(t, cols[j] + " > ?");
            t.binds.push_back(static_cast<int>(j));
          }
          t.orderFrom = j;
          tiers.push_back(t);
        } else if (!isNull) {
          Tier below;
          equalities(j, below);
          add(below, cols[j] + " < ?");
          below.binds.push_back(static_cast<int>(j));
          below.orderFrom = j;
          tiers.push_back(below);
          if (cols[j] != "rowid") {
            Tier nulls;
            equalities(j, nulls);
            add(nulls, cols[j] + " IS NULL");
            nulls.orderFrom = j + 1;
            tiers.push_back(nulls);
          }
        }
      }
    }
  }
  std::vector<CTierSql> result;
  for (const Tier& tier : tiers) {
    std::string sql = head;
    if (!tier.where.empty()) sql += " WHERE " + tier.where;
    std::string order;
    for (size_t i = tier.orderFrom; i < n; ++i)
      order += (order.empty() ? "" : ", ") + cols[i] + dir;
    if (order.empty()) order = "rowid" + dir;
    sql += " ORDER BY " + order + " LIMIT ?";
    result.push_back(CTierSql{sql, tier.binds});
  }
  return m_tierCache.emplace(key, std::move(result)).first->second;
}

void CCursor::Fetch(const std::vector<CSqlValue>& bound, bool forward, bool inclusive,
                    bool equalOnly, size_t limit, std::vector<CRow>& out) {
  for (const CTierSql& tier : Tiers(bound, forward, inclusive, equalOnly)) {
    if (out.size() >= limit) break;
    CSqlQuery q(m_file.Conn(), tier.sql);
    int p = 1;
    for (int b : tier.binds) q.Bind(p++, bound[b]);
    q.BindInt(p, static_cast<int64_t>(limit - out.size()));
    while (q.Step()) out.push_back(ReadRow(q));
  }
}

bool CCursor::LoadRow(int64_t rowid, CRow& row) {
  if (m_loadRowSql.empty()) {
    m_loadRowSql =
        "SELECT " + SelectList() + " FROM " + QuoteName(m_table->name) + " WHERE rowid = ?";
  }
  CSqlQuery q(m_file.Conn(), m_loadRowSql);
  q.BindInt(1, rowid);
  if (!q.Step()) return false;
  row = ReadRow(q);
  return true;
}

void CCursor::SetCurrent(CRow row) {
  m_key = KeyOf(row);
  m_rowid = row.rowid;
  m_row = std::move(row);
  m_rowValid = true;
  m_rowGeneration = m_file.TableGeneration(m_tableId);
  m_rowExternal = m_file.ExternalGeneration();
  m_state = State::kRow;
}

void CCursor::ClearAhead() {
  m_ahead.clear();
  m_batch = 4;
}

bool CCursor::CacheValid() const {
  return m_rowGeneration == m_file.TableGeneration(m_tableId) &&
         m_rowExternal == m_file.ExternalGeneration();
}

void CCursor::EnsureRow() {
  RefreshLayout();
  if (m_state != State::kRow) ThrowDaoError(kDaoNoCurrentRecord);
  if (m_rowValid && CacheValid()) return;
  CRow row;
  if (!LoadRow(m_rowid, row)) {
    // The row went away (another writer, or a rollback): no current row,
    // but moves still continue from where it stood.
    m_state = State::kDeleted;
    m_rowValid = false;
    ThrowDaoError(kDaoNoCurrentRecord);
  }
  SetCurrent(std::move(row));
}

void CCursor::DiscardEdit() {
  m_editMode = dbEditNone;
  m_changes.clear();
  m_borrowed.clear();
}

void CCursor::PositionFirst(bool throwWhenEmpty) {
  std::vector<CRow> rows;
  Fetch({}, true, false, false, m_batch, rows);
  ClearAhead();
  if (rows.empty()) {
    m_state = State::kEmpty;
    m_rowValid = false;
    if (throwWhenEmpty) ThrowDaoError(kDaoNoCurrentRecord);
    return;
  }
  SetCurrent(std::move(rows[0]));
  m_aheadGeneration = m_rowGeneration;
  m_aheadExternal = m_rowExternal;
  for (size_t i = 1; i < rows.size(); ++i) m_ahead.push_back(std::move(rows[i]));
}

// ---- positioning ----

void CCursor::SetCurrentIndex(const std::string& name) {
  RefreshLayout();
  int index = -1;
  if (!name.empty()) {
    index = m_table->FindIndex(name);
    if (index < 0) ThrowDaoError(kDaoNotAnIndex, name.c_str());
  }
  DiscardEdit();
  // A switch that cannot position (its statement cannot be prepared) leaves
  // the index it had: callers that switch and switch back rely on that.
  std::string previous = m_indexName;
  m_indexName = index >= 0 ? m_table->indexes[index].name : std::string();
  ResolveIndex();
  try {
    PositionFirst(false);
  } catch (...) {
    m_indexName.swap(previous);
    ResolveIndex();
    throw;
  }
}

bool CCursor::Seek(const std::string& comparison, const COleVariant* keys, int count) {
  RefreshLayout();
  if (m_index < 0) ThrowDaoError(kDaoNoCurrentIndex);
  const CIndexDef& index = m_table->indexes[m_index];
  if (keys == nullptr || count < 1 || count > static_cast<int>(index.fields.size())) {
    ThrowDaoError(kDaoInvalidArgument);
  }
  bool forward = true;
  bool inclusive = true;
  bool equalOnly = false;
  if (comparison == "=") {
    equalOnly = true;
  } else if (comparison == ">=") {
  } else if (comparison == ">") {
    inclusive = false;
  } else if (comparison == "<=") {
    forward = false;
  } else if (comparison == "<") {
    forward = false;
    inclusive = false;
  } else {
    ThrowDaoError(kDaoInvalidArgument);
  }
  std::vector<CSqlValue> bound;
  for (int i = 0; i < count; ++i) {
    bound.push_back(ToStored(keys[i], m_table->fields[index.fields[i]], kDaoCriteriaMismatch));
  }
  DiscardEdit();
  std::vector<CRow> rows;
  Fetch(bound, forward, inclusive, equalOnly, 1, rows);
  ClearAhead();
  if (rows.empty()) {
    m_state = State::kNone;
    m_rowValid = false;
    return false;
  }
  SetCurrent(std::move(rows[0]));
  return true;
}

void CCursor::MoveFirst() {
  RefreshLayout();
  DiscardEdit();
  PositionFirst(true);
}

void CCursor::MoveLast() {
  RefreshLayout();
  DiscardEdit();
  std::vector<CRow> rows;
  Fetch({}, false, false, false, 1, rows);
  ClearAhead();
  if (rows.empty()) {
    m_state = State::kEmpty;
    m_rowValid = false;
    ThrowDaoError(kDaoNoCurrentRecord);
  }
  SetCurrent(std::move(rows[0]));
}

void CCursor::MoveNext() {
  RefreshLayout();
  RecheckEmpty();
  switch (m_state) {
    case State::kEmpty:
    case State::kEOF:
    case State::kNone:
      ThrowDaoError(kDaoNoCurrentRecord);
    case State::kBOF:
      DiscardEdit();
      PositionFirst(false);
      if (m_state == State::kEmpty) m_state = State::kEOF;
      return;
    default:
      break;
  }
  DiscardEdit();
  if (!m_ahead.empty() && m_aheadGeneration == m_file.TableGeneration(m_tableId) &&
      m_aheadExternal == m_file.ExternalGeneration()) {
    CRow next = std::move(m_ahead.front());
    m_ahead.pop_front();
    SetCurrent(std::move(next));
    return;
  }
  std::vector<CRow> rows;
  size_t batch = m_batch;
  Fetch(PositionBound(), true, false, false, batch, rows);
  m_ahead.clear();
  m_batch = batch * 4 < kMaxBatch ? batch * 4 : kMaxBatch;
  if (rows.empty()) {
    m_state = State::kEOF;
    m_rowValid = false;
    return;
  }
  SetCurrent(std::move(rows[0]));
  m_aheadGeneration = m_rowGeneration;
  m_aheadExternal = m_rowExternal;
  for (size_t i = 1; i < rows.size(); ++i) m_ahead.push_back(std::move(rows[i]));
}

void CCursor::MovePrev() {
  RefreshLayout();
  RecheckEmpty();
  switch (m_state) {
    case State::kEmpty:
    case State::kBOF:
    case State::kNone:
      ThrowDaoError(kDaoNoCurrentRecord);
    case State::kEOF: {
      DiscardEdit();
      std::vector<CRow> rows;
      Fetch({}, false, false, false, 1, rows);
      ClearAhead();
      if (rows.empty()) {
        m_state = State::kEmpty;
        return;
      }
      SetCurrent(std::move(rows[0]));
      return;
    }
    default:
      break;
  }
  DiscardEdit();
  std::vector<CRow> rows;
  Fetch(PositionBound(), false, false, false, 1, rows);
  ClearAhead();
  if (rows.empty()) {
    m_state = State::kBOF;
    m_rowValid = false;
    return;
  }
  SetCurrent(std::move(rows[0]));
}

void CCursor::RecheckEmpty() const {
  if (m_state != State::kEmpty || m_table == nullptr) return;
  // "Both ends at once" must mean the table is empty now: rows added
  // since, through any recordset or process, put the cursor before the
  // first of them.
  CSqlQuery q(m_file.Conn(), "SELECT 1 FROM " + QuoteName(m_table->name) + " LIMIT 1");
  if (q.Step()) m_state = State::kBOF;
}

bool CCursor::IsBOF() const {
  RecheckEmpty();
  return m_state == State::kBOF || m_state == State::kEmpty;
}

bool CCursor::IsEOF() const {
  RecheckEmpty();
  return m_state == State::kEOF || m_state == State::kEmpty;
}

// ---- bookmarks ----

COleVariant CCursor::MakeBookmark(int64_t rowid) const {
  CFaultInjector::OnAllocation();
  unsigned char bytes[kBookmarkSize];
  std::memcpy(bytes, kBookmarkMagic, 4);
  bytes[4] = 1;
  PutU64(bytes + 5, m_session.InstanceId());
  PutU64(bytes + 13, static_cast<uint64_t>(m_tableId));
  PutU64(bytes + 21, static_cast<uint64_t>(rowid));
  COleVariant v;
  v.SetByteArray(bytes, sizeof bytes);
  return v;
}

COleVariant CCursor::GetBookmark() {
  if (m_state != State::kRow) ThrowDaoError(kDaoNoCurrentRecord);
  return MakeBookmark(m_rowid);
}

COleVariant CCursor::GetLastModifiedBookmark() {
  if (!m_hasLastModified) ThrowDaoError(kDaoNoCurrentRecord);
  return MakeBookmark(m_lastModified);
}

void CCursor::SetBookmark(const COleVariant& bookmark) {
  RefreshLayout();
  const BYTE* p = bookmark.GetByteArrayData();
  if (!bookmark.IsByteArray() || p == nullptr || bookmark.GetByteArraySize() != kBookmarkSize ||
      std::memcmp(p, kBookmarkMagic, 4) != 0 || p[4] != 1 ||
      GetU64(p + 5) != m_session.InstanceId() ||
      GetU64(p + 13) != static_cast<uint64_t>(m_tableId)) {
    ThrowDaoError(kDaoBadBookmark);
  }
  int64_t rowid = static_cast<int64_t>(GetU64(p + 21));
  CRow row;
  if (!LoadRow(rowid, row)) ThrowDaoError(kDaoRecordDeleted);
  DiscardEdit();
  ClearAhead();
  SetCurrent(std::move(row));
}

// ---- writes ----

bool CCursor::CanUpdate() const { return !m_readOnly && !m_session.IsReadOnly(); }

void CCursor::RequireWritable() const {
  m_session.RequireWritable();
  if (m_readOnly) ThrowDaoError(kDaoReadOnly);
}

void CCursor::AddNew() {
  RefreshLayout();
  RequireWritable();
  DiscardEdit();
  m_editMode = dbEditAdd;
}

void CCursor::Edit() {
  RefreshLayout();
  RequireWritable();
  EnsureRow();
  DiscardEdit();
  m_editMode = dbEditInProgress;
  m_editRowid = m_rowid;
}

void CCursor::CancelUpdate() {
  if (m_editMode == dbEditNone) ThrowDaoError(kDaoUpdateWithoutEdit);
  DiscardEdit();
}

void CCursor::Update() {
  if (m_editMode == dbEditNone) ThrowDaoError(kDaoUpdateWithoutEdit);
  RefreshLayout();
  RequireWritable();
  const CTableSchema& table = *m_table;
  // Every rule is checked before anything is written.
  // The fields written, in field order (the key of the cached statements).
  std::vector<int> written;
  for (const auto& change : m_changes) written.push_back(change.first);
  for (const auto& bytes : m_borrowed) written.push_back(bytes.first);
  std::sort(written.begin(), written.end());
  for (int f : written) {
    if (f >= static_cast<int>(table.fields.size())) ThrowDaoError(kDaoItemNotFound);
  }
  // Borrowed bytes are a blob, never NULL: no rule of a long-binary field
  // can refuse them.
  if (m_editMode == dbEditAdd) {
    for (size_t i = 0; i < table.fields.size(); ++i) {
      if (static_cast<int>(i) == table.counter || m_borrowed.count(static_cast<int>(i)) != 0) {
        continue;
      }
      auto it = m_changes.find(static_cast<int>(i));
      CheckRules(it != m_changes.end() ? it->second : CSqlValue::Null(), table.fields[i]);
    }
  } else {
    for (const auto& change : m_changes) CheckRules(change.second, table.fields[change.first]);
  }
  for (const CIndexDef& index : table.indexes) {
    if (!index.required) continue;
    for (int f : index.fields) {
      if (f == table.counter || m_borrowed.count(f) != 0) continue;
      auto it = m_changes.find(f);
      bool isNull = it != m_changes.end() ? it->second.IsNull() : m_editMode == dbEditAdd;
      if (isNull) ThrowDaoError(kDaoFieldRequiredInIndex);
    }
  }

  // The values stay in m_changes and with the caller until the statement
  // has run: SQLite need not copy them (a long value would be held twice
  // more otherwise).
  auto bindWritten = [&](CSqlQuery& q, int p) {
    for (int f : written) {
      auto borrowed = m_borrowed.find(f);
      if (borrowed != m_borrowed.end()) {
        q.BindBlobKept(p++, borrowed->second);
      } else {
        q.BindKept(p++, m_changes.at(f));
      }
    }
    return p;
  };
  const bool rowFresh = m_rowValid && CacheValid();
  const std::string t = QuoteName(table.name);
  int64_t rowid = m_editRowid;
  if (m_editMode == dbEditAdd) {
    std::string& sql = m_insertSql[written];
    const bool separateCounter = table.counter >= 0 && table.counter != table.rowidAlias;
    if (sql.empty()) {
      // The row number goes into the field that is the row number, if any.
      std::string cols =
          table.rowidAlias >= 0 ? QuoteName(table.fields[table.rowidAlias].name) : "rowid";
      std::string params = "?";
      if (separateCounter) {
        cols += ", " + QuoteName(table.fields[table.counter].name);
        params += ", ?";
      }
      for (int f : written) {
        cols += ", " + QuoteName(table.fields[f].name);
        params += ", ?";
      }
      sql = "INSERT INTO " + t + " (" + cols + ") VALUES (" + params + ")";
    }
    CWriteScope scope(m_file, false);
    rowid = m_file.TakeRowId(m_tableId, table.name);
    CSqlQuery q(m_file.Conn(), sql);
    int p = 1;
    q.BindInt(p++, rowid);
    if (separateCounter) q.BindInt(p++, m_file.TakeCounter(m_tableId, table.name));
    bindWritten(q, p);
    q.Run();
    m_file.MarkWritten(m_tableId, true);
    scope.Commit();
  } else if (!written.empty()) {
    std::string& sql = m_updateSql[written];
    if (sql.empty()) {
      std::string sets;
      for (int f : written)
        sets += (sets.empty() ? "" : ", ") + QuoteName(table.fields[f].name) + " = ?";
      sql = "UPDATE " + t + " SET " + sets + " WHERE rowid = ?";
    }
    CWriteScope scope(m_file, false);
    CSqlQuery q(m_file.Conn(), sql);
    q.BindInt(bindWritten(q, 1), rowid);
    q.Run();
    if (m_file.Conn().Changes() == 0) ThrowDaoError(kDaoRecordDeleted);
    // Setting the row number's field or the counter may put it past the
    // table's sequence.
    const auto sets = [&](int field) {
      return std::find(written.begin(), written.end(), field) != written.end();
    };
    m_file.MarkWritten(m_tableId, !sets(table.rowidAlias) && !sets(table.counter));
    scope.Commit();
  }
  const bool edited = m_editMode == dbEditInProgress;
  m_hasLastModified = true;
  m_lastModified = rowid;
  if (edited && m_state == State::kRow && m_rowid == rowid && rowFresh) {
    // The edited row stays current, in its new place in the order: its
    // values are what was just written, so no read is needed.
    CRow row = std::move(m_row);
    // Long values are read again when asked for, as after a move, unless
    // the current index orders by them.
    auto fetched = [&](int f) {
      return std::find(m_fetch.begin(), m_fetch.end(), f) != m_fetch.end();
    };
    for (auto& change : m_changes) {
      const bool keep = !table.fields[change.first].IsLarge() || fetched(change.first);
      row.values[change.first] = keep ? std::move(change.second) : CSqlValue::Null();
      row.loaded[change.first] = keep;
    }
    for (const auto& bytes : m_borrowed) {
      const bool keep = fetched(bytes.first);
      row.values[bytes.first] =
          keep ? CSqlValue::Blob(std::string(bytes.second)) : CSqlValue::Null();
      row.loaded[bytes.first] = keep;
    }
    ClearAhead();
    SetCurrent(std::move(row));
  } else if (edited && m_state == State::kRow && m_rowid == rowid) {
    CRow row;
    if (LoadRow(rowid, row)) {
      ClearAhead();
      SetCurrent(std::move(row));
    }
  }
  DiscardEdit();
}

void CCursor::Delete() {
  RefreshLayout();
  RequireWritable();
  if (m_state != State::kRow) ThrowDaoError(kDaoNoCurrentRecord);
  DiscardEdit();
  {
    CWriteScope scope(m_file, false);
    CSqlQuery q(m_file.Conn(), "DELETE FROM " + QuoteName(m_table->name) + " WHERE rowid = ?");
    q.BindInt(1, m_rowid).Run();
    if (m_file.Conn().Changes() == 0) ThrowDaoError(kDaoRecordDeleted);
    m_file.MarkWritten(m_tableId, true);
    scope.Commit();
  }
  // The position (key and row number) stays, so that MoveNext and MovePrev
  // find the neighbours of the deleted row.
  m_state = State::kDeleted;
  m_rowValid = false;
  ClearAhead();
}

// ---- fields ----

int CCursor::FieldIndex(const std::string& name) {
  int field = Table().FindField(name);
  if (field < 0) ThrowDaoError(kDaoItemNotFound, name.c_str());
  return field;
}

COleVariant CCursor::GetFieldValue(int field) {
  RefreshLayout();
  if (field < 0 || field >= static_cast<int>(m_table->fields.size())) {
    ThrowDaoError(kDaoItemNotFound, std::to_string(field).c_str());
  }
  const CFieldDef& def = m_table->fields[field];
  if (m_editMode != dbEditNone) {
    auto it = m_changes.find(field);
    if (it != m_changes.end()) return ToVariant(it->second, def);
    auto borrowed = m_borrowed.find(field);
    if (borrowed != m_borrowed.end()) {
      COleVariant value;
      value.SetByteArray(borrowed->second.data(), borrowed->second.size());
      return value;
    }
    if (m_editMode == dbEditAdd) return ToVariant(CSqlValue::Null(), def);
  }
  EnsureRow();
  if (!m_row.loaded[field]) {
    if (static_cast<size_t>(field) < m_wanted.size() && !m_wanted[field] && !def.IsLarge()) {
      // From now on rows are read with this field.
      m_wanted[field] = true;
      ResolveFetch();
    }
    CSqlQuery q(m_file.Conn(), "SELECT " + QuoteName(def.name) + " FROM " +
                                   QuoteName(m_table->name) + " WHERE rowid = ?");
    q.BindInt(1, m_rowid);
    if (!q.Step()) ThrowDaoError(kDaoNoCurrentRecord);
    if (def.IsLarge()) {
      // A long value (a file, a macro block) is handed out, not kept with
      // the row, where it would stay until the recordset moves; a binary
      // one goes straight from SQLite's buffer into the variant.
      const std::string_view bytes = q.ColumnBytes(0);
      if (def.type == dbLongBinary && !bytes.empty()) {
        COleVariant value;
        value.SetByteArray(bytes.data(), bytes.size());
        return value;
      }
      return ToVariant(q.Column(0), def);
    }
    m_row.values[field] = q.Column(0);
    m_row.loaded[field] = true;
  }
  return ToVariant(m_row.values[field], def);
}

void CCursor::SetFieldValue(int field, const COleVariant& value) {
  RefreshLayout();
  if (m_editMode == dbEditNone) ThrowDaoError(kDaoUpdateWithoutEdit);
  if (field < 0 || field >= static_cast<int>(m_table->fields.size())) {
    ThrowDaoError(kDaoItemNotFound, std::to_string(field).c_str());
  }
  const CFieldDef& def = m_table->fields[field];
  if (def.IsCounter()) ThrowDaoError(kDaoCannotUpdateField, def.name.c_str());
  m_changes[field] = ToStored(value, def, kDaoConversionError);
  m_borrowed.erase(field);
}

void CCursor::SetFieldBytes(int field, const void* data, size_t size) {
  RefreshLayout();
  if (m_editMode == dbEditNone) ThrowDaoError(kDaoUpdateWithoutEdit);
  if (field < 0 || field >= static_cast<int>(m_table->fields.size())) {
    ThrowDaoError(kDaoItemNotFound, std::to_string(field).c_str());
  }
  if (m_table->fields[field].type != dbLongBinary) ThrowDaoError(kDaoConversionError);
  m_borrowed[field] = std::string_view(static_cast<const char*>(data), data != nullptr ? size : 0);
  m_changes.erase(field);
}

// ---- table facts ----

long CCursor::GetRecordCount() {
  RefreshLayout();
  CSqlQuery q(m_file.Conn(), "SELECT count(*) FROM " + QuoteName(m_table->name));
  return q.Step() ? static_cast<long>(q.ColumnInt(0)) : 0;
}

double CCursor::GetDateCreated() {
  double created = 0;
  double updated = 0;
  CBookkeeping::GetDates(m_file.Conn(), m_tableId, created, updated);
  return created;
}

double CCursor::GetDateLastUpdated() {
  const uint64_t external = m_file.ExternalGeneration();
  const uint64_t table = m_file.TableGeneration(m_tableId);
  if (m_dateExternalGeneration == external && m_dateTableGeneration == table) {
    return m_dateLastUpdated;
  }
  double created = 0;
  CBookkeeping::GetDates(m_file.Conn(), m_tableId, created, m_dateLastUpdated);
  m_dateExternalGeneration = external;
  m_dateTableGeneration = table;
  return m_dateLastUpdated;
}

}  // namespace zl::engine
