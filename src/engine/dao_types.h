// Constants of the table/recordset engine: field type codes, field and
// index attributes, recordset types and options, edit modes, workspace idle
// actions and database creation options.  The numbers are those the classic
// engine used, because databases and callers store and pass them as numbers.
#ifndef ZLDBCTRL70_ENGINE_DAO_TYPES_H_
#define ZLDBCTRL70_ENGINE_DAO_TYPES_H_

// Field type codes (CDaoFieldInfo::m_nType).
enum : short {
  dbBoolean = 1,      // stored -1 / 0, read back as a VT_BOOL variant
  dbByte = 2,         // 0..255, VT_UI1
  dbInteger = 3,      // 16-bit signed, VT_I2
  dbLong = 4,         // 32-bit signed, VT_I4
  dbCurrency = 5,     // kept as a double, VT_R8
  dbSingle = 6,       // VT_R4
  dbDouble = 7,       // VT_R8
  dbDate = 8,         // days since 30 Dec 1899, VT_DATE
  dbText = 10,        // up to m_lSize characters (1..255), VT_BSTR
  dbLongBinary = 11,  // bytes, VT_UI1|VT_ARRAY
  dbMemo = 12,        // unbounded text, VT_BSTR
};

// Field attributes (CDaoFieldInfo::m_lAttributes).
enum : long {
  dbFixedField = 0x1,
  dbVariableField = 0x2,
  dbAutoIncrField = 0x10,  // counter: assigned by the engine, never written
  dbUpdatableField = 0x20,
  dbSystemField = 0x2000,
  dbHyperlinkField = 0x8000,
};

// Recordset types.  Only table-type recordsets are offered.
enum : int {
  dbOpenTable = 1,
  dbOpenDynaset = 2,
  dbOpenSnapshot = 4,
};

// Recordset and Execute options.
enum : int {
  dbDenyWrite = 0x1,
  dbDenyRead = 0x2,
  dbReadOnly = 0x4,
  dbAppendOnly = 0x8,
  dbInconsistent = 0x10,
  dbConsistent = 0x20,
  dbSQLPassThrough = 0x40,
  dbFailOnError = 0x80,
  dbForwardOnly = 0x100,
  dbSeeChanges = 0x200,
};

// CDaoRecordset::GetEditMode.
enum : short {
  dbEditNone = 0,
  dbEditInProgress = 1,
  dbEditAdd = 2,
};

// CDaoWorkspace::Idle actions.
enum : int {
  dbFreeLocks = 1,
  dbRefreshCache = 8,
};

// Database creation options (file format versions and encryption flags).
// The file format is always the engine's own; the numbers are accepted for
// compatibility and otherwise ignored.
enum : int {
  dbEncrypt = 2,
  dbDecrypt = 4,
  dbVersion10 = 1,
  dbVersion11 = 8,
  dbVersion20 = 16,
  dbVersion30 = 32,
};

// Default collating locale passed to Create and CompactDatabase.
#define dbLangGeneral ";LANGID=0x0409;CP=1252;COUNTRY=0"

// Options of CDaoTableDef::GetFieldInfo / GetIndexInfo: how much to fill.
enum : unsigned long {
  AFX_DAO_PRIMARY_INFO = 0x1,
  AFX_DAO_SECONDARY_INFO = 0x2,
  AFX_DAO_ALL_INFO = 0x4,
};

#endif  // ZLDBCTRL70_ENGINE_DAO_TYPES_H_
