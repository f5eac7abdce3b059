// Building a model library from its JSON form (library_json.h) for zldb
// import, through the library's exported operations only: the header
// sections as they arrive, then one record at a time in caller
// transactions, and the tree links last, when every record exists.
#ifndef ZLDB_LIBRARY_IMPORT_H_
#define ZLDB_LIBRARY_IMPORT_H_

#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "database.h"
#include "library_json.h"

namespace zldb {

// Thrown after a failed library call has been reported.
struct CLibraryFailed {};

class CLibraryBuilder {
 public:
  explicit CLibraryBuilder(CDatabase& db) : m_db(db) {}

  // One member of the document's top level (path "/key").
  void Section(const std::string& key, const Json& value);
  // One element of "records".
  void Record(const Json& record, const std::string& path);
  // Checks that every section was there, writes the links and commits.
  void Finish();

  long Records() const { return static_cast<long>(m_links.size()); }
  long Packages() const { return m_packages; }

 private:
  // Runs a library call; a failure is reported and thrown.
  template <typename Fn>
  void Call(const std::string& what, Fn&& call) {
    if (!m_db.Run(what, call)) throw CLibraryFailed();
  }
  void Header(const std::string& key, const Json& value, const std::string& path);
  void SimulatorTables(const Json& value, const std::string& path);
  void Package(const Json& package, const std::string& path, long& id);
  void Stamps(long id, long set, const Json& in, const std::string& path);
  void Content(long id, const Json& in, const std::string& path);
  void Limits(long id, const Json& in, const std::string& path, CZLNodeArray& parameters,
              CZLToleranceArray& tolerances, CZLStressArray& stresses);
  void Sets(long id, const Json& in, const std::string& path, CZLNodeArray& parameters,
            CZLToleranceArray& tolerances, CZLStressArray& stresses);
  void AdditionalData(long id, const Json& in, const std::string& path);
  void Profile(long id, const Json& in, const std::string& path);
  // The nodes of member key with their wizard files; needs the record's
  // files written.
  void Nodes(long id, const Json& in, const char* key, const std::string& path,
             CZLNodeArray& nodes);
  // The IDs of the record's files in their order.
  const std::vector<long>& FileIDs(long id);

  // A record's tree links, as document numbers (0: none), written last.
  struct Links {
    long id;
    long parent, firstChild, prev, next;
  };

  CDatabase& m_db;
  LibraryLanguages m_known;
  std::map<std::string, bool> m_seen;  // header members read
  std::set<std::string> m_macroTables, m_callTables, m_packageTables;
  std::map<std::string, long> m_columns;       // additional data: name, type
  std::unordered_map<long, size_t> m_numbers;  // document number: index in m_links
  std::vector<Links> m_links;
  std::vector<long> m_fileIDs;  // of the record being written, once read
  size_t m_fileCount = 0;       // the record's files
  long m_packages = 0;
  bool m_inTransaction = false;
};

}  // namespace zldb

#endif  // ZLDB_LIBRARY_IMPORT_H_
