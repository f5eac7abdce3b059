#include "query/text_criterion.h"

#include "platform/textcase.h"
#include "platform/wildcard_match.h"

namespace zl {

CTextCriterion::CTextCriterion(std::string_view sought, bool wildcards, bool ignoreCase)
    : m_sought(sought), m_wildcards(wildcards), m_ignoreCase(ignoreCase) {
  if (m_ignoreCase) FoldUpper(&m_sought);
  m_prefix = m_wildcards ? m_sought.substr(0, m_sought.find_first_of("*?")) : m_sought;
}

bool CTextCriterion::Matches(std::string_view stored) const {
  if (!m_ignoreCase) {
    return m_wildcards ? MatchWildcards(stored, m_sought) : stored == m_sought;
  }
  std::string folded(stored);
  FoldUpper(&folded);
  return m_wildcards ? MatchWildcards(folded, m_sought) : folded == m_sought;
}

}  // namespace zl
