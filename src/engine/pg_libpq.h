// libpq, loaded when a server name is first opened.  The library is not
// linked: a process that only ever opens files does not map libpq and what
// it pulls in (TLS, Kerberos, LDAP).  The first call loads "libpq.so.5"
// (once per process, thread-safe) and resolves every function the server
// backend calls into one table; the table keeps libpq's own names and
// signatures (libpq-fe.h is still needed to build).  Without the library,
// or with one that lacks a function, LibPq() returns nullptr and
// LibPqError() says why; the library stays loaded until the process ends.
#ifndef ZLDBCTRL70_ENGINE_PG_LIBPQ_H_
#define ZLDBCTRL70_ENGINE_PG_LIBPQ_H_

#ifdef ZL_HAVE_LIBPQ

#include <libpq-fe.h>

#include <string>

// Every libpq function the server backend calls.
// clang-format off
#define ZL_LIBPQ_FUNCTIONS(X) \
  X(PQclear) X(PQcmdTuples) X(PQconnectdbParams) X(PQconninfoFree) \
  X(PQconninfoParse) X(PQenterPipelineMode) X(PQerrorMessage) X(PQexec) X(PQfinish) \
  X(PQfreemem) X(PQftype) X(PQgetResult) X(PQgetisnull) X(PQgetlength) \
  X(PQgetvalue) X(PQnfields) X(PQntuples) X(PQparameterStatus) X(PQpipelineStatus) \
  X(PQpipelineSync) X(PQresultErrorField) X(PQresultErrorMessage) X(PQresultStatus) \
  X(PQsendPrepare) X(PQsendQueryParams) X(PQsendQueryPrepared) \
  X(PQsetNoticeProcessor) X(PQstatus) X(PQtransactionStatus)
// clang-format on

namespace zl::engine {

// The resolved functions, named as in libpq-fe.h.
struct CLibPq {
#define ZL_LIBPQ_POINTER(name) decltype(&::name) name = nullptr;
  ZL_LIBPQ_FUNCTIONS(ZL_LIBPQ_POINTER)
#undef ZL_LIBPQ_POINTER
};

// The loaded library's functions; nullptr when it cannot be loaded.
const CLibPq* LibPq();
// Why LibPq() returned nullptr (naming the library file); "" after a load.
const std::string& LibPqError();
// The file the first LibPq() call loads ("libpq.so.5").  Tests name a file
// that does not exist to see a failed load; no effect after the first call.
void SetLibPqFileName(const char* fileName);

}  // namespace zl::engine

#endif  // ZL_HAVE_LIBPQ

#endif  // ZLDBCTRL70_ENGINE_PG_LIBPQ_H_
