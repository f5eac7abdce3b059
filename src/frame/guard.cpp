#include "frame/guard.h"

#include <exception>

#include "engine/dao_errors.h"
#include "zldbctrl70/platform/exceptions.h"

namespace zl {

std::recursive_mutex& OperationMutex() {
  // Never destroyed: handles still open are closed while the process exits.
  static auto* mutex = new std::recursive_mutex;
  return *mutex;
}

int CodeForCurrentException(int engineCode) {
  try {
    throw;
  } catch (const CDaoException& e) {
    // Running out of file descriptors is a resource failure like running
    // out of memory, whatever the operation was doing.
    if (e.m_scode == DaoScode(kDaoResourcesExceeded)) return ZLE_OUT_OF_MEMORY;
    if (e.m_nAfxDaoError == AFX_DAO_ERROR_FILE_REPLACED) return ZLE_FILE_REPLACED;
    return engineCode;
  } catch (const CMemoryException&) {
    return ZLE_OUT_OF_MEMORY;
  } catch (const std::bad_alloc&) {
    return ZLE_OUT_OF_MEMORY;
  } catch (...) {
    return ZLE_ENGINE;
  }
}

}  // namespace zl
