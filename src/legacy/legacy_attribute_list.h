// The legacy model attributes as one list: name, field, value kind and what
// the setter stamps.  The exports are generated from it, and the tests walk
// it, so a new attribute needs one line here and its declaration in the
// public header.
#ifndef ZLDBCTRL70_LEGACY_LEGACY_ATTRIBUTE_LIST_H_
#define ZLDBCTRL70_LEGACY_LEGACY_ATTRIBUTE_LIST_H_

// X(Attr, field, kind, stamp)
#define LZL_SCALAR_ATTRIBUTES(X)                            \
  X(Name, "NAME", CTextKind, kNone)                         \
  X(Folder, "FLDR", CTextKind, kLayoutChange)               \
  X(Symbol, "SYMBOL", CTextKind, kDate)                     \
  X(Call, "CALL", CTextKind, kNone)                         \
  X(CallSimplis, "CALL_SIMPLIS", CTextKind, kNone)          \
  X(CallSpice, "CALL_SPICE", CTextKind, kNone)              \
  X(Type, "TYPE", CTextKind, kDate)                         \
  X(SDBState, "SDB_STATE", CLongKind, kNone)                \
  X(Title, "TITLE", CTextKind, kLayoutChange)               \
  X(Level, "LEVEL", CIntKind, kDate)                        \
  X(Uses, "USES", CTextKind, kNone)                         \
  X(UsesSimplis, "USES_SIMPLIS", CTextKind, kNone)          \
  X(UsesSpice, "USES_SPICE", CTextKind, kNone)              \
  X(Info, "INFO", CTextKind, kNone)                         \
  X(LibState, "LIB_STATE", CLongKind, kNone)                \
  X(LibStateSimplis, "LIB_STATE_SIMPLIS", CLongKind, kNone) \
  X(LibStateSpice, "LIB_STATE_SPICE", CLongKind, kNone)     \
  X(SymbolLevel, "SYMBOL_LEVEL", CLongKind, kNone)          \
  X(Schematic, "SCH", CBinaryKind, kNone)                   \
  X(Date, "DATE", CDateKind, kNone)                         \
  X(Src, "SRC", CTextKind, kNone)                           \
  X(UDTName, "UDTNAME", CTextKind, kNone)                   \
  X(WizType, "WIZTYPE", CByteKind, kNone)

// X(Attr, library field, library-state field)
#define LZL_LIB_ATTRIBUTES(X)                       \
  X(Lib, "LIB", "LIB_STATE")                        \
  X(LibSimplis, "LIB_SIMPLIS", "LIB_STATE_SIMPLIS") \
  X(LibSpice, "LIB_SPICE", "LIB_STATE_SPICE")

// X(Attr, list kind)
#define LZL_LIST_ATTRIBUTES(X) \
  X(Params, kParams)           \
  X(Connects, kConnects)       \
  X(Output, kOutput)           \
  X(Files, kFiles)             \
  X(Keywords, kKeywords)

#endif  // ZLDBCTRL70_LEGACY_LEGACY_ATTRIBUTE_LIST_H_
