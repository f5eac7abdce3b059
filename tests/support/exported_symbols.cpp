#include "support/exported_symbols.h"

#include <fstream>

namespace zltest {

std::vector<std::string> ExportedSymbols() {
  std::vector<std::string> symbols;
  std::ifstream list(ZL_SOURCE_DIR "/abi/exports.txt");
  for (std::string line; std::getline(list, line);) {
    if (!line.empty()) symbols.push_back(line);
  }
  return symbols;
}

std::string FunctionName(const std::string& symbol) {
  const size_t paren = symbol.find('(');
  return paren == std::string::npos ? "" : symbol.substr(0, paren);
}

bool TakesHandle(const std::string& symbol) {
  return symbol.rfind("ZL", 0) == 0 && symbol.find("(void*") != std::string::npos;
}

}  // namespace zltest
