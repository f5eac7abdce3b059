// libFuzzer target for loading objects from an archive: the value object
// (call lines) and the collections that carry such objects.  Each input is
// read as one object of any class.  Loading must give an object or throw
// an archive, file or memory exception, never crash, read past the input or
// leak; a loaded object stored again must load to an object that stores
// the same bytes.
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "zldbctrl70.h"

namespace {

// Every object reachable from pOb through the collections of objects.
void Collect(CObject* pOb, std::set<CObject*>& seen) {
  if (pOb == nullptr || !seen.insert(pOb).second) return;
  if (auto* array = dynamic_cast<CObArray*>(pOb)) {
    for (INT_PTR i = 0; i < array->GetSize(); ++i) Collect(array->GetAt(i), seen);
  } else if (auto* list = dynamic_cast<CObList*>(pOb)) {
    for (POSITION pos = list->GetHeadPosition(); pos != nullptr;) Collect(list->GetNext(pos), seen);
  } else if (auto* byName = dynamic_cast<CMapStringToOb*>(pOb)) {
    CString key;
    CObject* value = nullptr;
    for (POSITION pos = byName->GetStartPosition(); pos != nullptr;) {
      byName->GetNextAssoc(pos, key, value);
      Collect(value, seen);
    }
  } else if (auto* byWord = dynamic_cast<CMapWordToOb*>(pOb)) {
    WORD key = 0;
    CObject* value = nullptr;
    for (POSITION pos = byWord->GetStartPosition(); pos != nullptr;) {
      byWord->GetNextAssoc(pos, key, value);
      Collect(value, seen);
    }
  }
}

void Free(CObject* pOb) {
  std::set<CObject*> seen;
  Collect(pOb, seen);
  for (CObject* object : seen) delete object;
}

// Loads one object from bytes; null when loading threw what it may throw.
CObject* Load(const void* data, size_t size) {
  CMemFile file(static_cast<const BYTE*>(data), static_cast<UINT>(size));
  CArchive ar(&file, CArchive::load);
  try {
    return ar.ReadObject(nullptr);
  } catch (const CArchiveException&) {
  } catch (const CFileException&) {
  } catch (const CMemoryException&) {
  }
  return nullptr;
}

std::string Store(const CObject* pOb) {
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    ar.WriteObject(pOb);
    ar.Close();
  }
  std::string bytes(static_cast<size_t>(file.GetLength()), '\0');
  file.SeekToBegin();
  file.Read(bytes.data(), static_cast<UINT>(bytes.size()));
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CObject* loaded = Load(data, size);
  if (loaded == nullptr) return 0;
  const std::string stored = Store(loaded);
  Free(loaded);
  CObject* again = Load(stored.data(), stored.size());
  if (again == nullptr || Store(again) != stored) std::abort();
  Free(again);
  return 0;
}
