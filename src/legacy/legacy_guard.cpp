#include "legacy/legacy_guard.h"

#include <atomic>
#include <new>

#include "engine/dao_database.h"
#include "zldbctrl70/platform/exceptions.h"

namespace zl::legacy {
namespace {

// Process-wide like the current interface's code, and apart from it.
std::atomic<int> g_legacyLastError{LZLE_OK};

}  // namespace

void SetLegacyLastError(int code) { g_legacyLastError.store(code, std::memory_order_relaxed); }
int LegacyLastError() { return g_legacyLastError.load(std::memory_order_relaxed); }

int LegacyCodeForCurrentException() {
  try {
    throw;
  } catch (const CMemoryException&) {
    return LZLE_OUT_OF_MEMORY;
  } catch (const std::bad_alloc&) {
    return LZLE_OUT_OF_MEMORY;
  } catch (...) {
    return LZLE_ENGINE;
  }
}

CLegacyTransaction::CLegacyTransaction(CDaoDatabase& database, ELegacyAccess access)
    : m_database(database) {
  m_database.BeginFileTrans(access == ELegacyAccess::kWrite && m_database.CanUpdate());
  m_open = true;
}

CLegacyTransaction::~CLegacyTransaction() {
  if (!m_open) return;
  try {
    m_database.RollbackFileTrans();
  } catch (...) {
    // Rolling back fails only when the file went away; nothing is left.
  }
}

void CLegacyTransaction::End(bool succeeded) {
  if (!succeeded) return;  // the destructor rolls back
  m_database.CommitFileTrans();
  m_open = false;
}

}  // namespace zl::legacy

int GetLastZLDBError() { return zl::legacy::LegacyLastError(); }
