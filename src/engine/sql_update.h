// The UPDATE statements that CDaoDatabase::Execute runs: parsed, checked
// against the table's layout, translated to SQLite's dialect (every name
// quoted, "&" as concatenation, TRUE as -1) and run as one unit.
#ifndef ZLDBCTRL70_ENGINE_SQL_UPDATE_H_
#define ZLDBCTRL70_ENGINE_SQL_UPDATE_H_

#include <string>

namespace zl::engine {

class CEngineFile;

// The SQLite text for an UPDATE statement on the table layouts of file;
// throws 3129/3144/3078/3061 as CDaoDatabase::Execute documents.
std::string TranslateUpdate(CEngineFile& file, const std::string& sql, int64_t* tableId);

// Runs the statement and returns the number of rows changed.  When any
// changed value breaks its field's rules nothing is changed.
long ExecuteUpdate(CEngineFile& file, const std::string& sql);

}  // namespace zl::engine

#endif  // ZLDBCTRL70_ENGINE_SQL_UPDATE_H_
