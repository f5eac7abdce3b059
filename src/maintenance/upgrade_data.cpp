// The data migrations of the upgrade chain.  Each runs inside its step's
// transaction on the handle's tables, reopened on the step's new layout.
#include <algorithm>
#include <ctime>
#include <memory>

#include "content/row_patterns.h"
#include "engine/dao_database.h"
#include "engine/dao_errors.h"
#include "engine/table_scan.h"
#include "frame/dbinfo.h"
#include "frame/language_maps.h"
#include "frame/stored_text.h"
#include "macros/macro_rows.h"
#include "maintenance/upgrade_chain.h"
#include "packages/package_rows.h"
#include "resources/resource_tables.h"
#include "schema/zl_recordset.h"
#include "schema/zl_tabledef.h"
#include "simlang/simtable_registry.h"
#include "tolerances/limit_rows.h"

namespace zl {
namespace {

constexpr long kFolderType = 1;
constexpr long kModelType = 3;
constexpr DWORD kToleranceNodeBits = 0x4 | 0x10;
constexpr char kOldPackageTable[] = "VHDL_PACKAGES";
constexpr char kPackageLanguage[] = "VHDLA";

// Calls visit(rs) for the open macro table of every simulator language.
template <class Visit>
void ForEachMacroTable(ZLHandleRecord& record, Visit&& visit) {
  auto& tables = record.languages->simulator[ZLS_MACRO].recordsets;
  POSITION pos = tables.GetStartPosition();
  while (pos != nullptr) {
    CString language;
    CZLRecordset* rs = nullptr;
    tables.GetNextAssoc(pos, language, rs);
    visit(*rs);
  }
}

bool IsTrue(const COleVariant& value) { return value.vt == VT_BOOL && value.boolVal != 0; }

template <class Array>
void DeleteObjects(Array& objects) {
  for (int i = 0; i < objects.GetSize(); ++i) delete objects[i];
  objects.RemoveAll();
}

void ThrowOnCode(int code) {
  if (code == ZLE_OUT_OF_MEMORY) throw CMemoryException();
  if (code != ZLE_OK) engine::ThrowDaoError(kDaoReservedError, "upgrade");
}

}  // namespace

std::vector<CRecordRow> AllRecords(ZLHandleRecord& record) {
  std::vector<CRecordRow> rows;
  engine::CTableScan scan;
  scan.table = FixedTableLayout(ZLT_MAIN).name;
  scan.columns = {"MODEL_ID", "TYPE"};
  engine::ScanTable(*record.database, scan, [&](const engine::CScanRow& row) {
    rows.push_back({static_cast<long>(row.Integer(0)), static_cast<long>(row.Integer(1))});
  });
  std::sort(rows.begin(), rows.end(),
            [](const CRecordRow& a, const CRecordRow& b) { return a.id < b.id; });
  return rows;
}

void RewriteMacros(const CUpgradeContext& context) {
  ZLHandleRecord& record = context.record;
  const std::vector<CRecordRow> records = AllRecords(record);
  for (auto it = records.rbegin(); it != records.rend(); ++it) {
    ForEachMacroTable(record, [&](CZLRecordset& rs) {
      CZLMacroArray macros;
      try {
        if (ReadMacroSet(record, rs, it->id, macros) == ZLE_OK && macros.GetSize() > 0) {
          // Packed, so that the option field is filled and the stored form
          // reads back like any macro written since.  A set the writer
          // refuses stays as it was (its own savepoint is rolled back).
          for (int i = 0; i < macros.GetSize(); ++i) macros[i]->m_lState |= kMacroCompressed;
          WriteMacroSet(record, rs, it->id, macros);
        }
      } catch (...) {
        DeleteObjects(macros);
        throw;
      }
      DeleteObjects(macros);
    });
  }
}

void FillFolderNames(const CUpgradeContext& context) {
  ZLHandleRecord& record = context.record;
  const std::vector<CRecordRow> records = AllRecords(record);
  const long now = static_cast<long>(std::time(nullptr));
  long counter = 0;
  CZLRecordset& main = *record.recordsets[ZLT_MAIN];
  // From the last record down to the second; the first (the root) keeps
  // what it has.
  for (size_t i = records.size(); i-- > 1;) {
    if (records[i].type != kFolderType || !SeekID(main, records[i].id)) continue;
    const COleVariant name = main.GetFieldValue("DEFNAME");
    if (name.vt == VT_BSTR && V_BSTRT(&name)[0] != '\0') continue;
    CString folder;
    folder.Format("Folder_%ld_%ld", now, ++counter);
    CRowWrite row(main, CRowWrite::kEdit);
    row.Set("DEFNAME", COleVariant(folder));
    row.Update();
  }
}

void CompleteResourceLanguages(const CUpgradeContext& context) {
  ZLHandleRecord& record = context.record;
  CArray<WORD, WORD> languages;
  ThrowOnCode(AvailableResourceLanguages(record, languages));
  for (int i = 0; i < languages.GetSize(); ++i) {
    const int code = AddResourceLanguage(record, languages[i]);
    if (code != ZLE_LANGUAGE_EXISTS) ThrowOnCode(code);
  }
}

void MarkDefaultMacros(const CUpgradeContext& context) {
  ZLHandleRecord& record = context.record;
  for (const CRecordRow& row : AllRecords(record)) {
    if (row.type != kModelType) continue;
    ForEachMacroTable(record, [&](CZLRecordset& rs) {
      bool hasDefault = false;
      ForEachOwnedRow(rs, "MODEL_ID", row.id, [&](CZLRecordset& macro) {
        hasDefault = IsTrue(macro.GetFieldValue("DEFAULT"));
        return !hasDefault;
      });
      if (hasDefault) return;
      // Positions rs on the record's first macro, when it has one.
      if (ForEachOwnedRow(rs, "MODEL_ID", row.id, [](CZLRecordset&) { return false; })) {
        CRowWrite write(rs, CRowWrite::kEdit);
        write.Set("DEFAULT", COleVariant(static_cast<int32_t>(1), VT_BOOL));
        write.Update();
      }
    });
  }
}

void SeedTolerances(const CUpgradeContext& context) {
  ZLHandleRecord& record = context.record;
  CZLRecordset& nodes = *record.recordsets[ZLT_NODE_NC];
  for (const CRecordRow& row : AllRecords(record)) {
    CZLToleranceArray tolerances;
    try {
      ForEachOwnedRow(nodes, "MODEL_ID", row.id, [&](CZLRecordset& node) {
        const COleVariant type = node.GetFieldValue("TYPE");
        if (type.vt == VT_I4 && (static_cast<DWORD>(type.lVal) & kToleranceNodeBits) != 0) {
          auto tolerance = std::make_unique<CZLToleranceObject>();
          tolerance->m_lNodeID = node.GetFieldValue("NODE_ID").lVal;
          tolerance->m_lIndex = tolerances.GetSize();
          tolerances.Add(tolerance.release());
        }
        return true;
      });
      if (tolerances.GetSize() > 0) {
        ThrowOnCode(WriteLimits<CZLToleranceObject>(record, row.id, 0, tolerances));
      }
    } catch (...) {
      DeleteObjects(tolerances);
      throw;
    }
    DeleteObjects(tolerances);
  }
}

void MovePackageRows(const CUpgradeContext& context) {
  ZLHandleRecord& record = context.record;
  CDaoDatabase& database = *record.database;
  {
    CZLTableDef oldDef(&database);
    oldDef.Open(kOldPackageTable);
    CZLRecordset old(&database);
    old.Open(&oldDef, dbOpenTable, 0);
    if (old.GetRecordCount() > 0) {
      CZLRecordset* objects = FindSimulatorTable(record, ZLS_PACKAGE, kPackageLanguage);
      if (objects == nullptr) {
        ThrowOnCode(AddSimulatorTable(record, ZLS_PACKAGE, kPackageLanguage, 0).code);
        objects = FindSimulatorTable(record, ZLS_PACKAGE, kPackageLanguage);
      }
      CZLRecordset& packages = *PackageRecords(record);
      long previous = 0;
      for (old.MoveFirst(); !old.IsEOF(); old.MoveNext()) {
        {
          CRowWrite row(packages, CRowWrite::kAddNew);
          row.Set("PACKAGE_NAME", old.GetFieldValue("VHDL_PACKAGE_NAME"));
          row.Set("AUTHOR", old.GetFieldValue("AUTHOR"));
          row.Set("DATE", old.GetFieldValue("DATE"));
          row.Set("STATE", old.GetFieldValue("STATE"));
          if (previous != 0) row.Set("PREV", IDKey(previous));
          row.Update();
        }
        packages.SetBookmark(packages.GetLastModifiedBookmark());
        const long id = packages.GetFieldValue("PACKAGE_ID").lVal;
        if (previous != 0 && SeekID(packages, previous)) {
          CRowWrite row(packages, CRowWrite::kEdit);
          row.Set("NEXT", IDKey(id));
          row.Update();
        }
        CZLBinaryPackageObject object;
        CopyBinary(old.GetFieldValue("PACKAGE_TEXT"), object.m_lbPackageText);
        CopyBinary(old.GetFieldValue("PACKAGE_BODY_TEXT"), object.m_lbPackageBodyText);
        // The package writer keeps a body only when the object says it is
        // used; an old package's body is its body.
        object.m_bUseBody = object.m_lbPackageBodyText.m_hData != nullptr ? TRUE : FALSE;
        ThrowOnCode(WritePackageObject(*objects, id, object));
        previous = id;
      }
      StampPackageChange(record);
    }
  }
  database.DeleteTableDef(kOldPackageTable);
}

}  // namespace zl
