#include "progress.h"

#include <unistd.h>

#include <cstdio>

namespace zldb {

CProgress::CProgress(std::string label, long total)
    : m_label(std::move(label)), m_total(total), m_enabled(::isatty(STDERR_FILENO) != 0) {}

void CProgress::SetLabel(std::string label, long total) {
  m_label = std::move(label);
  m_total = total;
  m_last = {};
}

void CProgress::Step(long done) {
  if (!m_enabled) return;
  const auto now = std::chrono::steady_clock::now();
  if (m_shown && done != m_total && now - m_last < std::chrono::milliseconds(100)) return;
  m_last = now;
  std::string line = m_label + " " + std::to_string(done);
  if (m_total > 0) {
    line += "/" + std::to_string(m_total) + " (" + std::to_string(done * 100 / m_total) + "%)";
  }
  Draw(std::move(line));
}

void CProgress::Draw(std::string line) {
  if (!m_enabled) return;
  // Pads over the rest of a longer line drawn before.
  const size_t width = line.size();
  if (width < m_width) line.append(m_width - width, ' ');
  m_width = width;
  std::fprintf(stderr, "\r%s", line.c_str());
  std::fflush(stderr);
  m_shown = true;
}

void CProgress::Clear() {
  if (!m_shown) return;
  std::fprintf(stderr, "\r%s\r", std::string(m_width, ' ').c_str());
  std::fflush(stderr);
  m_shown = false;
  m_width = 0;
}

}  // namespace zldb
