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

  // The bytes an archive holds after fn has stored into it.
  template <class FN>
  std::string Stored(FN fn) {
    CMemFile file;
    {
      CArchive out(&file, CArchive::store);
      fn(out);
    }
    return std::string(reinterpret_cast<const char*>(file.GetData()), file.GetLength());
  }

  // Reads with fn from an archive over bytes.
  template <class FN>
  void Load(const std::string& bytes, FN fn) {
    CMemFile file(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size()));
    CArchive in(&file, CArchive::load);
    fn(in);
  }

  void ExpectReadBack(const CZLCallObject* pRead) {
    ASSERT_NE(pRead, nullptr);
    EXPECT_EQ(pRead->m_lCallID, 0);  // the ID is not stored
    EXPECT_EQ(pRead->m_strCallKey, "XU1");
    EXPECT_EQ(pRead->m_strCallText, "XU1 in out vdd vss OPAMP");
    EXPECT_EQ(pRead->m_dwLevel, 0x80000003u);
  }

  CZLCallObject m_call;
};

// Level, key and text are stored; the ID is not (a copy keeps it).  The
// class registered by name reads the bytes back; cut short they are refused.
TEST_F(CallObjectArchive, StoresLevelKeyAndTextOnly) {
  const std::string bytes = Stored([&](CArchive& ar) { m_call.Serialize(ar); });
  EXPECT_EQ(bytes, std::string("\x03\x00\x00\x80", 4) + "\x03" + "XU1" + "\x18" +
                       "XU1 in out vdd vss OPAMP");
  const CRuntimeClass* pClass = CRuntimeClass::FromName("CZLCallObject");
  ASSERT_EQ(pClass, RUNTIME_CLASS(CZLCallObject));
  std::unique_ptr<CObject> pObject(pClass->CreateObject());
  ASSERT_NE(pObject, nullptr);
  Load(bytes, [&](CArchive& ar) { pObject->Serialize(ar); });
  ExpectReadBack(static_cast<const CZLCallObject*>(pObject.get()));

  const CZLCallObject copy(&m_call);
  EXPECT_EQ(copy.m_lCallID, 42);
  const std::string tagged = Stored([&](CArchive& ar) { ar << &copy; });
  CZLCallObject* pRead = nullptr;
  Load(tagged, [&](CArchive& ar) { ar >> pRead; });
  std::unique_ptr<CZLCallObject> owned(pRead);
  ExpectReadBack(pRead);
  CZLCallObject* pCut = nullptr;
  EXPECT_THROW(Load(tagged.substr(0, tagged.size() - 5), [&](CArchive& ar) { ar >> pCut; }),
               CArchiveException);
  EXPECT_EQ(pCut, nullptr);
}

}  // namespace
