// docs/file-format.md describes the tables exactly as the layout builds
// them: its generated section is compared with a rendering of the layout.
// On a difference the rendering is written to file-format-tables.md in the
// working folder, to be pasted between the document's markers.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "engine/bookkeeping.h"
#include "engine/dao_types.h"
#include "engine/declared_types.h"
#include "schema/layout.h"

namespace {

const char kBegin[] = "<!-- tables: generated from src/schema/layout.cpp -->\n";
const char kEnd[] = "<!-- tables: end -->\n";

std::string EngineType(const zl::ZLFieldLayout& f) {
  static const char* const kNames[] = {"",         "Boolean",     "Byte",   "Integer", "Long",
                                       "Currency", "Single",      "Double", "Date",    "",
                                       "Text",     "Long binary", "Memo"};
  std::string name = f.type > 0 && f.type <= dbMemo ? kNames[f.type] : "?";
  if ((f.attributes & dbAutoIncrField) != 0) name += " counter";
  return name;
}

std::string Attributes(int32_t attributes) {
  std::ostringstream out;
  out << "0x" << std::hex << attributes;
  return out.str();
}

// One table: its columns, then its indexes.  tableName is the name or the
// name pattern; an index's SQLite name is the table's name, a dot and the
// index name.
std::string RenderTable(const std::string& tableName, const zl::ZLFieldLayout* fields,
                        size_t fieldCount, const zl::ZLIndexLayout* indexes, size_t indexCount,
                        const char* currentIndex, const std::string& note) {
  std::string out = "#### `" + tableName + "`\n\n";
  out += std::string("Recordset index: ") +
         (currentIndex != nullptr ? "`" + std::string(currentIndex) + "`" : "none") + ". " + note +
         "\n\n";
  out += "| # | Column | Declared type | Engine type | Size | Attributes |\n";
  out += "|---|---|---|---|---|---|\n";
  bool rowNumberTaken = false;
  for (size_t i = 0; i < fieldCount; ++i) {
    const zl::ZLFieldLayout& f = fields[i];
    zl::engine::CFieldDef def;
    def.name = f.name;
    def.type = f.type;
    def.size = f.size;
    def.attributes = f.attributes;
    std::string declared;
    if (def.IsCounter() && !rowNumberTaken) {
      declared = "INTEGER PRIMARY KEY";
      rowNumberTaken = true;
    } else {
      declared = zl::engine::DeclaredType(def) + (def.IsText() ? " COLLATE NOCASE" : "");
    }
    out += "| " + std::to_string(i + 1) + " | `" + f.name + "` | `" + declared + "` | " +
           EngineType(f) + " | " + std::to_string(f.size) + " | " + Attributes(f.attributes) +
           " |\n";
  }
  out += "\n";
  if (indexCount == 0) return out + "No index.\n\n";
  out += "| Index | SQLite index name | Columns | Unique |\n|---|---|---|---|\n";
  for (size_t i = 0; i < indexCount; ++i) {
    const zl::ZLIndexLayout& ix = indexes[i];
    std::string columns;
    for (int k = 0; k < ix.FieldCount(); ++k) {
      columns += (k > 0 ? ", `" : "`") + std::string(ix.fields[k]) + "`";
    }
    out += std::string("| `") + ix.name + "` | `" + tableName + "." + ix.name + "` | " + columns +
           " | " + (ix.unique ? "yes" : "no") + " |\n";
  }
  return out + "\n";
}

std::string RenderLayout() {
  std::string out = "### Fixed tables\n\n";
  for (int t = 0; t < zl::ZLT_FIXED_TABLE_COUNT; ++t) {
    const zl::ZLTableLayout& l = zl::FixedTableLayout(static_cast<zl::ZLFixedTable>(t));
    out += RenderTable(l.name, l.fields, l.fieldCount, l.indexes, l.indexCount, l.currentIndex,
                       "Present from database version " + std::to_string(l.sinceVersion) + ".");
  }
  out += "### Tables per user-interface language\n\n";
  for (int k = 0; k < zl::kResourceTableKinds; ++k) {
    const zl::ZLLanguageTableLayout& l = zl::ResourceTableLayout(k);
    out += RenderTable(l.nameFormat, l.fields, l.fieldCount, l.indexes, l.indexCount,
                       l.currentIndex, "`RESINFO` kind (`TABTYPE`) " + std::to_string(k) + ".");
  }
  out += "### Tables per simulator language\n\n";
  for (int k = 0; k < zl::kSimulatorTableKinds; ++k) {
    const zl::ZLLanguageTableLayout& l = zl::SimulatorTableLayout(k);
    out += RenderTable(l.nameFormat, l.fields, l.fieldCount, l.indexes, l.indexCount,
                       l.currentIndex, "`SIMTABINFO` kind (`TABTYPE`) " + std::to_string(k) + ".");
  }
  return out;
}

TEST(FileFormatDocTest, TheDocumentsTablesAreTheLayouts) {
  std::ifstream in(std::string(ZL_SOURCE_DIR) + "/docs/file-format.md");
  ASSERT_TRUE(in.good()) << "docs/file-format.md is missing";
  std::stringstream buffer;
  buffer << in.rdbuf();
  const std::string doc = buffer.str();
  const size_t begin = doc.find(kBegin);
  const size_t end = doc.find(kEnd);
  ASSERT_NE(begin, std::string::npos);
  ASSERT_NE(end, std::string::npos);
  const std::string section =
      doc.substr(begin + sizeof kBegin - 1, end - begin - sizeof kBegin + 1);
  const std::string rendered = RenderLayout();
  if (section != rendered) std::ofstream("file-format-tables.md") << rendered;
  EXPECT_TRUE(section == rendered)
      << "docs/file-format.md differs from the layout; the rendering is in file-format-tables.md";
}

}  // namespace
