// Second processes for tests: the test program runs itself again in a
// "child action" mode, so that the child starts with no state inherited
// from the test (no open database, no engine connection).
//
//   ZL_CHILD_ACTION(AddLanguage) { ... return 0; }   // args: child's arguments
//   EXPECT_EQ(RunChild("AddLanguage", {path}), 0);   // exit status
//
// A child that must hold something while the test goes on prints a line to
// standard output when it is ready and waits until its standard input
// closes (CChildProcess).
#ifndef ZLDBCTRL70_TESTS_SUPPORT_CHILD_PROCESS_H_
#define ZLDBCTRL70_TESTS_SUPPORT_CHILD_PROCESS_H_

#include <sys/types.h>

#include <string>
#include <vector>

namespace zltest {

using ChildArgs = std::vector<std::string>;
using ChildAction = int (*)(const ChildArgs& args);

struct CChildActionRegistrar {
  CChildActionRegistrar(const char* name, ChildAction action);
};

#define ZL_CHILD_ACTION(name)                                                              \
  static int ZlChild_##name(const ::zltest::ChildArgs& args);                              \
  static ::zltest::CChildActionRegistrar zl_child_registrar_##name(#name, ZlChild_##name); \
  static int ZlChild_##name(const ::zltest::ChildArgs& args)

// Runs the action in a new process and returns its exit status (-1 when it
// did not exit normally, or was killed after timeoutSeconds).
int RunChild(const char* action, const ChildArgs& args, int timeoutSeconds = 30);

// A child that runs alongside the test.
class CChildProcess {
 public:
  CChildProcess(const char* action, const ChildArgs& args);
  ~CChildProcess();  // closes its input and waits for it (killing it after 30 s)
  CChildProcess(const CChildProcess&) = delete;
  CChildProcess& operator=(const CChildProcess&) = delete;

  // The next line the child printed ("" when it ended or timed out).
  std::string ReadLine(int timeoutSeconds = 30);
  // Closes the child's input and returns its exit status (killing it after
  // timeoutSeconds).
  int Finish(int timeoutSeconds = 30);
  // Kills the child with SIGKILL at once (what it printed stays readable).
  void Kill();

 private:
  pid_t m_pid = -1;
  int m_toChild = -1;
  int m_fromChild = -1;
  int m_status = -1;
};

// In a child action: signal readiness, then wait until the test lets go.
void ChildSignalReady(const char* line = "ready");
void ChildWaitForRelease();

// Called by main: runs a child action when the program was started as one.
// Returns true (and the exit status) when it did.
bool RunChildActionIfRequested(int argc, char** argv, int& status);

}  // namespace zltest

#endif  // ZLDBCTRL70_TESTS_SUPPORT_CHILD_PROCESS_H_
