#include "zldbctrl70/platform/object.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>

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

TEST(RuntimeClass, DescribesTheClassAndItsBaseChain) {
  const CRuntimeClass* circle = RUNTIME_CLASS(CCircle);
  EXPECT_STREQ(circle->m_lpszClassName, "CCircle");
  EXPECT_EQ(circle->m_pBaseClass, RUNTIME_CLASS(CShape));
  EXPECT_EQ(RUNTIME_CLASS(CShape)->m_pBaseClass, RUNTIME_CLASS(CObject));
  EXPECT_EQ(RUNTIME_CLASS(CObject)->m_pBaseClass, nullptr);
  CCircle c;
  const CObject& asObject = c;
  EXPECT_EQ(asObject.GetRuntimeClass(), circle);
  EXPECT_FALSE(asObject.IsSerializable());
  for (const CRuntimeClass* base :
       {RUNTIME_CLASS(CCircle), RUNTIME_CLASS(CShape), RUNTIME_CLASS(CObject)})
    EXPECT_TRUE(c.IsKindOf(base)) << base->m_lpszClassName;
  EXPECT_FALSE(c.IsKindOf(RUNTIME_CLASS(CException)) || c.IsKindOf(nullptr));
  EXPECT_FALSE(RUNTIME_CLASS(CShape)->IsDerivedFrom(RUNTIME_CLASS(CCircle)));
}

TEST(RuntimeClass, RegistryFindsClassesByName) {
  for (const CRuntimeClass* known : {RUNTIME_CLASS(CCircle), RUNTIME_CLASS(CObject),
                                     RUNTIME_CLASS(CMemoryException), RUNTIME_CLASS(CLongBinary)}) {
    EXPECT_EQ(CRuntimeClass::FromName(known->m_lpszClassName), known);
  }
  // Registering again must not break the chain (a miss would hang on a cycle).
  CRuntimeClass::Register(RUNTIME_CLASS(CCircle));
  CRuntimeClass::Register(nullptr);
  EXPECT_EQ(CRuntimeClass::FromName("CShape"), RUNTIME_CLASS(CShape));
  for (const char* name : {"ccircle", static_cast<const char*>(nullptr), "CNoSuchClass"})
    EXPECT_EQ(CRuntimeClass::FromName(name), nullptr) << (name ? name : "(null)");
}

TEST(RuntimeClass, CreateObjectOnlyForCreatableClasses) {
  std::unique_ptr<CObject> made(CRuntimeClass::FromName("CCircle")->CreateObject());
  ASSERT_NE(made, nullptr);
  ASSERT_TRUE(made->IsKindOf(RUNTIME_CLASS(CCircle)));
  EXPECT_EQ(static_cast<CCircle*>(made.get())->m_radius, 7);
  // Only creatable classes make objects; a constructor that throws yields null.
  for (const CRuntimeClass* cls :
       {RUNTIME_CLASS(CShape), RUNTIME_CLASS(CObject), RUNTIME_CLASS(CFailing)})
    EXPECT_EQ(cls->CreateObject(), nullptr) << cls->m_lpszClassName;
}

TEST(Exceptions, CaughtThroughTheBaseKeepTheirClassAndMessage) {
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
  // File errors name the file and the cause.
  CFileException e(ENOENT, "models.db");
  EXPECT_EQ(e.m_cause, ENOENT);
  EXPECT_NE(e.GetErrorMessage().Find("models.db"), -1);
  EXPECT_NE(e.GetErrorMessage().Find(std::strerror(ENOENT)), -1);
  CFileException anonymous;
  EXPECT_TRUE(anonymous.m_strFileName.IsEmpty() && !anonymous.GetErrorMessage().IsEmpty());
}

}  // namespace
