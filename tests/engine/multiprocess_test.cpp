// Several processes on one database file.  Children, forked while the parent has nothing open,
// exit with a status, die by alarm(), and step with one-byte pipe messages read with a timeout.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

#include "engine_fixture.h"

namespace enginetest {
namespace {

constexpr int kChildSeconds = 20;   // a child never lives longer
constexpr int kStepMillis = 10000;  // longest wait for the other side's message

// One forked child with a pipe each way; killed and reaped on destruction.
class CChild {
 public:
  CChild() = default;
  ~CChild() {
    if (m_pid > 0) {
      kill(m_pid, SIGKILL);
      waitpid(m_pid, nullptr, 0);
    }
    for (int fd : {m_in, m_out}) close(fd);
  }
  CChild(const CChild&) = delete;
  CChild& operator=(const CChild&) = delete;
  // The child exits with body's result, or 98 on an engine error.
  bool Start(const std::function<int(CChild&)>& body) {
    int down[2] = {-1, -1};
    int up[2] = {-1, -1};
    if (pipe(down) != 0 || pipe(up) != 0) {
      for (int fd : {down[0], down[1]}) close(fd);
      return false;
    }
    fflush(nullptr);
    m_pid = fork();
    const bool child = m_pid == 0;
    close(child ? down[1] : down[0]);
    close(child ? up[0] : up[1]);
    m_in = child ? down[0] : up[0];
    m_out = child ? up[1] : down[1];
    if (child) {
      alarm(kChildSeconds);
      try {
        _exit(body(*this));
      } catch (const CDaoException& e) {
        fprintf(stderr, "child: engine error %ld\n", e.GetErrorNumber());
      }
      _exit(98);
    }
    return m_pid > 0;
  }
  // No signal handler is installed, so the calls below are not interrupted.
  void Send(char c) { [[maybe_unused]] const ssize_t n = write(m_out, &c, 1); }
  bool Expect(char c) {
    pollfd p{m_in, POLLIN, 0};
    char got = 0;
    return poll(&p, 1, kStepMillis) == 1 && read(m_in, &got, 1) == 1 && got == c;
  }
  // The child's exit code, or -1 when it did not exit normally.
  int Wait() {
    int status = 0;
    const pid_t pid = std::exchange(m_pid, 0);
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status)
                                                                           : -1;
  }

 private:
  pid_t m_pid = 0;
  int m_in = -1;
  int m_out = -1;
};

void Add(CDaoRecordset& rs, const char* name, int32_t num) {
  AddRow(rs, {{"NAME", COleVariant(name)}, {"NUM", Long(num)}});
}

// True when rs holds a row named `name`, which then is current.
bool HasRow(CDaoRecordset& rs, const char* name) {
  rs.SetCurrentIndex("NAME_INDEX");
  COleVariant key(name);
  return rs.Seek("=", &key) != FALSE;
}

// A database and a recordset on table T; the members close in reverse order.
struct COpenTable {
  explicit COpenTable(const std::string& path, BOOL exclusive = FALSE) : rs(&db) {
    db.Open(path.c_str(), exclusive);
    rs.Open(dbOpenTable, "T");
  }
  CDaoDatabase db;
  CDaoRecordset rs;
};

class MultiProcessTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(m_dir.Path().empty());
    m_path = m_dir.File("shared.db");
    m_copy = m_dir.File("copy.db");
    m_savedTimeout = CDaoWorkspace::GetBusyTimeout();
    CDaoDatabase db;
    db.Create(m_path.c_str());
    CreateTable(db, "T",
                {{"ID", dbLong, 4, dbAutoIncrField, false},
                 {"NAME", dbText, 50, 0, false},
                 {"NUM", dbLong, 4, 0, false}},
                {{"ID_INDEX", {"ID"}, true}, {"NAME_INDEX", {"NAME"}, false}});
    db.Close();
  }
  void TearDown() override { CDaoWorkspace::SetBusyTimeout(m_savedTimeout); }
  // A child that opens the file, adds row if given, tells 'o', closes on 'q' and tells 'c'.
  void StartHolder(CChild& child, BOOL exclusive, const char* row) {
    ASSERT_TRUE(child.Start([path = m_path, exclusive, row](CChild& self) {
      auto t = std::make_unique<COpenTable>(path, exclusive);
      if (row != nullptr) Add(t->rs, row, 1);
      self.Send('o');
      if (!self.Expect('q')) return 1;
      t.reset();
      self.Send('c');
      return 0;
    }));
    ASSERT_TRUE(child.Expect('o')) << "child exit " << child.Wait();
  }
  void Release(CChild& child) {
    child.Send('q');
    EXPECT_TRUE(child.Expect('c'));
    EXPECT_EQ(child.Wait(), 0);
  }
  // A child that on 'g' adds "child" in a transaction and tells 'w', then commits on 'c',
  // tells 'd' and ends.
  void StartTransactionalWriter(CChild& child, bool expectParentRow) {
    ASSERT_TRUE(child.Start([path = m_path, expectParentRow](CChild& self) {
      if (!self.Expect('g')) return 1;
      COpenTable t(path);
      if (expectParentRow && (!HasRow(t.rs, "parent") || t.rs.GetFieldValue("NUM").lVal != 7))
        return 2;
      CDaoWorkspace::GetDefault()->BeginTrans();
      Add(t.rs, "child", 8);
      self.Send('w');
      if (!self.Expect('c')) return 3;
      CDaoWorkspace::GetDefault()->CommitTrans();
      self.Send('d');
      return 0;
    }));
  }
  CTempDir m_dir;
  std::string m_path;
  std::string m_copy;
  int m_savedTimeout = 0;
};

TEST_F(MultiProcessTest, CommittedRowIsSeenByTheOtherProcess) {
  CChild child;
  ASSERT_NO_FATAL_FAILURE(StartTransactionalWriter(child, true));
  COpenTable t(m_path);
  Add(t.rs, "parent", 7);
  child.Send('g');
  ASSERT_TRUE(child.Expect('w')) << "child exit " << child.Wait();
  CDaoWorkspace::Idle(dbRefreshCache);
  EXPECT_FALSE(HasRow(t.rs, "child")) << "an uncommitted row of another process is visible";
  EXPECT_EQ(t.rs.GetRecordCount(), 1);
  child.Send('c');
  ASSERT_TRUE(child.Expect('d')) << "child exit " << child.Wait();
  CDaoWorkspace::Idle(dbRefreshCache);
  EXPECT_EQ(t.rs.GetRecordCount(), 2);
  ASSERT_TRUE(HasRow(t.rs, "child"));
  EXPECT_EQ(t.rs.GetFieldValue("NUM").lVal, 8);
  t.rs.MoveNext();  // index order: "parent" follows "child"
  EXPECT_STREQ(t.rs.GetFieldValue("NAME").GetStringValue(), "parent");
  EXPECT_EQ(child.Wait(), 0);
}

TEST_F(MultiProcessTest, ExclusiveOpenIsRefusedWhileAnotherProcessHasTheFileOpen) {
  CChild child;
  ASSERT_NO_FATAL_FAILURE(StartHolder(child, FALSE, nullptr));
  CDaoDatabase db;
  for (BOOL readOnly : {FALSE, TRUE}) {  // an exclusive read-only open is still exclusive
    EXPECT_EQ(ErrorOf([&] { db.Open(m_path.c_str(), TRUE, readOnly); }), kDaoFileInUse);
    EXPECT_FALSE(db.IsOpen());
  }
  EXPECT_EQ(ErrorOf([&] { db.Open(m_path.c_str()); }), 0) << "shared opens are fine meanwhile";
  db.Close();
  Release(child);
  EXPECT_EQ(ErrorOf([&] { db.Open(m_path.c_str(), TRUE); }), 0);
  EXPECT_TRUE(db.IsOpen());
}

TEST_F(MultiProcessTest, EveryOpenIsRefusedWhileAnotherProcessHoldsTheFileExclusively) {
  CChild child;
  ASSERT_NO_FATAL_FAILURE(StartHolder(child, TRUE, "held"));
  CDaoDatabase db;
  for (int mode = 0; mode < 4; ++mode) {
    EXPECT_EQ(ErrorOf([&] { db.Open(m_path.c_str(), mode & 1, mode >> 1); }), kDaoOpenedExclusively)
        << "mode " << mode;
    EXPECT_FALSE(db.IsOpen());
  }
  EXPECT_EQ(ErrorOf([&] { CDaoWorkspace::RepairDatabase(m_path.c_str()); }), kDaoOpenedExclusively);
  EXPECT_EQ(ErrorOf([&] { CDaoWorkspace::CompactDatabase(m_path.c_str(), m_copy.c_str()); }),
            kDaoOpenedExclusively);
  EXPECT_FALSE(std::filesystem::exists(m_copy));
  Release(child);
  COpenTable t(m_path);
  EXPECT_TRUE(HasRow(t.rs, "held")) << "the exclusive holder's row was committed";
}

TEST_F(MultiProcessTest, RepairIsRefusedAndCompactionWorksWhileAnotherProcessReads) {
  CChild child;
  ASSERT_NO_FATAL_FAILURE(StartHolder(child, FALSE, "kept"));
  EXPECT_EQ(ErrorOf([&] { CDaoWorkspace::RepairDatabase(m_path.c_str()); }), kDaoOpenedExclusively);
  EXPECT_EQ(ErrorOf([&] { CDaoWorkspace::CompactDatabase(m_path.c_str(), m_copy.c_str()); }), 0);
  Release(child);
  COpenTable t(m_copy);
  EXPECT_EQ(t.rs.GetRecordCount(), 1);
  EXPECT_TRUE(HasRow(t.rs, "kept"));
}

// Each writer reads in its transaction before writing: were the write lock taken only at
// the first write, both would hold read snapshots and deadlock (reported as busy at once).
TEST_F(MultiProcessTest, TwoWritersInTransactionsNeverDeadlock) {
  constexpr int kRounds = 40;
  const auto writer = [path = m_path](char tag) {
    return [path, tag](CChild& self) {
      if (!self.Expect('g')) return 1;
      COpenTable t(path);
      t.rs.SetCurrentIndex("NAME_INDEX");
      CDaoWorkspace* ws = CDaoWorkspace::GetDefault();
      for (int i = 0; i < kRounds; ++i) {
        ws->BeginTrans();
        const long before = t.rs.GetRecordCount();
        COleVariant key("");
        t.rs.Seek(">=", &key);
        usleep(300);  // let the other side's transaction overlap
        Add(t.rs, (std::string(1, tag) + std::to_string(i)).c_str(), i);
        if (t.rs.GetRecordCount() != before + 1) return 2;  // nobody else wrote meanwhile
        ws->CommitTrans();
      }
      return 0;
    };
  };
  CChild a;
  CChild b;
  ASSERT_TRUE(a.Start(writer('A')) && b.Start(writer('B')));
  a.Send('g');
  b.Send('g');
  EXPECT_EQ(a.Wait(), 0) << "writer A (98: engine error, see its stderr)";
  EXPECT_EQ(b.Wait(), 0) << "writer B";
  COpenTable t(m_path);
  EXPECT_EQ(t.rs.GetRecordCount(), 2 * kRounds);
  for (const char* tag : {"A", "B"})
    for (int i = 0; i < kRounds; ++i) EXPECT_TRUE(HasRow(t.rs, (tag + std::to_string(i)).c_str()));
}

TEST_F(MultiProcessTest, BusyFileIsReportedAsLockedAfterABoundedWait) {
  CChild child;
  ASSERT_NO_FATAL_FAILURE(StartTransactionalWriter(child, false));
  COpenTable t(m_path);
  child.Send('g');
  ASSERT_TRUE(child.Expect('w')) << "child exit " << child.Wait();
  CDaoWorkspace::SetBusyTimeout(200);
  CDaoWorkspace* ws = CDaoWorkspace::GetDefault();
  EXPECT_EQ(ErrorOf([&] { ws->BeginTrans(); }), kDaoLockedByUser);
  EXPECT_EQ(ws->GetTransactionDepth(), 0) << "a refused BeginTrans opens no transaction";
  t.rs.AddNew();
  t.rs.SetFieldValue("NAME", "parent");
  EXPECT_EQ(ErrorOf([&] { t.rs.Update(); }), kDaoLockedByUser);
  EXPECT_EQ(t.rs.GetEditMode(), dbEditAdd) << "a refused Update keeps its buffer";
  child.Send('c');
  ASSERT_TRUE(child.Expect('d')) << "child exit " << child.Wait();
  EXPECT_EQ(ErrorOf([&] { t.rs.Update(); }), 0) << "the buffer is written once the lock is free";
  CDaoWorkspace::Idle(dbRefreshCache);
  EXPECT_EQ(t.rs.GetRecordCount(), 2);
  EXPECT_TRUE(HasRow(t.rs, "parent") && HasRow(t.rs, "child"));
  ASSERT_EQ(ErrorOf([&] { ws->BeginTrans(); }), 0);
  ws->CommitTrans();
  EXPECT_EQ(child.Wait(), 0);
}

TEST_F(MultiProcessTest, DateLastUpdatedMovesWhenAnotherProcessWrites) {
  CChild child;
  ASSERT_TRUE(child.Start([path = m_path](CChild& self) {
    COpenTable t(path);
    if (!self.Expect('g')) return 1;
    Add(t.rs, "written", 1);
    self.Send('d');
    if (!self.Expect('g') || !HasRow(t.rs, "written")) return 2;
    t.rs.Edit();  // an edit alone changes the date too
    t.rs.SetFieldValue("NUM", Long(2));
    t.rs.Update();
    self.Send('d');
    return 0;
  }));
  CDaoDatabase db;
  db.Open(m_path.c_str());
  CDaoTableDef td(&db);
  td.Open("T");
  const COleDateTime created = td.GetDateCreated();
  COleDateTime last = td.GetDateLastUpdated();
  CDaoWorkspace::Idle(dbRefreshCache);
  EXPECT_TRUE(td.GetDateLastUpdated() == last) << "nothing was written, yet the date moved";
  for (int round = 1; round <= 2; ++round) {
    child.Send('g');
    ASSERT_TRUE(child.Expect('d')) << "child exit " << child.Wait();
    CDaoWorkspace::Idle(dbRefreshCache);
    const COleDateTime now = td.GetDateLastUpdated();
    EXPECT_TRUE(now > last) << round << ": " << last.Format().GetString() << " then "
                            << now.Format().GetString();
    last = now;
  }
  EXPECT_TRUE(td.GetDateCreated() == created);
  EXPECT_EQ(child.Wait(), 0);
}

}  // namespace
}  // namespace enginetest
