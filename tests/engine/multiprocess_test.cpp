// Several processes on one database file: visibility of committed rows,
// exclusive opens, writers that never deadlock, busy waits that end in a lock
// error, and the date last updated seen from another process.
//
// Every other process is a real fork() of the test program.  A child is
// forked while the parent has no database open, so that it inherits no
// connection or file lock; it reports through its exit status (no test
// assertions in the child) and is bounded by alarm().  The two sides step
// through their scripts with one-byte messages over pipes, each read bounded
// by a timeout, so a failing side never leaves the other waiting.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/dao_database.h"
#include "engine/dao_errors.h"
#include "engine/dao_recordset.h"
#include "engine/dao_tabledef.h"
#include "engine/dao_types.h"
#include "engine/dao_workspace.h"

namespace {

constexpr int kChildSeconds = 20;   // a child never lives longer
constexpr int kStepMillis = 10000;  // longest wait for the other side's message

class CTempFolder {
 public:
  CTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zl_multi_XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) != nullptr) m_path = buffer.data();
  }
  ~CTempFolder() {
    std::error_code ec;
    if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
  }
  CTempFolder(const CTempFolder&) = delete;
  CTempFolder& operator=(const CTempFolder&) = delete;
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
};

long ErrorOf(const std::function<void()>& f) {
  try {
    f();
    return 0;
  } catch (const CDaoException& e) {
    return e.GetErrorNumber() != 0 ? e.GetErrorNumber() : -static_cast<long>(e.m_nAfxDaoError);
  } catch (const CException&) {
    return -1;
  }
}

// Reads one byte from fd within timeoutMs; 0 on timeout, end of file or error.
char ReadByte(int fd, int timeoutMs) {
  pollfd p{fd, POLLIN, 0};
  for (;;) {
    const int r = poll(&p, 1, timeoutMs);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return 0;
    char c = 0;
    const ssize_t n = read(fd, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    return n == 1 ? c : 0;
  }
}

void WriteByte(int fd, char c) {
  while (write(fd, &c, 1) < 0 && errno == EINTR) {
  }
}

// One forked child with a pipe each way.
class CChild {
 public:
  CChild() = default;
  ~CChild() {
    if (m_pid > 0) {
      kill(m_pid, SIGKILL);
      waitpid(m_pid, nullptr, 0);
    }
    for (int fd : {m_toChild, m_fromChild})
      if (fd >= 0) close(fd);
  }
  CChild(const CChild&) = delete;
  CChild& operator=(const CChild&) = delete;

  // Forks a child that runs body and exits with its result: 0 for success,
  // a step number for a failed check, 97/98/99 for an unexpected exception.
  bool Start(const std::function<int(CChild&)>& body) {
    int down[2];
    int up[2];
    if (pipe(down) != 0) return false;
    if (pipe(up) != 0) {
      close(down[0]);
      close(down[1]);
      return false;
    }
    fflush(nullptr);
    m_pid = fork();
    if (m_pid == 0) {
      close(down[1]);
      close(up[0]);
      m_toChild = down[0];
      m_fromChild = up[1];
      alarm(kChildSeconds);
      int code = 99;
      try {
        code = body(*this);
      } catch (const CDaoException& e) {
        code = 98;
        fprintf(stderr, "child: engine error %ld\n", e.GetErrorNumber());
      } catch (...) {
        code = 97;
      }
      _exit(code);
    }
    close(down[0]);
    close(up[1]);
    m_toChild = down[1];
    m_fromChild = up[0];
    if (m_pid < 0) return false;
    return true;
  }

  // Child side: tell the parent / wait for the parent's word.
  void Tell(char c) { WriteByte(m_fromChild, c); }
  bool Await(char c) { return ReadByte(m_toChild, kStepMillis) == c; }

  // Parent side.
  void Signal(char c) { WriteByte(m_toChild, c); }
  bool Hear(char c) { return ReadByte(m_fromChild, kStepMillis) == c; }

  // Waits for the child to end (killing it after timeoutMs); its exit code,
  // or -1 when it was killed or did not end.
  int Wait(int timeoutMs = kStepMillis) {
    const pid_t pid = m_pid;
    if (pid <= 0) return -1;
    int status = 0;
    for (int waited = 0;; waited += 5) {
      const pid_t r = waitpid(pid, &status, WNOHANG);
      if (r == pid) break;
      if (r < 0 && errno != EINTR) return -1;
      if (waited >= timeoutMs) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        m_pid = 0;
        return -1;
      }
      const timespec pause{0, 5 * 1000 * 1000};
      nanosleep(&pause, nullptr);
    }
    m_pid = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t m_pid = 0;
  int m_toChild = -1;
  int m_fromChild = -1;
};

// Adds one row (NAME, NUM) through rs; commits unless a transaction is open.
void AddRow(CDaoRecordset& rs, const char* name, long num) {
  rs.AddNew();
  rs.SetFieldValue("NAME", name);
  rs.SetFieldValue("NUM", COleVariant(static_cast<int32_t>(num)));
  rs.Update();
}

// True when rs holds a row named `name` (seeking on NAME_INDEX).
bool HasRow(CDaoRecordset& rs, const char* name) {
  rs.SetCurrentIndex("NAME_INDEX");
  COleVariant key(name);
  return rs.Seek("=", &key) != FALSE;
}

class MultiProcessTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(m_folder.Path().empty());
    m_path = m_folder.Path() + "/shared.db";
    m_savedTimeout = CDaoWorkspace::GetBusyTimeout();
    CDaoDatabase db;
    db.Create(m_path.c_str());
    CDaoTableDef td(&db);
    td.Create("T");
    td.CreateField("ID", dbLong, 4, dbAutoIncrField);
    td.CreateField("NAME", dbText, 50);
    td.CreateField("NUM", dbLong, 4);
    CDaoIndexFieldInfo idField;
    idField.m_strName = "ID";
    CDaoIndexInfo idIndex;
    idIndex.m_strName = "ID_INDEX";
    idIndex.m_pFieldInfos = &idField;
    idIndex.m_nFields = 1;
    idIndex.m_bPrimary = TRUE;
    idIndex.m_bUnique = TRUE;
    td.CreateIndex(idIndex);
    CDaoIndexFieldInfo nameField;
    nameField.m_strName = "NAME";
    CDaoIndexInfo nameIndex;
    nameIndex.m_strName = "NAME_INDEX";
    nameIndex.m_pFieldInfos = &nameField;
    nameIndex.m_nFields = 1;
    td.CreateIndex(nameIndex);
    td.Append();
    td.Close();
    db.Close();
  }
  void TearDown() override { CDaoWorkspace::SetBusyTimeout(m_savedTimeout); }

  CTempFolder m_folder;
  std::string m_path;
  int m_savedTimeout = 0;
};

TEST_F(MultiProcessTest, CommittedRowIsSeenByTheOtherProcess) {
  CChild child;
  const std::string path = m_path;
  ASSERT_TRUE(child.Start([&path](CChild& self) {
    if (!self.Await('g')) return 1;
    CDaoDatabase db;
    db.Open(path.c_str());
    CDaoRecordset rs(&db);
    rs.Open(dbOpenTable, "T");
    if (!HasRow(rs, "parent")) return 2;
    if (rs.GetFieldValue("NUM").lVal != 7) return 3;
    CDaoWorkspace::GetDefault()->BeginTrans();
    AddRow(rs, "child", 8);
    self.Tell('w');  // written, not committed
    if (!self.Await('c')) return 4;
    CDaoWorkspace::GetDefault()->CommitTrans();
    self.Tell('d');
    if (!self.Await('q')) return 5;
    rs.Close();
    db.Close();
    return 0;
  }));

  CDaoDatabase db;
  db.Open(m_path.c_str());
  CDaoRecordset rs(&db);
  rs.Open(dbOpenTable, "T");
  AddRow(rs, "parent", 7);
  rs.SetCurrentIndex("NAME_INDEX");
  rs.MoveFirst();
  rs.MoveNext();
  EXPECT_TRUE(rs.IsEOF());
  child.Signal('g');

  ASSERT_TRUE(child.Hear('w')) << "child exit " << child.Wait();
  CDaoWorkspace::Idle(dbRefreshCache);
  EXPECT_FALSE(HasRow(rs, "child")) << "an uncommitted row of another process is visible";
  EXPECT_EQ(rs.GetRecordCount(), 1);

  child.Signal('c');
  ASSERT_TRUE(child.Hear('d')) << "child exit " << child.Wait();
  CDaoWorkspace::Idle(dbRefreshCache);
  EXPECT_EQ(rs.GetRecordCount(), 2);
  ASSERT_TRUE(HasRow(rs, "child"));
  EXPECT_EQ(rs.GetFieldValue("NUM").lVal, 8);
  // A walk in index order shows both rows: "child" sorts before "parent".
  std::vector<std::string> names;
  for (rs.MoveFirst(); !rs.IsEOF(); rs.MoveNext())
    names.push_back(rs.GetFieldValue("NAME").GetStringValue());
  EXPECT_EQ(names, (std::vector<std::string>{"child", "parent"}));

  child.Signal('q');
  EXPECT_EQ(child.Wait(), 0);
  rs.Close();
  db.Close();
}

TEST_F(MultiProcessTest, ExclusiveOpenIsRefusedWhileAnotherProcessHasTheFileOpen) {
  CChild child;
  const std::string path = m_path;
  ASSERT_TRUE(child.Start([&path](CChild& self) {
    CDaoDatabase db;
    db.Open(path.c_str());
    self.Tell('o');
    if (!self.Await('q')) return 1;
    db.Close();
    self.Tell('c');
    return 0;
  }));
  ASSERT_TRUE(child.Hear('o')) << "child exit " << child.Wait();

  CDaoDatabase db;
  EXPECT_EQ(ErrorOf([&] { db.Open(m_path.c_str(), TRUE); }), kDaoFileInUse);
  EXPECT_FALSE(db.IsOpen());
  EXPECT_EQ(ErrorOf([&] { db.Open(m_path.c_str(), TRUE, TRUE); }), kDaoFileInUse)
      << "an exclusive read-only open is still exclusive";
  EXPECT_FALSE(db.IsOpen());
  // Shared opens are fine meanwhile.
  db.Open(m_path.c_str());
  EXPECT_TRUE(db.IsOpen());
  db.Close();

  child.Signal('q');
  EXPECT_TRUE(child.Hear('c'));
  EXPECT_EQ(child.Wait(), 0);
  // Once the other process has closed the file, the exclusive open works.
  EXPECT_EQ(ErrorOf([&] { db.Open(m_path.c_str(), TRUE); }), 0);
  EXPECT_TRUE(db.IsOpen());
  db.Close();
}

TEST_F(MultiProcessTest, EveryOpenIsRefusedWhileAnotherProcessHoldsTheFileExclusively) {
  CChild child;
  const std::string path = m_path;
  ASSERT_TRUE(child.Start([&path](CChild& self) {
    CDaoDatabase db;
    db.Open(path.c_str(), TRUE);
    CDaoRecordset rs(&db);
    rs.Open(dbOpenTable, "T");
    AddRow(rs, "held", 1);
    self.Tell('o');
    if (!self.Await('q')) return 1;
    rs.Close();
    db.Close();
    self.Tell('c');
    return 0;
  }));
  ASSERT_TRUE(child.Hear('o')) << "child exit " << child.Wait();

  CDaoDatabase db;
  EXPECT_EQ(ErrorOf([&] { db.Open(m_path.c_str()); }), kDaoOpenedExclusively);
  EXPECT_FALSE(db.IsOpen());
  EXPECT_EQ(ErrorOf([&] { db.Open(m_path.c_str(), FALSE, TRUE); }), kDaoOpenedExclusively);
  EXPECT_EQ(ErrorOf([&] { db.Open(m_path.c_str(), TRUE); }), kDaoOpenedExclusively);
  EXPECT_FALSE(db.IsOpen());
  // File-level maintenance is refused too, and compaction leaves no file.
  EXPECT_EQ(ErrorOf([&] { CDaoWorkspace::RepairDatabase(m_path.c_str()); }), kDaoOpenedExclusively);
  const std::string copy = m_folder.Path() + "/copy.db";
  EXPECT_EQ(ErrorOf([&] { CDaoWorkspace::CompactDatabase(m_path.c_str(), copy.c_str()); }),
            kDaoOpenedExclusively);
  EXPECT_FALSE(std::filesystem::exists(copy));

  child.Signal('q');
  EXPECT_TRUE(child.Hear('c'));
  EXPECT_EQ(child.Wait(), 0);
  ASSERT_EQ(ErrorOf([&] { db.Open(m_path.c_str()); }), 0);
  CDaoRecordset rs(&db);
  rs.Open(dbOpenTable, "T");
  EXPECT_TRUE(HasRow(rs, "held")) << "the exclusive holder's row was committed";
  rs.Close();
  db.Close();
}

TEST_F(MultiProcessTest, RepairIsRefusedAndCompactionWorksWhileAnotherProcessReads) {
  {
    CDaoDatabase db;
    db.Open(m_path.c_str());
    CDaoRecordset rs(&db);
    rs.Open(dbOpenTable, "T");
    AddRow(rs, "kept", 5);
    rs.Close();
    db.Close();
  }
  CChild child;
  const std::string path = m_path;
  ASSERT_TRUE(child.Start([&path](CChild& self) {
    CDaoDatabase db;
    db.Open(path.c_str());
    self.Tell('o');
    if (!self.Await('q')) return 1;
    db.Close();
    return 0;
  }));
  ASSERT_TRUE(child.Hear('o')) << "child exit " << child.Wait();

  EXPECT_EQ(ErrorOf([&] { CDaoWorkspace::RepairDatabase(m_path.c_str()); }), kDaoOpenedExclusively);
  const std::string copy = m_folder.Path() + "/copy.db";
  EXPECT_EQ(ErrorOf([&] { CDaoWorkspace::CompactDatabase(m_path.c_str(), copy.c_str()); }), 0);
  child.Signal('q');
  EXPECT_EQ(child.Wait(), 0);

  CDaoDatabase db;
  ASSERT_EQ(ErrorOf([&] { db.Open(copy.c_str()); }), 0);
  CDaoRecordset rs(&db);
  rs.Open(dbOpenTable, "T");
  EXPECT_EQ(rs.GetRecordCount(), 1);
  EXPECT_TRUE(HasRow(rs, "kept"));
  rs.Close();
  db.Close();
}

// Each writer reads inside its transaction before it writes.  Were the write
// lock taken only at the first write, two such transactions would each hold
// a read snapshot and wait for the other to finish: a deadlock that the
// storage reports as busy at once.
TEST_F(MultiProcessTest, TwoWritersInTransactionsNeverDeadlock) {
  constexpr int kRounds = 40;
  const std::string path = m_path;
  const auto writer = [&path](char tag) {
    return [&path, tag](CChild& self) {
      if (!self.Await('g')) return 1;
      CDaoDatabase db;
      db.Open(path.c_str());
      CDaoRecordset rs(&db);
      rs.Open(dbOpenTable, "T");
      rs.SetCurrentIndex("NAME_INDEX");
      CDaoWorkspace* ws = CDaoWorkspace::GetDefault();
      for (int i = 0; i < kRounds; ++i) {
        ws->BeginTrans();
        const long before = rs.GetRecordCount();
        COleVariant key("");
        rs.Seek(">=", &key);
        const timespec pause{0, 300 * 1000};  // let the other side's transaction overlap
        nanosleep(&pause, nullptr);
        const std::string name = std::string(1, tag) + std::to_string(i);
        AddRow(rs, name.c_str(), i);
        if (rs.GetRecordCount() != before + 1) return 2;  // nobody else wrote meanwhile
        ws->CommitTrans();
      }
      rs.Close();
      db.Close();
      return 0;
    };
  };
  CChild a;
  CChild b;
  ASSERT_TRUE(a.Start(writer('A')));
  ASSERT_TRUE(b.Start(writer('B')));
  a.Signal('g');
  b.Signal('g');
  EXPECT_EQ(a.Wait(kChildSeconds * 1000), 0) << "writer A (98: engine error, see its stderr)";
  EXPECT_EQ(b.Wait(kChildSeconds * 1000), 0) << "writer B (98: engine error, see its stderr)";

  CDaoDatabase db;
  db.Open(m_path.c_str());
  CDaoRecordset rs(&db);
  rs.Open(dbOpenTable, "T");
  EXPECT_EQ(rs.GetRecordCount(), 2 * kRounds);
  for (const char* tag : {"A", "B"}) {
    for (int i = 0; i < kRounds; ++i) {
      const std::string name = tag + std::to_string(i);
      EXPECT_TRUE(HasRow(rs, name.c_str())) << name;
    }
  }
  rs.Close();
  db.Close();
}

TEST_F(MultiProcessTest, BusyFileIsReportedAsLockedAfterABoundedWait) {
  CChild child;
  const std::string path = m_path;
  ASSERT_TRUE(child.Start([&path](CChild& self) {
    if (!self.Await('g')) return 1;
    CDaoDatabase db;
    db.Open(path.c_str());
    CDaoRecordset rs(&db);
    rs.Open(dbOpenTable, "T");
    CDaoWorkspace::GetDefault()->BeginTrans();
    AddRow(rs, "child", 1);
    self.Tell('w');
    if (!self.Await('c')) return 2;
    CDaoWorkspace::GetDefault()->CommitTrans();
    self.Tell('d');
    if (!self.Await('q')) return 3;
    rs.Close();
    db.Close();
    return 0;
  }));

  CDaoDatabase db;
  db.Open(m_path.c_str());
  CDaoRecordset rs(&db);
  rs.Open(dbOpenTable, "T");
  child.Signal('g');
  ASSERT_TRUE(child.Hear('w')) << "child exit " << child.Wait();

  CDaoWorkspace::SetBusyTimeout(200);
  CDaoWorkspace* ws = CDaoWorkspace::GetDefault();
  EXPECT_EQ(ErrorOf([&] { ws->BeginTrans(); }), kDaoLockedByUser);
  EXPECT_EQ(ws->GetTransactionDepth(), 0) << "a refused BeginTrans opens no transaction";
  rs.AddNew();
  rs.SetFieldValue("NAME", "parent");
  EXPECT_EQ(ErrorOf([&] { rs.Update(); }), kDaoLockedByUser);
  EXPECT_EQ(rs.GetEditMode(), dbEditAdd) << "a refused Update keeps its buffer";

  child.Signal('c');
  ASSERT_TRUE(child.Hear('d')) << "child exit " << child.Wait();
  EXPECT_EQ(ErrorOf([&] { rs.Update(); }), 0) << "the same buffer is written once the lock is free";
  CDaoWorkspace::Idle(dbRefreshCache);
  EXPECT_EQ(rs.GetRecordCount(), 2);
  EXPECT_TRUE(HasRow(rs, "parent"));
  EXPECT_TRUE(HasRow(rs, "child"));
  ASSERT_EQ(ErrorOf([&] { ws->BeginTrans(); }), 0);
  ws->CommitTrans();

  child.Signal('q');
  EXPECT_EQ(child.Wait(), 0);
  rs.Close();
  db.Close();
}

TEST_F(MultiProcessTest, DateLastUpdatedMovesWhenAnotherProcessWrites) {
  CChild child;
  const std::string path = m_path;
  ASSERT_TRUE(child.Start([&path](CChild& self) {
    CDaoDatabase db;
    for (int round = 1; round <= 2; ++round) {
      if (!self.Await('g')) return round;
      db.Open(path.c_str());
      CDaoRecordset rs(&db);
      rs.Open(dbOpenTable, "T");
      if (round == 1) {
        AddRow(rs, "written", 1);
      } else {
        // An edit alone changes the date too.
        if (!HasRow(rs, "written")) return 10;
        rs.Edit();
        rs.SetFieldValue("NUM", COleVariant(int32_t{2}));
        rs.Update();
      }
      rs.Close();
      db.Close();
      self.Tell('d');
    }
    return 0;
  }));

  CDaoDatabase db;
  db.Open(m_path.c_str());
  CDaoTableDef td(&db);
  td.Open("T");
  const COleDateTime created = td.GetDateCreated();
  const COleDateTime d0 = td.GetDateLastUpdated();
  CDaoWorkspace::Idle(dbRefreshCache);
  EXPECT_TRUE(td.GetDateLastUpdated() == d0) << "nothing was written, yet the date moved";

  child.Signal('g');
  ASSERT_TRUE(child.Hear('d')) << "child exit " << child.Wait();
  CDaoWorkspace::Idle(dbRefreshCache);
  const COleDateTime d1 = td.GetDateLastUpdated();
  EXPECT_TRUE(d1 > d0) << d0.Format().GetString() << " then " << d1.Format().GetString();

  child.Signal('g');
  ASSERT_TRUE(child.Hear('d')) << "child exit " << child.Wait();
  CDaoWorkspace::Idle(dbRefreshCache);
  const COleDateTime d2 = td.GetDateLastUpdated();
  EXPECT_TRUE(d2 > d1) << d1.Format().GetString() << " then " << d2.Format().GetString();
  EXPECT_TRUE(td.GetDateCreated() == created);

  EXPECT_EQ(child.Wait(), 0);
  td.Close();
  db.Close();
}

}  // namespace
