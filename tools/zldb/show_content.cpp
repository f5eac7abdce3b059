// The model-content sections of zldb show: parameter sets in chain order
// with their values, the record's tolerances and stresses, its additional
// data and the profile strings asked for with --profile.
#include <set>
#include <string>

#include "show.h"

namespace zldb {
namespace {

Json ToleranceJson(const CZLToleranceObject& t) {
  return {{"id", t.m_lToleranceID},
          {"node", t.m_strNodeName.GetString()},
          {"index", t.m_lIndex},
          {"state", t.m_lState},
          {"minimum", t.m_strMinimum.GetString()},
          {"maximum", t.m_strMaximum.GetString()},
          {"meanValue", t.m_strMeanValue.GetString()},
          {"deviation", t.m_strDeviation.GetString()},
          {"tolerance", t.m_strTolerance.GetString()},
          {"characteristic", t.m_strCharacteristic.GetString()}};
}

Json StressJson(const CZLStressObject& s) {
  return {{"id", s.m_lQualityID},
          {"index", s.m_lIndex},
          {"state", s.m_lState},
          {"type", s.m_lType},
          {"limit", s.m_lLimit},
          {"reference", s.m_strReference.GetString()},
          {"minimum", s.m_strMinimum.GetString()},
          {"maximum", s.m_strMaximum.GetString()}};
}

// The record's (set 0) or a set's tolerances and stresses.
bool ReadLimits(const ShowContext& c, long set, Json& out) {
  void* hDB = c.db.Handle();
  CZLToleranceArray tolerances;
  CZLStressArray stresses;
  const bool ok = c.db.Run("reading the tolerances", [&] {
    return ZLGetTolerancesByID(hDB, c.id, tolerances, set);
  }) && c.db.Run("reading the stresses", [&] { return ZLGetStressByID(hDB, c.id, stresses, set); });
  if (ok) {
    Json& t = out["tolerances"] = Json::array();
    for (int i = 0; i < tolerances.GetSize(); ++i) t.push_back(ToleranceJson(*tolerances[i]));
    Json& s = out["stresses"] = Json::array();
    for (int i = 0; i < stresses.GetSize(); ++i) s.push_back(StressJson(*stresses[i]));
  }
  ZLFreeObjectArray(tolerances);
  ZLFreeObjectArray(stresses);
  return ok;
}

// One set: its title, node values and limits.
bool ReadSet(const ShowContext& c, long set, bool linked, Json& out) {
  out["id"] = set;
  if (!linked) out["unlinked"] = true;
  if (!ReadValue<CString>(c, "the set's title", out["title"], [&](CString& v) {
        return ZLGetTitleByID(c.db.Handle(), c.id, c.language, v, set);
      })) {
    return false;
  }
  CZLNodeArray nodes;
  if (!c.db.Run("reading the set's values",
                [&] { return ZLGetNodesNCByID(c.db.Handle(), c.id, nodes, set); })) {
    return false;
  }
  Json& values = out["values"] = Json::object();
  for (int i = 0; i < nodes.GetSize(); ++i) {
    values[nodes[i]->m_strName.GetString()] = nodes[i]->m_strValue.GetString();
  }
  ZLFreeObjectArray(nodes);
  return ReadLimits(c, set, out);
}

Json VariantJson(const COleVariant& value);

}  // namespace

bool ShowParamSets(const ShowContext& c, Json& record) {
  void* hDB = c.db.Handle();
  CArray<long, long> all;
  long first = 0;
  if (!c.db.Run("listing the parameter sets",
                [&] { return ZLGetAllParamSetByID(hDB, c.id, all); })) {
    return false;
  }
  Json& sets = record["parameterSets"] = Json::array();
  if (all.GetSize() == 0) return true;
  // The chain from the first set, each set once (a damaged chain with a
  // cycle ends where it comes back), then the sets the chain misses.
  if (ZLGetFirstParamSetByID(hDB, c.id, first) == 0 && ZLGetLastError() != ZLE_OK) {
    c.db.ReportFailure("reading the first parameter set");
    return false;
  }
  std::set<long> seen;
  for (long set = first; set != 0 && seen.insert(set).second;) {
    Json entry;
    if (!ReadSet(c, set, true, entry)) return false;
    sets.push_back(entry);
    if (!c.db.Run("reading a set's next link",
                  [&] { return ZLGetNextParamSetByParamID(hDB, set, set); })) {
      return false;
    }
  }
  for (int i = 0; i < all.GetSize(); ++i) {
    if (seen.count(all[i]) != 0) continue;
    Json entry;
    if (!ReadSet(c, all[i], false, entry)) return false;
    sets.push_back(entry);
  }
  return true;
}

bool ShowLimits(const ShowContext& c, Json& record) { return ReadLimits(c, 0, record); }

namespace {

Json VariantJson(const COleVariant& value) {
  switch (value.vt) {
    case VT_NULL:
    case VT_EMPTY:
      return nullptr;
    case VT_BSTR:
      return value.GetStringValue();
    case VT_BOOL:
      return value.boolVal != 0;
    case VT_DATE:
      return COleDateTime(value.date).Format().GetString();
    case VT_R4:
    case VT_R8: {
      COleVariant number = value;
      number.ChangeType(VT_R8);
      return number.dblVal;
    }
    default:
      if (value.IsByteArray()) return std::to_string(value.GetByteArraySize()) + " bytes";
      COleVariant number = value;
      number.ChangeType(VT_I4);
      return number.lVal;
  }
}

}  // namespace

bool ShowAdditionalData(const ShowContext& c, Json& record) {
  void* hDB = c.db.Handle();
  CZLAdditionalDataInfoArray infos;
  if (!c.db.Run("listing the additional data",
                [&] { return ZLGetAdditionalDataInfo(hDB, infos); })) {
    return false;
  }
  Json& data = record["additionalData"] = Json::object();
  bool ok = true;
  for (int i = 0; ok && i < infos.GetSize(); ++i) {
    const char* name = infos[i]->m_strDataName;
    COleVariant value;
    if (ZLGetAdditionalDataByID(hDB, c.id, name, value) != 0) {
      data[name] = VariantJson(value);
    } else if (ZLGetLastError() == ZLE_NO_RECORD) {
      data[name] = nullptr;  // the record has no additional data
    } else {
      c.db.ReportFailure(std::string("reading additional data '") + name + "'");
      ok = false;
    }
  }
  ZLFreeObjectArray(infos);
  return ok;
}

bool ShowProfile(const ShowContext& c, Json& record) {
  if (c.profileKeys.empty()) return true;
  Json& profile = record["profile"] = Json::object();
  for (const auto& [section, key] : c.profileKeys) {
    CString value;
    if (ZLGetProfileString(c.db.Handle(), c.id, nullptr, section.c_str(), key.c_str(), value)) {
      profile[section + "/" + key] = value.GetString();
    } else if (ZLGetLastError() == ZLE_NO_RECORD || IsAbsent(ZLGetLastError())) {
      profile[section + "/" + key] = nullptr;
    } else {
      c.db.ReportFailure("reading profile string " + section + "/" + key);
      return false;
    }
  }
  return true;
}

}  // namespace zldb
