// Copying a record: each family's content is read from the source with its
// reader and handed to the destination's writer, in the order titles and
// texts, keywords, files, nodes, macros, calls, symbols, then the parameter
// sets, limits and additional data (records/copy_sets.cpp).
#include <iterator>
#include <unordered_map>

#include "calls/call_rows.h"
#include "content/row_patterns.h"
#include "files/file_rows.h"
#include "frame/dbinfo.h"
#include "keywords/keyword_rows.h"
#include "macros/macro_rows.h"
#include "nodes/node_rows.h"
#include "records/copy_maps.h"
#include "records/whole_record.h"
#include "resources/language_texts.h"
#include "resources/resource_tables.h"
#include "schema/zl_recordset.h"
#include "simlang/owner_record.h"
#include "tree/record_routines.h"
#include "tree/row_target.h"

namespace zl {
namespace {

// MAIN's columns that a copy carries over.  The tree links (PARENT,
// FIRSTCHILD, PREV, NEXT) stay the destination's: the source's name rows of
// its own tree, which in another file (or for another place in this one)
// are unrelated records.
const char* const kCopiedColumns[] = {"DEFNAME", "CREATED_USER", "CREATED_DATE", "AUTHOR",
                                      "DATE",    "USES",         "SHEET",        "STATE",
                                      "TYPE",    "LEVEL",        "WIZARDDATA"};

int CopyMainColumns(ZLHandleRecord& source, long sourceID, ZLHandleRecord& dest, long destID) {
  CZLRecordset& from = *source.Recordset(ZLT_MAIN);
  int code = SeekByID(source, from, "MODEL_ID", sourceID);
  if (code != ZLE_OK) return code;
  COleVariant values[std::size(kCopiedColumns)];
  for (size_t i = 0; i < std::size(kCopiedColumns); ++i) {
    values[i] = from.GetFieldValue(kCopiedColumns[i]);
  }
  CZLRecordset& to = *dest.Recordset(ZLT_MAIN);
  code = SeekByID(dest, to, "MODEL_ID", destID);
  if (code != ZLE_OK) return code;
  CRowWrite row(to, CRowWrite::kEdit);
  for (size_t i = 0; i < std::size(kCopiedColumns); ++i) row.Set(kCopiedColumns[i], values[i]);
  row.Update();
  return ZLE_OK;
}

bool SameFile(const CZLFileObject& a, const CZLFileObject& b) {
  return a.m_bAccessSet == b.m_bAccessSet && a.m_lAccess == b.m_lAccess &&
         a.m_dwType == b.m_dwType && a.m_dwLanguage == b.m_dwLanguage &&
         a.m_strFileName.str() == b.m_strFileName.str();
}

// Source file IDs to the IDs of the destination's copies: the last
// destination file with the same access, type, language and name.
using CFileMap = std::unordered_map<long, long>;

int CopyFiles(ZLHandleRecord& source, long sourceID, ZLHandleRecord& dest, long destID,
              CFileMap& fileMap) {
  CArrayOwner<CZLFileArray> files;
  int code = ReadFiles(source, sourceID, files.array);
  if (code == ZLE_OK) code = WriteFiles(dest, destID, files.array);
  CArrayOwner<CZLFileArray> copies;
  if (code == ZLE_OK) code = ReadFiles(dest, destID, copies.array);
  for (int i = 0; code == ZLE_OK && i < files.array.GetSize(); ++i) {
    for (int j = static_cast<int>(copies.array.GetSize()) - 1; j >= 0; --j) {
      if (SameFile(*files.array[i], *copies.array[j])) {
        fileMap[files.array[i]->m_lFileID] = copies.array[j]->m_lFileID;
        break;
      }
    }
  }
  return code;
}

// Fills nodeMap with the source's node IDs to the new ones.
int CopyNodes(ZLHandleRecord& source, long sourceID, ZLHandleRecord& dest, long destID,
              ENodeKind kind, const CFileMap& fileMap, ZLIDMap& nodeMap) {
  CArrayOwner<CZLNodeArray> nodes;
  int code = ReadNodes(source, kind, sourceID, 0, nodes.array);
  if (code != ZLE_OK) return code;
  std::vector<long> sourceIDs;
  for (int i = 0; i < nodes.array.GetSize(); ++i) {
    CZLNodeObject& node = *nodes.array[i];
    sourceIDs.push_back(node.m_lNodeID);
    node.m_lNodeID = 0;  // every node is a new row of the destination
    if (node.m_bWizFileSet) {
      auto file = fileMap.find(node.m_lWizFileID);
      if (file != fileMap.end()) node.m_lWizFileID = file->second;
    }
  }
  code = WriteNodes(dest, kind, destID, nodes.array);
  for (int i = 0; code == ZLE_OK && i < nodes.array.GetSize(); ++i) {
    nodeMap[sourceIDs[static_cast<size_t>(i)]] = nodes.array[i]->m_lNodeID;
  }
  return code;
}

int CopyMacros(ZLHandleRecord& source, long sourceID, ZLHandleRecord& dest, long destID) {
  return ForEachSimLanguage(source, ZLS_MACRO,
                            [&](const CString& language, CZLRecordset& from) -> int {
                              CArrayOwner<CZLMacroArray> macros;
                              int code = ReadMacroSet(source, from, sourceID, macros.array);
                              if (code != ZLE_OK) return code;
                              for (int i = 0; i < macros.array.GetSize(); ++i)
                                macros.array[i]->m_lMacroID = 0;
                              CZLRecordset* to = nullptr;
                              code = FindSimTable(dest, ZLS_MACRO, language, to);
                              if (code != ZLE_OK)
                                return macros.array.GetSize() == 0 ? ZLE_OK : code;
                              return WriteMacroSet(dest, *to, destID, macros.array);
                            });
}

int CopyCalls(ZLHandleRecord& source, long sourceID, ZLHandleRecord& dest, long destID) {
  return ForEachSimLanguage(source, ZLS_CALL,
                            [&](const CString& language, CZLRecordset& from) -> int {
                              CArrayOwner<CZLCallArray> calls;
                              ReadCallRows(from, sourceID, calls.array);
                              for (int i = 0; i < calls.array.GetSize(); ++i)
                                calls.array[i]->m_lCallID = 0;
                              CZLRecordset* to = nullptr;
                              const int code = FindSimTable(dest, ZLS_CALL, language, to);
                              if (code != ZLE_OK) return calls.array.GetSize() == 0 ? ZLE_OK : code;
                              return WriteCallSet(*to, destID, calls.array);
                            });
}

int CopySymbols(ZLHandleRecord& source, long sourceID, ZLHandleRecord& dest, long destID) {
  return ForEachResourceTable(source, ZLR_SYMBOLS, [&](WORD language, CZLRecordset&) -> int {
    CString symbol;
    int code = ReadSymbol(source, language, sourceID, symbol);
    if (code == ZLE_NO_RESOURCE_TEXT) return ZLE_OK;
    if (code == ZLE_OK) code = WriteSymbol(dest, language, destID, symbol);
    // A language the destination lacks has no symbol table to write.
    return code == ZLE_NO_LANGUAGE ? ZLE_OK : code;
  });
}

}  // namespace

int CopyKeywords(ZLHandleRecord& source, long sourceID, long fromSet, ZLHandleRecord& dest,
                 long destID, long toSet) {
  return ForEachResourceTable(source, ZLR_KEYWORD, [&](WORD language, CZLRecordset&) -> int {
    CArrayOwner<CZLKeywordArray> keywords;
    int code = ReadKeywords(source, language, sourceID, fromSet, keywords.array);
    if (code != ZLE_OK) return code;
    if (keywords.array.GetSize() == 0 &&
        FindResourceTable(dest, ZLR_KEYWORD, language) == nullptr) {
      return ZLE_OK;
    }
    // A set's list holds the record's own keywords too; the writer keeps
    // only those the set adds.
    return WriteKeywords(dest, language, destID, toSet, keywords.array);
  });
}

int CopyRowTexts(ZLHandleRecord& source, const ZLRowRef& from, ZLHandleRecord& dest,
                 const ZLRowRef& to, const char* field) {
  CZLRecordset* rs = nullptr;
  int code = PositionRow(source, from, true, rs);
  COleVariant sourceResource;
  if (code == ZLE_OK) code = CurrentResourceID(source, *rs, field, false, sourceResource);
  if (code == ZLE_NULL_VALUE) return ZLE_OK;
  ZLLanguageTextMap texts;
  if (code == ZLE_OK) code = ReadLanguageTexts(source, sourceResource, texts);
  if (code != ZLE_OK || texts.IsEmpty()) return code;
  code = PositionRow(dest, to, false, rs);
  COleVariant destResource;
  if (code == ZLE_OK) code = CurrentResourceID(dest, *rs, field, true, destResource);
  for (POSITION pos = texts.GetStartPosition(); code == ZLE_OK && pos != nullptr;) {
    WORD language = 0;
    CString text;
    texts.GetNextAssoc(pos, language, text);
    code = SetResourceText(dest, destResource, language, COleVariant(text));
  }
  return code;
}

int CopyRecord(ZLHandleRecord& source, long sourceID, ZLHandleRecord& dest, long destID) {
  // Copying a record onto itself would replace its sets by copies of
  // themselves after deleting them.
  if (&source == &dest && sourceID == destID) return ZLE_OK;
  CFileMap fileMap;
  ZLCopyMaps maps;
  ZLIDMap conservative;
  int code = CopyMainColumns(source, sourceID, dest, destID);
  const ZLRowRef from = ZLRowRef::ByID(sourceID);
  const ZLRowRef to = ZLRowRef::ByID(destID);
  if (code == ZLE_OK) code = CopyRowTexts(source, from, dest, to, "TITLE");
  if (code == ZLE_OK) code = CopyRowTexts(source, from, dest, to, "INFO");
  if (code == ZLE_OK) code = CopyKeywords(source, sourceID, 0, dest, destID, 0);
  if (code == ZLE_OK) code = CopyFiles(source, sourceID, dest, destID, fileMap);
  if (code == ZLE_OK) {
    code =
        CopyNodes(source, sourceID, dest, destID, ENodeKind::kConservative, fileMap, conservative);
  }
  if (code == ZLE_OK) {
    code =
        CopyNodes(source, sourceID, dest, destID, ENodeKind::kNonConservative, fileMap, maps.nodes);
  }
  if (code == ZLE_OK) code = CopyMacros(source, sourceID, dest, destID);
  if (code == ZLE_OK) code = CopyCalls(source, sourceID, dest, destID);
  if (code == ZLE_OK) code = CopySymbols(source, sourceID, dest, destID);
  if (code == ZLE_OK) code = CopyParamSets(source, sourceID, dest, destID, maps);
  if (code == ZLE_OK) code = CopyLimitsOfRecord(source, sourceID, dest, destID, maps);
  if (code == ZLE_OK) code = CopyAdditionalData(source, sourceID, dest, destID);
  if (code == ZLE_OK) StampLayoutChange(dest);
  return code;
}

}  // namespace zl
