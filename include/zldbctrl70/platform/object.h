// CObject and run-time class information.
//
// A class that wants run-time type information, dynamic creation or
// archive serialisation declares it with the DECLARE_/IMPLEMENT_ macro pairs
// below: DECLARE_x(name) inside the class, IMPLEMENT_x(name, base[, schema])
// once in a .cpp file, in the namespace that holds the class (the archive
// extraction operator of DECLARE_SERIAL is a friend found by argument-
// dependent lookup).  Run-time classes are registered by name when the
// program or library is loaded, so CRuntimeClass::FromName finds every class
// of the library and of its callers.  The registry is guarded by a mutex.
#ifndef ZLDBCTRL70_PLATFORM_OBJECT_H_
#define ZLDBCTRL70_PLATFORM_OBJECT_H_

#include "zldbctrl70/export.h"
#include "zldbctrl70/platform/types.h"

class CObject;
class CArchive;

struct ZL_EXPORT CRuntimeClass {
  const char* m_lpszClassName;
  int m_nObjectSize;
  UINT m_wSchema;                     // schema number; 0xFFFF = not serialisable
  CObject* (*m_pfnCreateObject)();    // null when not dynamically creatable
  const CRuntimeClass* m_pBaseClass;  // null for CObject
  const CRuntimeClass* m_pNextClass;  // registry chain

  // A new object of this class (owned by the caller), or null when the class
  // is not creatable or its construction threw.
  CObject* CreateObject() const;
  // Whether this class is pBase or derives from it.
  bool IsDerivedFrom(const CRuntimeClass* pBase) const;
  // The registered class of that name (compared exactly), or null.
  static const CRuntimeClass* FromName(const char* lpszClassName);
  // Adds a class to the registry (done by the IMPLEMENT_ macros); adding a
  // class twice, or null, changes nothing.
  static void Register(CRuntimeClass* pClass);
};

class ZL_EXPORT CObject {
 public:
  virtual const CRuntimeClass* GetRuntimeClass() const;
  virtual ~CObject();
  // Reads or writes the object's state; CObject's does nothing.
  virtual void Serialize(CArchive& ar);

  bool IsKindOf(const CRuntimeClass* pClass) const;
  bool IsSerializable() const;

  static CRuntimeClass classCObject;

 protected:
  CObject() = default;
  CObject(const CObject&) = default;
  CObject& operator=(const CObject&) = default;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)       \
 public:                                  \
  static CRuntimeClass class##class_name; \
  const CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name) \
  DECLARE_DYNAMIC(class_name)         \
  static CObject* CreateObject();

#define DECLARE_SERIAL(class_name) \
  DECLARE_DYNCREATE(class_name)    \
  friend CArchive& operator>>(CArchive& ar, class_name*& pOb);

// Registers the class at load time through a static registrar object.
#define ZL_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, pfnNew)                  \
  CRuntimeClass class_name::class##class_name = {                                                \
      #class_name, static_cast<int>(sizeof(class_name)), wSchema,                                \
      pfnNew,      RUNTIME_CLASS(base_class_name),       nullptr};                               \
  const CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); } \
  static const bool zl_registered_##class_name =                                                 \
      (CRuntimeClass::Register(RUNTIME_CLASS(class_name)), true);

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
  ZL_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)         \
  CObject* class_name::CreateObject() { return new class_name; } \
  ZL_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, class_name::CreateObject)

#define IMPLEMENT_SERIAL(class_name, base_class_name, wSchema)                              \
  CObject* class_name::CreateObject() { return new class_name; }                            \
  ZL_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, class_name::CreateObject) \
  ZL_EXPORT CArchive& operator>>(CArchive& ar, class_name*& pOb) {                          \
    pOb = static_cast<class_name*>(ar.ReadObject(RUNTIME_CLASS(class_name)));               \
    return ar;                                                                              \
  }

#endif  // ZLDBCTRL70_PLATFORM_OBJECT_H_
