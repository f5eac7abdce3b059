// Shared set-up for the engine tests: a fresh folder per test, a database
// created in it, helpers to define tables and add rows, and the engine
// error number of a failing call.
#ifndef ZLDBCTRL70_TESTS_ENGINE_ENGINE_FIXTURE_H_
#define ZLDBCTRL70_TESTS_ENGINE_ENGINE_FIXTURE_H_

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/dao_database.h"
#include "engine/dao_errors.h"
#include "engine/dao_recordset.h"
#include "engine/dao_tabledef.h"
#include "engine/dao_types.h"
#include "engine/dao_workspace.h"
#include "engine/faults.h"
#include "engine/sqlite_seam.h"
#include "platform/scratch_dir.h"
#include "support/test_backend.h"

namespace enginetest {

// The engine error number f raised, 0 when it returned, -1 for an
// exception that is not a CDaoException with a number (frame failures
// give -m_nAfxDaoError, out of memory -6).
inline long ErrorOf(const std::function<void()>& f) {
  try {
    f();
    return 0;
  } catch (const CDaoException& e) {
    return e.GetErrorNumber() != 0 ? e.GetErrorNumber() : -static_cast<long>(e.m_nAfxDaoError);
  } catch (const CMemoryException&) {
    return -6;
  } catch (...) {
    return -1;
  }
}

// A field of a table to create: name, type, size, attributes and whether
// zero-length text is allowed.
struct FieldSpec {
  const char* name;
  short type;
  long size;
  long attributes;
  bool allowZeroLength;
  bool required = false;
};

struct IndexSpec {
  const char* name;
  std::vector<const char*> fields;
  bool unique;
};

inline void CreateTable(CDaoDatabase& db, const char* name, const std::vector<FieldSpec>& fields,
                        const std::vector<IndexSpec>& indexes) {
  CDaoTableDef td(&db);
  td.Create(name);
  for (const FieldSpec& f : fields) {
    CDaoFieldInfo info;
    info.m_strName = f.name;
    info.m_nType = f.type;
    info.m_lSize = f.size;
    info.m_lAttributes = f.attributes;
    info.m_bAllowZeroLength = f.allowZeroLength ? TRUE : FALSE;
    info.m_bRequired = f.required ? TRUE : FALSE;
    td.CreateField(info);
  }
  for (const IndexSpec& ix : indexes) {
    std::vector<CDaoIndexFieldInfo> infos(ix.fields.size());
    for (size_t i = 0; i < ix.fields.size(); ++i) infos[i].m_strName = ix.fields[i];
    CDaoIndexInfo info;
    info.m_strName = ix.name;
    info.m_pFieldInfos = infos.data();
    info.m_nFields = static_cast<short>(infos.size());
    info.m_bUnique = ix.unique ? TRUE : FALSE;
    td.CreateIndex(info);
  }
  td.Append();
}

// Adds a one-field index to td; tweak may change the description first.
// The engine error number of the attempt.
inline long AddIndex(CDaoTableDef& td, const char* name, const char* field, bool unique = false,
                     const std::function<void(CDaoIndexInfo&, CDaoIndexFieldInfo&)>& tweak = {}) {
  CDaoIndexFieldInfo f;
  f.m_strName = field;
  CDaoIndexInfo ix;
  ix.m_strName = name;
  ix.m_pFieldInfos = &f;
  ix.m_nFields = 1;
  ix.m_bUnique = unique ? TRUE : FALSE;
  if (tweak) tweak(ix, f);
  return ErrorOf([&] { td.CreateIndex(ix); });
}

// Runs one query on a closed database file with plain SQLite; the rows
// joined by ',', the columns of a row by '|'.
inline std::string RawQuery(const std::string& path, const std::string& sql) {
  sqlite3* raw = nullptr;
  std::string out;
  if (sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(raw, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK) {
      for (bool first = true; sqlite3_step(stmt) == SQLITE_ROW; first = false) {
        if (!first) out += ",";
        for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
          const unsigned char* text = sqlite3_column_text(stmt, i);
          out += (i == 0 ? "" : "|") +
                 std::string(text ? reinterpret_cast<const char*>(text) : "NULL");
        }
      }
    } else {
      out = std::string("error: ") + sqlite3_errmsg(raw);
    }
    sqlite3_finalize(stmt);
  }
  sqlite3_close(raw);
  return out;
}

using Strings = std::vector<std::string>;
using Values = std::vector<std::pair<const char*, COleVariant>>;

// Adds one row through rs and returns its bookmark.
inline COleVariant AddRow(CDaoRecordset& rs, const Values& values) {
  rs.AddNew();
  for (const auto& v : values) rs.SetFieldValue(v.first, v.second);
  rs.Update();
  return rs.GetLastModifiedBookmark();
}

inline COleVariant Null() {
  COleVariant v;
  v.SetNull();
  return v;
}

inline COleVariant Long(int32_t v) { return COleVariant(v); }

using testbackend::MainLibrary;
using testbackend::OnServer;

// A database created in a fresh folder for each test; rules are checked on
// the usual model-table shapes.
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    zl::engine::CFaultInjector::Reset();
    CDaoWorkspace::SetBusyTimeout(5000);
    ASSERT_FALSE(m_dir.Path().empty());
    m_path = FileOnly() ? m_dir.File("test.db") : MainLibrary(m_dir);
    m_db.Create(m_path.c_str());
  }
  void TearDown() override {
    // A failed test must not leave a transaction open for the next one.
    while (CDaoWorkspace::GetDefault()->GetTransactionDepth() > 0) {
      CDaoWorkspace::GetDefault()->Rollback();
    }
    m_db.Close();
    zl::engine::CFaultInjector::Reset();
  }

  // Fixtures of what only a file has (SQLite's own schema and tools,
  // compaction, repair) keep their database a file under either backend.
  virtual bool FileOnly() const { return false; }

  // The values of one field over the whole table in the recordset's order.
  static std::vector<std::string> Walk(CDaoRecordset& rs, const char* field) {
    std::vector<std::string> out;
    if (rs.IsBOF() && rs.IsEOF()) return out;
    for (rs.MoveFirst(); !rs.IsEOF(); rs.MoveNext()) out.push_back(Text(rs.GetFieldValue(field)));
    return out;
  }

  // A field value as text for comparisons: NULL, numbers and strings.
  static std::string Text(const COleVariant& v) {
    if (v.vt == VT_NULL) return "NULL";
    if (v.vt == VT_I4) return std::to_string(v.lVal);
    if (v.vt == VT_I2) return std::to_string(v.iVal);
    if (v.vt == VT_UI1) return std::to_string(v.bVal);
    if (v.vt == VT_BOOL) return v.boolVal != 0 ? "true" : "false";
    return v.vt == VT_BSTR ? std::string(v.GetStringValue()) : "?";
  }

  CScratchDir m_dir;
  std::string m_path;
  CDaoDatabase m_db;
};

}  // namespace enginetest

#endif  // ZLDBCTRL70_TESTS_ENGINE_ENGINE_FIXTURE_H_
