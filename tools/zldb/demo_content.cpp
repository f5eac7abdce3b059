// The model-content part of zldb demo, written as a library manager would:
// nodes first, then the sets (created unlinked, then linked by the caller)
// and the values each set gives the nodes, tolerances and stresses.
#include "demo_content.h"

#include <string>

namespace zldb {
namespace {

constexpr WORD kEnglish = 1033;
constexpr WORD kGerman = 1031;

const char* const kModels[] = {"LM741", "NE5532", "OP07"};

struct DemoSet {
  const char* titleEn;
  const char* titleDe;
  const char* values[3];  // open-loop gain, gain-bandwidth, slew rate
  const char* tolerance;  // of the gain-bandwidth
  const char* maximum;    // supply stress limit
};

const DemoSet kSets[] = {
    {"typical", "typisch", {"200k", "3MHz", "13V/us"}, "20%", "18V"},
    {"worst case", "ungünstigster Fall", {"50k", "2.4MHz", "8V/us"}, "30%", "15V"},
};

const char* const kParameters[] = {"A0", "GBW", "SR"};

bool WriteModel(CDatabase& db, const DemoModelRecord& model) {
  void* hDB = db.Handle();
  const long id = model.id;
  CZLNodeArray nodes;
  CZLToleranceArray tolerances;
  CZLStressArray stresses;
  for (int i = 0; i < 3; ++i) {
    auto* node = new CZLNodeObject;
    node->m_strName = kParameters[i];
    node->m_strValue = kSets[0].values[i];
    node->m_lIndex = i;
    nodes.Add(node);
  }
  auto* tolerance = new CZLToleranceObject;
  tolerance->m_strTolerance = kSets[0].tolerance;
  tolerances.Add(tolerance);
  auto* stress = new CZLStressObject;
  stress->m_strReference = "supply voltage";
  stress->m_strMinimum = "-18V";
  stress->m_strMaximum = kSets[0].maximum;
  stresses.Add(stress);
  bool ok = db.Run("writing the parameters of " + model.defName, [&] {
    if (!ZLSetNodesNCByID(hDB, id, nodes, 0)) return false;
    tolerance->m_lNodeID = nodes[1]->m_lNodeID;
    return ZLSetTolerancesByID(hDB, id, tolerances, 0) && ZLSetStressByID(hDB, id, stresses, 0);
  });
  long previous = 0;
  for (const DemoSet& set : kSets) {
    if (!ok) break;
    long setID = 0;
    for (int i = 0; i < 3; ++i) nodes[i]->m_strValue = set.values[i];
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
      if (model.defName == name && !WriteModel(db, model)) return false;
    }
  }
  return true;
}

}  // namespace zldb
