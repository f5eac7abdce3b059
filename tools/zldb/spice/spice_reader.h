// Reading a SPICE model library (the files device makers publish) into
// the definitions it holds: one per top-level .SUBCKT and per top-level
// .MODEL.  Pure text work with no database behind it.
//
// The rules followed are SPICE's: dot keywords and PARAMS: without regard
// to case; a line whose first non-blank character is '+' continues the
// card before it (comment and blank lines between them are skipped); a
// line whose first non-blank character is '*' is a comment; ';' anywhere
// and '$' at the start or after a blank begin an end-of-line comment; line
// ends are LF, CR or CRLF, and the last line may lack one.
#ifndef ZLDB_SPICE_SPICE_READER_H_
#define ZLDB_SPICE_SPICE_READER_H_

#include <string>
#include <vector>

namespace zldb {
namespace spice {

struct Parameter {
  std::string name;   // as written
  std::string value;  // as written, braces and quotes included
};

struct Definition {
  enum Kind { kSubcircuit, kModel };
  Kind kind = kSubcircuit;
  std::string name;       // the subcircuit's or model's name, as written
  std::string modelType;  // .MODEL only: D, NPN, NMOS, ... as written
  // .SUBCKT: the nodes of its line, in order.  .MODEL: the terminals of
  // the device kind (A K for a diode, C B E for a bipolar transistor...),
  // empty when the kind is not one the reader knows.
  std::vector<std::string> pins;
  // .SUBCKT: the PARAMS: defaults; .MODEL: the model parameters.
  std::vector<Parameter> parameters;
  // The first comment line with a letter or digit in the block of comment
  // lines right above the definition, without its '*' and outer blanks;
  // empty when there is none.
  std::string title;
  // The definition's lines as they stand in the file, from the .SUBCKT
  // line to its .ENDS (everything nested included) or the .MODEL line with
  // its continuations, each ended by "\n".
  std::string text;
  int firstLine = 0;  // 1-based line numbers in the file
  int lastLine = 0;
};

// Something the reader did not take over, with where it stands.
struct Notice {
  int line = 0;
  std::string name;     // the definition concerned, empty when none
  std::string message;  // "not followed: .INCLUDE models.lib", ...
};

struct ReadResult {
  std::vector<Definition> definitions;  // in file order
  std::vector<Notice> skipped;          // in file order
  // Set when the file cannot be read as a whole (an unterminated .SUBCKT):
  // then nothing of it should be taken over.
  std::string error;
  int errorLine = 0;
};

ReadResult ReadLibrary(const std::string& content);

// The line of the simulator language that instantiates the definition:
// "X1 pins NAME" for a subcircuit, "D1 A K NAME" and so on for a model;
// empty for a model whose device kind the reader does not know.
std::string CallLine(const Definition& definition);

// The words of a card (a logical line with its continuations joined and
// its comments removed): split at blanks and commas, '=' a word of its
// own, and nothing split inside braces, parentheses or quotes.
std::vector<std::string> SplitCard(const std::string& card);

}  // namespace spice
}  // namespace zldb

#endif  // ZLDB_SPICE_SPICE_READER_H_
