// Repair and compaction of a model-library database file that is not open,
// and checking one.
#ifndef ZLDBCTRL70_REPAIR_H_
#define ZLDBCTRL70_REPAIR_H_

#include "zldbctrl70/export.h"

// What a repair found and did.
struct ZLRepairSummary {
  long m_lRecords;         // records (MAIN rows) in the repaired file
  long m_lReached;         // records the walk from the root reached
  long m_lReattached;      // records it did not reach, hung back into the tree
  long m_lCyclesBroken;    // cycles of PARENT links among those, broken at the top level
  long m_lLinksRewritten;  // records whose PARENT, FIRSTCHILD, PREV or NEXT changed
};

// Repairs the database file path, which must not be open in this process
// or any other.  The work is done on copies in a private temporary folder
// (made beside the file, or in the system's temporary folder when the
// file's folder takes no new files), removed on every way out: the storage
// engine salvages what a damaged copy still holds and compacts it; the
// model tree of the compacted copy is then rebuilt from its root, every
// record the tree no longer reaches is hung back into it (under its PARENT
// when that is in the tree, else at the top level; records whose parents
// form a cycle among themselves break the cycle at the top level), all four
// links of every record are rewritten where they differ, and the result
// replaces the file in one rename.  A healthy database keeps its tree; only
// the compaction changes the file.  A library on a server (a postgresql://
// name) has no file to salvage or compact: its tree is rebuilt in place,
// in one transaction, while the library is held exclusively; the codes are
// those of a file (2 for a library that does not exist, 32 while anybody
// has it open, 5 for a server that cannot be reached).
//
// Returns 1 (last error 0), or 0 with last error 2 (path is not a readable
// and writable file), 32 (the file is open, in this process or another),
// 17 (the temporary folder or copies could not be made), 5 (the storage
// engine failed, or the compacted copy could not be opened as a model
// library), 6 (memory exhausted) or 15 (the result could not replace the
// file).  After any failure the file is as it was, with one exception: when
// the temporary folder is on another file system than the file, the result
// is written over the file's own bytes, and a failure half-way through that
// write (15) leaves the repaired copy in its temporary folder.
ZL_EXPORT int ZLRepairDatabase(const char* path);
// The same, filling summary on success.
ZL_EXPORT int ZLRepairDatabase(const char* path, ZLRepairSummary& summary);

// Receives what ZLCheckDatabase finds, as it finds it.
class CZLCheckReport {
 public:
  virtual ~CZLCheckReport() {}
  // One fault.  kind: "storage" (the storage's own integrity check, or a
  // file that does not open as a model library), "tree" (a record not
  // reached from the root, or reached twice), "links" (a link naming no
  // record, or PARENT or PREV disagreeing with where FIRSTCHILD and NEXT put
  // the record), "content" (rows of a table whose MODEL_ID no record has)
  // or "registry" (a registry row naming a table that does not exist, or a
  // resource-language table no registry names).  recordID is the record
  // the fault is about, 0 when none; text says it in English.
  virtual void Fault(const char* kind, long recordID, const char* text) = 0;
  // The check has done done of total steps of stage ("storage", "tree",
  // "content", "registries").
  virtual void Progress(const char* stage, long done, long total) {
    (void)stage;
    (void)done;
    (void)total;
  }
};

// Checks the database file path without changing it, from one committed
// state of the file (other processes may have it open; it is opened
// read-only).  Returns 1 with last error 0 when the check ran to its end,
// however many faults it reported; 0 with last error 3 (no such file), 1
// (the file is held exclusively elsewhere), 6 (memory exhausted) or 5 (the
// storage engine failed while reading).  A file that does not open as a
// model library is a "storage" fault, not a failure.  A library on a server
// is checked the same way, but the server keeps its own storage whole, so
// the storage stage finds nothing there; one that cannot be opened fails
// with the open's code (3 when it does not exist, 5 for a server that
// cannot be reached).  Memory grows with the number of records (their IDs
// and links), not with the content.
ZL_EXPORT int ZLCheckDatabase(const char* path, CZLCheckReport& report);

#endif  // ZLDBCTRL70_REPAIR_H_
