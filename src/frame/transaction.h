// A workspace transaction that rolls back unless committed.
#ifndef ZLDBCTRL70_FRAME_TRANSACTION_H_
#define ZLDBCTRL70_FRAME_TRANSACTION_H_

#include "engine/dao_workspace.h"

namespace zl {

class CTransaction {
 public:
  // Begins a transaction (a nested level when one is open).  Engine errors
  // propagate, and then nothing is begun.
  CTransaction() { CDaoWorkspace::GetDefault()->BeginTrans(); }
  // Rolls back when Commit was not reached; errors of the rollback are
  // swallowed (the operation is already failing).
  ~CTransaction() {
    if (!m_done) {
      try {
        CDaoWorkspace::GetDefault()->Rollback();
      } catch (...) {
      }
    }
  }
  CTransaction(const CTransaction&) = delete;
  CTransaction& operator=(const CTransaction&) = delete;

  // Commits; when the commit fails the transaction is rolled back by the
  // destructor and the error propagates.
  void Commit() {
    CDaoWorkspace::GetDefault()->CommitTrans();
    m_done = true;
  }

 private:
  bool m_done = false;
};

}  // namespace zl

#endif  // ZLDBCTRL70_FRAME_TRANSACTION_H_
