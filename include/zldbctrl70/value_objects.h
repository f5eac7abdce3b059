// Value objects: the rows of the per-model sub-tables, macros, calls,
// packages, resource strings and query hits as they cross the interface.
//
// Ownership.  The read operations allocate these objects with new and hand
// them over in the containers below; from then on the caller owns them and
// frees them with the ZLFree... routines at the end of this header (or by
// deleting them: every destructor is virtual through CObject).  The write
// operations only read the objects they are given.
//
// Common shape.  Fields are public and listed in declaration order, each
// with the column or source it mirrors.  The default constructor sets every
// number to 0 and every string to empty unless a field says otherwise.
// FreeObject() returns an object to that default state so that it can be
// filled again; it releases the object's movable memory blocks (CLongBinary
// members, which otherwise free their blocks when the object is destroyed).
// Where a class says so FreeObject leaves a field untouched.
//
// Copying.  The objects cannot be copied by value.  The classes that offer a
// copy take a pointer to the source: the copy is deep (every string and map
// entry copied, every block duplicated into a block of its own), and a null
// source gives a default object.  A copy that needs a new block and cannot
// get one throws CMemoryException.
#ifndef ZLDBCTRL70_VALUE_OBJECTS_H_
#define ZLDBCTRL70_VALUE_OBJECTS_H_

#include "zldbctrl70/export.h"
#include "zldbctrl70/platform/archive.h"
#include "zldbctrl70/platform/coll_array.h"
#include "zldbctrl70/platform/coll_list.h"
#include "zldbctrl70/platform/coll_map.h"
#include "zldbctrl70/platform/coll_typed.h"
#include "zldbctrl70/platform/cstring.h"
#include "zldbctrl70/platform/datetime.h"
#include "zldbctrl70/platform/longbinary.h"
#include "zldbctrl70/platform/object.h"
#include "zldbctrl70/platform/types.h"
#include "zldbctrl70/platform/variant.h"

// The language ID that keyword and resource-string objects start with
// (0x0409, English - United States).
constexpr WORD ZL_DEFAULT_LANGUAGE = 1033;

class CWizardCopaObject3;

// One pin, terminal or parameter of a model: a row of NODE_C or NODE_NC with
// its per-language and per-simulator-language satellites.
class ZL_EXPORT CZLNodeObject : public CObject {
 public:
  long m_lNodeID;                                     // NODE_ID
  CString m_strName;                                  // NAME
  CString m_strValue;                                 // VALUE, or the parameter set's value
  CMap<WORD, WORD, CString, LPCSTR> m_mapInfo;        // INFO text per resource language
  CMapStringToString m_mapAccess;                     // ACCESS per simulator language
  CMapStringToString m_mapDefValue;                   // DEF_VALUE per simulator language
  DWORD m_dwType;                                     // TYPE
  DWORD m_dwExtType;                                  // EXTTYPE
  CString m_strNature;                                // NATURE
  CString m_strUnit;                                  // UNIT
  CString m_strQuantity;                              // QUANTITY
  CMap<WORD, WORD, CString, LPCSTR> m_mapPreferUnit;  // UNIT of UNIT_%08x per language
  BOOL m_bWizFileSet;                                 // whether WIZ_FILE_ID is non-null
  long m_lWizFileID;                                  // WIZ_FILE_ID
  long m_lIndex;                                      // INDEX: position in the model
  WORD m_wNameToResID;                                // NAME_TO_RESID
  WORD m_wValueToResID;                               // VALUE_TO_RESID
  WORD m_wTypeToResID;                                // TYPE_TO_RESID
  WORD m_wExtTypeToResID;                             // EXTTYPE_TO_RESID
  WORD m_wInfoToResID;                                // INFO_TO_RESID
  WORD m_wNatureToResID;                              // NATURE_TO_RESID
  WORD m_wUnitToResID;                                // UNIT_TO_RESID
  WORD m_wQuantityToResID;                            // QUANTITY_TO_RESID
  WORD m_wPreferUnitToResID;                          // PREFERUNIT_TO_RESID
  WORD m_wDefValueToResID;                            // DEFVALUE_TO_RESID

  CZLNodeObject();
  // Copies every field and every entry of the four maps.
  explicit CZLNodeObject(const CZLNodeObject* pSrc);
  ~CZLNodeObject() override;
  CZLNodeObject(const CZLNodeObject&) = delete;
  CZLNodeObject& operator=(const CZLNodeObject&) = delete;

  // Every field back to its default, the node ID included; the maps are
  // emptied.
  void FreeObject();

  // Fills the parameter object from this node: name, value, description
  // map (from the info texts), access and default-value maps (entries
  // added), type, extended type, nature or data type, unit, quantity, used
  // unit (the preferred unit of wLangID), the ten resource IDs and the node
  // pointer (this node).  Info map, tolerance and other fields are left.
  void InitializeWizardCopa(CWizardCopaObject3* pCopa, WORD wLangID);
  // The reverse: this node from the parameter object; the preferred unit of
  // wLangID from its used unit.
  void GetDataFromWizardCopa(CWizardCopaObject3* pCopa, WORD wLangID);
};

// One row of FILES.
class ZL_EXPORT CZLFileObject : public CObject {
 public:
  long m_lFileID;         // FILE_ID
  long m_lAccess;         // ACCESS
  CString m_strFileName;  // FILE_NAME
  DWORD m_dwType;         // TYPE (a byte value)
  BOOL m_bAccessSet;      // whether ACCESS is non-null
  DWORD m_dwLanguage;     // LANGID
  CLongBinary m_lbData;   // FILE_DATA; no block when the file is empty

  CZLFileObject();
  // Copies the fields; the copy gets a block of its own holding the source's
  // bytes (no block when the source has none).
  explicit CZLFileObject(const CZLFileObject* pSrc);
  ~CZLFileObject() override;
  CZLFileObject(const CZLFileObject&) = delete;
  CZLFileObject& operator=(const CZLFileObject&) = delete;

  // Numbers to 0, name emptied, data block freed.
  void FreeObject();
};

// One keyword of a model or of the database.
class ZL_EXPORT CZLKeywordObject : public CObject {
 public:
  CString m_strKeyword;  // KEYWORD
  WORD m_wLanguage;      // language ID; ZL_DEFAULT_LANGUAGE by default
  long m_lKeywordID;     // KEYWORD_ID

  CZLKeywordObject();
  ~CZLKeywordObject() override;
  CZLKeywordObject(const CZLKeywordObject&) = delete;
  CZLKeywordObject& operator=(const CZLKeywordObject&) = delete;

  // Language back to ZL_DEFAULT_LANGUAGE, keyword ID to 0; the keyword text
  // is left as it is.
  void FreeObject();
};

// One language-dependent text of a record, parameter set or node.
class ZL_EXPORT CZLResourceStringObject : public CObject {
 public:
  CString m_strText;        // TEXT
  WORD m_wLanguage;         // language ID; ZL_DEFAULT_LANGUAGE by default
  long m_lResID;            // RES_ID
  long m_lRecordID;         // MODEL_ID of the record
  long m_lSubID;            // PARAM_ID of a parameter set, NODE_ID of a node, else 0
  CString m_strColumnName;  // "TITLE" or "INFO" (record, parameter set), "NODE_ID" (node)

  CZLResourceStringObject();
  ~CZLResourceStringObject() override;
  CZLResourceStringObject(const CZLResourceStringObject&) = delete;
  CZLResourceStringObject& operator=(const CZLResourceStringObject&) = delete;

  // Language back to ZL_DEFAULT_LANGUAGE, the three IDs to 0; text and
  // column name are left as they are.
  void FreeObject();
};

// One macro of a model in text form.
class ZL_EXPORT CZLMacroObject : public CObject {
 public:
  long m_lMacroID;                                     // MACRO_ID
  CString m_strMacroText;                              // MACROTEXT, decompressed
  DWORD m_dwLevel;                                     // LEVEL (mask)
  long m_lState;                                       // STATE
  BOOL m_bEnabled;                                     // ENABLED; TRUE by default
  CString m_strFlexOption;                             // FLEXOPTION
  CString m_strDefName;                                // DEFNAME
  CMap<WORD, WORD, CString, LPCSTR> m_mapDescription;  // DESCRIPTION text per language
  CLongBinary m_lbCompiled;                            // COMPILED
  BOOL m_bDefault;                                     // DEFAULT

  CZLMacroObject();
  ~CZLMacroObject() override;
  CZLMacroObject(const CZLMacroObject&) = delete;
  CZLMacroObject& operator=(const CZLMacroObject&) = delete;

  // Numbers to 0, enabled to TRUE, strings and descriptions emptied,
  // compiled block freed.
  void FreeObject();
};

// One macro in stored form: text and flex option as the blocks kept in the
// database (possibly compressed).
class ZL_EXPORT CZLBinaryMacroObject : public CObject {
 public:
  long m_lMacroID;                                     // MACRO_ID
  CLongBinary m_lbMacroText;                           // MACROTEXT as stored
  DWORD m_dwLevel;                                     // LEVEL (mask)
  long m_lState;                                       // STATE
  BOOL m_bEnabled;                                     // ENABLED; TRUE by default
  CLongBinary m_lbFlexOption;                          // FLEXOPTION as stored
  CString m_strDefName;                                // DEFNAME
  CMap<WORD, WORD, CString, LPCSTR> m_mapDescription;  // DESCRIPTION text per language
  CLongBinary m_lbCompiled;                            // COMPILED
  BOOL m_bDefault;                                     // DEFAULT

  CZLBinaryMacroObject();
  ~CZLBinaryMacroObject() override;
  CZLBinaryMacroObject(const CZLBinaryMacroObject&) = delete;
  CZLBinaryMacroObject& operator=(const CZLBinaryMacroObject&) = delete;

  // Numbers to 0, enabled to TRUE, name and descriptions emptied, all three
  // blocks freed.
  void FreeObject();
};

// Bits of the state of a VHDL package object.
constexpr long ZL_PACKAGE_TEXT_COMPRESSED = 0x4000;  // package text stored compressed
constexpr long ZL_PACKAGE_BODY_COMPRESSED = 0x8000;  // package body text stored compressed

// One VHDL package object in text form.
class ZL_EXPORT CZLPackageObject : public CObject {
 public:
  long m_lPackageObjID;               // PACKAGE_OBJ_ID
  CString m_strPackageText;           // PACKAGE_TEXT
  CString m_strPackageBodyText;       // PACKAGE_BODY_TEXT
  CLongBinary m_lbPackageBinary;      // PACKAGE_BINARY
  CLongBinary m_lbPackageBodyBinary;  // PACKAGE_BODY_BINARY
  BOOL m_bEnabled;                    // ENABLED
  BOOL m_bUseBody;                    // USE_BODY
  long m_lState;                      // STATE (ZL_PACKAGE_... bits)

  CZLPackageObject();
  ~CZLPackageObject() override;
  CZLPackageObject(const CZLPackageObject&) = delete;
  CZLPackageObject& operator=(const CZLPackageObject&) = delete;

  // Numbers to 0, both texts emptied, both blocks freed.
  void FreeObject();
};

// One VHDL package object with all four contents as stored blocks.
class ZL_EXPORT CZLBinaryPackageObject : public CObject {
 public:
  long m_lPackageObjID;               // PACKAGE_OBJ_ID
  CLongBinary m_lbPackageText;        // PACKAGE_TEXT as stored
  CLongBinary m_lbPackageBodyText;    // PACKAGE_BODY_TEXT as stored
  CLongBinary m_lbPackageBinary;      // PACKAGE_BINARY
  CLongBinary m_lbPackageBodyBinary;  // PACKAGE_BODY_BINARY
  BOOL m_bEnabled;                    // ENABLED
  BOOL m_bUseBody;                    // USE_BODY
  long m_lState;                      // STATE (ZL_PACKAGE_... bits)

  CZLBinaryPackageObject();
  ~CZLBinaryPackageObject() override;
  CZLBinaryPackageObject(const CZLBinaryPackageObject&) = delete;
  CZLBinaryPackageObject& operator=(const CZLBinaryPackageObject&) = delete;

  // Numbers to 0, all four blocks freed.
  void FreeObject();
};

// The description of one additional-data column.
class ZL_EXPORT CZLAdditionalDataInfoObject : public CObject {
 public:
  CString m_strDataName;  // DATANAME: the column's name
  CString m_strInfo;      // INFO
  long m_lType;           // TYPE
  long m_lSize;           // SIZE
  long m_lIndex;          // INDEX
  long m_lDuplicate;      // DUPLICATE
  long m_lState;          // STATE

  CZLAdditionalDataInfoObject();
  // Names the column; everything else at its default.  Implicit, so that a
  // column name can be passed where a description is read.
  CZLAdditionalDataInfoObject(const char* lpszDataName);  // NOLINT
  ~CZLAdditionalDataInfoObject() override;
  CZLAdditionalDataInfoObject(const CZLAdditionalDataInfoObject&) = delete;
  CZLAdditionalDataInfoObject& operator=(const CZLAdditionalDataInfoObject&) = delete;

  // Data name emptied, the five numbers to 0; the info text is left as it is.
  void FreeObject();
};

// One call line of a model for one simulator language.  Serialisable: an
// archive holds the level (32 bits), the call key and the call text, in that
// order; the call ID is not stored, so an object read back has call ID 0.
// The run-time class is "CZLCallObject", schema 0, dynamically creatable.
class ZL_EXPORT CZLCallObject : public CObject {
  DECLARE_SERIAL(CZLCallObject)

 public:
  long m_lCallID;         // CALL_ID
  CString m_strCallKey;   // CALL_KEY
  CString m_strCallText;  // CALL
  DWORD m_dwLevel;        // LEVEL (mask)

  CZLCallObject();
  // Copies all four fields.
  explicit CZLCallObject(const CZLCallObject* pSrc);
  ~CZLCallObject() override;
  CZLCallObject(const CZLCallObject&) = delete;
  CZLCallObject& operator=(const CZLCallObject&) = delete;

  // Writes or reads level, key and text.  Archive errors throw
  // CArchiveException (a failed read leaves the fields read so far).
  void Serialize(CArchive& ar) override;
  // Both numbers to 0, both strings emptied.
  void FreeObject();
};

// One tolerance of a model.
class ZL_EXPORT CZLToleranceObject : public CObject {
 public:
  long m_lToleranceID;          // TOLERANCE_ID
  long m_lNodeID;               // NODE_ID
  long m_lIndex;                // INDEX
  long m_lState;                // STATE
  CString m_strNodeName;        // NAME of the node with that ID in NODE_NC
  CString m_strMinimum;         // MINIMUM
  CString m_strMaximum;         // MAXIMUM
  CString m_strMeanValue;       // MEAN_VALUE
  CString m_strDeviation;       // DEVIATION
  CString m_strTolerance;       // TOLERANCE
  CString m_strCharacteristic;  // CHARACTERISTIC

  CZLToleranceObject();
  // Copies all eleven fields.
  explicit CZLToleranceObject(const CZLToleranceObject* pSrc);
  ~CZLToleranceObject() override;
  CZLToleranceObject(const CZLToleranceObject&) = delete;
  CZLToleranceObject& operator=(const CZLToleranceObject&) = delete;

  // The four numbers to 0, the seven strings emptied.
  void FreeObject();
};

// One stress (quality) limit of a model.
class ZL_EXPORT CZLStressObject : public CObject {
 public:
  long m_lQualityID;       // QUALITY_ID
  long m_lIndex;           // INDEX
  long m_lState;           // STATE
  long m_lType;            // TYPE
  long m_lLimit;           // LIMIT
  CString m_strReference;  // REFERECE (the column's name is spelt so)
  CString m_strMinimum;    // MINIMUM
  CString m_strMaximum;    // MAXIMUM

  CZLStressObject();
  // Copies all eight fields.
  explicit CZLStressObject(const CZLStressObject* pSrc);
  ~CZLStressObject() override;
  CZLStressObject(const CZLStressObject&) = delete;
  CZLStressObject& operator=(const CZLStressObject&) = delete;

  // The five numbers to 0, the three strings emptied.
  void FreeObject();
};

// One hit of a model query.
class ZL_EXPORT CZLFindObject : public CObject {
 public:
  long m_lRecordID;           // MODEL_ID; filled only when the query asks for it
  COleVariant m_varBookmark;  // bookmark of the record in the main table
  long m_lParamSetID;         // PARAM_ID of the parameter set hit; 0 for the record

  CZLFindObject();
  // Clears the bookmark.
  ~CZLFindObject() override;
  CZLFindObject(const CZLFindObject&) = delete;
  CZLFindObject& operator=(const CZLFindObject&) = delete;

  // Both IDs to 0, the bookmark cleared (empty).
  void FreeObject();
};

// A search request over the model tree and its list of hits.  A criterion
// takes part only while its bit is set in m_dwCriteriaFlags.
class ZL_EXPORT CZLQueryObject : public CObject {
 public:
  // Bits of m_dwCriteriaFlags.
  enum : DWORD {
    kName = 0x00000001,                   // m_strName
    kFirstCreationDate = 0x00000002,      // m_dtFirstCreationDate
    kLastCreationDate = 0x00000004,       // m_dtLastCreationDate
    kFirstModificationDate = 0x00000008,  // m_dtFirstModificationDate
    kLastModificationDate = 0x00000010,   // m_dtLastModificationDate
    kNumberOfNodesC = 0x00000040,         // m_nNumberOfNodesC
    kNumberOfNodesNC = 0x00000080,        // m_nNumberOfNodesNC
    kNumberOfNodes = 0x00000100,          // m_nNumberOfNodes
    kTitle = 0x00000400,                  // m_strTitle, m_wTitleLanguage
    kKeyword = 0x00000800,                // m_strKeyword, m_wKeywordLanguage
    kUseWildcards = 0x10000000,           // texts are patterns
    kIgnoreCase = 0x20000000,             // texts compare upper-cased
    kResultRecordID = 0x80000000,         // fill the record ID of every hit
  };

  DWORD m_dwCriteriaFlags;                 // the bits above; 0 by default
  CString m_strName;                       // definition name sought
  CString m_strTitle;                      // title sought
  WORD m_wTitleLanguage;                   // its language; 0 means any
  CString m_strKeyword;                    // keyword sought
  WORD m_wKeywordLanguage;                 // its language; 0 means any
  COleDateTime m_dtFirstCreationDate;      // inclusive lower limit
  COleDateTime m_dtLastCreationDate;       // inclusive upper limit
  COleDateTime m_dtFirstModificationDate;  // inclusive lower limit
  COleDateTime m_dtLastModificationDate;   // inclusive upper limit
  int m_nNumberOfNodesC;                   // nodes in NODE_C; -1 by default
  int m_nNumberOfNodesNC;                  // nodes in NODE_NC; -1 by default
  int m_nNumberOfNodes;                    // both together; -1 by default
  // The hits; the query object owns them.
  CTypedPtrArray<CObArray, CZLFindObject*> m_arrResults;

  CZLQueryObject();
  // Frees the hits (as Reset does).
  ~CZLQueryObject() override;
  CZLQueryObject(const CZLQueryObject&) = delete;
  CZLQueryObject& operator=(const CZLQueryObject&) = delete;

  // Frees every hit and clears the criteria flags; the stored texts, dates
  // and numbers stay but no longer take part.
  void Reset();

  // Each setter stores its value and sets its criterion's bit.
  void SetName(const char* pszName);                        // null counts as ""
  void SetTitle(const char* pszTitle, WORD wLanguage);      // language 0: any
  void SetKeyword(const char* pszKeyword, WORD wLanguage);  // language 0: any
  void SetFirstCreationDate(COleDateTime dt);
  void SetLastCreationDate(COleDateTime dt);
  void SetFirstModificationDate(COleDateTime dt);
  void SetLastModificationDate(COleDateTime dt);
  void SetNumberOfNodesC(int nNodes);
  void SetNumberOfNodesNC(int nNodes);
  void SetNumberOfNodes(int nNodes);
  // Non-zero sets the bit, 0 clears it.
  void SetUseWildcardsFlag(int nFlag);
  void SetIgnoreCaseFlag(int nFlag);
  // ORs nType into the flags (kResultRecordID to fill record IDs).
  void SetResultType(int nType);

  // Runs the search on the database and replaces m_arrResults by its hits.
  // Candidates are every record, from the highest ID down, each followed by
  // its parameter sets from the highest set ID down; a candidate is a hit
  // when it passes every criterion whose bit is set:
  //   name            the record's definition name;
  //   keyword         one of the candidate's keywords (a parameter set has
  //                   the record's own and its own), in m_wKeywordLanguage
  //                   or, for 0, in any language;
  //   title           the candidate's title in m_wTitleLanguage or, for 0,
  //                   in any language;
  //   dates           the record's creation / modification date within the
  //                   limits set (inclusive);
  //   node counts     the record's NODE_C / NODE_NC / total node count.
  // A value that cannot be read (a NULL field, a missing text or language
  // table) fails its criterion.  Texts compare byte for byte, upper-cased
  // first with kIgnoreCase; with kUseWildcards the text sought is a pattern
  // where "*" stands for any run of characters and "?" for one character
  // (an empty pattern matches nothing).  The search runs in one read
  // transaction.  Returns 1 (last error 0), or 0 when the records cannot be
  // enumerated (7 for a bad handle, 9, 6), the results then empty.
  int DoQuery(void* hDB);
};

// ---- containers --------------------------------------------------------------

// Arrays of objects, one per row in table order.
typedef CTypedPtrArray<CObArray, CZLNodeObject*> CZLNodeArray;
typedef CTypedPtrArray<CObArray, CZLFileObject*> CZLFileArray;
typedef CTypedPtrArray<CObArray, CZLKeywordObject*> CZLKeywordArray;
typedef CTypedPtrArray<CObArray, CZLResourceStringObject*> CZLResourceStringArray;
typedef CTypedPtrArray<CObArray, CZLMacroObject*> CZLMacroArray;
typedef CTypedPtrArray<CObArray, CZLBinaryMacroObject*> CZLBinaryMacroArray;
typedef CTypedPtrArray<CObArray, CZLCallObject*> CZLCallArray;
typedef CTypedPtrArray<CObArray, CZLAdditionalDataInfoObject*> CZLAdditionalDataInfoArray;
typedef CTypedPtrArray<CObArray, CZLToleranceObject*> CZLToleranceArray;
typedef CTypedPtrArray<CObArray, CZLStressObject*> CZLStressArray;
// Language ID to a heap-allocated array of that language's keywords.
typedef CTypedPtrMap<CMapWordToOb, WORD, CZLKeywordArray*> CZLKeywordMap;
// Simulator-language name to a heap-allocated array.
typedef CTypedPtrMap<CMapStringToOb, CString, CZLMacroArray*> CZLMacroMap;
typedef CTypedPtrMap<CMapStringToOb, CString, CZLBinaryMacroArray*> CZLBinaryMacroMap;
typedef CTypedPtrMap<CMapStringToOb, CString, CZLCallArray*> CZLCallMap;
// Package name to one package object.
typedef CTypedPtrMap<CMapStringToOb, CString, CZLPackageObject*> CZLPackageMap;
typedef CTypedPtrMap<CMapStringToOb, CString, CZLBinaryPackageObject*> CZLBinaryPackageMap;
// Heap-allocated bookmarks.
typedef CTypedPtrArray<CPtrArray, COleVariant*> CZLBookmarkArray;

// ---- freeing containers -----------------------------------------------------
//
// Each routine deletes what the container holds (null entries are skipped)
// and leaves the container empty.  None throws.

// Removes the head and deletes it until the list is empty.
ZL_EXPORT void ZLFreeObjectList(CObList& list);
// Deletes the elements from the last index down to 0, then sets the size to 0.
ZL_EXPORT void ZLFreeObjectArray(CObArray& array);
// Clears and deletes the variants from the last to the first, then sets the
// size to 0.
ZL_EXPORT void ZLFreeBookmarkArray(CTypedPtrArray<CPtrArray, COleVariant*>& array);
// For every language: deletes the keywords of its array (last to first),
// empties and deletes the array; then removes every association.
ZL_EXPORT void ZLFreeKeywordMap(
    CTypedPtrMap<CMapWordToOb, WORD, CTypedPtrArray<CObArray, CZLKeywordObject*>*>& map);
// As ZLFreeKeywordMap, for maps keyed by simulator-language name.
ZL_EXPORT void ZLFreeMacroMap(
    CTypedPtrMap<CMapStringToOb, CString, CTypedPtrArray<CObArray, CZLMacroObject*>*>& map);
ZL_EXPORT void ZLFreeMacroMap(
    CTypedPtrMap<CMapStringToOb, CString, CTypedPtrArray<CObArray, CZLBinaryMacroObject*>*>& map);
ZL_EXPORT void ZLFreeCallMap(
    CTypedPtrMap<CMapStringToOb, CString, CTypedPtrArray<CObArray, CZLCallObject*>*>& map);
// Deletes every package object, then removes every association.
ZL_EXPORT void ZLFreePackageMap(CTypedPtrMap<CMapStringToOb, CString, CZLPackageObject*>& map);
ZL_EXPORT void ZLFreePackageMap(
    CTypedPtrMap<CMapStringToOb, CString, CZLBinaryPackageObject*>& map);

#endif  // ZLDBCTRL70_VALUE_OBJECTS_H_
