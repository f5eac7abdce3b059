// Deleting and copying fully populated models, for libraries of N models.
//
//   bench_record_copy [N ...]      N defaults to 1000 and 10000
//
// Each model has a definition name, titles in two languages, an
// information text, two keywords per language, two files, two conservative
// and three non-conservative nodes (with information texts and access
// texts), a macro and a call line in one simulator language, a symbol, two
// parameter sets (chained, each with a title, a keyword, node values and
// tolerance and stress values), two tolerances and a stress, two additional
// data values and a profile string.
// Measured on K = 200 models of each library:
//   - populate: writing one model through the exported setters (the
//     baseline: what a caller does to make such a model);
//   - copy: ZLCopyRecordByBookmark and ZLCopyUDTRecordByBookmark of a model
//     onto a new record of a second library of the same size;
//   - delete: ZLDeleteRecordByID of a model.
// Each line gives microseconds per model and the ratios to populate; the
// last block compares the per-model times across N (1.00 = flat).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_main.h"
#include "zldbctrl70.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr WORD kEnglish = 1033;
constexpr WORD kGerman = 1031;
constexpr long kMeasured = 200;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "bench_record_copy: %s failed (last error %d)\n", what, ZLGetLastError());
  std::exit(1);
}

void Check(int result, const char* what) {
  if (result == 0) Fail(what);
}

void* Library(const std::string& path) {
  void* hDB = ZLCreateDatabase(path.c_str());
  if (hDB == nullptr) Fail("ZLCreateDatabase");
  Check(ZLAddResourceTable(hDB, kEnglish), "ZLAddResourceTable");
  Check(ZLAddResourceTable(hDB, kGerman), "ZLAddResourceTable");
  Check(ZLAddMacroTable(hDB, "SPICE", 0), "ZLAddMacroTable");
  Check(ZLAddCallTable(hDB, "SPICE", 0), "ZLAddCallTable");
  Check(ZLAddAccessTable(hDB, "SPICE"), "ZLAddAccessTable");
  for (const char* name : {"COST", "ORDERNO"}) {
    CZLAdditionalDataInfoObject info(name);
    info.m_lType = name[0] == 'C' ? 7 : 0;
    info.m_lSize = 20;
    Check(ZLCreateAdditionalDataInfo(hDB, info), "ZLCreateAdditionalDataInfo");
  }
  return hDB;
}

long NewModel(void* hDB) {
  COleVariant bookmark;
  long id = 0;
  Check(ZLCreateNewRecord(hDB, bookmark), "ZLCreateNewRecord");
  Check(ZLGetIDByBookmark(hDB, bookmark, id), "ZLGetIDByBookmark");
  return id;
}

// Two tolerances (on the first two non-conservative nodes), a stress and
// two chained parameter sets with their own values of each.
void PopulateSets(void* hDB, long id, const std::string& n) {
  CZLNodeArray nodes;
  Check(ZLGetNodesNCByID(hDB, id, nodes, 0), "ZLGetNodesNCByID");
  CZLToleranceArray tolerances;
  for (int k = 0; k < 2; ++k) {
    auto* t = new CZLToleranceObject;
    t->m_lNodeID = nodes[k]->m_lNodeID;
    t->m_lIndex = k;
    t->m_strDeviation = "5%";
    tolerances.Add(t);
  }
  Check(ZLSetTolerancesByID(hDB, id, tolerances, 0), "ZLSetTolerancesByID");
  CZLStressArray stresses;
  auto* stress = new CZLStressObject;
  stress->m_strMaximum = "0.25";
  stresses.Add(stress);
  Check(ZLSetStressByID(hDB, id, stresses, 0), "ZLSetStressByID");
  long sets[2] = {0, 0};
  for (int s = 0; s < 2; ++s) {
    Check(ZLCreateNewParamSet(hDB, id, sets[s]), "ZLCreateNewParamSet");
    const std::string name = "variant " + n + "/" + std::to_string(s);
    Check(ZLSetTitleByID(hDB, id, kEnglish, name.c_str(), sets[s]), "ZLSetTitleByID");
    CZLKeywordArray keywords;
    auto* k = new CZLKeywordObject;
    k->m_strKeyword = name.c_str();
    k->m_wLanguage = kEnglish;
    keywords.Add(k);
    Check(ZLSetKeywordsByID(hDB, id, kEnglish, keywords, sets[s]), "ZLSetKeywordsByID");
    ZLFreeObjectArray(keywords);
    for (int i = 0; i < nodes.GetSize(); ++i) nodes[i]->m_strValue = name.c_str();
    Check(ZLSetNodesNCByID(hDB, id, nodes, sets[s]), "ZLSetNodesNCByID");
    for (int i = 0; i < tolerances.GetSize(); ++i) tolerances[i]->m_strMaximum = name.c_str();
    Check(ZLSetTolerancesByID(hDB, id, tolerances, sets[s]), "ZLSetTolerancesByID");
    stress->m_strMinimum = name.c_str();
    Check(ZLSetStressByID(hDB, id, stresses, sets[s]), "ZLSetStressByID");
  }
  Check(ZLSetNextParamSetByParamID(hDB, sets[0], sets[1]), "ZLSetNextParamSetByParamID");
  Check(ZLSetPrevParamSetByParamID(hDB, sets[1], sets[0]), "ZLSetPrevParamSetByParamID");
  ZLFreeObjectArray(nodes);
  ZLFreeObjectArray(tolerances);
  ZLFreeObjectArray(stresses);
}

void Populate(void* hDB, long id, long i) {
  const std::string n = std::to_string(i);
  Check(ZLSetDefNameByID(hDB, id, ("M" + n).c_str()), "ZLSetDefNameByID");
  Check(ZLSetTitleByID(hDB, id, kEnglish, ("Model " + n).c_str(), 0), "ZLSetTitleByID");
  Check(ZLSetTitleByID(hDB, id, kGerman, ("Modell " + n).c_str(), 0), "ZLSetTitleByID");
  Check(ZLSetInfoByID(hDB, id, kEnglish, ("Information " + n).c_str(), 0), "ZLSetInfoByID");
  for (WORD language : {kEnglish, kGerman}) {
    CZLKeywordArray keywords;
    for (const std::string& word : {std::string("shared"), "k" + n}) {
      auto* k = new CZLKeywordObject;
      k->m_strKeyword = word.c_str();
      k->m_wLanguage = language;
      keywords.Add(k);
    }
    Check(ZLSetKeywordsByID(hDB, id, language, keywords, 0), "ZLSetKeywordsByID");
    ZLFreeObjectArray(keywords);
  }
  CZLFileArray files;
  for (int f = 0; f < 2; ++f) {
    auto* file = new CZLFileObject;
    file->m_strFileName = ("m" + n + "-" + std::to_string(f) + ".lib").c_str();
    file->m_dwType = 1;
    files.Add(file);
  }
  Check(ZLSetFilesByID(hDB, id, files), "ZLSetFilesByID");
  ZLFreeObjectArray(files);
  for (int kind = 0; kind < 2; ++kind) {
    CZLNodeArray nodes;
    for (int k = 0; k < 2 + kind; ++k) {
      auto* node = new CZLNodeObject;
      node->m_strName = ("n" + std::to_string(k)).c_str();
      node->m_strValue = "1k";
      node->m_lIndex = k;
      node->m_mapInfo.SetAt(kEnglish, "pin");
      node->m_mapAccess.SetAt("SPICE", "a");
      nodes.Add(node);
    }
    Check(kind == 0 ? ZLSetNodesCByID(hDB, id, nodes) : ZLSetNodesNCByID(hDB, id, nodes, 0),
          "ZLSetNodes");
    ZLFreeObjectArray(nodes);
  }
  CZLMacroObject macro;
  macro.m_strMacroText = (".subckt M" + n + " 1 2\nR1 1 2 1k\n.ends").c_str();
  macro.m_dwLevel = 1;
  Check(ZLSetMacroByID(hDB, id, "SPICE", macro), "ZLSetMacroByID");
  CZLCallObject call;
  call.m_strCallKey = "netlist";
  call.m_strCallText = ("X1 1 2 M" + n).c_str();
  call.m_dwLevel = 1;
  Check(ZLSetCallByID(hDB, id, "SPICE", call), "ZLSetCallByID");
  Check(ZLSetSymbolByID(hDB, id, kEnglish, "R"), "ZLSetSymbolByID");
  PopulateSets(hDB, id, n);
  COleVariant cost(1.5);
  Check(ZLSetAdditionalDataByID(hDB, id, "COST", cost), "ZLSetAdditionalDataByID");
  COleVariant order(("A-" + n).c_str());
  Check(ZLSetAdditionalDataByID(hDB, id, "ORDERNO", order), "ZLSetAdditionalDataByID");
  Check(ZLSetProfileString(hDB, id, "PROF", "View", "zoom", "2"), "ZLSetProfileString");
}

// A library of n populated models (in batches of one caller transaction);
// their IDs.
std::vector<long> Fill(void* hDB, long n) {
  std::vector<long> ids;
  for (long i = 0; i < n; ++i) {
    if (i % 500 == 0) Check(ZLBeginTransaction(hDB), "ZLBeginTransaction");
    ids.push_back(NewModel(hDB));
    Populate(hDB, ids.back(), i);
    if (i % 500 == 499 || i == n - 1) Check(ZLCommitTransaction(hDB), "ZLCommitTransaction");
  }
  return ids;
}

struct Figures {
  long n = 0;
  double populate = 0, copy = 0, remove = 0;  // seconds per model
};

template <class Body>
double PerModel(Body&& body) {
  const Clock::time_point start = Clock::now();
  for (long k = 0; k < kMeasured; ++k) body(k);
  return std::chrono::duration<double>(Clock::now() - start).count() / kMeasured;
}

Figures Measure(const std::filesystem::path& dir, long n) {
  Figures f;
  f.n = n;
  void* source = Library((dir / ("source" + std::to_string(n))).string());
  void* dest = Library((dir / ("dest" + std::to_string(n))).string());
  const std::vector<long> ids = Fill(source, n);
  Fill(dest, n);
  // Models spread over the library.
  auto pick = [&](long k) { return ids[static_cast<size_t>(k * (n / kMeasured))]; };
  f.populate = PerModel([&](long k) { Populate(dest, NewModel(dest), n + k); });
  f.copy = PerModel([&](long k) {
    COleVariant from, to;
    Check(ZLGetBookmarkByID(source, pick(k), from), "ZLGetBookmarkByID");
    const long created = NewModel(dest);
    Check(ZLGetBookmarkByID(dest, created, to), "ZLGetBookmarkByID");
    Check(ZLCopyRecordByBookmark(source, from, dest, to), "ZLCopyRecordByBookmark");
    Check(ZLCopyUDTRecordByBookmark(source, from, dest, to), "ZLCopyUDTRecordByBookmark");
  });
  f.remove =
      PerModel([&](long k) { Check(ZLDeleteRecordByID(source, pick(k)), "ZLDeleteRecordByID"); });
  Check(ZLCloseDatabase(source), "ZLCloseDatabase");
  Check(ZLCloseDatabase(dest), "ZLCloseDatabase");
  std::printf("N = %ld, microseconds per model (%ld models each)\n", n, kMeasured);
  std::printf("  %-10s %10s %10s %10s %12s %12s\n", "", "populate", "copy", "delete",
              "copy/populate", "delete/populate");
  std::printf("  %-10s %10.1f %10.1f %10.1f %12.2f %12.2f\n", "", f.populate * 1e6, f.copy * 1e6,
              f.remove * 1e6, f.copy / f.populate, f.remove / f.populate);
  std::fflush(stdout);
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<long> sizes;
  if (!zlbench::ParseSizes(argc, argv, {1000, 10000}, sizes)) return 2;
  for (long n : sizes) {
    if (n < kMeasured) {
      std::fprintf(stderr, "usage: %s [N ...] (N >= %ld)\n", argv[0], kMeasured);
      return 2;
    }
  }
  zlbench::ScratchDir dir;
  if (!dir.Made()) return 1;
  std::vector<Figures> figures;
  for (long n : sizes) figures.push_back(Measure(dir.Path(), n));
  if (figures.size() >= 2) {
    const Figures& a = figures.front();
    std::printf("growth from N = %ld (time per model, 1.00 = flat)\n", a.n);
    for (const Figures& b : figures) {
      std::printf("  N = %-8ld populate %6.2f  copy %6.2f  delete %6.2f\n", b.n,
                  b.populate / a.populate, b.copy / a.copy, b.remove / a.remove);
    }
  }
  return 0;
}
