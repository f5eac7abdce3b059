// The random operation mix of the reliability tests: every exported writer
// family as one row of a table.  A new family joins the crash test, the
// fault sweep and the concurrency run by adding its rows to kWriters
// (operations.cpp).
//
// An operation draws everything it writes from the step's own generator and
// from the library's visible state, so the same seed and step applied to two
// copies of one file do exactly the same thing to both.
#ifndef ZLDBCTRL70_TESTS_RELIABILITY_OPERATIONS_H_
#define ZLDBCTRL70_TESTS_RELIABILITY_OPERATIONS_H_

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace zlrel {

// What an operation works on: the handle, its step's generator and the
// number of records the file has had (IDs 1..records; the mix deletes some,
// and writes to those then fail the same way in every copy).
struct CMixState {
  void* hDB = nullptr;
  std::mt19937 rng;
  long records = 0;
  long step = 0;
  // Set by a writer whose last export is a clean-up: the code of the failure
  // (-1: a failed export changed the caller's objects).
  int failure = 0;
  // Set by a writer that runs writers of other families when one of them
  // fails: the code that one gives for a storage failure.
  int storageCode = 0;

  long Pick(long n) { return static_cast<long>(rng() % static_cast<uint32_t>(n)); }
  long AnyRecord() { return 1 + Pick(records); }
  // A text unique to this step (names must not repeat across steps).
  std::string Text(const char* prefix) const { return prefix + std::to_string(step); }
};

using WriterFn = int (*)(CMixState& state);

struct CWriter {
  const char* family;
  const char* name;
  WriterFn write;  // 1 or 0 with the last error set, as the exports
  // The code a storage failure gives (documented per export; 9 for most).
  int storageCode = 9;
};

// Every writer of the mix.
const std::vector<CWriter>& Writers();

// The result of one step: its writer, the export's result and last error.
struct CStepResult {
  int writer = -1;
  int result = 0;
  int code = 0;
  std::string Line() const;  // "writer result code"
};

// Runs step number `step` of the mix seeded with `seed` on hDB.
CStepResult RunStep(void* hDB, uint32_t seed, long step, long& records);

// Records the starting file of every run holds (see CreateStartFile).
constexpr long kStartRecords = 6;
// Creates the file every run starts from: English and German language
// tables, kStartRecords records with titles, two packages, macro, call and
// package tables of two simulator languages and the access table of the
// first.  False on failure.
bool CreateStartFile(const std::string& path);

// A count from the environment (name), or fallback when unset or invalid.
long EnvCount(const char* name, long fallback);

}  // namespace zlrel

#endif  // ZLDBCTRL70_TESTS_RELIABILITY_OPERATIONS_H_
