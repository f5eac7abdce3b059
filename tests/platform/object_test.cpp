#include "zldbctrl70/platform/object.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "zldbctrl70/platform/archive.h"
#include "zldbctrl70/platform/cfile.h"
#include "zldbctrl70/platform/exceptions.h"
#include "zldbctrl70/platform/longbinary.h"

namespace {

class CShape : public CObject {
  DECLARE_DYNAMIC(CShape)
};

class CCircle : public CShape {
  DECLARE_DYNCREATE(CCircle)

 public:
  int m_radius = 7;
};

class CFailing : public CObject {
  DECLARE_DYNCREATE(CFailing)

 public:
  CFailing() { throw std::runtime_error("cannot be made"); }
};

}  // namespace

IMPLEMENT_DYNAMIC(CShape, CObject)
IMPLEMENT_DYNCREATE(CCircle, CShape)
IMPLEMENT_DYNCREATE(CFailing, CObject)

namespace {

TEST(RuntimeClass, DescribesTheClass) {
  const CRuntimeClass* circle = RUNTIME_CLASS(CCircle);
  EXPECT_STREQ(circle->m_lpszClassName, "CCircle");
  EXPECT_EQ(circle->m_nObjectSize, static_cast<int>(sizeof(CCircle)));
  EXPECT_EQ(circle->m_pBaseClass, RUNTIME_CLASS(CShape));
  EXPECT_EQ(RUNTIME_CLASS(CShape)->m_pBaseClass, RUNTIME_CLASS(CObject));
  EXPECT_EQ(RUNTIME_CLASS(CObject)->m_pBaseClass, nullptr);
  CCircle c;
  const CObject& asObject = c;
  EXPECT_EQ(asObject.GetRuntimeClass(), circle);
  EXPECT_FALSE(asObject.IsSerializable());
}

TEST(RuntimeClass, DerivationFollowsTheBaseChain) {
  CCircle c;
  EXPECT_TRUE(c.IsKindOf(RUNTIME_CLASS(CCircle)));
  EXPECT_TRUE(c.IsKindOf(RUNTIME_CLASS(CShape)));
  EXPECT_TRUE(c.IsKindOf(RUNTIME_CLASS(CObject)));
  EXPECT_FALSE(c.IsKindOf(RUNTIME_CLASS(CException)));
  EXPECT_FALSE(c.IsKindOf(nullptr));
  EXPECT_FALSE(RUNTIME_CLASS(CShape)->IsDerivedFrom(RUNTIME_CLASS(CCircle)));
}

TEST(RuntimeClass, RegistryFindsClassesByName) {
  EXPECT_EQ(CRuntimeClass::FromName("CCircle"), RUNTIME_CLASS(CCircle));
  EXPECT_EQ(CRuntimeClass::FromName("CObject"), RUNTIME_CLASS(CObject));
  EXPECT_EQ(CRuntimeClass::FromName("CMemoryException"), RUNTIME_CLASS(CMemoryException));
  EXPECT_EQ(CRuntimeClass::FromName("CLongBinary"), RUNTIME_CLASS(CLongBinary));
  EXPECT_EQ(CRuntimeClass::FromName("ccircle"), nullptr);
  EXPECT_EQ(CRuntimeClass::FromName("CNoSuchClass"), nullptr);
  EXPECT_EQ(CRuntimeClass::FromName(nullptr), nullptr);
  // Registering again must not break the chain (a cycle would hang here).
  CRuntimeClass::Register(RUNTIME_CLASS(CCircle));
  CRuntimeClass::Register(nullptr);
  EXPECT_EQ(CRuntimeClass::FromName("CShape"), RUNTIME_CLASS(CShape));
  EXPECT_EQ(CRuntimeClass::FromName("CNoSuchClass"), nullptr);
}

TEST(RuntimeClass, CreateObjectOnlyForCreatableClasses) {
  std::unique_ptr<CObject> made(CRuntimeClass::FromName("CCircle")->CreateObject());
  ASSERT_NE(made, nullptr);
  ASSERT_TRUE(made->IsKindOf(RUNTIME_CLASS(CCircle)));
  EXPECT_EQ(static_cast<CCircle*>(made.get())->m_radius, 7);
  EXPECT_EQ(RUNTIME_CLASS(CShape)->CreateObject(), nullptr);
  EXPECT_EQ(RUNTIME_CLASS(CObject)->CreateObject(), nullptr);
  // A constructor that throws yields null instead of an escaping exception.
  EXPECT_EQ(RUNTIME_CLASS(CFailing)->CreateObject(), nullptr);
}

TEST(Exceptions, CaughtThroughTheBaseKeepTheirClass) {
  try {
    throw CArchiveException(CArchiveException::endOfFile);
  } catch (const CException& e) {
    EXPECT_TRUE(e.IsKindOf(RUNTIME_CLASS(CArchiveException)));
    EXPECT_FALSE(e.IsKindOf(RUNTIME_CLASS(CFileException)));
    EXPECT_EQ(dynamic_cast<const CArchiveException&>(e).m_cause, CArchiveException::endOfFile);
    EXPECT_NE(e.GetErrorMessage().Find("end of the archive"), -1);
  }
  EXPECT_TRUE(CMemoryException().IsKindOf(RUNTIME_CLASS(CException)));
  EXPECT_EQ(CMemoryException().GetErrorMessage(), "Out of memory.");
  EXPECT_NE(CTypeMismatchException().GetErrorMessage(), CException().GetErrorMessage());
}

TEST(Exceptions, FileErrorsNameTheFileAndTheCause) {
  CFileException e(ENOENT, "models.db");
  EXPECT_EQ(e.m_cause, ENOENT);
  CString message = e.GetErrorMessage();
  EXPECT_NE(message.Find("models.db"), -1);
  EXPECT_NE(message.Find(std::strerror(ENOENT)), -1);
  CFileException anonymous;
  EXPECT_TRUE(anonymous.m_strFileName.IsEmpty());
  EXPECT_FALSE(anonymous.GetErrorMessage().IsEmpty());
}

}  // namespace

// Serialisable classes: the extraction operator made by IMPLEMENT_SERIAL
// reads an object back with its class checked.
class CSerialPoint : public CObject {
  DECLARE_SERIAL(CSerialPoint)

 public:
  int m_x = 0;
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring()) {
      ar << m_x;
    } else {
      ar >> m_x;
    }
  }
};

class CSerialOther : public CObject {
  DECLARE_SERIAL(CSerialOther)
};

IMPLEMENT_SERIAL(CSerialPoint, CObject, 3)
IMPLEMENT_SERIAL(CSerialOther, CObject, 1)

namespace {

TEST(SerialClass, ExtractionOperatorChecksTheClass) {
  EXPECT_TRUE(CSerialPoint().IsSerializable());
  EXPECT_EQ(RUNTIME_CLASS(CSerialPoint)->m_wSchema, 3u);
  CMemFile file;
  {
    CSerialPoint point;
    point.m_x = -41;
    CArchive out(&file, CArchive::store);
    out << &point;
    out.Close();
  }
  {
    file.Seek(0, CFile::begin);
    CArchive in(&file, CArchive::load);
    CSerialPoint* read = nullptr;
    in >> read;
    std::unique_ptr<CSerialPoint> owned(read);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->m_x, -41);
  }
  file.Seek(0, CFile::begin);
  CArchive wrong(&file, CArchive::load);
  CSerialOther* other = nullptr;
  try {
    wrong >> other;
    ADD_FAILURE() << "an object of another class was accepted";
    delete other;
  } catch (const CArchiveException& e) {
    EXPECT_EQ(e.m_cause, CArchiveException::badClass);
  }
}

}  // namespace
