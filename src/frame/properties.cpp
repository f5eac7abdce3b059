// The database's own properties: versions, state, user version,
// information text, change dates and login.
#include <cstring>
#include <string>

#include "engine/dao_errors.h"
#include "frame/caller_numbers.h"
#include "frame/dbinfo.h"
#include "frame/guard.h"
#include "frame/textpack.h"
#include "schema/layout.h"
#include "schema/zl_recordset.h"
#include "zldbctrl70/database.h"
#include "zldbctrl70/platform/globalmem.h"
#include "zldbctrl70/platform/longbinary.h"

namespace zl {
namespace {

// A NULL text field reads as the empty text.
CString TextOf(const COleVariant& value) {
  return value.vt == VT_NULL ? CString() : CString(V_BSTRT(&value));
}

// The stored login, or null when none is stored (NULL, not a byte array, or
// an empty array).  The stored bytes are the compressed login and its
// terminating zero; the login is what decodes before the first zero.
bool ReadStoredLogin(ZLHandleRecord& record, std::string& login) {
  const COleVariant value = ReadDbInfoField(record, "LOGIN");
  if (!value.IsByteArray() || value.GetByteArraySize() == 0) return false;
  HGLOBAL block = nullptr;
  const size_t count = UnpackText(value.GetByteArrayData(), value.GetByteArraySize(), block);
  login.clear();
  if (count > 0) {
    const char* bytes = static_cast<const char*>(GlobalLock(block));
    login.assign(bytes, strnlen(bytes, count));
    GlobalUnlock(block);
    GlobalFree(block);
  }
  return true;
}

bool IsEmptyText(const char* text) { return text == nullptr || text[0] == '\0'; }

int ReadChangeDate(ZLHandleRecord& record, const char* field, COleDateTime& date) {
  RefreshUnlessSnapshot(record);
  CZLRecordset& dbinfo = *record.recordsets[ZLT_DBINFO];
  if (dbinfo.GetRecordCount() > 0) {
    COleDateTime stamp(ReadDbInfoField(record, field));
    if (stamp.GetStatus() == COleDateTime::valid) {
      date = stamp;
      return ZLE_OK;
    }
  }
  date = dbinfo.GetDateCreated();
  return ZLE_OK;
}

}  // namespace

int CheckDatabaseLogin(ZLHandleRecord& record, const char* login) {
  if (IsEmptyText(login)) return ZLE_BAD_LOGIN;
  std::string stored;
  if (!ReadStoredLogin(record, stored)) return ZLE_OK;
  return stored == login ? ZLE_OK : ZLE_BAD_LOGIN;
}

}  // namespace zl

using zl::RunGuarded;
using zl::RunGuardedRead;
using zl::RunUnguarded;
using zl::ZLHandleRecord;
using zl::ZLOutcome;

int ZLGetDatabaseVersion(void* hDB, ZLDBVersion& version, ZLDBStructVersion& structVersion) {
  return zl::RunGuardedRecordOnly(hDB, [&](ZLHandleRecord& record) {
    version = record.databaseVersion;
    structVersion = record.structureVersion;
    return ZLOutcome::Ok();
  });
}

int ZLSetDatabaseVersion(void* hDB, ZLDBVersion version, ZLDBStructVersion structVersion) {
  return RunGuarded(hDB, [&](ZLHandleRecord& record) {
    const COleVariant packed(zl::PackVersion(version, structVersion));
    zl::WriteDbInfoField(record, "VERSION", &packed);
    record.databaseVersion = version;
    record.structureVersion = structVersion;
    return ZLOutcome::Ok();
  });
}

int ZLGetDatabaseState(void* hDB, unsigned long& state) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    const COleVariant value = zl::ReadDbInfoField(record, "STATE");
    // A database that never had its state set reads as state 0.
    state = value.vt == VT_NULL ? 0 : static_cast<uint32_t>(value.lVal);
    return ZLOutcome::Ok();
  });
}

int ZLSetDatabaseState(void* hDB, unsigned long& state) {
  return RunGuarded(hDB, [&](ZLHandleRecord& record) {
    COleVariant value;
    const int range = zl::StoredNumber(state, value);
    if (range != ZLE_OK) return ZLOutcome::Fail(range);
    zl::WriteDbInfoField(record, "STATE", &value);
    zl::StampLayoutChange(record);
    return ZLOutcome::Ok();
  });
}

int ZLGetUserVersion(void* hDB, CString& userVersion) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    userVersion = zl::TextOf(zl::ReadDbInfoField(record, "USER_VERSION"));
    return ZLOutcome::Ok();
  });
}

int ZLSetUserVersion(void* hDB, const char* userVersion) {
  return RunGuarded(hDB, [&](ZLHandleRecord& record) {
    const COleVariant value(userVersion);
    zl::WriteDbInfoField(record, "USER_VERSION", &value);
    return ZLOutcome::Ok();
  });
}

int ZLGetDatabaseInfo(void* hDB, CString& info) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    info = zl::TextOf(zl::ReadDbInfoField(record, "INFO"));
    return ZLOutcome::Ok();
  });
}

int ZLSetDatabaseInfo(void* hDB, const char* info) {
  return RunGuarded(hDB, [&](ZLHandleRecord& record) {
    const COleVariant value(info);
    zl::WriteDbInfoField(record, "INFO", &value);
    return ZLOutcome::Ok();
  });
}

int ZLGetLastLayoutChangeDate(void* hDB, COleDateTime& date) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    return ZLOutcome::FromCode(zl::ReadChangeDate(record, "LASTLAYOUTCHANGE", date));
  });
}

int ZLGetPackageLastChangeDate(void* hDB, COleDateTime& date) {
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    return ZLOutcome::FromCode(zl::ReadChangeDate(record, "LASTVHDLPACKAGECHANGE", date));
  });
}

int ZLCheckDatabaseLogin(void* hDB, const char* login) {
  // An empty login is refused before the handle is looked at.
  if (zl::IsEmptyText(login)) return RunUnguarded([] { return ZLOutcome::Fail(ZLE_BAD_LOGIN); });
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    return ZLOutcome::FromCode(zl::CheckDatabaseLogin(record, login));
  });
}

int ZLSetDatabaseLogin(void* hDB, const char* newLogin, const char* oldLogin) {
  return RunGuarded(hDB, [&](ZLHandleRecord& record) {
    std::string stored;
    const char* old = oldLogin == nullptr ? "" : oldLogin;
    if (zl::ReadStoredLogin(record, stored)) {
      if (stored != old) return ZLOutcome::Fail(ZLE_BAD_LOGIN);
    } else if (!zl::IsEmptyText(old)) {
      return ZLOutcome::Fail(ZLE_BAD_LOGIN);
    }
    if (zl::IsEmptyText(newLogin)) {
      zl::WriteDbInfoField(record, "LOGIN", nullptr);
    } else {
      // The login is packed with its terminating zero, so that the padding
      // bits of the last byte decode after the end mark.
      CLongBinary packed;
      packed.m_dwDataLength = zl::PackText(reinterpret_cast<const BYTE*>(newLogin),
                                           std::strlen(newLogin) + 1, packed.m_hData);
      if (packed.m_hData == nullptr) return ZLOutcome::Fail(ZLE_OUT_OF_MEMORY);
      const COleVariant value(packed);
      zl::WriteDbInfoField(record, "LOGIN", &value);
    }
    zl::StampLayoutChange(record);
    return ZLOutcome::Ok();
  });
}
