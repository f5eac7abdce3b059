// zldb export and zldb import: the round trip gives the same document byte
// for byte, for the demo and for a library with every kind of content, and
// a damaged document is refused with the JSON path of the bad value and no
// file left behind.
#include "tool/tool_fixture.h"
#include "zldbctrl70.h"

namespace {

using Document = nlohmann::ordered_json;

class ExportTest : public ToolTest {
 protected:
  // Exports from, imports the document into a new library and exports that;
  // returns the first document after checking the second equals it.
  std::string RoundTrip(const std::string& from) {
    const std::string first = m_dir.File("first.json"), second = m_dir.File("second.json");
    const std::string copy = m_dir.File("copy.zdb");
    const RunResult exported = Run({"export", from, first});
    EXPECT_EQ(exported.status, 0) << exported.err;
    const RunResult imported = Run({"import", first, copy});
    EXPECT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(Run({"export", copy, second}).status, 0);
    const std::string text = CScratchDir::Read(first);
    EXPECT_EQ(text, CScratchDir::Read(second));
    const RunResult check = Run({"check", copy});
    EXPECT_EQ(check.status, 0) << check.out;
    return text;
  }
};

void Ok(int result, const char* what) { ASSERT_EQ(result, 1) << what << ": " << ZLGetLastError(); }

// Texts in Latin-1, which are not UTF-8.
const std::string kLatin1Title = "titre d'\xE9t\xE9", kLatin1Info = "borne \xE0 gauche";

// A library with every kind of content, in three resource languages and
// two simulator languages.
void WriteRichLibrary(const std::string& path) {
  void* h = ZLCreateDatabase(path.c_str());
  ASSERT_NE(h, nullptr);
  const WORD languages[] = {1033, 1031, 1036};
  for (WORD language : languages) Ok(ZLAddResourceTable(h, language), "language");
  for (const char* sim : {"Spice", "VHDLA"}) {
    Ok(ZLAddCallTable(h, sim, sim[0] == 'V'), "call table");
    Ok(ZLAddMacroTable(h, sim, 0), "macro table");
    Ok(ZLAddAccessTable(h, sim), "access table");
  }
  Ok(ZLAddPackageTable(h, "VHDLA"), "package table");
  Ok(ZLSetUserVersion(h, "rev B"), "user version");
  Ok(ZLSetDatabaseInfo(h, "every kind of content"), "info");
  const struct {
    const char* name;
    long type;
  } columns[] = {{"Order number", 0}, {"Stocked", 2},  {"Count", 5},
                 {"Price", 7},        {"Released", 8}, {"Blob", 9}};
  for (const auto& column : columns) {
    CZLAdditionalDataInfoObject info(column.name);
    info.m_lType = column.type;
    info.m_lSize = 20;
    Ok(ZLCreateAdditionalDataInfo(h, info), "column");
  }
  const std::string binary("\0\x01\xFFzl\0", 6);
  CLongBinary block;
  block.Assign(binary.data(), binary.size());
  long ids[2] = {0, 0};
  for (long& id : ids) {
    COleVariant bookmark;
    Ok(ZLCreateNewRecord(h, bookmark), "record");
    Ok(ZLGetIDByBookmark(h, bookmark, id), "id");
  }
  const long folder = ids[0], model = ids[1];
  Ok(ZLSetTypeByID(h, folder, 1) && ZLSetFirstChildByID(h, folder, model) &&
         ZLSetParentByID(h, model, folder),
     "tree");
  Ok(ZLSetDefNameByID(h, model, "RICH1") && ZLSetLevelByID(h, model, 3) &&
         ZLSetUsesByID(h, model, "base") && ZLSetWizTypeByID(h, model, 4) &&
         ZLSetSheetByID(h, model, block) && ZLSetWizardDataByID(h, model, block) &&
         ZLSetCreatedDateByID(h, model, COleDateTime(2024, 2, 29, 23, 59, 58), 0),
     "attributes");
  for (WORD language : languages) {
    const std::string suffix = " " + std::to_string(language);
    const std::string title = language == 1036 ? kLatin1Title : "title" + suffix;
    Ok(ZLSetTitleByID(h, model, language, title.c_str(), 0) &&
           ZLSetInfoByID(h, model, language, ("info\n\"quoted\"" + suffix).c_str(), 0) &&
           ZLSetSymbolByID(h, model, language, ("sym" + suffix).c_str()),
       "texts");
  }
  // The model's files get IDs 1 and 2 here but come after the folder's in
  // a rebuilt library; pin p names the second as its wizard file, parameter
  // r a file ID no file of the record has.
  CZLFileArray files;
  for (const char* name : {"rich.bin", "wizard.dat", "folder1", "folder2"}) {
    auto* file = new CZLFileObject;
    file->m_strFileName = name;
    file->m_lbData.Assign(binary.data(), binary.size());
    files.Add(file);
  }
  CZLFileArray folderFiles;
  folderFiles.Add(files[2]);
  folderFiles.Add(files[3]);
  files.SetSize(2);
  Ok(ZLSetFilesByID(h, model, files) && ZLSetFilesByID(h, folder, folderFiles), "files");
  ZLFreeObjectArray(folderFiles);
  Ok(ZLGetFilesByID(h, model, files), "file IDs");
  CZLNodeArray pins, parameters;
  for (int i = 0; i < 2; ++i) {
    auto* node = new CZLNodeObject;
    node->m_strName = i == 0 ? "p" : "n";
    node->m_mapInfo[1036] = i == 0 ? kLatin1Info : "borne";
    node->m_bWizFileSet = i == 0;
    node->m_lWizFileID = i == 0 ? files[1]->m_lFileID : 0;
    node->m_mapAccess["VHDLA"] = "pin";
    pins.Add(node);
    auto* parameter = new CZLNodeObject;
    parameter->m_strName = i == 0 ? "r" : "c";
    parameter->m_strValue = "1k";
    parameter->m_mapPreferUnit[1031] = "kOhm";
    parameter->m_mapDefValue["Spice"] = "1000";
    parameter->m_wInfoToResID = 7;
    parameter->m_bWizFileSet = i == 0;
    parameter->m_lWizFileID = i == 0 ? 777 : 0;
    parameters.Add(parameter);
  }
  Ok(ZLSetNodesCByID(h, model, pins) && ZLSetNodesNCByID(h, model, parameters, 0), "nodes");
  CZLMacroObject macro;
  macro.m_strMacroText = ".subckt RICH1 p n\nR1 p n {r}\n.ends\n";
  macro.m_lState = 0x8000;
  macro.m_dwLevel = 2;
  macro.m_mapDescription[1036] = "macro";
  macro.m_lbCompiled.Assign(binary.data(), binary.size());
  CZLCallObject call;
  call.m_strCallKey = "netlist";
  call.m_strCallText = "X1 p n RICH1";
  Ok(ZLSetMacroByID(h, model, "Spice", macro) && ZLSetCallByID(h, model, "VHDLA", call), "sim");
  CZLKeywordMap keywords;
  auto* words = new CZLKeywordArray;
  auto* word = new CZLKeywordObject;
  word->m_strKeyword = "r\xC3\xA9sistance";
  word->m_wLanguage = 1036;
  words->Add(word);
  keywords[1036] = words;
  Ok(ZLSetKeywordsByID(h, model, keywords, 0), "keywords");
  const char* const profile[][3] = {{"View", "Zoom", "2"},
                                    {"Sim", "Stop", "1ms"},
                                    {"Sim", "Step", "1ns"},
                                    {"Sim", "Name", "\xE9"}};
  for (const auto& value : profile) {
    Ok(ZLSetProfileString(h, model, "Prof", value[0], value[1], value[2]), "profile");
  }
  CZLToleranceArray tolerances;
  auto* tolerance = new CZLToleranceObject;
  tolerance->m_lNodeID = parameters[1]->m_lNodeID;
  tolerance->m_strTolerance = "5%";
  tolerances.Add(tolerance);
  CZLStressArray stresses;
  auto* stress = new CZLStressObject;
  stress->m_strReference = "power";
  stresses.Add(stress);
  Ok(ZLSetTolerancesByID(h, model, tolerances, 0) && ZLSetStressByID(h, model, stresses, 0),
     "limits");
  long sets[3] = {0, 0, 0};
  for (long& set : sets) {
    Ok(ZLCreateNewParamSet(h, model, set), "set");
    parameters[0]->m_strValue = ("v" + std::to_string(set)).c_str();
    tolerance->m_strTolerance = ("t" + std::to_string(set)).c_str();
    Ok(ZLSetNodesNCByID(h, model, parameters, set) &&
           ZLSetTolerancesByID(h, model, tolerances, set) &&
           ZLSetTitleByID(h, model, 1031, "Satz", set) &&
           ZLSetKeywordsByID(h, model, keywords, set),
       "set content");
  }
  // The chain: the third set, then the first; the second is unlinked.
  Ok(ZLSetNextParamSetByParamID(h, sets[2], sets[0]) &&
         ZLSetPrevParamSetByParamID(h, sets[0], sets[2]),
     "chain");
  COleVariant values[] = {COleVariant("ON-1"),
                          COleVariant(int32_t(1), VT_BOOL),
                          COleVariant(long(-42)),
                          COleVariant(0.125),
                          COleVariant(COleDateTime(2025, 1, 2, 3, 4, 5)),
                          COleVariant(block)};
  for (size_t i = 0; i < 6; ++i) {
    Ok(ZLSetAdditionalDataByID(h, model, columns[i].name, values[i]), "additional data");
  }
  COleVariant package;
  CZLPackageObject text;
  text.m_strPackageText = "package p is\nend package;\n";
  text.m_strPackageBodyText = "package body p is\nend package body;\n";
  text.m_bUseBody = TRUE;
  text.m_lState = ZL_PACKAGE_TEXT_COMPRESSED;
  text.m_lbPackageBinary.Assign(binary.data(), binary.size());
  Ok(ZLCreatePackageNewRecord(h, package) && ZLSetPackageNameByBookmark(h, package, "p") &&
         ZLSetPackageByBookmark(h, package, "VHDLA", text),
     "package");
  ZLFreeObjectArray(pins);
  ZLFreeObjectArray(parameters);
  ZLFreeObjectArray(files);
  ZLFreeObjectArray(tolerances);
  ZLFreeObjectArray(stresses);
  ZLFreeKeywordMap(keywords);
  Ok(ZLCloseDatabase(h), "close");
}

TEST_F(ExportTest, TheDemoRoundTripsByteForByte) {
  Demo();
  const Document doc = Document::parse(RoundTrip(m_file));
  ASSERT_EQ(doc["records"].size(), 50u);
  const Document& tl072 = doc["records"][34];
  EXPECT_EQ(tl072["defName"], "TL072");
  EXPECT_EQ(tl072["macros"]["VHDLA"][0]["text"],
            "entity TL072 is\n  port (terminal p, n : electrical);\nend entity TL072;\n");
  EXPECT_EQ(tl072["files"][0]["data"], "LmluY2x1ZGUgdGwwNzIubGliCg==");  // ".include tl072.lib\n"
  EXPECT_EQ(tl072["parent"], 7);
  EXPECT_EQ(doc["records"][32]["parameterSets"].size(), 2u);  // LM741
  EXPECT_EQ(doc["packages"][1]["languages"]["VHDLA"]["bodyText"].get<std::string>().substr(0, 12),
            "package body");
}

TEST_F(ExportTest, EveryKindOfContentRoundTripsByteForByte) {
  WriteRichLibrary(m_file);
  const Document doc = Document::parse(RoundTrip(m_file));
  const Document& model = doc["records"][1];
  EXPECT_EQ(model["sheet"], "AAH/emwA");
  EXPECT_EQ(model["titles"].size(), 3u);
  EXPECT_EQ(model["macros"]["Spice"][0]["text"], ".subckt RICH1 p n\nR1 p n {r}\n.ends\n");
  EXPECT_EQ(model["tolerances"][0]["node"], "c");
  ASSERT_EQ(model["parameterSets"].size(), 3u);
  // The chain third -> first is kept; the second set stays unlinked.
  EXPECT_EQ(model["parameterSets"][2]["next"], 1);
  EXPECT_EQ(model["parameterSets"][0]["prev"], 3);
  EXPECT_TRUE(model["parameterSets"][1]["prev"].is_null() &&
              model["parameterSets"][1]["next"].is_null());
  EXPECT_EQ(model["parameterSets"][1]["titles"]["1031"], "Satz");
  EXPECT_EQ(model["additionalData"]["Released"], "2025-01-02 03:04:05");
  EXPECT_EQ(model["additionalData"]["Count"], -42);
  EXPECT_EQ(doc["simulatorTables"]["call"][1]["exclusive"], true);
  // Profile strings by section and key; texts that are not UTF-8 as bytes.
  EXPECT_EQ(model["profile"], Document::parse(R"({"Sim": {"Name": {"bytes": "6Q=="},
      "Step": "1ns", "Stop": "1ms"}, "View": {"Zoom": "2"}})"));
  EXPECT_EQ(model["titles"]["1036"], Document::parse(R"({"bytes": "dGl0cmUgZCfpdOk="})"));
  // Wizard files by position among the record's files.
  EXPECT_EQ(model["pins"][0]["wizardFile"], 2);
  EXPECT_TRUE(model["pins"][1]["wizardFile"].is_null());
  EXPECT_EQ(model["parameters"][0]["wizardFile"], Document::parse(R"({"id": 777})"));
  // The rebuilt library holds the bytes themselves, and the pin names its
  // own record's file under the ID that file has there.
  void* h = ZLOpenDatabase(m_dir.File("copy.zdb").c_str(), eOpenReadOnly);
  ASSERT_NE(h, nullptr);
  CString title;
  ASSERT_EQ(ZLGetDefNameByID(h, 2, title), 1);
  ASSERT_EQ(title.str(), "RICH1");
  CZLNodeArray pins;
  CZLFileArray files;
  EXPECT_EQ(ZLGetTitleByID(h, 2, 1036, title, 0), 1);
  EXPECT_EQ(title.str(), kLatin1Title);
  ASSERT_EQ(ZLGetNodesCByID(h, 2, pins) && ZLGetFilesByID(h, 2, files), 1);
  ASSERT_EQ(files.GetSize(), 2);
  EXPECT_NE(files[1]->m_lFileID, 2);  // the folder's files came first
  EXPECT_EQ(pins[0]->m_lWizFileID, files[1]->m_lFileID);
  EXPECT_EQ(pins[0]->m_mapInfo[1036].str(), kLatin1Info);
  ZLFreeObjectArray(pins);
  ZLFreeObjectArray(files);
  ZLCloseDatabase(h);
}

// Each damaged document is refused naming the bad value, and leaves no
// library (and no part of one) behind.
TEST_F(ExportTest, DamagedDocumentsAreRefusedWithThePathOfTheBadValue) {
  m_file = m_dir.File("lib.zdb");  // the folder holds nothing but the files named
  Demo();
  ASSERT_EQ(Run({"export", m_file, "good.json"}).status, 0);
  const std::string good = CScratchDir::Read(m_dir.File("good.json"));
  const struct {
    const char* name;
    std::function<std::string(Document&)> damage;
    const char* path;
  } cases[] = {
      {"truncated", [&](Document&) { return good.substr(0, good.size() / 2); }, ": /records/"},
      {"wrong type",
       [](Document& d) {
         d["records"][3]["titles"]["1033"] = 5;
         return d.dump();
       },
       ": /records/3/titles/1033: must be a text or {\"bytes\": base64}"},
      {"unknown language",
       [](Document& d) {
         d["records"][4]["infos"]["1040"] = "Italiano";
         return d.dump();
       },
       ": /records/4/infos/1040: unknown resource language '1040'"},
      {"duplicate ID",
       [](Document& d) {
         d["records"][6]["id"] = 5;
         return d.dump();
       },
       ": /records/6/id: repeats the ID 5"},
      {"link to no record",
       [](Document& d) {
         d["records"][40]["next"] = 999;
         return d.dump();
       },
       ": /records/40/next: names record 999"},
      {"no such macro table",
       [](Document& d) {
         d["records"][12]["macros"]["Verilog"] = Document::array();
         return d.dump();
       },
       ": /records/12/macros/Verilog: names a simulator language without macros table"},
      {"bad base64",
       [](Document& d) {
         d["records"][20]["files"][0]["data"] = "not base64";
         return d.dump();
       },
       ": /records/20/files/0/data: is not base64"},
      {"set values do not match",
       [](Document& d) {
         d["records"][32]["parameterSets"][1]["values"].erase(0);
         return d.dump();
       },
       ": /records/32/parameterSets/1/values: has 4 entries"},
      {"other version",
       [](Document& d) {
         d["version"] = 1;
         return d.dump();
       },
       ": /version: must be 2"},
      {"bad profile value",
       [](Document& d) {
         d["records"][33]["udtName"] = "Prof";
         d["records"][33]["profile"]["Sim"]["Step"] = 5;
         return d.dump();
       },
       ": /records/33/profile/Sim/Step: must be a text or {\"bytes\": base64}"},
      {"bad text bytes",
       [](Document& d) {
         d["records"][3]["titles"]["1033"] = {{"bytes", "!"}};
         return d.dump();
       },
       ": /records/3/titles/1033/bytes: is not base64"},
      {"wizard file outside the record's files",
       [](Document& d) {
         d["records"][20]["pins"][0]["wizardFile"] = 2;
         return d.dump();
       },
       ": /records/20/pins/0/wizardFile: must be a position from 1 to 1"},
      {"not a document", [](Document&) { return std::string("[1, 2]"); }, ": /: must be an object"},
  };
  for (const auto& c : cases) {
    Document doc = Document::parse(good);
    m_dir.Write("bad.json", c.damage(doc));
    const RunResult result = Run({"import", "bad.json", "new.zdb"});
    EXPECT_EQ(result.status, 1) << c.name;
    EXPECT_TRUE(result.ErrHas(std::string("zldb: bad.json") + c.path))
        << c.name << ": " << result.err;
    std::vector<std::string> files = Files();
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"bad.json", "good.json", "lib.zdb"})) << c.name;
  }
  // An existing file is never replaced.
  EXPECT_EQ(Run({"import", "good.json", "lib.zdb"}).status, 1);
  EXPECT_EQ(Run({"export", "missing.zdb", "out.json"}).status, 1);
}

}  // namespace
