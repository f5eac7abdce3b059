#include "spice/spice_reader.h"

#include <cctype>
#include <cstddef>

namespace zldb {
namespace spice {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v'; }

// The first character that is not a blank, or 0.
char FirstVisible(const std::string& line) {
  for (char c : line) {
    if (!IsBlank(c)) return c;
  }
  return 0;
}

std::string Trim(const std::string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

// The file's lines without their line ends (LF, CR or CRLF).
std::vector<std::string> SplitLines(const std::string& content) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < content.size(); ++i) {
    const char c = content[i];
    if (c == '\n' || c == '\r') {
      lines.push_back(line);
      line.clear();
      if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

enum class LineKind { kBlank, kComment, kContinuation, kCard };

LineKind Classify(const std::string& line) {
  switch (FirstVisible(line)) {
    case 0:
      return LineKind::kBlank;
    case '*':
    case ';':
    case '$':
      return LineKind::kComment;
    case '+':
      return LineKind::kContinuation;
    default:
      return LineKind::kCard;
  }
}

// The line without its end-of-line comment.
std::string StripComment(const std::string& line) {
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == ';' || (line[i] == '$' && (i == 0 || IsBlank(line[i - 1])))) {
      return line.substr(0, i);
    }
  }
  return line;
}

// A card: its first and last physical line and its text with the
// continuations joined and the comments removed.
struct Card {
  size_t first = 0, last = 0;
  std::string text;
  std::vector<std::string> words;
  std::string keyword;  // the first word in lower case
};

std::string CommentText(const std::string& line) {
  size_t i = 0;
  while (i < line.size() &&
         (IsBlank(line[i]) || line[i] == '*' || line[i] == ';' || line[i] == '$')) {
    ++i;
  }
  return Trim(line.substr(i));
}

bool HasAlnum(const std::string& text) {
  for (char c : text) {
    if (std::isalnum(static_cast<unsigned char>(c))) return true;
  }
  return false;
}

// The title of a definition starting at line first: the first comment line
// with a letter or digit of the comment block right above it.
std::string TitleAbove(const std::vector<std::string>& lines, size_t first) {
  size_t top = first;
  while (top > 0 && Classify(lines[top - 1]) == LineKind::kComment) --top;
  for (size_t i = top; i < first; ++i) {
    const std::string text = CommentText(lines[i]);
    if (HasAlnum(text)) return text;
  }
  return "";
}

// name = value pairs from words; a word without '=' after it is left out.
std::vector<Parameter> Assignments(const std::vector<std::string>& words, size_t from) {
  std::vector<Parameter> parameters;
  for (size_t i = from; i < words.size(); ++i) {
    if (words[i] != "=" && i + 1 < words.size() && words[i + 1] == "=") {
      parameters.push_back({words[i], i + 2 < words.size() ? words[i + 2] : ""});
      i += 2;
    }
  }
  return parameters;
}

// The nodes and PARAMS: defaults of a .SUBCKT line (words[0] is .SUBCKT,
// words[1] the name).  Parameters start at PARAMS: or at the first
// name = value.
void ReadSubcircuitLine(const std::vector<std::string>& words, Definition& definition) {
  for (size_t i = 2; i < words.size(); ++i) {
    const std::string word = Lower(words[i]);
    if (word == "params:") {
      definition.parameters = Assignments(words, i + 1);
      return;
    }
    if (i + 1 < words.size() && words[i + 1] == "=") {
      definition.parameters = Assignments(words, i);
      return;
    }
    definition.pins.push_back(words[i]);
  }
}

struct DeviceKind {
  const char* modelType;  // lower case
  const char* letter;
  std::vector<std::string> pins;
};

const std::vector<DeviceKind>& DeviceKinds() {
  static const std::vector<DeviceKind> kinds = {
      {"d", "D1", {"A", "K"}},
      {"npn", "Q1", {"C", "B", "E"}},
      {"pnp", "Q1", {"C", "B", "E"}},
      {"njf", "J1", {"D", "G", "S"}},
      {"pjf", "J1", {"D", "G", "S"}},
      {"nmos", "M1", {"D", "G", "S", "B"}},
      {"pmos", "M1", {"D", "G", "S", "B"}},
      {"vdmos", "M1", {"D", "G", "S"}},
      {"nmf", "Z1", {"D", "G", "S"}},
      {"pmf", "Z1", {"D", "G", "S"}},
      {"sw", "S1", {"P", "N", "CP", "CN"}},
  };
  return kinds;
}

const DeviceKind* FindDeviceKind(const std::string& modelType) {
  const std::string type = Lower(modelType);
  for (const DeviceKind& kind : DeviceKinds()) {
    if (type == kind.modelType) return &kind;
  }
  return nullptr;
}

// The type and parameters of a .MODEL card: ".MODEL name TYPE (a=1 b=2)",
// also written "TYPE(a=1,b=2)" or without parentheses.
bool ReadModelCard(const std::string& card, Definition& definition) {
  // Past the keyword and the name.
  size_t i = 0;
  for (int word = 0; word < 2; ++word) {
    while (i < card.size() && IsBlank(card[i])) ++i;
    while (i < card.size() && !IsBlank(card[i])) ++i;
  }
  while (i < card.size() && IsBlank(card[i])) ++i;
  const size_t typeStart = i;
  while (i < card.size() && !IsBlank(card[i]) && card[i] != '(') ++i;
  definition.modelType = card.substr(typeStart, i - typeStart);
  if (definition.modelType.empty()) return false;
  std::string rest = Trim(card.substr(i));
  if (!rest.empty() && rest.front() == '(' && rest.back() == ')') {
    rest = rest.substr(1, rest.size() - 2);
  }
  definition.parameters = Assignments(SplitCard(rest), 0);
  if (const DeviceKind* kind = FindDeviceKind(definition.modelType)) definition.pins = kind->pins;
  return true;
}

std::string RawText(const std::vector<std::string>& lines, size_t first, size_t last) {
  std::string text;
  for (size_t i = first; i <= last; ++i) text += lines[i] + "\n";
  return text;
}

// Dot cards a subcircuit may hold that the importer takes over as text.
bool UnderstoodInside(const std::string& keyword) {
  static const char* const kKnown[] = {".model",   ".param",  ".func", ".ic",
                                       ".nodeset", ".subckt", ".ends"};
  for (const char* known : kKnown) {
    if (keyword == known) return true;
  }
  return keyword.empty() || keyword[0] != '.';
}

bool IsInclude(const std::string& keyword) {
  return keyword == ".include" || keyword == ".inc" || keyword == ".lib";
}

std::string NotFollowed(const Card& card) {
  std::string message = "not followed: " + card.words[0];
  if (card.words.size() > 1) message += " " + card.words[1];
  return message;
}

std::vector<Card> ReadCards(const std::vector<std::string>& lines, ReadResult& result) {
  std::vector<Card> cards;
  for (size_t i = 0; i < lines.size(); ++i) {
    switch (Classify(lines[i])) {
      case LineKind::kBlank:
      case LineKind::kComment:
        break;
      case LineKind::kContinuation:
        if (cards.empty()) {
          result.skipped.push_back(
              {static_cast<int>(i + 1), "", "a continuation line with no card before it"});
          break;
        }
        {
          const std::string text = StripComment(lines[i]);
          cards.back().text += " " + text.substr(text.find('+') + 1);
          cards.back().last = i;
        }
        break;
      case LineKind::kCard:
        cards.push_back({i, i, StripComment(lines[i]), {}, ""});
        break;
    }
  }
  for (Card& card : cards) {
    card.words = SplitCard(card.text);
    if (!card.words.empty()) card.keyword = Lower(card.words[0]);
  }
  return cards;
}

}  // namespace

std::vector<std::string> SplitCard(const std::string& card) {
  std::vector<std::string> words;
  std::string word;
  int depth = 0;
  char quote = 0;
  auto flush = [&] {
    if (!word.empty()) words.push_back(word);
    word.clear();
  };
  for (char c : card) {
    if (quote != 0) {
      word += c;
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
      word += c;
    } else if (c == '(' || c == '{' || c == '[') {
      ++depth;
      word += c;
    } else if ((c == ')' || c == '}' || c == ']') && depth > 0) {
      --depth;
      word += c;
    } else if (depth > 0) {
      word += c;
    } else if (IsBlank(c) || c == ',') {
      flush();
    } else if (c == '=') {
      flush();
      words.push_back("=");
    } else {
      word += c;
      // "PARAMS:a=1" holds two words.
      if (word.size() == 7 && Lower(word) == "params:") flush();
    }
  }
  flush();
  return words;
}

ReadResult ReadLibrary(const std::string& content) {
  ReadResult result;
  const std::vector<std::string> lines = SplitLines(content);
  const std::vector<Card> cards = ReadCards(lines, result);
  for (size_t c = 0; c < cards.size(); ++c) {
    const Card& card = cards[c];
    const int line = static_cast<int>(card.first + 1);
    if (card.keyword == ".end") break;
    if (IsInclude(card.keyword)) {
      result.skipped.push_back({line, "", NotFollowed(card)});
      continue;
    }
    if ((card.keyword != ".subckt" && card.keyword != ".model") || card.words.size() < 2) {
      result.skipped.push_back(
          {line, "", "outside any definition: " + (card.words.empty() ? "" : card.words[0])});
      continue;
    }
    Definition definition;
    definition.name = card.words[1];
    definition.firstLine = line;
    definition.title = TitleAbove(lines, card.first);
    if (card.keyword == ".model") {
      definition.kind = Definition::kModel;
      if (!ReadModelCard(card.text, definition)) {
        result.skipped.push_back({line, definition.name, ".MODEL without a type"});
        continue;
      }
      definition.lastLine = static_cast<int>(card.last + 1);
      definition.text = RawText(lines, card.first, card.last);
      result.definitions.push_back(definition);
      continue;
    }
    ReadSubcircuitLine(card.words, definition);
    // The body up to the .ENDS that closes this .SUBCKT; nested ones count.
    int depth = 1;
    std::string notUnderstood;
    int notUnderstoodLine = 0;
    size_t end = c + 1;
    for (; end < cards.size() && depth > 0; ++end) {
      const Card& inner = cards[end];
      if (inner.keyword == ".end") break;
      if (inner.keyword == ".subckt") ++depth;
      if (inner.keyword == ".ends") --depth;
      if (notUnderstood.empty() && !UnderstoodInside(inner.keyword)) {
        notUnderstoodLine = static_cast<int>(inner.first + 1);
        notUnderstood = IsInclude(inner.keyword)
                            ? NotFollowed(inner) + " inside the definition"
                            : inner.words[0] + " inside the definition is not understood";
      }
    }
    if (depth > 0) {
      result.error = ".SUBCKT " + definition.name + " has no .ENDS";
      result.errorLine = line;
      result.definitions.clear();
      return result;
    }
    c = end - 1;
    definition.lastLine = static_cast<int>(cards[c].last + 1);
    if (!notUnderstood.empty()) {
      result.skipped.push_back({notUnderstoodLine, definition.name, notUnderstood});
      continue;
    }
    definition.text = RawText(lines, card.first, cards[c].last);
    result.definitions.push_back(definition);
  }
  return result;
}

std::string CallLine(const Definition& definition) {
  std::string line;
  if (definition.kind == Definition::kSubcircuit) {
    line = "X1";
  } else if (const DeviceKind* kind = FindDeviceKind(definition.modelType)) {
    line = kind->letter;
  } else {
    return "";
  }
  for (const std::string& pin : definition.pins) line += " " + pin;
  return line + " " + definition.name;
}

}  // namespace spice
}  // namespace zldb
