// Running ngspice in batch mode on netlists, several at a time, each with a
// time limit, and reading from its output whether the circuit loaded.
#ifndef ZLDB_SPICE_NGSPICE_RUN_H_
#define ZLDB_SPICE_NGSPICE_RUN_H_

#include <functional>
#include <string>
#include <vector>

namespace zldb {
namespace spice {

struct SimulatorJob {
  std::string netlist;  // the netlist text
  // Filled by RunSimulatorJobs:
  bool passed = false;
  std::string message;  // ngspice's own error lines, or why it did not answer
  double seconds = 0;
};

// The simulator program: $ZLDB_NGSPICE when set, else "ngspice" (looked up
// in PATH).
std::string SimulatorProgram();

// Runs "PROGRAM -b -n NETLIST" for every job, at most parallel at a time,
// each in a private temporary folder (removed afterwards) with standard
// output and error in one file, and killed (with its process group) after
// limitSeconds.  A job passes when ngspice ended and its output holds no
// error; ngspice's exit status says nothing here, since it is 1 whenever a
// netlist has no analysis to run.  done is called (one call at a time)
// after each job with the number finished.  False, with error set, when
// nothing could be run (no temporary folder, the program cannot be
// started); the jobs are then left as they were.
bool RunSimulatorJobs(std::vector<SimulatorJob>& jobs, unsigned parallel, double limitSeconds,
                      const std::function<void(size_t done)>& done, std::string& error);

// ngspice's error message in its output: from each line that begins with
// "Error" (any case) or tells of a fatal error, up to the next blank line or
// the line that says the simulation was interrupted; empty when there is
// none.
std::string SimulatorErrors(const std::string& output);

}  // namespace spice
}  // namespace zldb

#endif  // ZLDB_SPICE_NGSPICE_RUN_H_
