#include "zldbctrl70/platform/object.h"

#include <cstring>
#include <mutex>

namespace {

// The registry is a chain through m_pNextClass.  Both statics are constant-
// initialised, so registrars running during any module's static
// initialisation find them ready.
std::mutex g_registryMutex;
const CRuntimeClass* g_firstClass = nullptr;

}  // namespace

CRuntimeClass CObject::classCObject = {
    "CObject", static_cast<int>(sizeof(CObject)), 0xFFFF, nullptr, nullptr, nullptr};

static const bool zl_registered_CObject = (CRuntimeClass::Register(&CObject::classCObject), true);

CObject* CRuntimeClass::CreateObject() const {
  if (m_pfnCreateObject == nullptr) return nullptr;
  // A failing constructor (or exhausted memory) yields null, as documented;
  // the caller reports that as a class it could not create.
  try {
    return m_pfnCreateObject();
  } catch (...) {
    return nullptr;
  }
}

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBase) const {
  if (pBase == nullptr) return false;
  for (const CRuntimeClass* c = this; c != nullptr; c = c->m_pBaseClass) {
    if (c == pBase) return true;
  }
  return false;
}

const CRuntimeClass* CRuntimeClass::FromName(const char* lpszClassName) {
  if (lpszClassName == nullptr) return nullptr;
  std::lock_guard<std::mutex> lock(g_registryMutex);
  for (const CRuntimeClass* c = g_firstClass; c != nullptr; c = c->m_pNextClass) {
    if (std::strcmp(c->m_lpszClassName, lpszClassName) == 0) return c;
  }
  return nullptr;
}

void CRuntimeClass::Register(CRuntimeClass* pClass) {
  if (pClass == nullptr) return;
  std::lock_guard<std::mutex> lock(g_registryMutex);
  // Registering twice would make the chain a cycle.
  for (const CRuntimeClass* c = g_firstClass; c != nullptr; c = c->m_pNextClass) {
    if (c == pClass) return;
  }
  pClass->m_pNextClass = g_firstClass;
  g_firstClass = pClass;
}

const CRuntimeClass* CObject::GetRuntimeClass() const { return &CObject::classCObject; }

CObject::~CObject() = default;

void CObject::Serialize(CArchive& /*ar*/) {}

bool CObject::IsKindOf(const CRuntimeClass* pClass) const {
  return GetRuntimeClass()->IsDerivedFrom(pClass);
}

bool CObject::IsSerializable() const { return GetRuntimeClass()->m_wSchema != 0xFFFF; }
