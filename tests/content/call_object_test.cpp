#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "zldbctrl70/platform/archive.h"
#include "zldbctrl70/platform/cfile.h"
#include "zldbctrl70/value_objects.h"

namespace {

class CallObjectArchive : public ::testing::Test {
 protected:
  void SetUp() override {
    m_call.m_lCallID = 42;
    m_call.m_strCallKey = "XU1";
    m_call.m_strCallText = "XU1 in out vdd vss OPAMP";
    m_call.m_dwLevel = 0x80000003u;
  }

  // Writes the object through the archive's object mechanism.
  void Store(const CObject* pObject) {
    CArchive out(&m_file, CArchive::store);
    out << pObject;
    out.Close();
    m_file.SeekToBegin();
  }

  std::string FileBytes() const {
    return std::string(reinterpret_cast<const char*>(m_file.GetData()),
                       static_cast<size_t>(m_file.GetLength()));
  }

  CZLCallObject m_call;
  CMemFile m_file;
};

TEST_F(CallObjectArchive, IsARegisteredSerialClass) {
  const CRuntimeClass* pClass = RUNTIME_CLASS(CZLCallObject);
  EXPECT_STREQ(pClass->m_lpszClassName, "CZLCallObject");
  EXPECT_EQ(pClass->m_wSchema, 0u);
  EXPECT_EQ(pClass->m_pBaseClass, RUNTIME_CLASS(CObject));
  EXPECT_EQ(pClass->m_nObjectSize, static_cast<int>(sizeof(CZLCallObject)));
  EXPECT_EQ(CRuntimeClass::FromName("CZLCallObject"), pClass);
  EXPECT_EQ(m_call.GetRuntimeClass(), pClass);
  EXPECT_TRUE(m_call.IsSerializable());
}

TEST_F(CallObjectArchive, SerializeWritesLevelKeyAndTextOnly) {
  {
    CArchive out(&m_file, CArchive::store);
    m_call.Serialize(out);
  }
  const std::string expected =
      std::string("\x03\x00\x00\x80", 4) + "\x03" + "XU1" + "\x18" + "XU1 in out vdd vss OPAMP";
  EXPECT_EQ(FileBytes(), expected);
}

TEST_F(CallObjectArchive, RoundTripDropsTheCallIDThatACopyKeeps) {
  const CZLCallObject copy(&m_call);
  EXPECT_EQ(copy.m_lCallID, 42);
  EXPECT_EQ(copy.m_strCallText, m_call.m_strCallText);
  EXPECT_EQ(copy.m_dwLevel, m_call.m_dwLevel);
  Store(&copy);
  CArchive in(&m_file, CArchive::load);
  CZLCallObject* pRead = nullptr;
  in >> pRead;
  std::unique_ptr<CZLCallObject> owned(pRead);
  ASSERT_NE(pRead, nullptr);
  EXPECT_EQ(pRead->m_lCallID, 0);
  EXPECT_EQ(pRead->m_strCallKey, "XU1");
  EXPECT_EQ(pRead->m_strCallText, "XU1 in out vdd vss OPAMP");
  EXPECT_EQ(pRead->m_dwLevel, 0x80000003u);
}

TEST_F(CallObjectArchive, ReadsBackThroughTheClassFoundByName) {
  {
    CArchive out(&m_file, CArchive::store);
    m_call.Serialize(out);
  }
  m_file.SeekToBegin();
  const CRuntimeClass* pClass = CRuntimeClass::FromName("CZLCallObject");
  ASSERT_NE(pClass, nullptr);
  std::unique_ptr<CObject> pObject(pClass->CreateObject());
  ASSERT_NE(pObject, nullptr);
  ASSERT_TRUE(pObject->IsKindOf(RUNTIME_CLASS(CZLCallObject)));
  CArchive in(&m_file, CArchive::load);
  pObject->Serialize(in);
  const auto* pCall = static_cast<const CZLCallObject*>(pObject.get());
  EXPECT_EQ(pCall->m_lCallID, 0);
  EXPECT_EQ(pCall->m_strCallKey, "XU1");
  EXPECT_EQ(pCall->m_dwLevel, 0x80000003u);
}

TEST_F(CallObjectArchive, TruncatedArchiveFailsWithEndOfFile) {
  Store(&m_call);
  const std::string bytes = FileBytes();
  CMemFile cut(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size() - 5));
  CArchive in(&cut, CArchive::load);
  CZLCallObject* pRead = nullptr;
  try {
    in >> pRead;
    delete pRead;
    ADD_FAILURE() << "a truncated call object was read";
  } catch (const CArchiveException& e) {
    EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
  }
}

}  // namespace
