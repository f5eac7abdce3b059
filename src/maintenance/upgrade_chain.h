// The chain of upgrade steps that brings a database of an older layout to
// the current one (database version 22, structure version 5).
//
// Each step changes the layout and sometimes migrates data, then records
// the version it reached, all in one transaction: a failure or a crash
// inside a step leaves the database at the version before it, and running
// the chain again continues from there.  Each change does nothing when the
// database already has it, so a step can be repeated safely.
#ifndef ZLDBCTRL70_MAINTENANCE_UPGRADE_CHAIN_H_
#define ZLDBCTRL70_MAINTENANCE_UPGRADE_CHAIN_H_

#include <vector>

#include "frame/handle_record.h"

class CDaoDatabase;

namespace zl {

// What a step works on.  startVersion is the database version read before
// the first step; the guards compare against it.
struct CUpgradeContext {
  ZLHandleRecord& record;
  int startVersion;
};

struct ZLUpgradeStep {
  int below;      // runs when the database version is below this
  int version;    // version pair written at its end
  int structure;  //
  // Layout changes, made while the handle's tables are closed.
  void (*schema)(CDaoDatabase& database, const CUpgradeContext& context);
  // Data migrations, made with the handle's tables reopened on the new
  // layout; may be null.
  void (*data)(const CUpgradeContext& context);
};

// The steps in order, up to and including the one to version 18 (after
// which an old database is compacted), or from the one to 19 on.
const std::vector<ZLUpgradeStep>& UpgradeStepsBeforeCompaction();
const std::vector<ZLUpgradeStep>& UpgradeStepsAfterCompaction();

// Runs one step in its own transaction (see above).  Engine errors
// propagate after the step's writes were rolled back; the handle's tables
// are then closed (the caller releases the handle).
void RunUpgradeStep(const CUpgradeContext& context, const ZLUpgradeStep& step);

// Moves the rows of the old package table VHDL_PACKAGES (layouts before
// version 7) into the package tables and deletes it, in one transaction.
// Does nothing when the database has no such table.
void RunPackageMove(const CUpgradeContext& context);

// Names of the registered per-language tables of one kind (registry
// SIMTABINFO or RESINFO, TABTYPE kind), read from the file.
std::vector<CString> RegisteredTables(CDaoDatabase& database, ZLFixedTable registry, int kind);

// ---- data migrations (upgrade_data.cpp) ----
// Rewrites every record's macros in every macro language, so that each is
// stored in the packed form with its option field filled.
void RewriteMacros(const CUpgradeContext& context);
// Gives folders without a definition name the name "Folder_<time>_<n>".
void FillFolderNames(const CUpgradeContext& context);
// Creates the per-language tables every resource language lacks.
void CompleteResourceLanguages(const CUpgradeContext& context);
// Marks the first macro of every model (TYPE 3) as its default in each
// language where none is.
void MarkDefaultMacros(const CUpgradeContext& context);
// Gives every non-conservative node of type bit 0x4 or 0x10 a tolerance.
void SeedTolerances(const CUpgradeContext& context);
// Moves the rows of VHDL_PACKAGES into PACKAGE and PACKAGE_VHDLA.
void MovePackageRows(const CUpgradeContext& context);

// The MODEL_ID and TYPE of every MAIN row, in ID order.
struct CRecordRow {
  long id;
  long type;
};
std::vector<CRecordRow> AllRecords(ZLHandleRecord& record);

}  // namespace zl

#endif  // ZLDBCTRL70_MAINTENANCE_UPGRADE_CHAIN_H_
