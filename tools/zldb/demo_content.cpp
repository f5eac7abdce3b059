// The parameter-set part of zldb demo, written as a library manager would:
// over the parameters the node demo wrote, the record's tolerance and
// stress, then the sets (created unlinked, then linked by the caller) with
// the values each gives the parameters, tolerances and stresses.
#include "demo_content.h"

#include <cstdio>
#include <string>

namespace zldb {
namespace {

constexpr WORD kEnglish = 1033;
constexpr WORD kGerman = 1031;

const char* const kModels[] = {"LM741", "NE5532", "OP07"};

// The values a set gives the parameters the node demo wrote (in their
// order: gain, temp, vmax, imax, tau), the tolerance of the gain and the
// supply stress limit.
constexpr int kParameters = 5;

struct DemoSet {
  const char* titleEn;
  const char* titleDe;
  const char* values[kParameters];
  const char* tolerance;
  const char* maximum;
};

const DemoSet kSets[] = {
    {"typical", "typisch", {"200k", "27", "18", "0.025", "1e-6"}, "20%", "18V"},
    {"worst case", "ungünstigster Fall", {"50k", "70", "15", "0.02", "2e-6"}, "30%", "15V"},
};

bool WriteModel(CDatabase& db, const DemoModelRecord& model) {
  void* hDB = db.Handle();
  const long id = model.id;
  CZLNodeArray nodes;
  CZLToleranceArray tolerances;
  CZLStressArray stresses;
  auto* tolerance = new CZLToleranceObject;
  tolerance->m_strTolerance = kSets[0].tolerance;
  tolerances.Add(tolerance);
  auto* stress = new CZLStressObject;
  stress->m_strReference = "supply voltage";
  stress->m_strMinimum = "-18V";
  stress->m_strMaximum = kSets[0].maximum;
  stresses.Add(stress);
  // The sets carry values for the model's own parameters, so they are read
  // rather than written again.
  bool ok = db.Run("reading the parameters of " + model.defName,
                   [&] { return ZLGetNodesNCByID(hDB, id, nodes, 0); });
  if (ok && nodes.GetSize() != kParameters) {
    std::fprintf(stderr, "zldb: %s has %d parameters, not %d\n", model.defName.c_str(),
                 static_cast<int>(nodes.GetSize()), kParameters);
    ok = false;
  }
  ok = ok && db.Run("writing the limits of " + model.defName, [&] {
    tolerance->m_lNodeID = nodes[0]->m_lNodeID;
    return ZLSetTolerancesByID(hDB, id, tolerances, 0) && ZLSetStressByID(hDB, id, stresses, 0);
  });
  long previous = 0;
  for (const DemoSet& set : kSets) {
    if (!ok) break;
    long setID = 0;
    for (int i = 0; i < kParameters; ++i) nodes[i]->m_strValue = set.values[i];
    tolerance->m_strTolerance = set.tolerance;
    tolerance->m_lState = previous == 0 ? 0 : 1;
    stress->m_strMaximum = set.maximum;
    ok =
        db.Run(std::string("writing parameter set '") + set.titleEn + "' of " + model.defName, [&] {
          return ZLCreateNewParamSet(hDB, id, setID) &&
                 ZLSetTitleByID(hDB, id, kEnglish, set.titleEn, setID) &&
                 ZLSetTitleByID(hDB, id, kGerman, set.titleDe, setID) &&
                 ZLSetNodesNCByID(hDB, id, nodes, setID) &&
                 ZLSetTolerancesByID(hDB, id, tolerances, setID) &&
                 ZLSetStressByID(hDB, id, stresses, setID) &&
                 (previous == 0 || (ZLSetNextParamSetByParamID(hDB, previous, setID) &&
                                    ZLSetPrevParamSetByParamID(hDB, setID, previous)));
        });
    previous = setID;
  }
  ZLFreeObjectArray(nodes);
  ZLFreeObjectArray(tolerances);
  ZLFreeObjectArray(stresses);
  if (!ok) return false;
  COleVariant order(CString(("ON-" + model.defName).c_str()));
  return db.Run("writing the order number of " + model.defName, [&] {
    return ZLSetAdditionalDataByID(hDB, id, "Order number", order);
  }) && (model.defName != "LM741" || db.Run("writing a profile string of " + model.defName, [&] {
           return ZLSetProfileString(hDB, id, "Demo", "Sim", "Step", CString("1us"));
         }));
}

}  // namespace

bool WriteContentDemo(CDatabase& db, const std::vector<DemoModelRecord>& models) {
  CZLAdditionalDataInfoObject column("Order number");
  column.m_lType = 0;
  column.m_lSize = 20;
  column.m_strInfo = "the distributor's order number";
  if (!db.Run("adding the additional-data column",
              [&] { return ZLCreateAdditionalDataInfo(db.Handle(), column); })) {
    return false;
  }
  for (const char* name : kModels) {
    for (const DemoModelRecord& model : models) {
      // The catalog's model and its copies (NAME_2, ...) made by --models.
      const std::string base = model.defName.substr(0, model.defName.find('_'));
      if (base == name && !WriteModel(db, model)) return false;
    }
  }
  return true;
}

}  // namespace zldb
