#include "engine/maintenance.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "engine/bookkeeping.h"
#include "engine/dao_errors.h"
#include "engine/engine_file.h"
#include "engine/file_lock.h"
#include "engine/session.h"
#include "engine/sqlite_seam.h"

namespace zl::engine {

namespace {

void RemoveDatabaseFiles(const std::string& path) {
  ::unlink(path.c_str());
  ::unlink((path + "-wal").c_str());
  ::unlink((path + "-shm").c_str());
  ::unlink((path + "-journal").c_str());
}

std::string UriOf(const std::string& path, const char* query) {
  std::string uri = "file:";
  static const char kHex[] = "0123456789ABCDEF";
  for (unsigned char c : path) {
    if (c == '?' || c == '#' || c == '%') {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 15];
    } else {
      uri += static_cast<char>(c);
    }
  }
  return uri + query;
}

std::string ColumnList(const CTableSchema& table) {
  std::string cols;
  for (const CFieldDef& f : table.fields) cols += ", " + QuoteName(f.name);
  return cols;
}

// Copies one bookkeeping table as it is, row numbers included, over the
// fresh one's rows.  One statement: when the source cannot be read, the
// fresh table stays as it was.
void CopyBookkeeping(CSqlConnection& target, const char* table) {
  target.Exec(std::string("INSERT OR REPLACE INTO main.") + table + " SELECT * FROM src." + table +
              " ORDER BY rowid");
}

// Removes rows that would break a unique index, keeping the first of each
// group; rows with a NULL in the key never collide.
void DropDuplicates(CSqlConnection& conn, const CTableSchema& table, const CIndexDef& index) {
  std::string keys;
  std::string notNull;
  for (size_t i = 0; i < index.fields.size(); ++i) {
    std::string c = QuoteName(table.fields[index.fields[i]].name);
    keys += (i > 0 ? ", " : "") + c;
    notNull += (i > 0 ? " AND " : "") + c + " IS NOT NULL";
  }
  std::string t = QuoteName(table.name);
  conn.Exec("DELETE FROM " + t + " WHERE " + notNull +
            " AND rowid NOT IN (SELECT min(rowid) FROM " + t + " WHERE " + notNull + " GROUP BY " +
            keys + ")");
}

void CreateIndexes(CSqlConnection& conn, CTableSchema& table) {
  for (CIndexDef& index : table.indexes) {
    index.sqlName = SqlIndexName(table.name, index.name);
    try {
      CreateSqlIndex(conn, "main", table, index);
    } catch (const CSqlFailure& failure) {
      if (failure.Status() != SqlStatus::kUnique) throw;
      DropDuplicates(conn, table, index);
      CreateSqlIndex(conn, "main", table, index);
    }
  }
}

// Copies the rows of a damaged table that can still be read, in row-number
// order.  A read that fails skips ahead, further each time it fails again.
void SalvageRows(CSqlConnection& source, CSqlConnection& target, const CTableSchema& table) {
  std::string cols = ColumnList(table);
  std::string select =
      "SELECT rowid" + cols + " FROM " + QuoteName(table.name) + " WHERE rowid > ? ORDER BY rowid";
  std::string params;
  for (size_t i = 0; i <= table.fields.size(); ++i) params += i > 0 ? ", ?" : "?";
  std::string insert = "INSERT OR IGNORE INTO main." + QuoteName(table.name) + "(rowid" + cols +
                       ") VALUES(" + params + ")";
  int64_t last = 0;
  int64_t skip = 1;
  for (int failures = 0; failures < 64;) {
    try {
      CSqlQuery q(source, select);
      q.BindInt(1, last);
      while (q.Step()) {
        CSqlQuery ins(target, insert);
        for (int i = 0; i <= static_cast<int>(table.fields.size()); ++i) {
          ins.Bind(i + 1, q.Column(i));
        }
        ins.Run();
        last = q.ColumnInt(0);
        skip = 1;
      }
      return;
    } catch (const CSqlFailure& failure) {
      if (failure.Status() != SqlStatus::kCorrupt && failure.Status() != SqlStatus::kIoError &&
          failure.Status() != SqlStatus::kNotADatabase) {
        throw;
      }
      ++failures;
      last += skip;
      skip *= 2;
    }
  }
}

struct TableRow {
  int64_t id;
  std::string name;
};

}  // namespace

void CompactFile(const std::string& source, const std::string& target, const std::string& locale,
                 const std::string& password) {
  struct stat st {};
  if (::lstat(target.c_str(), &st) == 0) ThrowDaoError(kDaoDatabaseExists, target.c_str());
  struct stat sst {};
  if (::stat(source.c_str(), &sst) == 0 &&
      CFileRegistry::Find(static_cast<uint64_t>(sst.st_dev), static_cast<uint64_t>(sst.st_ino))) {
    ThrowDaoError(kDaoFileInUse, source.c_str());
  }
  // Other processes may go on reading (and writing): the copy is made from
  // one consistent snapshot of the source.
  std::shared_ptr<CSession> session =
      CSession::Open(source, false, true, password.empty() ? locale : password);
  int fd = ::open(target.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0) {
    ThrowDaoError(errno == EEXIST ? kDaoDatabaseExists : kDaoInvalidPath, target.c_str());
  }
  ::close(fd);
  try {
    CEngineFile& file = session->File();
    // Tables another tool added are adopted first, so that their
    // bookkeeping (when the source is writable) is copied with the rest.
    std::vector<std::string> unrecorded;
    for (const std::string& name : CBookkeeping::ListUnrecorded(file.Conn())) {
      auto table = file.FindTable(name);
      if (table != nullptr && !table->recorded) unrecorded.push_back(name);
    }
    CSqlConnection out;
    out.Open(target, CSqlOpenOptions());
    out.Exec("PRAGMA journal_mode = DELETE");
    out.Exec("ATTACH DATABASE " + QuoteText(UriOf(source, "?mode=ro")) + " AS src");
    out.BeginImmediate();
    CBookkeeping::CreateFresh(out, "", CurrentDateValue());
    for (const char* t :
         {"zl_engine_meta", "zl_engine_tables", "zl_engine_fields", "zl_engine_indexes"}) {
      CopyBookkeeping(out, t);
    }
    // Table numbers are never handed out twice, not even those of tables
    // deleted before the compaction.
    out.Exec(
        "UPDATE main.sqlite_sequence SET seq = max(seq, ifnull((SELECT seq FROM "
        "src.sqlite_sequence WHERE name = 'zl_engine_tables'), 0)) WHERE name = "
        "'zl_engine_tables'");
    for (const auto& entry : CBookkeeping::ListTables(file.Conn())) {
      std::shared_ptr<const CTableSchema> schema = file.FindTableById(entry.first);
      if (schema == nullptr) continue;
      CTableSchema table = *schema;
      out.Exec(TableDdl("main", table));
      std::string cols = ColumnList(table);
      // Row numbers are copied so that insertion order and counters
      // survive; the bookkeeping's next numbers came along above.
      out.Exec("INSERT INTO main." + QuoteName(table.name) + "(rowid" + cols + ") SELECT rowid" +
               cols + " FROM src." + QuoteName(table.name) + " ORDER BY rowid");
      for (const CIndexDef& index : table.indexes) CreateSqlIndex(out, "main", table, index);
    }
    for (const std::string& name : unrecorded) {
      // Copied as they are; the copy adopts them again when opened.
      std::shared_ptr<const CTableSchema> schema = file.FindTable(name);
      if (schema == nullptr) continue;
      out.Exec(TableDdl("main", *schema));
      std::string cols = ColumnList(*schema);
      out.Exec("INSERT INTO main." + QuoteName(schema->name) + "(rowid" + cols + ") SELECT rowid" +
               cols + " FROM src." + QuoteName(schema->name) + " ORDER BY rowid");
      for (const CIndexDef& index : schema->indexes) CreateSqlIndex(out, "main", *schema, index);
    }
    std::string newPassword = PasswordOf(locale);
    if (!newPassword.empty()) CBookkeeping::SetPassword(out, newPassword);
    out.Commit();
    out.Exec("DETACH DATABASE src");
    out.Exec("PRAGMA journal_mode = WAL");
    out.Close();
  } catch (...) {
    RemoveDatabaseFiles(target);
    throw;
  }
}

void RepairFile(const std::string& path) {
  const char* name = path.c_str();
  struct stat st {};
  if (::stat(name, &st) != 0) ThrowDaoError(kDaoFileNotFound, name);
  if (CFileRegistry::Find(static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino))) {
    ThrowDaoError(kDaoFileInUse, name);
  }
  CFileLock lock;
  switch (lock.Acquire(path, true)) {
    case CFileLock::Result::kLocked:
      break;
    case CFileLock::Result::kMissing:
      ThrowDaoError(kDaoFileNotFound, name);
    case CFileLock::Result::kInUse:
    case CFileLock::Result::kHeldExclusively:
      ThrowDaoError(kDaoOpenedExclusively, name);
    case CFileLock::Result::kNoResources:
      ThrowDaoError(kDaoResourcesExceeded);
    case CFileLock::Result::kError:
      ThrowDaoError(kDaoCannotOpenFile, name);
  }
  char header[100] = {};
  if (lock.ReadHeader(header, sizeof header) < sizeof header || !HasBackendHeader(header)) {
    ThrowDaoError(kDaoUnrecognizedFormat, name);
  }
  CSqlConnection source;
  try {
    source.Open(path, CSqlOpenOptions());
    std::vector<std::string> problems = source.IntegrityCheck();
    if (problems.size() == 1 && problems[0] == "ok") {
      if (!CBookkeeping::IsEngineFile(source)) ThrowDaoError(kDaoUnrecognizedFormat, name);
      return;  // healthy: nothing to do
    }
  } catch (const CSqlFailure& failure) {
    if (failure.Status() != SqlStatus::kCorrupt)
      ThrowFromBackend(failure, FailureContext::kOpen, name);
  }

  // Salvage into a new file beside the damaged one, then put it in place.
  // mkstemp replaces the six trailing pattern letters with a unique name.
  std::string temp = path + ".repair-" + std::string(6, 'X');
  std::vector<char> buffer(temp.begin(), temp.end());
  buffer.push_back('\0');
  int fd = ::mkstemp(buffer.data());
  if (fd < 0) ThrowDaoError(kDaoInvalidPath, name);
  ::close(fd);
  temp = buffer.data();
  try {
    std::vector<TableRow> tables;
    {
      CSqlConnection out;
      out.Open(temp, CSqlOpenOptions());
      out.Exec("PRAGMA journal_mode = DELETE");
      CBookkeeping::CreateFresh(out, "", CurrentDateValue());
      out.Exec("ATTACH DATABASE " + QuoteText(UriOf(path, "?mode=ro")) + " AS src");
      for (const char* t :
           {"zl_engine_meta", "zl_engine_tables", "zl_engine_fields", "zl_engine_indexes"}) {
        try {
          CopyBookkeeping(out, t);
        } catch (const CSqlFailure&) {
          // Lost with the damage; tables it described are inferred below.
        }
      }
      for (const auto& entry : CBookkeeping::ListTables(out)) {
        tables.push_back({entry.first, entry.second});
      }
      out.Exec("DETACH DATABASE src");
      out.BeginImmediate();
      // Tables the damaged file still has but whose description was lost
      // are salvaged too, with the layout their columns declare.
      std::vector<std::string> orphans;
      try {
        for (const std::string& sqlName : CBookkeeping::ListSqlTables(source)) {
          bool listed = false;
          for (const TableRow& row : tables) listed = listed || NamesEqual(row.name, sqlName);
          if (!listed) orphans.push_back(sqlName);
        }
      } catch (const CSqlFailure&) {
        if (tables.empty()) ThrowDaoError(kDaoCorrupt, name);
      }
      for (const std::string& orphan : orphans) tables.push_back({0, orphan});
      // Descriptions whose table entry was lost describe nothing any more.
      out.Exec(
          "DELETE FROM zl_engine_fields WHERE table_id NOT IN (SELECT table_id FROM "
          "zl_engine_tables); DELETE FROM zl_engine_indexes WHERE table_id NOT IN (SELECT "
          "table_id FROM zl_engine_tables)");
      for (const TableRow& row : tables) {
        std::shared_ptr<CTableSchema> table;
        bool described = row.id != 0;
        try {
          if (described) table = CBookkeeping::LoadTableById(source, row.id, true);
        } catch (const CSqlFailure&) {
          table = nullptr;
        }
        if (table == nullptr) {
          described = false;
          try {
            table = CBookkeeping::InferTable(source, row.name);
          } catch (const CSqlFailure&) {
            table = nullptr;
          }
        }
        if (!described && row.id != 0) {
          // The description is lost (or the table is): drop what is left
          // of it; an inferred table gets a new one below.
          for (const char* sql : {"DELETE FROM zl_engine_fields WHERE table_id = ?",
                                  "DELETE FROM zl_engine_indexes WHERE table_id = ?",
                                  "DELETE FROM zl_engine_tables WHERE table_id = ?"}) {
            CSqlQuery q(out, sql);
            q.BindInt(1, row.id).Run();
          }
        }
        if (table == nullptr) continue;
        if (described) {
          out.Exec(TableDdl("main", *table));
        } else {
          table->counter = -1;
          table->rowidAlias = -1;
          CBookkeeping::CreateTable(out, *table, CurrentDateValue());
        }
        SalvageRows(source, out, *table);
        if (described) CreateIndexes(out, *table);
        CSqlQuery q(out,
                    "UPDATE zl_engine_tables SET next_rowid = max(next_rowid, (SELECT "
                    "ifnull(max(rowid), 0) + 1 FROM " +
                        QuoteName(table->name) + ")) WHERE table_id = ?");
        q.BindInt(1, table->id).Run();
        if (table->counter >= 0) {
          CSqlQuery c(out,
                      "UPDATE zl_engine_tables SET next_counter = max(next_counter, (SELECT "
                      "ifnull(max(" +
                          QuoteName(table->fields[table->counter].name) + "), 0) + 1 FROM " +
                          QuoteName(table->name) + ")) WHERE table_id = ?");
          c.BindInt(1, table->id).Run();
        }
      }
      out.Commit();
      out.Exec("PRAGMA journal_mode = WAL");
      out.Close();
    }
    source.Close();
    // The damaged file's WAL must not be applied to the new file.
    ::unlink((path + "-wal").c_str());
    ::unlink((path + "-shm").c_str());
    if (::rename(temp.c_str(), name) != 0) ThrowDaoError(kDaoDiskError, name);
  } catch (const CSqlFailure& failure) {
    RemoveDatabaseFiles(temp);
    ThrowFromBackend(failure, FailureContext::kWrite, name);
  } catch (...) {
    RemoveDatabaseFiles(temp);
    throw;
  }
}

}  // namespace zl::engine
