// Progress of a long command (export, import, upgrade, repair, check, a
// large demo): one line on standard error, "LABEL DONE/TOTAL (PERCENT)",
// redrawn in place at most ten times a second and wiped when the work ends,
// so that what the command prints afterwards starts on a clean line.
//
// Only a terminal sees it: when standard error is a pipe or a file the
// object prints nothing at all, so scripts and logs stay quiet.
#ifndef ZLDB_PROGRESS_H_
#define ZLDB_PROGRESS_H_

#include <chrono>
#include <string>

namespace zldb {

class CProgress {
 public:
  // total 0: the amount of work is not known; only DONE is shown.
  explicit CProgress(std::string label, long total = 0);
  ~CProgress() { Clear(); }
  CProgress(const CProgress&) = delete;
  CProgress& operator=(const CProgress&) = delete;

  // Whether anything is drawn (standard error is a terminal).
  bool Enabled() const { return m_enabled; }

  void SetLabel(std::string label, long total);
  // done units of the total are finished.
  void Step(long done);
  // Shows the label alone, for work that is one call without steps.
  void Show() { Draw(m_label); }
  // Wipes the line, if one is shown (also before printing a message).
  void Clear();

 private:
  void Draw(std::string line);

  std::string m_label;
  long m_total;
  const bool m_enabled;
  bool m_shown = false;
  size_t m_width = 0;
  std::chrono::steady_clock::time_point m_last;
};

}  // namespace zldb

#endif  // ZLDB_PROGRESS_H_
