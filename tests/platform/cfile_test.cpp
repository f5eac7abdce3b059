#include "zldbctrl70/platform/cfile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "platform/scratch_dir.h"
#include "support/child_process.h"

namespace {

class CFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_dir.Ok()); }
  CScratchDir m_dir;
};

TEST_F(CFileTest, OpenReportsTheCause) {
  CFile file;
  CFileException error;
  const std::string missing = m_dir.File("missing");
  EXPECT_FALSE(file.Open(missing.c_str(), CFile::modeRead, &error) || file.IsOpen());
  EXPECT_TRUE(error.m_cause == ENOENT && error.m_strFileName == missing.c_str());
  EXPECT_FALSE(file.Open(m_dir.Path().c_str(), CFile::modeRead, &error));
  EXPECT_EQ(error.m_cause, EISDIR);
  EXPECT_THROW(CFile(missing.c_str(), CFile::modeRead), CFileException);
}

TEST_F(CFileTest, WriteSeekReadAndLength) {
  const std::string path = m_dir.File("f");
  CFile file(path.c_str(), CFile::modeCreate | CFile::modeReadWrite);
  file.Write("hello world", 11);
  EXPECT_EQ(file.GetLength(), 11u);
  EXPECT_EQ(file.Seek(-5, CFile::end), 6u);
  char buf[16] = {};
  EXPECT_EQ(file.Read(buf, sizeof buf), 5u);  // short only at the end
  EXPECT_STREQ(buf, "world");
  file.SetLength(5);
  file.SeekToBegin();
  EXPECT_EQ(file.Read(buf, sizeof buf), 5u);
  EXPECT_THROW(file.Seek(-1, CFile::begin), CFileException);
  file.Close();
  EXPECT_EQ(CScratchDir::Read(path), "hello");
  EXPECT_THROW(file.Read(buf, 1), CFileException);
  // modeNoTruncate keeps what is there.
  CFile again(path.c_str(), CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite);
  EXPECT_EQ(again.GetLength(), 5u);
}

// args: path.  Holds a shared lock on the file until released.
ZL_CHILD_ACTION(HoldSharedLock) {
  CFile held;
  if (!held.Open(args.at(0).c_str(), CFile::modeRead | CFile::shareDenyWrite)) return 1;
  zltest::ChildSignalReady();
  zltest::ChildWaitForRelease();
  return 0;
}

TEST_F(CFileTest, ExclusiveSharingConflictsWithOtherOpensHereAndElsewhere) {
  const std::string path = m_dir.Write("db", "x");
  CFile exclusive;
  {
    zltest::CChildProcess child("HoldSharedLock", {path});
    ASSERT_EQ(child.ReadLine(), "ready");
    EXPECT_FALSE(exclusive.Open(path.c_str(), CFile::modeRead | CFile::shareExclusive));
    EXPECT_EQ(child.Finish(), 0);
  }
  CFile reader(path.c_str(), CFile::modeRead | CFile::shareDenyWrite);
  CFile other(path.c_str(), CFile::modeRead | CFile::shareDenyWrite);  // shared locks mix
  CFileException error;
  EXPECT_FALSE(exclusive.Open(path.c_str(), CFile::modeRead | CFile::shareExclusive, &error));
  EXPECT_EQ(error.m_cause, EWOULDBLOCK);
  reader.Close();
  other.Close();
  ASSERT_TRUE(exclusive.Open(path.c_str(), CFile::modeRead | CFile::shareExclusive));
  CFile second;
  EXPECT_FALSE(second.Open(path.c_str(), CFile::modeRead | CFile::shareDenyWrite));
  CFile unshared;  // no lock asked, no conflict
  EXPECT_TRUE(unshared.Open(path.c_str(), CFile::modeRead | CFile::shareDenyNone));
}

TEST(MemFileTest, GrowsZeroFillsAndReadsBack) {
  CMemFile file;
  file.Write("abc", 3);
  file.Seek(6, CFile::begin);
  file.Write("z", 1);
  ASSERT_EQ(file.GetLength(), 7u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.GetData()), 7),
            std::string("abc\0\0\0z", 7));
  file.SeekToBegin();
  char buf[10];
  EXPECT_TRUE(file.Read(buf, 10) == 7u && file.Read(buf, 10) == 0u);
  EXPECT_THROW(file.Seek(-8, CFile::current), CFileException);
  EXPECT_EQ(file.GetPosition(), 7u);
  file.SetLength(2);
  EXPECT_EQ(file.GetPosition(), 2u);
  const BYTE init[] = {1, 2, 3};
  CMemFile copy(init, 3);
  EXPECT_TRUE(copy.GetLength() == 3u && copy.GetPosition() == 0u);
  EXPECT_FALSE(copy.Open("/tmp/x", CFile::modeRead));
}

}  // namespace
