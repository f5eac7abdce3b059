// The SPICE reader on small inputs, one row per rule: line ends, comments,
// continuations, keywords in any case, PARAMS:, .MODEL forms, nesting,
// titles, and what is skipped or refused.
#include "spice/spice_reader.h"

#include <gtest/gtest.h>

#include "spice/ngspice_run.h"

namespace {

using zldb::spice::Definition;
using zldb::spice::ReadLibrary;
using zldb::spice::ReadResult;

// One line per definition: kind, name, model type, [pins], {parameters},
// 'title', first-last line and the number of text lines; then one line per
// notice: "skip LINE NAME: message"; or "error LINE: message".
std::string Summary(const ReadResult& read) {
  if (!read.error.empty()) return "error " + std::to_string(read.errorLine) + ": " + read.error;
  std::string out;
  for (const Definition& d : read.definitions) {
    out += d.kind == Definition::kModel ? "M " + d.name + " " + d.modelType : "S " + d.name;
    out += " [";
    for (size_t i = 0; i < d.pins.size(); ++i) out += (i ? " " : "") + d.pins[i];
    out += "] {";
    for (size_t i = 0; i < d.parameters.size(); ++i) {
      out += (i ? " " : "") + d.parameters[i].name + "=" + d.parameters[i].value;
    }
    size_t lines = 0;
    for (char c : d.text) lines += c == '\n';
    out += "} '" + d.title + "' " + std::to_string(d.firstLine) + "-" + std::to_string(d.lastLine) +
           " " + std::to_string(lines) + "\n";
  }
  for (const auto& n : read.skipped) {
    out += "skip " + std::to_string(n.line) + " " + n.name + ": " + n.message + "\n";
  }
  return out;
}

TEST(SpiceReader, ReadsEachRuleOfTheFormat) {
  struct Case {
    const char* what;
    const char* input;
    const char* expected;
  } cases[] = {
      {"subcircuit with an inner model and its title",
       "* Amp title\n.SUBCKT AMP 1 2 3\nQ1 1 2 3 QX\n.MODEL QX NPN(BF=90)\n.ENDS AMP\n",
       "S AMP [1 2 3] {} 'Amp title' 2-5 4\n"},
      {"CR line ends, no line end at the end", "*diode\r.model D1N D(IS=1e-14 N=1)",
       "M D1N D [A K] {IS=1e-14 N=1} 'diode' 2-2 1\n"},
      {"CRLF, a continuation after a comment line",
       ".MODEL Q2 NPN(IS=1\r\n* note\r\n  + BF=100)\r\n",
       "M Q2 NPN [C B E] {IS=1 BF=100} '' 1-3 3\n"},
      {"keywords in any case, PARAMS: defaults", ".SubCkt X a b Params: w=1 l = {2*w}\n.EnDs\n",
       "S X [a b] {w=1 l={2*w}} '' 1-2 2\n"},
      {"parameters without PARAMS:, PARAMS: glued to the first",
       ".subckt Y a R=1k C={1/(2 * pi)}\n.ends\n.subckt Z a PARAMS:g=2\n.ends\n",
       "S Y [a] {R=1k C={1/(2 * pi)}} '' 1-2 2\nS Z [a] {g=2} '' 3-4 2\n"},
      {"end-of-line comments; a $ inside a name stays",
       ".model M1 D(IS=1 ; rest\n+ N=2 $ note\n+ RS=3)\n.subckt A$B 1\n.ends\n",
       "M M1 D [A K] {IS=1 N=2 RS=3} '' 1-3 3\nS A$B [1] {} '' 4-5 2\n"},
      {"model types in other spellings",
       ".model J njf\n.model K PMOS (VTO=-1, KP=2e-5)\n.model W xyz(a=1)\n",
       "M J njf [D G S] {} '' 1-1 1\nM K PMOS [D G S B] {VTO=-1 KP=2e-5} '' 2-2 1\n"
       "M W xyz [] {a=1} '' 3-3 1\n"},
      {"a nested subcircuit belongs to the outer one",
       ".subckt OUT 1 2\n.subckt IN 3 4\nR1 3 4 1\n.ends IN\nX1 1 2 IN\n.ends OUT\n",
       "S OUT [1 2] {} '' 1-6 6\n"},
      {"title: first comment with a letter or digit of the block right above",
       "* Vendor lib\n*\n*  |  |\n.model A D\n\n* other\n\n.model B D\n*---\n* B2\n.model C D\n",
       "M A D [A K] {} 'Vendor lib' 4-4 1\nM B D [A K] {} '' 8-8 1\nM C D [A K] {} 'B2' 11-11 1\n"},
      {".INCLUDE and .LIB are reported, not followed",
       ".include other.lib\n.LIB \"x.lib\" tt\n.model A D\n",
       "M A D [A K] {} '' 3-3 1\nskip 1 : not followed: .include other.lib\n"
       "skip 2 : not followed: .LIB \"x.lib\"\n"},
      {"what a subcircuit holds that is not understood skips it",
       ".subckt S 1\n.control\nrun\n.endc\n.ends\n.subckt T 1\n.inc a.lib\n.ends\n.model U D\n",
       "M U D [A K] {} '' 9-9 1\nskip 2 S: .control inside the definition is not understood\n"
       "skip 7 T: not followed: .inc a.lib inside the definition\n"},
      {"cards outside any definition, a stray continuation, .END ends the file",
       "+ x\nR1 1 2 1k\n.ends\n.model A D\n.end\n.model B D\n",
       "M A D [A K] {} '' 4-4 1\nskip 1 : a continuation line with no card before it\n"
       "skip 2 : outside any definition: R1\nskip 3 : outside any definition: .ends\n"},
      {"an unterminated subcircuit refuses the file", ".model A D\n.subckt B 1 2\nR1 1 2 1\n",
       "error 2: .SUBCKT B has no .ENDS"},
      {".END inside a subcircuit leaves it unterminated",
       ".subckt B 1 2\n.subckt C 1\n.ends\n.end\n.ends\n", "error 1: .SUBCKT B has no .ENDS"},
      {"an empty file", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Summary(ReadLibrary(c.input)), c.expected) << c.what;
  }
}

TEST(SpiceReader, KeepsTheTextAndBuildsCallLines) {
  const ReadResult read = ReadLibrary(
      "* t\r\n.subckt OPA in+ in- out params: g=1\r\n\r\nR1 in+ out 1k ; r\r\n.ends\r\n"
      ".model DX D\n.model SX sw\n.model RX r\n");
  ASSERT_EQ(read.definitions.size(), 4u);
  // Line ends become LF; blank lines and comments inside stay as written.
  EXPECT_EQ(read.definitions[0].text,
            ".subckt OPA in+ in- out params: g=1\n\nR1 in+ out 1k ; r\n.ends\n");
  EXPECT_EQ(CallLine(read.definitions[0]), "X1 in+ in- out OPA");
  EXPECT_EQ(CallLine(read.definitions[1]), "D1 A K DX");
  EXPECT_EQ(CallLine(read.definitions[2]), "S1 P N CP CN SX");
  EXPECT_EQ(CallLine(read.definitions[3]), "");  // no device kind known for it
}

// ngspice's message as check-models shows it, from outputs ngspice 39 gave.
TEST(SpiceReader, TakesNgspiceErrorsFromItsOutput) {
  struct Case {
    const char* output;
    const char* message;
  } cases[] = {
      {"Circuit: * a\nNote: No \".plot\", \".print\", or \".fourier\" lines\n", ""},
      {"Warning: Model issue on line 2 :\nunrecognized parameter (foo) - ignored\n", ""},
      {"warning, can't find model 'dxx' from line\n    d1 a k dxx\nError on line 2 or its "
       "substitute:\n  d1 a k dxx\ncould not find a valid modelname\n    Simulation interrupted "
       "due to error!\n\nNote: No simulations run\n",
       "Error on line 2 or its substitute:\n  d1 a k dxx\ncould not find a valid modelname"},
      {"\nError: Mismatch of .subckt ... .ends statements!\n    This will cause subsequent "
       "errors.\n\nCheck line .subckt s 1 2\n\nERROR: fatal error in ngspice, exit(1)\n",
       "Error: Mismatch of .subckt ... .ends statements!\n    This will cause subsequent errors.\n"
       "ERROR: fatal error in ngspice, exit(1)"},
  };
  for (const Case& c : cases) EXPECT_EQ(zldb::spice::SimulatorErrors(c.output), c.message);
}

}  // namespace
