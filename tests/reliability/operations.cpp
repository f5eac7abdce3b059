#include "reliability/operations.h"

#include <cstdlib>
#include <type_traits>

#include "zldbctrl70.h"

namespace zlrel {
namespace {

using CTextMap = CMap<WORD, WORD, CString, LPCSTR>;

constexpr WORD kEnglish = 1033;
constexpr WORD kGerman = 1031;
// Languages and simulator languages the mix adds and removes.
constexpr WORD kExtraLanguages[] = {1036, 1040};
const char* const kSimLanguages[] = {"SPICE", "PSPICE"};
// Package IDs the mix names (failed creates use numbers up too).
constexpr long kPackageIDs = 20;
// The simulator languages whose tables the start file has (the second
// makes the map forms span two tables).
const char* const kStartSimLanguage = "VHDLA";
const char* const kSecondSimLanguage = "VERILOGA";
// Keywords are drawn from a few shared texts and one of the step's own.
const char* const kKeywords[] = {"linear", "passive", "noise", "thermal"};

WORD AnyExtraLanguage(CMixState& s) { return kExtraLanguages[s.Pick(2)]; }
const char* AnySimLanguage(CMixState& s) { return kSimLanguages[s.Pick(2)]; }
// A link target: an existing record, or 0 (no link).  IDs are not dense:
// a create that was rolled back has used its number.
long AnyLink(CMixState& s) {
  const long id = s.Pick(4) == 0 ? 0 : s.AnyRecord();
  COleVariant bookmark;
  return id != 0 && ZLGetBookmarkByID(s.hDB, id, bookmark) == 1 ? id : 0;
}
unsigned long AnyNumber(CMixState& s) { return static_cast<unsigned long>(s.Pick(100000)); }

int CreateRecord(CMixState& s) {
  COleVariant bookmark;
  const int result = ZLCreateNewRecord(s.hDB, bookmark);
  if (result == 1) ++s.records;
  return result;
}

int SetTitleOneLanguage(CMixState& s) {
  const WORD language = s.Pick(2) == 0 ? kEnglish : kGerman;
  return ZLSetTitleByID(s.hDB, s.AnyRecord(), language, s.Text("title ").c_str(), 0);
}

// Both languages in one call (one text may be empty, which removes it).
int SetTextsAllLanguages(CMixState& s, bool info) {
  CTextMap texts;
  texts[kEnglish] = s.Text("english ").c_str();
  texts[kGerman] = s.Pick(3) == 0 ? "" : s.Text("deutsch ").c_str();
  const long id = s.AnyRecord();
  if (info) return ZLSetInfoByID(s.hDB, id, texts, 0);
  COleVariant bookmark;
  if (ZLGetBookmarkByID(s.hDB, id, bookmark) != 1) return 0;
  return ZLSetTitleByBookmark(s.hDB, bookmark, texts, 0);
}

int SetSheet(CMixState& s) {
  CLongBinary block;
  std::string bytes;
  for (long n = s.Pick(40); n > 0; --n) bytes += s.Text("sheet ");
  block.Assign(bytes.data(), bytes.size());
  return ZLSetSheetByID(s.hDB, s.AnyRecord(), block);
}

// A new macro (ID 0) or one of the first macros, in the start file's
// simulator language, with an English description.
int SetMacro(CMixState& s) {
  CZLMacroObject macro;
  macro.m_lMacroID = s.Pick(3) == 0 ? 0 : 1 + s.Pick(8);
  macro.m_strMacroText = s.Text("macro text ").c_str();
  macro.m_strDefName = s.Text("m").c_str();
  macro.m_dwLevel = static_cast<DWORD>(s.Pick(16));
  macro.m_mapDescription[kEnglish] = s.Text("description ").c_str();
  return ZLSetMacroByID(s.hDB, s.AnyRecord(), kStartSimLanguage, macro);
}

int SetCall(CMixState& s) {
  CZLCallObject call;
  call.m_lCallID = s.Pick(3) == 0 ? 0 : 1 + s.Pick(8);
  call.m_strCallKey = s.Text("k").c_str();
  call.m_strCallText = s.Text("call line ").c_str();
  return ZLSetCallByID(s.hDB, s.AnyRecord(), kStartSimLanguage, call);
}

// The object of one of the first packages in the start file's language.
int SetPackage(CMixState& s) {
  CZLPackageObject package;
  package.m_strPackageText = s.Text("package ").c_str();
  package.m_strPackageBodyText = s.Text("body ").c_str();
  const std::string name = "package" + std::to_string(1 + s.Pick(kPackageIDs));
  return ZLSetPackageByName(s.hDB, name.c_str(), kStartSimLanguage, package);
}

// A node with the step's texts in every table a node reaches.
CZLNodeObject* NewNode(CMixState& s) {
  auto* node = new CZLNodeObject;
  node->m_strName = s.Text("n").c_str();
  node->m_strValue = s.Text("v").c_str();
  node->m_mapInfo[kEnglish] = s.Text("node ").c_str();
  if (s.Pick(2) == 0) node->m_mapInfo[kGerman] = s.Text("Knoten ").c_str();
  node->m_mapPreferUnit[kEnglish] = s.Pick(2) == 0 ? "mV" : "kV";
  node->m_mapAccess[kStartSimLanguage] = s.Text("V(").c_str();
  node->m_mapDefValue[kStartSimLanguage] = "0";
  node->m_dwType = static_cast<DWORD>(s.Pick(8));
  node->m_strUnit = "V";
  node->m_lIndex = s.Pick(10);
  return node;
}

// The record's nodes of one kind, merged: each kept with probability 2/3
// (half of those changed: a value, or texts and units of a language),
// then up to two new ones.  A failed write must
// leave the objects' node IDs as they were (none handed out); a write that
// does not gives -1 as its code.
int SetNodes(CMixState& s) {
  const long id = s.AnyRecord();
  const bool conservative = s.Pick(2) == 0;
  CZLNodeArray nodes, next;
  int result =
      conservative ? ZLGetNodesCByID(s.hDB, id, nodes) : ZLGetNodesNCByID(s.hDB, id, nodes, 0);
  if (result == 1) {
    for (int i = 0; i < nodes.GetSize(); ++i) {
      if (s.Pick(3) == 0) continue;
      auto* node = new CZLNodeObject(nodes[i]);
      switch (s.Pick(4)) {
        case 0:
          node->m_strValue = s.Text("changed ").c_str();
          break;
        case 1:
          node->m_mapInfo.RemoveKey(kGerman);
          node->m_mapPreferUnit[kGerman] = "kV";
          break;
        default:
          break;
      }
      next.Add(node);
    }
    for (long n = s.Pick(3); n > 0; --n) next.Add(NewNode(s));
    std::vector<long> ids;
    for (int i = 0; i < next.GetSize(); ++i) ids.push_back(next[i]->m_lNodeID);
    result = conservative ? ZLSetNodesCByID(s.hDB, id, next) : ZLSetNodesNCByID(s.hDB, id, next, 0);
    for (int i = 0; result == 0 && i < next.GetSize(); ++i) {
      if (next[i]->m_lNodeID != ids[static_cast<size_t>(i)]) s.failure = -1;
    }
  }
  ZLFreeObjectArray(nodes);
  ZLFreeObjectArray(next);
  return result;
}

// Zero to three files with the step's bytes.
int SetFiles(CMixState& s) {
  CZLFileArray files;
  for (long n = s.Pick(4); n > 0; --n) {
    auto* file = new CZLFileObject;
    file->m_strFileName = s.Text("file").append(std::to_string(n)).c_str();
    file->m_dwType = static_cast<DWORD>(s.Pick(4));
    file->m_dwLanguage = s.Pick(2) == 0 ? kEnglish : kGerman;
    file->m_bAccessSet = s.Pick(2) == 0;
    file->m_lAccess = file->m_bAccessSet ? s.Pick(4) : 0;
    std::string bytes;
    for (long k = s.Pick(30); k > 0; --k) bytes += s.Text("bytes ");
    if (!bytes.empty()) file->m_lbData.Assign(bytes.data(), bytes.size());
    files.Add(file);
  }
  const int result = ZLSetFilesByID(s.hDB, s.AnyRecord(), files);
  ZLFreeObjectArray(files);
  return result;
}

// Up to three shared keywords and one of the step's own.
CZLKeywordArray* NewKeywords(CMixState& s) {
  auto* keywords = new CZLKeywordArray;
  for (long n = s.Pick(4); n > 0; --n) {
    auto* keyword = new CZLKeywordObject;
    keyword->m_strKeyword = kKeywords[s.Pick(4)];
    keywords->Add(keyword);
  }
  if (s.Pick(2) == 0) {
    auto* keyword = new CZLKeywordObject;
    keyword->m_strKeyword = s.Text("kw").c_str();
    keywords->Add(keyword);
  }
  return keywords;
}

// One language's keywords, or both languages' in one call, of the record
// itself or of a parameter set (which stores only what the record lacks).
int SetKeywords(CMixState& s) {
  const long id = s.AnyRecord();
  const long paramSet = s.Pick(3) == 0 ? 5 : 0;
  CZLKeywordMap map;
  int result = 0;
  if (s.Pick(2) == 0) {
    map[kEnglish] = NewKeywords(s);
    map[kGerman] = NewKeywords(s);
    result = ZLSetKeywordsByID(s.hDB, id, map, paramSet);
  } else {
    map[kEnglish] = NewKeywords(s);
    result = ZLSetKeywordsByID(s.hDB, id, kEnglish, *map[kEnglish], paramSet);
  }
  ZLFreeKeywordMap(map);
  return result;
}

// Objects for both start languages (new or rewritten macros and call
// lines, in one call).
int SetMacros(CMixState& s) {
  CZLMacroMap map;
  for (const char* language : {kStartSimLanguage, kSecondSimLanguage}) {
    auto* macros = new CZLMacroArray;
    for (long n = s.Pick(3); n > 0; --n) {
      auto* macro = new CZLMacroObject;
      macro->m_strMacroText = s.Text("macros ").c_str();
      macro->m_strDefName = s.Text("ms").c_str();
      macro->m_mapDescription[kGerman] = s.Text("Makro ").c_str();
      macros->Add(macro);
    }
    map[language] = macros;
  }
  const int result = ZLSetMacrosByID(s.hDB, s.AnyRecord(), map);
  ZLFreeMacroMap(map);
  return result;
}

int SetCalls(CMixState& s) {
  CZLCallMap map;
  for (const char* language : {kStartSimLanguage, kSecondSimLanguage}) {
    auto* calls = new CZLCallArray;
    for (long n = s.Pick(3); n > 0; --n) {
      auto* call = new CZLCallObject;
      call->m_strCallKey = s.Text("c").append(std::to_string(n)).c_str();
      call->m_strCallText = s.Text("calls ").c_str();
      calls->Add(call);
    }
    map[language] = calls;
  }
  const int result = ZLSetCallsByID(s.hDB, s.AnyRecord(), map);
  ZLFreeCallMap(map);
  return result;
}

// One package's objects in both start languages, in one call.
int SetPackages(CMixState& s) {
  CZLPackageMap map;
  for (const char* language : {kStartSimLanguage, kSecondSimLanguage}) {
    auto* package = new CZLPackageObject;
    package->m_strPackageText = s.Text("packages ").c_str();
    map[language] = package;
  }
  const std::string name = "package" + std::to_string(1 + s.Pick(kPackageIDs));
  const int result = ZLSetPackageByName(s.hDB, name.c_str(), map);
  ZLFreePackageMap(map);
  return result;
}

// One package record over another (names clashing get "Copy of").
int CopyPackage(CMixState& s) {
  CTypedPtrArray<CPtrArray, COleVariant*> marks;
  int result = ZLGetPackageAllBookmarks(s.hDB, marks);
  if (result == 1 && marks.GetSize() < 2) result = 0;
  if (result == 1) {
    const long count = static_cast<long>(marks.GetSize());
    const long from = s.Pick(count), to = (from + 1 + s.Pick(count - 1)) % count;
    result = ZLCopyPackageRecordByBookmark(s.hDB, *marks[from], s.hDB, *marks[to]);
  }
  ZLFreeBookmarkArray(marks);
  return result;
}

int ImportResourceStrings(CMixState& s) {
  CZLResourceStringObject first, second;
  first.m_lResID = 1 + s.Pick(10);
  first.m_strText = s.Text("import ").c_str();
  second.m_lResID = 1 + s.Pick(10);
  second.m_strText = s.Text("again ").c_str();
  CTypedPtrArray<CObArray, CZLResourceStringObject*> strings;
  strings.Add(&first);
  strings.Add(&second);
  return ZLSetDBResourceStrings(s.hDB, s.Pick(2) == 0 ? kEnglish : kGerman, strings);
}

// ---- parameter sets, limits, additional data, profile strings ----

// One of the record's parameter sets, or 0 when it has none.
long AnySet(CMixState& s, long id) {
  CArray<long, long> sets;
  if (ZLGetAllParamSetByID(s.hDB, id, sets) != 1 || sets.GetSize() == 0) return 0;
  return sets[s.Pick(static_cast<long>(sets.GetSize()))];
}

// One link of a set of the record, to another of its sets or to none (a
// record without sets gives 11).
int LinkParamSet(CMixState& s) {
  const long id = s.AnyRecord();
  const long set = AnySet(s, id), other = s.Pick(3) == 0 ? 0 : AnySet(s, id);
  return s.Pick(2) == 0 ? ZLSetNextParamSetByParamID(s.hDB, set, other)
                        : ZLSetPrevParamSetByParamID(s.hDB, set, other);
}

// New values for half of the record's parameters in one of its sets.
int SetParamSetValues(CMixState& s) {
  const long id = s.AnyRecord();
  const long set = AnySet(s, id);
  CZLNodeArray nodes;
  int result = ZLGetNodesNCByID(s.hDB, id, nodes, set);
  if (result == 1) {
    for (int i = 0; i < nodes.GetSize(); ++i) {
      if (s.Pick(2) == 0) nodes[i]->m_strValue = s.Text("set value ").c_str();
    }
    result = ZLSetNodesNCByID(s.hDB, id, nodes, set);
  }
  ZLFreeObjectArray(nodes);
  return result;
}

// A node ID of the record's parameters (0 when it has none).
long AnyParameter(CMixState& s, long id) {
  CZLNodeArray nodes;
  long node = 0;
  if (ZLGetNodesNCByID(s.hDB, id, nodes, 0) == 1 && nodes.GetSize() > 0) {
    node = nodes[s.Pick(static_cast<long>(nodes.GetSize()))]->m_lNodeID;
  }
  ZLFreeObjectArray(nodes);
  return node;
}

void Change(CMixState& s, CZLToleranceObject& t) {
  t.m_lState = s.Pick(3);
  t.m_strTolerance = s.Text("tol ").c_str();
  t.m_strMaximum = s.Pick(2) == 0 ? "" : s.Text("max ").c_str();
}
void Change(CMixState& s, CZLStressObject& t) {
  t.m_lState = s.Pick(3);
  t.m_strMinimum = s.Text("min ").c_str();
  t.m_strMaximum = s.Pick(2) == 0 ? "" : s.Text("max ").c_str();
}

// The record's tolerances or stresses merged (each kept with probability
// 2/3, half of those changed, up to two new ones), or one of its sets'
// values for them.
template <typename Object, typename Array, typename Get, typename Set>
int SetLimits(CMixState& s, Get get, Set set) {
  const long id = s.AnyRecord();
  const long paramSet = s.Pick(2) == 0 ? 0 : AnySet(s, id);
  Array limits, next;
  int result = get(s.hDB, id, limits, paramSet);
  if (result == 1) {
    for (int i = 0; i < limits.GetSize(); ++i) {
      if (paramSet == 0 && s.Pick(3) == 0) continue;
      auto* limit = new Object(limits[i]);
      if (s.Pick(2) == 0) Change(s, *limit);
      next.Add(limit);
    }
    for (long n = paramSet == 0 ? s.Pick(3) : 0; n > 0; --n) {
      auto* limit = new Object;
      Change(s, *limit);
      limit->m_lIndex = n;
      if constexpr (std::is_same_v<Object, CZLToleranceObject>) {
        limit->m_lNodeID = AnyParameter(s, id);
      } else {
        limit->m_strReference = s.Text("reference ").c_str();
      }
      next.Add(limit);
    }
    result = set(s.hDB, id, next, paramSet);
  }
  ZLFreeObjectArray(limits);
  ZLFreeObjectArray(next);
  return result;
}

int SetTolerances(CMixState& s) {
  return SetLimits<CZLToleranceObject, CZLToleranceArray>(s, ZLGetTolerancesByID,
                                                          ZLSetTolerancesByID);
}
int SetStresses(CMixState& s) {
  return SetLimits<CZLStressObject, CZLStressArray>(s, ZLGetStressByID, ZLSetStressByID);
}

// Additional-data columns the mix adds and removes (names are quoted: the
// space and the semicolon are part of them).
const char* const kDataColumns[] = {"order number", "Lager;platz"};

int CreateDataColumn(CMixState& s) {
  CZLAdditionalDataInfoObject info(kDataColumns[s.Pick(2)]);
  info.m_strInfo = s.Text("column ").c_str();
  info.m_lSize = 40;
  info.m_lIndex = s.Pick(2);
  info.m_lDuplicate = s.Pick(2);
  return ZLCreateAdditionalDataInfo(s.hDB, info);
}

// A text unique to the step (so a unique index never refuses it), or NULL.
int SetAdditionalData(CMixState& s) {
  COleVariant value(CString(s.Text("data ").c_str()));
  if (s.Pick(4) == 0) value.SetNull();
  return ZLSetAdditionalDataByID(s.hDB, s.AnyRecord(), kDataColumns[s.Pick(2)], value);
}

// Profile strings of a record under a few sections and keys (the catalogue
// is the record's own once it has one).
const char* const kProfileSections[] = {"Sim", "View"};
const char* const kProfileKeys[] = {"Step", "Size", "Mode"};
const char* AnySection(CMixState& s) { return kProfileSections[s.Pick(2)]; }

// A section and key the record holds a value under, found by reading them
// from a random start; when it holds none, the last tried (and the delete
// is refused).
void AnyProfileValue(CMixState& s, long id, const char*& section, const char*& key) {
  const long start = s.Pick(6);
  for (long i = 0; i < 6; ++i) {
    section = kProfileSections[(start + i) % 6 / 3];
    key = kProfileKeys[(start + i) % 3];
    CString value;
    if (ZLGetProfileString(s.hDB, id, "Prof", section, key, value) == 1) return;
  }
}

int DeleteProfileKey(CMixState& s) {
  const long id = s.AnyRecord();
  const char *section = nullptr, *key = nullptr;
  AnyProfileValue(s, id, section, key);
  return ZLDeleteProfileKey(s.hDB, id, "Prof", section, key);
}

int DeleteProfileSection(CMixState& s) {
  const long id = s.AnyRecord();
  const char *section = nullptr, *key = nullptr;
  AnyProfileValue(s, id, section, key);
  return ZLDeleteProfileSection(s.hDB, id, "Prof", section);
}

// Rolls back the `levels` caller transaction levels the writer opened after
// a failure, as a careful caller would (a failed export or commit leaves
// its levels open), and keeps the failure's code.  Levels opened around the
// writer stay open.
int Abandon(CMixState& s, int code, long records, int levels = 1) {
  s.records = records;
  for (int i = 0; i < levels; ++i) ZLRollbackTransaction(s.hDB);
  s.failure = code;
  return 0;
}
bool IsFailure(int code) { return code == ZLE_ENGINE || code == ZLE_OUT_OF_MEMORY; }

// Two keys of one section in one caller transaction, as a caller saving
// several settings at once; any failure rolls both back.
int SetProfileStrings(CMixState& s) {
  if (ZLBeginTransaction(s.hDB) != 1) return 0;
  const long id = s.AnyRecord();
  const char* section = AnySection(s);
  for (const char* key : {kProfileKeys[0], kProfileKeys[2]}) {
    if (ZLSetProfileString(s.hDB, id, "Prof", section, key, CString(s.Text(key).c_str())) != 1) {
      return Abandon(s, ZLGetLastError(), s.records);
    }
  }
  return ZLCommitTransaction(s.hDB) == 1 ? 1 : Abandon(s, ZLGetLastError(), s.records);
}

// One to three writers of the other families inside a caller transaction,
// sometimes with an inner level that is rolled back, then committed (or,
// when rollBack, rolled back as a whole).  Refusals inside (a record that
// is gone, ...) are part of the mix; a failure with the inner writer's
// storage code (which for some writers is also a refusal's), 6 or 9
// abandons the whole with that code.
int InTransaction(CMixState& s, bool rollBack) {
  if (ZLBeginTransaction(s.hDB) != 1) return 0;
  const long records = s.records;
  const auto& writers = Writers();
  const auto anyPlainWriter = [&]() -> const CWriter& {
    for (;;) {
      const CWriter& w = writers[s.Pick(static_cast<long>(writers.size()))];
      if (std::string(w.family) != "transactions") return w;
    }
  };
  // The inner writer's code when it failed (an inner writer that cleans
  // up after itself keeps it in s.failure), or 0.
  const auto write = [&]() -> int {
    const CWriter& w = anyPlainWriter();
    s.failure = 0;
    if (w.write(s) == 1) return 0;
    const int code = s.failure != 0 ? s.failure : ZLGetLastError();
    s.failure = 0;
    if (code != w.storageCode && code != -1 && !IsFailure(code)) return 0;
    s.storageCode = w.storageCode;
    return code;
  };
  for (long n = 1 + s.Pick(3); n > 0; --n) {
    if (const int code = write()) return Abandon(s, code, records);
  }
  if (s.Pick(3) == 0) {
    if (ZLBeginTransaction(s.hDB) != 1) return Abandon(s, ZLGetLastError(), records);
    const long outer = s.records;
    if (const int code = write()) return Abandon(s, code, records, 2);
    if (ZLRollbackTransaction(s.hDB) != 1) return Abandon(s, ZLGetLastError(), records, 2);
    s.records = outer;
  }
  if (rollBack) {
    s.records = records;
    return ZLRollbackTransaction(s.hDB) == 1 ? 1 : Abandon(s, ZLGetLastError(), records);
  }
  if (ZLCommitTransaction(s.hDB) == 1) return 1;
  return Abandon(s, ZLGetLastError(), records);
}

// Deletes a record as a careful caller does, in one caller transaction:
// deletion leaves the links of other records alone, so every link that
// points to the record is cleared first.
int DeleteRecord(CMixState& s) {
  using LinkGetter = int (*)(void*, long, long&);
  using LinkSetter = int (*)(void*, long, long);
  static const std::pair<LinkGetter, LinkSetter> kLinks[] = {
      {ZLGetParentByID, ZLSetParentByID},
      {ZLGetFirstChildByID, ZLSetFirstChildByID},
      {ZLGetPrevByID, ZLSetPrevByID},
      {ZLGetNextByID, ZLSetNextByID}};
  const long id = s.AnyRecord();
  COleVariant bookmark;
  if (ZLGetBookmarkByID(s.hDB, id, bookmark) != 1) return 0;
  if (ZLBeginTransaction(s.hDB) != 1) return 0;
  for (long other = 1; other <= s.records; ++other) {
    for (const auto& link : kLinks) {
      long target = 0;
      if (link.first(s.hDB, other, target) != 1) {
        const int code = ZLGetLastError();
        if (code == ZLE_NULL_VALUE || code == ZLE_NO_RECORD) continue;
        return Abandon(s, code, s.records);
      }
      if (target == id && link.second(s.hDB, other, 0) != 1) {
        return Abandon(s, ZLGetLastError(), s.records);
      }
    }
  }
  if (ZLDeleteRecordByID(s.hDB, id) != 1) return Abandon(s, ZLGetLastError(), s.records);
  return ZLCommitTransaction(s.hDB) == 1 ? 1 : Abandon(s, ZLGetLastError(), s.records);
}

// A date drawn from the step (whole seconds, as the file keeps them).
COleDateTime AnyDate(CMixState& s) {
  return COleDateTime(2000 + static_cast<int>(s.Pick(30)), 1 + static_cast<int>(s.Pick(12)),
                      1 + static_cast<int>(s.Pick(28)), static_cast<int>(s.Pick(24)), 0, 0);
}

// Deletes one of a record's macros in the start language.
int DeleteMacro(CMixState& s) {
  const long id = s.AnyRecord();
  CZLMacroMap macros;
  int result = ZLGetMacrosByID(s.hDB, id, macros, ZL_MACRO_ACCESS);
  CZLMacroArray* start = nullptr;
  if (result == 1 && (!macros.Lookup(kStartSimLanguage, start) || start->GetSize() == 0)) {
    result = 0;
  }
  if (result == 1) {
    result = ZLDeleteMacroByID(s.hDB, id, kStartSimLanguage,
                               start->GetAt(s.Pick(start->GetSize()))->m_lMacroID);
  }
  ZLFreeMacroMap(macros);
  return result;
}

int SetWizardData(CMixState& s) {
  CLongBinary block;
  const std::string bytes = s.Text("wizard ");
  block.Assign(bytes.data(), bytes.size());
  return ZLSetWizardDataByID(s.hDB, s.AnyRecord(), block);
}

// Copies one record onto another, all its content or its user-defined data.
template <int (*Copy)(void*, const COleVariant&, void*, const COleVariant&)>
int CopyRecord(CMixState& s) {
  COleVariant from, to;
  if (ZLGetBookmarkByID(s.hDB, s.AnyRecord(), from) != 1) return 0;
  if (ZLGetBookmarkByID(s.hDB, s.AnyRecord(), to) != 1) return 0;
  return Copy(s.hDB, from, s.hDB, to);
}

#define ZL_LINK(Name)                                                                    \
  {                                                                                      \
    "links", "Set" #Name,                                                                \
        [](CMixState& s) { return ZLSet##Name##ByID(s.hDB, s.AnyRecord(), AnyLink(s)); } \
  }
#define ZL_TEXT_ATTRIBUTE(Name, prefix)                                       \
  {                                                                           \
    "attributes", "Set" #Name, [](CMixState& s) {                             \
      return ZLSet##Name##ByID(s.hDB, s.AnyRecord(), s.Text(prefix).c_str()); \
    }                                                                         \
  }
#define ZL_NUMBER_ATTRIBUTE(Name, Type)                                                \
  {                                                                                    \
    "attributes", "Set" #Name, [](CMixState& s) {                                      \
      return ZLSet##Name##ByID(s.hDB, s.AnyRecord(), static_cast<Type>(AnyNumber(s))); \
    }                                                                                  \
  }
// Adding and removing language tables report a storage failure as 1.
#define ZL_SIMTABLE(Kind, ...)                                                            \
  {"simlang", "Add" #Kind "Table",                                                        \
   [](CMixState& s) { return ZLAdd##Kind##Table(s.hDB, AnySimLanguage(s) __VA_ARGS__); }, \
   ZLE_IN_USE_OR_EXISTS},                                                                 \
  {                                                                                       \
    "simlang", "Remove" #Kind "Table",                                                    \
        [](CMixState& s) { return ZLRemove##Kind##Table(s.hDB, AnySimLanguage(s)); },     \
        ZLE_IN_USE_OR_EXISTS                                                              \
  }

// clang-format off
const std::vector<CWriter> kWriters = {
    {"records", "CreateNewRecord", CreateRecord},
    {"records", "DeleteRecord", DeleteRecord},
    {"records", "CopyRecord", CopyRecord<ZLCopyRecordByBookmark>},
    {"records", "CopyUDTRecord", CopyRecord<ZLCopyUDTRecordByBookmark>},
    {"records", "DeleteUDTRecord", [](CMixState& s) {
       return ZLDeleteUDTRecordByID(s.hDB, s.AnyRecord());
     }},
    {"attributes", "SetCreatedDate", [](CMixState& s) {
       return ZLSetCreatedDateByID(s.hDB, s.AnyRecord(), AnyDate(s), 0);
     }},
    {"attributes", "SetModifiedDate", [](CMixState& s) {
       return ZLSetModifiedDateByID(s.hDB, s.AnyRecord(), AnyDate(s), 0);
     }},
    {"attributes", "SetWizardData", SetWizardData},
    {"packages", "SetPackageState", [](CMixState& s) {
       return ZLSetPackageStateByID(s.hDB, 1 + s.Pick(kPackageIDs), AnyNumber(s));
     }},
    {"packages", "SetPackageCreatedUser", [](CMixState& s) {
       return ZLSetPackageCreatedUserByID(s.hDB, 1 + s.Pick(kPackageIDs), s.Text("u").c_str());
     }},
    {"packages", "SetPackageModifiedDate", [](CMixState& s) {
       return ZLSetPackageModifiedDateByID(s.hDB, 1 + s.Pick(kPackageIDs), AnyDate(s));
     }},
    ZL_TEXT_ATTRIBUTE(DefName, "model"),
    ZL_TEXT_ATTRIBUTE(Uses, "uses"),
    ZL_TEXT_ATTRIBUTE(UDTName, "udt"),
    ZL_NUMBER_ATTRIBUTE(Type, unsigned long),
    ZL_NUMBER_ATTRIBUTE(Level, unsigned long),
    ZL_NUMBER_ATTRIBUTE(WizType, long),
    {"attributes", "SetDefNameByBookmark", [](CMixState& s) {
       COleVariant bookmark;
       if (ZLGetBookmarkByID(s.hDB, s.AnyRecord(), bookmark) != 1) return 0;
       return ZLSetDefNameByBookmark(s.hDB, bookmark, s.Text("marked").c_str());
     }},
    {"attributes", "SetState", [](CMixState& s) {
       return ZLSetStateByID(s.hDB, s.AnyRecord(), AnyNumber(s), 0);
     }},
    {"attributes", "SetCreatedUser", [](CMixState& s) {
       return ZLSetCreatedUserByID(s.hDB, s.AnyRecord(), s.Text("creator").c_str(), 0);
     }},
    {"attributes", "SetModifiedUser", [](CMixState& s) {
       return ZLSetModifiedUserByID(s.hDB, s.AnyRecord(), s.Text("editor").c_str(), 0);
     }},
    {"attributes", "SetSheet", SetSheet},
    {"texts", "SetTitle", SetTitleOneLanguage},
    {"texts", "SetTitleAllLanguages", [](CMixState& s) { return SetTextsAllLanguages(s, false); }},
    {"texts", "SetInfoAllLanguages", [](CMixState& s) { return SetTextsAllLanguages(s, true); }},
    ZL_LINK(Parent),
    ZL_LINK(FirstChild),
    ZL_LINK(Prev),
    ZL_LINK(Next),
    {"properties", "SetUserVersion", [](CMixState& s) {
       return ZLSetUserVersion(s.hDB, s.Text("v").c_str());
     }},
    {"properties", "SetDatabaseInfo", [](CMixState& s) {
       return ZLSetDatabaseInfo(s.hDB, s.Text("info ").c_str());
     }},
    {"properties", "SetDatabaseState", [](CMixState& s) {
       unsigned long state = AnyNumber(s);
       return ZLSetDatabaseState(s.hDB, state);
     }},
    {"resources", "AddResourceTable", [](CMixState& s) {
       return ZLAddResourceTable(s.hDB, AnyExtraLanguage(s));
     }, ZLE_IN_USE_OR_EXISTS},
    {"resources", "RemoveResourceTable", [](CMixState& s) {
       return ZLRemoveResourceTable(s.hDB, AnyExtraLanguage(s));
     }, ZLE_IN_USE_OR_EXISTS},
    {"resources", "SetDBResourceStrings", ImportResourceStrings},
    ZL_SIMTABLE(Macro, , static_cast<int>(s.Pick(2))),
    ZL_SIMTABLE(Call, , static_cast<int>(s.Pick(2))),
    ZL_SIMTABLE(Access),
    ZL_SIMTABLE(Package),
    {"nodes", "SetNodes", SetNodes},
    {"files", "SetFiles", SetFiles},
    {"keywords", "SetKeywords", SetKeywords},
    {"symbols", "SetSymbol", [](CMixState& s) {
       const WORD language = s.Pick(2) == 0 ? kEnglish : kGerman;
       return ZLSetSymbolByID(s.hDB, s.AnyRecord(), language, s.Text("R").c_str());
     }},
    {"macros", "SetMacro", SetMacro},
    {"macros", "SetMacros", SetMacros},
    {"macros", "DeleteMacro", DeleteMacro},
    {"calls", "SetCall", SetCall},
    {"calls", "SetCalls", SetCalls},
    {"packages", "CreatePackageNewRecord", [](CMixState& s) {
       COleVariant bookmark;
       return ZLCreatePackageNewRecord(s.hDB, bookmark);
     }},
    {"packages", "SetPackageName", [](CMixState& s) {
       // One name per package ID, so that names stay unique.
       const long id = 1 + s.Pick(kPackageIDs);
       return ZLSetPackageNameByID(s.hDB, id, ("package" + std::to_string(id)).c_str());
     }},
    {"packages", "SetPackage", SetPackage},
    {"packages", "SetPackages", SetPackages},
    {"packages", "DeletePackage", [](CMixState& s) {
       const long id = 1 + s.Pick(kPackageIDs);
       return ZLDeletePackageByID(s.hDB, id, s.Pick(2) == 0 ? kStartSimLanguage : kSecondSimLanguage);
     }},
    {"packages", "CopyPackageRecord", CopyPackage},
    {"packages", "DeletePackageRecord", [](CMixState& s) {
       return ZLDeletePackageRecordByID(s.hDB, 1 + s.Pick(kPackageIDs));
     }},
    {"paramsets", "CreateNewParamSet", [](CMixState& s) {
       long set = 0;
       return ZLCreateNewParamSet(s.hDB, s.AnyRecord(), set);
     }},
    {"paramsets", "SetParamSetLink", LinkParamSet},
    {"paramsets", "SetNodesOfParamSet", SetParamSetValues},
    {"tolerances", "SetTolerances", SetTolerances},
    {"tolerances", "SetStress", SetStresses},
    {"paramsets", "DeleteParamSet", [](CMixState& s) {
       const long id = s.AnyRecord();
       return ZLDeleteParamSetByParamID(s.hDB, id, AnySet(s, id));
     }},
    {"additional data", "CreateAdditionalDataInfo", CreateDataColumn},
    {"additional data", "SetAdditionalData", SetAdditionalData},
    {"additional data", "DeleteAdditionalDataInfo", [](CMixState& s) {
       return ZLDeleteAdditionalDataInfo(s.hDB, kDataColumns[s.Pick(2)]);
     }},
    {"profiles", "SetProfileString", [](CMixState& s) {
       return ZLSetProfileString(s.hDB, s.AnyRecord(), "Prof", AnySection(s),
                                 kProfileKeys[s.Pick(3)], CString(s.Text("p").c_str()));
     }},
    {"profiles", "SetProfileStrings", SetProfileStrings},
    {"profiles", "DeleteProfileKey", DeleteProfileKey},
    {"profiles", "DeleteProfileSection", DeleteProfileSection},
    {"transactions", "CommitTransaction", [](CMixState& s) { return InTransaction(s, false); }},
    {"transactions", "RollbackTransaction", [](CMixState& s) { return InTransaction(s, true); }},
};
// clang-format on

}  // namespace

const std::vector<CWriter>& Writers() { return kWriters; }

std::string CStepResult::Line() const {
  return std::to_string(writer) + " " + std::to_string(result) + " " + std::to_string(code);
}

CStepResult RunStep(void* hDB, uint32_t seed, long step, long& records) {
  CMixState state;
  state.hDB = hDB;
  state.rng.seed(seed * 1000003u + static_cast<uint32_t>(step));
  state.records = records;
  state.step = step;
  CStepResult out;
  out.writer = static_cast<int>(state.Pick(static_cast<long>(kWriters.size())));
  out.result = kWriters[out.writer].write(state);
  out.code = out.result == 1 ? 0 : state.failure != 0 ? state.failure : ZLGetLastError();
  records = state.records;
  return out;
}

bool CreateStartFile(const std::string& path) {
  void* hDB = ZLCreateDatabase(path.c_str());
  if (hDB == nullptr) return false;
  bool ok = ZLAddResourceTable(hDB, kEnglish) == 1 && ZLAddResourceTable(hDB, kGerman) == 1 &&
            ZLAddAccessTable(hDB, kStartSimLanguage) == 1;
  for (const char* language : {kStartSimLanguage, kSecondSimLanguage}) {
    ok = ok && ZLAddMacroTable(hDB, language, 0) == 1 && ZLAddCallTable(hDB, language, 0) == 1 &&
         ZLAddPackageTable(hDB, language) == 1;
  }
  for (long id = 1; ok && id <= kStartRecords; ++id) {
    COleVariant bookmark;
    ok = ZLCreateNewRecord(hDB, bookmark) == 1 &&
         ZLSetTitleByID(hDB, id, kEnglish, ("record " + std::to_string(id)).c_str(), 0) == 1;
  }
  for (long id = 1; ok && id <= 2; ++id) {
    COleVariant bookmark;
    ok = ZLCreatePackageNewRecord(hDB, bookmark) == 1 &&
         ZLSetPackageNameByID(hDB, id, ("package" + std::to_string(id)).c_str()) == 1;
  }
  return ZLCloseDatabase(hDB) == 1 && ok;
}

long EnvCount(const char* name, long fallback) {
  const char* text = std::getenv(name);
  if (text == nullptr || *text == '\0') return fallback;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  return *end == '\0' && value >= 0 ? value : fallback;
}

}  // namespace zlrel
