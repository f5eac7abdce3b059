// A writer killed with SIGKILL at a random moment loses nothing it
// acknowledged and leaves its interrupted operation all there or not at
// all.  The child runs the seeded operation mix and reports every finished
// step over a pipe; after the kill the test replays the acknowledged steps
// on a copy of the starting file and compares the two files (dates aside).
// With the main library on a server, the crashed library and the reference
// are two server databases copied from one starting database; the killed
// client must also leave no advisory lock behind.
// Sizes: ZL_CRASH_KILLS (20), ZL_CRASH_MAX_MS (150, the longest the child
// runs before it is killed), ZL_CRASH_SEED (1).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <sstream>

#include "platform/scratch_dir.h"
#include "reliability/library_check.h"
#include "reliability/operations.h"
#include "support/child_process.h"
#include "support/file_contents.h"
#include "support/test_backend.h"
#include "zldbctrl70.h"

namespace {

using zlrel::CStepResult;

// Runs the mix on the file until killed, one line per finished step.
ZL_CHILD_ACTION(CrashMix) {
  void* hDB = ZLOpenDatabase(args.at(0).c_str(), eOpenReadWriteNoLogin);
  if (hDB == nullptr) return 1;
  const uint32_t seed = static_cast<uint32_t>(std::stoul(args.at(1)));
  long records = zlrel::kStartRecords;
  zltest::ChildSignalReady();
  for (long step = 0; step < 1000000; ++step) {
    zltest::ChildSignalReady(zlrel::RunStep(hDB, seed, step, records).Line().c_str());
  }
  zltest::ChildWaitForRelease();
  return 0;
}

class CrashTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (testbackend::OnServer()) m_start = testbackend::FreshServerDatabase("zl_crash_start");
    ASSERT_TRUE(zlrel::CreateStartFile(m_start));
  }

  // The library's rows, dates aside.
  static std::string Contents(const std::string& name) {
    return testbackend::OnServer() ? testbackend::Image(name, true)
                                   : zltest::FileContents(name, true);
  }

  // A new copy of the starting file for run `kill` (new names each run, so
  // no log file of an earlier run is ever taken for this one's).
  void Fresh(long kill) {
    if (testbackend::OnServer()) {
      m_crashed = testbackend::FreshServerDatabase("zl_crashed", "zl_crash_start");
      m_reference = testbackend::FreshServerDatabase("zl_reference", "zl_crash_start");
      return;
    }
    m_crashed = m_dir.File("crashed-" + std::to_string(kill) + ".zdb");
    m_reference = m_dir.File("reference-" + std::to_string(kill) + ".zdb");
    std::filesystem::copy_file(m_start, m_crashed);
    std::filesystem::copy_file(m_start, m_reference);
  }

  // Applies steps [from, to) of the mix to the reference file; each must end
  // as the child reported it (acks; none for the interrupted step).
  void Replay(uint32_t seed, long from, long to, long& records,
              const std::vector<std::string>& acks) {
    void* hDB = ZLOpenDatabase(m_reference.c_str(), eOpenReadWriteNoLogin);
    ASSERT_NE(hDB, nullptr);
    for (long step = from; step < to; ++step) {
      const CStepResult result = zlrel::RunStep(hDB, seed, step, records);
      if (step < static_cast<long>(acks.size())) {
        EXPECT_EQ(result.Line(), acks[step]) << "step " << step << " ran differently";
      }
    }
    EXPECT_EQ(ZLCloseDatabase(hDB), 1);
  }

  // The killed client's session ends with its advisory locks (the server
  // needs a moment to see the connection gone).
  void ExpectNoLockLeft() {
    long held = -1;
    for (int wait = 0; wait < 100 && held != 0; ++wait) {
      if (wait > 0) usleep(50000);
      zl::engine::CSqlConnection conn;
      conn.Open(m_crashed, {});
      zl::engine::CSqlQuery q(conn,
                              "SELECT count(*) FROM pg_locks WHERE locktype = 'advisory' AND pid "
                              "<> pg_backend_pid() AND database = (SELECT oid FROM pg_database "
                              "WHERE datname = current_database())");
      held = q.Step() ? std::stol(q.ColumnText(0)) : -1;
    }
    EXPECT_EQ(held, 0) << "the killed client's locks outlived it";
  }

  CScratchDir m_dir;
  std::string m_start = m_dir.File("start.zdb");
  std::string m_crashed;
  std::string m_reference;
};

TEST_F(CrashTest, AKilledWriterLosesNoAcknowledgedOperation) {
  const long kills = zlrel::EnvCount("ZL_CRASH_KILLS", 20);
  const long maxMs = zlrel::EnvCount("ZL_CRASH_MAX_MS", 150);
  const uint32_t baseSeed = static_cast<uint32_t>(zlrel::EnvCount("ZL_CRASH_SEED", 1));
  std::mt19937 timing(baseSeed);
  long acknowledged = 0, interruptedLanded = 0, survived = 0;
  for (long kill = 0; kill < kills && !HasFailure(); ++kill) {
    const uint32_t seed = baseSeed + static_cast<uint32_t>(kill);
    SCOPED_TRACE("seed " + std::to_string(seed));
    Fresh(kill);
    std::vector<std::string> acks;
    {
      zltest::CChildProcess child("CrashMix", {m_crashed, std::to_string(seed)});
      ASSERT_EQ(child.ReadLine(), "ready");
      usleep(static_cast<useconds_t>(timing() % (maxMs * 1000 + 1)));
      child.Kill();
      for (std::string line = child.ReadLine(); !line.empty(); line = child.ReadLine()) {
        acks.push_back(line);
      }
      EXPECT_EQ(child.Finish(), -1) << "the child was not killed";
    }
    acknowledged += static_cast<long>(acks.size());
    const std::vector<std::string> problems = zlrel::CheckLibrary(m_crashed);
    EXPECT_TRUE(problems.empty()) << problems.front();

    // The acknowledged steps, then (if the file differs) the interrupted one.
    long records = zlrel::kStartRecords;
    const long done = static_cast<long>(acks.size());
    Replay(seed, 0, done, records, acks);
    const std::string crashed = Contents(m_crashed);
    if (Contents(m_reference) != crashed) {
      Replay(seed, done, done + 1, records, acks);
      EXPECT_EQ(Contents(m_reference), crashed)
          << "after " << done << " acknowledged steps the file is neither before nor after step "
          << done;
      ++interruptedLanded;
    }
    if (testbackend::OnServer()) ExpectNoLockLeft();
    if (HasFailure()) break;
    ++survived;
    if (testbackend::OnServer()) continue;
    for (const std::string& file : {m_crashed, m_reference}) {
      for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(file + suffix);
    }
  }
  std::printf("ZL-SUMMARY crash kills=%ld survived=%ld acknowledged=%ld interrupted_landed=%ld\n",
              kills, survived, acknowledged, interruptedLanded);
}

}  // namespace
