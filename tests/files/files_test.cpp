// Files of a record: overwritten in place, NULL access and empty data,
// codes, all-or-nothing, a large file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/simlang_fixture.h"

namespace {

CZLFileObject* File(const std::string& name, const std::string& data, long access = -1) {
  auto* file = new CZLFileObject;
  file->m_strFileName = name.c_str();
  file->m_dwType = 7;
  file->m_dwLanguage = 1031;
  file->m_bAccessSet = access >= 0;
  file->m_lAccess = access >= 0 ? access : 0;
  if (!data.empty()) file->m_lbData.Assign(data.data(), data.size());
  return file;
}

std::string Bytes(const CZLFileObject& file) {
  if (file.m_lbData.m_hData == nullptr) return "<none>";
  const char* data = static_cast<const char*>(GlobalLock(file.m_lbData.m_hData));
  std::string bytes(data, file.m_lbData.m_dwDataLength);
  GlobalUnlock(file.m_lbData.m_hData);
  return bytes;
}

class FileTest : public SimLangTest {
 protected:
  void SetUp() override {
    SimLangTest::SetUp();
    m_id = NewRecord(&m_mark);
  }
  void TearDown() override {
    ZLFreeObjectArray(m_files);
    SimLangTest::TearDown();
  }
  void Write(int count, const char* prefix) {
    ZLFreeObjectArray(m_files);
    for (int i = 0; i < count; ++i) {
      const std::string name = prefix + std::to_string(i);
      m_files.Add(File(name, name + "-data", i));
    }
    ASSERT_EQ(ZLSetFilesByBookmark(m_hDB, m_mark, m_files), 1) << ZLGetLastError();
  }
  // "name:bytes@id" per file of the record.
  std::vector<std::string> Read(std::vector<long>* ids = nullptr) {
    CZLFileArray read;
    EXPECT_EQ(ZLGetFilesByID(m_hDB, m_id, read), 1);
    std::vector<std::string> out;
    for (int i = 0; i < read.GetSize(); ++i) {
      out.push_back(read[i]->m_strFileName.str() + ":" + Bytes(*read[i]));
      if (ids != nullptr) ids->push_back(read[i]->m_lFileID);
    }
    ZLFreeObjectArray(read);
    return out;
  }

  long m_id = 0;
  COleVariant m_mark;
  CZLFileArray m_files;
};

TEST_F(FileTest, FilesAreOverwrittenInPlaceKeepingTheirIDs) {
  Write(5, "a");
  std::vector<long> five, three, again;
  Read(&five);
  Write(3, "b");
  EXPECT_EQ(Read(&three), (std::vector<std::string>{"b0:b0-data", "b1:b1-data", "b2:b2-data"}));
  EXPECT_EQ(three, std::vector<long>(five.begin(), five.begin() + 3));
  Write(5, "c");
  EXPECT_EQ(Read(&again).size(), 5u);
  EXPECT_EQ(std::vector<long>(again.begin(), again.begin() + 3), three);
  EXPECT_GT(again[3], five[4]);  // added rows get new IDs
  Write(0, "");
  EXPECT_EQ(Read(), std::vector<std::string>{});
}

TEST_F(FileTest, NullAccessAndEmptyDataReadBackAsUnset) {
  m_files.Add(File("plain", ""));
  m_files.Add(File("kept", "xyz", 0));
  ASSERT_EQ(ZLSetFilesByID(m_hDB, m_id, m_files), 1);
  CZLFileArray read;
  ASSERT_EQ(ZLGetFilesByBookmark(m_hDB, m_mark, read), 1);
  ASSERT_EQ(read.GetSize(), 2);
  EXPECT_FALSE(read[0]->m_bAccessSet);
  EXPECT_EQ(read[0]->m_lAccess, 0);
  EXPECT_EQ(read[0]->m_lbData.m_hData, nullptr);
  EXPECT_TRUE(read[1]->m_bAccessSet);  // access 0 is a value
  EXPECT_EQ(read[1]->m_dwType, 7u);
  EXPECT_EQ(read[1]->m_dwLanguage, 1031u);
  EXPECT_EQ(Bytes(*read[1]), "xyz");
  ZLFreeObjectArray(read);
}

TEST_F(FileTest, CodesAndRefusedNumbersWriteNothing) {
  Write(2, "a");
  const std::string before = Image();
  COleVariant bad(static_cast<int32_t>(5));
  CZLFileArray read;
  EXPECT_EQ(FailCode(ZLSetFilesByID(m_hDB, m_id + 100, m_files)), ZLE_NO_RECORD);
  EXPECT_EQ(FailCode(ZLGetFilesByBookmark(m_hDB, bad, read)), ZLE_BAD_BOOKMARK);
  EXPECT_EQ(FailCode(ZLGetFilesByID(m_hDB, m_id + 100, read)), -1);
  EXPECT_EQ(read.GetSize(), 0);
  m_files[1]->m_dwType = 256;  // TYPE is a byte
  EXPECT_EQ(FailCode(ZLSetFilesByID(m_hDB, m_id, m_files)), ZLE_ENGINE);
  m_files[1]->m_dwType = 1;
  m_files[1]->m_lAccess = 1L << 40;
  EXPECT_EQ(FailCode(ZLSetFilesByID(m_hDB, m_id, m_files)), ZLE_ENGINE);
  EXPECT_TRUE(Image() == before);
}

TEST_F(FileTest, ALargeFileReadsBackWhole) {
  std::string big(50u << 20, '\0');
  for (size_t i = 0; i < big.size(); i += 4096) big[i] = static_cast<char>(i >> 12);
  m_files.Add(File("big", big));
  m_files.Add(File("small", "s"));
  ASSERT_EQ(ZLSetFilesByID(m_hDB, m_id, m_files), 1);
  big.clear();
  CZLFileArray read;
  ASSERT_EQ(ZLGetFilesByID(m_hDB, m_id, read), 1);
  ASSERT_EQ(read.GetSize(), 2);
  ASSERT_EQ(read[0]->m_lbData.m_dwDataLength, 50u << 20);
  const std::string back = Bytes(*read[0]);
  EXPECT_EQ(back[4096 * 3], 3);
  EXPECT_EQ(Bytes(*read[1]), "s");
  ZLFreeObjectArray(read);
}

}  // namespace
