// Construction and resetting of the macro and VHDL package objects, the
// value objects that carry byte blocks besides their texts.
#include "zldbctrl70/value_objects.h"

// ---- CZLMacroObject ----------------------------------------------------------

CZLMacroObject::CZLMacroObject()
    : m_lMacroID(0), m_dwLevel(0), m_lState(0), m_bEnabled(TRUE), m_bDefault(FALSE) {}

CZLMacroObject::~CZLMacroObject() = default;

void CZLMacroObject::FreeObject() {
  m_lMacroID = 0;
  m_strMacroText.Empty();
  m_dwLevel = 0;
  m_lState = 0;
  m_bEnabled = TRUE;
  m_strFlexOption.Empty();
  m_strDefName.Empty();
  m_mapDescription.RemoveAll();
  m_lbCompiled.Release();
  m_bDefault = FALSE;
}

// ---- CZLBinaryMacroObject ----------------------------------------------------

CZLBinaryMacroObject::CZLBinaryMacroObject()
    : m_lMacroID(0), m_dwLevel(0), m_lState(0), m_bEnabled(TRUE), m_bDefault(FALSE) {}

CZLBinaryMacroObject::~CZLBinaryMacroObject() = default;

void CZLBinaryMacroObject::FreeObject() {
  m_lMacroID = 0;
  m_lbMacroText.Release();
  m_dwLevel = 0;
  m_lState = 0;
  m_bEnabled = TRUE;
  m_lbFlexOption.Release();
  m_strDefName.Empty();
  m_mapDescription.RemoveAll();
  m_lbCompiled.Release();
  m_bDefault = FALSE;
}

// ---- CZLPackageObject --------------------------------------------------------

CZLPackageObject::CZLPackageObject()
    : m_lPackageObjID(0), m_bEnabled(FALSE), m_bUseBody(FALSE), m_lState(0) {}

CZLPackageObject::~CZLPackageObject() = default;

void CZLPackageObject::FreeObject() {
  m_lPackageObjID = 0;
  m_strPackageText.Empty();
  m_strPackageBodyText.Empty();
  m_lbPackageBinary.Release();
  m_lbPackageBodyBinary.Release();
  m_bEnabled = FALSE;
  m_bUseBody = FALSE;
  m_lState = 0;
}

// ---- CZLBinaryPackageObject --------------------------------------------------

CZLBinaryPackageObject::CZLBinaryPackageObject()
    : m_lPackageObjID(0), m_bEnabled(FALSE), m_bUseBody(FALSE), m_lState(0) {}

CZLBinaryPackageObject::~CZLBinaryPackageObject() = default;

void CZLBinaryPackageObject::FreeObject() {
  m_lPackageObjID = 0;
  m_lbPackageText.Release();
  m_lbPackageBodyText.Release();
  m_lbPackageBinary.Release();
  m_lbPackageBodyBinary.Release();
  m_bEnabled = FALSE;
  m_bUseBody = FALSE;
  m_lState = 0;
}
