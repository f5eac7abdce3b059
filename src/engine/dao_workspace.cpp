#include "engine/dao_workspace.h"

#include "engine/engine_file.h"
#include "engine/engine_guard.h"
#include "engine/maintenance.h"

using zl::engine::CFileRegistry;
using zl::engine::CWorkspaceState;
using zl::engine::FailureContext;
using zl::engine::Guarded;

CDaoWorkspace* CDaoWorkspace::GetDefault() {
  static CDaoWorkspace* workspace = new CDaoWorkspace;
  return workspace;
}

void CDaoWorkspace::BeginTrans() {
  Guarded(FailureContext::kWrite, [] { CWorkspaceState::Begin(); });
}

void CDaoWorkspace::CommitTrans() {
  Guarded(FailureContext::kCommit, [] { CWorkspaceState::Commit(); });
}

void CDaoWorkspace::Rollback() {
  Guarded(FailureContext::kWrite, [] { CWorkspaceState::Rollback(); });
}

int CDaoWorkspace::GetTransactionDepth() const { return CWorkspaceState::Depth(); }

void CDaoWorkspace::Idle(int nAction) {
  if ((nAction & dbRefreshCache) == 0) return;
  Guarded(FailureContext::kRead, [] { CFileRegistry::RefreshAll(); });
}

void CDaoWorkspace::CompactDatabase(LPCSTR lpszSrcName, LPCSTR lpszDestName, LPCSTR lpszLocale,
                                    int nOptions) {
  CompactDatabase(lpszSrcName, lpszDestName, lpszLocale, nOptions, nullptr);
}

void CDaoWorkspace::CompactDatabase(LPCSTR lpszSrcName, LPCSTR lpszDestName, LPCSTR lpszLocale,
                                    int /*nOptions*/, LPCSTR lpszPassword) {
  std::string source = lpszSrcName != nullptr ? lpszSrcName : "";
  std::string target = lpszDestName != nullptr ? lpszDestName : "";
  std::string locale = lpszLocale != nullptr ? lpszLocale : "";
  std::string password = lpszPassword != nullptr ? lpszPassword : "";
  Guarded(FailureContext::kWrite,
          [&] { zl::engine::CompactFile(source, target, locale, password); });
}

void CDaoWorkspace::RepairDatabase(LPCSTR lpszName) {
  std::string path = lpszName != nullptr ? lpszName : "";
  Guarded(FailureContext::kWrite, [&] { zl::engine::RepairFile(path); });
}

void CDaoWorkspace::SetBusyTimeout(int nMilliseconds) {
  CWorkspaceState::SetBusyTimeout(nMilliseconds);
}

int CDaoWorkspace::GetBusyTimeout() { return CWorkspaceState::BusyTimeout(); }
