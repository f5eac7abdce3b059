// The node part of zldb demo: pins and parameters with their
// texts, keywords, a symbol and a file for every model.
#include "demo_nodes.h"

#include <cctype>
#include <string>

namespace zldb {
namespace {

constexpr WORD kEnglish = 1033;
constexpr WORD kGerman = 1031;
constexpr DWORD kParameterType = 1;

struct DemoNode {
  const char* name;
  const char* value;  // parameters only
  const char* unit;   // parameters only
  const char* infoEn;
  const char* infoDe;
};

const DemoNode kPins[] = {
    {"in", nullptr, nullptr, "Input terminal", "Eingangsanschluss"},
    {"out", nullptr, nullptr, "Output terminal", "Ausgangsanschluss"},
    {"ref", nullptr, nullptr, "Reference terminal", "Bezugsanschluss"},
};

const DemoNode kParameters[] = {
    {"gain", "1e5", "V/V", "Open-loop gain", "Leerlaufverstärkung"},
    {"temp", "27", "degC", "Device temperature", "Bauteiltemperatur"},
    {"vmax", "15", "V", "Maximum voltage", "Höchstspannung"},
    {"imax", "0.02", "A", "Maximum current", "Höchststrom"},
    {"tau", "1e-6", "s", "Time constant", "Zeitkonstante"},
};

template <size_t N>
void FillNodes(CZLNodeArray& nodes, const DemoNode (&table)[N], bool parameters) {
  for (size_t i = 0; i < N; ++i) {
    auto* node = new CZLNodeObject;
    nodes.Add(node);
    node->m_strName = table[i].name;
    node->m_lIndex = static_cast<long>(i + 1);
    node->m_mapInfo[kEnglish] = table[i].infoEn;
    node->m_mapInfo[kGerman] = table[i].infoDe;
    node->m_mapAccess["Spice"] = table[i].name;
    if (parameters) {
      node->m_strValue = table[i].value;
      node->m_strUnit = table[i].unit;
      node->m_dwType = kParameterType;
      node->m_mapDefValue["Spice"] = table[i].value;
    } else {
      node->m_strNature = "electrical";
    }
  }
}

std::string Lower(const std::string& text) {
  std::string out = text;
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

void AddKeywords(CZLKeywordMap& keywords, WORD language, std::initializer_list<std::string> words) {
  auto* array = new CZLKeywordArray;
  keywords[language] = array;
  for (const std::string& word : words) {
    auto* keyword = new CZLKeywordObject;
    keyword->m_strKeyword = word.c_str();
    keyword->m_wLanguage = language;
    array->Add(keyword);
  }
}

bool WriteModel(CDatabase& db, const DemoModelRecord& model) {
  void* hDB = db.Handle();
  CZLNodeArray pins, parameters;
  FillNodes(pins, kPins, false);
  FillNodes(parameters, kParameters, true);
  CZLKeywordMap keywords;
  AddKeywords(keywords, kEnglish, {"demo", "analog", Lower(model.defName)});
  AddKeywords(keywords, kGerman, {"Demo", "analog", Lower(model.defName)});
  const std::string netlist = ".include " + Lower(model.defName) + ".lib\n";
  CZLFileArray files;
  auto* file = new CZLFileObject;
  files.Add(file);
  file->m_strFileName = (Lower(model.defName) + ".cir").c_str();
  file->m_dwType = 1;
  file->m_dwLanguage = kEnglish;
  file->m_lbData.Assign(netlist.data(), netlist.size());
  const std::string symbol = "sym_" + Lower(model.defName);
  const bool ok =
      db.Run("writing the pins, parameters, keywords and files of " + model.defName, [&] {
        return ZLSetNodesCByID(hDB, model.id, pins) &&
               ZLSetNodesNCByID(hDB, model.id, parameters, 0) &&
               ZLSetKeywordsByID(hDB, model.id, keywords, 0) &&
               ZLSetSymbolByID(hDB, model.id, kEnglish, symbol.c_str()) &&
               ZLSetSymbolByID(hDB, model.id, kGerman, symbol.c_str()) &&
               ZLSetFilesByID(hDB, model.id, files);
      });
  ZLFreeObjectArray(pins);
  ZLFreeObjectArray(parameters);
  ZLFreeKeywordMap(keywords);
  ZLFreeObjectArray(files);
  return ok;
}

}  // namespace

bool WriteNodesDemo(CDatabase& db, const std::vector<DemoModelRecord>& models,
                    CProgress& progress) {
  if (!db.Run("adding the Spice access table",
              [&] { return ZLAddAccessTable(db.Handle(), "Spice"); })) {
    return false;
  }
  progress.SetLabel("demo: nodes, keywords and files", static_cast<long>(models.size()));
  long done = 0;
  for (const DemoModelRecord& model : models) {
    progress.Step(done++);
    if (!WriteModel(db, model)) return false;
  }
  return true;
}

}  // namespace zldb
